// The ES entry points and the one shader program: GL 1.x's fixed-function
// vertex and fragment stages for the show's subset, in GLSL ES 3.00.
#include <type_traits>

#include "esgl/es_entry.h"
#include "esgl/esgl.h"

EsEntry es{};

bool LoadEsEntry(void* (*resolve)(const char*), std::string& missing) {
  EsEntry found{};
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
  load(found.ClearColor, "glClearColor");
  load(found.ClearDepthf, "glClearDepthf");
  load(found.Clear, "glClear");
  load(found.Viewport, "glViewport");
  load(found.GenTextures, "glGenTextures");
  load(found.DeleteTextures, "glDeleteTextures");
  load(found.TexParameteri, "glTexParameteri");
  load(found.PixelStorei, "glPixelStorei");
  load(found.TexImage2D, "glTexImage2D");
  load(found.GetIntegerv, "glGetIntegerv");
  load(found.GetError, "glGetError");
  load(found.Hint, "glHint");
  load(found.Finish, "glFinish");
  load(found.Flush, "glFlush");
  load(found.ReadPixels, "glReadPixels");
  load(found.GetString, "glGetString");
  load(found.CreateShader, "glCreateShader");
  load(found.ShaderSource, "glShaderSource");
  load(found.CompileShader, "glCompileShader");
  load(found.GetShaderiv, "glGetShaderiv");
  load(found.GetShaderInfoLog, "glGetShaderInfoLog");
  load(found.DeleteShader, "glDeleteShader");
  load(found.CreateProgram, "glCreateProgram");
  load(found.AttachShader, "glAttachShader");
  load(found.BindAttribLocation, "glBindAttribLocation");
  load(found.LinkProgram, "glLinkProgram");
  load(found.GetProgramiv, "glGetProgramiv");
  load(found.GetProgramInfoLog, "glGetProgramInfoLog");
  load(found.DeleteProgram, "glDeleteProgram");
  load(found.UseProgram, "glUseProgram");
  load(found.GetUniformLocation, "glGetUniformLocation");
  load(found.Uniform1i, "glUniform1i");
  load(found.Uniform3fv, "glUniform3fv");
  load(found.Uniform4fv, "glUniform4fv");
  load(found.UniformMatrix3fv, "glUniformMatrix3fv");
  load(found.UniformMatrix4fv, "glUniformMatrix4fv");
  load(found.GenBuffers, "glGenBuffers");
  load(found.BindBuffer, "glBindBuffer");
  load(found.BufferData, "glBufferData");
  load(found.BufferSubData, "glBufferSubData");
  load(found.DeleteBuffers, "glDeleteBuffers");
  load(found.GenVertexArrays, "glGenVertexArrays");
  load(found.BindVertexArray, "glBindVertexArray");
  load(found.DeleteVertexArrays, "glDeleteVertexArrays");
  load(found.VertexAttribPointer, "glVertexAttribPointer");
  load(found.EnableVertexAttribArray, "glEnableVertexAttribArray");
  load(found.DrawArrays, "glDrawArrays");
  load(found.DrawElements, "glDrawElements");
  load(found.ActiveTexture, "glActiveTexture");
  if (!complete) return false;
  es = found;
  return true;
}

// GL 1.x's vertex stage for one light with the default material (ambient 0.2,
// diffuse 0.8, specular 0, shininess 0, emission 0) and an infinite viewer:
// the products with the light's colours come in as uniforms, computed as GL
// computes them. Positional lights take the direction to the vertex in eye
// space, normalised through its reciprocal square root as GL's does; the
// default attenuation is 1 and spot cut-off 180, so neither appears. With
// shininess 0 the specular factor is 1 wherever the diffuse one is positive.
// Colours are clamped per vertex, before interpolation, as GL clamps them.
// Each program is one combination of LIGHTING, TEXTURING, FLAT and
// COLOR_CONSTANT, defined 0 or 1 after the version line: a fragment stage
// without branches is one a rasterizer can recognise as plain
// texture-times-colour, as it recognises GL 1.x's own, and a constant colour
// leaves the triangles one varying fewer to set up and interpolate.
const char* const esglVertexShader = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aColor;
layout(location = 2) in vec3 aNormal;
layout(location = 3) in vec2 aTexCoord;
uniform mat4 uTransform;     // projection x modelview
uniform mat4 uModelview;
uniform mat3 uNormalMatrix;  // the modelview's inverse transpose
uniform bool uLight0;
uniform vec3 uSceneColor;       // material emission + scene ambient x material ambient
uniform vec3 uAmbientProduct;   // light x material, per colour
uniform vec3 uDiffuseProduct;
uniform vec3 uSpecularProduct;
uniform vec4 uLightPosition;    // eye space; w 0: a direction, normalised
#if COLOR_CONSTANT
#elif FLAT
flat out vec4 vColor;
#else
out vec4 vColor;
#endif
out vec2 vTexCoord;

vec3 LitColor() {
  vec3 color = uSceneColor;
  if (!uLight0) return color;
  vec3 n = uNormalMatrix * aNormal;
  vec3 toLight = uLightPosition.xyz;
  if (uLightPosition.w != 0.0) {
    vec4 eye = uModelview * vec4(aPosition, 1.0);
    toLight = uLightPosition.xyz - eye.xyz;
    toLight = toLight * inversesqrt(dot(toLight, toLight));
  }
  float diffuse = dot(n, toLight);
  color = color + uAmbientProduct;
  color = max(diffuse, 0.0) * uDiffuseProduct + color;
  color = (diffuse > 0.0 ? 1.0 : 0.0) * uSpecularProduct + color;
  return color;
}

