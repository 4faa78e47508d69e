// The show's four objects, built as ob3 meshes: front faces counter-clockwise
// seen from outside, smooth surfaces sharing their vertex indices.
#pragma once

#include "writers/ob3_writer.h"

struct ObjectEntry {
  const char* path;  // relative to the show directory
  int faceBudget;
  bool closed;       // a closed surface: its signed volume must be positive
  Ob3Mesh (*build)();
};

constexpr int showObjectCount = 4;
extern const ObjectEntry showObjects[showObjectCount];

Ob3Mesh BuildCrescent();       // akanpaa: a tube swept along a 280-degree arc
Ob3Mesh BuildLotusCushion();   // float: an 8-lobed flattened cushion
Ob3Mesh BuildBlobSphere();     // pallo2: a UV sphere of radius 400
Ob3Mesh BuildSunburst();       // tyyli: 36 two-sided blades round an icosphere hub
