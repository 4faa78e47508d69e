// The PulseAudio socket's server told by the name of the process holding it: a
// listener forked here takes the server's process name.
#include "music/pulse_server.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

struct Listener {
  pid_t pid = -1;
  int hold = -1;  // closing it ends the listener
};

// A process named `name` listening on `path` until Stop.
Listener Listen(const std::string& path, const char* name) {
  int ready[2], hold[2];
  EXPECT_EQ(pipe(ready), 0);
  EXPECT_EQ(pipe(hold), 0);
  Listener l;
  l.pid = fork();
  if (l.pid == 0) {
    close(hold[1]);  // the parent's end alone holds it open
    prctl(PR_SET_NAME, name);
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    std::strcpy(where.sun_path, path.c_str());
    bool up = bind(s, reinterpret_cast<sockaddr*>(&where), sizeof(where)) == 0 && listen(s, 4) == 0;
    char c = up ? 1 : 0;
    (void)!write(ready[1], &c, 1);
    (void)!read(hold[0], &c, 1);
    _exit(0);
  }
  char up = 0;
  EXPECT_EQ(read(ready[0], &up, 1), 1);
  EXPECT_EQ(up, 1);
  close(ready[0]);
  close(ready[1]);
  close(hold[0]);
  l.hold = hold[1];
  return l;
}

void Stop(Listener& l) {
  close(l.hold);
  waitpid(l.pid, nullptr, 0);
}

TEST(PulseServer, ThePipeWireServerIsToldFromPulseAudioByItsProcess) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("pulse_server_test." + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "pulse");
  std::string socketPath = (dir / "pulse" / "native").string();

  Listener pipewire = Listen(socketPath, "pipewire-pulse");
  EXPECT_TRUE(PulseSocketServedByPipeWire(nullptr, dir.c_str()));
  EXPECT_TRUE(PulseSocketServedByPipeWire(("unix:" + socketPath).c_str(), nullptr));
  EXPECT_TRUE(PulseSocketServedByPipeWire(("tcp:elsewhere {1f}unix:" + socketPath).c_str(), "/none"));
  EXPECT_FALSE(PulseSocketServedByPipeWire("tcp:localhost:4713", dir.c_str()));
  Stop(pipewire);
  std::filesystem::remove(socketPath);

  Listener pulse = Listen(socketPath, "pulseaudio");
  EXPECT_FALSE(PulseSocketServedByPipeWire(socketPath.c_str(), nullptr));
  Stop(pulse);
  std::filesystem::remove_all(dir);
  EXPECT_FALSE(PulseSocketServedByPipeWire(nullptr, dir.c_str()));
}

}  // namespace
