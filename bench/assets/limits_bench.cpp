// What the picture limits cost: how long the loader takes to turn away the
// pictures that used to stall the start-up (a 16384 x 16384 file with its last
// scan repeated to 4.66 MB, a valid 16384 x 16384 file, a FIFO), and the
// heaviest pictures it still accepts or reads before refusing (4096 x 4096
// progressive; 4096 x 4096 with scans past the decoding budget). Files are made once in a scratch directory by the writers.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/textures.h"
#include "glrec/glrec.h"
#include "writers/jpeg_writer.h"

namespace {

std::string scratch;

std::string Scratch(const char* name) {
  if (scratch.empty()) {
    char pattern[] = "/tmp/nivora-limits-XXXXXX";
    scratch = mkdtemp(pattern);
  }
  return scratch + "/" + name;
}

// The last scan repeated until the file holds `scans` scans, or reaches
// `bytes` when that is given.
std::vector<uint8_t> WithRepeatedLastScan(const std::vector<uint8_t>& file, int scans,
                                          size_t bytes) {
  size_t last = 0;
  int count = 0;
  for (size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xff && file[i + 1] == 0xda) last = i, ++count;
  std::vector<uint8_t> out(file.begin(), file.end() - 2);
  while (bytes > 0 ? out.size() < bytes : count < scans) {
    out.insert(out.end(), file.begin() + static_cast<long>(last), file.end() - 2);
    ++count;
  }
  out.insert(out.end(), {0xff, 0xd9});
  return out;
}

std::vector<uint8_t> WithClaimedSize(std::vector<uint8_t> bytes, int width, int height) {
  for (size_t i = 2; i + 9 < bytes.size();) {
    if (bytes[i + 1] == 0xc0 || bytes[i + 1] == 0xc2) {
      bytes[i + 5] = static_cast<uint8_t>(height >> 8), bytes[i + 6] = static_cast<uint8_t>(height);
      bytes[i + 7] = static_cast<uint8_t>(width >> 8), bytes[i + 8] = static_cast<uint8_t>(width);
      break;
    }
    i += 2 + static_cast<size_t>(bytes[i + 2] << 8 | bytes[i + 3]);
  }
  return bytes;
}

// A texture-like pattern that compresses as photographs do, not as flat grey.
const uint8_t* PatternRow(int y, int width, int channels, std::vector<uint8_t>& row) {
  row.resize(static_cast<size_t>(width * channels));
  for (int x = 0; x < width * channels; ++x)
    row[static_cast<size_t>(x)] = static_cast<uint8_t>(((x * 7) ^ (y * 13)) + ((x * y) >> 9));
  return row.data();
}

void LoadOnce(benchmark::State& state, const std::string& path, bool expectLoaded) {
  maxTextureSize = 16384;
  GlrecSetMode(GlrecCount);
  // The refusal lines would bury the results.
  std::fflush(stderr);
  const int savedStderr = dup(2);
  const int devNull = open("/dev/null", O_WRONLY);
  dup2(devNull, 2);
  close(devNull);
  for (auto _ : state) {
    GlrecReset();
    for (long long& pixels : texturePixels) pixels = 0;
    TextureTable[SlotTex1] = 0;
    LoadTexture(path.c_str(), SlotTex1);
    if ((TextureTable[SlotTex1] != 0) != expectLoaded) state.SkipWithError("unexpected outcome");
  }
  dup2(savedStderr, 2);
  close(savedStderr);
}

void BM_RefuseRepeatedScans16384(benchmark::State& state) {
  static const std::string path = [] {
    JpegOptions spectral;
    spectral.scans = JpegSpectral;
    std::vector<uint8_t> row;
    std::vector<uint8_t> small = EncodeJpegRows(
        [&](int y) { return PatternRow(y, 64, 1, row); }, 64, 64, 1, spectral);
    std::string file = Scratch("scans16384.jpg");
    WriteFileBytes(file, WithRepeatedLastScan(WithClaimedSize(small, 16384, 16384), 0, 4660000));
    return file;
  }();
  LoadOnce(state, path, false);
}
BENCHMARK(BM_RefuseRepeatedScans16384)->Unit(benchmark::kMillisecond);

void BM_RefuseValid16384(benchmark::State& state) {
  static const std::string path = [] {
    std::vector<uint8_t> row;
    JpegOptions options;
    options.quality = 75;
    options.chroma444 = false;
    std::string file = Scratch("valid16384.jpg");
    WriteFileBytes(file, EncodeJpegRows([&](int y) { return PatternRow(y, 16384, 3, row); },
                                        16384, 16384, 3, options));
    return file;
  }();
  LoadOnce(state, path, false);
}
BENCHMARK(BM_RefuseValid16384)->Unit(benchmark::kMillisecond);

void BM_RefuseFifo(benchmark::State& state) {
  static const std::string path = [] {
    std::string file = Scratch("fifo.jpg");
    mkfifo(file.c_str(), 0600);
    return file;
  }();
  LoadOnce(state, path, false);
}
BENCHMARK(BM_RefuseFifo)->Unit(benchmark::kMillisecond);

// The heaviest single picture accepted: 16 Mpx, progressive, no subsampling.
void BM_LoadProgressive4096(benchmark::State& state) {
  static const std::string path = [] {
    std::vector<uint8_t> row;
    JpegOptions options;
    options.scans = JpegProgressive;
    std::string file = Scratch("progressive4096.jpg");
    WriteFileBytes(file, EncodeJpegRows([&](int y) { return PatternRow(y, 4096, 3, row); }, 4096,
                                        4096, 3, options));
    return file;
  }();
  LoadOnce(state, path, true);
}
BENCHMARK(BM_LoadProgressive4096)->Unit(benchmark::kMillisecond)->Iterations(3);

// The slowest refused: 16 Mpx of detail whose AC scan is repeated until the
// scans pass 16 times over the picture's blocks.
void BM_RefuseScanBudget4096(benchmark::State& state) {
  static const std::string path = [] {
    std::vector<uint8_t> row;
    JpegOptions spectral;
    spectral.scans = JpegSpectral;
    std::vector<uint8_t> file = EncodeJpegRows([&](int y) { return PatternRow(y, 4096, 1, row); },
                                               4096, 4096, 1, spectral);
    std::string name = Scratch("scans4096.jpg");
    WriteFileBytes(name, WithRepeatedLastScan(file, 17, 0));
    return name;
  }();
  LoadOnce(state, path, false);
}
BENCHMARK(BM_RefuseScanBudget4096)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::string command = "rm -rf " + scratch;
  if (!scratch.empty()) std::system(command.c_str());
  return 0;
}
