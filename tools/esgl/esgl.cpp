// GL 1.x's state machine for the show's subset, drawn with ES 3.0. Vertices
// between glBegin and glEnd collect in one fixed array as triangles and go to
// the GPU in one draw whenever state that the draw depends on changes.
#include "esgl/esgl.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "esgl/es_entry.h"

namespace {

// GL 1.x tokens that ES lacks, with GL's own values.
constexpr GLenum glQuads = 0x0007;
constexpr GLenum glLighting = 0x0B50;
constexpr GLenum glLight0 = 0x4000;
constexpr GLenum glModelview = 0x1700;
constexpr GLenum glProjection = 0x1701;
constexpr GLenum glTextureMatrix = 0x1702;
constexpr GLenum glFlat = 0x1D00;
constexpr GLenum glAmbient = 0x1200;
constexpr GLenum glDiffuse = 0x1201;
constexpr GLenum glSpecular = 0x1202;
constexpr GLenum glPosition = 0x1203;
constexpr GLenum glTextureEnvMode = 0x2200;
constexpr GLenum glModulate = 0x2100;
constexpr GLenum glPerspectiveCorrectionHint = 0x0C50;

struct Vertex {
  float position[3];
  float color[3];
  float normal[3];
  float texCoord[2];
};

// One 64x64 warp grid is 63 x 63 quads, 15,876 vertices: a grid fits one
// batch. A multiple of 12 ends on whole triangles and whole quads; the
// vertices are numbered by 16-bit indices. The buffer holds four batches
// before it is renewed.
constexpr int batchCapacity = 32760;
constexpr int bufferBatches = 4;
constexpr GLsizeiptr bufferBytes = GLsizeiptr{batchCapacity} * bufferBatches * sizeof(Vertex);

// GL splits a quad v0 v1 v2 v3 into v0 v1 v3 and v1 v2 v3: both triangles end
// on the quad's last vertex, the one that gives a flat-shaded quad its colour.
// Quads draw through one fixed index buffer of that pattern.
constexpr int quadSplit[6] = {0, 1, 3, 1, 2, 3};
constexpr int quadIndices = batchCapacity / 4 * 6;

constexpr int textureNames = 4096;  // names above are taken as complete textures

struct Uniforms {
  GLint transform, modelview, normalMatrix, light0, sceneColor;
  GLint ambientProduct, diffuseProduct, specularProduct, lightPosition, texture;
  GLint color;
};

struct Light {
  float ambient[4] = {0, 0, 0, 1};
  float diffuse[4] = {1, 1, 1, 1};
  float specular[4] = {1, 1, 1, 1};
  float position[4] = {0, 0, 1, 0};  // eye space; a direction is kept normalised
};

struct Backend {
  GLuint programs[esglVariants] = {}, buffer = 0, indexBuffer = 0, vertexArray = 0;
  Uniforms uniforms[esglVariants] = {};
  int variant = -1;  // the program in use
  // GL 1.x state that the program draws from.
  bool texture2d = false, lighting = false, light0 = false, flat = false;
  bool depthTest = false, blend = false, cullFace = false, rasterizerDiscard = false;
  bool depthMask = true;
  GLenum depthFunc = GL_LESS, blendSrc = GL_ONE, blendDst = GL_ZERO;
  float modelview[16], projection[16], textureMatrix[16];
  float* matrix = modelview;  // the one glMatrixMode selects
  Light light;
  GLuint boundTexture = 0;
  bool hasImage[textureNames] = {};
  bool needsMipmaps[textureNames] = {};  // a minifying filter that reads mipmaps, which the show never makes
  // Uniform values change in versions; each program holds the version it was last given.
  unsigned uniformVersion = 1;
  unsigned programVersion[esglVariants] = {};
  // Immediate mode.
  Vertex current{};  // colour, normal and texture coordinate of the next vertex
  GLenum primitive = GL_TRIANGLES;  // of the batch: triangles or quads, never both
  bool insideBegin = false;
  int cornerCount = 0;  // vertices of the unfinished primitive, at the batch's end
  Vertex batch[batchCapacity];
  int batchCount = 0;   // vertices, the unfinished primitive's included
  // The batch's colour is a vertex attribute once glColor came between glBegin
  // and glEnd; until then its vertices all carry `batchColor`.
  bool colorVaries = false;
  float batchColor[3] = {1, 1, 1};
  GLintptr bufferHead = 0;  // bytes of the buffer the draws since its renewal used
  GLenum pendingError = GL_NO_ERROR;
  GLint packAlignment = 4;
  std::vector<unsigned char> readBack;  // RGBA rows for a GL_RGB read the context cannot do
  bool readsRgb = false;
};

Backend* be = nullptr;

void SetIdentity(float* m) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

// a x b in single precision, column-major, each element summed in GL's order.
void MultiplyMatrices(const float* a, const float* b, float* product) {
  float p[16];
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row)
      p[col * 4 + row] = a[row] * b[col * 4] + a[4 + row] * b[col * 4 + 1] +
                         a[8 + row] * b[col * 4 + 2] + a[12 + row] * b[col * 4 + 3];
  std::memcpy(product, p, sizeof p);
}

