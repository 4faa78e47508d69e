// Flashes against their beats on the real show, through a real sound server.
// The show runs its own run sequence with its own data and soundtrack; this
// front end only watches: each frame's begin and swap times and the mean
// brightness of a sparse grid of its pixels (read back before the swap) go to a
// log reserved before the show starts. The null sink's monitor is recorded. At
// the end the soundtrack is rendered once more offline by the same module
// player, which gives every sync row's exact stream frame; the recording is
// aligned to that render window by window, which gives when each row was heard
// and every gap in the sound. Each sync row the picture answers with a clear
// jump in brightness is a flash; its onset frame's swap against the row's heard
// instant is "picture after sound".
//
//   show_av [--server pulse|pipewire] [--load] [--seconds N] [--syncs]
//           (in the show's directory, on an X display)
//
// --server: the sound server started here with a null sink (realtime), PulseAudio
// or PipeWire through its pulse server (SDL's pulseaudio driver either way).
// --load runs stress-ng --cpu 2 beside the show. --syncs lists every sync.
#include <GL/gl.h>
#include <SDL.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "music/clock.h"
#include "music/player.h"
#include "shell/run.h"
#include "sound_server.h"

extern char** environ;

namespace {

constexpr int kRate = 44100;
constexpr int kMaxFrames = 1 << 16;  // 10 minutes at 100 frames a second
constexpr int kGridColumns = 40, kGridRows = 30;

struct FrameLog {
  double begun = 0;    // after the clock's refresh
  double swapped = 0;  // after the swap returned
  float leadMs = 0;    // how long after its begin the clock took it to be seen
  float level = 0;     // mean brightness of the grid, 0-255
  int shortBlocks = 0; // blocks the decoded stream had fallen short of by the swap
  int order = 0;       // the order the frame drew
  bool tookSync = false;  // a layer of the frame took a sync
};

FrameLog frameLog[kMaxFrames];
int frameCount = 0;
double loadedAt = 0, runSeconds = 0;
unsigned char gridRow[4 * 2048];

void NoteShowLoaded() { loadedAt = BenchNow(); }

void NoteFrameBegins() {
  if (frameCount >= kMaxFrames) return;
  frameLog[frameCount].begun = BenchNow();
  // Within a tick: the clock's time against the tick count it was read at.
  frameLog[frameCount].leadMs = demoClock.elapsedMs.load() -
                                (static_cast<float>(ReadTickMs()) - demoClock.startTickMs.load());
  frameLog[frameCount].order = demoClock.order;
  frameLog[frameCount].tookSync = syncEvent.pending.load() != 0;
}

bool EndsRun() {
  return runSeconds > 0 && frameCount > 0 && BenchNow() - frameLog[0].begun > runSeconds;
}

// The back buffer, before the swap: a row of pixels read for each grid row.
void ReadGridLevel() {
  if (frameCount >= kMaxFrames) return;
  GLint view[4];
  glGetIntegerv(GL_VIEWPORT, view);
  int width = std::min<int>(view[2], 2048);
  double sum = 0;
  for (int r = 0; r < kGridRows; r++) {
    int y = view[1] + (2 * r + 1) * view[3] / (2 * kGridRows);
    glReadPixels(view[0], y, width, 1, GL_RGBA, GL_UNSIGNED_BYTE, gridRow);
    for (int c = 0; c < kGridColumns; c++) {
      const unsigned char* p = gridRow + 4 * ((2 * c + 1) * width / (2 * kGridColumns));
      sum += p[0] + p[1] + p[2];
    }
  }
  frameLog[frameCount].level = static_cast<float>(sum / (3.0 * kGridRows * kGridColumns));
  frameLog[frameCount].tookSync = frameLog[frameCount].tookSync && syncEvent.pending.load() == 0;
}

void NoteFrameSwapped() {
  if (frameCount >= kMaxFrames) return;
  frameLog[frameCount].swapped = BenchNow();
  frameLog[frameCount].shortBlocks = ReadAudioShortBlocks();
  frameCount++;
}

pid_t Spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : 0;
}

void Stop(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

double LoadAverage() {
  double load = -1;
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf", &load) != 1) load = -1;
    std::fclose(f);
  }
  return load;
}

// The reference: the module rendered as the live device renders it, and the
// stream frame of every sync.
struct Reference {
  std::vector<float> samples;
  std::vector<int64_t> syncs;
  std::vector<MusicPosition> syncRows;  // the order and row of each
};

void IgnoreSync(uint32_t, uint32_t, uint32_t, uint32_t) {}

