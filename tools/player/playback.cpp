#include "player/playback.h"

#include <algorithm>

#include "music/audio.h"
#include "music/clock.h"

PlayerAction ActionForKey(int virtualKey, bool alt) {
  switch (virtualKey) {
    case 27: return ActionQuit;         // Escape
    case 32: return ActionPause;        // Space
    case 37: return ActionBack;         // Left
    case 39: return ActionForward;      // Right
    case 36: return ActionStart;        // Home
    case 'F': return ActionFullscreen;
    case 'H': return ActionOverlay;
    case 13: return alt ? ActionFullscreen : ActionNone;  // Return, either Enter key
    default: return ActionNone;
  }
}

void PausePlayback(Playback& p, uint32_t frameRandom) {
  if (p.paused) return;
  HoldAudioOutput(true);
  p.paused = true;
  p.pausedAtTick = ReadTickMs();
  p.pausedRandom = frameRandom;
}

void ResumePlayback(Playback& p) {
  if (!p.paused) return;
  // The start tick moves on by the time paused: elapsedMs goes on from its value
  // at the pause.
  uint32_t now = ReadTickMs();
  double held = static_cast<double>(now - p.pausedAtTick);
  SetDemoClockStart(demoClock.startTickMs.load() + held);
  p.paused = false;
  HoldAudioOutput(false);
}

int SeekTarget(PlayerAction action, int current, const SeekTable& table, bool looping) {
  int target = -1;
  if (action == ActionStart) target = 0;
  if (action == ActionBack) target = current <= 0 ? 0 : std::min(current - 1, table.orders - 1);
  if (action == ActionForward) {
    target = current + 1;
    // Past the last order: the start again when looping, else nowhere.
    if (target >= table.orders || !table.starts[target].played) target = looping ? 0 : -1;
  }
  if (target >= table.orders || (target >= 0 && !table.starts[target].played)) return -1;
  return target;
}

bool SeekPlayback(Playback& p, const SeekTable& table, int order) {
  if (order < 0 || order >= table.orders || !table.starts[order].played) return false;
  const OrderStart& start = table.starts[order];
  // Order in the low word, row 0 in the high word; the load's flags are kept.
  PlayMusic(musicHandle, order, -1, 1);
  uint32_t now = ReadTickMs();
  SetDemoClockStart(static_cast<double>(now) - start.elapsedMs);
  WriteSyncLeftState(start.state);
  UpdateDemoClock();
  // Paused, the time held counts from here.
  if (p.paused) p.pausedAtTick = now;
  return true;
}
