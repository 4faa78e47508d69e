#include "writers/jpeg_writer.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

// libjpeg's own error handler ends the process; this one jumps back to the
// encoder, which then reports the failure with an empty result.
struct EncodeError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<EncodeError*>(info->err)->jump, 1);
}

void IgnoreMessage(j_common_ptr, int) {}

struct Encoder {
  jpeg_compress_struct info;
  EncodeError error;
  jpeg_destination_mgr destination;
  jpeg_scan_info scans[1 + MAX_COMPONENTS] = {};  // the spectral scan script
  unsigned char* output = nullptr;  // malloc'd, grows by doubling
  size_t capacity = 0;
  size_t size = 0;
};

// Our own destination instead of jpeg_mem_dest, whose buffer pointer is only
// handed back at the end and so cannot be freed after an error midway.
Encoder& EncoderOf(j_compress_ptr info) {
  return *reinterpret_cast<Encoder*>(reinterpret_cast<char*>(info) - offsetof(Encoder, info));
}

void StartOutput(j_compress_ptr info) {
  Encoder& encoder = EncoderOf(info);
  encoder.capacity = 4096;
  encoder.output = static_cast<unsigned char*>(std::malloc(encoder.capacity));
  if (encoder.output == nullptr) info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
  encoder.destination.next_output_byte = encoder.output;
  encoder.destination.free_in_buffer = encoder.capacity;
}

boolean GrowOutput(j_compress_ptr info) {
  Encoder& encoder = EncoderOf(info);
  // libjpeg calls this only when the whole buffer is full.
  size_t grown = encoder.capacity * 2;
  void* larger = std::realloc(encoder.output, grown);
  if (larger == nullptr) info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
  encoder.output = static_cast<unsigned char*>(larger);
  encoder.destination.next_output_byte = encoder.output + encoder.capacity;
  encoder.destination.free_in_buffer = grown - encoder.capacity;
  encoder.capacity = grown;
  return TRUE;
}

void FinishOutput(j_compress_ptr info) {
  Encoder& encoder = EncoderOf(info);
  encoder.size = encoder.capacity - encoder.destination.free_in_buffer;
}

// Kept apart from EncodeJpeg so nothing with a destructor lives between the
// setjmp and a longjmp; everything the error path frees is in `encoder`.
bool RunEncoder(Encoder& encoder, const JpegRowSource& rows, int width, int height, int channels,
                const JpegOptions& options) {
  jpeg_compress_struct& info = encoder.info;
  if (setjmp(encoder.error.jump)) return false;
  encoder.destination.init_destination = StartOutput;
  encoder.destination.empty_output_buffer = GrowOutput;
  encoder.destination.term_destination = FinishOutput;
  info.dest = &encoder.destination;
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = channels;
  info.in_color_space = channels == 4 ? JCS_CMYK : channels == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, options.quality, TRUE);
  if (channels == 4) {
    // libjpeg always marks four-channel files as Adobe's (inks inverted);
    // a plain file drops the marker, and YCCK recodes the inks.
    if (options.cmyk == CmykYcck) jpeg_set_colorspace(&info, JCS_YCCK);
    if (options.cmyk == CmykPlain) info.write_Adobe_marker = FALSE;
  }
  if (options.scans == JpegProgressive) jpeg_simple_progression(&info);
  if (options.scans == JpegSpectral) {
    // DC of all components first, then AC per component from the last to
    // the first, so that luminance's AC scan closes the file.
    encoder.scans[0].comps_in_scan = info.num_components;
    for (int c = 0; c < info.num_components; ++c) encoder.scans[0].component_index[c] = c;
    encoder.scans[0].Ss = encoder.scans[0].Se = 0;
    for (int c = 0; c < info.num_components; ++c) {
      jpeg_scan_info& ac = encoder.scans[1 + c];
      ac.comps_in_scan = 1;
      ac.component_index[0] = info.num_components - 1 - c;
      ac.Ss = 1;
      ac.Se = 63;
    }
    info.scan_info = encoder.scans;
    info.num_scans = 1 + info.num_components;
  }
  info.arith_code = options.arithmetic ? TRUE : FALSE;
  info.restart_interval = static_cast<unsigned int>(options.restartInterval);
  if (channels >= 3 && options.chroma444) {
    for (int c = 0; c < channels; ++c) {
      info.comp_info[c].h_samp_factor = 1;
      info.comp_info[c].v_samp_factor = 1;
    }
  }
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rows(static_cast<int>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  return true;
}

std::vector<uint8_t> EncodeJpeg(const JpegRowSource& rows, int width, int height, int channels,
                                const JpegOptions& options) {
  std::vector<uint8_t> bytes;
  if (width <= 0 || height <= 0) return bytes;
  Encoder encoder;
  encoder.info.err = jpeg_std_error(&encoder.error.manager);
  encoder.error.manager.error_exit = JumpOnError;
  encoder.error.manager.emit_message = IgnoreMessage;
  jpeg_create_compress(&encoder.info);
  bool encoded = RunEncoder(encoder, rows, width, height, channels, options);
  jpeg_destroy_compress(&encoder.info);
  if (encoded) bytes.assign(encoder.output, encoder.output + encoder.size);
  std::free(encoder.output);
  return bytes;
}

std::vector<uint8_t> EncodeJpeg(const uint8_t* pixels, int width, int height, int channels,
                                const JpegOptions& options) {
  if (pixels == nullptr) return {};
  const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(channels);
  return EncodeJpeg([&](int y) { return pixels + rowBytes * static_cast<size_t>(y); }, width,
                    height, channels, options);
}

}  // namespace

std::vector<uint8_t> EncodeJpegRows(const JpegRowSource& rows, int width, int height,
                                    int channels, const JpegOptions& options) {
  if (channels != 1 && channels != 3 && channels != 4) return {};
  return EncodeJpeg(rows, width, height, channels, options);
}

std::vector<uint8_t> EncodeJpegRgb(const uint8_t* rgb, int width, int height,
                                   const JpegOptions& options) {
  return EncodeJpeg(rgb, width, height, 3, options);
}

std::vector<uint8_t> EncodeJpegCmyk(const uint8_t* cmyk, int width, int height,
                                    const JpegOptions& options) {
  return EncodeJpeg(cmyk, width, height, 4, options);
}

std::vector<uint8_t> EncodeJpegGrey(const uint8_t* grey, int width, int height,
                                    const JpegOptions& options) {
  return EncodeJpeg(grey, width, height, 1, options);
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  // Written beside the target and renamed over it, so a failed write never
  // leaves a half-written file under the real name.
  const std::string temporary = path + ".part";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = std::fclose(file) == 0 && written;
  if (written && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  std::remove(temporary.c_str());
  return false;
}
