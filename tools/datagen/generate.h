// Writes the show's pictures and objects into a show directory (gfx/ and data/
// below it), and the contact sheet that shows all pictures at a glance.
#pragma once

#include <string>
#include <vector>

#include "datagen/canvas.h"

struct PictureStats {
  double mean = 0;         // all channels, 0..1
  double darkShare = 0;    // share of pixels whose channels are all below 8
  double lightShare = 0;   // share of pixels whose channels are all above 245
  double brightShare = 0;  // share of pixels whose mean is above 0.5
};

PictureStats MeasurePicture(const uint8_t* rgb, int width, int height);

// Paints every picture and builds every object, writing them below `directory`.
// Keeps the painted pictures in `painted` (in table order) when it is given.
// Reports failures on standard error; false if any file could not be written.
bool GenerateShowData(const std::string& directory, std::vector<Canvas>* painted = nullptr);

// A PNG sheet of all pictures with their names.
bool WriteContactSheet(const std::string& path, const std::vector<Canvas>& pictures);
bool WritePng(const std::string& path, const Canvas& canvas);
