// Fuzz target: the viewer's own text files. The low two bits of the first byte pick the reader
// ('p' parameter file, 'm' movie file, 'v' view-state file, 's' sequence file); the rest of the
// input is the file. Besides the sanitizers, what a reader keeps is checked against the ranges
// its header promises, and a view state read is written and read back without a reading error.
#include "files/colormap_names.h"
#include "files/movie_seq_files.h"
#include "files/param_file.h"
#include "files/view_state_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace pavo;

namespace {

// A broken promise is a crash, so that libFuzzer keeps the input.
void require(bool ok, const char *what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_view_files: %s\n", what);
  std::abort();
}

template <class T> bool within(const std::optional<T> &v, double lo, double hi) {
  return !v || (*v >= lo && *v <= hi);
}

template <class C> bool allFinite(const C &values) {
  return std::all_of(std::begin(values), std::end(values),
                     [](double v) { return std::isfinite(v); });
}

template <class A> bool sorted(const std::optional<A> &p) {
  return !p || std::is_sorted(p->begin(), p->end());
}

void checkParameters(const PavParameters &p) {
  for (const auto *planes : {&p.cutPlane, &p.cutPlaneEquation, &p.capPlane, &p.capPlaneEquation})
    for (const PavPlaneEquation &e : *planes) require(allFinite(e), "plane not finite");
  require(within(p.numberOfSubIsolines, 0, 9) && within(p.numberOfJacobianSubIsolines, 0, 9),
          "sub-isolines out of range");
  for (const auto *iso : {&p.isolines, &p.jacobianIsolines})
    require(!*iso || allFinite(**iso), "isolines not finite");
  require(sorted(p.palette) && sorted(p.jacobianPalette), "palette not sorted");
  require(!p.displayField || *p.displayField >= 1, "display field below 1");
  require(!p.boundingBox || allFinite(*p.boundingBox), "bounding box not finite");
  require(within(p.colormap, 0, PAV_NBR_COLORMAPS - 1), "colormap out of range");
  for (const auto &c : p.refColor)
    for (int32_t v : c) require(v >= 0 && v <= 255, "colour component out of range");
}

void checkViewState(const PavViewStateData &d) {
  require(!d.windowSize || std::all_of(d.windowSize->begin(), d.windowSize->end(),
                                       [](int32_t v) { return v >= 16 && v <= 16384; }),
          "window size out of range");
  require(within(d.fovy, 1e-9, 179) && within(d.tessLevel, 1, 125) &&
              within(d.ithSol, 0, PAV_MAX_FILE_COUNT) && within(d.isoSiz, 0, 64) &&
              within(d.wireSiz, 0, 64),
          "clamped value out of range");
  for (const auto *s : {&d.useCutPlane, &d.showCut, &d.capping, &d.lineOn, &d.tessOn, &d.edgeOn,
                        &d.palOn, &d.usePalette, &d.textOn, &d.lineSurfOn, &d.hideSurfOn,
                        &d.cutoffBelowOn, &d.cutoffAboveOn, &d.transOn, &d.useBoundingBox})
    require(within(*s, 0, 1), "switch out of range");
  require(within(d.solOn, 0, 2) && within(d.isoOn, 0, 2) && within(d.curSol, 0, 2) &&
              within(d.shaMod, 0, 3) && within(d.renMod, 0, 3),
          "mode out of range");
  require(within(d.colormap, 0, PAV_NBR_COLORMAPS - 1), "colormap out of range");
  require(!d.rotation ||
              std::any_of(d.rotation->begin(), d.rotation->end(), [](float v) { return v != 0; }),
          "null rotation kept");
  require(sorted(d.palette), "palette not sorted");
}

bool hasError(const PavFileMessages &m) {
  return std::any_of(m.lines.begin(), m.lines.end(),
                     [](const std::string &l) { return l.find("## ERROR") != std::string::npos; });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  // The readers print every message; the fuzzer's own output goes to standard error.
  if (!std::freopen("/dev/null", "w", stdout)) return 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  // A private copy: fmemopen wants a writable buffer and one byte past an empty file.
  std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
  text.push_back('\0');
  std::FILE *f = fmemopen(&text[0], size - 1, "r");
  if (!f) return 0;
  PavFileMessages m;
  switch (data[0] & 3) {
  case 0: { // 'p'
    PavParameters p;
    readParameters(f, p, m);
    checkParameters(p);
    break;
  }
  case 1: { // 'm'
    std::vector<PavMovieLine> lines;
    readMovieLines(f, lines);
    for (const PavMovieLine &l : lines) require(!l.mesh.empty() && !l.image.empty(), "movie");
    break;
  }
  case 2: { // 'v'
    PavViewStateData d;
    readViewState(f, d, m);
    checkViewState(d);
    // What was read, written out, reads back without an error.
    std::string written = viewStateText(d, 0);
    std::FILE *g = fmemopen(&written[0], written.size(), "r");
    if (g) {
      PavViewStateData back;
      PavFileMessages again;
      readViewState(g, back, again);
      std::fclose(g);
      require(!hasError(again), "written view state does not read back");
      checkViewState(back);
    }
    break;
  }
  case 3: { // 's'
    std::vector<PavSequenceLine> lines;
    readSequenceLines(f, lines);
    for (const PavSequenceLine &l : lines)
      require(!l.viewState.empty() && !l.image.empty(), "sequence");
    break;
  }
  }
  std::fclose(f);
  return 0;
}
