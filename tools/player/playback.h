// What the player's keys do to the running show: pause and resume picture and
// sound together, and seek to the start of an order as a straight run would
// have reached it. Works on the show's demo clock, sync state and audio layer.
#pragma once

#include <cstdint>

#include "player/seek_table.h"

enum PlayerAction {
  ActionNone,
  ActionQuit,        // Escape, or the window closed
  ActionPause,       // Space: pause or resume
  ActionBack,        // Left: one order back
  ActionForward,     // Right: one order forward
  ActionStart,       // Home: the first order
  ActionFullscreen,  // F or Alt+Enter
  ActionOverlay,     // H
};

// The action of a key pressed (the shell's virtual-key number, Alt held or not).
PlayerAction ActionForKey(int virtualKey, bool alt);

struct Playback {
  bool paused = false;
  uint32_t pausedAtTick = 0;  // tick count when the pause began (or the last seek in it)
  // The random generator's state before the paused frame: every frame drawn
  // while paused starts from it, so the grain stands still too.
  uint32_t pausedRandom = 0;
};

// The clock stops: the time and position the last refresh read stay, the audio
// output is held. `frameRandom` is the generator's state the current frame began with.
void PausePlayback(Playback& playback, uint32_t frameRandom);
// The clock goes on from where it stopped, the sound from the next sample.
void ResumePlayback(Playback& playback);
// The order the keys lead to from the current one, or -1 when there is none.
int SeekTarget(PlayerAction action, int currentOrder, const SeekTable& table, bool looping);
// Restarts the module at the order's first row, sets the clock to that row's
// time in a straight run and the sync state to what that run leaves there, and
// refreshes the clock. Paused playback stays paused, at the new position.
// false (nothing changed) for an order the table does not hold.
bool SeekPlayback(Playback& playback, const SeekTable& table, int order);
