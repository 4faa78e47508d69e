// Where the show's 4:3 picture sits in a frame or window of any size: full
// height centred between bars left and right when the frame is wider than 4:3,
// full width between bars above and below when it is taller. The capture and the
// player both lay the picture out with it, so a captured frame and a window of
// the same size put every pixel in the same place.
#pragma once

struct PictureRect {
  int x = 0, y = 0, width = 0, height = 0;  // pixels; y counts up from the bottom, as GL's viewport
};

PictureRect FitPicture(int frameWidth, int frameHeight);
