#include "platform/JpegWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "platform/Hooks.h"
#include "platform/TempFiles.h"

namespace platform {
namespace {

// The library's standard error manager with a way back to the writer: the
// library's error exit must not return to it, so ours jumps back.
struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf back;
  char message[JMSG_LENGTH_MAX];
};

// Shows the library's current message in a message box.
void JpegOutputMessage(j_common_ptr cinfo) {
  char buffer[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, buffer);
  ShowMessage(buffer, kJpegErrorCaption, kMbOk | kMbIconError);
}

// The library gives up: show the message, keep its text for the caller,
// destroy the compression object and return to the writer, which reports
// the failure. The library is not entered again for this object.
[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->output_message)(cinfo);
  (*cinfo->err->format_message)(cinfo, manager->message);
  jpeg_destroy(cinfo);
  std::longjmp(manager->back, 1);
}

// Compresses into an open file. No object with a destructor may live in
// this function: the error exit jumps back into it.
bool Compress(std::FILE* file, int width, int height, const JpegRowSource& rows, const JpegSettings& settings,
              char* message) {
  jpeg_compress_struct cinfo;
  JpegErrorManager manager;
  cinfo.err = jpeg_std_error(&manager.pub);
  manager.pub.error_exit = JpegErrorExit;
  manager.pub.output_message = JpegOutputMessage;
  manager.message[0] = '\0';
  if (setjmp(manager.back)) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", manager.message);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  const int quality = std::clamp(settings.quality, 1, 100);
  cinfo.optimize_coding = quality >= 95 ? TRUE : FALSE;
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = cinfo.Y_density = static_cast<UINT16>(std::clamp(settings.dpi, 0, 65535));
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint8_t* row = rows(static_cast<int>(cinfo.next_scanline));
    if (row == nullptr) {
      jpeg_destroy_compress(&cinfo);
      std::snprintf(message, JMSG_LENGTH_MAX, "The picture's rows could not be read.");
      return false;
    }
    JSAMPROW samples = const_cast<JSAMPROW>(row);
    jpeg_write_scanlines(&cinfo, &samples, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

bool WriteJpegFile(const std::string& path, int width, int height, const JpegRowSource& rows,
                   const JpegSettings& settings, std::string* error) {
  if (width <= 0 || height <= 0) {
    if (error) *error = "A JPEG picture needs a positive size.";
    return false;
  }
  std::string reason;
  const bool written = SaveFileSafely(
      path,
      [&](const std::string& tempPath) {
        std::FILE* file = std::fopen(tempPath.c_str(), "wb");
        if (file == nullptr) {
          reason = "can't open " + path;
          return false;
        }
        char message[JMSG_LENGTH_MAX] = "";
        bool ok = Compress(file, width, height, rows, settings, message);
        if (!ok) reason = message;
        if (std::fclose(file) != 0 && ok) {
          ok = false;
          reason = "Writing " + path + " failed.";
        }
        return ok;
      },
      error);
  if (!written && error && !reason.empty()) *error = reason;
  return written;
}

}  // namespace platform
