#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A standard-layout codeplug of exactly `bytes` bytes for the codeplug rows: the tuning entry and the
// serial-number entry where programming preserves them, and channel blocks that fill the rest, so that
// programming the whole codeplug writes every byte. `serialSeed` tells one radio's tuning and serial
// number from another's. Throws std::invalid_argument for a size its headers alone outgrow.
std::vector<std::uint8_t> BenchCodeplug(std::size_t bytes, std::uint8_t serialSeed);
