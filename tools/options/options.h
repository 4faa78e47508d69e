// The command lines of the capture, the player and the trace tool, read the one
// way: "--name value" or "--name=value", whole numbers, decimals, sizes, orders
// and seconds, and the show's folder when none is named.
#pragma once

#include <cstdint>
#include <string>

// "--name=value" split into its name (left in arg) and value; false, arg
// untouched, when it has no "=".
bool SplitOptionValue(std::string& arg, std::string& value);

// An optional minus and decimal digits, nothing else, from min to max.
bool ParseWholeNumber(const std::string& text, long long min, long long max, long long& value);
// Digits only, 0 to 2^32 - 1.
bool ParseUnsigned32(const std::string& text, uint32_t& value);
// A finite decimal number: sign, digits, point, exponent. No hex, inf or nan.
bool ParseDecimal(const std::string& text, float& value);
// "WxH", each side a whole number from minSide to maxSide.
bool ParseSize(const std::string& text, int minSide, int maxSide, int& width, int& height);

// One end of a range of the show: the start of an order, or seconds of show time.
struct RangeBound {
  enum Kind { None, Order, Seconds } kind = None;
  int order = 0;
  double seconds = 0;
};
// A bare whole number is an order (0-65535); plain decimals with an s suffix
// ("12.5s") are seconds, up to 10^7.
bool ParseRangeBound(const std::string& text, RangeBound& bound);

// Which GL the frames are drawn with: the system's fixed-function GL, or the
// backend on ES 3 shaders in an ES 3 context.
enum GlBackend { GlBackendFixed, GlBackendEs };
// "fixed" or "es".
bool ParseGlBackend(const std::string& text, GlBackend& backend);

// Where the show's data is when --data is not given: the folder the program is
// in when it holds the soundtrack (a build tree), else the installed data folder
// `installedFromProgram`, relative to the program's folder. `exists` tells
// whether a file is there.
std::string DefaultDataDir(const std::string& programDir, const char* installedFromProgram,
                           bool (*exists)(const std::string& path));
// The folder this program was started from (/proc/self/exe), "." when unknown.
std::string ProgramDir();
// The installed layout: programs in bin/, the data in share/nivora-dusk/.
constexpr const char* kInstalledDataFromBin = "../share/nivora-dusk";
