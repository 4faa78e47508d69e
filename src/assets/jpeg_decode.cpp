// The one file that talks to libjpeg: decoding a picture file into 8-bit
// blue-green-red pixels, top row first.
#include <csetjmp>
#include <cstdio>
#include <new>

#include <jpeglib.h>
#include <jerror.h>

#include "assets/textures.h"

namespace {

// Until the window has asked GL for its limit, pictures are held to the
// largest texture side any driver we run on offers.
constexpr int kUnknownTextureLimit = 16384;

// libjpeg's own handler ends the process on an error and only prints warnings;
// this one jumps back to the decoder so that a bad file fails only its own load.
struct DecodeError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<DecodeError*>(info->err)->jump, 1);
}

// Warnings that mean pixels were lost (libjpeg fills them with grey and goes
// on) fail the load like an error; the harmless ones (unknown revisions, stray
// bytes between markers) pass silently.
void JumpOnDamage(j_common_ptr info, int level) {
  if (level >= 0) return;
  switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
      JumpOnError(info);
    default:
      return;
  }
}

struct Decoder {
  jpeg_decompress_struct info{};
  DecodeError error{};
  std::FILE* file = nullptr;
  unsigned char* pixels = nullptr;
  int width = 0;
  int height = 0;
};

// Kept apart from DecodeJpegFile so that nothing with a destructor lives
// between the setjmp and a longjmp: whatever the error path must free is in
// `decoder`, in the caller's frame.
bool RunDecoder(Decoder& decoder) {
  jpeg_decompress_struct& info = decoder.info;
  if (setjmp(decoder.error.jump)) return false;
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, decoder.file);
  jpeg_read_header(&info, TRUE);
  decoder.width = static_cast<int>(info.image_width);
  decoder.height = static_cast<int>(info.image_height);
  // A side GL cannot take is refused before any pixel memory is asked for.
  const int limit = maxTextureSize > 0 ? maxTextureSize : kUnknownTextureLimit;
  if (decoder.width <= 0 || decoder.height <= 0 || decoder.width > limit ||
      decoder.height > limit)
    return false;
  // Greyscale and YCbCr (and RGB) files all come out as three channels; colour
  // spaces libjpeg cannot turn into BGR (CMYK, YCCK) stop in start_decompress.
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  if (info.output_components != 3 || static_cast<int>(info.output_width) != decoder.width ||
      static_cast<int>(info.output_height) != decoder.height)
    return false;
  const size_t rowBytes = static_cast<size_t>(decoder.width) * 3;
  decoder.pixels = new (std::nothrow) unsigned char[rowBytes * static_cast<size_t>(decoder.height)];
  if (decoder.pixels == nullptr) return false;
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = decoder.pixels + rowBytes * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

bool DecodeJpegFile(const char* fileName, int& width, int& height, unsigned char*& pixels) {
  width = height = 0;
  pixels = nullptr;
  Decoder decoder;
  decoder.file = std::fopen(fileName, "rb");
  if (decoder.file == nullptr) return false;
  decoder.info.err = jpeg_std_error(&decoder.error.manager);
  decoder.error.manager.error_exit = JumpOnError;
  decoder.error.manager.emit_message = JumpOnDamage;
  bool decoded = RunDecoder(decoder);
  jpeg_destroy_decompress(&decoder.info);
  std::fclose(decoder.file);
  width = decoder.width;
  height = decoder.height;
  if (!decoded) {
    delete[] decoder.pixels;
    return false;
  }
  pixels = decoder.pixels;
  return true;
}
