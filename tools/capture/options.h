// The capture tool's command line: what to capture, at what size and rate, and
// where to write it. Parsing only; nothing here touches files or GL.
#pragma once

#include <string>

#include "letterbox/letterbox.h"

// One end of the captured range: the start of an order, or seconds of show time.
struct RangeBound {
  enum Kind { None, Order, Seconds } kind = None;
  int order = 0;
  double seconds = 0;
};

struct CaptureOptions {
  std::string out = "nivora-dusk.mp4";  // the MP4 written unless framesDir is set
  bool outGiven = false;
  std::string framesDir;  // numbered PNG frames and audio.wav instead of the MP4
  std::string dataDir;    // the show's working directory; empty: DefaultDataDir
  int fps = 60;
  int width = 640;
  int height = 480;
  RangeBound from, to;
  bool help = false;
};


// Fills options from argv[1..]. On a bad or inconsistent option returns false
// with one line in `error` (without the program name).
bool ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                         std::string& error);

// Where the show's data is when --data is not given: the folder the program is
// in when it holds the soundtrack (a build tree), else the installed data folder
// `installedFromProgram`, relative to the program's folder. `exists` tells
// whether a file is there.
std::string DefaultDataDir(const std::string& programDir, const char* installedFromProgram,
                           bool (*exists)(const std::string& path));

// "--name=value" split into its name (left in arg) and value; false, arg
// untouched, when it has no "=". Shared by the capture and the player.
bool SplitOptionValue(std::string& arg, std::string& value);

// The folder this program was started from (/proc/self/exe), "." when unknown.
std::string ProgramDir();

// The installed layout: programs in bin/, the data in share/nivora-dusk/.
constexpr const char* kInstalledDataFromBin = "../share/nivora-dusk";

// The --help text.
const char* CaptureUsage();
