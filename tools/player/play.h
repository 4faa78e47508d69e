// nivora-play: the show played live on today's desktops, through the show's own
// start-up, clock, audio device and DrawFrame, with a choice of display, looping,
// pacing and keys to pause, seek and look at the figures.
#pragma once

// The whole program; returns its exit status (0 done, 1 could not start, 2 bad options).
int RunPlayer(int argc, const char* const* argv);
