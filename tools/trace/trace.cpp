// nivora-trace: draws one frame of the show through the recording GL stand-in and
// prints every GL and GLU call it made, then the state the frame leaves behind.
//
//   nivora-trace --order O --row R --tick K --elapsed E [options]
//
// No picture is decoded and no window, audio or GL context is opened: the
// texture table holds 1000 + slot for every slot the show loads, and objects
// are read only when --data names a directory holding data/.
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets/objects.h"
#include "assets/textures.h"
#include "effects/sheets.h"
#include "glrec/glrec.h"
#include "options/options.h"
#include "music/clock.h"
#include "render/show_random.h"
#include "records/gl_window.h"
#include "timeline/frame_state.h"
#include "timeline/timeline.h"

namespace {

const char usageText[] =
    "usage: nivora-trace --order O --row R --tick K --elapsed E [options]\n"
    "  --order O         order, any integer (19 or more, or negative: black)\n"
    "  --row R           row, 0-63\n"
    "  --tick K          tick within the row, 0-63\n"
    "  --elapsed E       elapsed milliseconds, a decimal number\n"
    "  --last-sync L     ms of the last sync taken (default -100000)\n"
    "  --pending T       a sync is pending, fired at T ms\n"
    "  --rand N          state of the random generator (default 1)\n"
    "  --swirl-kick T S  swirl kick time and sign (default 0 1)\n"
    "  --pair-kick T S   swirl pair kick time and sign (default 0 1)\n"
    "  --data DIR        load the objects from DIR/data/\n"
    "  --help            this text\n"
    "A value may also follow its name after '=' (--order=3).\n";

[[noreturn]] void FailUsage(const char* problem, const char* value) {
  if (value)
    std::fprintf(stderr, "nivora-trace: %s: %s\n", problem, value);
  else
    std::fprintf(stderr, "nivora-trace: %s\n", problem);
  std::fputs(usageText, stderr);
  std::exit(2);
}

struct TraceOptions {
  bool hasOrder = false, hasRow = false, hasTick = false, hasElapsed = false;
  int order = 0, row = 0, tick = 0;
  float elapsedMs = 0;
  int lastSync = -100000;
  bool pending = false;
  float pendingMs = 0;
  uint32_t randState = 1;
  int swirlKick[2] = {0, 1};
  int pairKick[2] = {0, 1};
  std::string dataDir;  // empty: no objects
};

TraceOptions ParseOptions(int argc, char** argv) {
  TraceOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(usageText, stdout);
      std::exit(0);
    }
    // "--name=value" gives the first value; a second comes from the next argument.
    std::string inlineValue;
    bool hasInline = SplitOptionValue(arg, inlineValue);
    const char* name = arg.c_str();
    auto next = [&]() -> std::string {
      if (hasInline) {
        hasInline = false;
        return inlineValue;
      }
      if (i + 1 >= argc) FailUsage("missing value for", name);
      return argv[++i];
    };
    auto nextInt = [&](int& value) {
      std::string text = next();
      long long parsed = 0;
      if (!ParseWholeNumber(text, INT32_MIN, INT32_MAX, parsed))
        FailUsage("not an integer", text.c_str());
      value = static_cast<int>(parsed);
    };
    auto nextFloat = [&](float& value) {
      std::string text = next();
      if (!ParseDecimal(text, value)) FailUsage("not a decimal number", text.c_str());
    };
    if (std::strcmp(name, "--order") == 0) {
      nextInt(options.order);
      options.hasOrder = true;
    } else if (std::strcmp(name, "--row") == 0) {
      nextInt(options.row);
      options.hasRow = true;
    } else if (std::strcmp(name, "--tick") == 0) {
      nextInt(options.tick);
      options.hasTick = true;
    } else if (std::strcmp(name, "--elapsed") == 0) {
      nextFloat(options.elapsedMs);
      options.hasElapsed = true;
    } else if (std::strcmp(name, "--last-sync") == 0) {
      nextInt(options.lastSync);
    } else if (std::strcmp(name, "--pending") == 0) {
      nextFloat(options.pendingMs);
      options.pending = true;
    } else if (std::strcmp(name, "--rand") == 0) {
      std::string text = next();
      if (!ParseUnsigned32(text, options.randState))
        FailUsage("not an unsigned 32-bit number", text.c_str());
    } else if (std::strcmp(name, "--swirl-kick") == 0) {
      nextInt(options.swirlKick[0]);
      nextInt(options.swirlKick[1]);
    } else if (std::strcmp(name, "--pair-kick") == 0) {
      nextInt(options.pairKick[0]);
      nextInt(options.pairKick[1]);
    } else if (std::strcmp(name, "--data") == 0) {
      options.dataDir = next();
      if (options.dataDir.empty()) FailUsage("--data needs a folder", nullptr);
    } else {
      FailUsage("unknown argument", name);
    }
    if (hasInline) FailUsage("takes no value", name);
  }
  if (!options.hasOrder) FailUsage("--order is required", nullptr);
  if (!options.hasRow) FailUsage("--row is required", nullptr);
  if (!options.hasTick) FailUsage("--tick is required", nullptr);
  if (!options.hasElapsed) FailUsage("--elapsed is required", nullptr);
  if (options.row < 0 || options.row > 63) FailUsage("--row must be 0-63", nullptr);
  if (options.tick < 0 || options.tick > 63) FailUsage("--tick must be 0-63", nullptr);
  return options;
}

void SetUpFrame(const TraceOptions& options) {
  SetGlWindowSize(showPictureWidth, showPictureHeight);
  for (GLuint& name : TextureTable) name = 0;
  for (const TextureLoad& load : textureLoads) TextureTable[load.slot] = 1000 + load.slot;

  if (!options.dataDir.empty()) {
    // The loader reads "data//..." relative to the working directory.
    if (chdir(options.dataDir.c_str()) != 0)
      FailUsage("cannot enter directory", options.dataDir.c_str());
    if (!LoadObjects()) {
      std::fputs("nivora-trace: out of memory\n", stderr);
      std::exit(1);
    }
  }

  // The camera and the poses as the loader left them; everything else from the options.
  FrameState frame;
  SaveFrameState(frame);
  SetShowStartValues(frame);
  SetFrameClock(frame, options.order, options.row, options.tick, options.elapsedMs);
  frame.lastSyncMs = options.lastSync;
  if (options.pending) {
    frame.syncPending = 1;
    frame.syncTimeMs = options.pendingMs;
  }
  frame.randomState = options.randState;
  frame.swirlKickTime = options.swirlKick[0];
  frame.swirlKickSign = options.swirlKick[1];
  frame.pairKickTime = options.pairKick[0];
  frame.pairKickSign = options.pairKick[1];
  RestoreFrameState(frame);
}

}  // namespace

int main(int argc, char** argv) {
  TraceOptions options = ParseOptions(argc, argv);
  SetUpFrame(options);

  GlrecSetMode(GlrecRecord);
  GlrecReset();
  DrawFrame();

  std::string out;
  for (const std::string& line : GlrecCalls()) {
    out += line;
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::printf("# lastSyncMs %d\n", lastSyncMs);
  std::printf("# pending %d\n", syncEvent.pending.load());
  std::printf("# rand %u\n", static_cast<unsigned>(GetShowRandomState()));
  std::printf("# swirlKick %d %d\n", swirlKickTime, swirlKickSign);
  std::printf("# pairKick %d %d\n", pairKickTime, pairKickSign);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
