// The ob3 object format, the Object3D record and the 256-record ObjectTable:
// loading four objects at start-up with their normals, and releasing them.
#pragma once

struct ObjectFace {
  int index0 = 0, index1 = 0, index2 = 0;  // corners, 0-based vertex indices
  int textureSlot = 0;                     // base slot + the file's texture offset
  int renderMode = 0;
  float s0 = 0, t0 = 0, s1 = 0, t1 = 0, s2 = 0, t2 = 0;  // s = w/256, t = 1 - w/256
};

struct Vec3f {
  float x = 0, y = 0, z = 0;
};

struct Object3D {
  int vertexCount = 0;
  int faceCount = 0;
  int renderMode = 0;
  int textureSlot = 0;
  float angleX = 0, angleY = 0, angleZ = 0;  // radians
  float posX = 0, posY = 0, posZ = 0;        // added after the rotation
  Vec3f* baseVertexNormals = nullptr;        // unit normals as loaded
  Vec3f* vertexNormals = nullptr;            // rotated by the object's angles
  Vec3f* baseFaceNormals = nullptr;
  Vec3f* baseVertices = nullptr;             // as loaded, never changed
  ObjectFace* faces = nullptr;               // present exactly while loaded
  Vec3f* vertices = nullptr;                 // working positions, what is drawn
};

constexpr int objectTableSize = 256;

extern Object3D ObjectTable[objectTableSize];

enum ObjectLoadResult {
  ObjectLoaded,
  ObjectUnreadable,   // skipped: the show goes on without the object
  ObjectOutOfMemory,  // the run sequence ends the show with "out of memory"
};

// Reads one file. A missing, short or inconsistent file leaves the record
// empty and writes "cannot load object: <path>: <cause>" to standard error
// ("file holds 2 of 100 vertices", "face 0 names vertex 3 of 3", ...).
ObjectLoadResult LoadObject(const char* path, Object3D& object, int renderMode, int textureSlot);
// Sizes the arrays for the record's counts; false (record left empty) when the
// counts are negative or memory runs out.
bool AllocateObject(Object3D& object);
void ComputeObjectNormals(Object3D& object);
void ReleaseObject(Object3D& object);  // harmless on an empty record
// The four show objects, then ResetCamera; false as soon as memory runs out.
bool LoadObjects();
