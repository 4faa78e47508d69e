#include "capture/capture.h"

#include <GL/gl.h>
#include <limits.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assets/objects.h"
#include "assets/textures.h"
#include "capture/frame_sink.h"
#include "music/offline_clock.h"
#include "capture/options.h"
#include "capture/plan.h"
#include "capture/progress.h"
#include "esgl/esgl.h"
#include "glrec/glrec.h"
#include "music/clock.h"
#include "music/player.h"
#include "shell/offscreen_gl.h"
#include "shell/run.h"
#include "shell/window.h"
#include "timeline/frame_state.h"
#include "timeline/timeline.h"

#ifndef GL_RASTERIZER_DISCARD
#define GL_RASTERIZER_DISCARD 0x8C89
#endif

namespace {

std::atomic<int> interrupted{0};

void OnInterrupt(int) { interrupted.store(1); }

int Fail(const std::string& message, int status = 1) {
  std::fprintf(stderr, "nivora-capture: %s\n", message.c_str());
  return status;
}

double Since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

std::string Absolute(const std::string& path, const std::string& base) {
  return !path.empty() && path[0] == '/' ? path : base + "/" + path;
}

// Everything one capture holds, phase to phase.
struct CaptureRun {
  CaptureOptions options;
  bool video = true;
  std::string dataDir, out, ffmpeg;
  std::vector<char> module;  // soundtrack.mo3, read once for the plan and the clock
  // The range's audio: beside the frames (under a temporary name until the
  // capture succeeds), or a temporary file ffmpeg reads.
  std::string wavPath, wavFinal;
  CapturePlan plan;
  PictureRect picture;
  FrameSink sink;
  OfflineClock clock;
  std::chrono::steady_clock::time_point started, renderStart;
  double draw = 0, readBack = 0;  // seconds spent on the captured frames
  int64_t total = 0;              // frames captured
};

// Everything a failed capture removes: its audio, and the video's part file.
void Discard(const CaptureRun& run) {
  std::remove(run.wavPath.c_str());
  if (run.video) DiscardVideoFile(run.out);
}

// Paths, ffmpeg, the module and the destination, all checked before any work.
bool PrepareCapture(CaptureRun& run, std::string& error) {
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) {
    error = "cannot tell the current folder";
    return false;
  }
  const CaptureOptions& options = run.options;
  run.video = options.framesDir.empty();
  auto exists = [](const std::string& path) { return access(path.c_str(), F_OK) == 0; };
  run.dataDir = options.dataDir.empty()
                    ? DefaultDataDir(ProgramDir(), kInstalledDataFromBin, exists)
                    : Absolute(options.dataDir, cwd);
  run.out = Absolute(run.video ? options.out : options.framesDir, cwd);
  if (run.video) {
    run.ffmpeg = FindFfmpeg();
    if (run.ffmpeg.empty()) {
      error = "ffmpeg not found: install Debian's ffmpeg package (apt-get install ffmpeg), "
              "or write PNG frames with --frames DIR";
      return false;
    }
  }
  std::string modulePath = run.dataDir + "/" + showModuleFile;
  if (!ReadModuleFile(modulePath.c_str(), run.module)) {
    error = "cannot read the soundtrack " + modulePath + ": " + std::strerror(errno);
    return false;
  }
  // An unwritable destination fails here, before any work.
  return run.video ? PrepareVideoFile(run.out, error) : PrepareFrameFolder(run.out, error);
}

bool MakeAudioFile(CaptureRun& run, std::string& error) {
  if (!run.video) {
    run.wavFinal = run.out + "/audio.wav";
    run.wavPath = run.wavFinal + ".part";
    return true;
  }
  const char* tmp = std::getenv("TMPDIR");
  run.wavPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/nivora-capture-XXXXXX.wav";
  int fd = mkstemps(run.wavPath.data(), 4);
  if (fd < 0) {
    error = std::string("cannot make a temporary file: ") + std::strerror(errno);
    run.wavPath.clear();
    return false;
  }
  close(fd);
  return true;
}

