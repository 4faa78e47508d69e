// The layer primitives through real Mesa: a hidden 640x480 window with a GL
// compatibility context, set up as the show's window is (initial state, then
// the 45-degree viewport projection), read back with glReadPixels.
#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "layers/primitives.h"

namespace {

constexpr int width = 640;
constexpr int height = 480;

struct Rgb {
  int r, g, b;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// Quadrant colours of the test picture as seen on screen.
constexpr Rgb topLeft{255, 0, 0};
constexpr Rgb topRight{255, 255, 0};
constexpr Rgb bottomLeft{0, 0, 255};
constexpr Rgb bottomRight{0, 255, 0};

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
GLuint picture = 0;

// An 8x8 picture in the loader's layout: RGB, bottom row first, so rows 0-3
// are the picture's lower half.
GLuint UploadQuadrantPicture() {
  unsigned char pixels[8 * 8 * 3];
  for (int row = 0; row < 8; ++row) {
    for (int col = 0; col < 8; ++col) {
      const bool upper = row >= 4;
      const bool right = col >= 4;
      const Rgb c = upper ? (right ? topRight : topLeft) : (right ? bottomRight : bottomLeft);
      unsigned char* p = pixels + (row * 8 + col) * 3;
      p[0] = static_cast<unsigned char>(c.r);
      p[1] = static_cast<unsigned char>(c.g);
      p[2] = static_cast<unsigned char>(c.b);
    }
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  // Nearest sampling keeps the quadrants' colours exact up to their borders.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  return name;
}

// The show window's initial state followed by its viewport projection, which
// leaves GL_MODELVIEW selected.
void SetUpLikeTheShowWindow() {
  glEnable(GL_TEXTURE_2D);
  glClearColor(0.2f, 0.2f, 0.2f, 0.0f);
  glClearDepth(1.0);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_SMOOTH);
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / height, 0.1, 10000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  // The scenes that draw with depth clear it themselves; start from a known one.
  glClear(GL_DEPTH_BUFFER_BIT);
}

Rgb PixelAt(int x, int y) {  // y counts from the bottom, as GL does
  unsigned char p[4] = {0, 0, 0, 0};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

class LayerPixelsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);  // EGL, no display server needed
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    window = SDL_CreateWindow("layers", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    context = SDL_GL_CreateContext(window);
    ASSERT_NE(context, nullptr) << SDL_GetError();
    SetUpLikeTheShowWindow();
    picture = UploadQuadrantPicture();
    // The first frame after the viewport set-up finds GL_MODELVIEW selected and
    // lays the overlay perspective onto the 45-degree one; the show never
    // shows it. From the second frame on the projection is the overlay one.
    BeginFrame(0, 0, 0);
  }

  static void TearDownTestSuite() {
    if (picture != 0) glDeleteTextures(1, &picture);
    if (context != nullptr) SDL_GL_DeleteContext(context);
    // The window and SDL stay until the process ends: destroying the last GL
    // window unloads the driver, and the allocations Mesa never frees would
    // then read as leaks in the sanitizer build.
  }

  void SetUp() override {
    ASSERT_NE(context, nullptr);
    BeginFrame(0, 0, 0);
    glClear(GL_DEPTH_BUFFER_BIT);
  }

