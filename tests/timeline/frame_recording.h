// Drawing one frame at a chosen clock state through the recording GL stand-in,
// and comparing recordings line by line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ClockState {
  int order = 0;
  int row = 0;
  int tick = 0;
  float elapsedMs = 0;
};

// Puts the clock at the state, the sync, kick and random state back to start-up
// and fills every loaded texture slot with 1000 + slot, as the trace tool does.
void SetClockState(const ClockState& state);

// The calls of DrawFrame at the state.
std::vector<std::string> RecordFrame(const ClockState& state);

// The calls that BeginFrame(0, 0, 0) and then `draw` make from the same state.
std::vector<std::string> RecordCalls(const ClockState& state, void (*draw)(const ClockState&));

// Empty when equal; otherwise the first differing line with the lines before it.
std::string DescribeDifference(const std::vector<std::string>& actual,
                               const std::vector<std::string>& expected);

// The lines of one textured primitive with an additive (GL_SRC_ALPHA) or
// multiplicative blend, corners and texture coordinates as the primitives lay
// them: (x1,y1) (x2,y1) (x2,y2) (x1,y2).
std::vector<std::string> QuadLines(bool additive, float x1, float y1, float x2, float y2,
                                   float brightness, unsigned texture);

// Whether `lines` appear in `calls` as one contiguous run.
bool ContainsRun(const std::vector<std::string>& calls, const std::vector<std::string>& lines);

int CountLines(const std::vector<std::string>& calls, const std::string& line);

// The state of rand() after `draws` draws from state 1.
uint32_t RandomStateAfter(int draws);
