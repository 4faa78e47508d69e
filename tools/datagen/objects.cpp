#include "datagen/objects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

const ObjectEntry showObjects[showObjectCount] = {
    {"data/akanpaa.ob3", 1000, true, BuildCrescent},
    {"data/float.ob3", 2000, true, BuildLotusCushion},
    {"data/pallo2.ob3", 1000, true, BuildBlobSphere},
    {"data/tyyli.ob3", 800, false, BuildSunburst},
};

namespace {

constexpr double pi = 3.141592653589793;
constexpr double twoPi = 6.283185307179586;

struct Point {
  double x, y, z;
};

int16_t Word(double v) { return int16_t(std::lround(v)); }

int AddVertex(Ob3Mesh& mesh, Point p) {
  mesh.vertices.push_back({Word(p.x), Word(p.y), Word(p.z)});
  return int(mesh.vertices.size()) - 1;
}

// Texture words (s, t) for the three corners.
struct Corner {
  int index;
  double s, t;
};

void AddFace(Ob3Mesh& mesh, Corner a, Corner b, Corner c) {
  Ob3Face f;
  f.index0 = int16_t(a.index);
  f.index1 = int16_t(b.index);
  f.index2 = int16_t(c.index);
  f.s0 = Word(a.s), f.t0 = Word(a.t);
  f.s1 = Word(b.s), f.t1 = Word(b.t);
  f.s2 = Word(c.s), f.t2 = Word(c.t);
  mesh.faces.push_back(f);
}

// A closed surface of revolution-like grid: poles at index 0 and 1, then
// `stacks - 1` rings of `slices` vertices from north to south. Position(θ, φ)
// gives the point; θ runs 0..π from the north pole. Faces wind so that
// ∂P/∂φ × ∂P/∂θ, which points outward for this parametrisation, is their normal.
template <typename Position>
Ob3Mesh BuildPolarGrid(int stacks, int slices, Position position, double sScale, double tScale) {
  Ob3Mesh mesh;
  int north = AddVertex(mesh, position(0.0, 0.0));
  int south = AddVertex(mesh, position(pi, 0.0));
  auto ring = [&](int stack, int slice) { return 2 + (stack - 1) * slices + slice % slices; };
  for (int i = 1; i < stacks; ++i)
    for (int j = 0; j < slices; ++j) AddVertex(mesh, position(pi * i / stacks, twoPi * j / slices));
  auto s = [&](double slice) { return sScale * slice / slices; };
  auto t = [&](double stack) { return tScale * stack / stacks; };
  for (int j = 0; j < slices; ++j) {
    // The pole fans take the middle s of their slice.
    AddFace(mesh, {north, s(j + 0.5), t(0)}, {ring(1, j + 1), s(j + 1), t(1)}, {ring(1, j), s(j), t(1)});
    AddFace(mesh, {south, s(j + 0.5), t(stacks)}, {ring(stacks - 1, j), s(j), t(stacks - 1)},
            {ring(stacks - 1, j + 1), s(j + 1), t(stacks - 1)});
  }
  for (int i = 1; i < stacks - 1; ++i) {
    for (int j = 0; j < slices; ++j) {
      Corner a{ring(i, j), s(j), t(i)}, b{ring(i, j + 1), s(j + 1), t(i)};
      Corner c{ring(i + 1, j), s(j), t(i + 1)}, d{ring(i + 1, j + 1), s(j + 1), t(i + 1)};
      AddFace(mesh, a, b, c);
      AddFace(mesh, b, d, c);
    }
  }
  return mesh;
}

}  // namespace

Ob3Mesh BuildBlobSphere() {
  // s = 512·slice/32: the texture goes twice round; t = 256·stack/16 from the north pole.
  return BuildPolarGrid(16, 32, [](double theta, double phi) {
    double rho = 400 * std::sin(theta);
    return Point{rho * std::cos(phi), 400 * std::cos(theta), rho * std::sin(phi)};
  }, 512, 256);
}

