// Placeholder until the mesh renderer lands.
#include "render/mesh.h"

CameraPose sceneCamera;

void RotateTranslatePoints(float, float, float, float, float, float, const Vec3f*, Vec3f*, int) {}
void TranslateRotatePoints(float, float, float, float, float, float, const Vec3f*, Vec3f*, int) {}
void TransformObject(Object3D&) {}
void ApplyCamera(Object3D&, const CameraPose&) {}
void RepelVertices(float, float, float, float, float, Object3D&) {}
void CenterObject(Object3D&, float) {}
void ResetCamera(CameraPose&) {}
void DrawObject(float, Object3D&, const GLuint*, GLuint) {}
void DrawObjectGlow(int, Object3D&) {}
