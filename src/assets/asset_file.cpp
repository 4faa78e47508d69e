#include "assets/asset_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace {

std::string OpenFailure(int error) {
  switch (error) {
    case ENOENT: return "no such file";
    case ENOTDIR: return "no such file";
    case EACCES: return "permission denied";
    case ELOOP: return "too many symbolic links";
    default: {
      std::string text = std::strerror(error);
      if (!text.empty()) text[0] = static_cast<char>(std::tolower(text[0]));
      return text;
    }
  }
}

}  // namespace

bool OpenAssetFile(const char* path, AssetFile& file, std::string& cause) {
  file = AssetFile{};
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer,
  // before fstat could tell what it is.
  int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (descriptor < 0) {
    cause = OpenFailure(errno);
    return false;
  }
  struct stat status {};
  if (fstat(descriptor, &status) != 0) {
    cause = OpenFailure(errno);
    close(descriptor);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    cause = S_ISDIR(status.st_mode) ? "is a directory" : "not a regular file";
    close(descriptor);
    return false;
  }
  file.descriptor = descriptor;
  file.size = static_cast<long long>(status.st_size);
  file.remaining = file.size;
  return true;
}

std::size_t ReadAssetFile(AssetFile& file, unsigned char* bytes, std::size_t count) {
  std::size_t done = 0;
  while (done < count && file.remaining > 0) {
    std::size_t want = count - done;
    if (static_cast<long long>(want) > file.remaining) want = static_cast<std::size_t>(file.remaining);
    ssize_t got = read(file.descriptor, bytes + done, want);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      file.remaining = 0;  // shrunk or unreadable: what was read is all there is
      break;
    }
    done += static_cast<std::size_t>(got);
    file.remaining -= got;
  }
  return done;
}

void CloseAssetFile(AssetFile& file) {
  if (file.descriptor >= 0) close(file.descriptor);
  file = AssetFile{};
}
