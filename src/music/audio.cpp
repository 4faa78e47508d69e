// The live audio path: a decoding thread renders the module ahead into a ring
// (music/frame_ring.h); the output's callback (music/audio_output.h) only copies
// from it, applies the gain and notes when each block was handed over, so the
// position query can tell which frame is being heard between callbacks. The
// callback takes no lock of ours: what it shares with the other threads goes
// through the ring, the hand-over queue and atomics.
#include "music/audio.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "music/audio_output.h"
#include "music/clock.h"
#include "music/frame_ring.h"
#include "music/heard_clock.h"
#include "music/player.h"

uint32_t musicHandle = 0;

namespace {

// 512 frames at 44,100 Hz: 11.6 ms per block, half the latency of 1024. At 256
// SDL's timer-driven drivers (disk, dummy) sleep a truncated 5 ms per 5.8 ms
// block and take blocks 8% faster than they play, and PulseAudio underran no
// less often on a loaded two-core machine than at 512.
constexpr int deviceBufferFrames = 512;

// The decoding thread keeps 100 ms decoded ahead of the device, so it may be
// kept from running that long without a block going short (the callback needs
// only a block's copy in that time), and it leaves the ring's other 86 ms
// free, so that a restart's first pieces fit in at once while the device
// still holds the old stream's frames.
constexpr int decodeAheadFrames = 4410;
// The decoding thread renders this much at a time with the player locked, so a
// position query waits at most one piece's decoding; it sleeps this long when
// the ring is full.
constexpr int decodePieceFrames = 512;
constexpr auto decodeNap = std::chrono::milliseconds(2);
// A restart decodes this many pieces itself (46 ms, more than any device block),
// into the room the decoder leaves free.
constexpr int prefillPieces = 4;

// The volume moves at most this far per second, one step per sample: the run
// sequence's 21 calls at teardown become a straight fade over 0.3 s, about what
// its 21 one-millisecond sleeps lasted where a sleep took a whole 15.6 ms timer
// tick, long enough to be heard as a fade, short enough that Escape feels
// immediate.
constexpr double fadeSeconds = 0.3;

struct AudioOutput {
  bool open = false;
  int sampleRate = 44100;
  int bufferFrames = deviceBufferFrames;
  bool fillsOnOpeningThread = false;  // the fill decodes; no decoding thread
  // The callback's own.
  double gain = 1.0;         // applied to the last sample handed over
  float gainTarget = 1.0f;   // the volume that gain is moving to
  int flushSeen = 0;         // the ring's flush of the last block
  // The target percent (top bits) and the first stream frame at it (low 48
  // bits), -1 while the gain moves: written by the callback, read by the fade's
  // wait, in one word so that a frame is never paired with another target.
  std::atomic<int64_t> gainSettled{0};
};

// Blocks handed to the device, from the callback to the position query.
struct Handover {
  double seconds = 0;
  int64_t firstFrame = 0;
  int frames = 0;
  int flush = 0;
};
constexpr int handoverQueueSize = 256;  // 3 s of 512-frame blocks between two queries
struct HandoverQueue {
  Handover entries[handoverQueueSize];
  std::atomic<int64_t> pushed{0};
  std::atomic<int64_t> taken{0};
};

AudioOutput output;
FrameRing ring;
HandoverQueue handovers;
std::mutex playerLock;  // the decoding thread's rendering against the main thread's queries
MusicPlayer player;     // under playerLock
bool decoding = false;  // under playerLock: the module plays, the decoder fills the ring
std::atomic<bool> decoderStops{false};
// Whether a module plays (the callback's copy of `decoding`), and the blocks
// since it began that the ring could not fill.
std::atomic<bool> decodingStream{false};
std::atomic<int> shortBlocks{0};
std::thread decoder;
// The main thread's.
HeardClock heard;
int streamFlush = 0;         // the ring's flush that began the stream playing now
int64_t newestHanded = -1;   // last stream frame handed to the device
int64_t lastPresented = -1;  // the latest frame a position query reported
uint32_t nextHandle = 1;
uint32_t loadedHandle = 0;  // handle of the module in player, 0 when none
bool loadedPlaying = false;
std::atomic<int> outputPercent{100};  // 0-100, written by SetAudioVolume
std::atomic<int> positionScaler{64};  // steps per row in the position's high word

// Main thread only: set by HoldAudioOutput.
struct OutputHold {
  bool held = false;
  double since = 0;    // when the hold began, seconds on the performance counter
  int64_t frame = 0;   // the frame reported then, reported until it ends
};
OutputHold hold;

double NowSeconds() { return ReadAudioClockSeconds(); }

constexpr int settledShift = 48;
int64_t SettledWord(int percent, int64_t frame) {
  return (static_cast<int64_t>(percent) << settledShift) | frame;
}

// Moves the gain toward the volume set last, one step a sample, and applies it.
void ApplyGain(float* samples, int frames, int64_t firstFrame) {
  int percent = outputPercent.load(std::memory_order_acquire);
  float target = static_cast<float>(percent) / 100.0f;
  if (target != output.gainTarget) {
    output.gainTarget = target;
    output.gainSettled.store(-1, std::memory_order_release);
  }
  if (output.gain == target && output.gainSettled.load(std::memory_order_relaxed) < 0)
    output.gainSettled.store(SettledWord(percent, firstFrame), std::memory_order_release);
  double step = 1.0 / (fadeSeconds * output.sampleRate);
  for (int f = 0; f < frames; f++) {
    if (output.gain != target) {
      output.gain = output.gain > target ? std::max<double>(target, output.gain - step)
                                         : std::min<double>(target, output.gain + step);
      if (output.gain == target)
        output.gainSettled.store(SettledWord(percent, firstFrame + f), std::memory_order_release);
    }
    samples[2 * f] = static_cast<float>(samples[2 * f] * output.gain);
    samples[2 * f + 1] = static_cast<float>(samples[2 * f + 1] * output.gain);
  }
}

bool DecodePiece();

// The device's callback: copies, never decodes, never waits (unless the output
// fills on the thread that opened it, where it tops the ring up first). A block
// the ring cannot fill is completed with silence and noted for its frames only.
void FillBlock(float* samples, int frames) {
  if (output.fillsOnOpeningThread)
    while (DecodePiece()) {
    }
  double now = NowSeconds();
  RingRead got = ReadFrameRing(ring, samples, frames);
  if (got.flush != output.flushSeen) {
    // A new stream: a gain already at its target is settled from its start.
    output.flushSeen = got.flush;
    if (output.gainSettled.load(std::memory_order_relaxed) >= 0)
      output.gainSettled.store(SettledWord(outputPercent.load(), 0), std::memory_order_release);
  }
  ApplyGain(samples, frames, got.streamFrame);
  if (got.frames < frames && decodingStream.load(std::memory_order_relaxed))
    shortBlocks.fetch_add(1, std::memory_order_relaxed);
  if (got.frames == 0) return;
  int64_t pushed = handovers.pushed.load(std::memory_order_relaxed);
  if (pushed - handovers.taken.load(std::memory_order_acquire) >= handoverQueueSize) return;
  handovers.entries[pushed % handoverQueueSize] =
      Handover{now, got.streamFrame, got.frames, got.flush};
  handovers.pushed.store(pushed + 1, std::memory_order_release);
}

// Under playerLock: renders one piece into the ring unless that would fill it
// past `fill` frames; false when it did not.
bool RenderPiece(int fill) {
  static float piece[2 * decodePieceFrames];  // the decoder's, or its stand-in's under the lock
  if (!decoding || frameRingFrames - FrameRingRoom(ring) + decodePieceFrames > fill) return false;
  RenderMusicFrames(player, piece, decodePieceFrames);
  WriteFrameRing(ring, piece, decodePieceFrames);
  return true;
}

bool DecodePiece() {
  std::lock_guard<std::mutex> guard(playerLock);
  return RenderPiece(decodeAheadFrames);
}

void RunDecoder() {
  // A loaded machine must not starve the decoding any more than the output's
  // own thread, which is raised likewise.
  RaiseAudioThreadPriority();
  while (!decoderStops.load(std::memory_order_acquire))
    if (!DecodePiece()) std::this_thread::sleep_for(decodeNap);
}

// Main thread: the hand-overs since the last call into the heard clock, those
// of a stream flushed since dropped.
void TakeHandovers() {
  int64_t taken = handovers.taken.load(std::memory_order_relaxed);
  int64_t pushed = handovers.pushed.load(std::memory_order_acquire);
  for (; taken < pushed; taken++) {
    const Handover& h = handovers.entries[taken % handoverQueueSize];
    if (h.flush != streamFlush) continue;
    NoteBlockHandedOver(heard, h.seconds, h.firstFrame);
    newestHanded = h.firstFrame + h.frames - 1;
  }
  handovers.taken.store(taken, std::memory_order_release);
}

// Under playerLock: from here on the ring carries the stream the player renders
// next; the hand-overs of the one before are dropped.
void BeginNewStream() {
  streamFlush = FlushFrameRing(ring);
  // A stopped device does not read: the flush is taken up in its place.
  if (hold.held) TakeUpFrameRingFlush(ring);
  TakeHandovers();
  RestartHeardClock(heard);
  newestHanded = -1;
  lastPresented = -1;
}

// The frame heard now; 0 before the first block of the stream was taken.
int64_t HeardFrame() {
  if (!output.open) return 0;
  TakeHandovers();
  return std::max<int64_t>(0, AdvanceHeardClock(heard, NowSeconds(), newestHanded));
}

int32_t ReadMusicPosition() {
  return GetMusicPositionAhead(musicHandle, ReadPositionLeadMs() / 1000.0);
}

}  // namespace

