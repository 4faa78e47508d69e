// nivora-capture: renders the show offline, frame by frame, through the show's
// own loaders and DrawFrame in an offscreen GL context, and writes a video (or
// PNG frames and a WAV) with picture and sound in sync.
#pragma once

// The whole program; returns its exit status (0 done, 1 failed, 2 bad options).
int RunCapture(int argc, const char* const* argv);