// The upper 3x3's inverse transpose, in double precision, then single.
void NormalMatrix(const float* m, float* normal) {
  auto at = [&](int row, int col) { return static_cast<double>(m[col * 4 + row]); };
  double c[3][3];
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k)
      c[r][k] = at((r + 1) % 3, (k + 1) % 3) * at((r + 2) % 3, (k + 2) % 3) -
                at((r + 1) % 3, (k + 2) % 3) * at((r + 2) % 3, (k + 1) % 3);
  double det = at(0, 0) * c[0][0] + at(0, 1) * c[0][1] + at(0, 2) * c[0][2];
  double inverse = det != 0 ? 1 / det : 0;
  // The inverse's transpose is the cofactor matrix over the determinant.
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k) normal[k * 3 + r] = static_cast<float>(c[r][k] * inverse);
}

bool TexturingOn() {
  GLuint t = be->boundTexture;
  bool complete = t >= textureNames || (t != 0 && be->hasImage[t] && !be->needsMipmaps[t]);
  return be->texture2d && complete;
}

void UploadUniforms() {
  const Uniforms& u = be->uniforms[be->variant];
  float transform[16], normal[9];
  MultiplyMatrices(be->projection, be->modelview, transform);
  NormalMatrix(be->modelview, normal);
  es.UniformMatrix4fv(u.transform, 1, GL_FALSE, transform);
  es.UniformMatrix4fv(u.modelview, 1, GL_FALSE, be->modelview);
  es.UniformMatrix3fv(u.normalMatrix, 1, GL_FALSE, normal);
  es.Uniform1i(u.light0, be->light0);
  es.Uniform1i(u.texture, 0);
  // Clamped as GL clamps a vertex colour, which is what the current colour stands for.
  float color[4] = {1, 1, 1, 1};
  for (int i = 0; i < 3; ++i)
    color[i] = be->batchColor[i] < 0 ? 0.0f : be->batchColor[i] > 1 ? 1.0f : be->batchColor[i];
  es.Uniform4fv(u.color, 1, color);
  // The default material's ambient and diffuse; its specular is 0, its emission 0.
  const float materialAmbient = 0.2f, materialDiffuse = 0.8f, sceneAmbient = 0.2f;
  float scene[3], ambient[3], diffuse[3], specular[3];
  for (int i = 0; i < 3; ++i) {
    scene[i] = sceneAmbient * materialAmbient;
    ambient[i] = be->light.ambient[i] * materialAmbient;
    diffuse[i] = be->light.diffuse[i] * materialDiffuse;
    specular[i] = be->light.specular[i] * 0.0f;
  }
  es.Uniform3fv(u.sceneColor, 1, scene);
  es.Uniform3fv(u.ambientProduct, 1, ambient);
  es.Uniform3fv(u.diffuseProduct, 1, diffuse);
  es.Uniform3fv(u.specularProduct, 1, specular);
  es.Uniform4fv(u.lightPosition, 1, be->light.position);
  be->programVersion[be->variant] = be->uniformVersion;
}

