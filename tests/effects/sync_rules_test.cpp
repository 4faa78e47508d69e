// Which effects take a pending sync, which only read the last one taken, and which
// return before looking: a sync taken by the wrong routine is lost to the layer
// that should have flashed on it.
#include "effects/bowl.h"
#include "effects/interference.h"
#include "effects/sheets.h"
#include "effects/tunnel.h"
#include "effects/wobble.h"
#include "effects_fixture.h"

namespace {

struct SyncRule {
  const char* name;
  void (*draw)(float fade);
  bool takesAtFadeOne;
  bool takesAtFadeZero;
};

const SyncRule kRules[] = {
    {"tunnel", [](float fade) { DrawTunnelBlend(fade, 30000); }, true, false},
    {"rotozoom", [](float fade) { DrawRotozoomBlend(fade, 40000); }, false, false},
    {"bowl", [](float) { DrawBowlLayers(30000); }, false, false},
    {"interference", [](float fade) { DrawInterference(fade, 40000); }, true, true},
    {"swirl", [](float fade) { DrawSwirl(fade, 9000, 1); }, true, true},
    {"swirl pair", [](float fade) { DrawSwirlPair(fade, 70000, 18, 17); }, true, false},
    {"wobble", [](float fade) { DrawWobbleSheets(fade, 600); }, true, false},
};

class SyncRuleTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    GlrecSetMode(GlrecCount);
  }
};

TEST_F(SyncRuleTest, EachEffectTakesThePendingSyncOnlyWhenItShould) {
  for (const SyncRule& rule : kRules) {
    for (float fade : {1.0f, 0.0f}) {
      SCOPED_TRACE(testing::Message() << rule.name << " at fade " << fade);
      ResetDemoClock();
      SetElapsed(12000);
      PostSync(11990);
      rule.draw(fade);
      bool taken = fade > 0 ? rule.takesAtFadeOne : rule.takesAtFadeZero;
      EXPECT_EQ(syncEvent.pending.load(), taken ? 0 : 1);
      EXPECT_EQ(lastSyncMs, taken ? 11990 : -100000);
    }
  }
}

}  // namespace