// Offscreen GL with the calls forwarded to it, then the show's own start-up
// in the data folder. The picture sits between the bars; the show's clears
// cover the bars black.
bool StartOffscreenShow(CaptureRun& run, std::string& error) {
  run.picture = FitPicture(run.options.width, run.options.height);
  bool es = run.options.gl == GlBackendEs;
  if (!OpenOffscreenGl(run.options.width, run.options.height, error,
                       es ? GlContextEs3 : GlContextCompatibility)) {
    error = "no offscreen GL: " + error;
    return false;
  }
  if (!ForwardGlrecTo(es, ReadGlProc, error)) return false;
  if (chdir(run.dataDir.c_str()) != 0) {
    error = "cannot enter " + run.dataDir + ": " + std::strerror(errno);
    return false;
  }
  SetGlWindowSize(showPictureWidth, showPictureHeight);
  InitGlState(run.picture.width, run.picture.height);
  glViewport(run.picture.x, run.picture.y, run.picture.width, run.picture.height);
  // The loading picture's BeginFrame puts the overlay projection on top of the
  // 45-degree one, as the show's first frame finds it.
  LoadShow(ShowStartOffline);
  ResetDemoClock();
  return true;
}

bool OpenOutputs(CaptureRun& run, std::string& error) {
  const CaptureOptions& o = run.options;
  bool opened = run.video ? OpenVideoSink(run.sink, run.ffmpeg, run.out, o.width, o.height, o.fps,
                                          run.wavPath, error)
                          : OpenFrameSink(run.sink, run.out, o.width, o.height, error);
  if (opened) OpenOfflineClock(run.clock, run.module.data(), run.module.size(), o.fps);
  return opened;
}

// The last frame before `end` that clears the depth buffer (0 when none does),
// found by running the frames on a second clock with GL calls only counted;
// the frame state is put back afterwards, so the frames leave nothing behind.
int64_t LastDepthClearBefore(const CaptureRun& run, int64_t end) {
  OfflineClock scan;
  if (!OpenOfflineClock(scan, run.module.data(), run.module.size(), run.options.fps)) return 0;
  FrameState kept;
  SaveFrameState(kept);
  GlrecSetMode(GlrecCount);
  int64_t last = 0;
  while (scan.frame + 1 < end && !interrupted.load()) {
    StepOfflineClock(scan);
    ApplyOfflineClock(scan);
    std::size_t before = GlrecDepthClears();
    DrawFrame();
    if (GlrecDepthClears() != before) last = scan.frame;
  }
  GlrecSetMode(GlrecForward);
  RestoreFrameState(kept);
  CloseOfflineClock(scan);
  return last;
}

// Frames before the range run through the clock, the syncs and DrawFrame, so
// every state the show keeps (the frame state and GL state) is as a whole
// capture has it. Their GL calls go to GL with rasterization off: Mesa's
// immediate-mode vertex buffer carries from frame to frame and where it wraps
// shifts edge pixels, so the calls must all be made. The depth buffer carries
// too: the frames since the last one that cleared it are drawn for real, unread.
void SkipToRange(CaptureRun& run) {
  const int64_t first = run.plan.firstFrame;
  if (first <= 0) return;
  std::fprintf(stderr, "nivora-capture: running the show up to frame %lld\n",
               static_cast<long long>(first));
  int64_t drawnFrom = LastDepthClearBefore(run, first);
  glEnable(GL_RASTERIZER_DISCARD);
  while (run.clock.frame + 1 < first && !interrupted.load()) {
    StepOfflineClock(run.clock);
    if (run.clock.frame == drawnFrom) glDisable(GL_RASTERIZER_DISCARD);
    ApplyOfflineClock(run.clock);
    DrawFrame();
    glFinish();  // as after a captured frame; GL also frees the frame's buffers
  }
  glDisable(GL_RASTERIZER_DISCARD);
}

