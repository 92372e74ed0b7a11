#include "files/param_file.h"

#include "files/colormap_names.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pavo {

namespace {

// What the reader does after a keyword: go on with the next token, or stop reading the file
// (an unreadable count leaves the reader at an unknown place in the file).
enum class Next { Go, Stop };

using Reader = PavTokenReader;

// n planes given by a point and a normal each; the complete planes read stay when a value fails.
Next readPointNormalPlanes(Reader &r, const char *kw, std::vector<PavPlaneEquation> &planes) {
  int32_t n;
  planes.clear();
  if (!r.readCount(kw, n)) return Next::Stop;
  for (int32_t i = 0; i < n; i++) {
    float pv[6];
    if (!r.readFloats(kw, pv, 6)) return Next::Go;
    // Finite point and normal may still give an offset beyond single precision.
    float d = (float)-((double)pv[0] * pv[3] + (double)pv[1] * pv[4] + (double)pv[2] * pv[5]);
    if (!std::isfinite(d)) {
      r.messages().print("  ## ERROR: PAVO: %s: PLANE OFFSET OUT OF RANGE \n", kw);
      return Next::Go;
    }
    planes.push_back({pv[3], pv[4], pv[5], d});
  }
  return Next::Go;
}

Next readEquationPlanes(Reader &r, const char *kw, std::vector<PavPlaneEquation> &planes) {
  int32_t n;
  planes.clear();
  if (!r.readCount(kw, n)) return Next::Stop;
  for (int32_t i = 0; i < n; i++) {
    PavPlaneEquation e;
    if (!r.readFloats(kw, e.data(), 4)) return Next::Go;
    planes.push_back(e);
  }
  return Next::Go;
}

Next readSubIsolines(Reader &r, const char *kw, std::optional<int32_t> &out) {
  int32_t v;
  if (r.readInt(kw, v)) out = std::clamp(v, 0, 9);
  return Next::Go;
}

Next readIsolines(Reader &r, const char *kw, std::optional<std::vector<float>> &out) {
  int32_t n;
  out.reset();
  if (!r.readCount(kw, n)) return Next::Stop;
  out.emplace();
  for (int32_t i = 0; i < n; i++) {
    float v;
    if (!r.readFloat(kw, v)) return Next::Go;
    out->push_back(v);
  }
  return Next::Go;
}

// Five break values in increasing order; a bad or decreasing value switches the palette off
// (the palette objects refuse a decreasing one outright).
Next readPalette(Reader &r, const char *kw, std::optional<std::array<float, 5>> &out) {
  std::array<float, 5> p;
  out.reset();
  if (!r.readFloats(kw, p.data(), 5)) return Next::Go;
  if (!std::is_sorted(p.begin(), p.end())) {
    r.messages().print("  ## ERROR: PAVO: %s: VALUES NOT IN INCREASING ORDER \n", kw);
    return Next::Go;
  }
  out = p;
  return Next::Go;
}

Next readSwitch(Reader &r, const char *kw, std::optional<int32_t> &out) {
  int32_t v;
  if (r.readInt(kw, v)) out = v;
  return Next::Go;
}

Next readRefColor(Reader &r, const char *kw, PavParameters &p) {
  int32_t n;
  p.refColor.clear();
  if (!r.readCount(kw, n)) return Next::Stop;
  p.refColor.assign((size_t)n, {214, 214, 214});
  for (int32_t i = 0; i < n; i++)
    for (int c = 0; c < 3; c++) {
      int32_t v;
      if (!r.readInt(kw, v)) {
        r.messages().print("  ## ERROR: PAVO: %s: %d of %d colours given, the others stay grey\n",
                           kw, i, n);
        return Next::Go;
      }
      if (v < 0 || v > 255)
        r.messages().print(
            "%% Warning %d is an invalid value for keyword %s, should be between 0 and 255 or 1\n",
            v, kw);
      else
        p.refColor[(size_t)i][(size_t)c] = v;
    }
  return Next::Go;
}

struct Keyword {
  const char *name;
  Next (*read)(Reader &, const char *, PavParameters &);
};

const Keyword kKeywords[] = {
    {"cutplane", [](Reader &r, const char *k,
                    PavParameters &p) { return readPointNormalPlanes(r, k, p.cutPlane); }},
    {"cutplaneequation",
     [](Reader &r, const char *k, PavParameters &p) {
       return readEquationPlanes(r, k, p.cutPlaneEquation);
     }},
    {"capplane", [](Reader &r, const char *k,
                    PavParameters &p) { return readPointNormalPlanes(r, k, p.capPlane); }},
    {"capplaneequation",
     [](Reader &r, const char *k, PavParameters &p) {
       return readEquationPlanes(r, k, p.capPlaneEquation);
     }},
    {"numberofsubisolines",
     [](Reader &r, const char *k, PavParameters &p) {
       return readSubIsolines(r, k, p.numberOfSubIsolines);
     }},
    {"isolines",
     [](Reader &r, const char *k, PavParameters &p) { return readIsolines(r, k, p.isolines); }},
    {"numberofjacobiansubisolines",
     [](Reader &r, const char *k, PavParameters &p) {
       return readSubIsolines(r, k, p.numberOfJacobianSubIsolines);
     }},
    {"jacobianisolines", [](Reader &r, const char *k,
                            PavParameters &p) { return readIsolines(r, k, p.jacobianIsolines); }},
    {"palette",
     [](Reader &r, const char *k, PavParameters &p) { return readPalette(r, k, p.palette); }},
    {"jacobianpalette", [](Reader &r, const char *k,
                           PavParameters &p) { return readPalette(r, k, p.jacobianPalette); }},
    {"displayfield",
     [](Reader &r, const char *k, PavParameters &p) {
       int32_t v;
       if (!r.readInt(k, v)) return Next::Stop;
       p.displayField = std::max(v, 1);
       r.messages().print("  Display Solution Field %d \n", *p.displayField);
       return Next::Go;
     }},
    {"boundingbox",
     [](Reader &r, const char *k, PavParameters &p) {
       std::array<float, 6> b;
       if (r.readFloats(k, b.data(), 6)) p.boundingBox = b;
       return Next::Go;
     }},
    {"checksurf",
     [](Reader &r, const char *k, PavParameters &p) { return readSwitch(r, k, p.checkSurf); }},
    {"scrolling",
     [](Reader &r, const char *k, PavParameters &p) { return readSwitch(r, k, p.scrolling); }},
    {"colormap",
     [](Reader &r, const char *, PavParameters &p) {
       std::string name;
       if (!r.next(name)) return Next::Stop;
       int32_t i = colormapFromName(name, r.messages());
       if (i >= 0) p.colormap = i;
       return Next::Go;
     }},
    {"refcolor", readRefColor},
};

} // namespace

