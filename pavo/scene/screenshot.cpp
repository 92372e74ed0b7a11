#include "scene/screenshot.h"

#include "app_messages.h"
#include "pav_safe_write.h"
#include "pav_status.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <vector>

// The one translation unit that holds the image writers.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace pavo {

static bool contains(const std::string &s, const char *part) {
  return s.find(part) != std::string::npos;
}

PavImageFormat screenshotFormat(const std::string &name) {
  if (contains(name, ".png")) return PavImageFormat::Png;
  if (contains(name, ".bmp")) return PavImageFormat::Bmp;
  return PavImageFormat::Jpeg;
}

std::string screenshotFileName(const char *name, long now) {
  if (!name || !*name) {
    char buf[64];
    snprintf(buf, sizeof buf, "screenshot_%ld.jpg", now);
    return buf;
  }
  std::string file = name;
  if (screenshotFormat(file) == PavImageFormat::Jpeg && !contains(file, ".jpg") &&
      !contains(file, ".jpeg"))
    file += ".jpg";
  return file;
}

// The encoders hand their bytes here; they go to the temporary file of a safe write.
static void appendEncoded(void *context, void *data, int size) {
  if (size > 0) pav_SafeWriteBytes(static_cast<PavSafeWrite *>(context), data, size_t(size));
}

bool writeScreenshotFile(const std::string &file, int width, int height, const uint8_t *rgba) {
  PavImageFormat fmt = screenshotFormat(file);
  bool ok = false;
  // The image replaces an earlier file of the name only once it is whole on the disk.
  char status[PAV_STATUS_SIZE] = "";
  PavSafeWrite out;
  if (rgba && width > 0 && height > 0 && pav_SafeWriteOpen(&out, file.c_str(), status) == 0) {
    size_t stride = 4 * (size_t)width;
    if (fmt == PavImageFormat::Png) {
      // A negative stride walks the bottom-up rows from the top of the image.
      ok = stbi_write_png_to_func(appendEncoded, &out, width, height, 4,
                                  rgba + stride * (size_t)(height - 1), -(int)stride) != 0;
    } else {
      std::vector<uint8_t> flipped(stride * (size_t)height);
      for (int y = 0; y < height; y++)
        std::copy_n(rgba + stride * (size_t)(height - 1 - y), stride,
                    flipped.begin() + (std::ptrdiff_t)(stride * (size_t)y));
      ok = fmt == PavImageFormat::Bmp
               ? stbi_write_bmp_to_func(appendEncoded, &out, width, height, 4, flipped.data()) != 0
               : stbi_write_jpg_to_func(appendEncoded, &out, width, height, 4, flipped.data(),
                                        100) != 0;
    }
    if (ok)
      ok = pav_SafeWriteCommit(&out, status) == 0;
    else
      pav_SafeWriteAbort(&out);
  }
  if (!ok) {
    const char *kind = fmt == PavImageFormat::Png   ? "png"
                       : fmt == PavImageFormat::Bmp ? "bmp"
                                                    : "jpg";
    appError("ERROR: could not write %s screenshot file %s\n%s", kind, file.c_str(), status);
  }
  return ok;
}

} // namespace pavo