// The attributes read the buffer from `offset` on: ES 3.0 draws indices from no base vertex.
void PointAttributes(GLintptr offset) {
  const GLint sizes[4] = {3, 3, 3, 2};
  const std::size_t offsets[4] = {offsetof(Vertex, position), offsetof(Vertex, color),
                                  offsetof(Vertex, normal), offsetof(Vertex, texCoord)};
  for (GLuint i = 0; i < 4; ++i)
    es.VertexAttribPointer(i, sizes[i], GL_FLOAT, GL_FALSE, sizeof(Vertex),
                           reinterpret_cast<const void*>(offset + offsets[i]));
}

// Draws the primitives finished so far with the state they were made under; an
// unfinished one stays, moved to the batch's start.
void FlushBatch() {
  int finished = be->batchCount - be->cornerCount;
  if (finished == 0) return;
  int texturing = TexturingOn() ? 1 : 0;
  int variant = !be->colorVaries && !be->lighting
                    ? esglConstantColorVariant + texturing
                    : (be->lighting ? 1 : 0) | texturing << 1 | (be->flat ? 4 : 0);
  if (variant != be->variant) {
    be->variant = variant;
    es.UseProgram(be->programs[variant]);
  }
  if (be->programVersion[variant] != be->uniformVersion) UploadUniforms();
  GLsizeiptr bytes = GLsizeiptr{finished} * sizeof(Vertex);
  if (be->bufferHead + bytes > bufferBytes) {
    // A fresh store: the GPU may still read the old one.
    es.BufferData(GL_ARRAY_BUFFER, bufferBytes, nullptr, GL_STREAM_DRAW);
    be->bufferHead = 0;
  }
  es.BufferSubData(GL_ARRAY_BUFFER, be->bufferHead, bytes, be->batch);
  PointAttributes(be->bufferHead);
  if (be->primitive == glQuads)
    es.DrawElements(GL_TRIANGLES, finished / 4 * 6, GL_UNSIGNED_SHORT, nullptr);
  else
    es.DrawArrays(GL_TRIANGLES, 0, finished);
  be->bufferHead += bytes;
  for (int i = 0; i < be->cornerCount; ++i) be->batch[i] = be->batch[finished + i];
  be->batchCount = be->cornerCount;
}

// A state change's flush, after which colours start out constant again.
void EndBatch() {
  FlushBatch();
  be->colorVaries = false;
}

// Before a change of what the program reads: the triangles so far draw first.
void ChangeUniforms() {
  EndBatch();
  ++be->uniformVersion;
}

void SetError(GLenum error) {
  if (be->pendingError == GL_NO_ERROR) be->pendingError = error;
}

// The flag of a capability GL 1.x keeps here, and whether ES has it too.
bool* CapFlag(GLenum cap, bool& inEs) {
  inEs = true;
  switch (cap) {
    case GL_DEPTH_TEST: return &be->depthTest;
    case GL_BLEND: return &be->blend;
    case GL_CULL_FACE: return &be->cullFace;
    case GL_RASTERIZER_DISCARD: return &be->rasterizerDiscard;
    default: break;
  }
  inEs = false;
  switch (cap) {
    case GL_TEXTURE_2D: return &be->texture2d;
    case glLighting: return &be->lighting;
    case glLight0: return &be->light0;
    default: return nullptr;
  }
}

void SetCapability(GLenum cap, bool on) {
  bool inEs = false;
  bool* flag = CapFlag(cap, inEs);
  if (flag == nullptr) {
    // Nothing the program models: ES takes it or answers GL_INVALID_ENUM.
    EndBatch();
    return (on ? es.Enable : es.Disable)(cap);
  }
  if (*flag == on) return;
  // Texturing and lighting choose the program; light 0 is a uniform.
  if (cap == glLight0) ChangeUniforms(); else EndBatch();
  *flag = on;
  if (inEs) (on ? es.Enable : es.Disable)(cap);
}

