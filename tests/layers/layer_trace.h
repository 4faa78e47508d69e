// Reading numbers back out of a recording: the corners and colours that the
// layers passed, as floats, for checks of geometry rather than of text.
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "glrec/glrec.h"

struct Corner {
  float x, y, z;
};

// The numbers after the function name of one recorded line.
inline std::vector<float> LineNumbers(const std::string& line) {
  std::istringstream in(line);
  std::string field;
  in >> field;
  std::vector<float> numbers;
  while (in >> field) numbers.push_back(std::strtof(field.c_str(), nullptr));
  return numbers;
}

inline std::vector<Corner> RecordedCorners() {
  std::vector<Corner> corners;
  for (const std::string& line : GlrecCallsNamed("glVertex3f")) {
    std::vector<float> v = LineNumbers(line);
    corners.push_back({v.at(0), v.at(1), v.at(2)});
  }
  return corners;
}

// The grey level of each recorded glColor3f, one per drawn quad.
inline std::vector<float> RecordedGreys() {
  std::vector<float> greys;
  for (const std::string& line : GlrecCallsNamed("glColor3f")) greys.push_back(LineNumbers(line).at(0));
  return greys;
}

// The centre of quad q: the mean of its four corners.
inline Corner QuadCentre(const std::vector<Corner>& corners, size_t q) {
  Corner c{0, 0, 0};
  for (size_t k = 0; k < 4; ++k) {
    c.x += corners.at(4 * q + k).x / 4;
    c.y += corners.at(4 * q + k).y / 4;
    c.z += corners.at(4 * q + k).z / 4;
  }
  return c;
}
