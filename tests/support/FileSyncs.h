#pragma once

#include <string>

// Counts the C library's fsync calls in this test program and remembers which file the last one was
// for. Works by standing in for fsync in this executable and passing each call on.
namespace FileSyncs {

int Count();
std::string LastPath();

}  // namespace FileSyncs