Ob3Mesh BuildLotusCushion() {
  // Eight lobes round the rim, flattened, with a soft bump on top (+y).
  Ob3Mesh mesh = BuildPolarGrid(16, 64, [](double theta, double phi) {
    double rho = 430 * (1 + 0.22 * std::cos(8 * phi)) * std::sin(theta);
    double y = 160 * std::cos(theta) + 60 * std::exp(-(theta / 0.6) * (theta / 0.6));
    return Point{rho * std::cos(phi), y, rho * std::sin(phi)};
  }, 0, 0);
  return mesh;  // env-mapped: the texture words stay 0
}

Ob3Mesh BuildCrescent() {
  constexpr int steps = 40, around = 12;
  constexpr double arcRadius = 320, halfArc = 140 * pi / 180;
  Ob3Mesh mesh;
  auto frame = [&](int i, double& psi, Point& centre, Point& radial, Point& tangent, double& w) {
    psi = -halfArc + 2 * halfArc * i / steps;  // 0 at the arc's middle, on the -x side
    radial = {-std::cos(psi), 0, std::sin(psi)};
    tangent = {std::sin(psi), 0, std::cos(psi)};
    centre = {arcRadius * radial.x, 0, arcRadius * radial.z};
    w = 12 + 90 * std::cos(0.62 * psi);  // half-width; the half-height is 0.8·w
  };
  for (int i = 0; i <= steps; ++i) {
    double psi, w;
    Point centre, radial, tangent;
    frame(i, psi, centre, radial, tangent, w);
    for (int j = 0; j < around; ++j) {
      double a = twoPi * j / around;
      AddVertex(mesh, {centre.x + w * std::cos(a) * radial.x, 0.8 * w * std::sin(a),
                       centre.z + w * std::cos(a) * radial.z});
    }
  }
  // Horn tips, a little beyond the last rings so the horns come to a point.
  int tips[2];
  for (int end = 0; end < 2; ++end) {
    double psi, w;
    Point centre, radial, tangent;
    frame(end * steps, psi, centre, radial, tangent, w);
    double out = end == 0 ? -1.5 * w : 1.5 * w;
    tips[end] = AddVertex(mesh, {centre.x + out * tangent.x, 0, centre.z + out * tangent.z});
  }
  auto ring = [&](int i, int j) { return i * around + j % around; };
  auto s = [&](double i) { return 256 * i / steps; };
  auto t = [&](double j) { return 256 * j / around; };
  // Along ψ and round α, ∂P/∂ψ × ∂P/∂α points out of the tube.
  for (int i = 0; i < steps; ++i) {
    for (int j = 0; j < around; ++j) {
      Corner a{ring(i, j), s(i), t(j)}, b{ring(i + 1, j), s(i + 1), t(j)};
      Corner c{ring(i, j + 1), s(i), t(j + 1)}, d{ring(i + 1, j + 1), s(i + 1), t(j + 1)};
      AddFace(mesh, a, b, c);
      AddFace(mesh, b, d, c);
    }
  }
  for (int j = 0; j < around; ++j) {
    AddFace(mesh, {tips[0], s(0), t(j + 0.5)}, {ring(0, j), s(0), t(j)}, {ring(0, j + 1), s(0), t(j + 1)});
    AddFace(mesh, {tips[1], s(steps), t(j + 0.5)}, {ring(steps, j + 1), s(steps), t(j + 1)},
            {ring(steps, j), s(steps), t(j)});
  }
  return mesh;
}