bool InitAudioDevice(int frequency) {
  if (output.open) return true;
  if (frequency <= 0) return false;
  AudioOutputFormat got;
  ResetFrameRing(ring);
  handovers.pushed.store(0);
  handovers.taken.store(0);
  streamFlush = 0;
  output.gain = 1.0;
  output.gainTarget = 1.0f;
  output.gainSettled.store(SettledWord(outputPercent.load(), 0));
  output.flushSeen = 0;
  if (!OpenAudioOutput(frequency, deviceBufferFrames, FillBlock, got)) return false;
  output.open = true;
  output.sampleRate = got.sampleRate;
  output.bufferFrames = got.blockFrames;
  ResetHeardClock(heard, got.sampleRate, got.blockFrames, got.latencyAdjustFrames);
  output.fillsOnOpeningThread = got.fillsOnOpeningThread;
  decoderStops.store(false);
  if (!output.fillsOnOpeningThread) decoder = std::thread(RunDecoder);
  return true;
}

uint32_t LoadMusic(const char* path, int flags) {
  std::vector<char> bytes;
  if (!path || !ReadModuleFile(path, bytes)) return 0;

  // Decode the file outside the player lock, then swap it in.
  MusicPlayer loaded;
  if (!OpenMusicPlayer(loaded, bytes.data(), bytes.size(), output.sampleRate,
                       (flags & MusicLoadLoop) != 0))
    return 0;
  // Callbacks wait in the queue until their frame is heard (GetMusicPosition).
  loaded.fireWhenRendered = false;
  loaded.handle = nextHandle++;
  if (nextHandle == 0) nextHandle = 1;
  {
    std::lock_guard<std::mutex> guard(playerLock);
    std::swap(player, loaded);
    loadedHandle = player.handle;
    loadedPlaying = decoding = false;
    BeginNewStream();
  }
  CloseMusicPlayer(loaded);

  musicHandle = player.handle;
  SetPositionSource(ReadMusicPosition);
  SetLoopingPlayback((flags & MusicLoadLoop) != 0);
  return player.handle;
}

