// The show's one random generator, shared by the grain layers and the object
// glow: state starts at 1 and is never reseeded; each draw sets
// state = state * 214013 + 2531011 (mod 2^32) and returns (state >> 16) & 32767.
#pragma once

#include <cstdint>

int ShowRandom();
uint32_t GetShowRandomState();
void SetShowRandomState(uint32_t state);
