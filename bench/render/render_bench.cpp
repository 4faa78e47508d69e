// The CPU cost of the object scenes, with GL calls only counted, on objects
// the size the show's four ob3 files have.
#include <benchmark/benchmark.h>

#include <cmath>

#include "assets/objects.h"
#include "assets/textures.h"
#include "glrec/glrec.h"
#include "music/clock.h"
#include "render/mesh.h"
#include "render/scenes.h"
#include "shell/window.h"

namespace {

// A UV sphere: poles plus (stacks - 1) rings of slices vertices, counter-
// clockwise seen from outside, unit normals along the radius. Faces past the
// sphere's own count repeat its first faces, to reach a given budget.
void BuildSphere(Object3D& object, float radius, int stacks, int slices, int faceCount,
                 int renderMode, int textureSlot) {
  const int rings = stacks - 1;
  object = Object3D{};
  object.vertexCount = rings * slices + 2;
  object.faceCount = faceCount;
  object.renderMode = renderMode;
  object.textureSlot = textureSlot;
  const int v = object.vertexCount;
  object.baseVertices = new Vec3f[v];
  object.vertices = new Vec3f[v];
  object.baseVertexNormals = new Vec3f[v];
  object.vertexNormals = new Vec3f[v];
  object.baseFaceNormals = new Vec3f[faceCount];
  object.faces = new ObjectFace[faceCount];

  const double pi = 3.14159265358979;
  object.baseVertexNormals[0] = {0, 1, 0};
  object.baseVertexNormals[v - 1] = {0, -1, 0};
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < slices; ++s) {
      const double theta = pi * (r + 1) / stacks, phi = 2 * pi * s / slices;
      object.baseVertexNormals[1 + r * slices + s] = {
          static_cast<float>(std::sin(theta) * std::cos(phi)), static_cast<float>(std::cos(theta)),
          static_cast<float>(-std::sin(theta) * std::sin(phi))};
    }
  for (int i = 0; i < v; ++i) {
    const Vec3f& n = object.baseVertexNormals[i];
    object.baseVertices[i] = {std::round(n.x * radius), std::round(n.y * radius),
                              std::round(n.z * radius)};
    object.vertices[i] = object.baseVertices[i];
  }

  int f = 0;
  auto add = [&](int a, int b, int c) {
    if (f >= faceCount) return;
    ObjectFace& face = object.faces[f++];
    face.index0 = a;
    face.index1 = b;
    face.index2 = c;
    face.s1 = 1;
    face.t2 = 1;
  };
  auto ring = [&](int r, int s) { return 1 + r * slices + (s % slices); };
  for (int s = 0; s < slices; ++s) add(0, ring(0, s), ring(0, s + 1));
  for (int r = 0; r + 1 < rings; ++r)
    for (int s = 0; s < slices; ++s) {
      add(ring(r, s), ring(r + 1, s), ring(r + 1, s + 1));
      add(ring(r, s), ring(r + 1, s + 1), ring(r, s + 1));
    }
  for (int s = 0; s < slices; ++s) add(v - 1, ring(rings - 1, s + 1), ring(rings - 1, s));
  for (int i = 0; f < faceCount; ++i) object.faces[f++] = object.faces[i];
}

void FreeObject(Object3D& object) {
  delete[] object.baseVertices;
  delete[] object.vertices;
  delete[] object.baseVertexNormals;
  delete[] object.vertexNormals;
  delete[] object.baseFaceNormals;
  delete[] object.faces;
  object = Object3D{};
}

// The four show objects at their budgeted sizes: pallo2 482 v / 960 f,
// akanpaa about 494 v / 984 f, float 962 v / 1984 f, tyyli 656 faces.
struct ShowObjects {
  ShowObjects() {
    GlrecSetMode(GlrecCount);
    SetGlWindowSize(showPictureWidth, showPictureHeight);
    BuildSphere(ObjectTable[6], 400, 16, 32, 960, ModeTexturedAddTwoSided, 25);
    BuildSphere(ObjectTable[1], 200, 14, 38, 984, ModeLitTextured, 6);
    BuildSphere(ObjectTable[2], 430, 16, 64, 1984, ModeEnvMappedAdd, 14);
    BuildSphere(ObjectTable[7], 2000, 12, 28, 656, ModeTexturedAdd, 23);
  }
  ~ShowObjects() {
    for (int i : {1, 2, 6, 7}) FreeObject(ObjectTable[i]);
  }
};

template <void (*Scene)(float phase)>
void RunScene(benchmark::State& state) {
  ShowObjects objects;
  float phase = 0;
  for (auto _ : state) {
    GlrecReset();
    demoClock.elapsedMs = phase * 2;
    Scene(phase);
    phase += 17;
  }
  state.counters["glCalls"] = static_cast<double>(GlrecCallCount());
  state.counters["vertices"] = static_cast<double>(GlrecVertexCount());
}

void BlobTunnel(float phase) { DrawBlobTunnelScene(1.0f, phase, SlotTex2); }
void HaloObject(float phase) { DrawHaloObjectScene(phase, SlotAkanpaa1); }
void FlyAround(float phase) { DrawFlyAroundScene(1.0f, phase); }
void EnvMapEcho(float phase) { DrawEnvMapEchoScene(phase); }

BENCHMARK(RunScene<BlobTunnel>)->Name("BlobTunnelScene")->Unit(benchmark::kMicrosecond);
BENCHMARK(RunScene<HaloObject>)->Name("HaloObjectScene")->Unit(benchmark::kMicrosecond);
BENCHMARK(RunScene<FlyAround>)->Name("FlyAroundScene")->Unit(benchmark::kMicrosecond);
BENCHMARK(RunScene<EnvMapEcho>)->Name("EnvMapEchoScene")->Unit(benchmark::kMicrosecond);

// One pass of the blob tunnel, step by step, to see where its time goes.
void BlobTunnelSteps(benchmark::State& state) {
  ShowObjects objects;
  Object3D& ball = ObjectTable[6];
  const int step = static_cast<int>(state.range(0));
  float t = 0;
  for (auto _ : state) {
    ball.angleX = std::cos(t * (1.0 / 2000)) * 6.283185308;
    ball.angleY = std::sin(t * (1.0 / 2236)) * 6.283185308;
    TransformObject(ball);
    if (step >= 1) RepelVertices(5000, 6, 100, -200, 300, ball);
    if (step >= 2) CenterObject(ball, 1000);
    if (step >= 3) DrawObject(0.1f, ball, TextureTable, TextureTable[0]);
    benchmark::DoNotOptimize(ball.vertices[0]);
    t += 17;
  }
}
BENCHMARK(BlobTunnelSteps)
    ->ArgName("through")  // 0 transform, 1 +repel, 2 +centre, 3 +draw
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
