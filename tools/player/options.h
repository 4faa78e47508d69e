// nivora-play's command line: how the show is displayed, whether it loops, how
// frames are paced and where its files are. Parsing only.
#pragma once

#include <string>

#include "options/options.h"
#include "shell/platform.h"

struct PlayerOptions {
  DisplayKind display = DisplayDesktop;  // no mode switch unless --mode asks for one
  int width = 960;   // the window's size (DisplayWindow) or the mode (DisplayMode)
  int height = 720;
  bool loop = false;
  bool vsync = true;
  GlBackend gl = GlBackendFixed;  // --gl
  std::string dataDir;  // the show's folder; empty: the one the program is in
  std::string frameTimesFile;  // where each frame's time goes at exit (measuring); empty: nowhere
  bool help = false;
};

// Fills options from argv[1..]. On a bad or inconsistent option returns false
// with one line in `error` (without the program name).
bool ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions& options,
                        std::string& error);

// The --help text.
const char* PlayerUsage();
