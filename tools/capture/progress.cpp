#include "capture/progress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

double Since(std::chrono::steady_clock::time_point t, std::chrono::steady_clock::time_point now) {
  return std::chrono::duration<double>(now - t).count();
}

}  // namespace

void StartProgress(CaptureProgress& p, int64_t total) {
  p.total = total;
  p.terminal = isatty(2) != 0;
  p.start = p.lastReport = std::chrono::steady_clock::now();
  p.reported = false;
}

void FormatProgress(char* text, int size, int64_t done, int64_t total, double seconds,
                    int width) {
  double fraction = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
  std::string bar;
  if (width > 0) {
    int filled = static_cast<int>(fraction * width);
    bar = "[" + std::string(filled, '#') + std::string(width - filled, '.') + "] ";
  }
  double fps = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  char left[32] = "--:--";
  if (fps > 0) {
    long remaining = std::lround(static_cast<double>(total - done) / fps);
    std::snprintf(left, sizeof left, "%ld:%02ld", remaining / 60, remaining % 60);
  }
  std::snprintf(text, static_cast<size_t>(size), "%s%3d%%  %lld/%lld frames  %.1f fps  %s left",
                bar.c_str(), static_cast<int>(fraction * 100), static_cast<long long>(done),
                static_cast<long long>(total), fps, left);
}

void ReportProgress(CaptureProgress& p, int64_t done) {
  auto now = std::chrono::steady_clock::now();
  double sinceLast = Since(p.lastReport, now);
  bool last = done >= p.total;
  if (p.terminal ? sinceLast < 0.2 && !last : sinceLast < 10 && !last) return;
  p.lastReport = now;
  p.reported = true;
  char text[160];
  FormatProgress(text, sizeof text, done, p.total, Since(p.start, now), p.terminal ? 30 : 0);
  if (p.terminal)
    std::fprintf(stderr, "\r%s\x1b[K", text);
  else
    std::fprintf(stderr, "nivora-capture: %s\n", text);
  std::fflush(stderr);
}

void EndProgress(CaptureProgress& p) {
  if (p.terminal && p.reported) std::fputc('\n', stderr);
}
