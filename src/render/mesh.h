// The mesh renderer: objects rotated, deformed and moved on the CPU into eye
// space, then drawn in immediate mode in one of nine render modes; the scene
// camera and the glow halo.
#pragma once

#include <GL/gl.h>

#include "assets/objects.h"

enum RenderMode : int {
  ModeTextured = 0,
  ModeEnvMapped = 1,
  ModeEnvMappedAdd = 2,
  ModeTexturedAdd = 3,
  ModeLit = 4,
  ModeLitTextured = 5,
  ModeLitFlat = 6,
  ModeGlow = 7,
  ModeTexturedAddTwoSided = 8,
};

struct CameraPose {
  float angleX = 0, angleY = 0, angleZ = 0;     // radians
  float offsetX = 0, offsetY = 0, offsetZ = 0;  // added before the rotation
};

extern CameraPose sceneCamera;

void RotateTranslatePoints(float angleX, float angleY, float angleZ, float tx, float ty, float tz,
                           const Vec3f* source, Vec3f* destination, int count);
void TranslateRotatePoints(float angleX, float angleY, float angleZ, float tx, float ty, float tz,
                           const Vec3f* source, Vec3f* destination, int count);
void TransformObject(Object3D& object);
void ApplyCamera(Object3D& object, const CameraPose& camera);
void RepelVertices(float strength, float divisor, float px, float py, float pz, Object3D& object);
void CenterObject(Object3D& object, float depth);
void ResetCamera(CameraPose& camera);
void DrawObject(float brightness, Object3D& object, const GLuint* textures, GLuint envTexture);
void DrawObjectGlow(int count, Object3D& object);
