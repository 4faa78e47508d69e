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
void RunMainLoop();
void ReleaseAssets();

// The whole run sequence; returns the process exit status.
int RunShow();
