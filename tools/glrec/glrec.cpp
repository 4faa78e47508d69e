#include "glrec/glrec.h"

#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <utility>

namespace {

struct Recorder {
  GlrecMode mode = GlrecRecord;
  std::vector<std::string> calls;
  std::size_t callCount = 0;
  std::size_t vertexCount = 0;
  std::size_t depthClears = 0;
  GlrecState state;
  GLuint nextTexture = 1;
  GLint maxTextureSize = 16384;
  GLint unpackAlignment = 4;
  std::vector<GlrecImage> images;
  GLenum uploadError = GL_NO_ERROR;   // what the next glTexImage2D fails with
  GLenum pendingError = GL_NO_ERROR;  // what glGetError answers once
};

Recorder rec;

// The system's entry points for forward mode, named as the GL functions they stand for.
struct SystemGl {
  void (*Enable)(GLenum);
  void (*Disable)(GLenum);
  void (*BindTexture)(GLenum, GLuint);
  void (*BlendFunc)(GLenum, GLenum);
  void (*DepthMask)(GLboolean);
  void (*DepthFunc)(GLenum);
  void (*ShadeModel)(GLenum);
  void (*Color3f)(GLfloat, GLfloat, GLfloat);
  void (*Begin)(GLenum);
  void (*End)();
  void (*TexCoord2f)(GLfloat, GLfloat);
  void (*Vertex3f)(GLfloat, GLfloat, GLfloat);
  void (*Normal3f)(GLfloat, GLfloat, GLfloat);
  void (*Lightfv)(GLenum, GLenum, const GLfloat*);
  void (*ClearColor)(GLclampf, GLclampf, GLclampf, GLclampf);
  void (*ClearDepth)(GLclampd);
  void (*Clear)(GLbitfield);
  void (*LoadIdentity)();
  void (*MatrixMode)(GLenum);
  void (*MultMatrixd)(const GLdouble*);
  void (*Viewport)(GLint, GLint, GLsizei, GLsizei);
  void (*GenTextures)(GLsizei, GLuint*);
  void (*DeleteTextures)(GLsizei, const GLuint*);
  void (*TexParameteri)(GLenum, GLenum, GLint);
  void (*TexEnvi)(GLenum, GLenum, GLint);
  void (*PixelStorei)(GLenum, GLint);
  void (*TexImage2D)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid*);
  void (*GetIntegerv)(GLenum, GLint*);
  GLenum (*GetError)();
  void (*Hint)(GLenum, GLenum);
  void (*Finish)();
  void (*Flush)();
  void (*ReadPixels)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, GLvoid*);
  const GLubyte* (*GetString)(GLenum);
};

SystemGl sys{};
bool sysLoaded = false;

// Forward mode needs the system's entry points; without them a call does nothing.
bool Forwarding() { return rec.mode == GlrecForward && sysLoaded; }

struct TokenName {
  GLenum value;
  const char* name;
};

