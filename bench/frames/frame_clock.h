// Walking the clock through one order frame by frame, as the show would at
// about 120 ms per row, with a music sync every 16 rows.
#pragma once

#include <string>

// Sets the clock to frame `frame` of `frames` spread evenly over `order`.
void StepFrameClock(int order, int frame, int frames);

// Loads the show's objects (and, with a GL context, its pictures) from the show
// directory when its data is there. Returns what was loaded, for the report.
std::string LoadShowData(bool withTextures);
