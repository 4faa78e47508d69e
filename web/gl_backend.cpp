#include "web/gl_backend.h"

#include <string>

#include "glrec/glrec.h"
#include "shell/platform.h"

#if NIVORA_WEB_ES3
#include "esgl/esgl.h"
#endif

namespace {
std::string failure;
}

const char* RouteGlToBackend() {
#if NIVORA_WEB_ES3
  // A restored context starts from nothing: the backend is built anew on it.
  EsglStop();
  std::string error;
  if (!EsglStart(ReadGlProc, error)) {
    failure = "the ES 3 backend does not start on this WebGL 2: " + error;
    return failure.c_str();
  }
  std::string missing;
  if (!GlrecLoadForwarding(EsglProc, missing)) {
    failure = "the ES 3 backend has no " + missing;
    return failure.c_str();
  }
  GlrecSetMode(GlrecForward);
#else
  // No backend in this tree yet: the show runs with its calls counted only.
  GlrecSetMode(GlrecCount);
#endif
  return nullptr;
}
