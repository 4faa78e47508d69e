#include "render/scenes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assets/textures.h"
#include "glrec/glrec.h"
#include "render/show_random.h"
#include "music/clock.h"
#include "render/mesh.h"
#include "shell/window.h"
#include "test_objects.h"

namespace {

const char* const sceneProjection =
    "glLoadIdentity\n"
    "glMatrixMode GL_PROJECTION\n"
    "gluPerspective 45 1.3333333333333333 0.10000000149011612 10000\n"
    "glClearColor 0 0 0 0\n"
    "glClear GL_DEPTH_BUFFER_BIT\n";
const char* const overlayProjection =
    "glLoadIdentity\n"
    "glMatrixMode GL_PROJECTION\n"
    "gluPerspective 3.5499999999999998 1 0.10000000000000001 10000\n";

// A regular tetrahedron: every vertex is a corner of three faces, so the mean
// of the drawn corners is the mean of the vertices.
void BuildTetrahedron(Object3D& object, int renderMode, int textureSlot) {
  BuildTestObject(object,
                  {{100, 100, 100}, {100, -100, -100}, {-100, 100, -100}, {-100, -100, 100}},
                  {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}}, renderMode,
                  {{0.577f, 0.577f, 0.577f},
                   {0.577f, -0.577f, -0.577f},
                   {-0.577f, 0.577f, -0.577f},
                   {-0.577f, -0.577f, 0.577f}});
  object.textureSlot = textureSlot;
}

class SceneTest : public testing::Test {
 protected:
  void SetUp() override {
    GlrecSetMode(GlrecRecord);
    GlrecReset();
    SetGlWindowSize(showPictureWidth, showPictureHeight);
    for (int slot = 0; slot < 256; ++slot) TextureTable[slot] = 0;
    for (int slot : {1, 2, 6, 7, 8, 17, 23}) TextureTable[slot] = 1000 + slot;
    BuildTetrahedron(ObjectTable[1], ModeLitTextured, 6);
    BuildTetrahedron(ObjectTable[2], ModeEnvMappedAdd, 14);
    BuildTetrahedron(ObjectTable[6], ModeTexturedAddTwoSided, 25);
    BuildTetrahedron(ObjectTable[7], ModeTexturedAdd, 23);
    demoClock.elapsedMs = 5000.0f;
    SetShowRandomState(1);
  }
  void TearDown() override {
    for (int i : {1, 2, 6, 7}) FreeTestObject(ObjectTable[i]);
    for (int slot = 0; slot < 256; ++slot) TextureTable[slot] = 0;
    demoClock.elapsedMs = 0.0f;
  }

  // The recorded lines between each glBegin and its glEnd.
  static std::vector<std::vector<std::string>> Draws() {
    std::vector<std::vector<std::string>> draws;
    bool inside = false;
    for (const std::string& line : GlrecCalls()) {
      if (line.rfind("glBegin", 0) == 0) {
        draws.emplace_back();
        inside = true;
      } else if (line == "glEnd") {
        inside = false;
      } else if (inside) {
        draws.back().push_back(line);
      }
    }
    return draws;
  }

  static std::vector<Vec3f> Corners(const std::vector<std::string>& draw) {
    std::vector<Vec3f> corners;
    for (const std::string& line : draw)
      if (line.rfind("glVertex3f", 0) == 0) corners.push_back(ParseVertexLine(line));
    return corners;
  }

  static bool StartsAndEndsAsAScene(const std::string& recording, const std::string& start) {
    const std::string end = overlayProjection;
    return recording.rfind(start, 0) == 0 && recording.size() >= end.size() &&
           recording.compare(recording.size() - end.size(), end.size(), end) == 0;
  }
};

TEST_F(SceneTest, DarkScenesMakeNoCallAtAll) {
  for (float dark : {0.0f, -0.5f, std::nanf("")}) {
    DrawBlobTunnelScene(dark, 100, SlotTex2);
    DrawFlyAroundScene(dark, 100);
  }
  EXPECT_EQ(GlrecCallCount(), 0u) << GlrecJoined();
  EXPECT_EQ(ObjectTable[6].textureSlot, 25);
}

