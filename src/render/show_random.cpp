#include "render/show_random.h"

namespace {
uint32_t randomState = 1;
}

int ShowRandom() {
  randomState = randomState * 214013u + 2531011u;
  return static_cast<int>((randomState >> 16) & 32767u);
}

uint32_t GetShowRandomState() { return randomState; }
void SetShowRandomState(uint32_t state) { randomState = state; }
