#include "scratch_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string scratchPath;

void RemoveScratchFile() { std::remove(scratchPath.c_str()); }

}  // namespace

const char* WriteScratchFile(const char* stem, const uint8_t* data, size_t size) {
  if (scratchPath.empty()) {
    std::error_code error;
    std::filesystem::path dir = std::filesystem::is_directory("/dev/shm", error)
                                    ? std::filesystem::path("/dev/shm")
                                    : std::filesystem::temp_directory_path();
    scratchPath = (dir / (std::string(stem) + "-" + std::to_string(getpid()))).string();
    std::atexit(RemoveScratchFile);
  }
  std::FILE* file = std::fopen(scratchPath.c_str(), "wb");
  if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
      std::fclose(file) != 0) {
    std::perror(scratchPath.c_str());
    std::abort();
  }
  return scratchPath.c_str();
}
