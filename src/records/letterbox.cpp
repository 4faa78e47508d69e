#include "records/letterbox.h"

#include <cmath>

PictureRect FitPicture(int frameWidth, int frameHeight) {
  PictureRect r;
  if (static_cast<long>(frameWidth) * 3 >= static_cast<long>(frameHeight) * 4) {
    r.height = frameHeight;
    r.width = static_cast<int>(std::lround(frameHeight * 4.0 / 3.0));
  } else {
    r.width = frameWidth;
    r.height = static_cast<int>(std::lround(frameWidth * 3.0 / 4.0));
  }
  r.x = (frameWidth - r.width) / 2;
  r.y = (frameHeight - r.height) / 2;
  return r;
}
