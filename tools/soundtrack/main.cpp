// nivora-compose: writes the show's soundtrack, an XM module, to the given path.
#include <cstdio>

#include "soundtrack/compose.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: nivora-compose <output file>\n");
    return 2;
  }
  XmModule module = ComposeSoundtrack();
  std::string fault = XmModuleError(module);
  if (!fault.empty()) {
    std::fprintf(stderr, "nivora-compose: %s\n", fault.c_str());
    return 1;
  }
  if (!WriteXmFile(argv[1], module)) {
    std::fprintf(stderr, "nivora-compose: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