bool RenderReference(int64_t frames, Reference& ref) {
  std::vector<char> bytes;
  MusicPlayer player;
  if (!ReadModuleFile(showModuleFile, bytes) ||
      !OpenMusicPlayer(player, bytes.data(), bytes.size(), kRate, false))
    return false;
  player.syncCallback = IgnoreSync;
  player.endCallback = IgnoreSync;
  player.fireWhenRendered = false;
  RestartMusicPlayer(player);
  constexpr int kBlock = 1024;
  ref.samples.resize(2 * static_cast<size_t>(frames + kBlock));
  for (int64_t at = 0; at < frames; at += kBlock) {
    RenderMusicFrames(player, ref.samples.data() + 2 * at, kBlock);
    for (int i = 0; i < player.eventCount; i++) {
      const MusicEvent& e = player.events[(player.eventHead + i) % musicEventQueue];
      if (e.type != MusicSyncEffect) continue;
      ref.syncs.push_back(e.frame);
      ref.syncRows.push_back(MusicPositionAt(player, e.frame));
    }
    FireHeardMusicEvents(player, player.framesRendered);
  }
  CloseMusicPlayer(player);
  return true;
}

// The reference's probe at n is loud enough to be found: its sum of sizes, 0
// when it is too quiet (or out of range).
constexpr int kProbe = 512;
double ProbeLevel(const Reference& ref, int64_t n) {
  if (n < 0 || 2 * (n + kProbe) > static_cast<int64_t>(ref.samples.size())) return 0;
  double level = 0;
  for (int i = 0; i < 2 * kProbe; i++) level += std::fabs(ref.samples[2 * n + i]);
  return level < 2 * kProbe * 2e-3 ? 0 : level;
}

// Whether the recording at frame n + lag holds the reference's probe at n, to
// within the recording's 16-bit path.
bool Matches(const Reference& ref, const Recording& rec, int64_t n, double level, int64_t lag) {
  if (n + lag < 0 || 2 * (n + lag + kProbe) > static_cast<int64_t>(rec.samples.size())) return false;
  const float* a = ref.samples.data() + 2 * n;
  const float* b = rec.samples.data() + 2 * (n + lag);
  double limit = 0.02 * level, error = 0;
  for (int i = 0; i < 2 * kProbe && error <= limit; i++) error += std::fabs(a[i] - b[i]);
  return error <= limit;
}

// The lag nearest `from` (within `range` frames either way) at which the probe
// at n matches; `from` itself when none does or the probe is too quiet.
int64_t FindLag(const Reference& ref, const Recording& rec, int64_t n, int64_t from, int64_t range,
                bool* found) {
  double level = ProbeLevel(ref, n);
  *found = level > 0;
  for (int64_t d = 0; *found && d <= range; d++) {
    if (Matches(ref, rec, n, level, from + d)) return from + d;
    if (d > 0 && Matches(ref, rec, n, level, from - d)) return from - d;
  }
  *found = false;
  return from;
}

struct Lags {
  std::vector<int64_t> at, lag;  // matched windows: reference frame, recording minus reference
};

// The recording's lag over the whole run, a window every 50 ms. The first
// window searches the whole recording.
Lags AlignRecording(const Reference& ref, const Recording& rec, int64_t frames) {
  Lags lags;
  const int64_t window = kRate / 20;
  int64_t lag = 0;
  bool aligned = false;
  for (int64_t n = 0; n + kProbe < frames; n += window) {
    bool found = false;
    if (!aligned) {
      // The earliest place in the recording: a later one would be a repeat.
      double level = ProbeLevel(ref, n);
      int64_t end = static_cast<int64_t>(rec.samples.size() / 2) - n - kProbe;
      for (int64_t l = -n; level > 0 && l <= end && !found; l++)
        if (Matches(ref, rec, n, level, l)) lag = l, found = true;
    } else {
      lag = FindLag(ref, rec, n, lag, 2 * kRate, &found);
    }
    if (!found) continue;
    aligned = true;
    lags.at.push_back(n);
    lags.lag.push_back(lag);
  }
  return lags;
}

// When reference frame n was heard: the recording's arrival of its frame,
// through the lag of the nearest window before it, checked at n itself.
double HeardAt(const Reference& ref, const Recording& rec, const Lags& lags, int64_t n) {
  auto it = std::upper_bound(lags.at.begin(), lags.at.end(), n);
  if (it == lags.at.begin()) return NAN;
  int64_t lag = lags.lag[it - lags.at.begin() - 1];
  bool found = false;
  int64_t exact = FindLag(ref, rec, n, lag, kRate / 2, &found);
  return EarliestReceivedAt(rec, n + (found ? exact : lag));
}

struct Summary {
  double median = NAN, p95 = NAN, max = NAN, min = NAN;
};

