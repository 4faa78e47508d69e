#include <gtest/gtest.h>

#include <string>

#include "assets/textures.h"
#include "glrec/glrec.h"
#include "render/show_random.h"
#include "render/mesh.h"
#include "test_objects.h"

namespace {

const GLuint envTexture = 77;

// What the show's generator returns next from a given state.
int NextRandom(uint32_t& state) {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 32767u);
}

class DrawObjectTest : public testing::Test {
 protected:
  void SetUp() override {
    GlrecSetMode(GlrecRecord);
    GlrecReset();
    for (int i = 0; i < 256; ++i) textures[i] = 0;
    textures[5] = 1005;
    // One counter-clockwise face in front of the eye; corner normals along x, y, z.
    BuildTestObject(object, {{0, 0, -10}, {10, 0, -10}, {0, 10, -10}},
                    {{0, 1, 2, 0.25f, 0.75f, 1.0f, 0.5f, 0.0f, 1.0f}}, ModeTextured,
                    {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    object.textureSlot = 5;
  }
  void TearDown() override { FreeTestObject(object); }

  std::string Draw(int mode, float brightness = 0.5f) {
    GlrecReset();
    object.renderMode = mode;
    DrawObject(brightness, object, textures, envTexture);
    return GlrecJoined();
  }

  GLuint textures[256];
  Object3D object;
};

const char* const leaveBehind =
    "glDisable GL_BLEND\n"
    "glDisable GL_CULL_FACE\n"
    "glDisable GL_LIGHTING\n"
    "glDisable GL_LIGHT0\n"
    "glEnable GL_TEXTURE_2D\n"
    "glShadeModel GL_SMOOTH\n"
    "glDepthMask GL_TRUE\n";

const char* const light0 =
    "glLightfv GL_LIGHT0 GL_AMBIENT 0 0 0 0\n"
    "glLightfv GL_LIGHT0 GL_DIFFUSE 1 1 1 1\n"
    "glLightfv GL_LIGHT0 GL_SPECULAR 1 1 1 1\n"
    "glLightfv GL_LIGHT0 GL_POSITION -400 -300 0 1\n";

const char* const texturedCorners =
    "glTexCoord2f 0.25 0.75\n"
    "glVertex3f 0 0 -10\n"
    "glTexCoord2f 1 0.5\n"
    "glVertex3f 10 0 -10\n"
    "glTexCoord2f 0 1\n"
    "glVertex3f 0 10 -10\n";

const char* const environmentCorners =
    "glTexCoord2f 1 0.5\n"
    "glVertex3f 0 0 -10\n"
    "glTexCoord2f 0.5 1\n"
    "glVertex3f 10 0 -10\n"
    "glTexCoord2f 0.5 0.5\n"
    "glVertex3f 0 10 -10\n";

std::string Body(const std::string& corners, const char* grey = "0.5") {
  return std::string("glColor3f ") + grey + " " + grey + " " + grey + "\nglBegin GL_TRIANGLES\n" +
         corners + "glEnd\n" + leaveBehind;
}

TEST_F(DrawObjectTest, TexturedModesSetUpAndEmitInOrder) {
  EXPECT_EQ(Draw(ModeTextured), std::string("glBindTexture GL_TEXTURE_2D 1005\n"
                                            "glEnable GL_DEPTH_TEST\n"
                                            "glDepthMask GL_TRUE\n"
                                            "glEnable GL_CULL_FACE\n") +
                                    Body(texturedCorners));
  EXPECT_EQ(Draw(ModeTexturedAdd), std::string("glBindTexture GL_TEXTURE_2D 1005\n"
                                               "glEnable GL_BLEND\n"
                                               "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA\n"
                                               "glDisable GL_DEPTH_TEST\n"
                                               "glDepthMask GL_TRUE\n"
                                               "glEnable GL_CULL_FACE\n") +
                                       Body(texturedCorners));
  EXPECT_EQ(Draw(ModeTexturedAddTwoSided), std::string("glBindTexture GL_TEXTURE_2D 1005\n"
                                                       "glEnable GL_BLEND\n"
                                                       "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA\n"
                                                       "glDisable GL_DEPTH_TEST\n"
                                                       "glDepthMask GL_TRUE\n"
                                                       "glDisable GL_CULL_FACE\n") +
                                               Body(texturedCorners));
}

TEST_F(DrawObjectTest, EnvironmentModesBindTheGivenTextureAndMapTheNormals) {
  EXPECT_EQ(Draw(ModeEnvMapped), std::string("glBindTexture GL_TEXTURE_2D 77\n"
                                             "glEnable GL_DEPTH_TEST\n"
                                             "glDepthMask GL_TRUE\n"
                                             "glEnable GL_CULL_FACE\n") +
                                     Body(environmentCorners));
  EXPECT_EQ(Draw(ModeEnvMappedAdd), std::string("glBindTexture GL_TEXTURE_2D 77\n"
                                                "glEnable GL_BLEND\n"
                                                "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA\n"
                                                "glDisable GL_DEPTH_TEST\n"
                                                "glDepthMask GL_TRUE\n"
                                                "glEnable GL_CULL_FACE\n") +
                                        Body(environmentCorners));
}

TEST_F(DrawObjectTest, LitModesSendLightZeroOnEveryDraw) {
  const std::string lit = std::string(
                              "glEnable GL_DEPTH_TEST\n"
                              "glDepthMask GL_TRUE\n"
                              "glDisable GL_TEXTURE_2D\n"
                              "glEnable GL_CULL_FACE\n"
                              "glShadeModel GL_SMOOTH\n"
                              "glEnable GL_LIGHTING\n"
                              "glEnable GL_LIGHT0\n") +
                          light0 +
                          Body(
                              "glNormal3f 1 0 0\nglVertex3f 0 0 -10\n"
                              "glNormal3f 0 1 0\nglVertex3f 10 0 -10\n"
                              "glNormal3f 0 0 1\nglVertex3f 0 10 -10\n");
  EXPECT_EQ(Draw(ModeLit), lit);
  EXPECT_EQ(Draw(ModeLit), lit);

  EXPECT_EQ(Draw(ModeLitTextured), std::string("glBindTexture GL_TEXTURE_2D 1005\n"
                                               "glEnable GL_DEPTH_TEST\n"
                                               "glDepthMask GL_TRUE\n"
                                               "glEnable GL_CULL_FACE\n"
                                               "glShadeModel GL_SMOOTH\n"
                                               "glEnable GL_LIGHTING\n"
                                               "glEnable GL_LIGHT0\n") +
                                       light0 +
                                       Body("glTexCoord2f 0.25 0.75\nglNormal3f 1 0 0\n"
                                            "glVertex3f 0 0 -10\n"
                                            "glTexCoord2f 1 0.5\nglNormal3f 0 1 0\n"
                                            "glVertex3f 10 0 -10\n"
                                            "glTexCoord2f 0 1\nglNormal3f 0 0 1\n"
                                            "glVertex3f 0 10 -10\n"));

  // One averaged, not renormalised, normal per face: (1, 1, 1) / 3.
  EXPECT_EQ(Draw(ModeLitFlat), std::string("glEnable GL_DEPTH_TEST\n"
                                           "glDepthMask GL_TRUE\n"
                                           "glEnable GL_CULL_FACE\n"
                                           "glDisable GL_TEXTURE_2D\n"
                                           "glShadeModel GL_FLAT\n"
                                           "glEnable GL_LIGHTING\n"
                                           "glEnable GL_LIGHT0\n") +
                                   light0 +
                                   Body("glNormal3f 0.333333343 0.333333343 0.333333343\n"
                                        "glVertex3f 0 0 -10\n"
                                        "glVertex3f 10 0 -10\n"
                                        "glVertex3f 0 10 -10\n"));
}

TEST_F(DrawObjectTest, GlowModeShiftsTheWholeObjectByItsJitter) {
  SetShowRandomState(1);
  uint32_t state = 1;
  const int r1 = NextRandom(state);
  const int r2 = NextRandom(state);
  // brightness 0.5: d = 32, the grey drawn is 0.5 / 8.
  const double jx = ((r1 % 2048) / 1024.0 - 1) / 32;
  const double jy = ((r2 % 2048) / 1024.0 - 1) / 32;
  const float x0 = static_cast<float>(-10 * jx), y0 = static_cast<float>(-10 * jy);
  const float x1 = static_cast<float>(10 - 10 * jx), y2 = static_cast<float>(10 - 10 * jy);
  const std::string corners = "glVertex3f " + GlrecFloat(x0) + " " + GlrecFloat(y0) + " -10\n" +
                              "glVertex3f " + GlrecFloat(x1) + " " + GlrecFloat(y0) + " -10\n" +
                              "glVertex3f " + GlrecFloat(x0) + " " + GlrecFloat(y2) + " -10\n";
  EXPECT_EQ(Draw(ModeGlow), std::string("glDepthMask GL_TRUE\n"
                                        "glEnable GL_BLEND\n"
                                        "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA\n"
                                        "glDisable GL_DEPTH_TEST\n"
                                        "glEnable GL_CULL_FACE\n"
                                        "glDisable GL_TEXTURE_2D\n"
                                        "glShadeModel GL_FLAT\n") +
                                Body(corners, "0.0625"));
  EXPECT_EQ(GetShowRandomState(), state);
}

TEST_F(DrawObjectTest, GlowModeDrawsTwoRandomNumbersEvenWithoutFaces) {
  Object3D empty;
  empty.renderMode = ModeGlow;
  SetShowRandomState(12345);
  uint32_t state = 12345;
  NextRandom(state);
  NextRandom(state);
  DrawObject(1.0f, empty, textures, envTexture);
  EXPECT_EQ(GetShowRandomState(), state);
  // Other modes draw none.
  object.renderMode = ModeLitTextured;
  DrawObject(1.0f, object, textures, envTexture);
  EXPECT_EQ(GetShowRandomState(), state);
}

TEST_F(DrawObjectTest, UnknownModeSetsNothingButColourAndAnEmptyPair) {
  EXPECT_EQ(Draw(9, 0.25f), Body("", "0.25")) << GlrecJoined();
  EXPECT_EQ(Draw(-1, 0.25f), Body("", "0.25")) << GlrecJoined();
}

TEST_F(DrawObjectTest, EmptyObjectMakesItsStateChangesAndAnEmptyPair) {
  Object3D empty;
  empty.renderMode = ModeTexturedAdd;
  empty.textureSlot = 5;
  DrawObject(0.5f, empty, textures, envTexture);
  EXPECT_EQ(GlrecJoined(), std::string("glBindTexture GL_TEXTURE_2D 1005\n"
                                       "glEnable GL_BLEND\n"
                                       "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA\n"
                                       "glDisable GL_DEPTH_TEST\n"
                                       "glDepthMask GL_TRUE\n"
                                       "glEnable GL_CULL_FACE\n") +
                               Body(""));
  // A released record keeps its counts but has no arrays: still nothing drawn.
  GlrecReset();
  empty.faceCount = 12;
  empty.vertexCount = 8;
  DrawObject(0.5f, empty, textures, envTexture);
  EXPECT_EQ(GlrecVertexCount(), 0u);
  EXPECT_EQ(GlrecCallsNamed("glEnd").size(), 1u);
}

TEST_F(DrawObjectTest, ZeroNormalMapsToThePictureCentre) {
  object.vertexNormals[0] = {0, 0, 0};
  object.vertexNormals[1] = {-1, -1, 0};
  Draw(ModeEnvMapped);
  const std::vector<std::string> coords = GlrecCallsNamed("glTexCoord2f");
  ASSERT_EQ(coords.size(), 3u) << GlrecJoined();
  EXPECT_EQ(coords[0], "glTexCoord2f 0.5 0.5");
  EXPECT_EQ(coords[1], "glTexCoord2f 0 0");
}

TEST_F(DrawObjectTest, TextureSlotOutsideTheTableDrawsUntextured) {
  object.textureSlot = 300;
  Draw(ModeTextured);
  EXPECT_EQ(GlrecCallsNamed("glBindTexture")[0], "glBindTexture GL_TEXTURE_2D 0");
  object.textureSlot = -2;
  Draw(ModeTexturedAdd);
  EXPECT_EQ(GlrecCallsNamed("glBindTexture")[0], "glBindTexture GL_TEXTURE_2D 0");
}

TEST_F(DrawObjectTest, DepthTestIsLeftAsTheModeSetIt) {
  struct Case {
    int mode;
    int depthAfter;  // 1 on, 0 off, -1 as it was
  };
  const Case cases[] = {{0, 1}, {1, 1}, {2, 0}, {3, 0}, {4, 1},
                        {5, 1}, {6, 1}, {7, 0}, {8, 0}, {9, -1}};
  for (const Case& c : cases)
    for (bool before : {false, true}) {
      GlrecReset();
      if (before) glEnable(GL_DEPTH_TEST);
      object.renderMode = c.mode;
      DrawObject(1.0f, object, textures, envTexture);
      const GlrecState& s = GlrecCurrentState();
      const bool expected = c.depthAfter < 0 ? before : c.depthAfter == 1;
      EXPECT_EQ(s.depthTest, expected) << "mode " << c.mode;
      EXPECT_FALSE(s.blend);
      EXPECT_FALSE(s.cullFace);
      EXPECT_FALSE(s.lighting);
      EXPECT_FALSE(s.light0);
      EXPECT_TRUE(s.texture2d);
      EXPECT_TRUE(s.depthMask);
      EXPECT_EQ(s.shadeModel, static_cast<GLenum>(GL_SMOOTH));
    }
}

class GlowTest : public DrawObjectTest {};

TEST_F(GlowTest, NoCopiesDrawNothingAndKeepTheMode) {
  object.renderMode = ModeLitTextured;
  SetShowRandomState(99);
  DrawObjectGlow(0, object);
  DrawObjectGlow(-4, object);
  EXPECT_EQ(GlrecCallCount(), 0u);
  EXPECT_EQ(object.renderMode, ModeLitTextured);
  EXPECT_EQ(GetShowRandomState(), 99u);
}

TEST_F(GlowTest, TenCopiesFadeAndScatterWithinTheirBounds) {
  object.renderMode = ModeLitTextured;
  SetShowRandomState(7);
  uint32_t state = 7;
  DrawObjectGlow(10, object);
  EXPECT_EQ(object.renderMode, ModeLitTextured);

  const std::vector<std::string> greys = GlrecCallsNamed("glColor3f");
  const std::vector<std::string> corners = GlrecCallsNamed("glVertex3f");
  ASSERT_EQ(greys.size(), 10u) << GlrecJoined();
  ASSERT_EQ(corners.size(), 30u);
  EXPECT_EQ(greys[0], "glColor3f 0.125 0.125 0.125");
  for (int i = 0; i < 10; ++i) {
    const float brightness = static_cast<float>((20 - i) / 20.0);
    EXPECT_EQ(ParseColorLine(greys[i]), static_cast<float>(brightness * 0.125)) << i;
    // Corner 0 sits at (0, 0, -10): its shift is 10 times the jitter, below 10/d.
    const double bound = 10 / (32.0 * brightness + 16);
    const Vec3f shifted = ParseVertexLine(corners[3 * i]);
    EXPECT_LE(std::abs(shifted.x), bound * (1 + 1e-6)) << i;
    EXPECT_LE(std::abs(shifted.y), bound * (1 + 1e-6)) << i;
    const int r1 = NextRandom(state);
    NextRandom(state);
    EXPECT_EQ(shifted.x,
              static_cast<float>(-10 * (((r1 % 2048) / 1024.0 - 1) / (32.0 * brightness + 16))))
        << i;
  }
  EXPECT_NEAR(ParseColorLine(greys[9]), 0.06875, 1e-7);
  EXPECT_EQ(GetShowRandomState(), state);
  // Every copy is additive and leaves the depth test off; the texture is never bound.
  EXPECT_FALSE(GlrecCurrentState().depthTest);
  EXPECT_TRUE(GlrecCallsNamed("glBindTexture").empty());
}

}  // namespace
