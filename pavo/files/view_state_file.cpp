#include "files/view_state_file.h"

#include "app_messages.h"

#include "files/colormap_names.h"
#include "files/draw_types.h"
#include "files/param_file.h"

#include "pav_safe_write.h"
#include "pav_status.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <tuple>

namespace pavo {

namespace {

using Data = PavViewStateData;

// How an integer setting is checked.
enum class Check {
  Switch, // 0 or 1, else ignored
  Three,  // 0, 1 or 2, else ignored
  Range,  // lo..hi, else ignored
  Clamp,  // lo..hi, else clamped
  UseBox, // above 1 refused, else modulo 2
};

struct IntRow {
  const char *name;
  std::optional<int32_t> Data::*field;
  Check check;
  int32_t lo, hi;
};

constexpr int32_t kMaxTessLevel = 125;

const IntRow kIntRows[] = {
    {"usecutplane", &Data::useCutPlane, Check::Switch, 0, 1},
    {"capping", &Data::capping, Check::Switch, 0, 1},
    {"showcut", &Data::showCut, Check::Switch, 0, 1},
    {"usepalette", &Data::usePalette, Check::Switch, 0, 1},
    {"cursol", &Data::curSol, Check::Three, 0, 2},
    {"ithsol", &Data::ithSol, Check::Range, 0, PAV_MAX_FILE_COUNT},
    {"solon", &Data::solOn, Check::Three, 0, 2},
    {"isoon", &Data::isoOn, Check::Three, 0, 2},
    {"palon", &Data::palOn, Check::Switch, 0, 1},
    {"texton", &Data::textOn, Check::Switch, 0, 1},
    {"lineon", &Data::lineOn, Check::Switch, 0, 1},
    {"edgeon", &Data::edgeOn, Check::Switch, 0, 1},
    {"tesson", &Data::tessOn, Check::Switch, 0, 1},
    {"tesslevel", &Data::tessLevel, Check::Clamp, 1, kMaxTessLevel},
    {"linesurfon", &Data::lineSurfOn, Check::Switch, 0, 1},
    {"hidesurfon", &Data::hideSurfOn, Check::Switch, 0, 1},
    {"cutoffbelowon", &Data::cutoffBelowOn, Check::Switch, 0, 1},
    {"cutoffaboveon", &Data::cutoffAboveOn, Check::Switch, 0, 1},
    {"renmod", &Data::renMod, Check::Range, 0, 3},
    {"transon", &Data::transOn, Check::Switch, 0, 1},
    {"shamod", &Data::shaMod, Check::Range, 0, 3},
    {"useboundingbox", &Data::useBoundingBox, Check::UseBox, 0, 1},
};

struct FloatRow {
  const char *name;
  std::optional<float> Data::*field;
  bool clamp; // clamped to lo..hi; otherwise any finite value
  float lo, hi;
};

const FloatRow kFloatRows[] = {
    {"cutoffbelowval", &Data::cutoffBelowVal, false, 0, 0},
    {"cutoffaboveval", &Data::cutoffAboveVal, false, 0, 0},
    {"wiresiz", &Data::wireSiz, true, 0, 64},
    {"isosiz", &Data::isoSiz, true, 0, 64},
};

void warnRange(PavFileMessages &m, int32_t v, const char *kw, int32_t lo, int32_t hi) {
  m.print("%% Warning %d is an invalid value for keyword %s, should be between %d and %d\n", v, kw,
          lo, hi);
}

void warnRange(PavFileMessages &m, double v, const char *kw, double lo, double hi) {
  m.print("%% Warning %g is an invalid value for keyword %s, should be between %g and %g\n", v, kw,
          lo, hi);
}

void readIntRow(PavTokenReader &r, const IntRow &row, Data &d) {
  int32_t v;
  if (!r.readInt(row.name, v)) return;
  PavFileMessages &m = r.messages();
  switch (row.check) {
  case Check::Switch:
  case Check::UseBox:
    if (row.check == Check::UseBox && v <= 1) {
      d.*row.field = (v % 2 != 0) ? 1 : 0;
    } else if (v == 0 || v == 1) {
      d.*row.field = v;
    } else {
      m.print("%% Warning %d is an invalid value for keyword %s, should be equal to 0 or 1\n", v,
              row.name);
    }
    return;
  case Check::Three:
    if (v >= 0 && v <= 2)
      d.*row.field = v;
    else
      m.print("%% Warning %d is an invalid value for keyword %s, should be equal to 0, 1 or 2\n", v,
              row.name);
    return;
  case Check::Range:
  case Check::Clamp:
    if (v < row.lo || v > row.hi) {
      warnRange(m, v, row.name, row.lo, row.hi);
      if (row.check == Check::Range) return;
      v = std::clamp(v, row.lo, row.hi);
    }
    d.*row.field = v;
    return;
  }
}

void readFloatRow(PavTokenReader &r, const FloatRow &row, Data &d) {
  float v;
  if (!r.readFloat(row.name, v)) return;
  if (row.clamp && (v < row.lo || v > row.hi)) {
    warnRange(r.messages(), v, row.name, row.lo, row.hi);
    v = std::clamp(v, row.lo, row.hi);
  }
  d.*row.field = v;
}

template <size_t N>
bool readFloatArray(PavTokenReader &r, const char *kw, std::optional<std::array<float, N>> &out) {
  std::array<float, N> a;
  if (!r.readFloats(kw, a.data(), (int)N)) return false;
  out = a;
  return true;
}

constexpr int32_t kMinWindow = 16, kMaxWindow = 16384;
constexpr double kMinFovy = 1e-9, kMaxFovy = 179;

// The named settings with values of their own shape. Returns false when the reading must stop.
bool readSpecial(PavTokenReader &r, const std::string &kw, Data &d) {
  PavFileMessages &m = r.messages();
  const char *k = kw.c_str();
  if (kw == "windowsize") {
    std::array<int32_t, 2> s;
    if (!r.readInt(k, s[0]) || !r.readInt(k, s[1])) return true;
    // A refused size is ignored: the window keeps its own.
    bool valid = true;
    for (int32_t v : s)
      if (v < kMinWindow || v > kMaxWindow) {
        warnRange(m, v, k, kMinWindow, kMaxWindow);
        valid = false;
      }
    if (valid) d.windowSize = s;
  } else if (kw == "center") {
    std::array<double, 3> c;
    for (double &v : c)
      if (!r.readDouble(k, v)) return true;
    d.center = c;
  } else if (kw == "rotation") {
    std::optional<std::array<float, 4>> q;
    if (!readFloatArray(r, k, q)) return true;
    double n2 = 0;
    for (float v : *q) n2 += (double)v * v;
    if (!(n2 > 1e-24))
      m.print("%% Warning the values of keyword %s give no rotation, ignored\n", k);
    else
      d.rotation = q;
  } else if (kw == "translation") {
    readFloatArray(r, k, d.translation);
  } else if (kw == "fovy") {
    double v;
    if (!r.readDouble(k, v)) return true;
    if (v < kMinFovy || v > kMaxFovy) {
      warnRange(m, v, k, kMinFovy, kMaxFovy);
      v = std::clamp(v, kMinFovy, kMaxFovy);
    }
    d.fovy = v;
  } else if (kw == "cutplaneequation") {
    readFloatArray(r, k, d.cutPlaneEquation);
  } else if (kw == "palette") {
    std::optional<std::array<float, 5>> p;
    if (!readFloatArray(r, k, p)) return true;
    if (!std::is_sorted(p->begin(), p->end()))
      m.print("%% Warning the values of keyword %s should be in increasing order, ignored\n", k);
    else
      d.palette = p;
  } else if (kw == "boundingbox") {
    readFloatArray(r, k, d.boundingBox);
  } else if (kw == "colormap") {
    std::string name;
    if (!r.next(name)) return false;
    int32_t i = colormapFromName(name, m);
    if (i >= 0) d.colormap = i;
  } else if (kw == "numberofhiddenrefobjects") {
    int32_t n;
    d.hiddenRefs.reset();
    if (!r.readCount(k, n)) return false;
    d.hiddenRefs.emplace();
    for (int32_t i = 0; i < n; i++) {
      std::string type;
      int32_t ref;
      if (!r.next(type)) {
        m.print("  ## ERROR: PAVO: %s: MISSING DRAW TYPE NAME \n", k);
        return false;
      }
      if (!r.readInt(k, ref)) return true;
      std::string named = pavLowerCase(type) + " ";
      uint32_t code = 0;
      while (code < PAV_NBR_DRAW_TYPES &&
             (named != pavLowerCase(pavDrawType2String(code)) || named == "unknown "))
        code++;
      if (code == PAV_NBR_DRAW_TYPES)
        m.print("%% Warning %s is an invalid value for keyword %s, should be a draw type name\n",
                type.c_str(), k);
      else
        d.hiddenRefs->push_back({code, ref});
    }
  }
  return true;
}

void appendf(std::string &s, const char *format, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string &s, const char *format, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, format);
  int n = std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  if (n < 0) return;
  if ((size_t)n < sizeof buf) {
    s.append(buf, (size_t)n);
    return;
  }
  std::string big((size_t)n + 1, '\0');
  va_start(ap, format);
  std::vsnprintf(&big[0], big.size(), format, ap);
  va_end(ap);
  s.append(big.c_str(), (size_t)n);
}

} // namespace

