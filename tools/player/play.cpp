#include "player/play.h"

#include <GL/gl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "esgl/esgl.h"
#include "glrec/glrec.h"
#include "music/audio.h"
#include "music/clock.h"
#include "music/player.h"
#include "options/options.h"
#include "player/options.h"
#include "player/overlay.h"
#include "player/playback.h"
#include "player/seek_table.h"
#include "records/letterbox.h"
#include "render/show_random.h"
#include "shell/run.h"
#include "shell/window.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// The seek table: the module decoded once on a thread of its own while the show
// plays, turned into the table on the main thread at the first seek.
struct SeekSupport {
  std::vector<char> module;
  ShowRun run;
  bool recorded = false;
  std::thread recorder;
  SeekTable table;
};

void StartRecording(SeekSupport& s) {
  if (s.module.empty()) return;
  s.recorder = std::thread([&s] { s.recorded = RecordShowRun(s.module.data(), s.module.size(), s.run); });
}

const SeekTable& ReadySeekTable(SeekSupport& s) {
  if (s.recorder.joinable()) s.recorder.join();
  if (!s.table.built && s.recorded) BuildSeekTable(s.run, s.table);
  return s.table;
}

// Frame times: the overlay's running figures, and every frame's for --frame-times.
struct FrameTimes {
  static constexpr int kWindow = 30;
  double recent[kWindow] = {};
  int count = 0;
  double lastMs = 0;
  std::vector<float> all;  // reserved once; frames past its capacity are not kept
  bool keepAll = false;
};

void NoteFrame(FrameTimes& t, double ms) {
  t.recent[t.count % FrameTimes::kWindow] = ms;
  t.count++;
  t.lastMs = ms;
  if (t.keepAll && t.all.size() < t.all.capacity()) t.all.push_back(static_cast<float>(ms));
}

double FramesPerSecond(const FrameTimes& t) {
  int n = t.count < FrameTimes::kWindow ? t.count : FrameTimes::kWindow;
  double sum = 0;
  for (int i = 0; i < n; i++) sum += t.recent[i];
  return sum > 0 ? 1000.0 * n / sum : 0;
}

void WriteFrameTimes(const FrameTimes& t, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) {
    std::fprintf(stderr, "nivora-play: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return;
  }
  for (float ms : t.all) std::fprintf(f, "%.3f\n", ms);
  if (std::fclose(f) != 0)
    std::fprintf(stderr, "nivora-play: cannot write %s\n", path.c_str());
}

// Pacing where the swap does not wait for the display: llvmpipe under a virtual
// X server, a minimised window. Frames then follow the refresh rate by the clock.
struct Pacer {
  bool vsync = true;
  bool driverPaces = true;  // until frames come faster than the display could show them
  Clock::time_point due{};
  int fastFrames = 0;
};

void PaceFrame(Pacer& p, double frameMs) {
  if (!p.vsync) return;
  DisplayStatus display = ReadDisplayStatus();
  double periodMs = 1000.0 / display.refreshHz;
  // Thirty frames in a row well under the refresh period: the swap is not waiting.
  if (p.driverPaces) {
    p.fastFrames = frameMs < 0.7 * periodMs ? p.fastFrames + 1 : 0;
    if (p.fastFrames >= 30 || !display.swapWaits) p.driverPaces = false;
  }
  if (p.driverPaces && display.visible) return;
  auto period = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double, std::milli>(periodMs));
  auto now = Clock::now();
  p.due += period;
  // Fallen more than a frame behind (a slow frame, a seek): start counting anew.
  if (p.due + period < now) p.due = now;
  if (p.due > now) std::this_thread::sleep_until(p.due);
}

// The frames shown so far tell which lines of --frame-times came before this
// point, so a bench can cut the file into orders.
void ReportPosition(const char* what, int framesShown) {
  std::fprintf(stderr, "nivora-play: %s at order %d row %d tick %d (%.1f ms) after %d frames\n",
               what, demoClock.order, demoClock.row, demoClock.rowTick,
               static_cast<double>(demoClock.elapsedMs.load()), framesShown);
}

// Everything the player's hooks share: main thread only.
struct PlayerRun {
  PlayerOptions options;
  SeekSupport seek;
  FrameTimes times;
  Pacer pacer;
  Playback playback;
  bool quit = false;        // Escape or a close request: the loop ends before drawing
  bool overlay = false;     // H: the figures over the picture
  uint32_t frameRandom = 0; // the random generator's state as this frame began
  Clock::time_point lastFrame{};
  PictureRect picture;      // where the 4:3 picture sits in the drawable
  std::string glFailure;
};

PlayerRun run;

void ApplyAction(PlayerAction action) {
  Playback& playback = run.playback;
  switch (action) {
    case ActionQuit: run.quit = true; break;
    case ActionPause:
      if (playback.paused) {
        ResumePlayback(playback);
        ReportPosition("resumed", run.times.count);
      } else {
        PausePlayback(playback, run.frameRandom);
        ReportPosition("paused", run.times.count);
      }
      break;
    case ActionBack:
    case ActionForward:
    case ActionStart: {
      auto started = Clock::now();
      const SeekTable& table = ReadySeekTable(run.seek);
      int target = SeekTarget(action, demoClock.order, table, runSettings.looping != 0);
      if (target >= 0 && SeekPlayback(playback, table, target)) {
        char what[64];
        std::snprintf(what, sizeof what, "sought in %.1f ms", MsSince(started));
        ReportPosition(what, run.times.count);
      }
      break;
    }
    case ActionFullscreen: ToggleDemoFullscreen(); break;
    case ActionOverlay: run.overlay = !run.overlay; break;
    case ActionNone: break;
  }
}