void SetMusicSync(uint32_t handle, int type, int, MusicCallback callback, uint32_t user) {
  std::lock_guard<std::mutex> guard(playerLock);
  if (handle != 0 && handle == loadedHandle) {
    if (type == MusicSyncEffect) {
      player.syncCallback = callback;
      player.syncUser = user;
    } else if (type == MusicSyncEnd) {
      player.endCallback = callback;
      player.endUser = user;
    }
  }
}

void SetMusicPositionScaler(uint32_t handle, int scaler) {
  // Up to 256 steps per row keeps the high word within 16 bits for 256-row patterns.
  if (handle != 0 && handle == loadedHandle && scaler >= 1 && scaler <= 256)
    positionScaler.store(scaler, std::memory_order_release);
}

void StartAudioOutput() {
  if (output.open) RunAudioOutput(true);
}

void PlayMusic(uint32_t handle, int position, int flags, int) {
  std::lock_guard<std::mutex> guard(playerLock);
  if (handle == 0 || handle != loadedHandle) return;
  if (flags != -1) {
    player.looping = (flags & MusicLoadLoop) != 0;
    SetLoopingPlayback(player.looping);
  }
  RestartMusicPlayer(player, position & 0xFFFF, (position >> 16) & 0xFFFF);
  loadedPlaying = true;
  decoding = output.open;
  BeginNewStream();
  decodingStream.store(decoding);
  shortBlocks.store(0);
  // The first blocks are there for the device's next call, whenever the
  // decoding thread next runs.
  for (int i = 0; i < prefillPieces && RenderPiece(frameRingFrames); i++) {
  }
  hold.frame = 0;  // a restart while held holds at its first frame
}

