#include "capture/plan.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>

#include "music/offline_clock.h"

namespace {

void PutLe(unsigned char* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; i++) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void WavHeader(unsigned char (&h)[44], int64_t frames) {
  uint32_t data = static_cast<uint32_t>(frames * 4);
  std::memcpy(h, "RIFF", 4);
  PutLe(h + 4, 36 + data, 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  PutLe(h + 16, 16, 4);     // format chunk size
  PutLe(h + 20, 1, 2);      // PCM
  PutLe(h + 22, 2, 2);      // stereo
  PutLe(h + 24, kCaptureSampleRate, 4);
  PutLe(h + 28, kCaptureSampleRate * 4, 4);  // bytes per second
  PutLe(h + 32, 4, 2);      // bytes per frame
  PutLe(h + 34, 16, 2);     // bits per sample
  std::memcpy(h + 36, "data", 4);
  PutLe(h + 40, data, 4);
}

// The first frame at or after a time in seconds; times are in ms-exact steps
// of 1/fps, so a hair of tolerance keeps 12.5 s at 60 fps on frame 750.
int64_t FrameAtSeconds(double seconds, int fps) {
  return static_cast<int64_t>(std::ceil(seconds * fps - 1e-6));
}

}  // namespace

std::string ShowTimeText(double seconds) {
  long tenths = std::lround(seconds * 10);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld.%ld", tenths / 600, tenths / 10 % 60, tenths % 10);
  return text;
}

bool OpenWav(WavWriter& wav, const std::string& path) {
  wav.file = std::fopen(path.c_str(), "wb");
  wav.frames = 0;
  if (!wav.file) return false;
  unsigned char header[44];
  WavHeader(header, 0);
  return std::fwrite(header, 1, sizeof header, wav.file) == sizeof header;
}

bool AppendWav(WavWriter& wav, const int16_t* samples, int64_t frames) {
  if (frames <= 0) return true;
  // WAV is little-endian, as is every machine this runs on.
  size_t count = static_cast<size_t>(frames) * 2;
  wav.frames += frames;
  return std::fwrite(samples, sizeof(int16_t), count, wav.file) == count;
}

bool CloseWav(WavWriter& wav) {
  if (!wav.file) return false;
  unsigned char header[44];
  WavHeader(header, wav.frames);
  bool ok = std::fseek(wav.file, 0, SEEK_SET) == 0 &&
            std::fwrite(header, 1, sizeof header, wav.file) == sizeof header;
  ok = std::fflush(wav.file) == 0 && ok;
  ok = std::ferror(wav.file) == 0 && ok;
  ok = std::fclose(wav.file) == 0 && ok;
  wav.file = nullptr;
  return ok;
}

PlanResult PlanCapture(const std::vector<char>& module, const CaptureOptions& options,
                       const std::string& wavPath, CapturePlan& plan, std::string& error) {
  plan = CapturePlan{};
  int fps = options.fps;
  OfflineClock clock;
  if (!OpenOfflineClock(clock, module.data(), module.size(), fps)) {
    error = "the soundtrack is not a module the decoder can read";
    return PlanFailed;
  }
  WavWriter wav;
  if (!wavPath.empty() && !OpenWav(wav, wavPath)) {
    error = "cannot write " + wavPath + ": " + std::strerror(errno);
    CloseOfflineClock(clock);
    return PlanFailed;
  }

  // Frames of the range as far as they are known: seconds at once, orders when
  // their first frame comes by. -1: not known yet.
  const RangeBound& from = options.from;
  const RangeBound& to = options.to;
  int64_t first = from.kind == RangeBound::None      ? 0
                  : from.kind == RangeBound::Seconds ? FrameAtSeconds(from.seconds, fps)
                                                     : -1;
  int64_t end = to.kind == RangeBound::Seconds ? FrameAtSeconds(to.seconds, fps) : -1;
  int lastOrder = -1;
  bool written = true;
  for (;;) {
    StepOfflineClock(clock);
    bool pastEnd = OfflineClockPastEnd(clock);
    if (!pastEnd) {
      int order = clock.position < 0 ? -1 : (clock.position & 0xFFFF);
      lastOrder = std::max(lastOrder, order);
      if (first < 0 && order == from.order) first = clock.frame;
      if (end < 0 && to.kind == RangeBound::Order && order == to.order) end = clock.frame;
    }
    if (wav.file && first >= 0) {
      // This step's samples that sound while the range is on screen; the step
      // past the end still holds the module's last samples.
      int64_t lo = std::max(clock.blockStart, FrameFirstSample(first, fps));
      int64_t hi = clock.blockStart + clock.blockFrames;
      if (end >= 0) hi = std::min(hi, FrameFirstSample(end, fps));
      if (clock.player.endFrame >= 0) hi = std::min(hi, clock.player.endFrame);
      if (hi > lo)
        written = AppendWav(wav, clock.block.data() + 2 * (lo - clock.blockStart), hi - lo) &&
                  written;
    }
    if (pastEnd) break;
  }
  plan.showFrames = clock.frame;
  plan.moduleSamples = clock.player.endFrame;
  CloseOfflineClock(clock);
  bool closed = !wav.file || CloseWav(wav);
  if (!written || !closed) {
    error = "cannot write " + wavPath + ": " + std::strerror(errno);
    return PlanFailed;
  }

  if (plan.showFrames == 0) {
    error = "the soundtrack plays nothing: no frame to capture";
    return PlanFailed;
  }
  std::string length = ShowTimeText(static_cast<double>(plan.moduleSamples) / kCaptureSampleRate);
  std::string orders = "orders 0-" + std::to_string(lastOrder);
  if (from.kind == RangeBound::Order && first < 0) {
    error = "--from " + std::to_string(from.order) + ": the show never plays that order (" +
            orders + ")";
    return PlanBadRange;
  }
  if (first >= plan.showFrames) {
    error = "--from is past the end of the show (" + length + ")";
    return PlanBadRange;
  }
  if (to.kind == RangeBound::Order && end < 0) {
    // The order after the last one is the end of the show.
    if (to.order != lastOrder + 1) {
      error = "--to " + std::to_string(to.order) + ": the show never plays that order (" +
              orders + "; " + std::to_string(lastOrder + 1) + " is the end)";
      return PlanBadRange;
    }
  }
  if (end < 0 || end > plan.showFrames) end = plan.showFrames;
  if (end <= first) {
    error = "the range from --from to --to holds no frame";
    return PlanBadRange;
  }
  plan.firstFrame = first;
  plan.endFrame = end;
  plan.audioStart = FrameFirstSample(first, fps);
  plan.audioEnd = std::min(FrameFirstSample(end, fps), plan.moduleSamples);
  return PlanOk;
}
