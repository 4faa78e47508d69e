#include "frame_clock.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "assets/objects.h"
#include "assets/textures.h"
#include "music/clock.h"

void StepFrameClock(int order, int frame, int frames) {
  int rowPosition = static_cast<int>(static_cast<int64_t>(frame % frames) * 4096 / frames);
  float elapsed = static_cast<float>((order * 64 * 64 + rowPosition) * (120.0 / 64));
  demoClock.elapsedMs.store(elapsed);
  SetClockPosition(static_cast<int32_t>(order | (rowPosition << 16)));
  if (rowPosition % 1024 < 4096 / frames) OnMusicSync(0, 0, 0, 0);
}

std::string LoadShowData(bool withTextures) {
  struct stat info;
  std::string dir = NIVORA_SHOW_DIR;
  if (stat((dir + "/data").c_str(), &info) != 0) return "none: objects and pictures empty";
  char previous[4096];
  if (!getcwd(previous, sizeof previous) || chdir(dir.c_str()) != 0)
    return "none: show directory unreadable";
  LoadObjects();
  if (withTextures) LoadAllTextures();
  int objects = 0, pictures = 0;
  for (const Object3D& object : ObjectTable) objects += object.faces != nullptr;
  for (const TextureLoad& load : textureLoads) pictures += TextureTable[load.slot] != 0;
  if (chdir(previous) != 0) return "show data, working directory lost";
  return "show data from " + dir + ": " + std::to_string(objects) + " objects, " +
         std::to_string(pictures) + " pictures";
}