// Tokens by the context they appear in: the same number names different things
// (GL_ONE and GL_LINES are both 1).
const TokenName capTokens[] = {
    {GL_TEXTURE_2D, "GL_TEXTURE_2D"}, {GL_DEPTH_TEST, "GL_DEPTH_TEST"},
    {GL_BLEND, "GL_BLEND"},           {GL_CULL_FACE, "GL_CULL_FACE"},
    {GL_LIGHTING, "GL_LIGHTING"},     {GL_LIGHT0, "GL_LIGHT0"},
    {GL_LIGHT1, "GL_LIGHT1"},         {GL_NORMALIZE, "GL_NORMALIZE"},
    {GL_COLOR_MATERIAL, "GL_COLOR_MATERIAL"}, {GL_ALPHA_TEST, "GL_ALPHA_TEST"},
    {GL_FOG, "GL_FOG"},               {GL_DITHER, "GL_DITHER"},
};
const TokenName blendTokens[] = {
    {GL_ZERO, "GL_ZERO"},
    {GL_ONE, "GL_ONE"},
    {GL_SRC_COLOR, "GL_SRC_COLOR"},
    {GL_ONE_MINUS_SRC_COLOR, "GL_ONE_MINUS_SRC_COLOR"},
    {GL_SRC_ALPHA, "GL_SRC_ALPHA"},
    {GL_ONE_MINUS_SRC_ALPHA, "GL_ONE_MINUS_SRC_ALPHA"},
    {GL_DST_ALPHA, "GL_DST_ALPHA"},
    {GL_ONE_MINUS_DST_ALPHA, "GL_ONE_MINUS_DST_ALPHA"},
    {GL_DST_COLOR, "GL_DST_COLOR"},
    {GL_ONE_MINUS_DST_COLOR, "GL_ONE_MINUS_DST_COLOR"},
};
const TokenName primitiveTokens[] = {
    {GL_POINTS, "GL_POINTS"},       {GL_LINES, "GL_LINES"},
    {GL_LINE_LOOP, "GL_LINE_LOOP"}, {GL_LINE_STRIP, "GL_LINE_STRIP"},
    {GL_TRIANGLES, "GL_TRIANGLES"}, {GL_TRIANGLE_STRIP, "GL_TRIANGLE_STRIP"},
    {GL_TRIANGLE_FAN, "GL_TRIANGLE_FAN"}, {GL_QUADS, "GL_QUADS"},
    {GL_QUAD_STRIP, "GL_QUAD_STRIP"}, {GL_POLYGON, "GL_POLYGON"},
};
const TokenName generalTokens[] = {
    {GL_TEXTURE_2D, "GL_TEXTURE_2D"},
    {GL_PROJECTION, "GL_PROJECTION"},
    {GL_MODELVIEW, "GL_MODELVIEW"},
    {GL_TEXTURE, "GL_TEXTURE"},
    {GL_SMOOTH, "GL_SMOOTH"},
    {GL_FLAT, "GL_FLAT"},
    {GL_NEVER, "GL_NEVER"},
    {GL_LESS, "GL_LESS"},
    {GL_EQUAL, "GL_EQUAL"},
    {GL_LEQUAL, "GL_LEQUAL"},
    {GL_GREATER, "GL_GREATER"},
    {GL_NOTEQUAL, "GL_NOTEQUAL"},
    {GL_GEQUAL, "GL_GEQUAL"},
    {GL_ALWAYS, "GL_ALWAYS"},
    {GL_LIGHT0, "GL_LIGHT0"},
    {GL_AMBIENT, "GL_AMBIENT"},
    {GL_DIFFUSE, "GL_DIFFUSE"},
    {GL_SPECULAR, "GL_SPECULAR"},
    {GL_POSITION, "GL_POSITION"},
    {GL_RGB, "GL_RGB"},
    {GL_RGBA, "GL_RGBA"},
    {GL_LUMINANCE, "GL_LUMINANCE"},
    {GL_UNSIGNED_BYTE, "GL_UNSIGNED_BYTE"},
    {GL_TEXTURE_MAG_FILTER, "GL_TEXTURE_MAG_FILTER"},
    {GL_TEXTURE_MIN_FILTER, "GL_TEXTURE_MIN_FILTER"},
    {GL_TEXTURE_WRAP_S, "GL_TEXTURE_WRAP_S"},
    {GL_TEXTURE_WRAP_T, "GL_TEXTURE_WRAP_T"},
    {GL_UNPACK_ALIGNMENT, "GL_UNPACK_ALIGNMENT"},
    {GL_PACK_ALIGNMENT, "GL_PACK_ALIGNMENT"},
    {GL_MAX_TEXTURE_SIZE, "GL_MAX_TEXTURE_SIZE"},
    {GL_VIEWPORT, "GL_VIEWPORT"},
    {GL_FRONT, "GL_FRONT"},
    {GL_BACK, "GL_BACK"},
    {GL_FRONT_AND_BACK, "GL_FRONT_AND_BACK"},
    {GL_CW, "GL_CW"},
    {GL_CCW, "GL_CCW"},
    {GL_TEXTURE_ENV, "GL_TEXTURE_ENV"},
    {GL_TEXTURE_ENV_MODE, "GL_TEXTURE_ENV_MODE"},
    {GL_MODULATE, "GL_MODULATE"},
    {GL_RENDERER, "GL_RENDERER"},
    {GL_VENDOR, "GL_VENDOR"},
    {GL_VERSION, "GL_VERSION"},
    {GL_PERSPECTIVE_CORRECTION_HINT, "GL_PERSPECTIVE_CORRECTION_HINT"},
    {GL_NICEST, "GL_NICEST"},
    {GL_FASTEST, "GL_FASTEST"},
    {GL_DONT_CARE, "GL_DONT_CARE"},
};