bool operator==(const PavViewStateData &a, const PavViewStateData &b) {
  auto tie = [](const PavViewStateData &d) {
    return std::tie(d.windowSize, d.center, d.rotation, d.translation, d.fovy, d.cutPlaneEquation,
                    d.useCutPlane, d.showCut, d.capping, d.lineOn, d.tessOn, d.tessLevel, d.edgeOn,
                    d.solOn, d.isoOn, d.palOn, d.usePalette, d.palette, d.curSol, d.ithSol,
                    d.isoSiz, d.colormap, d.textOn, d.lineSurfOn, d.hideSurfOn, d.cutoffBelowOn,
                    d.cutoffBelowVal, d.cutoffAboveOn, d.cutoffAboveVal, d.transOn, d.shaMod,
                    d.renMod, d.wireSiz, d.useBoundingBox, d.boundingBox, d.hiddenRefs);
  };
  return tie(a) == tie(b);
}

void readViewState(std::FILE *file, PavViewStateData &out, PavFileMessages &messages) {
  PavTokenReader r(file, messages);
  std::string tok;
  while (r.nextLower(tok)) {
    bool matched = false;
    for (const IntRow &row : kIntRows)
      if (tok == row.name) {
        readIntRow(r, row, out);
        matched = true;
        break;
      }
    if (matched) continue;
    for (const FloatRow &row : kFloatRows)
      if (tok == row.name) {
        readFloatRow(r, row, out);
        matched = true;
        break;
      }
    if (matched) continue;
    if (!readSpecial(r, tok, out)) return;
  }
}

