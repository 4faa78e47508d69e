// The program's icon set, cut from the sun-wheel picture: square RGBA PNGs,
// round (transparent beyond the wheel's outer ring).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datagen/canvas.h"

constexpr int iconSizes[] = {48, 128, 256};

// The icon at size x size as RGBA bytes, top row first: the picture box-filtered
// down, thin lines brightened so they stay visible at small sizes, and a soft
// round edge.
std::vector<uint8_t> MakeIcon(const Canvas& picture, int size);

// Writes directory/nivora-dusk-N.png for every size in iconSizes.
bool WriteIcons(const std::string& directory, const Canvas& picture);