// Draws, reads back and queues every frame of the range; false when the sink failed.
bool CaptureRange(CaptureRun& run) {
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  CaptureProgress progress;
  run.total = run.plan.endFrame - run.plan.firstFrame;
  StartProgress(progress, run.total);
  run.renderStart = std::chrono::steady_clock::now();
  bool ok = true;
  while (run.clock.frame + 1 < run.plan.endFrame && !interrupted.load()) {
    StepOfflineClock(run.clock);
    ApplyOfflineClock(run.clock);
    auto t0 = std::chrono::steady_clock::now();
    DrawFrame();
    glFinish();
    run.draw += Since(t0);
    unsigned char* pixels = NextFrameBuffer(run.sink);
    if (!pixels) {
      ok = false;
      break;
    }
    auto t1 = std::chrono::steady_clock::now();
    glReadPixels(0, 0, run.options.width, run.options.height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    run.readBack += Since(t1);
    QueueFrame(run.sink, run.clock.frame);
    ReportProgress(progress, run.clock.frame + 1 - run.plan.firstFrame);
  }
  EndProgress(progress);
  return ok;
}

// Closes the sink and puts the audio in place; the exit status.
int FinishCapture(CaptureRun& run, bool drawn) {
  if (interrupted.load()) {
    AbandonSink(run.sink);
    Discard(run);
    return Fail(run.video ? "interrupted; the video was not written"
                          : "interrupted; the frames written so far stay in " + run.out,
                130);
  }
  if (!drawn || !FinishSink(run.sink)) {
    AbandonSink(run.sink);
    Discard(run);
    return Fail(run.sink.error);
  }
  if (run.video) {
    std::remove(run.wavPath.c_str());
  } else if (std::rename(run.wavPath.c_str(), run.wavFinal.c_str()) != 0) {
    std::string why = std::strerror(errno);
    Discard(run);
    return Fail("cannot write " + run.wavFinal + ": " + why);
  }
  return 0;
}

void ReportStatistics(const CaptureRun& run) {
  double wall = Since(run.started);
  double shown = static_cast<double>(run.total) / run.options.fps;
  double frames = static_cast<double>(run.total);
  struct rusage self {}, children {};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  double encoderCpu = static_cast<double>(children.ru_utime.tv_sec + children.ru_stime.tv_sec) +
                      static_cast<double>(children.ru_utime.tv_usec + children.ru_stime.tv_usec) *
                          1e-6;
  std::fprintf(stderr, "nivora-capture: wrote %s: %lld frames (%s) in %s, %.2fx the show's time\n",
               run.out.c_str(), static_cast<long long>(run.total), ShowTimeText(shown).c_str(),
               ShowTimeText(wall).c_str(), wall / shown);
  std::fprintf(stderr,
               "nivora-capture: per frame: draw %.1f ms, read-back %.1f ms, waiting for the "
               "writer %.1f ms, writing %.1f ms; setup %.1f s; peak memory %ld MB",
               1000 * run.draw / frames, 1000 * run.readBack / frames,
               1000 * run.sink.waitSeconds / frames, 1000 * run.sink.writeSeconds / frames,
               std::chrono::duration<double>(run.renderStart - run.started).count(),
               self.ru_maxrss / 1024);
  if (run.video)
    std::fprintf(stderr, ", ffmpeg %.1f s CPU and %ld MB", encoderCpu, children.ru_maxrss / 1024);
  std::fputc('\n', stderr);
}

}  // namespace

int RunCapture(int argc, const char* const* argv) {
  CaptureRun run;
  std::string error;
  if (!ParseCaptureOptions(argc, argv, run.options, error)) return Fail(error, 2);
  if (run.options.help) {
    std::fputs(CaptureUsage(), stdout);
    return 0;
  }
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  if (!PrepareCapture(run, error)) return Fail(error);
  if (!MakeAudioFile(run, error)) {
    Discard(run);
    return Fail(error);
  }
  run.started = std::chrono::steady_clock::now();
  PlanResult planned = PlanCapture(run.module, run.options, run.wavPath, run.plan, error);
  if (planned != PlanOk) {
    Discard(run);
    return Fail(error, planned == PlanBadRange ? 2 : 1);
  }
  if (!StartOffscreenShow(run, error) || !OpenOutputs(run, error)) {
    Discard(run);
    return Fail(error);
  }
  SkipToRange(run);
  bool drawn = CaptureRange(run);
  CloseOfflineClock(run.clock);
  // The GL context stays until the process ends: unloading the driver would
  // leave its own allocations unreachable, which leak checkers report.
  ReleaseAssets();
  int status = FinishCapture(run, drawn);
  if (status == 0) ReportStatistics(run);
  return status;
}
