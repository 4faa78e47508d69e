// Any bytes as an ob3 file: the loader either refuses them, leaving the record
// empty, or produces an object whose every face names existing vertices and
// whose normals are unit length or zero.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "assets/objects.h"
#include "scratch_file.h"

namespace {

bool UnitOrZero(const Vec3f& n) {
  double len = std::sqrt(static_cast<double>(n.x) * n.x + static_cast<double>(n.y) * n.y +
                         static_cast<double>(n.z) * n.z);
  return len == 0 || std::fabs(len - 1) < 1e-5;
}

void CheckLoaded(const Object3D& object, size_t fileSize) {
  if (object.vertexCount < 0 || object.faceCount < 0) __builtin_trap();
  if (4 + 6 * static_cast<size_t>(object.vertexCount) + 20 * static_cast<size_t>(object.faceCount) >
      fileSize)
    __builtin_trap();
  for (int f = 0; f < object.faceCount; ++f) {
    const ObjectFace& face = object.faces[f];
    for (int index : {face.index0, face.index1, face.index2})
      if (index < 0 || index >= object.vertexCount) __builtin_trap();
    if (!UnitOrZero(object.baseFaceNormals[f])) __builtin_trap();
  }
  for (int k = 0; k < object.vertexCount; ++k) {
    if (!UnitOrZero(object.baseVertexNormals[k])) __builtin_trap();
    if (object.vertices[k].x != object.baseVertices[k].x) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* path = WriteScratchFile("nivora-fuzz-ob3", data, size);
  Object3D object;
  LoadObject(path, object, 5, 6);
  if (object.faces != nullptr) {
    CheckLoaded(object, size);
    LoadObject(path, object, 2, 14);  // loading over a loaded record replaces it
    CheckLoaded(object, size);
  } else if (object.vertexCount != 0 || object.faceCount != 0 || object.vertices != nullptr) {
    __builtin_trap();  // a refused file must leave the record as it was
  }
  ReleaseObject(object);
  return 0;
}
