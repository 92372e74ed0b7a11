// Palettes: the five break values that place a field value on a colour map, with the isoline
// settings of the field. Solutions, Jacobians and values (draw_object.h) carry one each.
#pragma once

#include <cstdint>
#include <vector>

namespace pavo {

struct PavPalette {
  float palette[5] = {0, 0, 0, 0, 0}; // break values p0 <= p1 <= p2 <= p3 <= p4
  bool paletteSet = false;            // a palette is present
  bool paletteFixed = false;          // given by the user: survives resetPalette
  int32_t colormap = 0;               // colour-map index (colormaps.h)
  int32_t nbrIso = 0;                 // regular isolines per palette interval (shaders use <= 9)
  int32_t nbrUsrIso = 0;              // user isoline values in usrIso, 0 to 9
  float usrIso[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};

  // Copies five break values. A null pointer prints " Please provide a palette\n" and a value
  // smaller than its predecessor " Please provide a correct palette\n", both to standard error,
  // and end the process with status 1.
  void setPalette(const float pal[5]);
  // setPalette, and marks the palette as the user's (kept by resetPalette).
  void setUserPalette(const float pal[5]);
  // p0 = minimum, p4 = maximum of the n values, p1..p3 at the quarters of the range. n <= 0 or a
  // null array sets nothing. NaN values are skipped.
  void setPaletteFromValues(int64_t n, const float *values);
  void setPaletteFromValues(int64_t n, const double *values);
  // Unless the palette is fixed: no palette, all break values 0.
  void resetPalette();
  // setPaletteFromValues over the range a curved field takes inside its elements (see
  // bezierFieldRange), not only at its nodes. Nothing is set when no element has a value.
  void refinePaletteArray(uint32_t drawType, int degree, int64_t nbrEnt, const float *ctrl);
};

// Range of a field given in Bezier form on the elements of a draw type's family (edges,
// triangles, quadrilaterals): nbrEnt elements of PavDrawTyp2Siz-like coefficient counts for
// `degree` (degree + 1, (d+1)(d+2)/2, (d+1)^2), one scalar per coefficient, in the storage (lattice
// position) order of the subdivision routines (ho_split.h). The range starts from the exact corner
// values and is widened by recursive subdivision where control values leave it, so it is an inner
// estimate close to the true range; degrees 0 and 1 give the exact range. Other families, degrees
// outside 0..10 or no elements return false.
bool bezierFieldRange(uint32_t drawType, int degree, int64_t nbrEnt, const float *ctrl,
                      float range[2]);

// Position of a value on the palette, from 0 (p0) to 4 (p4): the value is clamped to [p0, p4],
// the interval i (1..4) is the last whose lower break it reaches and the position is
// i - 1 + (value - p(i-1)) / (p(i) - p(i-1)). A zero-width interval gives its upper end; a
// palette of one value (p0 = p4) gives 2, the middle, whatever the value.
float palettePosition(const float pal[5], float value);

// Colour of a value: the palette position over 4 looked up in the colour map. This is what the
// fragment shaders compute; the CPU copy serves the palette bar, exports and tests.
void paletteColour(const float pal[5], int colormap, float value, float rgb[3]);

// Isoline values of a palette: with user values, those; otherwise nbrIso lines per interval at
// the fractions j / nbrIso (j from 0) of each of the four intervals. Writes at most `capacity`
// values to `out` and returns how many it wrote.
int paletteIsolines(const PavPalette &p, float *out, int capacity);

// Reference colours: render mode 2 and per-reference element colours.
//
// Without a user table the colour of reference r is entry |r| mod 39 of a built-in table of 39
// distinct colours, mixed toward white by f (c * f + (1 - f); f = 1 keeps the colour). With a user
// table of n entries (components 0 to 255), reference r takes entry r mod n, divided by 255.
constexpr int PAV_NBR_REF_COLOURS = 39;
struct PavReferenceColours {
  // Sets a user table of n entries, 3 integers each, copied. n <= 0 or null removes it.
  void setUserTable(int n, const int32_t *rgb);
  bool hasUserTable() const { return !user.empty(); }
  void colour(int64_t ref, float f, float rgb[3]) const;
  // The built-in entry i (0..38), components in 0..255.
  static const uint8_t *builtin(int i);

private:
  std::vector<int32_t> user; // 3 per entry
};

} // namespace pavo
