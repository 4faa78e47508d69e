// Recording fakes of the platform seam (window, input, tick count, audio) for
// tests that run the whole run sequence. Each call is kept as one step line
// ("InitAudioDevice 44100"); any GL calls since the previous step, as the
// recording stand-in counts them, become one "GL" step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FakePlatform {
  uint32_t tick = 1000;        // the next tick the platform reports
  uint32_t tickStep = 300;     // added after every read: each fade runs four frames
  int escapeTapAtPump = -1;    // this pump (1 = the first) delivers a press and release
  int moduleEndAtTick = -1;    // this tick read (1 = the first) sets quitRequested
  bool musicLoads = true;      // LoadMusic returns 0 when false
  int tickReads = 0;
  int pumps = 0;
};

extern FakePlatform fakePlatform;

void ResetFakePlatform();
// One more step, for hooks a test hands the run sequence.
void NoteFakeStep(const std::string& line);
// Steps since the reset.
const std::vector<std::string>& FakeSteps();
std::string JoinedFakeSteps();
