// The nine ways the mesh renderer draws an object; the object loader stores one
// in every record and face it fills.
#pragma once

enum RenderMode : int {
  ModeTextured = 0,
  ModeEnvMapped = 1,
  ModeEnvMappedAdd = 2,
  ModeTexturedAdd = 3,
  ModeLit = 4,
  ModeLitTextured = 5,
  ModeLitFlat = 6,
  ModeGlow = 7,
  ModeTexturedAddTwoSided = 8,
};
