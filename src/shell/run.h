// The run sequence: start-up checks, window, loading picture, loading, playback,
// main loop and teardown, and the one fatal-error routine every start-up check
// uses. Every front end that plays the show live runs it: the show as it is,
// the player with its display request and loop hooks.
#pragma once

#include "shell/platform.h"

struct RunSettings {
  int looping = 0;  // the show leaves it 0 and plays the module once; the player's --loop sets it
  // 1: each frame reads the clock for the instant it will be seen (the heard
  // position moved on by the predicted start-to-swap delay); 0: for the instant
  // it begins (the player's --clock now).
  int presentedClock = 1;
};

extern RunSettings runSettings;

// Shows the cursor, writes the message to standard error, shows it in a box
// captioned "Error", restores the desktop mode, releases audio and exits with 1.
[[noreturn]] void FatalError(const char* message);

void ShowLoadingPicture();
void DrawLoadingFrame(float brightness);
void DeleteLoadingPicture();
// The loading picture's fades, one second each on the tick source, with the
// start tick kept in demoClock.startTickMs.
void FadeLoadingPictureIn();
void FadeLoadingPictureOut();
// The module the show plays, in the working directory.
extern const char* const showModuleFile;  // "soundtrack.mo3"
// Loads the module onto the audio device with both syncs and the position
// scaler of 64, and starts the output, still silent.
void StartShowMusic();

enum ShowStart {
  ShowStartLive,     // the loading picture fades in and out on the tick source; the module starts
  ShowStartOffline,  // no fades and no audio device: offline rendering brings its own clock
};
// The show's start-up between window and playback, shared by the run sequence
// and offline rendering: the loading picture, (live: fade in, module), the
// objects and pictures, (live: fade out), the loading picture deleted. Running
// out of memory for an object is fatal.
void LoadShow(ShowStart start);

// What a front end adds to the main loop, each step optional. The show has none.
struct LoopHooks {
  bool (*holdsClock)() = nullptr;   // true: this frame keeps the clock's last reading (a pause)
  void (*frameBegins)() = nullptr;  // after the clock's refresh, before the pump
  bool (*endsLoop)() = nullptr;     // after the pump: true ends the loop before drawing
  void (*beforeDraw)() = nullptr;   // after the pump, before DrawFrame
  void (*frameDrawn)() = nullptr;   // after DrawFrame, before the swap: drawing over the show
  void (*frameSwapped)() = nullptr; // after the swap: pacing, frame times
};

// While Escape is up and the module has not asked to quit: clock, pump, draw,
// swap. The clock is read for the instant the frame will be seen
// (music/present_clock.h) unless runSettings.presentedClock is 0; then a frame
// that would show a sync late waits to be drawn for the sync's instant.
void RunMainLoop(const LoopHooks& hooks = LoopHooks{});
// The show's teardown, shared like LoadShow: every texture, then every object.
void ReleaseAssets();

// A front end of the live show: its display, its loop hooks, and what it does
// once the show is loaded, before the music plays.
struct FrontEnd {
  DisplayRequest display;  // the show's: a 640x480 mode switch
  LoopHooks loop;
  void (*showLoaded)() = nullptr;
};

// The whole run sequence; returns the process exit status.
int RunShow(const FrontEnd& frontEnd = FrontEnd{});
