// The one file that talks to libjpeg: decoding a picture file into 8-bit
// blue-green-red pixels, top row first, within the limits that keep one
// picture from stalling or exhausting the start-up.
#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "assets/asset_file.h"
#include "assets/textures.h"

namespace {

// Until the window has asked GL for its limit, pictures are held to the
// largest texture side any driver we run on offers.
constexpr int unknownTextureLimit = 16384;

// A progressive file may repeat refinement scans without end, each one a pass
// over its components' blocks: 100 scans of a 16 Mpx picture took 12.6 s.
// libjpeg's standard progression uses 10 scans, custom scripts a few dozen.
constexpr int scanLimit = 100;
// And however many scans, their blocks may add up to 16 passes over a picture
// at the pixel limit, about 2 s of decoding (the standard progression of a
// colour picture without subsampling makes 14).
constexpr int scanPasses = 16;
constexpr long long scanBlockLimit = scanPasses * (picturePixelLimit / 64);

// libjpeg's working memory: a progressive 4096 x 4096 picture without chroma
// subsampling holds 96 MB of coefficients. Past this libjpeg would need a
// backing store, which it does not have, and stops.
constexpr long decoderMemory = 112L << 20;

constexpr std::size_t readChunk = 65536;

struct Decoder {
  jpeg_decompress_struct info{};
  jpeg_error_mgr errorManager{};
  jpeg_progress_mgr progress{};
  jpeg_source_mgr source{};
  std::jmp_buf jump;
  AssetFile file;
  bool readAny = false;
  unsigned char* pixels = nullptr;  // width * height * 3, blue-green-red
  unsigned char* cmykRow = nullptr; // width * 4, for four-channel files
  int width = 0;
  int height = 0;
  int scansSeen = 0;
  long long scanBlocks = 0;  // blocks of every component of every scan so far
  char cause[160] = {};  // filled by Refuse, the tail of the failure line
  JOCTET chunk[readChunk];
};

Decoder& DecoderOf(j_common_ptr info) { return *static_cast<Decoder*>(info->client_data); }

// Ends the decode with a cause. Nothing on the way back to the setjmp owns
// memory: the cause is formatted into the decoder's own array.
[[noreturn]] __attribute__((format(printf, 2, 3))) void Refuse(Decoder& decoder,
                                                                const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(decoder.cause, sizeof decoder.cause, format, arguments);
  va_end(arguments);
  std::longjmp(decoder.jump, 1);
}

// libjpeg's message text as the cause: "Bogus marker length" becomes "bogus
// marker length"; "JPEG datastream..." keeps its capitals.
[[noreturn]] void RefuseWithLibraryMessage(j_common_ptr info) {
  char text[JMSG_LENGTH_MAX];
  info->err->format_message(info, text);
  if (text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z')
    text[0] = static_cast<char>(text[0] - 'A' + 'a');
  Refuse(DecoderOf(info), "%s", text);
}

// libjpeg's own handler ends the process on an error; this one jumps back to
// the decoder with the cause, so that a bad file fails only its own load.
[[noreturn]] void JumpOnError(j_common_ptr info) {
  Decoder& decoder = DecoderOf(info);
  switch (info->err->msg_code) {
    case JERR_NO_SOI: Refuse(decoder, "not a JPEG");
    case JERR_INPUT_EMPTY: Refuse(decoder, "empty file");
    case JERR_INPUT_EOF: Refuse(decoder, "truncated");
    case JERR_BAD_PRECISION:
      Refuse(decoder, "%d-bit samples are not supported", info->err->msg_parm.i[0]);
    case JERR_NO_BACKING_STORE:
      Refuse(decoder, "needs more than %ld MB to decode", decoderMemory >> 20);
    default: RefuseWithLibraryMessage(info);
  }
}

// Warnings that mean pixels were lost (libjpeg fills them with grey and goes
// on) fail the load like an error; the harmless ones (unknown revisions, stray
// bytes between markers) pass silently.
void JumpOnDamage(j_common_ptr info, int level) {
  if (level >= 0) return;
  switch (info->err->msg_code) {
    case JWRN_JPEG_EOF: Refuse(DecoderOf(info), "truncated");
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
      RefuseWithLibraryMessage(info);
    default:
      return;
  }
}

// Called by libjpeg as it works through the file, at least once per scan.
void CountScans(j_common_ptr common) {
  const j_decompress_ptr info = reinterpret_cast<j_decompress_ptr>(common);
  Decoder& decoder = DecoderOf(common);
  if (info->input_scan_number == decoder.scansSeen) return;
  decoder.scansSeen = info->input_scan_number;
  if (decoder.scansSeen > scanLimit) Refuse(decoder, "more than %d scans", scanLimit);
  for (int i = 0; i < info->comps_in_scan; ++i) {
    const jpeg_component_info* component = info->cur_comp_info[i];
    decoder.scanBlocks += static_cast<long long>(component->width_in_blocks) *
                          component->height_in_blocks;
  }
  if (decoder.scanBlocks > scanBlockLimit)
    Refuse(decoder, "%d scans decode more than %d times %lld pixels", decoder.scansSeen,
           scanPasses, picturePixelLimit);
}

void StartSource(j_decompress_ptr) {}
void EndSource(j_decompress_ptr) {}

// The file in chunks, no further than its size at open. At the end libjpeg
// gets a made-up end-of-image marker and the JPEG_EOF warning, which fails
// the load as truncated wherever pixels were still missing.
boolean FillSource(j_decompress_ptr info) {
  Decoder& decoder = DecoderOf(reinterpret_cast<j_common_ptr>(info));
  std::size_t got = ReadAssetFile(decoder.file, decoder.chunk, readChunk);
  if (got == 0) {
    if (!decoder.readAny) ERREXIT(info, JERR_INPUT_EMPTY);
    WARNMS(info, JWRN_JPEG_EOF);
    decoder.chunk[0] = 0xFF;
    decoder.chunk[1] = JPEG_EOI;
    got = 2;
  }
  decoder.readAny = true;
  decoder.source.next_input_byte = decoder.chunk;
  decoder.source.bytes_in_buffer = got;
  return TRUE;
}

void SkipSource(j_decompress_ptr info, long count) {
  jpeg_source_mgr& source = *info->src;
  while (count > static_cast<long>(source.bytes_in_buffer)) {
    count -= static_cast<long>(source.bytes_in_buffer);
    FillSource(info);
  }
  if (count > 0) {
    source.next_input_byte += count;
    source.bytes_in_buffer -= static_cast<std::size_t>(count);
  }
}

// Four-channel rows to blue-green-red. Adobe's files store the inks inverted
// (255 is no ink); files without the Adobe marker store them plainly.
void ConvertCmykRow(const unsigned char* cmyk, unsigned char* bgr, int width, bool inverted) {
  for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    const int c = inverted ? cmyk[0] : 255 - cmyk[0];
    const int m = inverted ? cmyk[1] : 255 - cmyk[1];
    const int y = inverted ? cmyk[2] : 255 - cmyk[2];
    const int k = inverted ? cmyk[3] : 255 - cmyk[3];
    // (255 - ink) * (255 - black) / 255, rounded to nearest.
    bgr[0] = static_cast<unsigned char>((y * k + 127) / 255);
    bgr[1] = static_cast<unsigned char>((m * k + 127) / 255);
    bgr[2] = static_cast<unsigned char>((c * k + 127) / 255);
  }
}

void CheckSize(Decoder& decoder) {
  const int limit = maxTextureSize > 0 ? maxTextureSize : unknownTextureLimit;
  if (decoder.width > limit || decoder.height > limit)
    Refuse(decoder, "%dx%d exceeds this GL's %d", decoder.width, decoder.height, limit);
  const long long pixels = static_cast<long long>(decoder.width) * decoder.height;
  if (pixels > picturePixelLimit)
    Refuse(decoder, "%lld pixels exceed the limit of %lld", pixels, picturePixelLimit);
  if (TexturePixelsHeld() + pixels > texturePixelTotal)
    Refuse(decoder, "%lld more pixels would pass the total of %lld for all pictures", pixels,
           texturePixelTotal);
}

// Kept apart from DecodeJpegFile so that nothing with a destructor is created
// between the setjmp and a longjmp: whatever the error path must free is in
// `decoder`, in the caller's frame.
bool RunDecoder(Decoder& decoder) {
  jpeg_decompress_struct& info = decoder.info;
  if (setjmp(decoder.jump)) return false;
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = decoderMemory;
  info.progress = &decoder.progress;
  info.src = &decoder.source;
  jpeg_read_header(&info, TRUE);
  decoder.width = static_cast<int>(info.image_width);
  decoder.height = static_cast<int>(info.image_height);
  // Sizes are refused before any pixel memory is asked for.
  CheckSize(decoder);
  // Greyscale, YCbCr and RGB files come out as blue-green-red directly; CMYK
  // and YCCK ones as CMYK, converted row by row.
  const bool fourChannel = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = fourChannel ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  if (info.output_components != (fourChannel ? 4 : 3) ||
      static_cast<int>(info.output_width) != decoder.width ||
      static_cast<int>(info.output_height) != decoder.height)
    Refuse(decoder, "unexpected output layout");
  const std::size_t rowBytes = static_cast<std::size_t>(decoder.width) * 3;
  decoder.pixels = new (std::nothrow) unsigned char[rowBytes * static_cast<std::size_t>(decoder.height)];
  if (fourChannel)
    decoder.cmykRow = new (std::nothrow) unsigned char[static_cast<std::size_t>(decoder.width) * 4];
  if (decoder.pixels == nullptr || (fourChannel && decoder.cmykRow == nullptr))
    Refuse(decoder, "out of memory");
  while (info.output_scanline < info.output_height) {
    unsigned char* bgr = decoder.pixels + rowBytes * info.output_scanline;
    JSAMPROW row = fourChannel ? decoder.cmykRow : bgr;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) Refuse(decoder, "truncated");
    if (fourChannel) ConvertCmykRow(decoder.cmykRow, bgr, decoder.width, info.saw_Adobe_marker);
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

bool DecodeJpegFile(const char* fileName, int& width, int& height, unsigned char*& pixels,
                    std::string* cause) {
  width = height = 0;
  pixels = nullptr;
  Decoder* decoder = new (std::nothrow) Decoder;
  if (decoder == nullptr) {
    if (cause != nullptr) *cause = "out of memory";
    return false;
  }
  std::string openFailure;
  if (!OpenAssetFile(fileName, decoder->file, openFailure)) {
    if (cause != nullptr) *cause = std::move(openFailure);
    delete decoder;
    return false;
  }
  decoder->info.client_data = decoder;  // kept by jpeg_create_decompress
  decoder->info.err = jpeg_std_error(&decoder->errorManager);
  decoder->errorManager.error_exit = JumpOnError;
  decoder->errorManager.emit_message = JumpOnDamage;
  decoder->progress.progress_monitor = CountScans;
  decoder->source.init_source = StartSource;
  decoder->source.fill_input_buffer = FillSource;
  decoder->source.skip_input_data = SkipSource;
  decoder->source.resync_to_restart = jpeg_resync_to_restart;
  decoder->source.term_source = EndSource;
  const bool decoded = RunDecoder(*decoder);
  jpeg_destroy_decompress(&decoder->info);
  CloseAssetFile(decoder->file);
  width = decoder->width;
  height = decoder->height;
  delete[] decoder->cmykRow;
  if (decoded) {
    pixels = decoder->pixels;
  } else {
    delete[] decoder->pixels;
    if (cause != nullptr) *cause = decoder->cause;
  }
  delete decoder;
  return decoded;
}