TEST_F(SceneTest, BlobTunnelDrawsTenCentredCopiesNearestFirst) {
  const float phase = 1234.5f;
  DrawBlobTunnelScene(0.8f, phase, SlotTex2);
  const std::string recording = GlrecJoined();
  EXPECT_TRUE(StartsAndEndsAsAScene(recording, sceneProjection)) << recording;
  EXPECT_EQ(GlrecCallsNamed("glBindTexture"),
            std::vector<std::string>(10, "glBindTexture GL_TEXTURE_2D 1002"));
  EXPECT_EQ(ObjectTable[6].textureSlot, SlotTex2);

  const auto draws = Draws();
  const auto greys = GlrecCallsNamed("glColor3f");
  ASSERT_EQ(draws.size(), 10u) << recording;
  for (int k = 0; k < 10; ++k) {
    const std::vector<Vec3f> corners = Corners(draws[k]);
    ASSERT_EQ(corners.size(), 12u);
    double x = 0, y = 0, z = 0;
    for (const Vec3f& c : corners) {
      x += c.x;
      y += c.y;
      z += c.z;
    }
    EXPECT_NEAR(x / 12, 0, 1e-2) << k;
    EXPECT_NEAR(y / 12, 0, 1e-2) << k;
    EXPECT_NEAR(z / 12, -(1000 + 500 * k), 1e-2) << k;
    // Pushed 5000/6 away from a point inside the 800 cube, the r-173 ball
    // grows beyond 833 - 173 - 1386 and stays within 833 + 173 + 1386.
    for (const Vec3f& c : corners) {
      const double r = std::sqrt(double(c.x) * c.x + double(c.y) * c.y +
                                 (double(c.z) + 1000 + 500 * k) * (double(c.z) + 1000 + 500 * k));
      EXPECT_LT(r, 2400) << k;
    }
    const float grey = ParseColorLine(greys[k]);
    EXPECT_GE(grey, 0.8f * 0.04f - 1e-6f) << k;
    EXPECT_LE(grey, 0.8f * 0.16f + 1e-6f) << k;
  }
  // The pose fields hold the last copy's angles, 900 phase units on.
  const double t = static_cast<float>(phase + 900.0);
  EXPECT_EQ(ObjectTable[6].angleX, static_cast<float>(std::cos(t * (1.0 / 2000)) * 6.283185308));
  EXPECT_EQ(ObjectTable[6].angleY, static_cast<float>(std::sin(t * (1.0 / 2236)) * 6.283185308));
  EXPECT_FALSE(GlrecCurrentState().depthTest);
}

TEST_F(SceneTest, BlobTunnelFlickersWithTheClockAtTheSamePhase) {
  DrawBlobTunnelScene(1.0f, 500, SlotTex4);
  const auto first = GlrecCallsNamed("glColor3f");
  const auto firstCorners = GlrecCallsNamed("glVertex3f");
  GlrecReset();
  demoClock.elapsedMs = 5400.0f;
  DrawBlobTunnelScene(1.0f, 500, SlotTex4);
  EXPECT_NE(GlrecCallsNamed("glColor3f"), first);
  EXPECT_EQ(GlrecCallsNamed("glVertex3f"), firstCorners);
  EXPECT_EQ(GlrecCallsNamed("glBindTexture")[0], "glBindTexture GL_TEXTURE_2D 1017");
}

TEST_F(SceneTest, BlobTunnelGreysAreFormedInDoubleAndRoundedWhenPassed) {
  // At this clock each of three slips changes at least one of the ten greys:
  // a quotient taken as a division, the lag 0.2k rounded to single precision,
  // or the flicker rounded before it meets the brightness.
  demoClock.elapsedMs = 332951.25f;
  DrawBlobTunnelScene(0.8f, 1234.5f, SlotTex2);
  const auto greys = GlrecCallsNamed("glColor3f");
  ASSERT_EQ(greys.size(), 10u) << GlrecJoined();
  const double e = 332951.25;
  for (int k = 0; k < 10; ++k) {
    const double lag = 0.2 * k;
    const double flicker =
        0.03 * (std::cos(e * (1.0 / 873.4) + lag) + std::sin(e * (1.0 / 246.5) + lag)) + 0.1;
    const std::string grey = GlrecFloat(static_cast<float>(0.8f * flicker));
    EXPECT_EQ(greys[k], "glColor3f " + grey + " " + grey + " " + grey) << k;
  }
}

