// Files the end-to-end tests read back: whole files as bytes, and PNG frames
// as RGB pictures, top row first.
#pragma once

#include <string>
#include <vector>

std::string Slurp(const std::string& path);  // empty when unreadable
bool Exists(const std::string& path);

struct Image {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;  // top row first
  const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

Image ReadPng(const std::string& path);  // width 0 when unreadable
