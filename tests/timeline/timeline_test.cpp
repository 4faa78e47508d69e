#include "timeline/timeline.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "effects/bowl.h"
#include "effects/interference.h"
#include "effects/sheets.h"
#include "effects/tunnel.h"
#include "effects/wobble.h"
#include "frame_recording.h"
#include "glrec/glrec.h"
#include "layers/overlays.h"
#include "layers/primitives.h"
#include "render/show_random.h"
#include "music/clock.h"
#include "render/scenes.h"

// Each test draws a frame and compares it with the calls the scene's table lists,
// made directly with arguments worked out here, so every argument that reaches
// GL is checked; the literal GL lines check the callees' outputs that carry the
// scene's own numbers.
namespace {

int SongPos(const ClockState& s) { return s.order * 4096 + s.row * 64 + s.tick; }
int RowPos(const ClockState& s) { return s.row * 64 + s.tick; }
double Ms(const ClockState& s) { return s.elapsedMs; }
GLuint Tex(int slot) { return 1000 + slot; }

const std::vector<std::string> blackFrame = {
    "glClearColor 0 0 0 0",
    "glClear GL_COLOR_BUFFER_BIT",
    "glLoadIdentity",
    "glMatrixMode GL_PROJECTION",
    "gluPerspective 3.5499999999999998 1 0.10000000000000001 10000",
};

std::string Describe(const ClockState& s) {
  return "order " + std::to_string(s.order) + " row " + std::to_string(s.row) + " tick " +
         std::to_string(s.tick) + " elapsed " + std::to_string(s.elapsedMs);
}

void ExpectFrame(const ClockState& state, void (*draw)(const ClockState&)) {
  std::vector<std::string> expected = RecordCalls(state, draw);
  std::vector<std::string> drawn = RecordFrame(state);
  std::string difference = DescribeDifference(drawn, expected);
  EXPECT_TRUE(difference.empty()) << Describe(state) << ": " << difference;
}

std::vector<std::string> Tail(const std::vector<std::string>& calls, size_t count) {
  if (calls.size() < count) return calls;
  return std::vector<std::string>(calls.end() - count, calls.end());
}

void GrainPair() {
  DrawGrainMul(Tex(34));
  DrawGrainAdd(Tex(35));
}

TEST(Timeline, OrdersPastTheEndAndNegativeOrdersDrawOnlyTheBlackClear) {
  for (int order : {19, 20, 255, INT_MAX, -1, INT_MIN}) {
    ClockState state{order, 10, 3, 5000};
    SetClockState(state);
    syncEvent.timeMs.store(4000);
    syncEvent.pending.store(1);
    GlrecReset();
    DrawFrame();
    EXPECT_EQ(GlrecCalls(), blackFrame) << Describe(state) << "\n" << GlrecJoined();
    EXPECT_EQ(GetShowRandomState(), 1u);
    EXPECT_EQ(syncEvent.pending.load(), 1) << "the black frame must leave a pending sync alone";
  }
}

TEST(Timeline, Order0ScattersTheEcho) {
  ExpectFrame({0, 10, 17, 5000},
              [](const ClockState& s) { DrawScatterEcho(SongPos(s) * (1.0 / 1.2) - 9500); });
}

TEST(Timeline, Order1CentrePictureFadesInAndOutContinuously) {
  for (int row : {0, 31, 32, 63})
    for (int tick : {0, 63})
      ExpectFrame({1, row, tick, 777.25f}, [](const ClockState& s) {
        int R = RowPos(s);
        DrawZoomEcho(SongPos(s) + 300, 5);
        DrawSpriteAdd(0, 0, 1, s.row < 32 ? R * (1.0 / 2048) : 2 - R * (1.0 / 2048), Tex(21));
      });
  // Row 32 tick 0 is the peak: brightness 1 on a sprite covering -1..1.
  std::vector<std::string> calls = RecordFrame({1, 32, 0, 777.25f});
  EXPECT_EQ(Tail(calls, 18), QuadLines(true, -1, -1, 1, 1, 1, Tex(21))) << GlrecJoined();
}

TEST(Timeline, Order2MakesExactlyItsThreeCalls) {
  ExpectFrame({2, 20, 5, 777}, [](const ClockState& s) {
    int R = RowPos(s), S = SongPos(s);
    DrawSwirl(R * (1.0 / 4096), S, 1);
    DrawHaloObjectScene((S - 8192) * 1.4, 6);
    DrawQuadAdd(-1, -0.7, 1, 0.7, R * (1.0 / 4096), Tex(22));
  });
  std::vector<std::string> calls = RecordFrame({2, 20, 5, 777});
  EXPECT_EQ(Tail(calls, 18), QuadLines(true, -1, -0.7f, 1, 0.7f, 1285 / 4096.0f, Tex(22)))
      << GlrecJoined();
}

TEST(Timeline, Order3CrossFadesTheSwirlsAndTheBanner) {
  for (int row : {0, 40})
    ExpectFrame({3, row, 7, 1234.5f}, [](const ClockState& s) {
      int R = RowPos(s), S = SongPos(s);
      DrawSwirl(1 - R * (1.0 / 4096), S, 1);
      DrawSwirl(R * (1.0 / 4096), S + 52345, 2);
      DrawSpriteTrail(R * (1.0 / 4096), S + 15435, 17);
      DrawQuadAdd(-1, -0.7, 1, 0.7, 1 - R * (1.0 / 4096), Tex(22));
    });
}

TEST(Timeline, Order4StepsThroughThePictureCycleOncePerTick) {
  // R mod 10 picks tex1, tex2, tex3, tex4, tex5, tex6, 01, 02, 02 again, 03.
  static const int cycleSlots[10] = {1, 2, 5, 17, 18, 3, 22, 21, 39, 9};
  for (int R : {0, 9, 10, 13, 19, 2999, 3000, 4095}) {
    ClockState state{4, R / 64, R % 64, 2222};
    ExpectFrame(state, [](const ClockState& s) {
      int R = RowPos(s), S = SongPos(s);
      DrawZoomEcho(2 * S + 300, 17);
      DrawSpriteTrail(1, 2 * S + 15435, 17);
      if (R < 3000) DrawQuadAdd(-1, -1, 1, 1, 1 - R * (1.0 / 3000), Tex(cycleSlots[R % 10]));
      GrainPair();
    });
    std::vector<std::string> calls = RecordFrame(state);
    EXPECT_EQ(GetShowRandomState(), RandomStateAfter(8)) << "the grain pair draws eight numbers";
    bool drawn = ContainsRun(
        calls, QuadLines(true, -1, -1, 1, 1, 1 - R * (1.0 / 3000), Tex(cycleSlots[R % 10])));
    EXPECT_EQ(drawn, R < 3000) << "R " << R << "\n" << GlrecJoined();
  }
}

TEST(Timeline, Order5ScrollsTwoTextStripsOverTheTunnel) {
  for (int R : {0, 2048, 4095})
    ExpectFrame({5, R / 64, R % 64, 3333}, [](const ClockState& s) {
      int R = RowPos(s), S = SongPos(s);
      int d = 24576 - S, g = S - 20480;
      DrawTunnelBlend(R * (1.0 / 2048), 2 * S + 20000);
      DrawQuadMul(1 - d * (1.0 / 120), 0.4, 20 - d * (1.0 / 120), 0.9, 1, Tex(27));
      DrawQuadMul(1 - g * (1.0 / 100), -1.2, 35 - g * (1.0 / 100), 0.2, 1, Tex(27));
      DrawQuadAdd(-1, -0.8, 1, 0.8, R * (1.0 / 3000), Tex(19));
    });
  // At the start the upper strip's left edge is 1 - 4096/120, the lower one's 1.
  std::vector<std::string> calls = RecordFrame({5, 0, 0, 3333});
  EXPECT_TRUE(ContainsRun(calls, QuadLines(false, 1 - 4096 * (1.0 / 120), 0.4f,
                                           20 - 4096 * (1.0 / 120), 0.9f, 1, Tex(27))))
      << GlrecJoined();
  EXPECT_TRUE(ContainsRun(calls, QuadLines(false, 1, -1.2f, 35, 0.2f, 1, Tex(27))))
      << GlrecJoined();
}

TEST(Timeline, Order6DrawsItsGrainOnlyOnRows56To60) {
  for (int row : {0, 55, 56, 60, 61}) {
    ClockState state{6, row, 31, 4321.5f};
    ExpectFrame(state, [](const ClockState& s) {
      double E = Ms(s);
      DrawTunnelBlend(0.4 + 0.3 * std::cos(E * (1.0 / 243.4)), SongPos(s) + 20000);
      DrawQuadAdd(
          0.03 * std::cos(E * (1.0 / 2433.5)) - 1.03, 0.03 * std::sin(E * (1.0 / 1833.5)) - 1.03,
          1.03 - 0.03 * std::cos(E * (1.0 / 2133.5)), 1.03 - 0.03 * std::sin(E * (1.0 / 1733.5)),
          0.9 + 0.1 * std::cos(E * (1.0 / 333.5)), Tex(36));
      if (s.row >= 56 && s.row <= 60) DrawGrainMul(Tex(30));
    });
    RecordFrame(state);
    EXPECT_EQ(GetShowRandomState(), RandomStateAfter(row >= 56 && row <= 60 ? 4 : 0))
        << "row " << row;
  }
}

TEST(Timeline, Order7FadesToBlackOnlyAfterR3072) {
  for (int R : {0, 3072, 3073, 4095})
    ExpectFrame({7, R / 64, R % 64, 999.5f}, [](const ClockState& s) {
      int R = RowPos(s);
      double E = Ms(s);
      double v = (0.7 + 0.125 * std::cos(E * (1.0 / 182.4)) * std::sin(E * (1.0 / 299.5))) *
                 (1 - R * (1.0 / 7000));
      DrawBowlLayers(SongPos(s));
      DrawShadeScreen(v);
      DrawQuadAdd(-1, -0.8, 1, 0.8, R * (1.0 / 3000), Tex(38));
      glClearColor(0, 0, 0, 0);
      glClear(GL_DEPTH_BUFFER_BIT);
      if (R > 3072) DrawShadeScreen(1 - (R - 3072) * (1.0 / 1024));
    });
  std::vector<std::string> calls = RecordFrame({7, 48, 0, 999.5f});
  EXPECT_EQ(Tail(calls, 2),
            (std::vector<std::string>{"glClearColor 0 0 0 0", "glClear GL_DEPTH_BUFFER_BIT"}))
      << GlrecJoined();
  calls = RecordFrame({7, 48, 1, 999.5f});
  EXPECT_EQ(CountLines(calls, "glColor3f 0.999023438 0.999023438 0.999023438"), 1) << GlrecJoined();
}

void RotozoomSteps(const ClockState& s) {
  int R = RowPos(s), S = SongPos(s);
  double E = Ms(s);
  DrawRotozoomBlend(1, S + 2 * R + 20000);
  DrawGrainMul(Tex(30));
  DrawRotatedSpriteMul(0, 0, 0.4 * std::sin(E * (1.0 / 554.5)) - E * (1.0 / 500), 1, 1, Tex(32));
  DrawQuadAdd(-1, -1, 1, 1, 1 - R * (1.0 / 3000), Tex(33));
  GrainPair();
}

TEST(Timeline, Orders8And9LayTheRotozoomAndFadeOutTheFullScreenPicture) {
  for (int R : {0, 2999, 3000}) {
    ClockState state{8, R / 64, R % 64, 6543.25f};
    ExpectFrame(state, RotozoomSteps);
    std::vector<std::string> calls = RecordFrame(state);
    EXPECT_EQ(GetShowRandomState(), RandomStateAfter(12));
    EXPECT_EQ(ContainsRun(calls, QuadLines(true, -1, -1, 1, 1, 1 - R * (1.0 / 3000), Tex(33))),
              R < 3000)
        << "R " << R;
  }
  for (int R : {0, 2000})
    ExpectFrame({9, R / 64, R % 64, 7654.75f}, [](const ClockState& s) {
      RotozoomSteps(s);
      DrawInterference(RowPos(s) * (1.0 / 4096), SongPos(s));
    });
}

// The fly-around passes' base brightnesses and phase offsets.
void FlyAroundPasses(const ClockState& s, double scale, double lower) {
  double E = Ms(s);
  double b[5] = {0.3 + 0.5 * std::sin(E * (1.0 / 1535.4)), 0.3 + 0.5 * std::cos(E * (1.0 / 1735.4)),
                 0.3 + 0.5 * std::cos(E * (1.0 / 1735.4)), 0.3 - 0.5 * std::sin(E * (1.0 / 1435.4)),
                 0.3 - 0.5 * std::cos(E * (1.0 / 1835.4))};
  double p[5] = {115155, 365346, 549478, 730867, 920836};
  for (int k = 0; k < 5; ++k) DrawFlyAroundScene(b[k] * scale - lower, E * (1.0 / 2) + p[k]);
}

TEST(Timeline, Order10StartsWithNothingButTheInterferenceAndTheDrift) {
  ClockState start{10, 0, 0, 20000};
  ExpectFrame(start, [](const ClockState&) {
    DrawInterference(1, 40960);
    DrawDriftMultiply(Tex(4));
  });
  // The frame ends with the last drifting copy: no pass and no panel after it.
  std::vector<std::string> calls = RecordFrame(start);
  float x = 0.5 * std::sin(20000 * (1.0 / 41.4)), y = 0.5 * std::cos(20000 * (1.0 / 65.5));
  EXPECT_EQ(Tail(calls, 18), QuadLines(false, x - 2.0f, y - 2.0f, x + 2.0f, y + 2.0f, 1, Tex(4)))
      << GlrecJoined();

  for (int R : {1, 2000, 4095})
    ExpectFrame({10, R / 64, R % 64, 23456.5f}, [](const ClockState& s) {
      int R = RowPos(s);
      DrawInterference(1 - R * (1.0 / 4096), SongPos(s));
      DrawDriftMultiply(Tex(4));
      FlyAroundPasses(s, R * (1.0 / 4096), 0);
      DrawQuadAdd(0.03 * std::cos(Ms(s) * (1.0 / 2433.5)), -1, 1,
                  0.5 + (SongPos(s) - 40960) * (1.0 / 8192), R * (1.0 / 2048), Tex(1));
    });
}

TEST(Timeline, Order11AddsTheBlobTunnelTheHaloAndTheCredits) {
  for (int R : {0, 2000, 4095})
    ExpectFrame({11, R / 64, R % 64, 34567.25f}, [](const ClockState& s) {
      int R = RowPos(s), S = SongPos(s), g = S - 45056;
      FlyAroundPasses(s, 1, 0);
      DrawBlobTunnelScene(R * (1.0 / 4096), S, 2);
      DrawQuadAdd(0.03 * std::cos(Ms(s) * (1.0 / 2433.5)), -1, 1, 0.5 + (S - 40960) * (1.0 / 8192),
                  1, Tex(1));
      DrawHaloObjectScene(5300 - g * 1.8, 7);
      DrawQuadMul(g * (1.0 / 1024) - 3, -1, g * (1.0 / 1424) - 1, 2 - g * (1.0 / 2896), 1, Tex(41));
    });
  // The panel's top edge continues from order 10: 1 + R/8192.
  std::vector<std::string> calls = RecordFrame({11, 32, 0, 34567.25f});
  EXPECT_EQ(CountLines(calls, "glVertex3f 1 1.25 -32"), 1) << GlrecJoined();
}

TEST(Timeline, Order12SwitchesTheSecondBlobTunnelAtRow48) {
  for (int R : {0, 819, 820, 3071, 3072, 4095})
    ExpectFrame({12, R / 64, R % 64, 45678.5f}, [](const ClockState& s) {
      int R = RowPos(s), S = SongPos(s);
      FlyAroundPasses(s, 1, R * (1.0 / 4096));
      DrawBlobTunnelScene(1 - R * (1.0 / 2048), S, 2);
      DrawBlobTunnelScene(s.row < 48 ? R * (1.0 / 2048) - 0.4 : 1 - (R - 3072) * (1.0 / 1024),
                          S + 92852, 1);
      DrawQuadAdd(0.03 * std::cos(Ms(s) * (1.0 / 2433.5)), -1, 1, 1 - (S - 49152) * (1.0 / 8192),
                  1 - R * (1.0 / 4096), Tex(2));
    });
}

void Order13(const ClockState& s) {
  int R = RowPos(s), S = SongPos(s);
  double E = Ms(s);
  DrawEnvMapEchoScene((S - 53248) * 1.75 + 500);
  DrawQuadAdd(R * (1.0 / 20000) - 1.1, -1, R * (1.0 / 8192) + 0.2, 1,
              1 + 0.2 * (std::cos(E * (1.0 / 623.4)) + std::sin(E * (1.0 / 473.4))), Tex(9));
  if (R >= 3584) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_DEPTH_BUFFER_BIT);
    DrawShadeScreen(1 - (R - 3584) * (1.0 / 512));
  }
}

