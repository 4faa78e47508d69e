// nivora-play run as a viewer runs it: on a private Xvfb screen with the show's
// generated data (or, where display modes are switched, a real X server on its
// dummy video driver), keys sent with xdotool, screenshots taken with xwd, the
// sound written by SDL's disk audio driver or recorded from a sound server's
// null sink (tests/e2e/sound_session.sh); or on Wayland, under a headless sway
// (tests/e2e/wayland_session.sh), keys sent with wtype, screenshots taken with
// grim. The picture is compared with nivora-capture's frame of the same instant.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e_files.h"
#include "music/player.h"

namespace {

using namespace std::chrono_literals;

std::string Shell(const std::string& command) {
  std::string out;
  if (std::FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
  }
  return out;
}

uint32_t Big32(const std::string& s, size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + at;
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// An xwd dump of a 24-bit TrueColor screen: four bytes a pixel (xwd may call
// them 24 or 32 bits per pixel), ZPixmap.
Image ReadXwd(const std::string& data) {
  Image image;
  if (data.size() < 100) return image;
  uint32_t headerSize = Big32(data, 0);
  uint32_t width = Big32(data, 16), height = Big32(data, 20);
  uint32_t byteOrder = Big32(data, 28), bitsPerPixel = Big32(data, 44);
  uint32_t bytesPerLine = Big32(data, 48), colours = Big32(data, 76);
  size_t pixels = headerSize + 12 * static_cast<size_t>(colours);
  if (bitsPerPixel < 24 || width == 0 || bytesPerLine / width != 4 || data.size() < pixels + static_cast<size_t>(bytesPerLine) * height)
    return image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.rgb.resize(static_cast<size_t>(width) * height * 3);
  for (uint32_t y = 0; y < height; y++)
    for (uint32_t x = 0; x < width; x++) {
      const unsigned char* p =
          reinterpret_cast<const unsigned char*>(data.data()) + pixels + y * bytesPerLine + 4 * x;
      unsigned char* out = &image.rgb[(static_cast<size_t>(y) * width + x) * 3];
      // LSBFirst: B G R x in memory; MSBFirst: x R G B.
      bool lsb = byteOrder == 0;
      out[0] = lsb ? p[2] : p[1];
      out[1] = lsb ? p[1] : p[2];
      out[2] = lsb ? p[0] : p[3];
    }
  return image;
}

// grim's binary PPM: "P6 width height 255", then RGB.
Image ReadPpm(const std::string& data) {
  Image image;
  int width = 0, height = 0, maximum = 0, header = 0;
  if (std::sscanf(data.c_str(), "P6 %d %d %d%n", &width, &height, &maximum, &header) != 3 ||
      maximum != 255 || width <= 0 || height <= 0)
    return image;
  size_t size = static_cast<size_t>(width) * height * 3;
  if (data.size() < static_cast<size_t>(header) + 1 + size) return image;
  image.width = width;
  image.height = height;
  image.rgb.assign(data.begin() + header + 1, data.begin() + header + 1 + size);
  return image;
}

// swaymsg's JSON without the white space between its tokens.
std::string CompactJson(const std::string& json) {
  std::string out;
  bool quoted = false;
  for (size_t i = 0; i < json.size(); i++) {
    char c = json[i];
    if (c == '"' && (i == 0 || json[i - 1] != '\\')) quoted = !quoted;
    if (quoted || !std::isspace(static_cast<unsigned char>(c))) out += c;
  }
  return out;
}

// Key names as xdotool takes them ("Right Right", "alt+Return") as wtype's
// arguments, a tenth of a second between keys.
std::string WtypeKeys(const std::string& keys) {
  std::istringstream names(keys);
  std::string name, out;
  while (names >> name) {
    size_t plus = name.find('+');
    if (plus == std::string::npos)
      out += " -k " + name + " -s 100";
    else
      out += " -M " + name.substr(0, plus) + " -k " + name.substr(plus + 1) + " -m " +
             name.substr(0, plus) + " -s 100";
  }
  return out;
}

Image Crop(const Image& from, int x, int y, int width, int height) {
  Image out;
  if (x < 0 || y < 0 || x + width > from.width || y + height > from.height) return out;
  out.width = width;
  out.height = height;
  for (int row = 0; row < height; row++)
    out.rgb.insert(out.rgb.end(), from.At(x, y + row), from.At(x, y + row) + 3 * width);
  return out;
}

// Pixels that differ, and those that are not pure black within a rectangle's complement.
int DifferentPixels(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  int n = 0;
  for (size_t i = 0; i < a.rgb.size(); i += 3)
    n += std::memcmp(&a.rgb[i], &b.rgb[i], 3) != 0;
  return n;
}

int LitPixelsOutside(const Image& image, int x, int y, int width, int height) {
  int n = 0;
  for (int py = 0; py < image.height; py++)
    for (int px = 0; px < image.width; px++) {
      bool inside = px >= x && px < x + width && py >= y && py < y + height;
      const unsigned char* p = image.At(px, py);
      if (!inside && (p[0] | p[1] | p[2])) n++;
    }
  return n;
}

struct Paused {
  int order = -1, row = 0, tick = 0;
  double elapsedMs = 0;
};

class PlayerE2e : public testing::Test {
 public:
  std::string work;
  pid_t xServer = -1;
  pid_t windowManager = -1;
  pid_t player = -1;
  std::string display;
  bool wayland = false;  // under sway (StartSway), SDL on its Wayland driver
  pid_t compositor = -1;
  pid_t keyboard = -1;  // wtype holding a keyboard on sway's seat
  pid_t soundServer = -1, recorder = -1;  // StartSoundServer's

  void SetUp() override {
    if (!Exists(std::string(NIVORA_SHOW_DIR) + "/gfx/01.jpg"))
      GTEST_SKIP() << "the show's data was not generated";
    char pattern[] = "/tmp/nivora-play-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    work = pattern;
  }

  void TearDown() override {
    if (player > 0) {
      kill(player, SIGKILL);
      waitpid(player, nullptr, 0);
    }
    if (windowManager > 0) {
      kill(windowManager, SIGTERM);
      waitpid(windowManager, nullptr, 0);
    }
    if (xServer > 0) {
      kill(xServer, SIGTERM);
      waitpid(xServer, nullptr, 0);
    }
    for (pid_t p : {keyboard, compositor, recorder, soundServer})
      if (p > 0) {
        kill(p, SIGTERM);
        waitpid(p, nullptr, 0);
      }
    if (!work.empty()) std::system(("rm -rf '" + work + "'").c_str());
  }

  // An X server on a display number drawn from 200-999 that nobody else holds:
  // `command` gives its argument list for a display, `ready` tells when it answers.
  template <typename Command, typename Ready>
  void StartServer(Command command, Ready ready) {
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 20 && xServer < 0; attempt++) {
      int number = 200 + static_cast<int>(random() % 800);
      if (Exists("/tmp/.X11-unix/X" + std::to_string(number)) ||
          Exists("/tmp/.X" + std::to_string(number) + "-lock"))
        continue;
      display = ":" + std::to_string(number);
      std::vector<std::string> args = command(display);
      pid_t pid = fork();
      if (pid == 0) {
        std::freopen("/dev/null", "w", stderr);
        std::freopen("/dev/null", "w", stdout);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
      }
      setenv("DISPLAY", display.c_str(), 1);
      // A number another server holds ends this one at once.
      bool ended = false;
      WaitFor([&] { return ready() || (ended = waitpid(pid, nullptr, WNOHANG) == pid); }, 30);
      if (!ended && ready()) xServer = pid;
      if (xServer < 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  }

  void StartScreen(const std::string& size, bool withWindowManager = true) {
    std::string geometry = size.substr(0, size.find('x')) + " " + size.substr(size.find('x') + 1) + "\n";
    StartServer(
        [&](const std::string& d) {
          return std::vector<std::string>{"Xvfb", d, "-noreset", "-nolisten", "tcp", "-screen", "0",
                                          size + "x24"};
        },
        [&] { return Shell("xdotool getdisplaygeometry 2>/dev/null") == geometry; });
    ASSERT_GT(xServer, 0) << "no Xvfb at " << size;
    if (withWindowManager) StartWindowManager();
  }

  // A real X server on a virtual card (the dummy driver) at 1280x1024, with
  // 1024x768, 800x600 and 640x480 to switch to, and a window manager.
  void StartModeScreen() {
    std::string config = work + "/dummy.conf";
    std::ofstream(config) << R"(Section "Device"
  Identifier "card"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5-200
  VertRefresh 5-200
  Modeline "1280x1024" 108.00 1280 1328 1440 1688 1024 1025 1028 1066
  Modeline "1024x768" 65.00 1024 1048 1184 1344 768 771 777 806
  Modeline "800x600" 40.00 800 840 968 1056 600 601 605 628
  Modeline "640x480" 25.18 640 656 752 800 480 490 492 525
EndSection
Section "Screen"
  Identifier "screen"
  Device "card"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1280x1024" "1024x768" "800x600" "640x480"
    Virtual 1280 1024
  EndSubSection
EndSection
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "DontVTSwitch" "true"
EndSection
)";
    StartServer(
        [&](const std::string& d) {
          return std::vector<std::string>{"Xorg", d, "-config", config, "-noreset", "-nolisten",
                                          "tcp", "-logfile", work + "/xorg.log", "-novtswitch",
                                          "-sharevts"};
        },
        [&] { return ScreenMode() == "1280x1024"; });
    ASSERT_GT(xServer, 0) << "no X server on the dummy driver: " << Slurp(work + "/xorg.log");
    StartWindowManager();
  }

  // sway on its headless backend with one output of `size`, its session in the
  // test's folder (which sway's own user must reach when the test runs as root).
  void StartSway(const std::string& size) {
    wayland = true;
    chmod(work.c_str(), 0755);
    compositor = fork();
    if (compositor == 0) {
      std::freopen("/dev/null", "w", stdout);
      execlp("bash", "bash", NIVORA_WAYLAND_SESSION, "sway", size.c_str(), work.c_str(),
             static_cast<char*>(nullptr));
      _exit(127);
    }
    setenv("XDG_RUNTIME_DIR", (work + "/run").c_str(), 1);
    setenv("WAYLAND_DISPLAY", "wayland-1", 1);
    std::string width = "\"width\":" + size.substr(0, size.find('x')) + ",";
    bool up = WaitFor([&] {
      std::string socket = Shell("ls " + work + "/run/sway-ipc.*.sock 2>/dev/null | head -n1");
      if (socket.empty()) return false;
      setenv("SWAYSOCK", socket.substr(0, socket.size() - 1).c_str(), 1);
      return CompactJson(Shell("swaymsg -r -t get_outputs 2>/dev/null")).find(width) !=
             std::string::npos;
    });
    ASSERT_TRUE(up) << "no sway at " << size << ": " << Slurp(work + "/compositor.log");
    HoldKeyboard();
  }

  // A virtual keyboard on the seat before the player starts, held to the end:
  // the player takes its keyboard as it starts. A seat whose keyboard comes
  // with each wtype and goes after it makes each client fetch a new keyboard
  // first, and the keys sent before the client did so (a frame or more at a
  // high load) were lost. Its x, sent to nobody yet, makes it the seat's
  // keyboard, with a keymap: SDL 2.26 crashes on a keyboard's modifiers
  // before any keymap, which a client starting while the seat has no keyboard
  // in use gets.
  void HoldKeyboard() {
    keyboard = fork();
    if (keyboard == 0) {
      std::freopen("/dev/null", "w", stderr);
      execlp("wtype", "wtype", "-k", "x", "-s", "3600000", static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_TRUE(WaitFor([&] {
      return CompactJson(Shell("swaymsg -r -t get_seats 2>/dev/null")).find("\"type\":\"keyboard\"") !=
             std::string::npos;
    })) << "no keyboard on sway's seat";
  }

  // The player's window in sway's tree: x, y, width, height; width 0 while none.
  struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
  };
  Rect SwayWindow() {
    Rect r;
    std::string tree = CompactJson(Shell("swaymsg -r -t get_tree 2>/dev/null"));
    size_t name = tree.find("\"name\":\"nivora dusk\"");
    size_t rect = name == std::string::npos ? name : tree.rfind("\"rect\":", name);
    if (rect != std::string::npos)
      std::sscanf(tree.c_str() + rect, "\"rect\":{\"x\":%d,\"y\":%d,\"width\":%d,\"height\":%d",
                  &r.x, &r.y, &r.width, &r.height);
    return r;
  }

  // The screen, or the rectangle of it, as grim takes it.
  Image Grim(const Rect* part = nullptr) {
    std::string region;
    if (part != nullptr)
      region = " -g '" + std::to_string(part->x) + "," + std::to_string(part->y) + " " +
               std::to_string(part->width) + "x" + std::to_string(part->height) + "'";
    return ReadPpm(Shell("grim -t ppm" + region + " - 2>/dev/null"));
  }

  // The window's inside, wherever it is.
  Image WindowPicture() {
    if (!wayland) return ReadXwd(Shell("xwd -silent -id " + Window() + " 2>/dev/null"));
    Rect r = SwayWindow();
    return r.width > 0 ? Grim(&r) : Image{};
  }

  // The mode the screen shows now, as RandR reports it.
  std::string ScreenMode() {
    std::string mode = Shell("xrandr 2>/dev/null | awk '/\\*/ {print $1; exit}'");
    while (!mode.empty() && mode.back() == '\n') mode.pop_back();
    return mode;
  }

  // A window manager, as on a desktop: fullscreen and focus are its to grant.
  void StartWindowManager() {
    windowManager = fork();
    if (windowManager == 0) {
      std::freopen("/dev/null", "w", stderr);
      execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_TRUE(WaitFor([&] {
      return Shell("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null").find("window id") !=
             std::string::npos;
    })) << "no window manager";
  }

  // A sound server of the test's own, `kind` pulse or pipewire, its null sink's
  // monitor recorded into audio.raw, where the disk driver would write: what
  // is heard there holds the silence of the time no sound was played.
  void StartSoundServer(const std::string& kind) {
    std::string dir = work + "/sound";
    auto session = [&](std::vector<std::string> args, const std::string& out) {
      pid_t pid = fork();
      if (pid == 0) {
        if (!out.empty()) std::freopen(out.c_str(), "w", stdout);
        std::freopen((work + "/sound.log").c_str(), "a", stderr);
        args.insert(args.begin(), {"bash", NIVORA_SOUND_SESSION});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
      }
      return pid;
    };
    soundServer = session({"start", kind, dir}, "");
    std::string server;
    ASSERT_TRUE(WaitFor([&] { return !(server = Slurp(dir + "/server")).empty(); }, 60))
        << "no " << kind << " server: " << Slurp(work + "/sound.log");
    setenv("PULSE_SERVER", server.substr(0, server.find('\n')).c_str(), 1);
    setenv("PIPEWIRE_RUNTIME_DIR", (dir + "/run").c_str(), 1);
    recorder = session({"record", dir}, work + "/audio.raw");
  }

  void StartPlayer(const std::vector<std::string>& args, const std::string& audio = "disk",
                   const std::string& program = NIVORA_PLAY) {
    std::string err = work + "/stderr";
    player = fork();
    if (player == 0) {
      std::freopen(err.c_str(), "w", stderr);
      std::freopen("/dev/null", "w", stdout);
      setenv("SDL_AUDIODRIVER", audio.c_str(), 1);
      setenv("SDL_DISKAUDIOFILE", (work + "/audio.raw").c_str(), 1);
      if (wayland) {
        setenv("SDL_VIDEODRIVER", "wayland", 1);
        unsetenv("DISPLAY");
      } else {
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("SDL_VIDEODRIVER");
      }
      if (chdir(NIVORA_SHOW_DIR) != 0) _exit(126);  // where the show finds its data
      std::vector<char*> argv;
      std::string path = program;
      argv.push_back(path.data());
      std::vector<std::string> copy = args;
      for (std::string& a : copy) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(path.c_str(), argv.data());
      _exit(127);
    }
    ASSERT_GT(player, 0);
  }

  std::string Stderr() { return Slurp(work + "/stderr"); }

  std::string Window() {
    if (wayland) return SwayWindow().width > 0 ? "nivora dusk" : "";
    std::string id = Shell("xdotool search --onlyvisible --name '^nivora dusk$' 2>/dev/null | head -n1");
    while (!id.empty() && id.back() == '\n') id.pop_back();
    return id;
  }

  // Waits for the window; empty when it never came. Audio, the X server on the
  // dummy driver and the mode switch come first: at a load of 18 on two cores a
  // window came after more than 60 s, so the deadline is three minutes.
  std::string WaitForShow() {
    std::string id;
    WaitFor([&] { return !(id = Window()).empty(); }, 180);
    return id;
  }

  // Waits until `condition` holds, trying every 50 ms for at most `seconds`.
  template <typename Condition>
  bool WaitFor(Condition condition, double seconds = 30) {
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(50ms);
    }
    return true;
  }

  // Seconds of sound in the disk driver's stream since it first sounded.
  double SecondsHeard() {
    std::string raw = Slurp(work + "/audio.raw");
    size_t first = raw.find_first_not_of('\0');
    return first == std::string::npos
               ? 0
               : static_cast<double>(raw.size() - first) / (2 * sizeof(float) * 44100);
  }

  // The module is heard: the player's main loop runs (it plays the module just
  // before). The loading takes its time on a loaded machine: generous deadline.
  bool WaitForMusic(double seconds = 90) {
    return WaitFor([&] { return SecondsHeard() > 0; }, seconds);
  }

  // Time that must pass for what the test checks (the show playing on while
  // away, a pause held), not a wait for something to happen.
  void LetTimePass(std::chrono::milliseconds span) { std::this_thread::sleep_for(span); }

  // Two screenshots in a row alike: the picture stands still. Empty when it
  // never did within the deadline.
  template <typename Take>
  Image SteadyPicture(Take take, double seconds = 20) {
    Image last = take(), now;
    bool steady = WaitFor([&] {
      now = take();
      bool same = now.width > 0 && DifferentPixels(now, last) == 0;
      last = now;
      return same;
    }, seconds);
    return steady ? now : Image{};
  }

  // wtype numbers the keys of its keymap from 1, and SDL takes a key without
  // a character numbered 1 for Escape: an x first, which the player ignores.
  void Key(const std::string& keys) {
    if (wayland) {
      Shell("wtype -k x" + WtypeKeys(keys) + " 2>/dev/null");
      return;
    }
    Shell("xdotool windowfocus --sync " + Window() + " key --delay 100 " + keys + " 2>/dev/null");
  }

  // The keys, and a wait until `done`. Under sway they go again while nothing
  // happened, thrice at most, each time said on standard output: a run that
  // lost a key shows it.
  template <typename Condition>
  bool KeyUntil(const std::string& keys, Condition done) {
    for (int attempt = 0; attempt < (wayland ? 3 : 1); attempt++) {
      if (attempt > 0) std::printf("keys sent again: %s\n", keys.c_str());
      Key(keys);
      if (WaitFor(done, wayland ? 10 : 30)) return true;
    }
    return false;
  }

  // Waits until standard error holds `count` lines containing `text`.
  bool WaitForLines(const std::string& text, int count, double seconds = 30) {
    return WaitFor([&] {
      std::string err = Stderr();
      int n = 0;
      for (size_t at = err.find(text); at != std::string::npos; at = err.find(text, at + 1)) n++;
      return n >= count;
    }, seconds);
  }

  Paused LastPaused() {
    Paused p;
    std::string err = Stderr();
    size_t at = err.rfind("paused at order");
    if (at != std::string::npos)
      std::sscanf(err.c_str() + at, "paused at order %d row %d tick %d (%lf ms)", &p.order, &p.row,
                  &p.tick, &p.elapsedMs);
    return p;
  }

  int WaitForExit(double seconds) {
    int status = 0;
    if (!WaitFor([&] { return waitpid(player, &status, WNOHANG) == player; }, seconds)) return -1;
    player = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  std::string Geometry() {
    if (wayland) {
      Rect r = SwayWindow();
      return "Geometry: " + std::to_string(r.width) + "x" + std::to_string(r.height);
    }
    return Shell("xdotool getwindowgeometry " + Window() + " 2>/dev/null | grep Geometry");
  }

  // The window is drawn again: its inside, 800 pixels wide, is a tenth lit.
  void ExpectDrawnInside() {
    Image inside;
    EXPECT_TRUE(WaitFor([&] {
      inside = WindowPicture();
      return inside.width == 800 && LitPixelsOutside(inside, 0, 0, 0, 0) > 800 * 600 / 10;
    })) << "width " << inside.width << ", lit " << LitPixelsOutside(inside, 0, 0, 0, 0);
  }

  // Waits for the error box, checks that the player waits at it, answers it with
  // Return and gives the player's exit status (-1 when it never ended).
  int AnswerTheBox() {
    std::string root = Shell("xdotool search --maxdepth 0 --classname '.*' 2>/dev/null");
    // Every visible top-level window but the root: the box.
    auto boxes = [&] {
      std::istringstream windows(
          Shell("xdotool search --onlyvisible --maxdepth 1 --classname '.*' 2>/dev/null"));
      std::vector<std::string> found;
      std::string id;
      while (windows >> id)
        if (id + "\n" != root) found.push_back(id);
      return found;
    };
    WaitFor([&] { return !boxes().empty(); }, 10);
    EXPECT_FALSE(boxes().empty()) << "no box: " << Stderr();
    EXPECT_EQ(WaitForExit(0.5), -1) << "ended without waiting at the box";
    int status = -1;
    for (int i = 0; i < 30 && status < 0; i++) {
      for (const std::string& box : boxes()) Shell("xdotool key --window " + box + " Return 2>/dev/null");
      status = WaitForExit(0.3);
    }
    EXPECT_GE(status, 0) << "no box, or it did not go away: " << Stderr();
    return status;
  }

  Image Screenshot() {
    Image shot = wayland ? Grim() : ReadXwd(Shell("xwd -root -silent 2>/dev/null"));
    EXPECT_GT(shot.width, 0) << "no screenshot";
    return shot;
  }
};

TEST_F(PlayerE2e, EveryKeyDoesWhatItSays) {
  StartScreen("1280x1024");
  StartPlayer({"--window", "800x600", "--frame-times", work + "/times"});
  ASSERT_FALSE(WaitForShow().empty()) << Stderr();
  EXPECT_NE(Geometry().find("800x600"), std::string::npos) << Geometry();
  ASSERT_TRUE(WaitForMusic()) << Stderr();

  Key("Right");
  ASSERT_TRUE(WaitForLines("at order 1 row 0 tick 0", 1)) << Stderr();
  Key("Right Right Left");
  ASSERT_TRUE(WaitForLines("at order 2 row 0 tick 0", 1)) << Stderr();
  EXPECT_TRUE(WaitForLines("at order 3 row 0 tick 0", 1)) << Stderr();
  Key("Home");
  ASSERT_TRUE(WaitForLines("at order 0 row 0 tick 0", 1)) << Stderr();

  // Paused, the picture stands still; the overlay changes its corner only.
  Key("space");
  ASSERT_TRUE(WaitForLines("paused at", 1)) << Stderr();
  auto shot = [&] { return Screenshot(); };
  Image still = SteadyPicture(shot);
  ASSERT_GT(still.width, 0) << "the paused picture never stood still";
  Key("h");
  // The figures change the picture's corner only (the fps figure may move).
  // The window's picture fills it: 800x600 at (240, 212) on this screen.
  Image figures;
  EXPECT_TRUE(WaitFor([&] { return DifferentPixels(still, figures = Screenshot()) > 100; }));
  EXPECT_EQ(DifferentPixels(Crop(still, 240 + 200, 212 + 40, 600, 560),
                            Crop(figures, 240 + 200, 212 + 40, 600, 560)),
            0);
  Key("h");
  EXPECT_TRUE(WaitFor([&] { return DifferentPixels(still, Screenshot()) == 0; }));
  Key("space");
  ASSERT_TRUE(WaitForLines("resumed at", 1)) << Stderr();

  auto sized = [&](const char* size) {
    return WaitFor([&] { return Geometry().find(size) != std::string::npos; });
  };
  Key("f");
  EXPECT_TRUE(sized("1280x1024")) << Geometry();
  Key("f");
  EXPECT_TRUE(sized("800x600")) << Geometry();
  Key("alt+Return");
  EXPECT_TRUE(sized("1280x1024")) << Geometry();

  Key("Escape");
  EXPECT_EQ(WaitForExit(30), 0) << Stderr();
  // Each report counts the frames shown before it (the first seek may come
  // before any): more with every report, and never more than --frame-times has
  // lines, so the file can be cut at them.
  std::istringstream reports(Shell("grep -o 'after [0-9]* frames' '" + work + "/stderr'"));
  std::string after, frames;
  int shown = 0, last = -1, reported = 0;
  while (reports >> after >> shown >> frames) {
    EXPECT_GT(shown, last) << Stderr();
    last = shown;
    reported++;
  }
  EXPECT_EQ(reported, 7) << Stderr();
  int lines = 0;
  std::ifstream times(work + "/times");
  for (std::string line; std::getline(times, line);) lines++;
  EXPECT_GT(lines, last);
  std::printf("seek times: %s", Shell("grep -o 'sought in [0-9.]* ms' '" + work + "/stderr'").c_str());
}

// Minimised, the show plays on; restored, the window is as it was and drawn.
TEST_F(PlayerE2e, MinimisedItPlaysOnAndComesBackIntact) {
  StartScreen("1280x1024");
  StartPlayer({"--window", "800x600"});
  std::string id = WaitForShow();
  ASSERT_FALSE(id.empty()) << Stderr();
  ASSERT_TRUE(WaitForMusic()) << Stderr();
  Key("space");
  ASSERT_TRUE(WaitForLines("paused at", 1)) << Stderr();
  Paused before = LastPaused();
  Key("space");
  ASSERT_TRUE(WaitForLines("resumed at", 1)) << Stderr();
  Shell("xdotool windowminimize --sync " + id + " 2>/dev/null");
  EXPECT_TRUE(WaitFor([&] { return Window().empty(); })) << "not minimised";
  LetTimePass(2000ms);
  Shell("xdotool windowactivate --sync " + id + " 2>/dev/null");
  ASSERT_TRUE(WaitFor([&] { return !Window().empty(); })) << "not restored";
  Key("space");
  ASSERT_TRUE(WaitForLines("paused at", 2)) << Stderr();
  Paused after = LastPaused();
  EXPECT_GT(after.elapsedMs - before.elapsedMs, 2000) << Stderr();
  EXPECT_NE(Geometry().find("800x600"), std::string::npos) << Geometry();
  ExpectDrawnInside();
  Key("Escape");
  EXPECT_EQ(WaitForExit(30), 0) << Stderr();
}

// Looping: sought to the last order, the show plays it out and starts again at
// order 0 with its clock back at zero; Right from the last order leads there too.
TEST_F(PlayerE2e, LoopingTheLastOrderLeadsBackToTheStartWithTheClockAtZero) {
  StartScreen("1280x1024");
  StartPlayer({"--loop", "--window", "800x600"});
  ASSERT_FALSE(WaitForShow().empty()) << Stderr();
  ASSERT_TRUE(WaitForMusic()) << Stderr();
  std::string right;
  for (int o = 1; o <= 18; o++) right += " Right";
  Key(right);
  ASSERT_TRUE(WaitForLines("at order 18 row 0 tick 0", 1)) << Stderr();
  // The last order lasts 8.7 s: a look every second (a pause and a resume)
  // until the show is back at order 0.
  Paused wrapped;
  int looks = 0;
  auto lookedAtZero = [&] {
    Key("space");
    if (!WaitForLines("paused at", ++looks)) return false;
    wrapped = LastPaused();
    Key("space");
    WaitForLines("resumed at", looks);
    if (wrapped.order != 0) LetTimePass(1000ms);
    return wrapped.order == 0;
  };
  ASSERT_TRUE(WaitFor(lookedAtZero, 60)) << Stderr();
  EXPECT_LT(wrapped.elapsedMs, 8000) << Stderr();
  Key(right);
  ASSERT_TRUE(WaitForLines("at order 18 row 0 tick 0", 2)) << Stderr();
  Key("Right");
  ASSERT_TRUE(WaitForLines("at order 0 row 0 tick 0", 1)) << Stderr();
  Key("Escape");
  EXPECT_EQ(WaitForExit(30), 0) << Stderr();
  std::printf("seek times: %s", Shell("grep -o 'sought in [0-9.]* ms' '" + work + "/stderr' | sort -t' ' -k3 -n | tail -n 3").c_str());
}

// A real mode switch, by the show and by the player's --mode, gives the desktop
// its own mode back on the way out: after Escape (with the fade) and after the
// close request SIGTERM makes.
struct ModeRun {
  const char* name;
  std::vector<std::string> args;  // empty: the show itself
  const char* mode;               // the mode it switches to
  int signal;                     // 0: Escape
};

void PrintTo(const ModeRun& run, std::ostream* out) { *out << run.name; }

class ModeRestore : public PlayerE2e, public testing::WithParamInterface<ModeRun> {};

TEST_P(ModeRestore, TheDesktopModeComesBackOnTheWayOut) {
  const ModeRun& run = GetParam();
  StartModeScreen();
  if (run.args.empty())
    StartPlayer({}, "disk", std::string(NIVORA_SHOW_DIR) + "/nivora-dusk");
  else
    StartPlayer(run.args);
  ASSERT_FALSE(WaitForShow().empty()) << Stderr();
  EXPECT_TRUE(WaitFor([&] { return ScreenMode() == run.mode; })) << ScreenMode();
  // Escape and SIGTERM are taken in the main loop.
  ASSERT_TRUE(WaitForMusic()) << Stderr();
  if (run.signal != 0)
    kill(player, run.signal);
  else
    Key("Escape");
  EXPECT_EQ(WaitForExit(30), 0) << Stderr();
  EXPECT_TRUE(WaitFor([&] { return ScreenMode() == "1280x1024"; })) << ScreenMode();
}

INSTANTIATE_TEST_SUITE_P(
    Programs, ModeRestore,
    testing::Values(ModeRun{"ShowEscape", {}, "640x480", 0},
                    ModeRun{"ShowTerminated", {}, "640x480", SIGTERM},
                    ModeRun{"PlayerEscape", {"--mode", "800x600"}, "800x600", 0},
                    ModeRun{"PlayerTerminated", {"--mode", "1024x768"}, "1024x768", SIGTERM}),
    [](const testing::TestParamInfo<ModeRun>& info) { return std::string(info.param.name); });

// Alt-tab away from the player's own mode gives the desktop its mode and the
// focus; the show plays on, and alt-tab back brings the mode and the picture
// back. F leaves the mode for a window on the desktop's mode, and F returns.
TEST_F(PlayerE2e, FocusAwayFromAModeAndBack) {
  StartModeScreen();
  std::string otherErr = work + "/xmessage.err";
  pid_t other = fork();
  if (other == 0) {
    std::freopen(otherErr.c_str(), "w", stderr);
    execlp("xmessage", "xmessage", "-geometry", "300x100+10+10", "another window",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  auto named = [&](const char* name) {
    return WaitFor([&] {
      return !Shell(std::string("xdotool search --onlyvisible --name '^") + name + "$' 2>/dev/null")
                  .empty();
    });
  };
  ASSERT_TRUE(named("xmessage"))
      << "no other window (xmessage " << (waitpid(other, nullptr, WNOHANG) == 0 ? "running" : "ended")
      << "): " << Slurp(otherErr) << Shell("xwininfo -root -tree 2>&1 | head -n 40");
  StartPlayer({"--mode", "800x600"});
  std::string id = WaitForShow();
  ASSERT_FALSE(id.empty()) << Stderr();
  auto inMode = [&](const char* mode) { return WaitFor([&] { return ScreenMode() == mode; }); };
  ASSERT_TRUE(inMode("800x600")) << ScreenMode();
  ASSERT_TRUE(WaitForMusic()) << Stderr();
  auto active = [&] { return Shell("xdotool getactivewindow getwindowname 2>/dev/null"); };
  auto activeIs = [&](const std::string& name) {
    return WaitFor([&] { return active() == name + "\n"; });
  };
  // The focus moves as openbox moves it on Alt+Tab, asked for with
  // _NET_ACTIVE_WINDOW: an Alt+Tab typed by xdotool races openbox's keyboard
  // grab on a loaded machine (Alt released before openbox grabbed, the focus
  // stayed), and the player sees only the focus change either way.
  std::string otherId = Shell("xdotool search --onlyvisible --name '^xmessage$' | head -n1");
  otherId.erase(otherId.find_last_not_of('\n') + 1);
  auto focus = [&](const std::string& window) {
    Shell("xdotool windowactivate " + window + " 2>/dev/null");
  };
  Key("space");
  ASSERT_TRUE(WaitForLines("paused at", 1)) << Stderr();
  Paused before = LastPaused();
  Key("space");
  focus(otherId);
  EXPECT_TRUE(activeIs("xmessage")) << active();
  EXPECT_TRUE(inMode("1280x1024")) << ScreenMode();
  LetTimePass(2500ms);  // away, the show plays on
  focus(id);
  EXPECT_TRUE(activeIs("nivora dusk")) << active();
  EXPECT_TRUE(inMode("800x600")) << ScreenMode();
  Key("space");
  ASSERT_TRUE(WaitForLines("paused at", 2)) << Stderr();
  EXPECT_GT(LastPaused().elapsedMs - before.elapsedMs, 2500) << Stderr();
  ExpectDrawnInside();

  Key("f");
  EXPECT_TRUE(inMode("1280x1024")) << ScreenMode();
  Key("f");
  EXPECT_TRUE(inMode("800x600")) << ScreenMode();
  Key("Escape");
  EXPECT_EQ(WaitForExit(30), 0) << Stderr();
  EXPECT_TRUE(inMode("1280x1024")) << ScreenMode();
  kill(other, SIGTERM);
  waitpid(other, nullptr, 0);
}

TEST_F(PlayerE2e, BadOptionsGiveALineAndStatusTwoAndNoWindow) {
  StartPlayer({"--mode", "1280x1024"}, "dummy");
  EXPECT_EQ(WaitForExit(30), 2);
  EXPECT_EQ(Stderr(), "nivora-play: --mode takes 640x480, 800x600 or 1024x768, not '1280x1024'\n");
}

// A mode the screen does not have: the show's message on standard error and in
// a box, which waits for the viewer (Return here), then status 1.
TEST_F(PlayerE2e, AModeTheScreenLacksEndsAsTheShowDoes) {
  StartScreen("640x480", false);  // the box alone on the screen, as the show's tests find it
  StartPlayer({"--mode", "800x600"}, "dummy");  // the disk driver says so on standard error
  int status = AnswerTheBox();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Stderr(), "screenmode not found\n");
}

// The window or screen's picture, paused in order 0 (whose one layer depends on
// the song position alone), against nivora-capture's frame of the same
// position, found by choosing a frame rate whose frame lands in that 1/64 row.
// `take` is tried until it shows that frame: a frame in flight when the pause
// came may still be on the screen for a while on a loaded machine.
void ExpectCaptureMatch(PlayerE2e& test, const std::string& work,
                        const std::function<Image()>& take,
                        const Paused& paused, int width, int height) {
  std::string module = Slurp(std::string(NIVORA_SHOW_DIR) + "/soundtrack.mo3");
  MusicPlayer decoder;
  ASSERT_TRUE(OpenMusicPlayer(decoder, module.data(), module.size(), 44100, false));
  RestartMusicPlayer(decoder);
  // The stream frames the module reports at the paused position.
  std::vector<float> block(2 * 1024);
  int64_t from = -1, to = -1;
  for (int step = 0; step < 20000 && to < 0; step++) {
    int64_t first = decoder.framesRendered;
    RenderMusicFrames(decoder, block.data(), 1024);
    for (int64_t f = first; f < decoder.framesRendered && to < 0; f++) {
      MusicPosition at = MusicPositionAt(decoder, f);
      bool same = at.order == paused.order && at.row == paused.row && at.fraction == paused.tick;
      if (same && from < 0) from = f;
      if (!same && from >= 0) to = f;
    }
  }
  CloseMusicPlayer(decoder);
  ASSERT_GE(from, 0);
  int fps = 0;
  int64_t frame = 0;
  // The lowest rate that does: the capture runs every frame before it.
  for (int f = 24; f <= 240 && fps == 0; f++) {
    int64_t k = (from * f + 44099) / 44100;
    if (k * 44100 / f < to) {
      fps = f;
      frame = k;
    }
  }
  ASSERT_GT(fps, 0);
  char command[1024];
  std::snprintf(command, sizeof command,
                "'%s' --data '%s' --size %dx%d --fps %d --from %.9fs --to %.9fs --frames '%s/cap' "
                "2>'%s/capture.err' >/dev/null",
                NIVORA_CAPTURE, NIVORA_SHOW_DIR, width, height, fps,
                static_cast<double>(frame) / fps, static_cast<double>(frame + 1) / fps,
                work.c_str(), work.c_str());
  ASSERT_EQ(std::system(command), 0) << Slurp(work + "/capture.err");
  char name[64];
  std::snprintf(name, sizeof name, "/cap/frame-%06lld.png", static_cast<long long>(frame));
  Image captured = ReadPng(work + name);
  ASSERT_EQ(captured.width, width) << name;
  Image picture;
  int differ = -1;
  test.WaitFor([&] { return (differ = DifferentPixels(picture = take(), captured)) == 0; }, 30);
  std::printf("%dx%d at order %d row %d tick %d: %d of %d pixels differ from the capture\n", width,
              height, paused.order, paused.row, paused.tick, differ, width * height);
  EXPECT_EQ(differ, 0);
  if (differ != 0) {
    // Both pictures kept for a look, as binary PPM.
    const Image* kept[] = {&picture, &captured};
    for (const Image* image : kept) {
      std::string path = std::string(::testing::TempDir()) + "nivora-play-" +
                         std::to_string(width) + (image == &picture ? "-shown.ppm" : "-captured.ppm");
      if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fprintf(f, "P6\n%d %d\n255\n", image->width, image->height);
        std::fwrite(image->rgb.data(), 1, image->rgb.size(), f);
        std::fclose(f);
        std::printf("kept %s\n", path.c_str());
      }
    }
  }
}

// Under sway too, but not in the sanitizer build, where the Wayland client
// libraries leave their start-up allocations to the exit handlers.
#ifdef NIVORA_E2E_WAYLAND
#define NIVORA_UNDER_SWAY(...) , __VA_ARGS__
#else
#define NIVORA_UNDER_SWAY(...)
#endif

// The screen's size (800x600: a window of that size on a 1280x1024 screen), on
// Xvfb or under sway.
struct Layout {
  const char* screen;
  bool wayland;
};

void PrintTo(const Layout& layout, std::ostream* out) {
  *out << layout.screen << (layout.wayland ? " under sway" : " on Xvfb");
}

class PlayerLayout : public PlayerE2e, public testing::WithParamInterface<Layout> {};

TEST_P(PlayerLayout, TheFourToThreePictureSitsBetweenBlackBarsAsTheCaptureHasIt) {
  std::string screen = GetParam().screen;
  bool window = screen == "800x600";
  if (GetParam().wayland)
    StartSway(window ? "1280x1024" : screen);
  else
    StartScreen(window ? "1280x1024" : screen);
  if (window)
    StartPlayer({"--window", "800x600"});
  else
    StartPlayer({});
  ASSERT_FALSE(WaitForShow().empty()) << Stderr();
  ASSERT_TRUE(WaitForMusic()) << Stderr();
  // The whole screen, or the window's inside as xwd takes it.
  auto take = [&] { return window ? WindowPicture() : Screenshot(); };
  // Order 0's rings rise out of black: pause once they light a tenth of the
  // screen, as checked below, and a little more.
  int lit = std::stoi(screen) * std::stoi(screen.substr(screen.find('x') + 1)) / 8;
  EXPECT_TRUE(WaitFor([&] { return LitPixelsOutside(take(), 0, 0, 0, 0) > lit; }));
  ASSERT_TRUE(KeyUntil("space", [&] { return WaitForLines("paused at", 1, 0); })) << Stderr();
  Paused paused = LastPaused();
  ASSERT_EQ(paused.order, 0) << "the show took too long to start: " << Stderr();
  Image shot = SteadyPicture(take);
  int width = std::stoi(screen), height = std::stoi(screen.substr(screen.find('x') + 1));
  const Image& frame = shot;
  ASSERT_EQ(frame.width, width);
  // Bars: 240 left and right at 1920x1080, 32 above and below at 1280x1024.
  int x = 0, y = 0, w = width, h = height;
  if (screen == "1920x1080") x = 240, w = 1440;
  if (screen == "1280x1024") y = 32, h = 960;
  EXPECT_EQ(LitPixelsOutside(frame, x, y, w, h), 0);
  // ... and the picture between them is not.
  EXPECT_GT(LitPixelsOutside(frame, 0, 0, 0, 0), w * h / 10);
  ExpectCaptureMatch(*this, work, take, paused, width, height);
  int status = -1;
  EXPECT_TRUE(KeyUntil("Escape", [&] { return (status = WaitForExit(0)) >= 0; }));
  EXPECT_EQ(status, 0) << Stderr();
}

// With --gl es the show draws through the ES 3 backend: paused in order 0, the
// window holds the fixed-function capture's frame of that instant.
TEST_F(PlayerE2e, OnTheEs3BackendItShowsTheCapturesFrame) {
  StartScreen("800x600");
  StartPlayer({"--gl", "es", "--window", "640x480"});
  ASSERT_FALSE(WaitForShow().empty()) << Stderr();
  ASSERT_TRUE(WaitForMusic()) << Stderr();
  auto take = [&] { return ReadXwd(Shell("xwd -silent -id " + Window() + " 2>/dev/null")); };
  EXPECT_TRUE(WaitFor([&] { return LitPixelsOutside(take(), 0, 0, 0, 0) > 640 * 480 / 8; }));
  Key("space");
  ASSERT_TRUE(WaitForLines("paused at", 1)) << Stderr();
  Paused paused = LastPaused();
  ASSERT_EQ(paused.order, 0) << "the show took too long to start: " << Stderr();
  ExpectCaptureMatch(*this, work, take, paused, 640, 480);
  Key("Escape");
  EXPECT_EQ(WaitForExit(30), 0) << Stderr();
}

// A display whose GL offers no ES 3 (Mesa told to stop at ES 2): the player's
// one line on standard error and the box, then status 1; no window drawn black.
TEST_F(PlayerE2e, WithoutEs3TheEsBackendEndsWithALineAndTheBox) {
  StartScreen("640x480", false);
  setenv("MESA_GLES_VERSION_OVERRIDE", "2.0", 1);
  StartPlayer({"--gl", "es", "--window", "320x240"}, "dummy");
  unsetenv("MESA_GLES_VERSION_OVERRIDE");
  int status = AnswerTheBox();
  EXPECT_EQ(status, 1);
  std::string err = Stderr();
  EXPECT_EQ(err.rfind("Can't Create A GL Rendering Context.: ", 0), 0u) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Screens, PlayerLayout,
    testing::Values(Layout{"1920x1080", false}, Layout{"1280x1024", false},
                    Layout{"800x600", false} NIVORA_UNDER_SWAY(Layout{"1920x1080", true},
                    Layout{"1280x1024", true}, Layout{"800x600", true})),
    [](const testing::TestParamInfo<Layout>& info) {
      std::string name = std::string(info.param.wayland ? "Sway" : "Xvfb") + info.param.screen;
      return name.replace(name.find('x'), 1, "by");
    });

// Paused for five and a half seconds: the sound stops and goes on from the
// module's next sample, none lost or repeated. SDL's disk driver writes the
// stream at its own pace, which holds about that much silence; a sound server
// plays on in real time, and its recording holds the whole pause in silence.
struct SoundPath {
  const char* name;
  const char* server;  // sound_session.sh's, none for the disk driver
  const char* driver;  // SDL's
};

void PrintTo(const SoundPath& path, std::ostream* out) { *out << path.name; }

class PlayerPause : public PlayerE2e, public testing::WithParamInterface<SoundPath> {};

TEST_P(PlayerPause, PauseHoldsTheSoundAndResumesFromTheNextSample) {
  const SoundPath& path = GetParam();
  StartScreen("640x480");
  if (path.server) {
    ASSERT_NO_FATAL_FAILURE(StartSoundServer(path.server));
  }
  StartPlayer({"--window", "640x480"}, path.driver);
  ASSERT_FALSE(WaitForShow().empty()) << Stderr();
  ASSERT_TRUE(WaitFor([&] { return SecondsHeard() > 3; }, 90)) << Stderr();
  Key("space");
  ASSERT_TRUE(WaitForLines("paused at", 1)) << Stderr();
  LetTimePass(5500ms);  // the pause under test
  double heardBefore = SecondsHeard();
  Key("space");
  ASSERT_TRUE(WaitForLines("resumed at", 1)) << Stderr();
  // Two seconds of sound after the gap (the stream counts the gap's silence).
  ASSERT_TRUE(WaitFor([&] { return SecondsHeard() > heardBefore + 3; }, 60)) << Stderr();
  Key("Escape");
  ASSERT_EQ(WaitForExit(30), 0) << Stderr();

  std::string raw = Slurp(work + "/audio.raw");
  std::vector<float> heard(raw.size() / sizeof(float));
  std::memcpy(heard.data(), raw.data(), heard.size() * sizeof(float));
  std::string module = Slurp(std::string(NIVORA_SHOW_DIR) + "/soundtrack.mo3");
  MusicPlayer decoder;
  ASSERT_TRUE(OpenMusicPlayer(decoder, module.data(), module.size(), 44100, false));
  RestartMusicPlayer(decoder);
  std::vector<float> own(2 * 44100 * 20);
  RenderMusicFrames(decoder, own.data(), static_cast<int>(own.size() / 2));
  CloseMusicPlayer(decoder);

  auto firstSound = [](const std::vector<float>& v, size_t from) {
    while (from < v.size() && v[from] == 0.0f) from++;
    return from;
  };
  // The pause: the longest silence after the first sound. A server on a loaded
  // machine drops a block now and then, a far shorter one.
  size_t h = firstSound(heard, 0), gapStart = h, resumeAt = h;
  for (size_t at = h; at < heard.size();) {
    size_t quiet = at;
    while (quiet < heard.size() && heard[quiet] != 0.0f) quiet++;
    size_t loud = firstSound(heard, quiet);
    if (loud < heard.size() && loud - quiet > resumeAt - gapStart) {
      gapStart = quiet;
      resumeAt = loud;
    }
    at = loud;
  }
  ASSERT_LT(h, heard.size());
  double gapSeconds = static_cast<double>(resumeAt - gapStart) / (2 * 44100);
  std::printf("paused 5.5 s through %s: %.3f s of silence in the stream\n", path.name, gapSeconds);
  ASSERT_LT(resumeAt + 2 * 44100, heard.size()) << "under a second after the pause";
  if (path.server) {
    // Heard in real time, the whole pause is silent, and the module sounds on.
    EXPECT_GT(gapSeconds, 5.0);
    size_t sounding = 0;
    for (size_t i = 0; i < 2 * 44100; i++) sounding += heard[resumeAt + i] != 0.0f;
    EXPECT_GT(sounding, 44100u) << "the second after the pause is mostly silent";
    return;
  }
  // The disk driver writes at its own pace, which a loaded machine slows (4.4 s
  // of stream for the 5.5 s at a load of 24): most of the pause, not all of it.
  EXPECT_GT(gapSeconds, 2.5);
  // Before the pause, the module's samples one for one; after it, the next
  // sounding sample of the module, and a second on from there.
  size_t o = firstSound(own, 0);
  ASSERT_LT(o + gapStart - h, own.size());
  for (size_t i = 0; h + i < gapStart; i++)
    ASSERT_EQ(heard[h + i], own[o + i]) << "sample " << i << " before the pause";
  size_t next = firstSound(own, o + gapStart - h);
  for (size_t i = 0; i < 2 * 44100; i++)
    ASSERT_EQ(heard[resumeAt + i], own[next + i]) << "sample " << i << " after the pause";
}

#ifdef NIVORA_E2E_SOUND_SERVERS
#define NIVORA_THROUGH_SERVERS(...) , __VA_ARGS__
#else
#define NIVORA_THROUGH_SERVERS(...)
#endif
INSTANTIATE_TEST_SUITE_P(
    Through, PlayerPause,
    testing::Values(SoundPath{"Disk", nullptr, "disk"} NIVORA_THROUGH_SERVERS(
                        SoundPath{"PipeWire", "pipewire", "pulseaudio"},
                        SoundPath{"PipeWireNative", "pipewire", "pipewire"})),
    [](const testing::TestParamInfo<SoundPath>& info) { return std::string(info.param.name); });

}  // namespace