std::vector<PavPlaneEquation> clippingPlanes(const PavParameters &p) {
  std::vector<PavPlaneEquation> all = p.cutPlane;
  all.insert(all.end(), p.cutPlaneEquation.begin(), p.cutPlaneEquation.end());
  return all;
}

std::vector<PavPlaneEquation> cappingPlanes(const PavParameters &p) {
  std::vector<PavPlaneEquation> all = p.capPlane;
  all.insert(all.end(), p.capPlaneEquation.begin(), p.capPlaneEquation.end());
  return all;
}

int32_t colormapFromName(const std::string &name, PavFileMessages &messages) {
  // The line printed for each map, by index.
  static const char *const kUsed[PAV_NBR_COLORMAPS] = {
      "  Rainbow colormap used\n",        "  Grayscale colormap used\n",
      "  Coolwarm colormap used\n",       "  Magma colormap used\n",
      "  Inferno colormap used\n",        "  Plasma colormap used\n",
      "  Viridis colormap used\n",        "  Jet colormap used\n",
      "  Cubehelix blue colormap used\n", "  Reverse cubehelix blue colormap used\n",
      "  Rainbow desaturated used\n",     "  Cf Map Tecplot used\n"};
  int32_t i = colormapIndex(pavLowerCase(name).c_str());
  if (i < 0 || i >= PAV_NBR_COLORMAPS) {
    messages.print("  unknown colormap ! %s\n", name.c_str());
    return -1;
  }
  messages.print("%s", kUsed[i]);
  return i;
}

std::vector<std::string> parameterFileCandidates(const char *meshName) {
  std::vector<std::string> names;
  if (meshName && *meshName) {
    std::string base = meshName;
    size_t at = base.find(".mesh");
    if (at != std::string::npos) base.resize(at);
    names.push_back(base + ".pavo");
  }
  names.push_back("DEFAULT.pavo");
  names.push_back("Default.pavo");
  return names;
}

void readParameters(std::FILE *file, PavParameters &out, PavFileMessages &messages) {
  PavTokenReader r(file, messages);
  std::string tok;
  while (r.nextLower(tok)) {
    for (const Keyword &k : kKeywords) {
      if (tok != k.name) continue;
      if (k.read(r, k.name, out) == Next::Stop) goto done;
      break;
    }
  }
done:
  if (!out.refColor.empty())
    messages.print("  %d colors (references) defined\n", (int)out.refColor.size());
}

bool readParameterFile(const char *meshName, PavParameters &out, PavFileMessages &messages) {
  out = PavParameters();
  for (const std::string &name : parameterFileCandidates(meshName)) {
    std::string why;
    bool missing = false;
    std::FILE *f = pavOpenTextFile(name.c_str(), why, &missing);
    if (!f) {
      // A missing candidate is the common case; one that exists but cannot be read is named.
      if (!missing)
        messages.print("  ## ERROR: PAVO: %s: %s: not read\n", name.c_str(), why.c_str());
      continue;
    }
    messages.print("  %% %s OPENED\n", name.c_str());
    out.fileName = name;
    readParameters(f, out, messages);
    std::fclose(f);
    return true;
  }
  messages.print("  %%%% WARNING: NO PARAMETER FILE FOUND.");
  messages.print(" USE DEFAULT VALUES\n");
  return false;
}

} // namespace pavo
