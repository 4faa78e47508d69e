// The mesh renderer: objects rotated, deformed and moved on the CPU into eye
// space, then drawn in immediate mode in one of nine render modes; the scene
// camera and the glow halo.
#pragma once

#include <GL/gl.h>

#include "assets/objects.h"
#include "records/camera.h"
#include "records/render_mode.h"

void RotateTranslatePoints(float angleX, float angleY, float angleZ, float tx, float ty, float tz,
                           const Vec3f* source, Vec3f* destination, int count);
void TranslateRotatePoints(float angleX, float angleY, float angleZ, float tx, float ty, float tz,
                           const Vec3f* source, Vec3f* destination, int count);
void TransformObject(Object3D& object);
void ApplyCamera(Object3D& object, const CameraPose& camera);
void RepelVertices(float strength, float divisor, float px, float py, float pz, Object3D& object);
void CenterObject(Object3D& object, float depth);
void DrawObject(float brightness, Object3D& object, const GLuint* textures, GLuint envTexture);
void DrawObjectGlow(int count, Object3D& object);
