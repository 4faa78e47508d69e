// Small objects in place of the show's four: an octahedron of radius 60 written
// as each of the four files under DIR/data/, for runs that load objects.
#pragma once

#include <string>

bool WriteStandInObjects(const std::string& dir);