TEST(Timeline, Order13FadesToBlackFromRow56) {
  for (int R : {0, 3583, 3584, 4095}) ExpectFrame({13, R / 64, R % 64, 56789.5f}, Order13);
  // Before row 56 the frame ends with the panel.
  std::vector<std::string> calls = RecordFrame({13, 55, 63, 0});
  EXPECT_EQ(Tail(calls, 18),
            QuadLines(true, 3583 / 20000.0 - 1.1, -1, 3583 / 8192.0 + 0.2, 1, 1.2f, Tex(9)))
      << GlrecJoined();
  calls = RecordFrame({13, 56, 0, 0});
  EXPECT_EQ(CountLines(calls, "glColor3f 1 1 1"), 1) << GlrecJoined();
  calls = RecordFrame({13, 63, 63, 0});
  EXPECT_EQ(CountLines(calls, "glColor3f 0.001953125 0.001953125 0.001953125"), 1) << GlrecJoined();
}

void WidePicturePair(const ClockState& s, double f) {
  double E = Ms(s);
  DrawWidePicture((0.5 - 0.5 * std::sin(E * (1.0 / 1357.4))) * f, 0.3 * std::sin(E * (1.0 / 1000)),
                  0.1 * (std::cos(E * (1.0 / 823.4)) + 1));
  DrawWidePicture((std::sin(E * (1.0 / 1357.4)) + 1) * 0.5 * f,
                  0.3 * std::sin(E * (1.0 / 1000) + 0.3),
                  0.1 * (std::cos(E * (1.0 / 823.4) + 0.3) + 1));
}

