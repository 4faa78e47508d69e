#include "stand_in_objects.h"

#include <sys/stat.h>

#include "writers/ob3_writer.h"

bool WriteStandInObjects(const std::string& dir) {
  Ob3Mesh mesh;
  mesh.vertices = {{60, 0, 0}, {-60, 0, 0}, {0, 60, 0}, {0, -60, 0}, {0, 0, 60}, {0, 0, -60}};
  // Counter-clockwise seen from outside.
  const int16_t corners[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                 {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
  for (const auto& c : corners) mesh.faces.push_back({c[0], c[1], c[2], 0, 0, 0, 255, 0, 128, 255});
  std::string data = dir + "/data";
  mkdir(dir.c_str(), 0755);
  mkdir(data.c_str(), 0755);
  for (const char* name : {"akanpaa.ob3", "float.ob3", "pallo2.ob3", "tyyli.ob3"})
    if (!WriteOb3File(data + "/" + name, mesh)) return false;
  return true;
}
