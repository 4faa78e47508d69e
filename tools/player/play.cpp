#include "player/play.h"

#include <SDL.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "assets/objects.h"
#include "assets/textures.h"
#include "render/show_random.h"
#include "music/audio.h"
#include "music/clock.h"
#include "music/player.h"
#include "options/options.h"
#include "player/display.h"
#include "player/options.h"
#include "player/overlay.h"
#include "player/playback.h"
#include "player/seek_table.h"
#include "shell/run.h"
#include "shell/window.h"
#include "timeline/timeline.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// As the show fails: the display given back first (a box behind a fullscreen
// window helps nobody), then one line and the box, then status 1.
[[noreturn]] void FailToStart(const std::string& message) {
  ClosePlayerDisplay();
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
  ShowPlayerErrorBox(message.c_str());
  FreeAudio();
  std::exit(1);
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
  double periodMs = 1000.0 / PlayerRefreshHz();
  // Thirty frames in a row well under the refresh period: the swap is not waiting.
  if (p.driverPaces) {
    p.fastFrames = frameMs < 0.7 * periodMs ? p.fastFrames + 1 : 0;
    if (p.fastFrames >= 30 || !PlayerSwapIsPaced()) p.driverPaces = false;
  }
  if (p.driverPaces && PlayerVisible()) return;
  auto period = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double, std::milli>(periodMs));
  auto now = Clock::now();
  p.due += period;
  // Fallen more than a frame behind (a slow frame, a seek): start counting anew.
  if (p.due + period < now) p.due = now;
  if (p.due > now) std::this_thread::sleep_until(p.due);
}

void ReportPosition(const char* what) {
  std::fprintf(stderr, "nivora-play: %s at order %d row %d tick %d (%.1f ms)\n", what,
               demoClock.order, demoClock.row, demoClock.rowTick,
               static_cast<double>(demoClock.elapsedMs.load()));
}

struct LoopState {
  bool quit = false;
  bool overlay = false;
};

void ApplyAction(PlayerAction action, LoopState& loop, Playback& playback, SeekSupport& seek,
                 uint32_t frameRandom) {
  switch (action) {
    case ActionQuit: loop.quit = true; break;
    case ActionPause:
      if (playback.paused) {
        ResumePlayback(playback);
        ReportPosition("resumed");
      } else {
        PausePlayback(playback, frameRandom);
        ReportPosition("paused");
      }
      break;
    case ActionBack:
    case ActionForward:
    case ActionStart: {
      auto started = Clock::now();
      const SeekTable& table = ReadySeekTable(seek);
      int target = SeekTarget(action, demoClock.order, table, runSettings.looping != 0);
      if (target >= 0 && SeekPlayback(playback, table, target)) {
        char what[64];
        std::snprintf(what, sizeof what, "sought in %.1f ms", MsSince(started));
        ReportPosition(what);
      }
      break;
    }
    case ActionFullscreen: TogglePlayerFullscreen(); break;
    case ActionOverlay: loop.overlay = !loop.overlay; break;
    case ActionNone: break;
  }
}

void PumpPlayerEvents(LoopState& loop, Playback& playback, SeekSupport& seek, uint32_t frameRandom) {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_QUIT) {
      loop.quit = true;
    } else if (event.type == SDL_WINDOWEVENT) {
      if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) LayOutPlayerPicture();
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) loop.quit = true;
    } else if (event.type == SDL_KEYDOWN && !event.key.repeat) {
      ApplyAction(ActionForKey(event.key.keysym.sym, event.key.keysym.mod), loop, playback, seek,
                  frameRandom);
    }
  }
}

void DrawFigures(const FrameTimes& times, const Playback& playback) {
  OverlayFigures f;
  f.order = demoClock.order;
  f.row = demoClock.row;
  f.tick = demoClock.rowTick;
  f.fps = FramesPerSecond(times);
  f.frameMs = times.lastMs;
  f.paused = playback.paused;
  char text[96];
  FormatOverlay(f, text, sizeof text);
  PictureRect picture = PlayerPicture();
  int height = PlayerDrawableHeight();
  // Two font pixels per 480 picture lines, at least one.
  int scale = picture.height / 240 > 1 ? picture.height / 240 : 1;
  DrawOverlay(text, PlayerDrawableWidth(), height, picture.x + 2 * scale,
              height - picture.y - picture.height + 2 * scale, scale);
}

// Returns whether the show was left paused.
bool RunPlayerLoop(const PlayerOptions& options, SeekSupport& seek, FrameTimes& times) {
  LoopState loop;
  Playback playback;
  Pacer pacer;
  pacer.vsync = options.vsync;
  pacer.due = Clock::now();
  auto last = Clock::now();
  while (!loop.quit && quitRequested.load() == 0) {
    if (!playback.paused) UpdateDemoClock();
    uint32_t frameRandom = GetShowRandomState();
    PumpPlayerEvents(loop, playback, seek, frameRandom);
    if (loop.quit) break;
    if (playback.paused) SetShowRandomState(playback.pausedRandom);
    DrawFrame();
    if (loop.overlay) DrawFigures(times, playback);
    SwapPlayerBuffers();
    double frameMs = MsSince(last);
    PaceFrame(pacer, frameMs);
    auto now = Clock::now();
    NoteFrame(times, std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
  }
  return playback.paused;
}

}  // namespace

int RunPlayer(int argc, const char* const* argv) {
  PlayerOptions options;
  std::string error;
  if (!ParsePlayerOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "nivora-play: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(PlayerUsage(), stdout);
    return 0;
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
  SeekSupport seek;
  ReadModuleFile(showModuleFile, seek.module);
  FrameTimes times;
  if (!options.frameTimesFile.empty()) {
    times.keepAll = true;
    times.all.reserve(1 << 20);  // over four hours at 60 fps
  }

  SetTickSource(ReadPlatformTicks);
  if (!AudioVersionOk()) FailToStart(audioVersionMessage);
  if (!InitAudioDevice(44100)) FailToStart("Can't initialize device");
  if (!OpenPlayerDisplay(options, error)) FailToStart(error);
  LoadOverlayGl(PlayerGlProc);

  // The show's own start-up (a failure raises the show's fatal texts), then the
  // seek table's decode on a thread of its own while the show plays.
  LoadShow(ShowStartLive);
  StartRecording(seek);

  PlayMusic(musicHandle, 0, -1, 1);
  demoClock.startTickMs.store(static_cast<float>(ReadTickMs()));
  bool paused = RunPlayerLoop(options, seek, times);

  ReleaseAssets();
  // As the show ends: the music fades out and is heard out. Paused, it is
  // already silent.
  if (!paused) {
    for (int volume = 100; volume >= 0; volume -= 5) {
      SetAudioVolume(volume);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FinishAudioFade();
  }
  FreeAudio();
  ClosePlayerDisplay();
  if (seek.recorder.joinable()) seek.recorder.join();
  if (times.keepAll) WriteFrameTimes(times, options.frameTimesFile);
  return 0;
}
