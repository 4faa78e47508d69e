#include "render/scenes.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "assets/objects.h"
#include "assets/textures.h"
#include "music/clock.h"
#include "render/mesh.h"
#include "records/gl_window.h"

namespace {

// 2pi, pi/2, pi/4, pi/8, pi/16 and pi/32 to ten significant digits.
const double twoPi = 6.283185308;
const double halfPi = 1.570796327;
const double quarterPi = 0.7853981635;
const double eighthPi = 0.39269908175;
const double sixteenthPi = 0.196349540875;
const double thirtySecondPi = 0.0981747704375;

// The scene's own perspective, then a depth-only clear: whatever the frame
// already holds stays visible behind the object.
void BeginObjectScene(double fovy) {
  // The window's size is fixed at creation; a zero height would make the
  // aspect meaningless, so it falls back to square.
  const double aspect =
      glWindow.height > 0 ? static_cast<double>(glWindow.width) / glWindow.height : 1.0;
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  gluPerspective(fovy, aspect, static_cast<double>(0.1f), 10000);
  glClearColor(0, 0, 0, 0);
  glClear(GL_DEPTH_BUFFER_BIT);
}

// The overlay projection again, for the layers drawn after the scene.
void EndObjectScene() {
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  gluPerspective(3.55, 1.0, 0.1, 10000);
}

inline float Single(double value) { return static_cast<float>(value); }

}  // namespace

void DrawBlobTunnelScene(float brightness, float phase, int textureSlot) {
  if (!(brightness > 0)) return;
  BeginObjectScene(45);
  Object3D& ball = ObjectTable[6];  // pallo2
  ball.textureSlot = textureSlot;
  const double e = demoClock.elapsedMs.load();
  // Ten copies, nearest first; the copy at depth 1000 + 500k shows what the
  // nearest one will look like 100k phase units later.
  for (int k = 0; k < 10; ++k) {
    const float depth = Single(1000 + 500 * k);
    const float t = Single(static_cast<double>(phase) + 100 * k);
    ball.angleX = Single(std::cos(t * (1.0 / 2000)) * twoPi);
    ball.angleY = Single(std::sin(t * (1.0 / 2236)) * twoPi);
    TransformObject(ball);
    // Every vertex moves 5000/6 units away from a point wandering inside a
    // cube of half-size 800 around the ball's centre.
    RepelVertices(5000, 6, Single(800 * std::sin(t * (1.0 / 324.4))),
                  Single(800 * std::sin(t * (1.0 / 424.4))),
                  Single(800 * std::sin(t * (1.0 / 524.4))), ball);
    CenterObject(ball, depth);
    // A grey flicker between 0.04 and 0.16, each copy 0.2 rad behind the last.
    const double flicker =
        0.03 * (std::cos(e * (1.0 / 873.4) + 0.2 * k) + std::sin(e * (1.0 / 246.5) + 0.2 * k)) +
        0.1;
    DrawObject(Single(brightness * flicker), ball, TextureTable, TextureTable[SlotUntextured]);
  }
  EndObjectScene();
}

void DrawHaloObjectScene(float phase, int textureSlot) {
  BeginObjectScene(45);
  Object3D& moon = ObjectTable[1];  // akanpaa
  moon.textureSlot = textureSlot;
  moon.angleX = 1.0471976f;  // 60 degrees
  moon.angleY = 0;
  moon.angleZ = Single(std::sin(phase * (1.0 / 1000)) * halfPi);

  // The camera backs away by 1 unit per 2 phase units and turns by 1 radian per 7000.
  sceneCamera.angleX = 0;
  sceneCamera.angleY = Single(phase * (1.0 / 7000) - 0.8);
  sceneCamera.angleZ = 0;
  sceneCamera.offsetX = 600;
  sceneCamera.offsetY = -200;
  sceneCamera.offsetZ = Single(phase * 0.5 - 2700);

  TransformObject(moon);
  ApplyCamera(moon, sceneCamera);
  // The glow writes no depth, so the solid object covers its middle.
  DrawObjectGlow(10, moon);
  DrawObject(1.0f, moon, TextureTable, TextureTable[SlotUntextured]);
  EndObjectScene();
}

void DrawFlyAroundScene(float brightness, float phase) {
  if (!(brightness > 0)) return;
  // A very wide field of view breathing between 120 and 170 degrees.
  BeginObjectScene(25 * std::cos(phase * (1.0 / 1123.4)) + 145);
  Object3D& sunburst = ObjectTable[7];  // tyyli
  sunburst.angleX = 0;
  sunburst.angleY = 0;
  sunburst.angleZ = 0;
  sunburst.posX = 0;
  sunburst.posY = 0;
  sunburst.posZ = 0;

  sceneCamera.offsetX = Single(350 * std::cos(phase * (1.0 / 963.5)) - 700);
  sceneCamera.offsetY = Single(2000 * std::sin(phase * (1.0 / 353.5)) + 1000);
  sceneCamera.offsetZ = Single(350 * std::sin(phase * (1.0 / 753.5)) + 700);
  sceneCamera.angleX = Single(halfPi * std::cos(phase * (1.0 / 1653.5)) - halfPi);
  sceneCamera.angleY = Single(twoPi * std::sin(phase * (1.0 / 1953.5)));
  sceneCamera.angleZ = Single(halfPi * std::cos(phase * (1.0 / 1253.5)));

  TransformObject(sunburst);
  ApplyCamera(sunburst, sceneCamera);
  DrawObject(brightness, sunburst, TextureTable, TextureTable[SlotEnvi]);
  EndObjectScene();
}

void DrawEnvMapEchoScene(float phase) {
  BeginObjectScene(45);
  Object3D& lotus = ObjectTable[2];  // float
  lotus.posZ = -1500;
  lotus.angleX = Single(quarterPi * std::cos(phase * (1.0 / 1363.5)) - halfPi);
  lotus.angleY = Single(quarterPi * std::sin(phase * (1.0 / 1413.5)));
  lotus.angleZ = Single(quarterPi * std::cos(phase * (1.0 / 1396.6)));

  sceneCamera.offsetX = Single(100 * std::sin(phase * (1.0 / 1865.5)));
  sceneCamera.offsetY = Single(100 * std::cos(phase * (1.0 / 1685.5)));
  sceneCamera.offsetZ = Single(500 * std::cos(phase * (1.0 / 2145.5)));
  sceneCamera.angleX = Single(sixteenthPi * std::sin(phase * (1.0 / 1335.5)));
  sceneCamera.angleY = Single(thirtySecondPi * std::cos(phase * (1.0 / 1735.5)) + 0.3);
  sceneCamera.angleZ = Single(eighthPi * std::cos(phase * (1.0 / 1000)));

  // Four copies, fainter each time; every copy is moved and turned once more
  // than the one before, on top of it (no TransformObject in between), while
  // the environment pattern follows the object's own rotation only.
  const GLuint envi = TextureTable[SlotEnvi];
  TransformObject(lotus);
  ApplyCamera(lotus, sceneCamera);
  DrawObject(0.7f, lotus, TextureTable, envi);
  sceneCamera.angleY -= 0.3;
  ApplyCamera(lotus, sceneCamera);
  DrawObject(0.5f, lotus, TextureTable, envi);
  ApplyCamera(lotus, sceneCamera);
  DrawObject(0.3f, lotus, TextureTable, envi);
  ApplyCamera(lotus, sceneCamera);
  DrawObject(0.1f, lotus, TextureTable, envi);
  EndObjectScene();
}
