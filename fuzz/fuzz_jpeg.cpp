// Any bytes as a picture file: the texture loader either refuses them without
// a GL call or uploads one texture of the size the file declares, within the
// GL limit.
#include <cstddef>
#include <cstdint>

#include "assets/textures.h"
#include "glrec/glrec.h"
#include "scratch_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A modest limit keeps each input's memory and time small, and so the
  // executions many; the refusal of larger pictures is the same code
  // whatever the limit.
  maxTextureSize = 512;
  GlrecSetMode(GlrecCount);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* path = WriteScratchFile("nivora-fuzz-jpeg", data, size);
  GlrecReset();
  LoadTexture(path, SlotTex1);
  if (TextureTable[SlotTex1] == 0) {
    if (GlrecCallCount() != 0) __builtin_trap();
  } else {
    // The stand-in copied the rows as GL would read them, so ASan has seen
    // every byte of the upload.
    if (GlrecImages().size() != 1) __builtin_trap();
    const GlrecImage& image = GlrecImages()[0];
    if (image.width <= 0 || image.height <= 0 || image.width > maxTextureSize ||
        image.height > maxTextureSize || image.unpackAlignment != 1)
      __builtin_trap();
    if (image.rgb.size() != static_cast<size_t>(image.width) * image.height * 3) __builtin_trap();
    DeleteTexture(SlotTex1);
    TextureTable[SlotTex1] = 0;
  }
  return 0;
}
