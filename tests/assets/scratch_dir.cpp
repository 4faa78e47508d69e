#include "scratch_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "nivora-assets-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

WorkingDir::WorkingDir(const std::string& dir) {
  previous = std::filesystem::current_path().string();
  std::filesystem::current_path(dir);
}

WorkingDir::~WorkingDir() {
  std::error_code ignored;
  std::filesystem::current_path(previous, ignored);
}
