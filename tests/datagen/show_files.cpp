#include "show_files.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

const std::string& GeneratedShowDir() {
  // The build writes the show's data there before it builds this test.
  static const std::string directory = NIVORA_SHOW_DIR;
  return directory;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

namespace {

struct ErrorJump {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void OnJpegError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1); }

}  // namespace

bool DecodePicture(const std::string& path, DecodedPicture& picture) {
  std::vector<uint8_t> bytes = ReadBytes(path);
  if (bytes.empty()) return false;
  jpeg_decompress_struct info;
  ErrorJump error;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = OnJpegError;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), bytes.size());
  jpeg_read_header(&info, TRUE);
  picture.channels = info.num_components;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  picture.width = int(info.output_width);
  picture.height = int(info.output_height);
  picture.rgb.resize(size_t(picture.width) * picture.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = picture.rgb.data() + size_t(info.output_scanline) * picture.width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}