template <std::size_t N>
std::string TokenText(const TokenName (&table)[N], GLenum value) {
  for (const TokenName& t : table)
    if (t.value == value) return t.name;
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%04X", value);
  return buffer;
}

std::string CapName(GLenum v) { return TokenText(capTokens, v); }
std::string BlendName(GLenum v) { return TokenText(blendTokens, v); }
std::string PrimitiveName(GLenum v) { return TokenText(primitiveTokens, v); }
std::string EnumName(GLenum v) { return TokenText(generalTokens, v); }

std::string MaskText(GLbitfield mask) {
  // Ascending bit order: depth (0x100), accum (0x200), stencil (0x400), colour (0x4000).
  static const TokenName bits[] = {
      {GL_DEPTH_BUFFER_BIT, "GL_DEPTH_BUFFER_BIT"},
      {GL_ACCUM_BUFFER_BIT, "GL_ACCUM_BUFFER_BIT"},
      {GL_STENCIL_BUFFER_BIT, "GL_STENCIL_BUFFER_BIT"},
      {GL_COLOR_BUFFER_BIT, "GL_COLOR_BUFFER_BIT"},
  };
  std::string text;
  GLbitfield rest = mask;
  for (const TokenName& b : bits) {
    if (mask & b.value) {
      if (!text.empty()) text += '|';
      text += b.name;
      rest &= ~b.value;
    }
  }
  if (rest != 0 || text.empty()) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", rest);
    if (!text.empty()) text += '|';
    text += buffer;
  }
  return text;
}

std::string IntText(long long v) { return std::to_string(v); }
std::string BoolText(GLboolean b) { return b ? "GL_TRUE" : "GL_FALSE"; }

// Counts the call; in record mode also formats it. The argument list is built
// only when recording, so counting mode stays cheap. Forwarded calls are not
// counted: they return before this.
bool Recording() {
  ++rec.callCount;
  return rec.mode == GlrecRecord;
}

void Emit(const char* name, std::initializer_list<std::string> args) {
  std::string line = name;
  for (const std::string& a : args) {
    line += ' ';
    line += a;
  }
  rec.calls.push_back(std::move(line));
}

bool* CapFlag(GLenum cap) {
  switch (cap) {
    case GL_TEXTURE_2D: return &rec.state.texture2d;
    case GL_DEPTH_TEST: return &rec.state.depthTest;
    case GL_BLEND: return &rec.state.blend;
    case GL_CULL_FACE: return &rec.state.cullFace;
    case GL_LIGHTING: return &rec.state.lighting;
    case GL_LIGHT0: return &rec.state.light0;
    default: return nullptr;
  }
}

}  // namespace

std::string GlrecFloat(float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
  return buffer;
}