int32_t GetMusicPositionAhead(uint32_t handle, double leadSeconds) {
  if (handle == 0 || handle != loadedHandle) return -1;
  if (!loadedPlaying) return 0;  // loaded, not yet played: the start
  std::lock_guard<std::mutex> guard(playerLock);
  int64_t frame = hold.held ? hold.frame : HeardFrame();
  if (!hold.held && leadSeconds > 0 && output.open) {
    // Ahead of the ear by the lead, within what has been decoded; a shorter
    // lead than the last one's does not take the position back.
    int64_t ahead = frame + std::llround(leadSeconds * HeardPace(heard));
    frame = std::max(frame, std::min(ahead, player.framesRendered - 1));
  }
  frame = std::max(frame, lastPresented);
  lastPresented = frame;
  // Syncs and the end as their rows are reached, stamped by this refresh.
  FireHeardMusicEvents(player, frame);
  MusicPosition pos = MusicPositionAt(player, frame);
  if (pos.order < 0) return -1;
  int scaler = positionScaler.load(std::memory_order_acquire);
  int high = pos.row * scaler + pos.fraction * scaler / 64;
  return (pos.order & 0xFFFF) | static_cast<int32_t>(static_cast<uint32_t>(high & 0xFFFF) << 16);
}

double MsUntilNextSyncHeard(uint32_t handle) {
  if (handle == 0 || handle != loadedHandle || !loadedPlaying || !output.open) return -1;
  std::lock_guard<std::mutex> guard(playerLock);
  int64_t sync = NextQueuedSyncFrame(player);
  if (hold.held || sync < 0) return -1;
  return std::max<int64_t>(0, sync - HeardFrame()) * 1000.0 / HeardPace(heard);
}

int32_t GetMusicPosition(uint32_t handle) { return GetMusicPositionAhead(handle, 0); }

void SetAudioVolume(int percent) {
  percent = std::clamp(percent, 0, 100);
  outputPercent.store(percent, std::memory_order_release);
}

bool AudioFadeFinished() {
  if (!output.open || !loadedPlaying) return true;
  std::lock_guard<std::mutex> guard(playerLock);
  int64_t settled = output.gainSettled.load(std::memory_order_acquire);
  bool atTarget = settled >= 0 && (settled >> settledShift) == outputPercent.load();
  int64_t settledAt = settled & ((int64_t{1} << settledShift) - 1);
  int64_t frame = HeardFrame();
  // Nothing left to hear once the module's end has been heard.
  bool silent = player.endFrame >= 0 && frame >= player.endFrame;
  return silent || (atTarget && frame >= settledAt);
}

void FinishAudioFade() {
  // Held output plays nothing: there is no fade to hear out.
  if (hold.held) return;
  // The fade plus a generous latency; a device that stops taking blocks cannot
  // hold the show open.
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (!AudioFadeFinished() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void HoldAudioOutput(bool held) {
  if (!output.open || held == hold.held) return;
  std::lock_guard<std::mutex> guard(playerLock);
  if (held) {
    // Once stopped the callback is not called again; the block last handed
    // over still sounds. The ring keeps what it holds: those frames have not
    // been handed over, so the stream goes on from them, sample for sample.
    RunAudioOutput(false);
    hold.frame = loadedPlaying ? std::max(HeardFrame(), lastPresented) : 0;
    hold.since = NowSeconds();
    hold.held = true;
  } else {
    // The time held does not count: every hand-over and the clock's last query
    // move on by it, so the position goes on from the held frame.
    TakeHandovers();
    ShiftHeardClock(heard, NowSeconds() - hold.since);
    hold.held = false;
    RunAudioOutput(true);
  }
}

int ReadAudioHandovers(AudioHandover* out, int max) {
  if (!output.open || !out || max <= 0) return 0;
  TakeHandovers();
  int count = std::min({max, heard.handovers, heardHistory});
  for (int i = 0; i < count; i++) {
    int at = (heard.handovers - count + i) % heardHistory;
    out[i].seconds = heard.time[at];
    out[i].firstFrame = heard.startFrame[at];
  }
  return count;
}

int ReadAudioShortBlocks() { return shortBlocks.load(); }

void FreeAudio() {
  decodingStream.store(false);
  if (decoder.joinable()) {
    decoderStops.store(true, std::memory_order_release);
    decoder.join();
  }
  // Closing waits for a running callback; none runs after it.
  if (output.open) CloseAudioOutput();
  output.open = false;
  hold = OutputHold{};
  if (loadedHandle) SetPositionSource(nullptr);
  CloseMusicPlayer(player);
  loadedHandle = 0;
  loadedPlaying = decoding = false;
  musicHandle = 0;
  lastPresented = -1;
  positionScaler.store(64);
  outputPercent.store(100);
}