bool readViewStateFile(const char *name, PavViewStateData &out, PavFileMessages &messages) {
  out = PavViewStateData();
  if (!name) name = "";
  messages.print("  opening %s \n", name);
  std::string why;
  std::FILE *f = pavOpenTextFile(name, why);
  if (!f) {
    messages.print("error while loading %s \n", name);
    messages.print("  ## ERROR: %s: %s\n", name, why.c_str());
    return false;
  }
  readViewState(f, out, messages);
  std::fclose(f);
  return true;
}

std::string viewStateFileName(const char *name, PavFileMessages &messages) {
  if (!name) return "pavo.data";
  if (std::strstr(name, ".data")) return name;
  messages.print("  %%%% Warning The name should have '.data' as extension ! \n");
  return "pavo.data";
}

std::string viewStateText(const PavViewStateData &d, std::time_t when) {
  std::string s;
  char date[64] = "";
  struct tm local;
  if (localtime_r(&when, &local)) asctime_r(&local, date);
  appendf(s, "#### Generated by Pavo 4 - %s \n", date);
  auto w = d.windowSize.value_or(std::array<int32_t, 2>{0, 0});
  appendf(s, "WindowSize\n%d %d\n", w[0], w[1]);
  auto c = d.center.value_or(std::array<double, 3>{0, 0, 0});
  appendf(s, "Center\n%.17g %.17g %.17g\n", c[0], c[1], c[2]);
  auto q = d.rotation.value_or(std::array<float, 4>{1, 0, 0, 0});
  appendf(s, "Rotation\n%f %f %f %f\n", q[0], q[1], q[2], q[3]);
  auto t = d.translation.value_or(std::array<float, 3>{0, 0, 0});
  appendf(s, "Translation\n%f %f %f\n", t[0], t[1], t[2]);
  appendf(s, "Fovy\n%.17g\n", d.fovy.value_or(30.0));
  auto e = d.cutPlaneEquation.value_or(std::array<float, 4>{0, 0, 0, 0});
  appendf(s, "CutPlaneEquation\n%f %f %f %f\n", e[0], e[1], e[2], e[3]);
  auto i = [](const std::optional<int32_t> &v) { return v.value_or(0); };
  appendf(s, "UseCutPlane\n%d\n", i(d.useCutPlane));
  appendf(s, "ShowCut\n%d\n", i(d.showCut));
  appendf(s, "Capping\n%d\n", i(d.capping));
  appendf(s, "LineOn\n%d\n", i(d.lineOn));
  appendf(s, "TessOn\n%d\n", i(d.tessOn));
  appendf(s, "TessLevel\n%d\n", i(d.tessLevel));
  appendf(s, "EdgeOn\n%d\n", i(d.edgeOn));
  appendf(s, "SolOn\n%d\n", i(d.solOn));
  appendf(s, "IsoOn\n%d\n", i(d.isoOn));
  appendf(s, "PalOn\n%d\n", i(d.palOn));
  appendf(s, "UsePalette\n%d\n", d.palette ? i(d.usePalette) : 0);
  auto p = d.palette.value_or(std::array<float, 5>{0, 0, 0, 0, 0});
  appendf(s, "Palette\n%f %f %f %f %f\n", p[0], p[1], p[2], p[3], p[4]);
  appendf(s, "CurSol\n%d\n", i(d.curSol));
  appendf(s, "ithSol\n%d\n", i(d.curSol) == 0 ? 0 : i(d.ithSol));
  appendf(s, "IsoSiz\n%f\n", d.isoSiz.value_or(0));
  int32_t map = d.colormap.value_or(0);
  appendf(s, "Colormap\n%s\n", colormapName(map >= 0 && map < PAV_NBR_COLORMAPS ? map : 0));
  appendf(s, "TextOn\n%d\n", i(d.textOn));
  appendf(s, "LineSurfOn\n%d\n", i(d.lineSurfOn));
  appendf(s, "HideSurfOn\n%d\n", i(d.hideSurfOn));
  appendf(s, "CutoffBelowOn\n%d\n", i(d.cutoffBelowOn));
  appendf(s, "CutoffBelowVal\n%f\n", d.cutoffBelowVal.value_or(0));
  appendf(s, "CutoffAboveOn\n%d\n", i(d.cutoffAboveOn));
  appendf(s, "CutoffAboveVal\n%f\n", d.cutoffAboveVal.value_or(0));
  appendf(s, "TransOn\n%d\n", i(d.transOn));
  appendf(s, "ShaMod\n%d\n", i(d.shaMod));
  appendf(s, "RenMod\n%d\n", i(d.renMod));
  appendf(s, "WireSiz\n%f\n", d.wireSiz.value_or(0));
  appendf(s, "UseBoundingBox\n%d \n", i(d.useBoundingBox));
  auto b = d.boundingBox.value_or(std::array<float, 6>{0, 0, 0, 0, 0, 0});
  appendf(s, "BoundingBox\n%f %f %f %f %f %f\n", b[0], b[1], b[2], b[3], b[4], b[5]);
  const std::vector<PavHiddenRef> none;
  const std::vector<PavHiddenRef> &h = d.hiddenRefs ? *d.hiddenRefs : none;
  appendf(s, "NumberOfHiddenRefObjects\n%d\n", (int)h.size());
  for (const PavHiddenRef &r : h) appendf(s, "%s %d\n", pavDrawType2String(r.drawType), r.ref);
  return s;
}

std::string writeViewStateFile(const PavViewStateData &data, const char *name,
                               PavFileMessages &messages) {
  std::string file = viewStateFileName(name, messages);
  messages.print("  writing %s file \n", file.c_str());
  // The earlier file is replaced only once the new one is complete on the disk.
  const std::string text = viewStateText(data, std::time(nullptr));
  char status[PAV_STATUS_SIZE] = "";
  if (pav_SafeWriteFile(file.c_str(), text.data(), text.size(), status) != 0) {
    messages.print("%s", status);
    return std::string();
  }
  return file;
}

bool viewStateReadable(const std::string &name) {
  std::string why;
  bool missing = false;
  std::FILE *f = pavOpenTextFile(name.c_str(), why, &missing);
  if (!f && !missing) appMessage("  ## ERROR: %s: %s: not read\n", name.c_str(), why.c_str());
  if (!f) return false;
  std::fclose(f);
  return true;
}

} // namespace pavo
