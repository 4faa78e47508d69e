// Objects built in memory for the renderer's tests, laid out as the loader
// lays them out: six arrays allocated with new[].
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "assets/objects.h"

struct TestFace {
  int index0, index1, index2;
  float s0 = 0, t0 = 0, s1 = 0, t1 = 0, s2 = 0, t2 = 0;
};

// Vertex normals default to (0, 0, 1) where none are given.
inline void BuildTestObject(Object3D& object, const std::vector<Vec3f>& vertices,
                            const std::vector<TestFace>& faces, int renderMode,
                            const std::vector<Vec3f>& normals = {}) {
  const int v = static_cast<int>(vertices.size());
  const int f = static_cast<int>(faces.size());
  object = Object3D{};
  object.vertexCount = v;
  object.faceCount = f;
  object.renderMode = renderMode;
  object.baseVertices = new Vec3f[v];
  object.vertices = new Vec3f[v];
  object.baseVertexNormals = new Vec3f[v];
  object.vertexNormals = new Vec3f[v];
  object.baseFaceNormals = new Vec3f[f];
  object.faces = new ObjectFace[f];
  for (int i = 0; i < v; ++i) {
    object.baseVertices[i] = vertices[i];
    object.vertices[i] = vertices[i];
    object.baseVertexNormals[i] = normals.empty() ? Vec3f{0, 0, 1} : normals[i];
    object.vertexNormals[i] = object.baseVertexNormals[i];
  }
  for (int i = 0; i < f; ++i) {
    ObjectFace& face = object.faces[i];
    face.index0 = faces[i].index0;
    face.index1 = faces[i].index1;
    face.index2 = faces[i].index2;
    face.renderMode = renderMode;
    face.s0 = faces[i].s0;
    face.t0 = faces[i].t0;
    face.s1 = faces[i].s1;
    face.t1 = faces[i].t1;
    face.s2 = faces[i].s2;
    face.t2 = faces[i].t2;
  }
}

inline void FreeTestObject(Object3D& object) {
  delete[] object.baseVertices;
  delete[] object.vertices;
  delete[] object.baseVertexNormals;
  delete[] object.vertexNormals;
  delete[] object.baseFaceNormals;
  delete[] object.faces;
  object = Object3D{};
}

// The three floats of a recorded "glVertex3f x y z" line (%.9g round-trips).
inline Vec3f ParseVertexLine(const std::string& line) {
  Vec3f v;
  std::sscanf(line.c_str(), "glVertex3f %f %f %f", &v.x, &v.y, &v.z);
  return v;
}

inline float ParseColorLine(const std::string& line) {
  float r = -1, g, b;
  std::sscanf(line.c_str(), "glColor3f %f %f %f", &r, &g, &b);
  return r;
}
