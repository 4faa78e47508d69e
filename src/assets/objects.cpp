// Placeholder until the ob3 loader lands.
#include "assets/objects.h"

void LoadObject(const char*, Object3D&, int, int) {}
void AllocateObject(Object3D&) {}
void ComputeObjectNormals(Object3D&) {}
void ReleaseObject(Object3D&) {}
void LoadObjects() {}
