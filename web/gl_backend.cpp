#include "web/gl_backend.h"

#include <string>

#include "glrec/glrec.h"
#include "shell/platform.h"

#include "esgl/esgl.h"

namespace {
std::string failure;
}

const char* RouteGlToBackend() {
  // A restored context starts from nothing: the backend is built anew on it.
  EsglStop();
  std::string error;
  if (!ForwardGlrecTo(true, ReadGlProc, error)) {
    failure = "the ES 3 backend does not start on this WebGL 2: " + error;
    return failure.c_str();
  }
  return nullptr;
}