void main() {
  gl_Position = uTransform * vec4(aPosition, 1.0);
#if COLOR_CONSTANT
#elif LIGHTING
  vColor = vec4(clamp(LitColor(), 0.0, 1.0), 1.0);
#else
  vColor = vec4(clamp(aColor, 0.0, 1.0), 1.0);
#endif
  vTexCoord = aTexCoord;
}
)";

// GL_MODULATE on a complete texture, the primary colour otherwise; flat
// shading takes the colour of the triangle's last vertex. A draw whose colour
// is no vertex attribute (unlit, no glColor between glBegin and glEnd) reads
// the current colour as a constant (COLOR_CONSTANT), as GL 1.x's own fragment
// stage does: an interpolated constant is off by a rounding where the depth
// varies.
const char* const esglFragmentShader = R"(
precision highp float;
#if COLOR_CONSTANT
uniform vec4 uColor;  // the current colour, clamped to [0, 1]
#elif FLAT
flat in vec4 vColor;
#else
in vec4 vColor;
#endif
in vec2 vTexCoord;
// highp: a lowp sampler may hand back its texels rounded to half floats.
uniform highp sampler2D uTexture;
out vec4 fragColor;

void main() {
#if COLOR_CONSTANT
  vec4 color = uColor;
#else
  vec4 color = vColor;
#endif
#if TEXTURING
  fragColor = texture(uTexture, vTexCoord) * color;
#else
  fragColor = color;
#endif
}
)";

namespace {

// The shader, or 0 with the compiler's log.
GLuint CompileShaderStage(GLenum stage, const char* prefix, const char* source,
                          std::string& log) {
  GLuint shader = es.CreateShader(stage);
  const char* const parts[2] = {prefix, source};
  es.ShaderSource(shader, 2, parts, nullptr);
  es.CompileShader(shader);
  GLint compiled = GL_FALSE;
  es.GetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (compiled == GL_TRUE) return shader;
  char text[4096] = "";
  es.GetShaderInfoLog(shader, sizeof text, nullptr, text);
  log = std::string(stage == GL_VERTEX_SHADER ? "vertex" : "fragment") +
        " shader does not compile: " + text;
  es.DeleteShader(shader);
  return 0;
}

}  // namespace

const char* EsglVariantPrefix(int variant) {
  static const char* const prefixes[esglVariants] = {
      "#version 300 es\n#define LIGHTING 0\n#define TEXTURING 0\n"
      "#define FLAT 0\n#define COLOR_CONSTANT 0\n",
      "#version 300 es\n#define LIGHTING 1\n#define TEXTURING 0\n"
      "#define FLAT 0\n#define COLOR_CONSTANT 0\n",
      "#version 300 es\n#define LIGHTING 0\n#define TEXTURING 1\n"
      "#define FLAT 0\n#define COLOR_CONSTANT 0\n",
      "#version 300 es\n#define LIGHTING 1\n#define TEXTURING 1\n"
      "#define FLAT 0\n#define COLOR_CONSTANT 0\n",
      "#version 300 es\n#define LIGHTING 0\n#define TEXTURING 0\n"
      "#define FLAT 1\n#define COLOR_CONSTANT 0\n",
      "#version 300 es\n#define LIGHTING 1\n#define TEXTURING 0\n"
      "#define FLAT 1\n#define COLOR_CONSTANT 0\n",
      "#version 300 es\n#define LIGHTING 0\n#define TEXTURING 1\n"
      "#define FLAT 1\n#define COLOR_CONSTANT 0\n",
      "#version 300 es\n#define LIGHTING 1\n#define TEXTURING 1\n"
      "#define FLAT 1\n#define COLOR_CONSTANT 0\n",
      "#version 300 es\n#define LIGHTING 0\n#define TEXTURING 0\n"
      "#define FLAT 0\n#define COLOR_CONSTANT 1\n",
      "#version 300 es\n#define LIGHTING 0\n#define TEXTURING 1\n"
      "#define FLAT 0\n#define COLOR_CONSTANT 1\n",
  };
  return prefixes[variant];
}

unsigned CompileEsglProgram(const char* prefix, const char* vertexSource,
                            const char* fragmentSource, std::string& log) {
  GLuint vertex = CompileShaderStage(GL_VERTEX_SHADER, prefix, vertexSource, log);
  if (vertex == 0) return 0;
  GLuint fragment = CompileShaderStage(GL_FRAGMENT_SHADER, prefix, fragmentSource, log);
  if (fragment == 0) {
    es.DeleteShader(vertex);
    return 0;
  }
  GLuint program = es.CreateProgram();
  es.AttachShader(program, vertex);
  es.AttachShader(program, fragment);
  const char* const attributes[] = {"aPosition", "aColor", "aNormal", "aTexCoord"};
  for (GLuint i = 0; i < 4; ++i) es.BindAttribLocation(program, i, attributes[i]);
  es.LinkProgram(program);
  es.DeleteShader(vertex);
  es.DeleteShader(fragment);
  GLint linked = GL_FALSE;
  es.GetProgramiv(program, GL_LINK_STATUS, &linked);
  if (linked == GL_TRUE) return program;
  char text[4096] = "";
  es.GetProgramInfoLog(program, sizeof text, nullptr, text);
  log = std::string("shader program does not link: ") + text;
  es.DeleteProgram(program);
  return 0;
}
