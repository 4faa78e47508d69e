// The show's frames through either GL backend in an offscreen context, read
// back for comparing: the system's fixed-function GL, or the ES 3 backend.
// Both go through the recording stand-in's forward mode, so the engine's
// calls are the same calls.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct FrameDifference {
  long long pixels = 0;
  long long identical = 0;  // all three channels equal
  long long overTwo = 0;    // some channel off by more than 2
  int maxDiff = 0;          // largest channel difference
};

// An offscreen context of the backend's kind at width x height, forward mode
// on it, the initial GL state and the show's objects and pictures loaded.
bool OpenBackend(bool es, int width, int height, std::string& error);
void CloseBackend(bool es);

// The compared clock states: `states` frames spread over each order's 64.
constexpr int stateFramesPerOrder = 64;
inline int StateFrame(int state, int states) { return 5 + state * stateFramesPerOrder / states; }

// Frame `frame` of `frames` spread over `order` (the benchmarks' clock), drawn
// and read back as tight RGB rows into `pixels` (width x height x 3).
void DrawStateFrame(int order, int frame, int frames, int width, int height,
                    unsigned char* pixels);
// Puts the frame state (clock, syncs, random generator, poses) back to the
// start, so that both backends draw the same sequence of frames.
void ResetShowState();

FrameDifference CompareFrames(const unsigned char* a, const unsigned char* b, std::size_t pixels);
// Counts `d` into `total`: pixels summed, the largest difference kept.
void AddDifference(FrameDifference& total, const FrameDifference& d);
