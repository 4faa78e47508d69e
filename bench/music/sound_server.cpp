#include "sound_server.h"

#include <SDL.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace {

// Spawns the sound session script with `args`, its stdout to `out` (or ours).
pid_t SpawnSession(std::vector<std::string> args, int out) {
  args.insert(args.begin(), {"bash", NIVORA_SOUND_SESSION});
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, "bash", &actions, nullptr, argv.data(), environ) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

}  // namespace

double BenchNow() {
  return static_cast<double>(SDL_GetPerformanceCounter()) /
         static_cast<double>(SDL_GetPerformanceFrequency());
}

pid_t StartSoundServer(const std::string& kind, const std::string& dir, int realtime) {
  mkdir(dir.c_str(), 0700);
  if (realtime > 0) setenv("SOUND_SESSION_REALTIME", std::to_string(realtime).c_str(), 1);
  pid_t pid = SpawnSession({"start", kind, dir}, -1);
  unsetenv("SOUND_SESSION_REALTIME");
  std::string address = dir + "/server";
  struct stat written{};
  for (int i = 0; pid && i < 600; i++) {
    if (stat(address.c_str(), &written) == 0 && written.st_size > 0) {
      std::ifstream in(address);
      std::string pulseServer;
      std::getline(in, pulseServer);
      setenv("PULSE_SERVER", pulseServer.c_str(), 1);
      setenv("PIPEWIRE_RUNTIME_DIR", (dir + "/run").c_str(), 1);
      return pid;
    }
    if (waitpid(pid, nullptr, WNOHANG) == pid) return 0;
    SDL_Delay(50);
  }
  if (pid) StopSoundServer(pid, dir);
  return 0;
}

void StopSoundServer(pid_t server, const std::string& dir) {
  if (server > 0) {
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
  }
  std::error_code error;
  std::filesystem::remove_all(dir, error);
}

bool StartRecording(Recording& r, const std::string& kind, const std::string& dir) {
  int ends[2];
  if (pipe(ends) != 0) return false;
  fcntl(ends[0], F_SETFD, FD_CLOEXEC);
  // PulseAudio's monitor is read in 2-ms pieces. PipeWire runs its whole graph
  // in the pieces of its most hurried client: there the recorder asks for
  // pieces just over the program's 512-frame blocks, so that the program's own
  // stream sets the pace, as on a desktop.
  r.pid = SpawnSession({"record", dir, kind == "pulse" ? "2" : "12"}, ends[1]);
  close(ends[1]);
  if (!r.pid) {
    close(ends[0]);
    return false;
  }
  r.fd = ends[0];
  r.reader = std::thread([&r] {
    float chunk[2 * 256];
    ssize_t got;
    int fd = r.fd;
    size_t pendingBytes = 0;
    char* bytes = reinterpret_cast<char*>(chunk);
    while ((got = read(fd, bytes + pendingBytes, sizeof chunk - pendingBytes)) > 0) {
      double t = BenchNow();
      pendingBytes += static_cast<size_t>(got);
      size_t whole = pendingBytes / (2 * sizeof(float));
      r.samples.insert(r.samples.end(), chunk, chunk + 2 * whole);
      size_t rest = pendingBytes - whole * 2 * sizeof(float);
      std::memmove(bytes, bytes + whole * 2 * sizeof(float), rest);
      pendingBytes = rest;
      r.arrivals.emplace_back(t, static_cast<int64_t>(r.samples.size() / 2));
    }
  });
  return true;
}

void StopRecording(Recording& r) {
  kill(r.pid, SIGTERM);
  waitpid(r.pid, nullptr, 0);
  r.reader.join();
  close(r.fd);
}

double ReceivedAt(const Recording& r, int64_t n) {
  auto it = std::lower_bound(r.arrivals.begin(), r.arrivals.end(), n + 1,
                             [](const std::pair<double, int64_t>& a, int64_t v) { return a.second < v; });
  if (it == r.arrivals.end()) return NAN;
  return it->first - static_cast<double>(it->second - 1 - n) / 44100;
}

double EarliestReceivedAt(const Recording& r, int64_t n) {
  auto it = std::lower_bound(r.arrivals.begin(), r.arrivals.end(), n + 1,
                             [](const std::pair<double, int64_t>& a, int64_t v) { return a.second < v; });
  double earliest = NAN;
  for (; it != r.arrivals.end() && it->second <= n + 44100 / 4; ++it) {
    double by = it->first - static_cast<double>(it->second - 1 - n) / 44100;
    if (!(by >= earliest)) earliest = by;
  }
  return earliest;
}
