#include "picture_files.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

namespace sorvexcam {
namespace {

// Larger pictures are refused rather than allocated.
constexpr uint32_t kLargestSide = 16384;

std::string TooLarge(uint32_t width, uint32_t height) {
  return "a " + std::to_string(width) + "x" + std::to_string(height) + " picture is larger than " +
         std::to_string(kLargestSide) + " pixels a side";
}

struct FileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool LoadPng(std::FILE *file, RgbImage *image, std::string *error) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_stdio(&png, file)) {
    *error = png.message;
    return false;
  }
  if (png.width > kLargestSide || png.height > kLargestSide) {
    *error = TooLarge(png.width, png.height);
    png_image_free(&png);
    return false;
  }
  png.format = PNG_FORMAT_RGB;
  image->width = static_cast<int>(png.width);
  image->height = static_cast<int>(png.height);
  image->rgb.assign(PNG_IMAGE_SIZE(png), 0);
  if (!png_image_finish_read(&png, nullptr, image->rgb.data(), 0, nullptr)) {
    *error = png.message;
    png_image_free(&png);
    return false;
  }
  return true;
}

// libjpeg reports fatal errors through a callback that must not return.
struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX + 32];
  void (*libraryMessage)(j_common_ptr, int);
};

void OnJpegError(j_common_ptr info) {
  JpegError *error = reinterpret_cast<JpegError *>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

// A picture cut short is refused: libjpeg would only warn and fill the
// missing part with grey. Other messages are left to libjpeg.
void OnJpegMessage(j_common_ptr info, int level) {
  JpegError *error = reinterpret_cast<JpegError *>(info->err);
  if (level >= 0 || info->err->msg_code != JWRN_JPEG_EOF) {
    error->libraryMessage(info, level);
    return;
  }
  char why[JMSG_LENGTH_MAX];
  (*info->err->format_message)(info, why);
  std::snprintf(error->message, sizeof error->message, "the picture is cut short (%s)", why);
  std::longjmp(error->jump, 1);
}

bool LoadJpeg(std::FILE *file, RgbImage *image, std::string *error) {
  jpeg_decompress_struct info;
  JpegError jpegError;
  info.err = jpeg_std_error(&jpegError.manager);
  jpegError.manager.error_exit = OnJpegError;
  jpegError.libraryMessage = jpegError.manager.emit_message;
  jpegError.manager.emit_message = OnJpegMessage;
  if (setjmp(jpegError.jump)) {
    *error = jpegError.message;
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  if (info.image_width > kLargestSide || info.image_height > kLargestSide) {
    *error = TooLarge(info.image_width, info.image_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  image->width = static_cast<int>(info.output_width);
  image->height = static_cast<int>(info.output_height);
  image->rgb.assign(static_cast<size_t>(image->width) * image->height * 3, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW line = &image->rgb[static_cast<size_t>(info.output_scanline) * image->width * 3];
    jpeg_read_scanlines(&info, &line, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

// Opens a regular file for reading. Anything else is refused without
// reading: a FIFO would wait for a writer, a folder has no picture.
FilePtr OpenRegularFile(const std::string &path, std::string *error) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat info;
  if (fd < 0 || fstat(fd, &info) != 0) {
    *error = std::strerror(errno);
    if (fd >= 0) close(fd);
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = S_ISDIR(info.st_mode) ? "is a folder, not a picture" : "is not a regular file";
    close(fd);
    return nullptr;
  }
  FilePtr file(fdopen(fd, "rb"));
  if (!file) {
    *error = std::strerror(errno);
    close(fd);
  }
  return file;
}

}  // namespace

bool LoadPicture(const std::string &path, RgbImage *image, std::string *error) {
  FilePtr file = OpenRegularFile(path, error);
  if (!file) return false;
  unsigned char magic[8] = {};
  const size_t got = std::fread(magic, 1, sizeof magic, file.get());
  std::rewind(file.get());
  if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
    return LoadJpeg(file.get(), image, error);
  }
  if (got == 8 && png_sig_cmp(magic, 0, 8) == 0) {
    return LoadPng(file.get(), image, error);
  }
  *error = "not a PNG or JPEG picture";
  return false;
}

bool WritePng(const std::string &path, const RgbImage &image) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr) != 0;
}

}  // namespace sorvexcam
