#include "render/mesh.h"

#include <cmath>

#include "assets/textures.h"
#include "render/show_random.h"

namespace {

// The six sines and cosines of one rotation, computed once per call and kept
// in single precision; everything formed from them is double until stored.
struct Rotation {
  float sinX, cosX, sinY, cosY, sinZ, cosZ;
};

Rotation MakeRotation(float angleX, float angleY, float angleZ) {
  Rotation r;
  r.sinX = static_cast<float>(std::sin(static_cast<double>(angleX)));
  r.cosX = static_cast<float>(std::cos(static_cast<double>(angleX)));
  r.sinY = static_cast<float>(std::sin(static_cast<double>(angleY)));
  r.cosY = static_cast<float>(std::cos(static_cast<double>(angleY)));
  r.sinZ = static_cast<float>(std::sin(static_cast<double>(angleZ)));
  r.cosZ = static_cast<float>(std::cos(static_cast<double>(angleZ)));
  return r;
}

struct Point {
  double x, y, z;
};

// About y, then z, then x. Each step is a proper rotation, so triangle
// winding (and with it back-face culling) survives.
inline Point Rotate(const Rotation& r, double x, double y, double z) {
  const double x1 = x * r.cosY - z * r.sinY;
  const double z1 = z * r.cosY + x * r.sinY;
  const double x2 = x1 * r.cosZ + y * r.sinZ;
  const double y2 = y * r.cosZ - x1 * r.sinZ;
  const double y3 = y2 * r.cosX + z1 * r.sinX;
  const double z3 = z1 * r.cosX - y2 * r.sinX;
  return {x2, y3, z3};
}

inline Vec3f Store(double x, double y, double z) {
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

// The translation is added in double, before the one rounding.
void RotateTranslate(const Rotation& r, float tx, float ty, float tz, const Vec3f* source,
                     Vec3f* destination, int count) {
  for (int i = 0; i < count; ++i) {
    const Vec3f s = source[i];
    const Point p = Rotate(r, s.x, s.y, s.z);
    destination[i] = Store(p.x + tx, p.y + ty, p.z + tz);
  }
}

void RotatePoints(const Rotation& r, const Vec3f* source, Vec3f* destination, int count) {
  for (int i = 0; i < count; ++i) {
    const Vec3f s = source[i];
    const Point p = Rotate(r, s.x, s.y, s.z);
    destination[i] = Store(p.x, p.y, p.z);
  }
}

// Light 0: a white positional light beside the eye, to the left and below.
const GLfloat lightAmbient[4] = {0, 0, 0, 0};
const GLfloat lightDiffuse[4] = {1, 1, 1, 1};
const GLfloat lightSpecular[4] = {1, 1, 1, 1};
const GLfloat lightPosition[4] = {-400, -300, 0, 1};

void SendLight0() {
  glLightfv(GL_LIGHT0, GL_AMBIENT, lightAmbient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, lightDiffuse);
  glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular);
  glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
}

// The two blend-on, depth-test-off set-ups of the additive modes.
void BeginAdditive(GLuint texture, bool cull) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  if (cull)
    glEnable(GL_CULL_FACE);
  else
    glDisable(GL_CULL_FACE);
}

void BeginSolid(GLuint texture) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
}

// ModeLit and ModeLitTextured, from the cull-face switch on.
void BeginSmoothLit() {
  glEnable(GL_CULL_FACE);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  SendLight0();
}

// Maps a rotated normal's x and y from [-1, 1] onto [0, 1] of the picture.
inline void EnvTexCoord(const Vec3f& n) {
  glTexCoord2f(static_cast<float>(0.5 + 0.5 * n.x), static_cast<float>(0.5 + 0.5 * n.y));
}

inline void Vertex(const Vec3f& p) { glVertex3f(p.x, p.y, p.z); }

inline void Normal(const Vec3f& n) { glNormal3f(n.x, n.y, n.z); }

// The plain average of the corner normals, not renormalised: a face whose
// corners disagree comes out darker.
inline void AverageNormal(const Vec3f& n0, const Vec3f& n1, const Vec3f& n2) {
  const double third = 0.3333333333333333;
  glNormal3f(static_cast<float>((static_cast<double>(n0.x) + n1.x + n2.x) * third),
             static_cast<float>((static_cast<double>(n0.y) + n1.y + n2.y) * third),
             static_cast<float>((static_cast<double>(n0.z) + n1.z + n2.z) * third));
}

// Each corner displaced by z * (jx, jy): after the perspective division the
// whole object moves as one by the same on-screen amount.
inline void GlowVertex(const Vec3f& p, double jx, double jy) {
  glVertex3f(static_cast<float>(p.x + p.z * jx), static_cast<float>(p.y + p.z * jy), p.z);
}