namespace {

// An icosahedron split once (42 vertices, 80 faces) of the given radius,
// textured on the half-set sun of the panorama.
void AddIcosphere(Ob3Mesh& mesh, double radius) {
  const double g = (1 + std::sqrt(5.0)) / 2;
  Point base[12] = {{-1, g, 0}, {1, g, 0}, {-1, -g, 0}, {1, -g, 0}, {0, -1, g}, {0, 1, g},
                    {0, -1, -g}, {0, 1, -g}, {g, 0, -1}, {g, 0, 1}, {-g, 0, -1}, {-g, 0, 1}};
  const int triangles[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
  std::vector<Point> unit;
  auto add = [&](Point p) {
    double l = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    unit.push_back({p.x / l, p.y / l, p.z / l});
    return int(unit.size()) - 1;
  };
  for (Point p : base) add(p);
  std::map<std::pair<int, int>, int> midpoints;
  auto midpoint = [&](int a, int b) {
    std::pair<int, int> key{std::min(a, b), std::max(a, b)};
    auto found = midpoints.find(key);
    if (found != midpoints.end()) return found->second;
    int m = add({unit[a].x + unit[b].x, unit[a].y + unit[b].y, unit[a].z + unit[b].z});
    midpoints[key] = m;
    return m;
  };
  std::vector<std::array<int, 3>> faces;
  for (const auto& tri : triangles) {
    int a = tri[0], b = tri[1], c = tri[2];
    int ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
    faces.push_back({a, ab, ca});
    faces.push_back({b, bc, ab});
    faces.push_back({c, ca, bc});
    faces.push_back({ab, bc, ca});
  }
  int first = int(mesh.vertices.size());
  for (Point p : unit) AddVertex(mesh, {p.x * radius, p.y * radius, p.z * radius});
  // The panorama's sun: centred at s = 128, on the horizon 62 % down (t ≈ 159),
  // about 12 words wide and 22 tall; the hub shows its upper half.
  auto corner = [&](int i) { return Corner{first + i, 128 + 11 * unit[i].x, 150 - 12 * unit[i].y}; };
  for (const auto& f : faces) AddFace(mesh, corner(f[0]), corner(f[1]), corner(f[2]));
}

}  // namespace

Ob3Mesh BuildSunburst() {
  constexpr int blades = 36, segments = 4;
  constexpr double root = 250, tilt = 12 * pi / 180;
  Ob3Mesh mesh;
  for (int k = 0; k < blades; ++k) {
    double psi = twoPi * k / blades;
    double tip = k % 2 == 0 ? 3200 : 2400;
    double elevation = k % 2 == 0 ? tilt : -tilt;
    Point along = {std::cos(elevation) * std::cos(psi), std::sin(elevation), std::cos(elevation) * std::sin(psi)};
    Point across = {-std::sin(psi), 0, std::cos(psi)};
    int first = int(mesh.vertices.size());
    for (int i = 0; i <= segments; ++i) {
      double r = root + (tip - root) * i / segments;
      double half = 0.5 * (300 + (40 - 300) * double(i) / segments);
      for (int side = -1; side <= 1; side += 2)
        AddVertex(mesh, {along.x * r + side * half * across.x, along.y * r, along.z * r + side * half * across.z});
    }
    // Blade k shows the slice s = 256·[k/36, (k+1)/36] of the panorama, sky at
    // the tip (t = 0) and the horizon's rims toward the root (t = 256).
    double s0 = 256.0 * k / blades, s1 = 256.0 * (k + 1) / blades;
    for (int i = 0; i < segments; ++i) {
      double tNear = 256.0 * (segments - i) / segments, tFar = 256.0 * (segments - i - 1) / segments;
      Corner leftNear{first + 2 * i, s0, tNear}, rightNear{first + 2 * i + 1, s1, tNear};
      Corner leftFar{first + 2 * i + 2, s0, tFar}, rightFar{first + 2 * i + 3, s1, tFar};
      // across × along faces up: the upper side first, then the same triangles reversed.
      AddFace(mesh, leftNear, rightNear, leftFar);
      AddFace(mesh, rightNear, rightFar, leftFar);
      AddFace(mesh, leftNear, leftFar, rightNear);
      AddFace(mesh, rightNear, leftFar, rightFar);
    }
  }
  AddIcosphere(mesh, 220);
  return mesh;
}