extern "C" {

void EsglEnable(GLenum cap) { SetCapability(cap, true); }
void EsglDisable(GLenum cap) { SetCapability(cap, false); }

void EsglBindTexture(GLenum target, GLuint texture) {
  if (target == GL_TEXTURE_2D && texture == be->boundTexture) return;
  EndBatch();
  be->boundTexture = texture;
  es.BindTexture(target, texture);
}

void EsglBlendFunc(GLenum src, GLenum dst) {
  if (src == be->blendSrc && dst == be->blendDst) return;
  EndBatch();
  be->blendSrc = src;
  be->blendDst = dst;
  es.BlendFunc(src, dst);
}

void EsglDepthMask(GLboolean flag) {
  if ((flag != GL_FALSE) == be->depthMask) return;
  EndBatch();
  be->depthMask = flag != GL_FALSE;
  es.DepthMask(flag);
}

void EsglDepthFunc(GLenum func) {
  if (func == be->depthFunc) return;
  EndBatch();
  be->depthFunc = func;
  es.DepthFunc(func);
}

void EsglShadeModel(GLenum mode) {
  if ((mode == glFlat) == be->flat) return;
  EndBatch();
  be->flat = mode == glFlat;
}

void EsglColor3f(GLfloat r, GLfloat g, GLfloat b) {
  if (be->insideBegin && !be->colorVaries) {
    // The vertices so far draw with the constant colour; from here on it is an attribute.
    FlushBatch();
    be->colorVaries = true;
  } else if (!be->insideBegin && !be->colorVaries) {
    const float* c = be->batchColor;
    if (be->batchCount > 0 && (c[0] != r || c[1] != g || c[2] != b)) FlushBatch();
    be->batchColor[0] = r;
    be->batchColor[1] = g;
    be->batchColor[2] = b;
    ++be->uniformVersion;
  }
  be->current.color[0] = r;
  be->current.color[1] = g;
  be->current.color[2] = b;
}

void EsglNormal3f(GLfloat x, GLfloat y, GLfloat z) {
  be->current.normal[0] = x;
  be->current.normal[1] = y;
  be->current.normal[2] = z;
}

void EsglTexCoord2f(GLfloat s, GLfloat t) {
  be->current.texCoord[0] = s;
  be->current.texCoord[1] = t;
}

void EsglBegin(GLenum mode) {
  if (be->insideBegin) return SetError(GL_INVALID_OPERATION);
  if (mode != GL_TRIANGLES && mode != glQuads) return SetError(GL_INVALID_ENUM);
  if (mode != be->primitive) FlushBatch();
  be->insideBegin = true;
  be->primitive = mode;
  be->cornerCount = 0;
}

// A vertex outside glBegin/glEnd is GL's undefined case: it draws nothing.
void EsglVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  if (!be->insideBegin) return;
  if (be->batchCount == batchCapacity) FlushBatch();
  Vertex& v = be->batch[be->batchCount++];
  v = be->current;
  v.position[0] = x;
  v.position[1] = y;
  v.position[2] = z;
  if (++be->cornerCount == (be->primitive == glQuads ? 4 : 3)) be->cornerCount = 0;
}

// An unfinished primitive is dropped, as GL drops it.
void EsglEnd() {
  if (!be->insideBegin) return SetError(GL_INVALID_OPERATION);
  be->insideBegin = false;
  be->batchCount -= be->cornerCount;
  be->cornerCount = 0;
}

void EsglLightfv(GLenum light, GLenum pname, const GLfloat* params) {
  if (light != glLight0) return SetError(GL_INVALID_ENUM);
  ChangeUniforms();
  Light& l = be->light;
  switch (pname) {
    case glAmbient: std::memcpy(l.ambient, params, sizeof l.ambient); break;
    case glDiffuse: std::memcpy(l.diffuse, params, sizeof l.diffuse); break;
    case glSpecular: std::memcpy(l.specular, params, sizeof l.specular); break;
    case glPosition: {
      // Into eye space through the modelview matrix as it is now; a direction
      // is normalised once, in single precision with a reciprocal, as GL does.
      const float* m = be->modelview;
      for (int row = 0; row < 4; ++row)
        l.position[row] = m[row] * params[0] + m[4 + row] * params[1] +
                          m[8 + row] * params[2] + m[12 + row] * params[3];
      if (l.position[3] == 0) {
        float length = l.position[0] * l.position[0] + l.position[1] * l.position[1] +
                       l.position[2] * l.position[2];
        if (length != 0) {
          length = 1.0f / std::sqrt(length);
          for (int i = 0; i < 3; ++i) l.position[i] *= length;
        }
      }
      break;
    }
    default: SetError(GL_INVALID_ENUM); break;
  }
}

void EsglClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { es.ClearColor(r, g, b, a); }
void EsglClearDepth(double depth) { es.ClearDepthf(static_cast<GLfloat>(depth)); }

void EsglClear(GLbitfield mask) {
  EndBatch();
  es.Clear(mask);
}

void EsglMatrixMode(GLenum mode) {
  if (mode == glModelview) be->matrix = be->modelview;
  else if (mode == glProjection) be->matrix = be->projection;
  else if (mode == glTextureMatrix) be->matrix = be->textureMatrix;
  else SetError(GL_INVALID_ENUM);
}

void EsglLoadIdentity() {
  ChangeUniforms();
  SetIdentity(be->matrix);
}

// The matrix in single precision, as GL stores it, then multiplied on.
void EsglMultMatrixd(const double* m) {
  ChangeUniforms();
  float f[16];
  for (int i = 0; i < 16; ++i) f[i] = static_cast<float>(m[i]);
  MultiplyMatrices(be->matrix, f, be->matrix);
}

void EsglViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  EndBatch();
  es.Viewport(x, y, width, height);
}

void EsglGenTextures(GLsizei n, GLuint* textures) {
  es.GenTextures(n, textures);
  for (GLsizei i = 0; i < n; ++i) {
    if (textures[i] >= textureNames) continue;
    be->hasImage[textures[i]] = false;
    be->needsMipmaps[textures[i]] = true;  // GL's default minifying filter reads mipmaps
  }
}

void EsglDeleteTextures(GLsizei n, const GLuint* textures) {
  EndBatch();
  for (GLsizei i = 0; i < n; ++i)
    if (textures[i] == be->boundTexture) {
      be->boundTexture = 0;  // GL falls back to the default texture
    }
  es.DeleteTextures(n, textures);
}

void EsglTexParameteri(GLenum target, GLenum pname, GLint param) {
  EndBatch();
  GLuint t = be->boundTexture;
  if (pname == GL_TEXTURE_MIN_FILTER && t < textureNames)
    be->needsMipmaps[t] = param != GL_NEAREST && param != GL_LINEAR;
  es.TexParameteri(target, pname, param);
}

// Only the modulate stage is built; asking for another is refused.
void EsglTexEnvi(GLenum, GLenum pname, GLint param) {
  if (pname != glTextureEnvMode || static_cast<GLenum>(param) != glModulate)
    SetError(GL_INVALID_ENUM);
}

void EsglPixelStorei(GLenum pname, GLint param) {
  if (pname == GL_PACK_ALIGNMENT) be->packAlignment = param;
  es.PixelStorei(pname, param);
}

// GL 1.x's component counts become ES's unsized formats, which match the data's.
void EsglTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                    GLsizei height, GLint border, GLenum format, GLenum type,
                    const GLvoid* pixels) {
  EndBatch();
  GLint esFormat = internalFormat;
  if (internalFormat == 3) esFormat = GL_RGB;
  if (internalFormat == 4) esFormat = GL_RGBA;
  if (internalFormat == 1) esFormat = GL_LUMINANCE;
  // Errors from before stay reported; the one read after is the upload's.
  for (GLenum before = es.GetError(); before != GL_NO_ERROR; before = es.GetError())
    SetError(before);
  es.TexImage2D(target, level, esFormat, width, height, border, format, type, pixels);
  GLenum error = es.GetError();
  GLuint t = be->boundTexture;
  if (error != GL_NO_ERROR) SetError(error);
  else if (level == 0 && t < textureNames) be->hasImage[t] = true;
}

void EsglGetIntegerv(GLenum pname, GLint* params) { es.GetIntegerv(pname, params); }

GLenum EsglGetError() {
  GLenum error = be->pendingError;
  be->pendingError = GL_NO_ERROR;
  return error != GL_NO_ERROR ? error : es.GetError();
}

void EsglHint(GLenum target, GLenum mode) {
  // ES interpolates with perspective always.
  if (target != glPerspectiveCorrectionHint) es.Hint(target, mode);
}

void EsglFinish() {
  EndBatch();
  es.Finish();
}

void EsglFlush() {
  EndBatch();
  es.Flush();
}

