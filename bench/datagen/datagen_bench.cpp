// The whole data set must be generated in well under ten seconds.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "datagen/generate.h"
#include "datagen/objects.h"
#include "datagen/pictures.h"
#include "datagen/text.h"

static void BM_PaintEveryPicture(benchmark::State& state) {
  OpenFonts();
  for (auto _ : state) {
    for (const PictureEntry& entry : showPictures) benchmark::DoNotOptimize(PaintPicture(entry).pixels.data());
  }
  CloseFonts();
}
BENCHMARK(BM_PaintEveryPicture)->Unit(benchmark::kMillisecond);

static void BM_BuildEveryObject(benchmark::State& state) {
  for (auto _ : state) {
    for (const ObjectEntry& entry : showObjects) benchmark::DoNotOptimize(entry.build().faces.data());
  }
}
BENCHMARK(BM_BuildEveryObject)->Unit(benchmark::kMillisecond);

// Painting, encoding and writing all files, as the build runs it.
static void BM_GenerateShowData(benchmark::State& state) {
  std::string directory = std::filesystem::temp_directory_path() / "nivora-datagen-bench";
  for (auto _ : state) benchmark::DoNotOptimize(GenerateShowData(directory));
  std::filesystem::remove_all(directory);
}
BENCHMARK(BM_GenerateShowData)->Unit(benchmark::kMillisecond)->Iterations(3);
