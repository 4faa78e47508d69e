#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/objects.h"
#include "assets/textures.h"
#include "music/clock.h"
#include "shell/offscreen_gl.h"
#include "shell/window.h"
#include "stand_in_objects.h"
#include "timeline/timeline.h"

// The whole show fast-forwarded through the real GL: every scene's calls must be
// valid GL, frame after frame, with pictures in every loaded slot and small
// objects in place of the show's four.
namespace {

// A 64x64 picture per loaded slot: a grey ramp tinted by the slot number.
void UploadStandInTextures() {
  std::vector<uint8_t> rgb(64 * 64 * 3);
  for (const TextureLoad& load : textureLoads) {
    for (int i = 0; i < 64 * 64; ++i) {
      rgb[i * 3 + 0] = static_cast<uint8_t>(64 + (i % 64) * 2);
      rgb[i * 3 + 1] = static_cast<uint8_t>(64 + (i / 64) * 2);
      rgb[i * 3 + 2] = static_cast<uint8_t>(load.slot * 5);
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    TextureTable[load.slot] = name;
  }
}

double MeanBrightness() {
  static std::vector<uint8_t> pixels(640 * 480 * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  double sum = 0;
  for (uint8_t p : pixels) sum += p;
  return sum / pixels.size();
}

TEST(MesaFrames, EveryOrderDrawsValidGlFrameAfterFrame) {
  std::string error;
  if (!OpenOffscreenGl(640, 480, error)) GTEST_SKIP() << "no GL context: " << error;

  SetGlWindowSize(showPictureWidth, showPictureHeight);
  InitGlState(640, 480);
  UploadStandInTextures();
  std::string dir = testing::TempDir() + "nivora_mesa_frames";
  ASSERT_TRUE(WriteStandInObjects(dir));
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  LoadObjects();
  ASSERT_EQ(chdir(previous), 0);
  int loaded = 0;
  for (const Object3D& object : ObjectTable) loaded += object.faceCount == 8;
  ASSERT_EQ(loaded, 4) << "the stand-in objects did not load";
  ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "set-up";

  // Eight rows per frame, about 120 ms per row, a sync every 16 rows.
  ResetDemoClock();
  double brightestShow = 0;
  for (int step = 0; step <= 19 * 8; ++step) {
    int order = step / 8;
    int rowPosition = (step % 8) * 512 + step % 7;  // a few ticks past every eighth row
    demoClock.elapsedMs.store(step * 960.0f + 17.5f);
    SetClockPosition(static_cast<int32_t>(order | (rowPosition << 16)));
    if (step % 2 == 0) OnMusicSync(0, 0, 0, 0);
    DrawFrame();
    GLenum status = glGetError();
    ASSERT_EQ(status, static_cast<GLenum>(GL_NO_ERROR))
        << "order " << order << " row " << demoClock.row << " tick " << demoClock.rowTick;
    if (order < 19 && step % 8 == 3) brightestShow = std::max(brightestShow, MeanBrightness());
    if (order == 19) {
      EXPECT_EQ(MeanBrightness(), 0.0) << "past the end the frame is black";
    }
    SwapOffscreenGl();
  }
  EXPECT_GT(brightestShow, 10.0) << "no scene put anything on the screen";

  for (Object3D& object : ObjectTable) ReleaseObject(object);
  for (const TextureLoad& load : textureLoads) glDeleteTextures(1, &TextureTable[load.slot]);
  // The context stays until the process ends: tearing down Mesa's EGL display
  // leaves a few of the driver's own allocations behind, which the leak checker
  // of the sanitizer build would report as ours.
}

}  // namespace
