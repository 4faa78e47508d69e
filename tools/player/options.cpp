#include "player/options.h"

#include "options/options.h"

namespace {

// A window smaller than this has no room for a picture; larger than any GL
// implementation's drawable limit is refused before SDL is asked.
constexpr int kMinWindowSide = 64;
constexpr int kMaxWindowSide = 8192;

// The three modes the show's own dialog offered for a real switch.
bool ParseMode(const std::string& text, int& width, int& height) {
  for (const char* mode : {"640x480", "800x600", "1024x768"})
    if (text == mode) return ParseSize(text, kMinWindowSide, kMaxWindowSide, width, height);
  return false;
}

bool LooksLikeSize(const char* text) { return text[0] >= '0' && text[0] <= '9'; }

}  // namespace

bool ParsePlayerOptions(int argc, const char* const* argv, PlayerOptions& o, std::string& error) {
  bool displayGiven = false, loopGiven = false, vsyncGiven = false, dataGiven = false,
       timesGiven = false, glGiven = false;
  auto once = [&](bool& given, const std::string& name) {
    if (given) error = name + " is given twice";
    bool first = !given;
    given = true;
    return first;
  };
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    std::string value;
    bool hasValue = SplitOptionValue(arg, value);
    bool takesValue =
        arg == "--window" || arg == "--mode" || arg == "--data" || arg == "--frame-times" ||
        arg == "--gl";
    if (hasValue && !takesValue) {
      error = arg + " takes no value";
      return false;
    }
    if (arg == "--help" || arg == "-h") {
      o.help = true;
    } else if (arg == "--loop") {
      if (!once(loopGiven, arg)) return false;
      o.loop = true;
    } else if (arg == "--no-vsync") {
      if (!once(vsyncGiven, arg)) return false;
      o.vsync = false;
    } else if (arg == "--window" || arg == "--mode") {
      if (displayGiven) {
        error = "--window and --mode are given together or twice: choose one display";
        return false;
      }
      displayGiven = true;
      bool window = arg == "--window";
      // The window's size may be left out; a mode may not.
      if (!hasValue && i + 1 < argc && (!window || LooksLikeSize(argv[i + 1]))) {
        value = argv[++i];
        hasValue = true;
      }
      if (window) {
        o.display = DisplayWindow;
        o.width = 960;
        o.height = 720;
        if (hasValue && !ParseSize(value, kMinWindowSide, kMaxWindowSide, o.width, o.height)) {
          error = "--window takes WxH with each side from 64 to 8192, not '" + value + "'";
          return false;
        }
      } else {
        o.display = DisplayModeSwitch;
        if (!hasValue || !ParseMode(value, o.width, o.height)) {
          error = "--mode takes 640x480, 800x600 or 1024x768" +
                  (hasValue ? ", not '" + value + "'" : std::string());
          return false;
        }
      }
    } else if (arg == "--gl") {
      if (!once(glGiven, arg)) return false;
      if (!hasValue && i + 1 < argc) {
        value = argv[++i];
        hasValue = true;
      }
      if (!ParseGlBackend(value, o.gl)) {
        error = "--gl takes fixed or es" + (hasValue ? ", not '" + value + "'" : std::string());
        return false;
      }
    } else if (arg == "--data" || arg == "--frame-times") {
      bool data = arg == "--data";
      if (!once(data ? dataGiven : timesGiven, arg)) return false;
      if (!hasValue && i + 1 < argc) {
        value = argv[++i];
        hasValue = true;
      }
      if (value.empty()) {
        error = arg + (data ? " needs a folder" : " needs a file name");
        return false;
      }
      (data ? o.dataDir : o.frameTimesFile) = value;
    } else {
      error = "unknown option " + arg + " (see --help)";
      return false;
    }
  }
  return true;
}

const char* PlayerUsage() {
  return "usage: nivora-play [options]\n"
         "Plays the show live with its sound, at any screen size, with the 4:3 picture\n"
         "between black bars and never stretched.\n"
         "\n"
         "  --window [WxH]  a resizable window, default 960x720 (each side 64-8192)\n"
         "  --mode WxH      fullscreen with a real display mode switch to 640x480,\n"
         "                  800x600 or 1024x768, restored when the player ends\n"
         "                  (default: borderless fullscreen at the desktop's own\n"
         "                  resolution, no mode switch)\n"
         "  --loop          play the module again and again\n"
         "  --no-vsync      draw frames as fast as they come instead of at the\n"
         "                  display's refresh\n"
         "  --data DIR      the show's folder (soundtrack.mo3, gfx/, data/); default the\n"
         "                  folder this program is in if it holds the show, else\n"
         "                  the installed ../share/nivora-dusk\n"
         "  --frame-times FILE  write each frame's time in milliseconds to FILE, one a\n"
         "                  line, when the player ends (for measuring the pacing)\n"
         "  --gl fixed|es   draw with the system's fixed-function GL (default) or the\n"
         "                  backend on OpenGL ES 3 shaders, in an ES 3 context (no\n"
         "                  figures overlay there)\n"
         "  --help          this text\n"
         "\n"
         "Keys: Escape quits (the music fades out); Space pauses and resumes; Left and\n"
         "Right go back or forward one order, Home to the start; F or Alt+Enter toggles\n"
         "window and fullscreen; H shows order, row, tick, frames per second and frame\n"
         "time.\n"
         "\n"
         "Exit status: 0 done, 1 the show could not start, 2 bad options.\n";
}
