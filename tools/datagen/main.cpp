// nivora-datagen OUTPUT_DIR [--contact-sheet FILE.png] [--stats] [--preview DIR] [--icons DIR]
// Paints the show's pictures and builds its objects into OUTPUT_DIR/gfx and
// OUTPUT_DIR/data. The same files, byte for byte, on every run.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "datagen/generate.h"
#include "datagen/icons.h"
#include "datagen/pictures.h"

int main(int argc, char** argv) {
  std::string directory, sheet, preview, icons;
  bool stats = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--contact-sheet") == 0 && i + 1 < argc) {
      sheet = argv[++i];
    } else if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc) {
      preview = argv[++i];  // every picture also as a full-size PNG, for review
    } else if (std::strcmp(argv[i], "--icons") == 0 && i + 1 < argc) {
      icons = argv[++i];  // the program's icon set, nivora-dusk-N.png
    } else if (std::strcmp(argv[i], "--stats") == 0) {
      stats = true;
    } else if (argv[i][0] != '-' && directory.empty()) {
      directory = argv[i];
    } else {
      directory.clear();
      break;
    }
  }
  if (directory.empty()) {
    std::fprintf(stderr, "usage: nivora-datagen OUTPUT_DIR [--contact-sheet FILE.png] [--stats] [--preview DIR] [--icons DIR]\n");
    return 2;
  }
  std::vector<Canvas> painted;
  bool keep = stats || !sheet.empty() || !preview.empty() || !icons.empty();
  if (!GenerateShowData(directory, keep ? &painted : nullptr)) return 1;
  if (stats) {
    std::printf("%-20s %6s %6s %6s %6s\n", "picture", "mean", "dark", "light", ">0.5");
    for (size_t i = 0; i < painted.size(); ++i) {
      std::vector<uint8_t> bytes = CanvasBytes(painted[i]);
      PictureStats s = MeasurePicture(bytes.data(), painted[i].width, painted[i].height);
      std::printf("%-20s %6.3f %6.3f %6.3f %6.3f\n", showPictures[i].path, s.mean, s.darkShare,
                  s.lightShare, s.brightShare);
    }
  }
  if (!sheet.empty() && !WriteContactSheet(sheet, painted)) return 1;
  for (size_t i = 0; i < painted.size() && !icons.empty(); ++i)
    if (std::strcmp(showPictures[i].path, "gfx/tex4.jpg") == 0 && !WriteIcons(icons, painted[i]))
      return 1;
  for (size_t i = 0; i < painted.size() && !preview.empty(); ++i) {
    std::string name = showPictures[i].path;
    for (char& ch : name) ch = ch == '/' ? '-' : ch;
    if (!WritePng(preview + "/" + name + ".png", painted[i])) return 1;
  }
  return 0;
}
