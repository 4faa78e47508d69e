#include "music/pulse_server.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The first local socket among PULSE_SERVER's addresses, or "" for none.
std::string FirstUnixPath(const char* servers) {
  std::string list(servers);
  size_t at = 0;
  while (at < list.size()) {
    size_t end = list.find(' ', at);
    if (end == std::string::npos) end = list.size();
    std::string address = list.substr(at, end - at);
    at = end + 1;
    if (!address.empty() && address[0] == '{') {  // "{machine id}" names a host
      size_t close = address.find('}');
      address = close == std::string::npos ? "" : address.substr(close + 1);
    }
    if (address.rfind("unix:", 0) == 0) return address.substr(5);
    if (!address.empty() && address[0] == '/') return address;
  }
  return "";
}

// The process on the other end of the socket at `path`, by the kernel's own
// record of the peer (SO_PEERCRED), or -1.
pid_t SocketPeer(const std::string& path) {
  sockaddr_un where{};
  if (path.empty() || path.size() >= sizeof(where.sun_path)) return -1;
  where.sun_family = AF_UNIX;
  std::memcpy(where.sun_path, path.c_str(), path.size() + 1);
  int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return -1;
  pid_t pid = -1;
  ucred peer{};
  socklen_t size = sizeof(peer);
  if (connect(s, reinterpret_cast<sockaddr*>(&where), sizeof(where)) == 0 &&
      getsockopt(s, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.pid > 0)
    pid = peer.pid;
  close(s);
  return pid;
}

}  // namespace

bool PulseSocketServedByPipeWire(const char* pulseServer, const char* runtimeDir) {
  std::string path;
  if (pulseServer && *pulseServer)
    path = FirstUnixPath(pulseServer);
  else if (runtimeDir && *runtimeDir)
    path = std::string(runtimeDir) + "/pulse/native";
  pid_t peer = SocketPeer(path);
  if (peer < 0) return false;
  char name[32] = {};
  std::FILE* f = std::fopen(("/proc/" + std::to_string(peer) + "/comm").c_str(), "r");
  if (!f) return false;
  bool read = std::fgets(name, sizeof(name), f) != nullptr;
  std::fclose(f);
  return read && std::strncmp(name, "pipewire", 8) == 0;  // "pipewire", "pipewire-pulse"
}