TEST_F(SceneTest, HaloObjectDrawsTenGlowCopiesThenTheLitObject) {
  const float phase = 2100;
  DrawHaloObjectScene(phase, SlotAkanpaa2);
  const std::string recording = GlrecJoined();
  EXPECT_TRUE(StartsAndEndsAsAScene(recording, sceneProjection)) << recording;
  const auto draws = Draws();
  ASSERT_EQ(draws.size(), 11u) << recording;
  const auto greys = GlrecCallsNamed("glColor3f");
  EXPECT_EQ(greys.front(), "glColor3f 0.125 0.125 0.125");
  EXPECT_EQ(greys.back(), "glColor3f 1 1 1");
  EXPECT_EQ(GlrecCallsNamed("glBindTexture"),
            std::vector<std::string>{"glBindTexture GL_TEXTURE_2D 1007"});
  EXPECT_EQ(GlrecCallsNamed("glLightfv").size(), 4u);
  EXPECT_EQ(ObjectTable[1].renderMode, ModeLitTextured);
  EXPECT_EQ(ObjectTable[1].textureSlot, SlotAkanpaa2);
  EXPECT_EQ(ObjectTable[1].angleX, 1.0471976f);
  EXPECT_EQ(ObjectTable[1].angleZ,
            static_cast<float>(std::sin(phase * (1.0 / 1000)) * 1.570796327));
  EXPECT_EQ(sceneCamera.angleY, static_cast<float>(phase * (1.0 / 7000) - 0.8));
  EXPECT_EQ(sceneCamera.offsetZ, phase * 0.5f - 2700);
  EXPECT_EQ(sceneCamera.offsetX, 600);
  EXPECT_EQ(sceneCamera.offsetY, -200);
  EXPECT_TRUE(GlrecCurrentState().depthTest);

  // The object's centre, moved by the camera offsets and turned about y.
  const std::vector<Vec3f> solid = Corners(draws[10]);
  double x = 0, y = 0, z = 0;
  for (const Vec3f& c : solid) {
    x += c.x;
    y += c.y;
    z += c.z;
  }
  const double a = sceneCamera.angleY, offsetZ = sceneCamera.offsetZ;
  EXPECT_NEAR(x / 12, 600 * std::cos(a) - offsetZ * std::sin(a), 1e-2);
  EXPECT_NEAR(y / 12, -200, 1e-2);
  EXPECT_NEAR(z / 12, offsetZ * std::cos(a) + 600 * std::sin(a), 1e-2);
}

TEST_F(SceneTest, FlyAroundBreathesItsFieldOfViewAndSwingsTheCamera) {
  // At this phase t * (1.0 / 1123.4) and t / 1123.4 give different fields of view.
  const float phase = 705.25f;
  ObjectTable[7].angleX = 1;
  ObjectTable[7].posY = 50;
  DrawFlyAroundScene(0.6f, phase);
  const std::string fovy = "165.23330997454806";  // 25 cos(t / 1123.4) + 145, not rounded to float
  const std::string start = "glLoadIdentity\nglMatrixMode GL_PROJECTION\ngluPerspective " + fovy +
                            " 1.3333333333333333 0.10000000149011612 10000\n"
                            "glClearColor 0 0 0 0\nglClear GL_DEPTH_BUFFER_BIT\n"
                            "glBindTexture GL_TEXTURE_2D 1023\n";
  EXPECT_TRUE(StartsAndEndsAsAScene(GlrecJoined(), start)) << GlrecJoined();
  EXPECT_EQ(Draws().size(), 1u);
  EXPECT_EQ(GlrecCallsNamed("glColor3f")[0], "glColor3f 0.600000024 0.600000024 0.600000024");
  EXPECT_EQ(ObjectTable[7].angleX, 0);
  EXPECT_EQ(ObjectTable[7].posY, 0);
  EXPECT_EQ(sceneCamera.offsetX, static_cast<float>(350 * std::cos(phase * (1.0 / 963.5)) - 700));
  EXPECT_EQ(sceneCamera.offsetY, static_cast<float>(2000 * std::sin(phase * (1.0 / 353.5)) + 1000));
  EXPECT_EQ(sceneCamera.offsetZ, static_cast<float>(350 * std::sin(phase * (1.0 / 753.5)) + 700));
  EXPECT_EQ(sceneCamera.angleX,
            static_cast<float>(1.570796327 * std::cos(phase * (1.0 / 1653.5)) - 1.570796327));
  EXPECT_EQ(sceneCamera.angleY, static_cast<float>(6.283185308 * std::sin(phase * (1.0 / 1953.5))));
  EXPECT_EQ(sceneCamera.angleZ, static_cast<float>(1.570796327 * std::cos(phase * (1.0 / 1253.5))));
  EXPECT_FALSE(GlrecCurrentState().depthTest);
}

