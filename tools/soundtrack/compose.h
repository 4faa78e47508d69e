// The show's soundtrack, composed: 19 orders of 64 rows at speed 6 and 110 BPM
// (136.4 ms a row, 2:46 in all) in A minor, with the sync effect E81 on a
// channel of its own at the rows the pictures flash on.
#pragma once

#include <utility>
#include <vector>

#include "modwriter/xm_writer.h"

constexpr int soundtrackChannels = 12;
constexpr int syncChannel = 11;

XmModule ComposeSoundtrack();

// (order, row) of every sync, in playing order.
std::vector<std::pair<int, int>> SoundtrackSyncRows();
