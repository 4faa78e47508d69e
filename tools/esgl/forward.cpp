#include <string>

#include "esgl/esgl.h"
#include "glrec/glrec.h"

bool ForwardGlrecTo(bool es, EsglResolver resolve, std::string& error) {
  if (es && !EsglStart(resolve, error)) return false;
  std::string missing;
  if (!GlrecLoadForwarding(es ? EsglProc : resolve, missing)) {
    error = "the GL has no " + missing;
    return false;
  }
  GlrecSetMode(GlrecForward);
  return true;
}
