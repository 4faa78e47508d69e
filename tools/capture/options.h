// The capture tool's command line: what to capture, at what size and rate, and
// where to write it. Parsing only; nothing here touches files or GL.
#pragma once

#include <string>

#include "letterbox/letterbox.h"
#include "options/options.h"

struct CaptureOptions {
  std::string out = "nivora-dusk.mp4";  // the MP4 written unless framesDir is set
  bool outGiven = false;
  std::string framesDir;  // numbered PNG frames and audio.wav instead of the MP4
  std::string dataDir;    // the show's working directory; empty: DefaultDataDir
  int fps = 60;
  int width = 640;
  int height = 480;
  RangeBound from, to;
  GlBackend gl = GlBackendFixed;
  bool help = false;
};

// Fills options from argv[1..]. On a bad or inconsistent option returns false
// with one line in `error` (without the program name).
bool ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error);

// The --help text.
const char* CaptureUsage();
