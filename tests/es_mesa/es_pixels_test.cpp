// The ES 3 backend against the system's fixed-function GL, both on Mesa at
// 640x480: a few clock states of every order, pixel by pixel; and the two ways
// the backend refuses to start.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "backend_frames.h"
#include "esgl/esgl.h"
#include "shell/offscreen_gl.h"
#include "shell/window.h"

namespace {

constexpr int width = 640;
constexpr int height = 480;
constexpr int orders = 19;
constexpr int states = 3;            // clock states per order
// Its second state folds the picture sheets deep into the view, where the
// pictures are minified many times. There the fixed-function GL splits some
// quads along their other diagonal, as its own vertex stream happened to be
// batched, and on those folded quads that moves the texture coordinates by up
// to half a texel: some 1,700 pixels land on a line or beside it.
constexpr int sheetOrder = 16;
constexpr std::size_t frameBytes = std::size_t{width} * height * 3;

// Every state of every order through one backend, in one fixed sequence.
void DrawAllStates(bool es, std::vector<unsigned char>& frames) {
  std::string error;
  ASSERT_TRUE(OpenBackend(es, width, height, error)) << error;
  frames.assign(frameBytes * orders * states, 0);
  ResetShowState();
  for (int order = 0; order < orders; ++order)
    for (int s = 0; s < states; ++s)
      DrawStateFrame(order, StateFrame(s, states), stateFramesPerOrder, width, height,
                     frames.data() + frameBytes * (order * states + s));
  CloseBackend(es);
}

TEST(EsBackendPixels, EveryOrderMatchesTheFixedFunctionFrames) {
  std::vector<unsigned char> fixed, es;
  ASSERT_NO_FATAL_FAILURE(DrawAllStates(false, fixed));
  ASSERT_NO_FATAL_FAILURE(DrawAllStates(true, es));
  for (int order = 0; order < orders; ++order) {
    FrameDifference total;
    for (int s = 0; s < states; ++s) {
      std::size_t at = frameBytes * (order * states + s);
      FrameDifference d = CompareFrames(fixed.data() + at, es.data() + at, frameBytes / 3);
      AddDifference(total, d);
    }
    // Held to 99.9 % identical and 0.01 % of pixels off by more than 2; the
    // sheet order to 99.4 % and 0.5 %.
    bool sheets = order == sheetOrder;
    double share = static_cast<double>(total.identical) / total.pixels;
    EXPECT_GE(share, sheets ? 0.994 : 0.999) << "order " << order << ": "
                                             << total.pixels - total.identical
                                             << " pixels differ, largest by " << total.maxDiff;
    EXPECT_LE(total.overTwo, total.pixels / (sheets ? 200 : 10000))
        << "order " << order << ": pixels off by more than 2";
  }
}

TEST(EsBackendStart, RefusesAContextThatIsNotEs3) {
  std::string error;
  ASSERT_TRUE(OpenOffscreenGl(64, 64, error, GlContextCompatibility)) << error;
  EXPECT_FALSE(EsglStart(ReadGlProc, error));
  EXPECT_NE(error.find("no OpenGL ES 3 context"), std::string::npos) << error;
  EXPECT_EQ(EsglProc("glVertex3f"), nullptr) << "a backend that did not start resolves nothing";
  CloseOffscreenGl();
}

TEST(EsBackendStart, ABrokenShaderGivesItsLog) {
  std::string error;
  ASSERT_TRUE(OpenOffscreenGl(64, 64, error, GlContextEs3)) << error;
  ASSERT_TRUE(EsglStart(ReadGlProc, error)) << error;
  std::string log;
  const char* broken = "void main() { gl_Position = undefinedThing; }\n";
  EXPECT_EQ(CompileEsglProgram(EsglVariantPrefix(0), broken, esglFragmentShader, log), 0u);
  EXPECT_NE(log.find("vertex shader does not compile"), std::string::npos) << log;
  EXPECT_NE(log.find("undefinedThing"), std::string::npos) << log;
  log.clear();
  for (int v = 0; v < esglVariants; ++v)
    EXPECT_NE(CompileEsglProgram(EsglVariantPrefix(v), esglVertexShader, esglFragmentShader, log),
              0u) << log;
  EsglStop();
  CloseOffscreenGl();
}

}  // namespace
