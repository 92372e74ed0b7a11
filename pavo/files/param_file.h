// The parameter file: display settings read each time a mesh object becomes a scene (cut and
// capping planes, isolines, palettes, displayed field, bounding box, colormap, reference colours,
// switches). This is the pure reading; the viewer applies the result (scene/view_state_io.h).
#pragma once

#include "files/file_tokens.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pavo {

// Plane a*x + b*y + c*z + d = 0, single precision.
using PavPlaneEquation = std::array<float, 4>;

// What a parameter file says. A setting the file does not give stays empty; for each keyword
// the last occurrence wins.
struct PavParameters {
  std::string fileName; // the file that was read; empty when none was found

  // Clipping and capping planes, each keyword's own list: "cutplane" (point and normal turned
  // into (vx, vy, vz, -p.v)) and "cutplaneequation"; clippingPlanes() joins them.
  std::vector<PavPlaneEquation> cutPlane, cutPlaneEquation;
  std::vector<PavPlaneEquation> capPlane, capPlaneEquation;

  std::optional<int32_t> numberOfSubIsolines;         // 0 to 9
  std::optional<int32_t> numberOfJacobianSubIsolines; // 0 to 9
  std::optional<std::vector<float>> isolines;         // explicit isoline values, as read
  std::optional<std::vector<float>> jacobianIsolines;

  // The five break values of the solution and Jacobian palettes, non-decreasing. Present only
  // when all five were read and are in order.
  std::optional<std::array<float, 5>> palette;
  std::optional<std::array<float, 5>> jacobianPalette;

  std::optional<int32_t> displayField;             // 1-based, at least 1
  std::optional<std::array<float, 6>> boundingBox; // x-min, x-max, y-min, y-max, z-min, z-max
  std::optional<int32_t> checkSurf;                // surface reconstruction switch
  std::optional<int32_t> scrolling;                // scrolling switch
  std::optional<int32_t> colormap;                 // colormap index (files/colormap_names.h)

  // Colours of references 1..n (red, green, blue from 0 to 255); entries or components the file
  // does not give are grey 214.
  std::vector<std::array<int32_t, 3>> refColor;
};

// Planes of "cutplane" then those of "cutplaneequation" (capping: "capplane" then
// "capplaneequation"). Empty when the file gave none: no planes are installed then.
std::vector<PavPlaneEquation> clippingPlanes(const PavParameters &p);
std::vector<PavPlaneEquation> cappingPlanes(const PavParameters &p);

// The parameter file for a mesh: the mesh file name cut at its first ".mesh" with ".pavo"
// appended (wing.meshb gives wing.pavo; a name without ".mesh" gets ".pavo" appended), else
// "DEFAULT.pavo", else "Default.pavo" in the working directory. A null or empty mesh name skips
// the first candidate.
std::vector<std::string> parameterFileCandidates(const char *meshName);

// Finds and reads the parameter file of a mesh into `out` (which is reset first). With no file,
// prints "  %% WARNING: NO PARAMETER FILE FOUND. USE DEFAULT VALUES" (two prints) and returns
// false; otherwise prints "  % <name> OPENED", reads the file and returns true. Errors in the
// file are printed and reading keeps what was read (see param_file.cpp).
bool readParameterFile(const char *meshName, PavParameters &out, PavFileMessages &messages);

// Reads an open parameter file into `out` (not reset) without the lookup messages.
void readParameters(std::FILE *file, PavParameters &out, PavFileMessages &messages);

// Index of a colormap from its name, any case; prints the colormap's line ("  Viridis colormap
// used\n") or "  unknown colormap ! <name>\n" and gives -1. Shared with the view-state file.
int32_t colormapFromName(const std::string &name, PavFileMessages &messages);

} // namespace pavo
