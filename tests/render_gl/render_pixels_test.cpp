#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "../render/test_objects.h"
#include "render/mesh.h"

namespace {

const int width = 64, height = 48;

class RenderPixelsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return;
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    window = SDL_CreateWindow("render", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window != nullptr) context = SDL_GL_CreateContext(window);
  }
  static void TearDownTestSuite() {
    if (context != nullptr) SDL_GL_DeleteContext(context);
    if (window != nullptr) SDL_DestroyWindow(window);
    SDL_Quit();
  }

  void SetUp() override {
    if (context == nullptr) GTEST_SKIP() << "no GL context: " << SDL_GetError();
    // The show's surroundings: identity modelview, the projection current,
    // texturing on, everything else at GL's defaults.
    glViewport(0, 0, width, height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45, double(width) / height, 0.1, 10000);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glClearColor(0.25f, 0.25f, 0.25f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // A counter-clockwise triangle facing the eye, covering the middle of the view.
    BuildTestObject(triangle, {{-40, -40, 0}, {40, -40, 0}, {0, 40, 0}}, {{0, 1, 2}}, ModeTextured);
    triangle.posZ = -100;
  }
  void TearDown() override { FreeTestObject(triangle); }

  static int CentreRed() {
    unsigned char pixel[4];
    glReadPixels(width / 2, height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return pixel[0];
  }

  void Draw(int mode, float brightness) {
    triangle.renderMode = mode;
    TransformObject(triangle);
    const GLuint noTextures[256] = {};
    DrawObject(brightness, triangle, noTextures, 0);
  }

  static SDL_Window* window;
  static SDL_GLContext context;
  Object3D triangle;
};

SDL_Window* RenderPixelsTest::window = nullptr;
SDL_GLContext RenderPixelsTest::context = nullptr;

TEST_F(RenderPixelsTest, FrontFacesSurviveTheRotationAndBackFacesAreCulled) {
  triangle.angleZ = 2.0f;  // turned in the screen plane: still facing the eye
  Draw(ModeTextured, 1.0f);
  EXPECT_EQ(CentreRed(), 255);

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  triangle.angleZ = 0;
  triangle.angleY = 3.14159265f;  // turned round: its back faces the eye
  Draw(ModeTextured, 1.0f);
  EXPECT_EQ(CentreRed(), 64);

  Draw(ModeTexturedAddTwoSided, 0.5f);  // the two-sided mode draws it anyway
  EXPECT_NEAR(CentreRed(), 64 + 128, 1);
}

TEST_F(RenderPixelsTest, AdditiveModesAddTheGreyWithoutTestingDepth) {
  // A solid copy first, then an additive one behind it: no depth test, so it adds.
  Draw(ModeTextured, 0.25f);
  EXPECT_NEAR(CentreRed(), 64, 1);
  triangle.posZ = -200;
  Draw(ModeTexturedAdd, 0.5f);
  EXPECT_NEAR(CentreRed(), 64 + 128, 1);
  GLboolean depthTest = GL_TRUE;
  glGetBooleanv(GL_DEPTH_TEST, &depthTest);
  EXPECT_EQ(depthTest, GL_FALSE);
}

}  // namespace