TEST_F(SceneTest, EnvMapEchoPilesUpTheCameraOnFourFadingCopies) {
  const float phase = 3000;
  DrawEnvMapEchoScene(phase);
  const std::string recording = GlrecJoined();
  EXPECT_TRUE(StartsAndEndsAsAScene(recording, sceneProjection)) << recording;
  EXPECT_EQ(GlrecCallsNamed("glColor3f"),
            (std::vector<std::string>{"glColor3f 0.699999988 0.699999988 0.699999988",
                                      "glColor3f 0.5 0.5 0.5",
                                      "glColor3f 0.300000012 0.300000012 0.300000012",
                                      "glColor3f 0.100000001 0.100000001 0.100000001"}));
  EXPECT_EQ(GlrecCallsNamed("glBindTexture"),
            std::vector<std::string>(4, "glBindTexture GL_TEXTURE_2D 1008"));

  const float computedAngleY =
      static_cast<float>(0.0981747704375 * std::cos(phase * (1.0 / 1735.5)) + 0.3);
  EXPECT_EQ(sceneCamera.angleY, static_cast<float>(computedAngleY - 0.3));
  EXPECT_EQ(ObjectTable[2].posZ, -1500);

  // Each copy is the one before moved and turned once more by the lowered camera.
  const auto draws = Draws();
  ASSERT_EQ(draws.size(), 4u);
  for (int copy = 1; copy < 4; ++copy) {
    std::vector<Vec3f> expected = Corners(draws[copy - 1]);
    TranslateRotatePoints(sceneCamera.angleX, sceneCamera.angleY, sceneCamera.angleZ,
                          sceneCamera.offsetX, sceneCamera.offsetY, sceneCamera.offsetZ,
                          expected.data(), expected.data(), static_cast<int>(expected.size()));
    const std::vector<Vec3f> actual = Corners(draws[copy]);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
      EXPECT_EQ(actual[i].x, expected[i].x) << copy << " " << i;
      EXPECT_EQ(actual[i].y, expected[i].y) << copy << " " << i;
      EXPECT_EQ(actual[i].z, expected[i].z) << copy << " " << i;
    }
    // The environment pattern follows only the object's own rotation.
    for (std::size_t line = 0; line < draws[copy].size(); line += 2)
      EXPECT_EQ(draws[copy][line], draws[0][line]);
  }
  EXPECT_FALSE(GlrecCurrentState().depthTest);
}

TEST_F(SceneTest, EmptyObjectsDrawOnlyEmptyPairs) {
  for (int i : {1, 2, 6, 7}) FreeTestObject(ObjectTable[i]);
  ObjectTable[6].renderMode = ModeTexturedAddTwoSided;
  ObjectTable[7].renderMode = ModeTexturedAdd;
  DrawBlobTunnelScene(1, 10, SlotTex1);
  // Ten set-ups, each with its own grey and an empty pair, between the projections.
  std::string expected = sceneProjection;
  for (int k = 0; k < 10; ++k)
    expected +=
        "glBindTexture GL_TEXTURE_2D 1001\n"
        "glEnable GL_BLEND\n"
        "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA\n"
        "glDisable GL_DEPTH_TEST\n"
        "glDepthMask GL_TRUE\n"
        "glDisable GL_CULL_FACE\n"
        "glBegin GL_TRIANGLES\n"
        "glEnd\n"
        "glDisable GL_BLEND\n"
        "glDisable GL_CULL_FACE\n"
        "glDisable GL_LIGHTING\n"
        "glDisable GL_LIGHT0\n"
        "glEnable GL_TEXTURE_2D\n"
        "glShadeModel GL_SMOOTH\n"
        "glDepthMask GL_TRUE\n";
  expected += overlayProjection;
  std::string withoutGreys;
  for (const std::string& line : GlrecCalls())
    if (line.rfind("glColor3f", 0) != 0) withoutGreys += line + "\n";
  EXPECT_EQ(withoutGreys, expected);
  EXPECT_EQ(GlrecCallsNamed("glColor3f").size(), 10u);
  GlrecReset();
  DrawHaloObjectScene(10, SlotAkanpaa1);
  EXPECT_EQ(GlrecCallsNamed("glBegin").size(), 11u);
  EXPECT_EQ(GetShowRandomState(), [] {
    uint32_t s = 1;
    for (int i = 0; i < 20; ++i) s = s * 214013u + 2531011u;
    return s;
  }());
  GlrecReset();
  DrawFlyAroundScene(1, 10);
  DrawEnvMapEchoScene(10);
  EXPECT_EQ(GlrecCallsNamed("glBegin").size(), 5u);
  EXPECT_EQ(GlrecCallsNamed("glEnd").size(), 5u);
  EXPECT_EQ(GlrecVertexCount(), 0u);
  EXPECT_EQ(GlrecCallsNamed("gluPerspective").size(), 4u);
}

}  // namespace