  // Samples well inside each quadrant and at the four corner pixels.
  void ExpectQuadrants(const char* what, int tolerance, float scale = 1.0f) {
    SCOPED_TRACE(what);
    auto scaled = [scale](Rgb c) {
      return Rgb{static_cast<int>(c.r * scale + 0.5f), static_cast<int>(c.g * scale + 0.5f),
                 static_cast<int>(c.b * scale + 0.5f)};
    };
    const struct {
      int x, y;
      Rgb expected;
    } samples[] = {
        {160, 360, topLeft},    {480, 360, topRight},     {160, 120, bottomLeft},
        {480, 120, bottomRight}, {0, height - 1, topLeft}, {width - 1, height - 1, topRight},
        {0, 0, bottomLeft},     {width - 1, 0, bottomRight},
    };
    for (const auto& s : samples) {
      const Rgb seen = PixelAt(s.x, s.y);
      EXPECT_TRUE(Near(seen, scaled(s.expected), tolerance))
          << "at (" << s.x << ", " << s.y << ") saw " << seen << ", expected "
          << scaled(s.expected);
    }
  }
};

TEST_F(LayerPixelsTest, FullScreenQuadShowsThePictureUpright) {
  DrawQuadAdd(-1, -1, 1, 1, 1.0f, picture);
  ExpectQuadrants("picture", 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(LayerPixelsTest, ShadeScreenMultipliesTheFrame) {
  DrawQuadAdd(-1, -1, 1, 1, 1.0f, picture);
  DrawShadeScreen(1.0f);
  ExpectQuadrants("shade 1 keeps the colours", 0);
  DrawShadeScreen(0.5f);
  ExpectQuadrants("shade 0.5 halves them", 2, 0.5f);
  // Its depth equals the first shade's, so the test (GL_LEQUAL) still passes.
  DrawShadeScreen(0.0f);
  ExpectQuadrants("shade 0 turns everything black", 0, 0.0f);
}

TEST_F(LayerPixelsTest, AdditiveBrightnessAddsUpAndMultiplyDarkens) {
  DrawQuadAdd(-1, -1, 1, 1, 0.5f, picture);
  ExpectQuadrants("half brightness", 2, 0.5f);
  DrawQuadAdd(-1, -1, 1, 1, 0.5f, picture);
  ExpectQuadrants("two halves", 2);
  // Half-brightness multiply: frame * texel * 0.5 keeps each quadrant's own
  // colour at half strength (texel * texel = texel for 0 and 1 channels).
  DrawQuadMul(-1, -1, 1, 1, 0.5f, picture);
  ExpectQuadrants("multiplied by itself at half", 2, 0.5f);
  // A zero brightness draws nothing at all.
  DrawQuadMul(-1, -1, 1, 1, 0.0f, picture);
  ExpectQuadrants("untouched by a dark layer", 2, 0.5f);
}

// The texture coordinate at the centre of screen pixel px, for the window
// from lo to hi: the quad spans layer units -1..1, the screen -0.9917..0.9917.
double CoordinateAt(double px, int pixels, double lo, double hi) {
  const double halfExtent = 32 * std::tan(3.55 / 2 * 3.14159265358979323846 / 180);
  const double layer = ((px + 0.5) / pixels * 2 - 1) * halfExtent;
  return lo + (layer + 1) / 2 * (hi - lo);
}

TEST_F(LayerPixelsTest, ScreenTexTilesThePictureWithHalfATileOfOffset) {
  DrawScreenTexAdd(-0.5f, -0.5f, 1.5f, 1.5f, 1.0f, picture);
  // Which quadrant of the repeating picture each sample shows, read from the
  // fractional part of its texture coordinate (s = 0.57 is a right half).
  const struct {
    int x, y;
  } samples[] = {{20, 15}, {340, 255}, {300, 225}, {400, 400}, {240, 400}, {240, 255}};
  int quadrantsSeen[4] = {0, 0, 0, 0};
  for (const auto& p : samples) {
    const double s = CoordinateAt(p.x, width, -0.5, 1.5);
    const double t = CoordinateAt(p.y, height, -0.5, 1.5);
    const bool right = s - std::floor(s) >= 0.5;
    const bool upper = t - std::floor(t) >= 0.5;
    const Rgb expected = upper ? (right ? topRight : topLeft) : (right ? bottomRight : bottomLeft);
    ++quadrantsSeen[upper * 2 + right];
    const Rgb seen = PixelAt(p.x, p.y);
    EXPECT_TRUE(Near(seen, expected, 0)) << "at (" << p.x << ", " << p.y << ") s " << s << " t "
                                         << t << " saw " << seen << ", expected " << expected;
  }
  for (int q = 0; q < 4; ++q) EXPECT_GT(quadrantsSeen[q], 0) << q;
}

void ReadProjection(double m[16]) { glGetDoublev(GL_PROJECTION_MATRIX, m); }

TEST_F(LayerPixelsTest, FirstFrameAfterAViewportSetUpStacksTheTwoProjections) {
  double overlay[16];
  ReadProjection(overlay);  // SetUp's frame: the overlay projection alone
  // GL keeps its matrices in single precision: compare to a few parts in 10^7.
  EXPECT_NEAR(overlay[0], 1 / std::tan(3.55 / 2 * 3.14159265358979323846 / 180), 32.27 * 1e-6);

  SetUpLikeTheShowWindow();
  BeginFrame(0, 0, 0);
  double stacked[16];
  ReadProjection(stacked);
  // 45 degrees at aspect 4:3 times 3.55 degrees at aspect 1 in x.
  const double fx45 = 1 / std::tan(22.5 * 3.14159265358979323846 / 180) / (640.0 / 480);
  EXPECT_NEAR(stacked[0], fx45 * overlay[0], 58.43 * 1e-6);

  BeginFrame(0, 0, 0);
  double again[16];
  ReadProjection(again);
  for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(again[i], overlay[i]) << i;
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_PROJECTION);
  double modelview[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], i % 5 == 0 ? 1.0 : 0.0) << i;
}

}  // namespace