void ReadRgbThroughRgba(GLint x, GLint y, GLsizei width, GLsizei height, unsigned char* out) {
  std::size_t need = static_cast<std::size_t>(width) * height * 4;
  if (be->readBack.size() < need) be->readBack.resize(need);  // once, for the first size read
  es.PixelStorei(GL_PACK_ALIGNMENT, 4);
  es.ReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, be->readBack.data());
  es.PixelStorei(GL_PACK_ALIGNMENT, be->packAlignment);
  std::size_t a = static_cast<std::size_t>(be->packAlignment);
  std::size_t stride = (static_cast<std::size_t>(width) * 3 + a - 1) / a * a;
  for (GLsizei row = 0; row < height; ++row) {
    const unsigned char* from = be->readBack.data() + static_cast<std::size_t>(row) * width * 4;
    unsigned char* to = out + stride * row;
    for (GLsizei i = 0; i < width; ++i)
      for (int c = 0; c < 3; ++c) to[i * 3 + c] = from[i * 4 + c];
  }
}

void EsglReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                    GLvoid* pixels) {
  EndBatch();
  if (format == GL_RGB && type == GL_UNSIGNED_BYTE && !be->readsRgb && width > 0 && height > 0)
    return ReadRgbThroughRgba(x, y, width, height, static_cast<unsigned char*>(pixels));
  es.ReadPixels(x, y, width, height, format, type, pixels);
}

const GLubyte* EsglGetString(GLenum name) { return es.GetString(name); }

}  // extern "C"

struct ProcName {
  const char* name;
  void* address;
};

const ProcName procs[] = {
    {"glEnable", reinterpret_cast<void*>(EsglEnable)},
    {"glDisable", reinterpret_cast<void*>(EsglDisable)},
    {"glBindTexture", reinterpret_cast<void*>(EsglBindTexture)},
    {"glBlendFunc", reinterpret_cast<void*>(EsglBlendFunc)},
    {"glDepthMask", reinterpret_cast<void*>(EsglDepthMask)},
    {"glDepthFunc", reinterpret_cast<void*>(EsglDepthFunc)},
    {"glShadeModel", reinterpret_cast<void*>(EsglShadeModel)},
    {"glColor3f", reinterpret_cast<void*>(EsglColor3f)},
    {"glBegin", reinterpret_cast<void*>(EsglBegin)},
    {"glEnd", reinterpret_cast<void*>(EsglEnd)},
    {"glTexCoord2f", reinterpret_cast<void*>(EsglTexCoord2f)},
    {"glVertex3f", reinterpret_cast<void*>(EsglVertex3f)},
    {"glNormal3f", reinterpret_cast<void*>(EsglNormal3f)},
    {"glLightfv", reinterpret_cast<void*>(EsglLightfv)},
    {"glClearColor", reinterpret_cast<void*>(EsglClearColor)},
    {"glClearDepth", reinterpret_cast<void*>(EsglClearDepth)},
    {"glClear", reinterpret_cast<void*>(EsglClear)},
    {"glLoadIdentity", reinterpret_cast<void*>(EsglLoadIdentity)},
    {"glMatrixMode", reinterpret_cast<void*>(EsglMatrixMode)},
    {"glMultMatrixd", reinterpret_cast<void*>(EsglMultMatrixd)},
    {"glViewport", reinterpret_cast<void*>(EsglViewport)},
    {"glGenTextures", reinterpret_cast<void*>(EsglGenTextures)},
    {"glDeleteTextures", reinterpret_cast<void*>(EsglDeleteTextures)},
    {"glTexParameteri", reinterpret_cast<void*>(EsglTexParameteri)},
    {"glTexEnvi", reinterpret_cast<void*>(EsglTexEnvi)},
    {"glPixelStorei", reinterpret_cast<void*>(EsglPixelStorei)},
    {"glTexImage2D", reinterpret_cast<void*>(EsglTexImage2D)},
    {"glGetIntegerv", reinterpret_cast<void*>(EsglGetIntegerv)},
    {"glGetError", reinterpret_cast<void*>(EsglGetError)},
    {"glHint", reinterpret_cast<void*>(EsglHint)},
    {"glFinish", reinterpret_cast<void*>(EsglFinish)},
    {"glFlush", reinterpret_cast<void*>(EsglFlush)},
    {"glReadPixels", reinterpret_cast<void*>(EsglReadPixels)},
    {"glGetString", reinterpret_cast<void*>(EsglGetString)},
};

