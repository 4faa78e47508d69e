// The ES 3 backend's frames against the fixed-function GL's, both on the
// system's GL at 640x480: every order at `--states N` clock states (default 5),
// one table row per order. `--dump DIR` writes each pair that differs as PPMs.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "backend_frames.h"

namespace {

constexpr int width = 640;
constexpr int height = 480;
constexpr int orders = 19;
constexpr std::size_t frameBytes = std::size_t{width} * height * 3;

void WritePpm(const std::string& path, const unsigned char* rgb) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fprintf(f, "P6\n%d %d\n255\n", width, height);
  for (int row = height - 1; row >= 0; --row)  // GL's rows run bottom up
    std::fwrite(rgb + std::size_t{width} * 3 * row, 1, std::size_t{width} * 3, f);
  std::fclose(f);
}

bool DrawAll(bool es, int states, std::vector<unsigned char>& frames) {
  std::string error;
  if (!OpenBackend(es, width, height, error)) {
    std::fprintf(stderr, "es_exactness: %s\n", error.c_str());
    return false;
  }
  frames.assign(frameBytes * orders * states, 0);
  ResetShowState();
  for (int order = 0; order < orders; ++order)
    for (int s = 0; s < states; ++s)
      DrawStateFrame(order, StateFrame(s, states), stateFramesPerOrder, width, height,
                     frames.data() + frameBytes * (order * states + s));
  CloseBackend(es);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int states = 5;
  std::string dump;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--states") == 0) states = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--dump") == 0) dump = argv[i + 1];
  }
  if (states < 1 || states > 64) return 2;
  std::vector<unsigned char> fixed, es;
  if (!DrawAll(false, states, fixed) || !DrawAll(true, states, es)) return 1;
  std::printf("| order | identical | max diff | pixels over 2 |\n|---|---|---|---|\n");
  for (int order = 0; order < orders; ++order) {
    FrameDifference total;
    for (int s = 0; s < states; ++s) {
      std::size_t at = frameBytes * (order * states + s);
      FrameDifference d = CompareFrames(fixed.data() + at, es.data() + at, frameBytes / 3);
      AddDifference(total, d);
      if (!dump.empty() && d.identical != d.pixels) {
        std::string base = dump + "/o" + std::to_string(order) + "s" + std::to_string(s);
        WritePpm(base + "-fixed.ppm", fixed.data() + at);
        WritePpm(base + "-es.ppm", es.data() + at);
      }
    }
    std::printf("| %d | %.4f %% | %d | %lld |\n", order, 100.0 * total.identical / total.pixels,
                total.maxDiff, total.overTwo);
  }
  return 0;
}
