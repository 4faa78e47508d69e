#include "music/offline_clock.h"

#include "music/clock.h"

namespace {

// Syncs the player reports while a clock decodes, and the position the clock
// hands to the demo clock. The callbacks have no room for a pointer, so each
// thread keeps its own: the capture steps its clocks on the main thread, the
// player's seek recorder on a thread of its own, both at once.
thread_local int heardSyncs = 0;
thread_local int32_t currentPosition = -1;

void HearSync(uint32_t, uint32_t, uint32_t, uint32_t) { heardSyncs++; }
int32_t ReadCurrentPosition() { return currentPosition; }

}  // namespace

int64_t FrameFirstSample(int64_t frame, int fps) {
  return (frame * kCaptureSampleRate + fps - 1) / fps;
}

int64_t FrameInstantSample(int64_t frame, int fps) { return frame * kCaptureSampleRate / fps; }

bool OpenOfflineClock(OfflineClock& clock, const void* module, size_t size, int fps) {
  CloseOfflineClock(clock);
  if (fps < 1 || !OpenMusicPlayer(clock.player, module, size, kCaptureSampleRate, false))
    return false;
  // A sync is heard once the decoder has passed its row's first sample; no
  // device buffer stands between the decoder and the listener.
  clock.player.eventDelayFrames = 0;
  clock.player.syncCallback = HearSync;
  clock.fps = fps;
  clock.frame = -1;
  clock.position = -1;
  clock.syncs = 0;
  clock.block.assign(2 * static_cast<size_t>(kCaptureSampleRate / fps + 2), 0);
  clock.blockStart = 0;
  clock.blockFrames = 0;
  RestartMusicPlayer(clock.player);
  return true;
}

void CloseOfflineClock(OfflineClock& clock) {
  CloseMusicPlayer(clock.player);
  clock.frame = -1;
  clock.position = -1;
}

void StepOfflineClock(OfflineClock& clock) {
  clock.frame++;
  int64_t instant = FrameInstantSample(clock.frame, clock.fps);
  clock.blockStart = clock.player.framesRendered;
  clock.blockFrames = static_cast<int>(instant + 1 - clock.blockStart);
  heardSyncs = 0;
  RenderMusicFrames16(clock.player, clock.block.data(), clock.blockFrames);
  clock.syncs = heardSyncs;
  heardSyncs = 0;
  clock.position = MusicPositionWord(MusicPositionAt(clock.player, instant));
}

bool OfflineClockPastEnd(const OfflineClock& clock) {
  return clock.player.endFrame >= 0 &&
         FrameInstantSample(clock.frame, clock.fps) >= clock.player.endFrame;
}

void ApplyOfflineClock(const OfflineClock& clock) {
  currentPosition = clock.position;
  SetPositionSource(ReadCurrentPosition);
  UpdateDemoClockAt(static_cast<double>(clock.frame) * 1000.0 / clock.fps);
  for (int i = 0; i < clock.syncs; i++)
    OnMusicSync(MusicSyncEffect, clock.player.handle, 0, 0);
}
