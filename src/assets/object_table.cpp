#include "assets/objects.h"

Object3D ObjectTable[objectTableSize];
