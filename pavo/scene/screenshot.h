// Screenshots: the file name and format rules and the image writers (PNG, BMP, JPEG).
#pragma once

#include <cstdint>
#include <string>

namespace pavo {

enum class PavImageFormat { Png, Bmp, Jpeg };

// Format of a screenshot name: ".png" anywhere in it gives PNG, else ".bmp" gives BMP, else JPEG.
PavImageFormat screenshotFormat(const std::string &name);

// The file a screenshot is written to: `name` when given ("" or null: "screenshot_%ld.jpg" with
// `now`, seconds since the epoch), with ".jpg" appended to a JPEG name that contains neither
// ".jpg" nor ".jpeg".
std::string screenshotFileName(const char *name, long now);

// Writes an image of width x height RGBA pixels given bottom row first (as glReadPixels returns
// them) to `file` in the format its name selects: PNG with 4 components, BMP and JPEG (quality
// 100) from row-flipped copies. A failure prints "ERROR: could not write <fmt> screenshot file
// %s\n" to standard error. Returns true on success.
bool writeScreenshotFile(const std::string &file, int width, int height, const uint8_t *rgba);

} // namespace pavo