Summary Summarise(std::vector<double> v) {
  Summary s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.median = v[v.size() / 2];
  s.p95 = v[std::min(v.size() - 1, static_cast<size_t>(std::ceil(0.95 * v.size())) - 1)];
  s.min = v.front();
  s.max = v.back();
  return s;
}

// The first frame swapped at or after t.
int FrameSwappedAfter(double t) {
  int i = 0;
  while (i < frameCount && frameLog[i].swapped < t) i++;
  return i;
}

// A flash answers the sync of `order` heard at `heard`: among the frames of
// that order swapped from 100 ms before to 300 ms after that took a sync, the
// largest rise in brightness, clear when it is at least kClearRise and three
// times any change in the 400 ms before. Scenes without a pulse leave a sync
// pending until a later scene takes it: a rise in a frame that took none is the
// scene's own motion, and one in a later order is that scene's start, a row or
// more after the beat. Returns the onset frame, -1 when no clear flash answers.
constexpr double kClearRise = 4.0;
int FlashOnset(double heard, int order) {
  int first = std::max(1, FrameSwappedAfter(heard - 0.1));
  int last = FrameSwappedAfter(heard + 0.3);
  int best = -1;
  double rise = 0;
  for (int i = first; i < last && frameLog[i].order <= order; i++) {
    double d = frameLog[i].level - frameLog[i - 1].level;
    if (frameLog[i].tookSync && d > rise) rise = d, best = i;
  }
  if (best < 0 || rise < kClearRise) return -1;
  double before = 0;
  for (int i = std::max(1, FrameSwappedAfter(heard - 0.5)); i < first; i++)
    before = std::max(before, std::fabs(static_cast<double>(frameLog[i].level - frameLog[i - 1].level)));
  return rise >= 3 * before ? best : -1;
}

// The first 12 s of playback: how long loading took, the frames' draw times,
// and each frame over 50 ms (the times the gaps above may line up with).
void PrintStartUp(double startedAt, double playStart) {
  std::vector<double> draw;
  int shortBlocks = 0;
  std::printf("start-up: frames over 50 ms in the first 12 s:");
  for (int i = 0; i < frameCount && frameLog[i].begun - playStart < 12; i++) {
    double ms = 1000 * (frameLog[i].swapped - frameLog[i].begun);
    draw.push_back(ms);
    shortBlocks = frameLog[i].shortBlocks;
    if (ms > 50) std::printf(" %.2f s %.0f ms;", frameLog[i].begun - playStart, ms);
  }
  Summary d = Summarise(draw);
  std::printf("\nstart-up: loading %.2f s (fades included), %zu frames in the first 12 s: draw median %.1f / "
              "max %.1f ms, first frame %.1f ms; %d short blocks by 12 s\n",
              loadedAt - startedAt, draw.size(), d.median, d.max, draw.empty() ? 0.0 : draw[0],
              shortBlocks);
}

}  // namespace

