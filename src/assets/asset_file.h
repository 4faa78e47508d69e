// Opening the show's data files for the loaders: only regular files, read no
// further than the size they had when opened, so that a FIFO, a device or a
// file that keeps growing cannot hold up the start-up.
#pragma once

#include <cstddef>
#include <string>

struct AssetFile {
  int descriptor = -1;
  long long size = 0;       // bytes, from fstat at open
  long long remaining = 0;  // bytes still to be read of `size`
};

// False with the cause ("no such file", "not a regular file", ...) in `cause`.
bool OpenAssetFile(const char* path, AssetFile& file, std::string& cause);
// Up to `count` bytes, never past the size at open; 0 at the end (or on a read
// error, which the caller sees as a short file).
std::size_t ReadAssetFile(AssetFile& file, unsigned char* bytes, std::size_t count);
void CloseAssetFile(AssetFile& file);