TEST(Timeline, Order14FadesInTheWidePicturesAndTheBlobTunnelOverSixteenRows) {
  EXPECT_EQ(RecordFrame({14, 0, 0, 61000}), blackFrame) << "at R = 0 nothing is drawn";
  for (int R : {1, 100, 1023, 1024, 2000, 4095})
    ExpectFrame({14, R / 64, R % 64, 61000.5f}, [](const ClockState& s) {
      float v = std::fmin(static_cast<float>(RowPos(s) * (1.0 / 1024)), 1.0f);
      WidePicturePair(s, v);
      DrawBlobTunnelScene(v, SongPos(s), 17);
    });
}

TEST(Timeline, Order15RaisesTheText) {
  for (int R : {0, 1500, 4095})
    ExpectFrame({15, R / 64, R % 64, 62000.25f}, [](const ClockState& s) {
      int R = RowPos(s);
      WidePicturePair(s, 1 - R * (1.0 / 7000));
      DrawBlobTunnelScene(1 - R * (1.0 / 4096), SongPos(s), 17);
      DrawQuadAdd(-R * (1.0 / 7000), R * (1.0 / 1024) - 5, 1, R * (1.0 / 800) - 1, 0.7, Tex(44));
    });
  std::vector<std::string> calls = RecordFrame({15, 16, 0, 62000.25f});
  EXPECT_EQ(Tail(calls, 18), QuadLines(true, -1024 / 7000.0, -4, 1, 0.28f, 0.7f, Tex(44)))
      << GlrecJoined();
}

