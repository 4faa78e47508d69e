// Placeholder until the run sequence lands.
#include "shell/run.h"

#include <cstdio>
#include <cstdlib>

RunSettings runSettings;

void FatalError(const char* message) {
  std::fprintf(stderr, "%s\n", message);
  std::exit(1);
}
void ShowLoadingPicture() {}
void DrawLoadingFrame(float) {}
void DeleteLoadingPicture() {}
void RunMainLoop() {}
void ReleaseAssets() {}
int RunShow() { return 0; }