// The uniforms by name; a missing one (optimised away) reads -1, which ES ignores.
void FindUniforms(GLuint program, Uniforms& u) {
  auto at = [&](const char* name) { return es.GetUniformLocation(program, name); };
  u = Uniforms{at("uTransform"),       at("uModelview"),      at("uNormalMatrix"),
               at("uLight0"),          at("uSceneColor"),     at("uAmbientProduct"),
               at("uDiffuseProduct"),  at("uSpecularProduct"), at("uLightPosition"),
               at("uTexture"),         at("uColor")};
}

// One vertex array over the streaming buffer, its four attributes
// interleaved, and the quads' fixed index buffer.
void MakeVertexStream() {
  es.GenVertexArrays(1, &be->vertexArray);
  es.BindVertexArray(be->vertexArray);
  es.GenBuffers(1, &be->buffer);
  es.BindBuffer(GL_ARRAY_BUFFER, be->buffer);
  es.BufferData(GL_ARRAY_BUFFER, bufferBytes, nullptr, GL_STREAM_DRAW);
  for (GLuint i = 0; i < 4; ++i) es.EnableVertexAttribArray(i);
  PointAttributes(0);
  std::vector<GLushort> indices(quadIndices);
  for (int i = 0; i < quadIndices; ++i)
    indices[i] = static_cast<GLushort>(i / 6 * 4 + quadSplit[i % 6]);
  es.GenBuffers(1, &be->indexBuffer);
  es.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, be->indexBuffer);
  es.BufferData(GL_ELEMENT_ARRAY_BUFFER, quadIndices * sizeof(GLushort), indices.data(),
                GL_STATIC_DRAW);
}

// GL 1.x's initial values where ES's differ or live in the program.
void SetInitialState() {
  SetIdentity(be->modelview);
  SetIdentity(be->projection);
  SetIdentity(be->textureMatrix);
  be->current.color[0] = be->current.color[1] = be->current.color[2] = 1;
  be->current.normal[2] = 1;
  es.ActiveTexture(GL_TEXTURE0);
  GLint format = 0, type = 0;
  es.GetIntegerv(GL_IMPLEMENTATION_COLOR_READ_FORMAT, &format);
  es.GetIntegerv(GL_IMPLEMENTATION_COLOR_READ_TYPE, &type);
  be->readsRgb = format == GL_RGB && type == GL_UNSIGNED_BYTE;
}

}  // namespace

bool EsglStart(EsglResolver resolve, std::string& error) {
  std::string missing;
  if (!LoadEsEntry(resolve, missing)) {
    error = "the GL has no " + missing;
    return false;
  }
  const char* version = reinterpret_cast<const char*>(es.GetString(GL_VERSION));
  if (version == nullptr || std::strncmp(version, "OpenGL ES ", 10) != 0 || version[10] < '3') {
    error = std::string("no OpenGL ES 3 context (the context is ") +
            (version ? version : "unknown") + ")";
    return false;
  }
  EsglStop();
  be = new Backend();
  for (int v = 0; v < esglVariants; ++v) {
    std::string log;
    be->programs[v] =
        CompileEsglProgram(EsglVariantPrefix(v), esglVertexShader, esglFragmentShader, log);
    if (be->programs[v] == 0) {
      std::fprintf(stderr, "%s\n", log.c_str());
      error = "the shaders do not build: " + log.substr(0, log.find('\n'));
      EsglStop();
      return false;
    }
    FindUniforms(be->programs[v], be->uniforms[v]);
  }
  MakeVertexStream();
  SetInitialState();
  return true;
}

void EsglStop() {
  if (be == nullptr) return;
  es.DeleteBuffers(1, &be->buffer);
  es.DeleteBuffers(1, &be->indexBuffer);
  es.DeleteVertexArrays(1, &be->vertexArray);
  for (GLuint program : be->programs)
    if (program != 0) es.DeleteProgram(program);
  delete be;
  be = nullptr;
}

void* EsglProc(const char* name) {
  if (be == nullptr) return nullptr;
  for (const ProcName& p : procs)
    if (std::strcmp(p.name, name) == 0) return p.address;
  return nullptr;
}
