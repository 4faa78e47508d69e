// The recording GL stand-in: defines the GL 1.1 and GLU entry points the show
// calls and records each call as one line in the frame trace format
// ("glColor3f 0.5 0.5 0.5"). Tests and the trace tool link it in place of the
// system GL; benchmarks use its counting mode, which formats nothing. The
// capture tool forwards the calls to the system's GL, and counts the calls of
// the frames before its range to find the last one that clears the depth buffer.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <string>
#include <vector>

enum GlrecMode {
  GlrecRecord,  // every call formatted and kept
  GlrecCount,   // calls only counted: the cost of our own code, not of GL
  GlrecForward, // calls go on to the system's GL (GlrecLoadForwarding first)
};

struct GlrecState {
  // A small model of the fixed-function state the show touches, kept in both
  // modes so tests can ask what a routine left behind.
  bool texture2d = false;
  bool depthTest = false;
  bool blend = false;
  bool cullFace = false;
  bool lighting = false;
  bool light0 = false;
  bool depthMask = true;
  GLenum blendSrc = GL_ONE;
  GLenum blendDst = GL_ZERO;
  GLenum matrixMode = GL_MODELVIEW;
  GLenum shadeModel = GL_SMOOTH;
  GLuint boundTexture = 0;
  GLfloat color[3] = {1, 1, 1};
  GLfloat clearColor[4] = {0, 0, 0, 0};
  GLfloat normal[3] = {0, 0, 1};
  GLfloat texCoord[2] = {0, 0};
  GLenum depthFunc = GL_LESS;
  // Light 0's vectors as last sent, GL's defaults until then.
  GLfloat lightAmbient[4] = {0, 0, 0, 1};
  GLfloat lightDiffuse[4] = {1, 1, 1, 1};
  GLfloat lightSpecular[4] = {1, 1, 1, 1};
  GLfloat lightPosition[4] = {0, 0, 1, 0};
  bool insideBegin = false;
};

void GlrecReset();                 // clear calls, counters and state; names restart at 1
void GlrecSetMode(GlrecMode mode);
GlrecMode GlrecGetMode();

const std::vector<std::string>& GlrecCalls();
std::string GlrecJoined();         // all lines, each ending in '\n'
std::size_t GlrecCallCount();      // calls made since the last reset (both modes)
std::size_t GlrecVertexCount();    // glVertex3f calls since the last reset
// glClear calls that cleared the depth buffer, in every mode: the depth buffer
// carries from frame to frame, and only such a clear makes it independent of
// the frames before.
std::size_t GlrecDepthClears();
const GlrecState& GlrecCurrentState();

// Looks up the system's GL entry points that forward mode calls, through the
// context's loader (SDL_GL_GetProcAddress). Returns false, naming the first one
// missing in `missing`, when the loader lacks one. gluPerspective is not looked
// up: forward mode multiplies GLU's perspective matrix on with glMultMatrixd.
using GlrecResolver = void* (*)(const char* name);
bool GlrecLoadForwarding(GlrecResolver resolve, std::string& missing);
// Forward mode: sets the system's GL to the state model, so that drawing resumes
// exactly where a run of frames in counting mode left the state (a player's
// seek replays frames counted, then draws on).
void GlrecReplayState();

// Lines whose function name is exactly `name`, in order.
std::vector<std::string> GlrecCallsNamed(const char* name);

// The next glTexImage2D stores nothing and leaves `error` for glGetError to
// answer once, as a driver that runs out of memory does; GlrecReset cancels it.
void GlrecFailNextUpload(GLenum error);

// What glGetIntegerv(GL_MAX_TEXTURE_SIZE) answers (16384 unless set).
void GlrecSetMaxTextureSize(GLint size);

// The pixels of the last glTexImage2D call, as the caller's unpack alignment
// lays them out (rows of width * 3 bytes padded to the alignment).
struct GlrecImage {
  GLuint texture = 0;
  GLsizei width = 0;
  GLsizei height = 0;
  GLint unpackAlignment = 4;
  std::vector<unsigned char> rgb;  // tightly packed rows, bottom row first, as GL reads them
};
const std::vector<GlrecImage>& GlrecImages();

// Format helpers shared with the trace tool.
std::string GlrecFloat(float value);    // %.9g
std::string GlrecDouble(double value);  // %.17g