TEST(Timeline, Order16DropsTheWidePicturesFromR2904) {
  for (int R : {0, 2903, 2904, 4095})
    ExpectFrame({16, R / 64, R % 64, 63000.5f}, [](const ClockState& s) {
      int R = RowPos(s), d = 4096 + R;
      double E = Ms(s);
      if (R < 2904) WidePicturePair(s, 1 - d * (1.0 / 7000));
      DrawRotatedSpriteAdd(
          0, 0, E * (1.0 / 500),
          5.1 - R * (1.0 / 1000) + 0.05 * std::cos(R * R * (1.0 / 200000) + E * (1.0 / 302.3)),
          R * (1.0 / 2048), Tex(11));
      DrawWobbleSheets(R * (1.0 / 4096), R * R * (1.0 / 10000));
      DrawQuadAdd(-d * (1.0 / 7000), d * (1.0 / 1024) - 5, 1, d * (1.0 / 800) - 1, 0.7, Tex(44));
    });
  EXPECT_EQ(CountLines(RecordFrame({16, 45, 23, 63000.5f}), "glBindTexture GL_TEXTURE_2D 1023"), 2);
  EXPECT_EQ(CountLines(RecordFrame({16, 45, 24, 63000.5f}), "glBindTexture GL_TEXTURE_2D 1023"), 0);
}

