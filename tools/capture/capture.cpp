#include "capture/capture.h"

#include <GL/gl.h>
#include <limits.h>
#include <sys/resource.h>
#include <sys/wait.h>
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
#include "capture/offline_clock.h"
#include "capture/options.h"
#include "capture/plan.h"
#include "capture/progress.h"
#include "glrec/glrec.h"
#include "music/clock.h"
#include "offscreen_gl/offscreen_gl.h"
#include "shell/run.h"
#include "shell/window.h"
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

std::string ProgramDir() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  path[n] = '\0';
  std::string text = path;
  size_t slash = text.rfind('/');
  return slash == std::string::npos ? "." : text.substr(0, slash);
}

bool ReadFile(const std::string& path, std::vector<char>& bytes, std::string& error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot read the soundtrack " + path + ": " + std::strerror(errno);
    return false;
  }
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  if (!ok) error = "cannot read the soundtrack " + path;
  return ok;
}

// The live show's start-up, without its timed fades: the GL state and viewport,
// the loading picture (whose BeginFrame puts the overlay projection on top of
// the 45-degree one, as the show's first frame finds it), the objects and the
// pictures.
void StartShow(const PictureRect& picture) {
  glWindow.width = 640;
  glWindow.height = 480;
  InitGlState(picture.width, picture.height);
  // The picture sits between the bars; the show's clears cover the bars black.
  glViewport(picture.x, picture.y, picture.width, picture.height);
  ShowLoadingPicture();
  LoadObjects();
  LoadAllTextures();
  DeleteLoadingPicture();
  ResetDemoClock();
}

// The last frame before `end` that clears the depth buffer (0 when none does),
// found by running the frames with GL calls counted in a child process, so that
// every state the frames change stays untouched here.
int64_t LastDepthClearBefore(const OfflineClock& clock, int64_t end) {
  int fds[2];
  if (pipe(fds) != 0) return 0;
  std::fflush(nullptr);
  pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return 0;
  }
  if (child == 0) {
    close(fds[0]);
    OfflineClock& c = const_cast<OfflineClock&>(clock);
    GlrecSetMode(GlrecCount);
    int64_t last = 0;
    while (c.frame + 1 < end) {
      StepOfflineClock(c);
      ApplyOfflineClock(c);
      std::size_t before = GlrecDepthClears();
      DrawFrame();
      if (GlrecDepthClears() != before) last = c.frame;
    }
    bool sent = write(fds[1], &last, sizeof last) == static_cast<ssize_t>(sizeof last);
    _exit(sent ? 0 : 1);
  }
  close(fds[1]);
  int64_t last = 0;
  ssize_t got = 0;
  while ((got = read(fds[0], &last, sizeof last)) < 0 && errno == EINTR) {
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // Without an answer every frame is drawn: slower, never wrong.
  return got == static_cast<ssize_t>(sizeof last) && WIFEXITED(status) && WEXITSTATUS(status) == 0
             ? last
             : 0;
}

double ChildCpuSeconds() {
  struct rusage usage {};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct Timings {
  double draw = 0, readBack = 0;
};

}  // namespace