// GL through the recording stand-in, forwarded to the context (a seek runs the
// show's frames with the calls only counted), and the overlay's own entry points.
// With --gl es the stand-in forwards to the ES 3 backend instead, and the
// overlay, drawn with fixed-function calls of its own, stays off.
const char* RouteGlThroughStandIn() {
  bool es = run.options.gl == GlBackendEs;
  if (!ForwardGlrecTo(es, ReadGlProc, run.glFailure)) return run.glFailure.c_str();
  if (!es) LoadOverlayGl(ReadGlProc);
  return nullptr;
}

// As the capture lays a frame out, the place kept for the figures.
void LayOutPicture(int drawableWidth, int drawableHeight) {
  run.picture = LayOutBetweenBars(drawableWidth, drawableHeight);
}

void DrawFigures() {
  OverlayFigures f;
  f.order = demoClock.order;
  f.row = demoClock.row;
  f.tick = demoClock.rowTick;
  f.fps = FramesPerSecond(run.times);
  f.frameMs = run.times.lastMs;
  f.paused = run.playback.paused;
  char text[96];
  FormatOverlay(f, text, sizeof text);
  const PictureRect& picture = run.picture;
  DisplayStatus display = ReadDisplayStatus();
  // Two font pixels per 480 picture lines, at least one.
  int scale = picture.height / 240 > 1 ? picture.height / 240 : 1;
  DrawOverlay(text, display.drawableWidth, display.drawableHeight, picture.x + 2 * scale,
              display.drawableHeight - picture.y - picture.height + 2 * scale, scale);
}

// The loop's hooks: pause holds the clock and the grain, keys act between the
// pump and the frame, the figures go over the picture, frames are paced.
bool HoldsClock() { return run.playback.paused; }
void NoteFrameRandom() { run.frameRandom = GetShowRandomState(); }
bool EndsLoop() { return run.quit; }
void HoldGrain() {
  if (run.playback.paused) SetShowRandomState(run.playback.pausedRandom);
}
void DrawFiguresIfShown() {
  if (run.overlay) DrawFigures();
}
void PaceAndNoteFrame() {
  PaceFrame(run.pacer, MsSince(run.lastFrame));
  auto now = Clock::now();
  NoteFrame(run.times, std::chrono::duration<double, std::milli>(now - run.lastFrame).count());
  run.lastFrame = now;
}
void OnKey(int virtualKey, bool alt) { ApplyAction(ActionForKey(virtualKey, alt)); }
void OnCloseRequest() { run.quit = true; }
// The seek table's decode runs on a thread of its own while the show plays.
void OnShowLoaded() {
  StartRecording(run.seek);
  run.pacer.due = run.lastFrame = Clock::now();
}

FrontEnd PlayerFrontEnd(const PlayerOptions& options) {
  FrontEnd front;
  DisplayRequest& d = front.display;
  d.kind = options.display;
  d.width = options.width;
  d.height = options.height;
  d.swap = options.vsync ? SwapVsync : SwapNoWait;
  d.context = options.gl == GlBackendEs ? GlContextEs3 : GlContextCompatibility;
  d.ownsTheScreen = false;
  d.explainFailures = true;
  d.contextReady = RouteGlThroughStandIn;
  d.layOut = LayOutPicture;
  d.keyPressed = OnKey;
  d.closeRequested = OnCloseRequest;
  front.loop.holdsClock = HoldsClock;
  front.loop.frameBegins = NoteFrameRandom;
  front.loop.endsLoop = EndsLoop;
  front.loop.beforeDraw = HoldGrain;
  front.loop.frameDrawn = DrawFiguresIfShown;
  front.loop.frameSwapped = PaceAndNoteFrame;
  front.showLoaded = OnShowLoaded;
  return front;
}

}  // namespace

int RunPlayer(int argc, const char* const* argv) {
  PlayerOptions& options = run.options;
  std::string error;
  if (!ParsePlayerOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "nivora-play: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(PlayerUsage(), stdout);
    return 0;
  }
  // A "mode" the display cannot switch to would only be the picture stretched.
  if (options.display == DisplayModeSwitch && !DisplaySwitchesModes()) {
    std::fprintf(stderr,
                 "nivora-play: --mode needs a display that switches modes, which Wayland "
                 "does not: leave it out for fullscreen at the display's own size\n");
    return 2;
  }
  // As the capture finds it: the program's own folder in a build, the installed
  // data beside bin/ otherwise.
  auto exists = [](const std::string& path) { return access(path.c_str(), F_OK) == 0; };
  std::string dataDir = options.dataDir.empty()
                            ? DefaultDataDir(ProgramDir(), kInstalledDataFromBin, exists)
                            : options.dataDir;
  if (chdir(dataDir.c_str()) != 0) {
    std::fprintf(stderr, "nivora-play: cannot enter %s: %s\n", dataDir.c_str(),
                 std::strerror(errno));
    return 1;
  }
  runSettings.looping = options.loop ? 1 : 0;
  runSettings.presentedClock = options.clockAtSwap ? 1 : 0;
  ReadModuleFile(showModuleFile, run.seek.module);
  run.pacer.vsync = options.vsync;
  if (!options.frameTimesFile.empty()) {
    run.times.keepAll = true;
    run.times.all.reserve(1 << 20);  // over four hours at 60 fps
  }

  // The show's own run sequence, with the player's display and hooks.
  int status = RunShow(PlayerFrontEnd(options));
  if (run.seek.recorder.joinable()) run.seek.recorder.join();
  if (run.times.keepAll) WriteFrameTimes(run.times, options.frameTimesFile);
  return status;
}
