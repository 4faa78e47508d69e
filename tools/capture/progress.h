// The capture's progress on standard error: a bar redrawn in place on a
// terminal (frames done of total, frames per second, time left), plain lines
// every ten seconds otherwise.
#pragma once

#include <chrono>
#include <cstdint>

struct CaptureProgress {
  int64_t total = 0;
  bool terminal = false;
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point lastReport;
  bool reported = false;
};

void StartProgress(CaptureProgress& progress, int64_t total);
void ReportProgress(CaptureProgress& progress, int64_t done);
// Ends the bar's line on a terminal.
void EndProgress(CaptureProgress& progress);

// "[#####.....]  1234/9948 frames  58.3 fps  2:31 left": the text of one report.
// `width` is the bar's width in characters.
void FormatProgress(char* text, int size, int64_t done, int64_t total, double seconds,
                    int width);