// The corners of every face in array order, one corner per line, as the
// object's render mode sends them.
void SendFaces(const Object3D& object, double jitterX, double jitterY) {
  const ObjectFace* faces = object.faces;
  const Vec3f* p = object.vertices;
  const Vec3f* n = object.vertexNormals;
  if (faces == nullptr || p == nullptr || n == nullptr) return;
  const int count = object.faceCount;
  switch (object.renderMode) {
    case ModeTextured:
    case ModeTexturedAdd:
    case ModeTexturedAddTwoSided:
      for (int f = 0; f < count; ++f) {
        const ObjectFace& face = faces[f];
        glTexCoord2f(face.s0, face.t0); Vertex(p[face.index0]);
        glTexCoord2f(face.s1, face.t1); Vertex(p[face.index1]);
        glTexCoord2f(face.s2, face.t2); Vertex(p[face.index2]);
      }
      break;
    case ModeEnvMapped:
    case ModeEnvMappedAdd:
      for (int f = 0; f < count; ++f) {
        const ObjectFace& face = faces[f];
        EnvTexCoord(n[face.index0]); Vertex(p[face.index0]);
        EnvTexCoord(n[face.index1]); Vertex(p[face.index1]);
        EnvTexCoord(n[face.index2]); Vertex(p[face.index2]);
      }
      break;
    case ModeLit:
      for (int f = 0; f < count; ++f) {
        const ObjectFace& face = faces[f];
        Normal(n[face.index0]); Vertex(p[face.index0]);
        Normal(n[face.index1]); Vertex(p[face.index1]);
        Normal(n[face.index2]); Vertex(p[face.index2]);
      }
      break;
    case ModeLitTextured:
      for (int f = 0; f < count; ++f) {
        const ObjectFace& face = faces[f];
        glTexCoord2f(face.s0, face.t0); Normal(n[face.index0]); Vertex(p[face.index0]);
        glTexCoord2f(face.s1, face.t1); Normal(n[face.index1]); Vertex(p[face.index1]);
        glTexCoord2f(face.s2, face.t2); Normal(n[face.index2]); Vertex(p[face.index2]);
      }
      break;
    case ModeLitFlat:
      for (int f = 0; f < count; ++f) {
        const ObjectFace& face = faces[f];
        AverageNormal(n[face.index0], n[face.index1], n[face.index2]);
        Vertex(p[face.index0]);
        Vertex(p[face.index1]);
        Vertex(p[face.index2]);
      }
      break;
    case ModeGlow:
      for (int f = 0; f < count; ++f) {
        const ObjectFace& face = faces[f];
        GlowVertex(p[face.index0], jitterX, jitterY);
        GlowVertex(p[face.index1], jitterX, jitterY);
        GlowVertex(p[face.index2], jitterX, jitterY);
      }
      break;
    default:
      break;
  }
}

}  // namespace

void RotateTranslatePoints(float angleX, float angleY, float angleZ, float tx, float ty, float tz,
                           const Vec3f* source, Vec3f* destination, int count) {
  if (count < 1) return;
  RotateTranslate(MakeRotation(angleX, angleY, angleZ), tx, ty, tz, source, destination, count);
}

void TranslateRotatePoints(float angleX, float angleY, float angleZ, float tx, float ty, float tz,
                           const Vec3f* source, Vec3f* destination, int count) {
  if (count < 1) return;
  const Rotation r = MakeRotation(angleX, angleY, angleZ);
  for (int i = 0; i < count; ++i) {
    const Vec3f s = source[i];
    const Point p = Rotate(r, static_cast<double>(s.x) + tx, static_cast<double>(s.y) + ty,
                           static_cast<double>(s.z) + tz);
    destination[i] = Store(p.x, p.y, p.z);
  }
}

void TransformObject(Object3D& object) {
  const int count = object.vertexCount;
  if (count < 1) return;
  const Rotation r = MakeRotation(object.angleX, object.angleY, object.angleZ);
  if (object.baseVertices != nullptr && object.vertices != nullptr)
    RotateTranslate(r, object.posX, object.posY, object.posZ, object.baseVertices,
                    object.vertices, count);
  // Normals turn with the object but are never moved.
  if (object.baseVertexNormals != nullptr && object.vertexNormals != nullptr)
    RotatePoints(r, object.baseVertexNormals, object.vertexNormals, count);
}

void ApplyCamera(Object3D& object, const CameraPose& camera) {
  if (object.vertices == nullptr) return;
  TranslateRotatePoints(camera.angleX, camera.angleY, camera.angleZ, camera.offsetX,
                        camera.offsetY, camera.offsetZ, object.vertices, object.vertices,
                        object.vertexCount);
}

