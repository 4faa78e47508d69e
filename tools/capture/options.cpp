#include "capture/options.h"

namespace {

// Frames larger than this are refused: a read-back buffer of 8192 x 8192 is
// already 200 MB, and GL implementations stop at 8192 or 16384.
constexpr int kMaxSide = 8192;
constexpr int kMaxFps = 240;

}  // namespace

bool ParseCaptureOptions(int argc, const char* const* argv, CaptureOptions& o,
                         std::string& error) {
  bool seen[9] = {};
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      o.help = true;
      continue;
    }
    std::string value;
    bool hasValue = SplitOptionValue(arg, value);
    static const char* const names[] = {"--out", "--fps",  "--size", "--from",
                                        "--to",  "--frames", "--data", "--gl"};
    int which = -1;
    for (int n = 0; n < 8; n++)
      if (arg == names[n]) which = n;
    if (which < 0) {
      error = "unknown option " + arg + " (see --help)";
      return false;
    }
    if (!hasValue) {
      if (i + 1 >= argc) {
        error = arg + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    if (seen[which]) {
      error = arg + " is given twice";
      return false;
    }
    seen[which] = true;
    long long number = 0;
    switch (which) {
      case 0:
        if (value.empty()) {
          error = "--out needs a file name";
          return false;
        }
        o.out = value;
        o.outGiven = true;
        break;
      case 1:
        if (!ParseWholeNumber(value, 1, kMaxFps, number)) {
          error = "--fps takes a whole number from 1 to 240, not '" + value + "'";
          return false;
        }
        o.fps = static_cast<int>(number);
        break;
      case 2:
        if (!ParseSize(value, 2, kMaxSide, o.width, o.height)) {
          error = "--size takes WxH with each side from 2 to 8192, not '" + value + "'";
          return false;
        }
        if (o.width % 2 || o.height % 2) {
          error = "--size " + value + ": both sides must be even";
          return false;
        }
        break;
      case 3:
      case 4:
        if (!ParseRangeBound(value, which == 3 ? o.from : o.to)) {
          error = arg + " takes an order (4) or seconds of show time (12.5s), not '" + value + "'";
          return false;
        }
        break;
      case 5:
        if (value.empty()) {
          error = "--frames needs a folder";
          return false;
        }
        o.framesDir = value;
        break;
      case 6:
        if (value.empty()) {
          error = "--data needs a folder";
          return false;
        }
        o.dataDir = value;
        break;
      case 7:
        if (!ParseGlBackend(value, o.gl)) {
          error = "--gl takes fixed or es, not '" + value + "'";
          return false;
        }
        break;
    }
  }
  if (o.outGiven && !o.framesDir.empty()) {
    error = "--out and --frames exclude each other: choose a video or a folder of frames";
    return false;
  }
  const RangeBound& f = o.from;
  const RangeBound& t = o.to;
  bool bothOrders = f.kind == RangeBound::Order && t.kind == RangeBound::Order;
  bool bothSeconds = f.kind == RangeBound::Seconds && t.kind == RangeBound::Seconds;
  if ((bothOrders && t.order <= f.order) || (bothSeconds && t.seconds <= f.seconds)) {
    error = "--to must come after --from";
    return false;
  }
  return true;
}

const char* CaptureUsage() {
  return "usage: nivora-capture [options]\n"
         "Renders the show offline, frame by frame, to a video (or PNG frames and a WAV),\n"
         "with picture and sound in sync; needs no display and no GPU.\n"
         "\n"
         "  --out FILE      the MP4 to write (H.264 + AAC, by ffmpeg); default nivora-dusk.mp4\n"
         "  --frames DIR    write DIR/frame-NNNNNN.png (numbered by show frame) and\n"
         "                  DIR/audio.wav (16-bit stereo, 44,100 Hz) instead of an MP4\n"
         "  --fps N         frames per second, 1-240; default 60\n"
         "  --size WxH      frame size, both sides even; default 640x480. The 4:3 picture\n"
         "                  fills the height (or width) with black bars, never stretched\n"
         "  --from WHERE    start of the capture: an order (4: its first row) or seconds\n"
         "                  of show time (12.5s); default the start\n"
         "  --to WHERE      end of the capture, not included: an order (5: up to its first\n"
         "                  row) or seconds; default the end of the module\n"
         "  --data DIR      the show's folder (soundtrack.mo3, gfx/, data/); default the\n"
         "                  folder this program is in when it holds them, else the\n"
         "                  installed data (../share/nivora-dusk beside it)\n"
         "  --gl fixed|es   draw with the system's fixed-function GL (default) or the\n"
         "                  backend on OpenGL ES 3 shaders, in an ES 3 context\n"
         "  --help          this text\n"
         "\n"
         "Exit status: 0 done, 1 the capture failed, 2 bad options.\n";
}
