// The run sequence: start-up checks, window, loading picture, loading, playback,
// main loop and teardown, and the one fatal-error routine every start-up check uses.
#pragma once

struct RunSettings {
  int looping = 0;  // nothing in the show sets it: every run plays the module once
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
void RunMainLoop();
// The show's teardown, shared like LoadShow: every texture, then every object.
void ReleaseAssets();

// The whole run sequence; returns the process exit status.
int RunShow();