int main(int argc, char** argv) {
  bool load = false, listSyncs = false;
  std::string server = "pulse";
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "--load") == 0) {
      load = true;
    } else if (std::strcmp(argv[i], "--syncs") == 0) {
      listSyncs = true;
    } else if (std::strcmp(argv[i], "--server") == 0 && i + 1 < argc &&
               (std::strcmp(argv[i + 1], "pulse") == 0 || std::strcmp(argv[i + 1], "pipewire") == 0)) {
      server = argv[++i];
    } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      runSeconds = std::atof(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: show_av [--server pulse|pipewire] [--load] [--seconds N] [--syncs]\n");
      return 2;
    }
  }
  SDL_Init(0);  // the performance counter
  std::string serverDir = "/tmp/show_av_server_" + std::to_string(getpid());
  std::string through = server == "pulse" ? "PulseAudio" : "PipeWire (pipewire-pulse)";
  // The bench's server runs realtime, as its sink thread does on a desktop: its
  // main thread, which takes in the clients' blocks, starved on these shared
  // cores and underran whatever the show did.
  pid_t session = StartSoundServer(server, serverDir, 4);
  if (!session) {
    std::fprintf(stderr, "show_av: no %s server could be started\n", server.c_str());
    return 1;
  }
  setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
  Recording recording;
  recording.samples.reserve(2 * static_cast<size_t>(kRate) * 240);
  if (!StartRecording(recording, server, serverDir)) {
    std::fprintf(stderr, "show_av: parecord could not be started\n");
    StopSoundServer(session, serverDir);
    return 1;
  }
  // The recorder must not drop what the sink sends it: a lost stretch would
  // read as audio lost by the show.
  setpriority(PRIO_PROCESS, static_cast<id_t>(recording.pid), -15);
  pid_t stress = load ? Spawn({"stress-ng", "--cpu", "2", "--quiet"}) : 0;
  double loadBefore = LoadAverage(), startedAt = BenchNow();

  FrontEnd front;
  front.showLoaded = NoteShowLoaded;
  front.loop.frameBegins = NoteFrameBegins;
  front.loop.endsLoop = EndsRun;
  front.loop.frameDrawn = ReadGridLevel;
  front.loop.frameSwapped = NoteFrameSwapped;
  int status = RunShow(front);
  double loadAfter = LoadAverage();
  Stop(stress);
  SDL_Delay(300);  // the last of the sound reaches the recording
  StopRecording(recording);
  StopSoundServer(session, serverDir);
  if (status != 0 || frameCount < 2) {
    std::fprintf(stderr, "show_av: the show ended with %d after %d frames\n", status, frameCount);
    return 1;
  }

  // PlayMusic came right before the first frame: stream frame 0 then.
  double playStart = frameLog[0].begun;
  double played = frameLog[frameCount - 1].swapped - playStart;
  Reference ref;
  if (!RenderReference(static_cast<int64_t>((played + 1) * kRate), ref)) {
    std::fprintf(stderr, "show_av: %s could not be rendered\n", showModuleFile);
    return 1;
  }
  int64_t heardFrames = static_cast<int64_t>(played * kRate);
  Lags lags = AlignRecording(ref, recording, heardFrames);
  if (lags.at.empty()) {
    std::fprintf(stderr, "show_av: the recording holds none of the soundtrack\n");
    return 1;
  }

  std::vector<double> after, draw, unforeseen;
  int syncsHeard = 0;
  for (size_t k = 0; k < ref.syncs.size(); k++) {
    if (ref.syncs[k] >= heardFrames - kRate / 2) break;
    double heard = HeardAt(ref, recording, lags, ref.syncs[k]);
    if (std::isnan(heard)) continue;
    syncsHeard++;
    int onset = FlashOnset(heard, ref.syncRows[k].order);
    if (listSyncs)
      std::printf("sync %zu, order %d row %d, at %.3f s: %s %+.1f ms\n", k, ref.syncRows[k].order,
                  ref.syncRows[k].row, static_cast<double>(ref.syncs[k]) / kRate,
                  onset < 0 ? "no clear flash" : "flash", onset < 0 ? 0.0 : 1000 * (frameLog[onset].swapped - heard));
    if (onset < 0) continue;
    after.push_back(1000 * (frameLog[onset].swapped - heard));
    draw.push_back(1000 * (frameLog[onset].swapped - frameLog[onset].begun));
    unforeseen.push_back(1000 * (frameLog[onset].swapped - frameLog[onset].begun) - frameLog[onset].leadMs);
  }

  // Gaps: steps of the lag between windows, over 1 ms.
  int gaps = 0;
  double lost = 0, lostEarly = 0;
  for (size_t i = 1; i < lags.lag.size(); i++) {
    int64_t step = lags.lag[i] - lags.lag[i - 1];
    if (step == 0) continue;
    double ms = 1000.0 * static_cast<double>(std::llabs(step)) / kRate;
    lost += ms;
    if (lags.at[i] < 12 * kRate) lostEarly += ms;
    if (ms > 1) gaps++;
    std::printf("gap at %.2f s: %+.1f ms\n", static_cast<double>(lags.at[i]) / kRate,
                1000.0 * static_cast<double>(step) / kRate);
  }

  Summary a = Summarise(after), d = Summarise(draw), u = Summarise(unforeseen);
  std::printf("show_av through %s, %s, %.0f s played at %.1f fps, load average %.2f before, %.2f after\n",
              through.c_str(), load ? "stress-ng --cpu 2 beside it" : "no load added", played,
              frameCount / played, loadBefore, loadAfter);
  std::printf("| flashes | picture after sound (ms): median / p95 / max / min | draw of the onset frame: "
              "median / p95 | gaps > 1 ms | audio lost |\n");
  std::printf("| %zu of %d syncs | %.1f / %.1f / %.1f / %.1f | %.1f / %.1f | %d | %.1f ms (%.1f ms in the "
              "first 12 s); %d short blocks |\n",
              after.size(), syncsHeard, a.median, a.p95, a.max, a.min, d.median, d.p95, gaps, lost,
              lostEarly, frameLog[frameCount - 1].shortBlocks);
  std::printf("onset frames seen after the instant they were drawn for (draw minus lead, ms): median %.1f / "
              "p95 %.1f / min %.1f\n", u.median, u.p95, u.min);
  PrintStartUp(startedAt, playStart);
  return 0;
}