int RunCapture(int argc, const char* const* argv) {
  CaptureOptions options;
  std::string error;
  if (!ParseCaptureOptions(argc, argv, options, error)) return Fail(error, 2);
  if (options.help) {
    std::fputs(CaptureUsage(), stdout);
    return 0;
  }
  bool video = options.framesDir.empty();
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return Fail("cannot tell the current folder");
  auto exists = [](const std::string& path) { return access(path.c_str(), F_OK) == 0; };
  std::string dataDir = options.dataDir.empty()
                            ? DefaultDataDir(ProgramDir(), kInstalledDataFromBin, exists)
                            : Absolute(options.dataDir, cwd);
  std::string out = Absolute(video ? options.out : options.framesDir, cwd);

  std::string ffmpeg;
  if (video) {
    ffmpeg = FindFfmpeg();
    if (ffmpeg.empty())
      return Fail("ffmpeg not found: install Debian's ffmpeg package (apt-get install ffmpeg), "
                  "or write PNG frames with --frames DIR");
  }
  std::vector<char> module;
  if (!ReadFile(dataDir + "/soundtrack.mo3", module, error)) return Fail(error);
  // An unwritable destination fails here, before any work.
  if (!(video ? PrepareVideoFile(out, error) : PrepareFrameFolder(out, error))) return Fail(error);

  // The range's audio: beside the frames (under a temporary name until the
  // capture succeeds), or a temporary file ffmpeg reads.
  std::string wavPath, wavFinal;
  if (video) {
    const char* tmp = std::getenv("TMPDIR");
    wavPath = std::string(tmp && *tmp ? tmp : "/tmp") + "/nivora-capture-XXXXXX.wav";
    int fd = mkstemps(wavPath.data(), 4);
    if (fd < 0) {
      DiscardVideoFile(out);
      return Fail(std::string("cannot make a temporary file: ") + std::strerror(errno));
    }
    close(fd);
  } else {
    wavFinal = out + "/audio.wav";
    wavPath = wavFinal + ".part";
  }
  // Everything a failed capture removes: its audio, and the video's part file.
  auto discard = [&] {
    std::remove(wavPath.c_str());
    if (video) DiscardVideoFile(out);
  };

  auto started = std::chrono::steady_clock::now();
  CapturePlan plan;
  PlanResult planned = PlanCapture(module, options, wavPath, plan, error);
  if (planned != PlanOk) {
    discard();
    return Fail(error, planned == PlanBadRange ? 2 : 1);
  }

  PictureRect picture = FitPicture(options.width, options.height);
  if (!OpenOffscreenGl(options.width, options.height, error)) {
    discard();
    return Fail("no offscreen GL: " + error);
  }
  std::string missing;
  if (!GlrecLoadForwarding(OffscreenGlProc, missing)) {
    discard();
    return Fail("the GL has no " + missing);
  }
  GlrecSetMode(GlrecForward);
  if (chdir(dataDir.c_str()) != 0) {
    discard();
    return Fail("cannot enter " + dataDir + ": " + std::strerror(errno));
  }
  StartShow(picture);

  FrameSink sink;
  bool opened = video ? OpenVideoSink(sink, ffmpeg, out, options.width, options.height,
                                      options.fps, wavPath, error)
                      : OpenFrameSink(sink, out, options.width, options.height, error);
  if (!opened) {
    discard();
    return Fail(error);
  }
  OfflineClock clock;
  OpenOfflineClock(clock, module.data(), module.size(), options.fps);
  // Frames before the range run through the clock, the syncs and DrawFrame, so
  // every state the show keeps (random numbers, sync and kick times, transformed
  // objects, GL state) is as a whole capture has it. Their GL calls go to GL with
  // rasterization off: Mesa's immediate-mode vertex buffer carries from frame to
  // frame and where it wraps shifts edge pixels, so the calls must all be made.
  // The depth buffer carries too: the frames since the last one that cleared it
  // are drawn for real, unread.
  double scanCpu = 0;  // the depth scan's child process, not the encoder
  if (plan.firstFrame > 0) {
    std::fprintf(stderr, "nivora-capture: running the show up to frame %lld\n",
                 static_cast<long long>(plan.firstFrame));
    int64_t drawnFrom = LastDepthClearBefore(clock, plan.firstFrame);
    scanCpu = ChildCpuSeconds();
    glEnable(GL_RASTERIZER_DISCARD);
    while (clock.frame + 1 < plan.firstFrame && !interrupted.load()) {
      StepOfflineClock(clock);
      if (clock.frame == drawnFrom) glDisable(GL_RASTERIZER_DISCARD);
      ApplyOfflineClock(clock);
      DrawFrame();
      glFinish();  // as after a captured frame; GL also frees the frame's buffers
    }
    glDisable(GL_RASTERIZER_DISCARD);
  }

  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  Timings time;
  CaptureProgress progress;
  int64_t total = plan.endFrame - plan.firstFrame;
  StartProgress(progress, total);
  auto renderStart = std::chrono::steady_clock::now();
  bool ok = true;
  while (clock.frame + 1 < plan.endFrame && !interrupted.load()) {
    StepOfflineClock(clock);
    ApplyOfflineClock(clock);
    auto t0 = std::chrono::steady_clock::now();
    DrawFrame();
    glFinish();
    time.draw += Since(t0);
    unsigned char* pixels = NextFrameBuffer(sink);
    if (!pixels) {
      ok = false;
      break;
    }
    auto t1 = std::chrono::steady_clock::now();
    glReadPixels(0, 0, options.width, options.height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    time.readBack += Since(t1);
    QueueFrame(sink, clock.frame);
    ReportProgress(progress, clock.frame + 1 - plan.firstFrame);
  }
  EndProgress(progress);
  CloseOfflineClock(clock);
  // The GL context stays until the process ends: unloading the driver would
  // leave its own allocations unreachable, which leak checkers report.
  ReleaseAssets();

  if (interrupted.load()) {
    AbandonSink(sink);
    discard();
    return Fail(video ? "interrupted; the video was not written"
                      : "interrupted; the frames written so far stay in " + out,
                130);
  }
  if (!ok || !FinishSink(sink)) {
    AbandonSink(sink);
    discard();
    return Fail(sink.error);
  }
  if (video) {
    std::remove(wavPath.c_str());
  } else if (std::rename(wavPath.c_str(), wavFinal.c_str()) != 0) {
    std::string why = std::strerror(errno);
    discard();
    return Fail("cannot write " + wavFinal + ": " + why);
  }

  double wall = Since(started);
  double shown = static_cast<double>(total) / options.fps;
  double frames = static_cast<double>(total);
  struct rusage self {}, children {};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  double encoderCpu = ChildCpuSeconds() - scanCpu;
  std::fprintf(stderr, "nivora-capture: wrote %s: %lld frames (%s) in %s, %.2fx the show's time\n",
               out.c_str(), static_cast<long long>(total), ShowTimeText(shown).c_str(),
               ShowTimeText(wall).c_str(), wall / shown);
  std::fprintf(stderr,
               "nivora-capture: per frame: draw %.1f ms, read-back %.1f ms, waiting for the "
               "writer %.1f ms, writing %.1f ms; setup %.1f s; peak memory %ld MB",
               1000 * time.draw / frames, 1000 * time.readBack / frames,
               1000 * sink.waitSeconds / frames, 1000 * sink.writeSeconds / frames,
               std::chrono::duration<double>(renderStart - started).count(),
               self.ru_maxrss / 1024);
  if (video)
    std::fprintf(stderr, ", ffmpeg %.1f s CPU and %ld MB", encoderCpu, children.ru_maxrss / 1024);
  std::fputc('\n', stderr);
  return 0;
}
