#include "effects/sheets.h"

#include <cmath>

#include "effects/effect_support.h"

int swirlKickTime = 0;
int swirlKickSign = 1;
int pairKickTime = 0;
int pairKickSign = 1;

void BuildSwirlSheet(float scale, float T, float twist, Sheet& sheet) {
  for (int n = 0; n < 32; ++n) {
    float X = static_cast<float>((n - 15.5) * (1.0 / 15.5));  // 2/31: -1 to 1 down the rows
    for (int m = 0; m < 32; ++m) {
      float Y = static_cast<float>((m - 15.5) * (1.0 / 15.5));  // and along the columns
      double r = std::sqrt(static_cast<double>(X) * X + static_cast<double>(Y) * Y);
      // The angle of the point (Y, X). Y is never 0 on this grid; were it, the
      // steep slope stands in for the division.
      double theta = Y != 0 ? std::atan(static_cast<double>(X) / Y) : std::atan(X * 10000000000.0);
      if (Y < 0) theta += 3.1415927;
      // Each ring turns by twist * r; z is a spiral wave that turns 0.01 rad per unit of T.
      SheetPoint& point = sheet.points[n * 32 + m];
      point.x = static_cast<float>(scale * r * std::cos(theta + twist * r));
      point.y = static_cast<float>(scale * r * std::sin(theta + twist * r));
      point.z = static_cast<float>(10 * std::cos(r + theta + 0.01 * T));
    }
  }
}

void DrawSheetAdd(float brightness, const Sheet& sheet, GLuint texture) {
  if (!(brightness > 0)) return;
  // Alpha is always 1 (grey colour, RGB textures), so this pair adds the sheet.
  glBindTexture(GL_TEXTURE_2D, texture);
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
  glColor3f(brightness, brightness, brightness);
  glBegin(GL_QUADS);
  // 31x31 quads, columns outer and rows inner, counter-clockwise; the picture
  // spans the sheet, 1/31 per point, and the sheet lies 32 units in front.
  for (int i = 0; i < 31; ++i) {
    float s0 = static_cast<float>(i * (1.0 / 31));
    float s1 = static_cast<float>((i + 1) * (1.0 / 31));
    for (int j = 0; j < 31; ++j) {
      float t0 = static_cast<float>(j * (1.0 / 31));
      float t1 = static_cast<float>((j + 1) * (1.0 / 31));
      const SheetPoint& a = sheet.points[j * 32 + i];
      const SheetPoint& b = sheet.points[j * 32 + i + 1];
      const SheetPoint& c = sheet.points[(j + 1) * 32 + i + 1];
      const SheetPoint& d = sheet.points[(j + 1) * 32 + i];
      glTexCoord2f(s0, t0);
      glVertex3f(a.x, a.y, a.z - 32);
      glTexCoord2f(s1, t0);
      glVertex3f(b.x, b.y, b.z - 32);
      glTexCoord2f(s1, t1);
      glVertex3f(c.x, c.y, c.z - 32);
      glTexCoord2f(s0, t1);
      glVertex3f(d.x, d.y, d.z - 32);
    }
  }
  glEnd();
  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
}

void DrawSwirl(float fade, float T, int slot) {
  // The sync is taken whatever the fade: the kick must follow the music even
  // while the layer is faded out.
  if (ConsumeSyncEvent()) {
    swirlKickTime = TruncateToInt(T);
    swirlKickSign = -swirlKickSign;
  }
  float flash = SyncFlash(1, 1.0 / 3000);  // 1 at a sync, gone after 3 s
  // Untwisted at the sync, winding up in the kick's direction as T moves on.
  double twist = std::sin((T - static_cast<double>(swirlKickTime)) * (1.0 / 150)) *
                 swirlKickSign * flash * 2;
  Sheet sheet;
  BuildSwirlSheet(2.0f, T, static_cast<float>(twist), sheet);
  DrawSheetAdd(static_cast<float>((0.5 * flash + 0.25) * fade), sheet, SlotTexture(slot));
}

void DrawSwirlPair(float fade, float T, int slotA, int slotB) {
  // Off while faded out, leaving a pending sync to the next consumer.
  if (!(fade > 0)) return;
  if (ConsumeSyncEvent()) {
    pairKickTime = TruncateToInt(T);
    pairKickSign = -pairKickSign;
  }
  float flash = SyncFlash(1, 0.0008);  // 1 at a sync, gone after 1.25 s
  // The negated sign: the first sync after start-up twists this pair positively.
  double kickPhase = (T - static_cast<double>(pairKickTime)) * 0.01;
  Sheet sheet;
  int sign = -pairKickSign;
  BuildSwirlSheet(1.3f, T, static_cast<float>(std::sin(kickPhase) * sign * flash * 4), sheet);
  // The pictures cross-fade with period 1000 pi units of T.
  double w = std::sin(T * 0.002);
  DrawSheetAdd(static_cast<float>(fade * (w + 1) * 0.5), sheet, SlotTexture(slotA));
  // The second sheet's spiral and kick run 0.3 rad ahead.
  BuildSwirlSheet(1.3f, static_cast<float>(T + 30.0),
                  static_cast<float>(std::sin(kickPhase + 0.3) * sign * flash * 4), sheet);
  DrawSheetAdd(static_cast<float>(fade * (0.5 - 0.5 * w)), sheet, SlotTexture(slotB));
}
