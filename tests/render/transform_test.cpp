#include <gtest/gtest.h>

#include <cmath>

#include "render/mesh.h"
#include "test_objects.h"

namespace {

const float halfPiF = 1.57079637f;  // pi/2 rounded to single precision

double Length(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }

// The images of the three unit axes under one rotation.
void RotatedAxes(float ax, float ay, float az, Vec3f axes[3]) {
  const Vec3f unit[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  RotateTranslatePoints(ax, ay, az, 0, 0, 0, unit, axes, 3);
}

TEST(Rotation, IsProperForEveryAngleSoWindingSurvives) {
  const float angles[] = {-7.0f, -3.0f, -1.2f, -0.3f, 0.0f, 0.4f, 1.0f, 2.5f, 6.2f};
  for (float ax : angles)
    for (float ay : angles)
      for (float az : angles) {
        Vec3f e[3];
        RotatedAxes(ax, ay, az, e);
        for (const Vec3f& v : e) EXPECT_NEAR(Length(v.x, v.y, v.z), 1.0, 1e-6);
        // (Rx × Ry) · Rz = +1: right-handed, so counter-clockwise stays counter-clockwise.
        const double cx = double(e[0].y) * e[1].z - double(e[0].z) * e[1].y;
        const double cy = double(e[0].z) * e[1].x - double(e[0].x) * e[1].z;
        const double cz = double(e[0].x) * e[1].y - double(e[0].y) * e[1].x;
        EXPECT_NEAR(cx * e[2].x + cy * e[2].y + cz * e[2].z, 1.0, 1e-6)
            << ax << " " << ay << " " << az;
      }
}

TEST(Rotation, TurnsAboutYThenZThenX) {
  // With all three angles at pi/2: y takes x to z, z leaves it, x takes z to y.
  const Vec3f unit[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Vec3f e[3];
  RotateTranslatePoints(halfPiF, halfPiF, halfPiF, 0, 0, 0, unit, e, 3);
  const float expected[3][3] = {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(e[i].x, expected[i][0], 1e-6) << i;
    EXPECT_NEAR(e[i].y, expected[i][1], 1e-6) << i;
    EXPECT_NEAR(e[i].z, expected[i][2], 1e-6) << i;
  }
  // The sines and cosines are the single-precision roundings of the double ones.
  const Vec3f x[1] = {{1, 0, 0}};
  Vec3f out[1];
  RotateTranslatePoints(0, halfPiF, 0, 0, 0, 0, x, out, 1);
  EXPECT_EQ(out[0].x, static_cast<float>(std::cos(static_cast<double>(halfPiF))));
  EXPECT_EQ(out[0].y, 0.0f);
  EXPECT_EQ(out[0].z, 1.0f);
}

TEST(Rotation, TranslationComesAfterOrBeforeTheTurn) {
  const Vec3f origin[1] = {{0, 0, 0}};
  Vec3f after[1], before[1];
  RotateTranslatePoints(0, 0, halfPiF, 10, 0, 0, origin, after, 1);
  TranslateRotatePoints(0, 0, halfPiF, 10, 0, 0, origin, before, 1);
  EXPECT_FLOAT_EQ(after[0].x, 10);
  EXPECT_FLOAT_EQ(after[0].y, 0);
  EXPECT_NEAR(before[0].x, 0, 1e-5);
  EXPECT_FLOAT_EQ(before[0].y, -10);
}

TEST(Rotation, WorksInPlaceAndIgnoresEmptyCounts) {
  Vec3f points[2] = {{1, 2, 3}, {-4, 5, -6}};
  Vec3f copy[2];
  RotateTranslatePoints(0.5f, 1.5f, -0.25f, 7, 8, 9, points, copy, 2);
  RotateTranslatePoints(0.5f, 1.5f, -0.25f, 7, 8, 9, points, points, 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(points[i].x, copy[i].x);
    EXPECT_EQ(points[i].y, copy[i].y);
    EXPECT_EQ(points[i].z, copy[i].z);
  }
  TranslateRotatePoints(0.5f, 1.5f, -0.25f, 7, 8, 9, points, copy, 2);
  TranslateRotatePoints(0.5f, 1.5f, -0.25f, 7, 8, 9, points, points, 2);
  EXPECT_EQ(points[1].x, copy[1].x);
  EXPECT_EQ(points[1].z, copy[1].z);

  Vec3f untouched[1] = {{42, 43, 44}};
  RotateTranslatePoints(1, 1, 1, 1, 1, 1, points, untouched, 0);
  TranslateRotatePoints(1, 1, 1, 1, 1, 1, points, untouched, -3);
  EXPECT_EQ(untouched[0].x, 42);
  EXPECT_EQ(untouched[0].z, 44);
}

TEST(Rotation, ArithmeticStaysDoubleUntilEachCoordinateIsStored) {
  // angleY = 1e-4: cos rounds to 1 in single precision, sin to about 1e-4.
  const float tiny = 1e-4f;
  Object3D object;
  // x1 = 1 + 1e-8: a float intermediate would give 1 and 1 + 2^24 would tie
  // down to 2^24; in double the one rounding goes up to 2^24 + 2.
  BuildTestObject(object, {{1, 0, -1e-4f}}, {}, ModeTextured);
  object.angleY = tiny;
  object.posX = 16777216;
  TransformObject(object);
  EXPECT_EQ(object.vertices[0].x, 16777218.0f);

  // The camera offset is added in double: 1 + 2^24 is not rounded before the
  // rotation adds almost 0.5, so the result rounds up to 2^24 + 2.
  object.vertices[0] = {1, 0, -5000};
  CameraPose camera;
  camera.angleY = tiny;
  camera.offsetX = 16777216;
  ApplyCamera(object, camera);
  EXPECT_EQ(object.vertices[0].x, 16777218.0f);
  FreeTestObject(object);
}

TEST(TransformObject, RebuildsFromTheLoadedShapeAndTurnsNormalsWithoutMovingThem) {
  Object3D object;
  BuildTestObject(object, {{100, 0, 0}, {0, 50, 0}}, {}, ModeLit, {{1, 0, 0}, {0, 0, 1}});
  object.angleZ = halfPiF;
  object.posX = 10;
  object.posY = 20;
  object.posZ = -300;
  TransformObject(object);
  TransformObject(object);  // a second call starts again from the loaded shape
  EXPECT_NEAR(object.vertices[0].x, 10, 1e-4);
  EXPECT_NEAR(object.vertices[0].y, -80, 1e-4);
  EXPECT_FLOAT_EQ(object.vertices[0].z, -300);
  EXPECT_NEAR(object.vertices[1].x, 60, 1e-4);
  EXPECT_NEAR(object.vertices[1].y, 20, 1e-4);
  EXPECT_NEAR(object.vertexNormals[0].x, 0, 1e-7);
  EXPECT_FLOAT_EQ(object.vertexNormals[0].y, -1);
  EXPECT_FLOAT_EQ(object.vertexNormals[1].z, 1);
  EXPECT_FLOAT_EQ(object.baseVertices[0].x, 100);
  EXPECT_FLOAT_EQ(object.baseVertexNormals[0].x, 1);
  FreeTestObject(object);
}

TEST(ApplyCamera, SecondCallComposesAndNormalsStay) {
  Object3D object;
  BuildTestObject(object, {{100, 0, 0}}, {}, ModeEnvMapped, {{0.6f, 0.8f, 0}});
  CameraPose camera;
  camera.angleZ = halfPiF;
  camera.offsetX = 0;
  camera.offsetY = 0;
  camera.offsetZ = -500;
  ApplyCamera(object, camera);
  EXPECT_NEAR(object.vertices[0].x, 0, 1e-4);
  EXPECT_NEAR(object.vertices[0].y, -100, 1e-4);
  EXPECT_FLOAT_EQ(object.vertices[0].z, -500);
  ApplyCamera(object, camera);  // turned twice by a quarter, moved twice
  EXPECT_NEAR(object.vertices[0].x, -100, 1e-4);
  EXPECT_NEAR(object.vertices[0].y, 0, 1e-4);
  EXPECT_FLOAT_EQ(object.vertices[0].z, -1000);
  EXPECT_FLOAT_EQ(object.vertexNormals[0].x, 0.6f);
  EXPECT_FLOAT_EQ(object.vertexNormals[0].y, 0.8f);
  FreeTestObject(object);
}

TEST(RepelVertices, MovesEveryVertexExactlyStrengthOverDivisorAway) {
  const std::vector<Vec3f> points = {{10, 20, 30},        {-400, 0, 0}, {0.001f, 0, 0},
                                     {1000, -2000, 3000}, {5, 6, 7},    {12, 20, 30}};
  Object3D object;
  BuildTestObject(object, points, {}, ModeTexturedAddTwoSided);
  const float px = 5, py = 6, pz = 7;
  RepelVertices(5000, 6, px, py, pz, object);
  for (int i = 0; i < 6; ++i) {
    const Vec3f& before = points[i];
    const Vec3f& after = object.vertices[i];
    const double dx = before.x - px, dy = before.y - py, dz = before.z - pz;
    const double d = Length(dx, dy, dz);
    const double mx = after.x - before.x, my = after.y - before.y, mz = after.z - before.z;
    if (d == 0) {  // the vertex on the point stays
      EXPECT_EQ(after.x, before.x);
      EXPECT_EQ(after.y, before.y);
      EXPECT_EQ(after.z, before.z);
      continue;
    }
    EXPECT_NEAR(Length(mx, my, mz), 5000.0 / 6, 1e-3) << i;
    EXPECT_NEAR((mx * dx + my * dy + mz * dz) / (d * (5000.0 / 6)), 1.0, 1e-6) << i;
  }
  FreeTestObject(object);
}

TEST(RepelVertices, PushIsFormedInDoubleAndRoundedOnce) {
  // 1.48 pushed 5000/6 away from the origin: one rounding of the double sum
  // gives 834.813354; single-precision steps would land on 834.813293.
  Object3D object;
  BuildTestObject(object, {{1.48f, 0, 0}}, {}, ModeTexturedAddTwoSided);
  RepelVertices(5000, 6, 0, 0, 0, object);
  EXPECT_EQ(object.vertices[0].x, 834.813354f);
  EXPECT_EQ(object.vertices[0].y, 0.0f);
  EXPECT_EQ(object.vertices[0].z, 0.0f);
  FreeTestObject(object);
}

TEST(CenterObject, SumsInDoubleSoSmallCoordinatesStillCount) {
  // A float sum would drop both ones next to 2^24 and put the mean at
  // 5592405.33; the double sum is 16777218 and the mean exactly 5592406.
  Object3D object;
  BuildTestObject(object, {{16777216, 0, 0}, {1, 0, 0}, {1, 0, 0}}, {}, ModeTextured);
  CenterObject(object, 0);
  EXPECT_EQ(object.vertices[0].x, 11184810.0f);
  EXPECT_EQ(object.vertices[1].x, -5592405.0f);
  EXPECT_EQ(object.vertices[2].x, -5592405.0f);
  FreeTestObject(object);
}

TEST(CenterObject, PutsTheCentroidOnTheAxisAtMinusDepth) {
  Object3D object;
  BuildTestObject(object, {{100, 0, 10}, {300, 40, 20}, {-100, 80, 30}}, {}, ModeTextured);
  CenterObject(object, 1500);
  double x = 0, y = 0, z = 0;
  for (int i = 0; i < 3; ++i) {
    x += object.vertices[i].x;
    y += object.vertices[i].y;
    z += object.vertices[i].z;
  }
  EXPECT_NEAR(x / 3, 0, 1e-4);
  EXPECT_NEAR(y / 3, 0, 1e-4);
  EXPECT_NEAR(z / 3, -1500, 1e-4);
  EXPECT_FLOAT_EQ(object.vertices[0].x, 0);
  EXPECT_FLOAT_EQ(object.vertices[1].y, 0);
  EXPECT_FLOAT_EQ(object.vertices[2].z, -1490);
  FreeTestObject(object);
}

TEST(EmptyObjects, EveryTransformIsHarmless) {
  // Never loaded, loaded from a file with no vertices, and released (counts
  // kept, arrays gone).
  Object3D never;
  Object3D loadedEmpty;
  BuildTestObject(loadedEmpty, {}, {}, ModeTextured);
  Object3D released;
  released.vertexCount = 5;
  released.faceCount = 3;
  CameraPose camera;
  ResetCamera(camera);
  for (Object3D* o : {&never, &loadedEmpty, &released}) {
    TransformObject(*o);
    ApplyCamera(*o, camera);
    RepelVertices(5000, 6, 1, 2, 3, *o);
    CenterObject(*o, 1000);
  }
  EXPECT_EQ(released.vertexCount, 5);
  EXPECT_EQ(released.vertices, nullptr);
  Object3D negative;
  BuildTestObject(negative, {{1, 2, 3}}, {}, ModeTextured);
  negative.vertexCount = -1;
  CenterObject(negative, 1000);
  TransformObject(negative);
  EXPECT_FLOAT_EQ(negative.vertices[0].z, 3);
  negative.vertexCount = 1;
  FreeTestObject(negative);
  FreeTestObject(loadedEmpty);
}

TEST(ResetCamera, LooksFromFiveHundredUnitsBack) {
  CameraPose camera;
  camera.angleX = 1;
  camera.angleY = 2;
  camera.angleZ = 3;
  camera.offsetX = 4;
  camera.offsetY = 5;
  camera.offsetZ = 6;
  ResetCamera(camera);
  EXPECT_EQ(camera.angleX, 0);
  EXPECT_EQ(camera.angleY, 0);
  EXPECT_EQ(camera.angleZ, 0);
  EXPECT_EQ(camera.offsetX, 0);
  EXPECT_EQ(camera.offsetY, 0);
  EXPECT_EQ(camera.offsetZ, -500);
}

}  // namespace
