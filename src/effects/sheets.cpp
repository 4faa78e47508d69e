// Placeholder until the swirl sheets land.
#include "effects/sheets.h"

int swirlKickTime = 0;
int swirlKickSign = 1;
int pairKickTime = 0;
int pairKickSign = 1;

void BuildSwirlSheet(float, float, float, Sheet&) {}
void DrawSheetAdd(float, const Sheet&, GLuint) {}
void DrawSwirl(float, float, int) {}
void DrawSwirlPair(float, float, int, int) {}
