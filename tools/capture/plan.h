// Before any frame is drawn, the capture decodes the module once through an
// offline clock: that fixes the show's length at the chosen rate, resolves
// --from and --to to frames, and writes the captured range's audio as a WAV.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/options.h"

struct CapturePlan {
  int64_t firstFrame = 0;     // first captured frame (show frame number)
  int64_t endFrame = 0;       // one past the last captured frame
  int64_t showFrames = 0;     // frames in the whole show at this rate
  int64_t moduleSamples = 0;  // stereo samples the module plays at 44,100 Hz
  int64_t audioStart = 0;     // the WAV holds samples [audioStart, audioEnd)
  int64_t audioEnd = 0;
};

enum PlanResult { PlanOk, PlanBadRange, PlanFailed };

// PlanBadRange: the options name a range the module does not have; PlanFailed:
// the module cannot be decoded or the WAV cannot be written. Either way `error`
// holds one line.
PlanResult PlanCapture(const std::vector<char>& module, const CaptureOptions& options,
                       const std::string& wavPath, CapturePlan& plan, std::string& error);

// "2:45.8": minutes, seconds and tenths.
std::string ShowTimeText(double seconds);

// 16-bit stereo WAV at 44,100 Hz. The header's sizes are filled in on close.
struct WavWriter {
  std::FILE* file = nullptr;
  int64_t frames = 0;
};
bool OpenWav(WavWriter& wav, const std::string& path);
bool AppendWav(WavWriter& wav, const int16_t* interleaved, int64_t frames);
bool CloseWav(WavWriter& wav);  // false when anything failed to reach the file
