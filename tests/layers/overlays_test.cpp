#include "layers/overlays.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/textures.h"
#include "glrec/glrec.h"
#include "layer_trace.h"
#include "render/show_random.h"
#include "music/clock.h"

namespace {

constexpr double pi = 3.14159265358979323846;

class OverlaysTest : public testing::Test {
 protected:
  void SetUp() override {
    GlrecSetMode(GlrecRecord);
    GlrecReset();
    ResetDemoClock();
    SetShowRandomState(1);
    // As the trace tool fills the table: slot n holds the GL name 1000 + n.
    for (int slot = 0; slot < 256; ++slot) TextureTable[slot] = 1000 + slot;
  }
  void TearDown() override {
    ResetDemoClock();
    SetShowRandomState(1);
    for (GLuint& name : TextureTable) name = 0;
  }
};

size_t QuadsDrawn() { return GlrecCallsNamed("glBegin").size(); }

void SetElapsed(float ms) { demoClock.elapsedMs.store(ms); }

void PostSync(float timeMs) {
  syncEvent.timeMs.store(timeMs);
  syncEvent.pending.store(1);
}

// The zoom echo's first copy has brightness 0.3*cos(p) + lift; at time 0 that is
// 0.3 + syncPulse * 2/3, so the pulse reads straight off its colour.
double PulseSeenByZoomEcho() {
  GlrecReset();
  DrawZoomEcho(0.0f, SlotTex3);
  std::vector<float> greys = RecordedGreys();
  EXPECT_FALSE(greys.empty());
  return greys.empty() ? -1.0 : (greys[0] - 0.3) * 1.5;
}

TEST_F(OverlaysTest, SyncPulseFallsOverOneAndAHalfSeconds) {
  // Before any sync lastSyncMs is -100000: no pulse at or after time zero.
  SetElapsed(0.0f);
  EXPECT_NEAR(PulseSeenByZoomEcho(), 0.0, 1e-6);

  // The sync's time is truncated to whole milliseconds when taken.
  PostSync(5000.75f);
  SetElapsed(5000.0f);
  EXPECT_NEAR(PulseSeenByZoomEcho(), 1.0, 1e-6);
  EXPECT_EQ(lastSyncMs, 5000);
  SetElapsed(5750.0f);
  EXPECT_NEAR(PulseSeenByZoomEcho(), 0.5, 1e-6);
  SetElapsed(6499.0f);
  EXPECT_NEAR(PulseSeenByZoomEcho(), 1.0 / 1500, 1e-6);
  for (float later : {6500.0f, 6501.0f, 90000.0f}) {
    SetElapsed(later);
    EXPECT_NEAR(PulseSeenByZoomEcho(), 0.0, 1e-6) << later;
  }
}

TEST_F(OverlaysTest, SyncPulseKeepsDoublePrecisionUntilPassed) {
  // With the pulse at 1/3 the brightness is exactly 0.3 + 2/9 evaluated in
  // double, rounded once.
  lastSyncMs = 1000;
  SetElapsed(2000.0f);
  DrawZoomEcho(0.0f, SlotTex3);
  const double pulse = 1.0 - (2000.0 - 1000) * (1.0 / 1500);
  const double lift = pulse * (2.0 / 3.0) + 0.5 * std::sin(0.0);
  EXPECT_EQ(GlrecCallsNamed("glColor3f").at(0),
            "glColor3f " + GlrecFloat(static_cast<float>(0.3 * std::cos(0.0) + lift)) + " " +
                GlrecFloat(static_cast<float>(0.3 + lift)) + " " +
                GlrecFloat(static_cast<float>(0.3 + lift)));
}

TEST_F(OverlaysTest, ZoomEchoDrawsThirteenConcentricCopies) {
  // sin(time/712.3) = 1 and a fresh sync: the lift is 1/2 + 2/3, so every copy shows.
  const float time = static_cast<float>(712.3 * pi / 2);
  PostSync(100.0f);
  SetElapsed(100.0f);
  DrawZoomEcho(time, SlotPic05);
  ASSERT_EQ(QuadsDrawn(), 13u) << GlrecJoined();
  for (const std::string& bind : GlrecCallsNamed("glBindTexture"))
    EXPECT_EQ(bind, "glBindTexture GL_TEXTURE_2D 1038");

  const std::vector<Corner> corners = RecordedCorners();
  for (size_t q = 0; q < 13; ++q) {
    EXPECT_FLOAT_EQ(corners[4 * q].x, -corners[4 * q + 2].x) << q;  // centred on (0, 0)
    EXPECT_FLOAT_EQ(corners[4 * q].y, -corners[4 * q + 2].y) << q;
    const float halfSize = corners[4 * q + 2].x;
    EXPECT_GT(halfSize, 0.09f);
    EXPECT_LT(halfSize, 3.11f);
  }
  // The thirteenth copy sits at 2*pi - 8e-7 and repeats the first.
  EXPECT_NEAR(corners[48].x, corners[0].x, 1e-5);
  const std::vector<float> greys = RecordedGreys();
  EXPECT_NEAR(greys[12], greys[0], 1e-5);
  // The others are a twelfth of a turn apart: they are all different.
  EXPECT_GT(std::fabs(corners[4].x - corners[0].x), 1e-3);
}

TEST_F(OverlaysTest, ZoomEchoSkipsDarkCopies) {
  // No pulse and sin(time/712.3) = -1: every brightness is 0.3*cos - 0.5 < 0.
  DrawZoomEcho(static_cast<float>(712.3 * 3 * pi / 2), SlotTex3);
  EXPECT_EQ(GlrecCallCount(), 0u) << GlrecJoined();

  // At time 100 the lift is 0.07 and p = 0.418: a copy at offset a shows while
  // cos(a + 0.418) > -0.233, i.e. for a in [-2.22, 1.39] modulo 2*pi. That holds
  // for the offsets 0, pi/6, pi/3, 4pi/3, 3pi/2, 5pi/3, 11pi/6 and the repeat.
  GlrecReset();
  DrawZoomEcho(100.0f, SlotTex3);
  EXPECT_EQ(QuadsDrawn(), 8u) << GlrecJoined();
  for (float grey : RecordedGreys()) EXPECT_GT(grey, 0.0f);
}

TEST_F(OverlaysTest, ScatterEchoDrawsThirtyCopiesOfTheTwoTiles) {
  // sin(time/712.3) = 1: brightness 0.2*cos + 0.3 is always positive.
  DrawScatterEcho(static_cast<float>(712.3 * pi / 2));
  ASSERT_EQ(QuadsDrawn(), 30u) << GlrecJoined();
  const std::vector<std::string> binds = GlrecCallsNamed("glBindTexture");
  for (size_t i = 0; i < binds.size(); ++i)
    EXPECT_EQ(binds[i], i % 2 == 0 ? "glBindTexture GL_TEXTURE_2D 1001"
                                   : "glBindTexture GL_TEXTURE_2D 1002")
        << i;

  const std::vector<Corner> corners = RecordedCorners();
  Corner first = QuadCentre(corners, 0);
  EXPECT_NEAR(first.x, 0.0, 1e-6);
  EXPECT_NEAR(first.y, 1.0, 1e-6);
  Corner second = QuadCentre(corners, 1);
  EXPECT_NEAR(second.x, std::sin(4.4), 1e-6);
  EXPECT_NEAR(second.y, std::cos(7.3), 1e-6);
  Corner last = QuadCentre(corners, 29);
  EXPECT_NEAR(last.x, std::sin(4.4 * 29), 1e-6);
  EXPECT_NEAR(last.y, std::cos(7.3 * 29), 1e-6);
}

TEST_F(OverlaysTest, ScatterEchoCentresStayPutWhileSizesMove) {
  DrawScatterEcho(1200.0f);
  const std::vector<Corner> early = RecordedCorners();
  GlrecReset();
  DrawScatterEcho(1300.0f);
  const std::vector<Corner> later = RecordedCorners();
  ASSERT_EQ(early.size(), later.size());
  ASSERT_FALSE(early.empty());
  EXPECT_NE(early[0].x, later[0].x);
  for (size_t q = 0; q < early.size() / 4; ++q) {
    EXPECT_NEAR(QuadCentre(early, q).x, QuadCentre(later, q).x, 1e-5) << q;
    EXPECT_NEAR(QuadCentre(early, q).y, QuadCentre(later, q).y, 1e-5) << q;
  }
}

TEST_F(OverlaysTest, EchoLayersTakeAPendingSync) {
  struct Layer {
    const char* name;
    void (*draw)();
  };
  const Layer layers[] = {
      {"DrawZoomEcho", [] { DrawZoomEcho(10.0f, SlotTex1); }},
      {"DrawScatterEcho", [] { DrawScatterEcho(10.0f); }},
      {"DrawSpriteTrail", [] { DrawSpriteTrail(1.0f, 10.0f, SlotTex1); }},
  };
  for (const Layer& layer : layers) {
    SCOPED_TRACE(layer.name);
    ResetDemoClock();
    PostSync(2345.9f);
    layer.draw();
    EXPECT_EQ(syncEvent.pending.load(), 0);
    EXPECT_EQ(lastSyncMs, 2345);
  }
}

TEST_F(OverlaysTest, OtherLayersLeaveAPendingSyncAlone) {
  PostSync(2345.9f);
  DrawWidePicture(1.0f, 0.0f, 0.0f);
  DrawDriftMultiply(5);
  DrawGrainMul(5);
  DrawGrainAdd(5);
  EXPECT_EQ(syncEvent.pending.load(), 1);
  EXPECT_EQ(lastSyncMs, -100000);
}

// The turn of a rotated sprite, read back from its diagonal: corner 2 minus
// corner 0 is (2 * 1.414 * cos(pi/4 + angle), 2 * 1.6968 * sin(pi/4 + angle)) * size.
double SpriteAngle(const std::vector<Corner>& c, size_t q) {
  const double dx = c[4 * q + 2].x - c[4 * q].x;
  const double dy = c[4 * q + 2].y - c[4 * q].y;
  return std::atan2(dy / 1.6968, dx / 1.414) - pi / 4;
}

double SpriteSize(const std::vector<Corner>& c, size_t q) {
  const double dx = c[4 * q + 2].x - c[4 * q].x;
  const double dy = c[4 * q + 2].y - c[4 * q].y;
  return std::hypot(dx / 1.414, dy / 1.6968) / 2;
}

TEST_F(OverlaysTest, SpriteTrailOfOneCopyAtFullBrightness) {
  // 30*sin(time/285.4) in (-1, 1): n truncates to 0, one copy, size H + 0.9.
  for (float time : {0.0f, 5.0f, -5.0f, static_cast<float>(285.4 * pi)}) {
    SCOPED_TRACE(time);
    GlrecReset();
    DrawSpriteTrail(0.8f, time, SlotTex4);
    ASSERT_EQ(QuadsDrawn(), 1u) << GlrecJoined();
    EXPECT_EQ(RecordedGreys(), std::vector<float>{0.8f});
    EXPECT_EQ(GlrecCallsNamed("glBindTexture").at(0), "glBindTexture GL_TEXTURE_2D 1017");
    const std::vector<Corner> c = RecordedCorners();
    EXPECT_NEAR(SpriteSize(c, 0), 0.2 * std::sin(time / 575.5) + 0.9, 1e-5);
    EXPECT_NEAR(SpriteAngle(c, 0), std::sin(time / 650.5), 1e-4);
    const Corner centre = QuadCentre(c, 0);
    EXPECT_NEAR(centre.x, 0.5 * std::cos(time / 10 / 100), 1e-5);
    EXPECT_NEAR(centre.y, 0.5 * std::sin(time / 11.3 / 87.3), 1e-5);
  }
}

TEST_F(OverlaysTest, SpriteTrailWindsBackwardsForANegativeSwing) {
  // sin(time/285.4) = -0.98: 30*sin = -29.4, so 30 copies at r = 0, -1, ..., -29.
  const float time = static_cast<float>(285.4 * (2 * pi - std::asin(0.98)));
  DrawSpriteTrail(0.9f, time, SlotTex4);
  ASSERT_EQ(QuadsDrawn(), 30u) << GlrecJoined();
  for (float grey : RecordedGreys()) EXPECT_EQ(grey, static_cast<float>((1.0 / 30) * 0.9f));

  const std::vector<Corner> c = RecordedCorners();
  const double growth = 0.75 * std::sin(time / 455.2);
  for (size_t i = 0; i < 30; ++i) {
    const double r = -static_cast<double>(i);
    EXPECT_NEAR(SpriteAngle(c, i), r / 57.28 + std::sin(time / 650.5), 1e-4) << i;
    EXPECT_NEAR(SpriteSize(c, i), r * growth / 30 + 0.2 * std::sin(time / 575.5) + 0.9, 1e-5)
        << i;
    const Corner centre = QuadCentre(c, i);
    EXPECT_NEAR(centre.x, 0.5 * std::cos((r + time / 10) / 100), 1e-5) << i;
    EXPECT_NEAR(centre.y, 0.5 * std::sin((r + time / 11.3) / 87.3), 1e-5) << i;
  }
}

TEST_F(OverlaysTest, SpriteTrailWindsForwards) {
  // sin(time/285.4) = 0.98: 30*sin = 29.4, so 30 copies at r = 0, 1, ..., 29.
  // (31 copies would need 30*sin to reach exactly 30, which no float phase does.)
  const float time = static_cast<float>(285.4 * std::asin(0.98));
  DrawSpriteTrail(1.0f, time, SlotTex4);
  ASSERT_EQ(QuadsDrawn(), 30u) << GlrecJoined();
  EXPECT_EQ(RecordedGreys().at(29), static_cast<float>(1.0 / 30));
  const std::vector<Corner> c = RecordedCorners();
  const double growth = 0.75 * std::sin(time / 455.2);
  for (size_t i = 1; i < 30; ++i) {
    EXPECT_NEAR(SpriteAngle(c, i) - SpriteAngle(c, i - 1), 1 / 57.28, 1e-4) << i;
    EXPECT_NEAR(SpriteSize(c, i) - SpriteSize(c, i - 1), growth / 30, 1e-5) << i;
    EXPECT_NEAR(QuadCentre(c, i).x, 0.5 * std::cos((i + time / 10) / 100), 1e-5) << i;
  }
}

TEST_F(OverlaysTest, SpriteTrailIsDarkWhenItsBrightnessIs) {
  DrawSpriteTrail(0.0f, static_cast<float>(285.4 * pi / 2), SlotTex4);
  EXPECT_EQ(GlrecCallCount(), 0u) << GlrecJoined();
}

TEST_F(OverlaysTest, SlotsOutsideTheTableDrawUntextured) {
  // Read past the 256-slot table these would be garbage names (or a crash).
  PostSync(100.0f);
  SetElapsed(100.0f);
  DrawZoomEcho(static_cast<float>(712.3 * pi / 2), 256);
  DrawSpriteTrail(1.0f, 0.0f, -1);
  const std::vector<std::string> binds = GlrecCallsNamed("glBindTexture");
  ASSERT_EQ(binds.size(), 14u) << GlrecJoined();
  for (const std::string& bind : binds) EXPECT_EQ(bind, "glBindTexture GL_TEXTURE_2D 0");
}

TEST_F(OverlaysTest, WidePictureFillsABoxOfOnePointThreeToOne) {
  DrawWidePicture(0.6f, 0.0f, 0.0f);
  EXPECT_EQ(GlrecCallsNamed("glBindTexture").at(0), "glBindTexture GL_TEXTURE_2D 1023");
  EXPECT_EQ(GlrecCallsNamed("glBlendFunc").at(0), "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA");
  EXPECT_EQ(GlrecCallsNamed("glVertex3f"),
            (std::vector<std::string>{"glVertex3f -1.29999995 -1 -32", "glVertex3f 1.29999995 -1 -32",
                                      "glVertex3f 1.29999995 1 -32", "glVertex3f -1.29999995 1 -32"}));
  EXPECT_EQ(RecordedGreys(), std::vector<float>{0.6f});

  // Grown by a half and moved right: half-width 1.95, half-height 1.5.
  GlrecReset();
  DrawWidePicture(0.6f, 0.25f, 0.5f);
  const std::vector<Corner> c = RecordedCorners();
  ASSERT_EQ(c.size(), 4u);
  EXPECT_FLOAT_EQ(c[0].x, -1.7f);
  EXPECT_FLOAT_EQ(c[0].y, -1.5f);
  EXPECT_FLOAT_EQ(c[2].x, 2.2f);
  EXPECT_FLOAT_EQ(c[2].y, 1.5f);
}

TEST_F(OverlaysTest, DriftMultiplyLaysThreeFullScreenCopies) {
  const float e = 12345.0f;
  SetElapsed(e);
  DrawDriftMultiply(1035);
  ASSERT_EQ(QuadsDrawn(), 3u) << GlrecJoined();
  for (const std::string& blend : GlrecCallsNamed("glBlendFunc"))
    EXPECT_EQ(blend, "glBlendFunc GL_ONE_MINUS_SRC_ALPHA GL_SRC_COLOR");
  EXPECT_EQ(RecordedGreys(), (std::vector<float>{1, 1, 1}));
  const std::vector<Corner> c = RecordedCorners();
  const double centres[3][2] = {{0.5 * std::sin(e / 111.4), 0.5 * std::cos(e / 155.5)},
                                {0.5 * std::sin(e / 191.4), 0.5 * std::cos(e / 145.5)},
                                {0.5 * std::sin(e / 41.4), 0.5 * std::cos(e / 65.5)}};
  for (size_t q = 0; q < 3; ++q) {
    EXPECT_NEAR(QuadCentre(c, q).x, centres[q][0], 1e-5) << q;
    EXPECT_NEAR(QuadCentre(c, q).y, centres[q][1], 1e-5) << q;
    EXPECT_FLOAT_EQ(c[4 * q + 2].x - c[4 * q].x, 4.0f) << q;  // half size 2
    EXPECT_LE(c[4 * q].x, -1.5f);
    EXPECT_GE(c[4 * q + 2].y, 1.5f);
  }
}

// The texture window of one grain quad as "s1 t1 s2 t2".
std::string GrainWindowOf(size_t quad) {
  const std::vector<std::string> st = GlrecCallsNamed("glTexCoord2f");
  std::vector<float> first = LineNumbers(st.at(4 * quad));
  std::vector<float> third = LineNumbers(st.at(4 * quad + 2));
  return GlrecFloat(first[0]) + " " + GlrecFloat(first[1]) + " " + GlrecFloat(third[0]) + " " +
         GlrecFloat(third[1]);
}

std::string Window(double s1, double t1, double s2, double t2) {
  return GlrecFloat(static_cast<float>(s1)) + " " + GlrecFloat(static_cast<float>(t1)) + " " +
         GlrecFloat(static_cast<float>(s2)) + " " + GlrecFloat(static_cast<float>(t2));
}

TEST_F(OverlaysTest, GrainWindowsFollowTheRandomSequence) {
  // From the start state 1 the generator gives 41, 18467, 6334, 26500 and then
  // 19169, 15724, 11478, 29358: r = 41, 67, 34, 0 and 69, 24, 78, 58.
  DrawGrainMul(1034);
  DrawGrainAdd(1035);
  ASSERT_EQ(QuadsDrawn(), 2u) << GlrecJoined();
  EXPECT_EQ(GrainWindowOf(0), Window(0 * 0.01 - 1, 34 * 0.01 - 1, 2 - 67 * 0.01, 2 - 41 * 0.01));
  EXPECT_EQ(GrainWindowOf(1), Window(58 * 0.01 - 1, 78 * 0.01 - 1, 2 - 24 * 0.01, 2 - 69 * 0.01));

  // Eight draws in all.
  uint32_t state = 1;
  for (int i = 0; i < 8; ++i) state = state * 214013u + 2531011u;
  EXPECT_EQ(GetShowRandomState(), state);

  EXPECT_EQ(GlrecCallsNamed("glBlendFunc"),
            (std::vector<std::string>{"glBlendFunc GL_ONE_MINUS_SRC_ALPHA GL_SRC_COLOR",
                                      "glBlendFunc GL_SRC_ALPHA GL_SRC_ALPHA"}));
  EXPECT_EQ(GlrecCallsNamed("glBindTexture"),
            (std::vector<std::string>{"glBindTexture GL_TEXTURE_2D 1034",
                                      "glBindTexture GL_TEXTURE_2D 1035"}));
  EXPECT_EQ(RecordedGreys(), (std::vector<float>{1, 1}));
}

TEST_F(OverlaysTest, GrainWindowFromAGivenState) {
  // r1..r4 from an arbitrary state, drawn here by the generator's own rule.
  const uint32_t start = 0xC0FFEEu;
  SetShowRandomState(start);
  uint32_t state = start;
  int r[4];
  for (int& value : r) {
    state = state * 214013u + 2531011u;
    value = static_cast<int>((state >> 16) & 32767u) % 100;
  }
  DrawGrainAdd(1035);
  EXPECT_EQ(GrainWindowOf(0),
            Window(r[3] * 0.01 - 1, r[2] * 0.01 - 1, 2 - r[1] * 0.01, 2 - r[0] * 0.01));
  // The window spans 1.02 to 3 repeats in each direction.
  const std::vector<float> first = LineNumbers(GlrecCallsNamed("glTexCoord2f").at(0));
  const std::vector<float> third = LineNumbers(GlrecCallsNamed("glTexCoord2f").at(2));
  for (int axis = 0; axis < 2; ++axis) {
    EXPECT_GE(third[axis] - first[axis], 1.02f - 1e-6f);
    EXPECT_LE(third[axis] - first[axis], 3.0f);
  }
}

}  // namespace