void RepelVertices(float strength, float divisor, float px, float py, float pz, Object3D& object) {
  if (object.vertices == nullptr) return;
  for (int i = 0; i < object.vertexCount; ++i) {
    Vec3f& v = object.vertices[i];
    const double dx = static_cast<double>(v.x) - px;
    const double dy = static_cast<double>(v.y) - py;
    const double dz = static_cast<double>(v.z) - pz;
    const double h = divisor * std::sqrt(dx * dx + dy * dy + dz * dz);
    if (h == 0) continue;  // a vertex on the point has no direction to go
    const double push = strength / h;  // scales d to the length strength / divisor
    v = Store(v.x + dx * push, v.y + dy * push, v.z + dz * push);
  }
}

void CenterObject(Object3D& object, float depth) {
  const int count = object.vertexCount;
  if (count <= 0 || object.vertices == nullptr) return;
  double sumX = 0, sumY = 0, sumZ = 0;
  for (int i = 0; i < count; ++i) {
    sumX += object.vertices[i].x;
    sumY += object.vertices[i].y;
    sumZ += object.vertices[i].z;
  }
  const double meanX = sumX / count, meanY = sumY / count, meanZ = sumZ / count;
  for (int i = 0; i < count; ++i) {
    Vec3f& v = object.vertices[i];
    v = Store(v.x - meanX, v.y - meanY, v.z - meanZ - depth);
  }
}

void DrawObject(float brightness, Object3D& object, const GLuint* textures, GLuint envTexture) {
  const GLuint texture = SlotTexture(object.textureSlot, textures);
  double jitterX = 0, jitterY = 0;

  switch (object.renderMode) {
    case ModeTextured:
      BeginSolid(texture);
      break;
    case ModeEnvMapped:
      BeginSolid(envTexture);
      break;
    case ModeEnvMappedAdd:
      BeginAdditive(envTexture, true);
      break;
    case ModeTexturedAdd:
      BeginAdditive(texture, true);
      break;
    case ModeTexturedAddTwoSided:
      BeginAdditive(texture, false);
      break;
    case ModeLit:
      glEnable(GL_DEPTH_TEST);
      glDepthMask(GL_TRUE);
      glDisable(GL_TEXTURE_2D);
      BeginSmoothLit();
      break;
    case ModeLitTextured:
      glBindTexture(GL_TEXTURE_2D, texture);
      glEnable(GL_DEPTH_TEST);
      glDepthMask(GL_TRUE);
      BeginSmoothLit();
      break;
    case ModeLitFlat:
      glEnable(GL_DEPTH_TEST);
      glDepthMask(GL_TRUE);
      glEnable(GL_CULL_FACE);
      glDisable(GL_TEXTURE_2D);
      glShadeModel(GL_FLAT);
      glEnable(GL_LIGHTING);
      glEnable(GL_LIGHT0);
      SendLight0();
      break;
    case ModeGlow: {
      glDepthMask(GL_TRUE);
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
      glDisable(GL_DEPTH_TEST);
      glEnable(GL_CULL_FACE);
      glDisable(GL_TEXTURE_2D);
      glShadeModel(GL_FLAT);
      // A random shift in [-1/d, 1/d) of the depth, smaller for brighter copies.
      const double d = 32.0 * brightness + 16;
      const int r1 = ShowRandom();
      const int r2 = ShowRandom();
      jitterX = ((r1 % 2048) * (1.0 / 1024) - 1) / d;
      jitterY = ((r2 % 2048) * (1.0 / 1024) - 1) / d;
      brightness = static_cast<float>(brightness * 0.125);
      break;
    }
    default:
      break;
  }

  glColor3f(brightness, brightness, brightness);
  glBegin(GL_TRIANGLES);
    SendFaces(object, jitterX, jitterY);
  glEnd();

  // Left behind for whatever draws next; the depth test stays as the mode set
  // it and the last texture stays bound.
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glDisable(GL_LIGHT0);
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glDepthMask(GL_TRUE);
}

void DrawObjectGlow(int count, Object3D& object) {
  const int savedMode = object.renderMode;
  object.renderMode = ModeGlow;
  const double copies = 2.0 * count;
  for (int i = 0; i < count; ++i) {
    // From 1 down towards 0.5: later copies are fainter and scatter further.
    const float brightness = static_cast<float>((copies - i) / copies);
    DrawObject(brightness, object, TextureTable, TextureTable[SlotEnvi]);
  }
  object.renderMode = savedMode;
}
