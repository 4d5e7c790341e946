#pragma once

#include <filesystem>

#include "BenchPrograms.h"

// Registers the Google Benchmarks of corvida-cli's start: from spawning it to its first request's first
// byte on the line, for a quick command and for the upgrade, which reads the kit first.
void RegisterFirstRequestBench(const BenchPrograms& programs, const std::filesystem::path& workFolder);
