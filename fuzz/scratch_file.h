// The loaders read files by path, so each fuzz input is written to one
// scratch file per process (in memory under /dev/shm where there is one).
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the bytes and returns the file's path; aborts if it cannot.
const char* WriteScratchFile(const char* stem, const uint8_t* data, size_t size);
