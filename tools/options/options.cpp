#include "options/options.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>

bool SplitOptionValue(std::string& arg, std::string& value) {
  size_t eq = arg.find('=');
  if (arg.rfind("--", 0) != 0 || eq == std::string::npos) return false;
  value = arg.substr(eq + 1);
  arg = arg.substr(0, eq);
  return true;
}

bool ParseWholeNumber(const std::string& text, long long min, long long max, long long& value) {
  size_t digits = text.size() > 0 && text[0] == '-' ? 1 : 0;
  // strtoll alone would take leading blanks, a plus sign and "0x".
  if (digits == text.size() || text.find_first_not_of("0123456789", digits) != std::string::npos)
    return false;
  errno = 0;
  long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE || v < min || v > max) return false;
  value = v;
  return true;
}

bool ParseUnsigned32(const std::string& text, uint32_t& value) {
  if (text.empty() || text[0] == '-') return false;
  long long v = 0;
  if (!ParseWholeNumber(text, 0, UINT32_MAX, v)) return false;
  value = static_cast<uint32_t>(v);
  return true;
}

bool ParseDecimal(const std::string& text, float& value) {
  if (text.empty() || text.find_first_not_of("0123456789+-.eE") != std::string::npos) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtof(text.c_str(), &end);
  return end != text.c_str() && *end == '\0' && errno != ERANGE && std::isfinite(value);
}

bool ParseSize(const std::string& text, int minSide, int maxSide, int& width, int& height) {
  size_t x = text.find('x');
  if (x == std::string::npos) return false;
  long long w = 0, h = 0;
  if (!ParseWholeNumber(text.substr(0, x), minSide, maxSide, w) ||
      !ParseWholeNumber(text.substr(x + 1), minSide, maxSide, h))
    return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

bool ParseRangeBound(const std::string& text, RangeBound& bound) {
  if (!text.empty() && text.back() == 's') {
    // Plain decimals only ("12.5s"): no sign, exponent, hex or "inf".
    std::string number = text.substr(0, text.size() - 1);
    size_t points = std::count(number.begin(), number.end(), '.');
    if (number.find_first_not_of("0123456789.") != std::string::npos || points > 1 ||
        number.size() == points)
      return false;
    double v = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(v) || v > 1e7) return false;
    bound.kind = RangeBound::Seconds;
    bound.seconds = v;
    return true;
  }
  long long order = 0;
  if (!ParseWholeNumber(text, 0, 65535, order)) return false;
  bound.kind = RangeBound::Order;
  bound.order = static_cast<int>(order);
  return true;
}

std::string DefaultDataDir(const std::string& programDir, const char* installedFromProgram,
                           bool (*exists)(const std::string& path)) {
  if (exists(programDir + "/soundtrack.mo3")) return programDir;
  return (std::filesystem::path(programDir) / installedFromProgram).lexically_normal().string();
}

std::string ProgramDir() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  path[n] = '\0';
  std::string text = path;
  size_t slash = text.rfind('/');
  return slash == std::string::npos ? "." : text.substr(0, slash);
}

bool ParseGlBackend(const std::string& text, GlBackend& backend) {
  if (text != "fixed" && text != "es") return false;
  backend = text == "es" ? GlBackendEs : GlBackendFixed;
  return true;
}