void TurningPicture(double angle, double brightness) {
  DrawRotatedSpriteAdd(0, 0, angle, 1.15, brightness, Tex(11));
}

TEST(Timeline, Order17ShowsTheHalfPicturesByRow) {
  for (int row : {0, 21, 22, 27, 28, 51, 52, 63}) {
    ClockState state{17, row, 5, 64000.75f};
    ExpectFrame(state, [](const ClockState& s) {
      double E = Ms(s);
      if (s.row < 28) {
        TurningPicture(-E * (1.0 / 250), 1);
        if (s.row >= 22) DrawQuadAdd(-1, -1, 1, 0, 1, Tex(45));
      } else {
        TurningPicture(E * (1.0 / 250), 0.8);
        if (s.row < 52) DrawQuadAdd(-1, -1, 1, 0, 1, Tex(45));
        DrawQuadAdd(-1, 0, 1, 1, 1, Tex(46));
      }
      DrawWobbleSheets(1, 5.0 * RowPos(s) + 1677.7216);
      DrawSwirlPair(1, SongPos(s), 18, 17);
      GrainPair();
    });
    std::vector<std::string> calls = RecordFrame(state);
    EXPECT_EQ(ContainsRun(calls, QuadLines(true, -1, -1, 1, 0, 1, Tex(45))), row >= 22 && row < 52)
        << "row " << row;
    EXPECT_EQ(ContainsRun(calls, QuadLines(true, -1, 0, 1, 1, 1, Tex(46))), row >= 28)
        << "row " << row;
    EXPECT_EQ(GetShowRandomState(), RandomStateAfter(8));
  }
}

TEST(Timeline, Order18ShowsTheClosingPicturesByRow) {
  for (int row : {0, 21, 22, 27, 28, 63}) {
    ClockState state{18, row, 60, 65000.25f};
    ExpectFrame(state, [](const ClockState& s) {
      double E = Ms(s);
      if (s.row < 28) {
        TurningPicture(-E * (1.0 / 250), 0.6);
        DrawQuadAdd(-1, -1, 1, 0, 1, Tex(47));
        if (s.row < 22) DrawQuadAdd(-1, 0, 1, 1, 1, Tex(46));
      } else {
        TurningPicture(E * (1.0 / 250), 0.4);
      }
      DrawSwirlPair(1, SongPos(s), 18, 17);
      GrainPair();
    });
    std::vector<std::string> calls = RecordFrame(state);
    EXPECT_EQ(ContainsRun(calls, QuadLines(true, -1, -1, 1, 0, 1, Tex(47))), row < 28);
    EXPECT_EQ(ContainsRun(calls, QuadLines(true, -1, 0, 1, 1, 1, Tex(46))), row < 22);
    EXPECT_EQ(CountLines(calls, "glColor3f 0.400000006 0.400000006 0.400000006"),
              row >= 28 ? 1 : 0);
  }
}

}  // namespace