std::string GlrecDouble(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

void GlrecReset() {
  GlrecMode mode = rec.mode;
  GLint maxSize = rec.maxTextureSize;
  rec = Recorder{};
  rec.mode = mode;
  rec.maxTextureSize = maxSize;
}

void GlrecSetMode(GlrecMode mode) { rec.mode = mode; }
void GlrecReplayState() {
  if (!Forwarding()) return;
  const GlrecState& s = rec.state;
  const std::pair<GLenum, bool> caps[] = {
      {GL_TEXTURE_2D, s.texture2d}, {GL_DEPTH_TEST, s.depthTest}, {GL_BLEND, s.blend},
      {GL_CULL_FACE, s.cullFace},   {GL_LIGHTING, s.lighting},    {GL_LIGHT0, s.light0},
  };
  for (const auto& [cap, on] : caps) (on ? sys.Enable : sys.Disable)(cap);
  sys.DepthMask(s.depthMask ? GL_TRUE : GL_FALSE);
  sys.DepthFunc(s.depthFunc);
  sys.BlendFunc(s.blendSrc, s.blendDst);
  sys.ShadeModel(s.shadeModel);
  sys.BindTexture(GL_TEXTURE_2D, s.boundTexture);
  sys.ClearColor(s.clearColor[0], s.clearColor[1], s.clearColor[2], s.clearColor[3]);
  sys.Color3f(s.color[0], s.color[1], s.color[2]);
  sys.Normal3f(s.normal[0], s.normal[1], s.normal[2]);
  sys.TexCoord2f(s.texCoord[0], s.texCoord[1]);
  // The light's position is taken through the modelview matrix, which the show
  // keeps at identity: sending it again gives the same eye-space position.
  sys.Lightfv(GL_LIGHT0, GL_AMBIENT, s.lightAmbient);
  sys.Lightfv(GL_LIGHT0, GL_DIFFUSE, s.lightDiffuse);
  sys.Lightfv(GL_LIGHT0, GL_SPECULAR, s.lightSpecular);
  sys.Lightfv(GL_LIGHT0, GL_POSITION, s.lightPosition);
  sys.MatrixMode(s.matrixMode);
}
GlrecMode GlrecGetMode() { return rec.mode; }

void GlrecFailNextUpload(GLenum error) { rec.uploadError = error; }

bool GlrecLoadForwarding(GlrecResolver resolve, std::string& missing) {
  SystemGl found{};
  bool complete = true;
  auto load = [&](auto& slot, const char* name) {
    void* address = resolve ? resolve(name) : nullptr;
    if (!address && complete) {
      complete = false;
      missing = name;
    }
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(address);
  };
  load(found.Enable, "glEnable");
  load(found.Disable, "glDisable");
  load(found.BindTexture, "glBindTexture");
  load(found.BlendFunc, "glBlendFunc");
  load(found.DepthMask, "glDepthMask");
  load(found.DepthFunc, "glDepthFunc");
  load(found.ShadeModel, "glShadeModel");
  load(found.Color3f, "glColor3f");
  load(found.Begin, "glBegin");
  load(found.End, "glEnd");
  load(found.TexCoord2f, "glTexCoord2f");
  load(found.Vertex3f, "glVertex3f");
  load(found.Normal3f, "glNormal3f");
  load(found.Lightfv, "glLightfv");
  load(found.ClearColor, "glClearColor");
  load(found.ClearDepth, "glClearDepth");
  load(found.Clear, "glClear");
  load(found.LoadIdentity, "glLoadIdentity");
  load(found.MatrixMode, "glMatrixMode");
  load(found.MultMatrixd, "glMultMatrixd");
  load(found.Viewport, "glViewport");
  load(found.GenTextures, "glGenTextures");
  load(found.DeleteTextures, "glDeleteTextures");
  load(found.TexParameteri, "glTexParameteri");
  load(found.TexEnvi, "glTexEnvi");
  load(found.PixelStorei, "glPixelStorei");
  load(found.TexImage2D, "glTexImage2D");
  load(found.GetIntegerv, "glGetIntegerv");
  load(found.GetError, "glGetError");
  load(found.Hint, "glHint");
  load(found.Finish, "glFinish");
  load(found.Flush, "glFlush");
  load(found.ReadPixels, "glReadPixels");
  load(found.GetString, "glGetString");
  if (!complete) return false;
  sys = found;
  sysLoaded = true;
  return true;
}

const std::vector<std::string>& GlrecCalls() { return rec.calls; }
std::size_t GlrecCallCount() { return rec.callCount; }
std::size_t GlrecVertexCount() { return rec.vertexCount; }
std::size_t GlrecDepthClears() { return rec.depthClears; }
const GlrecState& GlrecCurrentState() { return rec.state; }
void GlrecSetMaxTextureSize(GLint size) { rec.maxTextureSize = size; }
const std::vector<GlrecImage>& GlrecImages() { return rec.images; }

std::string GlrecJoined() {
  std::string all;
  for (const std::string& line : rec.calls) {
    all += line;
    all += '\n';
  }
  return all;
}

std::vector<std::string> GlrecCallsNamed(const char* name) {
  std::vector<std::string> found;
  std::size_t n = std::strlen(name);
  for (const std::string& line : rec.calls)
    if (line.compare(0, n, name) == 0 && (line.size() == n || line[n] == ' '))
      found.push_back(line);
  return found;
}

extern "C" {

void glEnable(GLenum cap) {
  if (bool* flag = CapFlag(cap)) *flag = true;
  if (Forwarding()) return sys.Enable(cap);
  if (Recording()) Emit("glEnable", {CapName(cap)});
}

void glDisable(GLenum cap) {
  if (bool* flag = CapFlag(cap)) *flag = false;
  if (Forwarding()) return sys.Disable(cap);
  if (Recording()) Emit("glDisable", {CapName(cap)});
}

void glBindTexture(GLenum target, GLuint texture) {
  rec.state.boundTexture = texture;
  if (Forwarding()) return sys.BindTexture(target, texture);
  if (Recording()) Emit("glBindTexture", {EnumName(target), IntText(texture)});
}

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
  rec.state.blendSrc = sfactor;
  rec.state.blendDst = dfactor;
  if (Forwarding()) return sys.BlendFunc(sfactor, dfactor);
  if (Recording()) Emit("glBlendFunc", {BlendName(sfactor), BlendName(dfactor)});
}

void glDepthMask(GLboolean flag) {
  rec.state.depthMask = flag != GL_FALSE;
  if (Forwarding()) return sys.DepthMask(flag);
  if (Recording()) Emit("glDepthMask", {BoolText(flag)});
}

void glDepthFunc(GLenum func) {
  rec.state.depthFunc = func;
  if (Forwarding()) return sys.DepthFunc(func);
  if (Recording()) Emit("glDepthFunc", {EnumName(func)});
}

void glShadeModel(GLenum mode) {
  rec.state.shadeModel = mode;
  if (Forwarding()) return sys.ShadeModel(mode);
  if (Recording()) Emit("glShadeModel", {EnumName(mode)});
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
  rec.state.color[0] = r;
  rec.state.color[1] = g;
  rec.state.color[2] = b;
  if (Forwarding()) return sys.Color3f(r, g, b);
  if (Recording()) Emit("glColor3f", {GlrecFloat(r), GlrecFloat(g), GlrecFloat(b)});
}

void glBegin(GLenum mode) {
  rec.state.insideBegin = true;
  if (Forwarding()) return sys.Begin(mode);
  if (Recording()) Emit("glBegin", {PrimitiveName(mode)});
}

void glEnd(void) {
  rec.state.insideBegin = false;
  if (Forwarding()) return sys.End();
  if (Recording()) Emit("glEnd", {});
}

void glTexCoord2f(GLfloat s, GLfloat t) {
  rec.state.texCoord[0] = s;
  rec.state.texCoord[1] = t;
  if (Forwarding()) return sys.TexCoord2f(s, t);
  if (Recording()) Emit("glTexCoord2f", {GlrecFloat(s), GlrecFloat(t)});
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  ++rec.vertexCount;
  if (Forwarding()) return sys.Vertex3f(x, y, z);
  if (Recording()) Emit("glVertex3f", {GlrecFloat(x), GlrecFloat(y), GlrecFloat(z)});
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
  rec.state.normal[0] = x;
  rec.state.normal[1] = y;
  rec.state.normal[2] = z;
  if (Forwarding()) return sys.Normal3f(x, y, z);
  if (Recording()) Emit("glNormal3f", {GlrecFloat(x), GlrecFloat(y), GlrecFloat(z)});
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
  GLfloat* kept = nullptr;
  if (light == GL_LIGHT0) {
    switch (pname) {
      case GL_AMBIENT: kept = rec.state.lightAmbient; break;
      case GL_DIFFUSE: kept = rec.state.lightDiffuse; break;
      case GL_SPECULAR: kept = rec.state.lightSpecular; break;
      case GL_POSITION: kept = rec.state.lightPosition; break;
      default: break;
    }
  }
  if (kept) std::memcpy(kept, params, 4 * sizeof(GLfloat));
  if (Forwarding()) return sys.Lightfv(light, pname, params);
  if (!Recording()) return;
  if (pname == GL_SPOT_DIRECTION)
    Emit("glLightfv", {EnumName(light), EnumName(pname), GlrecFloat(params[0]),
                       GlrecFloat(params[1]), GlrecFloat(params[2])});
  else
    Emit("glLightfv", {EnumName(light), EnumName(pname), GlrecFloat(params[0]),
                       GlrecFloat(params[1]), GlrecFloat(params[2]), GlrecFloat(params[3])});
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  rec.state.clearColor[0] = r;
  rec.state.clearColor[1] = g;
  rec.state.clearColor[2] = b;
  rec.state.clearColor[3] = a;
  if (Forwarding()) return sys.ClearColor(r, g, b, a);
  if (Recording())
    Emit("glClearColor", {GlrecFloat(r), GlrecFloat(g), GlrecFloat(b), GlrecFloat(a)});
}

void glClearDepth(GLclampd depth) {
  if (Forwarding()) return sys.ClearDepth(depth);
  if (Recording()) Emit("glClearDepth", {GlrecDouble(depth)});
}

void glClear(GLbitfield mask) {
  // With depth writes off, GL leaves the depth buffer as it is.
  if ((mask & GL_DEPTH_BUFFER_BIT) && rec.state.depthMask) ++rec.depthClears;
  if (Forwarding()) return sys.Clear(mask);
  if (Recording()) Emit("glClear", {MaskText(mask)});
}

void glLoadIdentity(void) {
  if (Forwarding()) return sys.LoadIdentity();
  if (Recording()) Emit("glLoadIdentity", {});
}

void glMatrixMode(GLenum mode) {
  rec.state.matrixMode = mode;
  if (Forwarding()) return sys.MatrixMode(mode);
  if (Recording()) Emit("glMatrixMode", {EnumName(mode)});
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (Forwarding()) return sys.Viewport(x, y, width, height);
  if (Recording())
    Emit("glViewport", {IntText(x), IntText(y), IntText(width), IntText(height)});
}

void glGenTextures(GLsizei n, GLuint* textures) {
  if (Forwarding()) return sys.GenTextures(n, textures);
  for (GLsizei i = 0; i < n; ++i) textures[i] = rec.nextTexture++;
  if (Recording()) Emit("glGenTextures", {IntText(n)});
}

void glDeleteTextures(GLsizei n, const GLuint* textures) {
  if (Forwarding()) return sys.DeleteTextures(n, textures);
  if (!Recording()) return;
  std::string line = "glDeleteTextures " + IntText(n);
  for (GLsizei i = 0; i < n; ++i) line += " " + IntText(textures[i]);
  rec.calls.push_back(line);
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
  if (Forwarding()) return sys.TexParameteri(target, pname, param);
  if (Recording()) Emit("glTexParameteri", {EnumName(target), EnumName(pname), IntText(param)});
}

void glTexEnvi(GLenum target, GLenum pname, GLint param) {
  if (Forwarding()) return sys.TexEnvi(target, pname, param);
  if (Recording()) Emit("glTexEnvi", {EnumName(target), EnumName(pname), IntText(param)});
}

void glPixelStorei(GLenum pname, GLint param) {
  if (pname == GL_UNPACK_ALIGNMENT) rec.unpackAlignment = param;
  if (Forwarding()) return sys.PixelStorei(pname, param);
  if (Recording()) Emit("glPixelStorei", {EnumName(pname), IntText(param)});
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                  GLsizei height, GLint border, GLenum format, GLenum type,
                  const GLvoid* pixels) {
  if (Forwarding())
    return sys.TexImage2D(target, level, internalFormat, width, height, border, format, type,
                          pixels);
  if (rec.uploadError != GL_NO_ERROR) {
    // A refused upload stores no image, as GL keeps the texture's old one.
    rec.pendingError = rec.uploadError;
    rec.uploadError = GL_NO_ERROR;
    if (Recording())
      Emit("glTexImage2D", {EnumName(target), IntText(level), IntText(internalFormat),
                            IntText(width), IntText(height), IntText(border), EnumName(format),
                            EnumName(type)});
    return;
  }
  GlrecImage image;
  image.texture = rec.state.boundTexture;
  image.width = width;
  image.height = height;
  image.unpackAlignment = rec.unpackAlignment;
  if (pixels != nullptr && width > 0 && height > 0 && format == GL_RGB &&
      type == GL_UNSIGNED_BYTE) {
    // Read the rows the way GL would, with the current unpack alignment.
    std::size_t row = static_cast<std::size_t>(width) * 3;
    std::size_t a = static_cast<std::size_t>(rec.unpackAlignment);
    std::size_t stride = (row + a - 1) / a * a;
    const unsigned char* src = static_cast<const unsigned char*>(pixels);
    image.rgb.resize(row * static_cast<std::size_t>(height));
    for (GLsizei y = 0; y < height; ++y)
      std::memcpy(image.rgb.data() + row * y, src + stride * y, row);
  }
  rec.images.push_back(std::move(image));
  if (Recording())
    Emit("glTexImage2D", {EnumName(target), IntText(level), IntText(internalFormat),
                          IntText(width), IntText(height), IntText(border), EnumName(format),
                          EnumName(type)});
}

void glGetIntegerv(GLenum pname, GLint* params) {
  if (Forwarding()) return sys.GetIntegerv(pname, params);
  if (pname == GL_MAX_TEXTURE_SIZE) {
    params[0] = rec.maxTextureSize;
  } else if (pname == GL_VIEWPORT) {
    params[0] = params[1] = 0;
    params[2] = 640;
    params[3] = 480;
  } else if (pname == GL_UNPACK_ALIGNMENT) {
    params[0] = rec.unpackAlignment;
  } else {
    params[0] = 0;
  }
  if (Recording()) Emit("glGetIntegerv", {EnumName(pname)});
}

GLenum glGetError(void) {
  if (Forwarding()) return sys.GetError();
  if (Recording()) Emit("glGetError", {});
  GLenum error = rec.pendingError;
  rec.pendingError = GL_NO_ERROR;
  return error;
}

void glHint(GLenum target, GLenum mode) {
  if (Forwarding()) return sys.Hint(target, mode);
  if (Recording()) Emit("glHint", {EnumName(target), EnumName(mode)});
}

void glFinish(void) {
  if (Forwarding()) return sys.Finish();
  if (Recording()) Emit("glFinish", {});
}

void glFlush(void) {
  if (Forwarding()) return sys.Flush();
  if (Recording()) Emit("glFlush", {});
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                  GLenum type, GLvoid* pixels) {
  if (Forwarding()) return sys.ReadPixels(x, y, width, height, format, type, pixels);
  if (pixels != nullptr && format == GL_RGB && type == GL_UNSIGNED_BYTE && width > 0 &&
      height > 0)
    std::memset(pixels, 0, static_cast<std::size_t>(width) * height * 3);
  if (Recording())
    Emit("glReadPixels", {IntText(x), IntText(y), IntText(width), IntText(height),
                          EnumName(format), EnumName(type)});
}

const GLubyte* glGetString(GLenum name) {
  if (Forwarding()) return sys.GetString(name);
  if (Recording()) Emit("glGetString", {EnumName(name)});
  return reinterpret_cast<const GLubyte*>("glrec");
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  if (Forwarding()) {
    // GLU's own matrix, column by column, and GLU's own refusals.
    double radians = fovy / 2 * 3.14159265358979323846 / 180;
    double deltaZ = zFar - zNear;
    double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) return;
    double cotangent = std::cos(radians) / sine;
    const GLdouble m[16] = {cotangent / aspect, 0, 0, 0,
                            0, cotangent, 0, 0,
                            0, 0, -(zFar + zNear) / deltaZ, -1,
                            0, 0, -2 * zNear * zFar / deltaZ, 0};
    return sys.MultMatrixd(m);
  }
  if (Recording())
    Emit("gluPerspective",
         {GlrecDouble(fovy), GlrecDouble(aspect), GlrecDouble(zNear), GlrecDouble(zFar)});
}

}  // extern "C"
