// The live path through SDL's headless drivers: dummy (no output) and disk
// (writes the mixed stream to a file).
#include <SDL.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>
#include <libopenmpt/libopenmpt_version.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "music/audio.h"
#include "music/clock.h"
#include "test_modules.h"

namespace {

std::atomic<int> syncsSeen{0};
std::atomic<int> endsSeen{0};
void CountSync(uint32_t, uint32_t, uint32_t, uint32_t) { syncsSeen++; }
void CountEnd(uint32_t, uint32_t, uint32_t, uint32_t) { endsSeen++; }

// The device runs in real time on a shared machine: wait for what must happen
// instead of guessing how long it takes (at most five seconds).
template <typename Condition>
bool WaitUntil(Condition condition) {
  for (int waited = 0; waited < 5000; waited += 10) {
    if (condition()) return true;
    SDL_Delay(10);
  }
  return condition();
}

// Module rows of 3 ticks at 125 BPM (60 ms), a sync on every fourth row.
std::string WriteTestModule(int orders) {
  XmModule m = ToneModule(orders, 16, 4, 3, 125);
  for (int p = 0; p < orders; p++)
    for (int r = 0; r < 16; r += 4) SetEffect(m, p, r, 3, XmEffectExtended, XmSyncParam(1));
  std::string path = testing::TempDir() + "/device_test_" + std::to_string(getpid()) + "_" + std::to_string(orders) + ".xm";
  EXPECT_TRUE(WriteXmFile(path, m));
  return path;
}

class AudioDeviceTest : public testing::Test {
 protected:
  void SetUp() override {
    syncsSeen = endsSeen = 0;
    SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
  void TearDown() override {
    FreeAudio();
    SDL_setenv("SDL_AUDIODRIVER", "", 1);
  }
};

TEST_F(AudioDeviceTest, VersionCheckMatchesTheHeadersTheBuildUsed) {
  EXPECT_TRUE(AudioVersionOk());
  std::string want = "libopenmpt version " + std::to_string(OPENMPT_API_VERSION_MAJOR) + "." +
                     std::to_string(OPENMPT_API_VERSION_MINOR) + " was not loaded";
  EXPECT_EQ(audioVersionMessage, want);
}

TEST_F(AudioDeviceTest, PositionAdvancesSyncsFireAndFreeIsFinal) {
  ASSERT_TRUE(InitAudioDevice(44100));
  std::string path = WriteTestModule(2);
  uint32_t handle = LoadMusic(path.c_str(), MusicLoadDefault);
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(musicHandle, handle);
  SetMusicSync(handle, MusicSyncEffect, 1, CountSync, 0);
  SetMusicSync(handle, MusicSyncEnd, 1, CountEnd, 0);
  SetMusicPositionScaler(handle, 64);
  StartAudioOutput();
  SDL_Delay(100);
  EXPECT_EQ(GetMusicPosition(handle), 0);  // output runs, the module waits
  EXPECT_EQ(syncsSeen.load(), 0);

  PlayMusic(handle, 0, -1, 1);
  uint32_t playedAt = SDL_GetTicks();
  int32_t previous = 0;
  bool rising = true;
  for (int i = 0; i < 25; i++) {
    SDL_Delay(20);
    int32_t pos = GetMusicPosition(handle);
    int song = (pos & 0xFFFF) * 4096 + (pos >> 16);
    int before = (previous & 0xFFFF) * 4096 + (previous >> 16);
    if (song < before) rising = false;
    previous = pos;
  }
  EXPECT_TRUE(rising);
  // Rows of 60 ms: the heard row trails the time played, by a buffer or two, and
  // never runs ahead of it.
  int row = (previous >> 16) / 64;
  int rowsPlayed = static_cast<int>(SDL_GetTicks() - playedAt) / 60;
  EXPECT_EQ(previous & 0xFFFF, 0);
  EXPECT_GE(row, 1);
  EXPECT_LE(row, rowsPlayed + 1);
  EXPECT_GE(syncsSeen.load(), 1);
  EXPECT_LE(syncsSeen.load(), row / 4 + 2);

  // Through the clock: LoadMusic installed the position source.
  ResetDemoClock();
  UpdateDemoClock();
  EXPECT_EQ(demoClock.order, 0);
  EXPECT_GE(demoClock.row, row);

  SetAudioVolume(50);
  SetAudioVolume(0);
  FreeAudio();
  int syncsAtFree = syncsSeen.load();
  EXPECT_EQ(GetMusicPosition(handle), -1);
  EXPECT_EQ(musicHandle, 0u);
  SDL_Delay(100);
  EXPECT_EQ(syncsSeen.load(), syncsAtFree);
  FreeAudio();
  UpdateDemoClock();
  EXPECT_EQ(demoClock.order, -1);
  std::filesystem::remove(path);
}

// Read for now and for an instant ahead (a frame's presentation), the position
// and the syncs go together: a sync fires with the position that reaches its
// row, never before, and the position never goes back as the lead varies.
TEST_F(AudioDeviceTest, EachSyncArrivesWithTheFirstPositionThatShowsItsRow) {
  ASSERT_TRUE(InitAudioDevice(44100));
  std::string path = WriteTestModule(2);  // syncs on rows 0, 4, 8 and 12 of each order
  uint32_t handle = LoadMusic(path.c_str(), MusicLoadDefault);
  SetMusicSync(handle, MusicSyncEffect, 1, CountSync, 0);
  StartAudioOutput();
  for (double leadMs : {0, 40}) {
    syncsSeen = 0;
    PlayMusic(handle, 0, -1, 1);
    auto steps = [](int32_t pos) { return (pos & 0xFFFF) * 16 * 64 + (pos >> 16); };
    // 40 ms is 43 steps of 1/64 of a 60 ms row: decoding is that far ahead once
    // the new stream is heard.
    int32_t now = 0;
    ASSERT_TRUE(WaitUntil([&] { return (now = GetMusicPosition(handle)) > 0; }));
    EXPECT_GE(steps(GetMusicPositionAhead(handle, leadMs / 1000)) - steps(now), leadMs * 0.9);
    int mismatches = 0, backwards = 0, polls = 0, previous = 0;
    for (int rows = 0; polls < 4000 && rows < 30; polls++) {
      double lead = (leadMs - (polls % 3) * leadMs / 4) / 1000;  // shorter and longer
      int32_t pos = GetMusicPositionAhead(handle, lead);
      rows = (pos & 0xFFFF) * 16 + (pos >> 16) / 64;
      int syncRowsShown = (rows + 1 + 3) / 4;  // of the rows begun by then
      if (syncsSeen.load() != syncRowsShown) mismatches++;
      if (steps(pos) < previous) backwards++;
      previous = steps(pos);
      SDL_Delay(1);
    }
    EXPECT_EQ(mismatches, 0) << "of " << polls << " positions; syncs " << syncsSeen.load();
    EXPECT_EQ(backwards, 0) << leadMs;
    EXPECT_GE(syncsSeen.load(), 7);
  }
  std::filesystem::remove(path);
}

TEST_F(AudioDeviceTest, ModuleEndFiresOnceAndThePositionStays) {
  ASSERT_TRUE(InitAudioDevice(44100));
  XmModule m = ToneModule(1, 4, 2, 1, 255);  // four rows of 432 frames: 40 ms
  std::string path = testing::TempDir() + "/device_end_" + std::to_string(getpid()) + ".xm";
  ASSERT_TRUE(WriteXmFile(path, m));
  uint32_t handle = LoadMusic(path.c_str(), MusicLoadDefault);
  ASSERT_NE(handle, 0u);
  SetMusicSync(handle, MusicSyncEnd, 1, CountEnd, 0);
  StartAudioOutput();
  PlayMusic(handle, 0, -1, 1);
  // The end is handed over by the refresh that hears it.
  ASSERT_TRUE(WaitUntil([&] { return GetMusicPosition(handle), endsSeen.load() >= 1; }));
  SDL_Delay(100);
  EXPECT_EQ(endsSeen.load(), 1);
  EXPECT_EQ(GetMusicPosition(handle), 0 | (3 * 64 + 63) << 16);
  SetMusicPositionScaler(handle, 1);  // whole rows only
  EXPECT_EQ(GetMusicPosition(handle), 0 | 3 << 16);
  SetMusicPositionScaler(handle, 0);  // refused: the scaler stays
  EXPECT_EQ(GetMusicPosition(handle), 0 | 3 << 16);
  SetMusicPositionScaler(handle, 64);
  // Played again with the loop flag it wraps, firing the end at each wrap.
  PlayMusic(handle, 0, MusicLoadLoop, 1);
  EXPECT_TRUE(WaitUntil([&] { return GetMusicPosition(handle), endsSeen.load() >= 4; }));
  std::filesystem::remove(path);
}

// The threads of this process on realtime scheduling (policy, field 41 of a
// task's stat).
int RealtimeThreads() {
  int count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream statFile(task.path() / "stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), {});
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 41 && fields >> field; i++) {
    }
    if (std::atoi(field.c_str()) == SCHED_RR) count++;
  }
  return count;
}

// The device thread (from its first fill) and the decoding thread run
// realtime where a thread of this process may; elsewhere as before.
TEST_F(AudioDeviceTest, TheOutputAndDecodingThreadsRunRealtimeWhereThreadsMay) {
  bool may = false;
  std::thread([&may] {
    sched_param realtime{};
    realtime.sched_priority = 1;
    may = pthread_setschedparam(pthread_self(), SCHED_RR, &realtime) == 0;
  }).join();
  ASSERT_EQ(RealtimeThreads(), 0);
  ASSERT_TRUE(InitAudioDevice(44100));
  StartAudioOutput();
  int want = may ? 2 : 0;
  EXPECT_TRUE(WaitUntil([&] { return RealtimeThreads() == want; }))
      << RealtimeThreads() << " realtime threads, " << (may ? "realtime permitted" : "no realtime here");
}

TEST_F(AudioDeviceTest, NoUsableDriverMeansNoDevice) {
  SDL_setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_FALSE(InitAudioDevice(44100));
  FreeAudio();
  SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_TRUE(InitAudioDevice(44100));
}

TEST_F(AudioDeviceTest, LoadRefusesMissingAndForeignFiles) {
  ASSERT_TRUE(InitAudioDevice(44100));
  EXPECT_EQ(LoadMusic("/nonexistent/soundtrack.mo3", MusicLoadDefault), 0u);
  EXPECT_EQ(LoadMusic(nullptr, MusicLoadDefault), 0u);
  std::string path = testing::TempDir() + "/not_a_module_" + std::to_string(getpid()) + ".mo3";
  std::ofstream(path) << "just some text, not music\n";
  EXPECT_EQ(LoadMusic(path.c_str(), MusicLoadDefault), 0u);
  EXPECT_EQ(GetMusicPosition(0), -1);
  std::filesystem::remove(path);
}

TEST_F(AudioDeviceTest, TeardownRampFadesSmoothlyToSilenceBeforeTheDeviceCloses) {
  std::string out = testing::TempDir() + "/device_out_" + std::to_string(getpid()) + ".raw";
  SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
  SDL_setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  ASSERT_TRUE(InitAudioDevice(44100));
  std::string path = WriteTestModule(8);
  uint32_t handle = LoadMusic(path.c_str(), MusicLoadDefault);
  ASSERT_NE(handle, 0u);
  StartAudioOutput();
  PlayMusic(handle, 0, -1, 1);
  // The disk driver appends every block it is handed: let half a second of the
  // tone be written, then tear down as the run sequence does.
  auto written = [&] {
    std::error_code error;
    auto size = std::filesystem::file_size(out, error);
    return error ? int64_t{0} : static_cast<int64_t>(size / (2 * sizeof(float)));
  };
  ASSERT_TRUE(WaitUntil([&] { return GetMusicPosition(handle), written() >= 22050; }));
  int64_t escape = written();
  for (int volume = 100; volume >= 0; volume -= 5) {
    SetAudioVolume(volume);
    SDL_Delay(1);
  }
  FinishAudioFade();
  FreeAudio();
  std::ifstream in(out, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const float* s = reinterpret_cast<const float*>(bytes.data());
  int64_t frames = static_cast<int64_t>(bytes.size() / (2 * sizeof(float)));
  auto level = [&](int64_t f) { return std::max(std::fabs(s[2 * f]), std::fabs(s[2 * f + 1])); };
  float full = 0;
  for (int64_t f = escape - 8820; f < escape; f++) full = std::max(full, level(f));
  ASSERT_GT(full, 0.05f);
  // The file holds the whole fade and silence after it: the last sound ends a
  // full ramp (0.3 s, 13230 frames) after the fade began.
  int64_t silentFrom = frames;
  while (silentFrom > escape && level(silentFrom - 1) == 0.0f) silentFrom--;
  ASSERT_LT(silentFrom, frames) << "the device closed before the fade had played";
  int64_t fadeStart = silentFrom - 13230;
  EXPECT_GE(fadeStart, escape - 512);
  EXPECT_LE(fadeStart, escape + 4 * 1024);
  // No sample rises above the straight envelope, which reaches every 10 ms of
  // the tone (within one gain step): the level falls monotonically.
  float previousPeak = full;
  for (int64_t w = fadeStart; w + 441 <= silentFrom; w += 441) {
    float peak = 0;
    for (int64_t f = w; f < w + 441; f++) {
      double envelope = full * (1.0 - static_cast<double>(f - fadeStart) / 13230);
      ASSERT_LE(level(f), envelope + full * 2e-4) << "frame " << f - fadeStart << " of the fade";
      peak = std::max(peak, level(f));
    }
    double envelopeEnd = full * (1.0 - static_cast<double>(w + 441 - fadeStart) / 13230);
    EXPECT_GE(peak, envelopeEnd * 0.98) << "window at " << w - fadeStart;
    EXPECT_LE(peak, previousPeak) << "window at " << w - fadeStart;
    previousPeak = peak;
  }
  std::filesystem::remove(out);
  std::filesystem::remove(path);
}

}  // namespace
