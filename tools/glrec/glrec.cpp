#include "glrec/glrec.h"

#include <GL/glu.h>

#include <cstdio>
#include <cstring>

namespace {

struct Recorder {
  GlrecMode mode = GlrecRecord;
  std::vector<std::string> calls;
  std::size_t callCount = 0;
  std::size_t vertexCount = 0;
  GlrecState state;
  GLuint nextTexture = 1;
  GLint maxTextureSize = 16384;
  GLint unpackAlignment = 4;
  std::vector<GlrecImage> images;
};

Recorder rec;

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
// only when recording, so counting mode stays cheap.
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
GlrecMode GlrecGetMode() { return rec.mode; }
const std::vector<std::string>& GlrecCalls() { return rec.calls; }
std::size_t GlrecCallCount() { return rec.callCount; }
std::size_t GlrecVertexCount() { return rec.vertexCount; }
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
  if (Recording()) Emit("glEnable", {CapName(cap)});
}

void glDisable(GLenum cap) {
  if (bool* flag = CapFlag(cap)) *flag = false;
  if (Recording()) Emit("glDisable", {CapName(cap)});
}

void glBindTexture(GLenum target, GLuint texture) {
  rec.state.boundTexture = texture;
  if (Recording()) Emit("glBindTexture", {EnumName(target), IntText(texture)});
}

void glBlendFunc(GLenum sfactor, GLenum dfactor) {
  rec.state.blendSrc = sfactor;
  rec.state.blendDst = dfactor;
  if (Recording()) Emit("glBlendFunc", {BlendName(sfactor), BlendName(dfactor)});
}

void glDepthMask(GLboolean flag) {
  rec.state.depthMask = flag != GL_FALSE;
  if (Recording()) Emit("glDepthMask", {BoolText(flag)});
}

void glDepthFunc(GLenum func) {
  if (Recording()) Emit("glDepthFunc", {EnumName(func)});
}

void glShadeModel(GLenum mode) {
  rec.state.shadeModel = mode;
  if (Recording()) Emit("glShadeModel", {EnumName(mode)});
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
  rec.state.color[0] = r;
  rec.state.color[1] = g;
  rec.state.color[2] = b;
  if (Recording()) Emit("glColor3f", {GlrecFloat(r), GlrecFloat(g), GlrecFloat(b)});
}

void glBegin(GLenum mode) {
  rec.state.insideBegin = true;
  if (Recording()) Emit("glBegin", {PrimitiveName(mode)});
}

void glEnd(void) {
  rec.state.insideBegin = false;
  if (Recording()) Emit("glEnd", {});
}

void glTexCoord2f(GLfloat s, GLfloat t) {
  if (Recording()) Emit("glTexCoord2f", {GlrecFloat(s), GlrecFloat(t)});
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  ++rec.vertexCount;
  if (Recording()) Emit("glVertex3f", {GlrecFloat(x), GlrecFloat(y), GlrecFloat(z)});
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
  if (Recording()) Emit("glNormal3f", {GlrecFloat(x), GlrecFloat(y), GlrecFloat(z)});
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
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
  if (Recording())
    Emit("glClearColor", {GlrecFloat(r), GlrecFloat(g), GlrecFloat(b), GlrecFloat(a)});
}

void glClearDepth(GLclampd depth) {
  if (Recording()) Emit("glClearDepth", {GlrecDouble(depth)});
}

void glClear(GLbitfield mask) {
  if (Recording()) Emit("glClear", {MaskText(mask)});
}

void glLoadIdentity(void) {
  if (Recording()) Emit("glLoadIdentity", {});
}

void glMatrixMode(GLenum mode) {
  rec.state.matrixMode = mode;
  if (Recording()) Emit("glMatrixMode", {EnumName(mode)});
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (Recording())
    Emit("glViewport", {IntText(x), IntText(y), IntText(width), IntText(height)});
}

void glGenTextures(GLsizei n, GLuint* textures) {
  for (GLsizei i = 0; i < n; ++i) textures[i] = rec.nextTexture++;
  if (Recording()) Emit("glGenTextures", {IntText(n)});
}

void glDeleteTextures(GLsizei n, const GLuint* textures) {
  if (!Recording()) return;
  std::string line = "glDeleteTextures " + IntText(n);
  for (GLsizei i = 0; i < n; ++i) line += " " + IntText(textures[i]);
  rec.calls.push_back(line);
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
  if (Recording()) Emit("glTexParameteri", {EnumName(target), EnumName(pname), IntText(param)});
}

void glTexEnvi(GLenum target, GLenum pname, GLint param) {
  if (Recording()) Emit("glTexEnvi", {EnumName(target), EnumName(pname), IntText(param)});
}

void glPixelStorei(GLenum pname, GLint param) {
  if (pname == GL_UNPACK_ALIGNMENT) rec.unpackAlignment = param;
  if (Recording()) Emit("glPixelStorei", {EnumName(pname), IntText(param)});
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                  GLsizei height, GLint border, GLenum format, GLenum type,
                  const GLvoid* pixels) {
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
  if (Recording()) Emit("glGetError", {});
  return GL_NO_ERROR;
}

void glHint(GLenum target, GLenum mode) {
  if (Recording()) Emit("glHint", {EnumName(target), EnumName(mode)});
}

void glFinish(void) {
  if (Recording()) Emit("glFinish", {});
}

void glFlush(void) {
  if (Recording()) Emit("glFlush", {});
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                  GLenum type, GLvoid* pixels) {
  if (pixels != nullptr && format == GL_RGB && type == GL_UNSIGNED_BYTE && width > 0 &&
      height > 0)
    std::memset(pixels, 0, static_cast<std::size_t>(width) * height * 3);
  if (Recording())
    Emit("glReadPixels", {IntText(x), IntText(y), IntText(width), IntText(height),
                          EnumName(format), EnumName(type)});
}

const GLubyte* glGetString(GLenum name) {
  if (Recording()) Emit("glGetString", {EnumName(name)});
  return reinterpret_cast<const GLubyte*>("glrec");
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  if (Recording())
    Emit("gluPerspective",
         {GlrecDouble(fovy), GlrecDouble(aspect), GlrecDouble(zNear), GlrecDouble(zFar)});
}

}  // extern "C"
