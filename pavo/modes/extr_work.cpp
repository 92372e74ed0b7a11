// The fixed surface-section extraction of the wing cases: 21 sections at eight span stations
// (slat, main wing and flap surfaces, told apart by their references), chained into polylines
// and written as an edge mesh and a table of section points with their vertex field values.
#include "app_messages.h"
#include "modes/batch_work.h"

#include "pav_safe_write.h"
#include "pav_solution.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace pavo {

namespace {

// A text file formatted in memory and written in one step through a temporary file, so that a
// failed write leaves the earlier file of the name as it was.
class SafeTextFile {
public:
  ~SafeTextFile() {
    if (f_) std::fclose(f_);
    std::free(text_);
  }
  FILE *open() { return f_ = open_memstream(&text_, &size_); }
  // Writes the text to name; false (with the reason printed) on failure.
  bool commit(const char *name) {
    if (!f_) return false;
    const bool formatted = std::fflush(f_) == 0;
    char status[PAV_STATUS_SIZE] = "";
    const bool ok = formatted && pav_SafeWriteFile(name, text_, size_, status) == PAV_SUCCESS;
    if (!ok) appMessage("%s", formatted ? status : "Cannot format the text in memory\n");
    return ok;
  }

private:
  FILE *f_ = nullptr;
  char *text_ = nullptr;
  size_t size_ = 0;
};

// References of the surfaces of the wing model.
constexpr int kSlatRef = 1, kWingRef = 2, kFlapRef = 3;
// Mesh coordinates are in inches, like the plane table.
constexpr double kUnitFactor = 1.0;

struct Section {
  char station;
  const char *part; // "slat", "wing" or "flap"
  double plane[4];  // a x + b y + c z + d = 0, inches
  int refs[2];
  int nbrRefs;
};

// Spanwise stations A to H at constant y; stations C, G and H miss one of the three surfaces.
std::vector<Section> sectionTable() {
  const struct {
    char station;
    double y;
    bool slat, flap;
  } stations[8] = {{'A', 62.5, true, true},   {'B', 125.0, true, true}, {'C', 187.5, false, true},
                   {'D', 250.0, true, true},  {'E', 312.5, true, true}, {'F', 375.0, true, true},
                   {'G', 437.5, true, false}, {'H', 500.0, true, false}};
  std::vector<Section> t;
  for (const auto &s : stations) {
    if (s.slat) t.push_back({s.station, "slat", {0, 1, 0, -s.y}, {kSlatRef, 0}, 1});
    t.push_back({s.station, "wing", {0, 1, 0, -s.y}, {kWingRef, 0}, 1});
    if (s.flap) t.push_back({s.station, "flap", {0, 1, 0, -s.y}, {kFlapRef, 0}, 1});
  }
  return t;
}

struct Point {
  double x[3];
  std::vector<double> val;
  int section;
};

} // namespace

int extractSurfaceSections(PavObject *obj, const char *) {
  appMessage("  Launching Surface Extraction Mode.\n");
  appMessage("  Values for cut plane are given in inches\n");
  const char *caseLabel = "A-002", *angleLabel = "7.05", *meshLabel = "E-mesh";
  const std::vector<Section> table = sectionTable();
  appMessage(" Parameters read: \n");
  appMessage("  %d cut plane equations \n", int(table.size()));
  for (size_t j = 0; j < table.size(); j++) {
    const double *p = table[j].plane;
    appMessage("  Eq %d: %f %f %f %f \n", int(j + 1), p[0], p[1], p[2], p[3]);
    appMessage("  Number of references for this plane: %d \n", table[j].nbrRefs);
  }
  std::vector<std::string> titles;
  for (const Section &s : table) {
    char title[256];
    std::snprintf(title, sizeof title, "%s %s-%c case1b %s a%s freeair FT", meshLabel, s.part,
                  s.station, caseLabel, angleLabel);
    titles.push_back(title);
  }
  appMessage("  For now, only triangles of degree 1 are considered \n");
  int nbrFld = 0;
  for (PavSolution *s = obj ? obj->ent[Vertices].sol : nullptr; s; s = s->next) nbrFld++;
  appMessage("NbrFldVer = %d \n", nbrFld);
  appMessage("ithSol = %d \n", nbrFld == 1 ? 1 : 0);

  const int32_t nbrVer = obj ? obj->ent[Vertices].nbr : 0;
  const PavEntitySet *tri = obj ? &obj->ent[Triangles] : nullptr;
  std::vector<Point> points;
  std::vector<std::vector<int>> polylines(table.size()); // point ids, chain order
  std::vector<std::array<int, 3>> segments;              // (p, q, section)
  std::vector<int> chainEnds;
  auto valuesAt = [&](int32_t v) {
    std::vector<double> out;
    for (PavSolution *s = obj->ent[Vertices].sol; s; s = s->next) {
      const int w = pav_SolKindSize(obj->dim, s->kind);
      if (s->data && s->nbrEnt == nbrVer)
        for (int c = 0; c < w; c++) out.push_back(s->data[int64_t(v) * w + c]);
    }
    return out;
  };
  for (size_t j = 0; j < table.size(); j++) {
    const Section &sec = table[j];
    std::map<std::pair<int32_t, int32_t>, int> pointOfEdge;
    std::vector<std::vector<int>> adj;
    std::vector<int> local; // point ids of this section
    int cut = 0;
    for (int32_t e = 1; tri && obj->crdDbl && e <= tri->nbr; e++) {
      bool wanted = false;
      for (int r = 0; r < sec.nbrRefs; r++) wanted = wanted || tri->ref[e] == sec.refs[r];
      if (!wanted) continue;
      const int32_t *v = tri->idx + 3 * e;
      if (v[0] < 1 || v[0] > nbrVer || v[1] < 1 || v[1] > nbrVer || v[2] < 1 || v[2] > nbrVer)
        continue;
      double s[3];
      for (int m = 0; m < 3; m++) {
        const double *x = obj->crdDbl + 3 * v[m];
        s[m] = sec.plane[0] * x[0] + sec.plane[1] * x[1] + sec.plane[2] * x[2] + sec.plane[3];
      }
      int ends[2], n = 0;
      for (int m = 0; m < 3; m++)
        if ((s[m] > 0) != (s[(m + 1) % 3] > 0)) ends[n++] = m;
      if (n != 2) continue;
      cut++;
      int id[2];
      for (int k = 0; k < 2; k++) {
        const int m = ends[k];
        int32_t a = v[m], b = v[(m + 1) % 3];
        double sa = s[m], sb = s[(m + 1) % 3];
        if (a > b) std::swap(a, b), std::swap(sa, sb);
        auto it = pointOfEdge.find({a, b});
        if (it == pointOfEdge.end()) {
          const double t = sa / (sa - sb);
          Point p;
          for (int c = 0; c < 3; c++)
            p.x[c] = obj->crdDbl[3 * a + c] + t * (obj->crdDbl[3 * b + c] - obj->crdDbl[3 * a + c]);
          const std::vector<double> va = valuesAt(a), vb = valuesAt(b);
          for (size_t c = 0; c < va.size(); c++) p.val.push_back(va[c] + t * (vb[c] - va[c]));
          p.section = int(j + 1);
          it = pointOfEdge.emplace(std::make_pair(a, b), int(points.size())).first;
          points.push_back(p);
          local.push_back(it->second);
          adj.emplace_back();
        }
        id[k] = it->second;
      }
      if (id[0] == id[1]) continue;
      segments.push_back({id[0], id[1], int(j + 1)});
      const int base = local.empty() ? 0 : local.front();
      adj[id[0] - base].push_back(id[1]);
      adj[id[1] - base].push_back(id[0]);
    }
    appMessage(" For Plane %d, number of surface entites cut = %d \n", int(j + 1), cut);
    // Chain the segments: start from chain ends first, then from closed loops.
    const int base = local.empty() ? 0 : local.front();
    int nbrEnds = 0;
    for (size_t k = 0; k < adj.size(); k++) {
      if (adj[k].size() > 2) {
        appMessage("WARNING: a vertex belongs to more than 2 edges !! \n");
        appMessage("Contact Hotline \n");
      }
      if (adj[k].size() < 2) {
        nbrEnds++;
        chainEnds.push_back(int(base + k));
      }
    }
    appMessage(" %d vertices belongs to less than 2 edges\n", nbrEnds);
    std::vector<char> seen(adj.size(), 0);
    for (int pass = 0; pass < 2; pass++)
      for (size_t k = 0; k < adj.size(); k++) {
        if (seen[k] || (pass == 0 && adj[k].size() != 1)) continue;
        int cur = int(k), prev = -1;
        while (cur >= 0 && !seen[cur]) {
          seen[cur] = 1;
          polylines[j].push_back(base + cur);
          int next = -1;
          for (int q : adj[cur])
            if (q - base != prev && !seen[q - base]) {
              next = q - base;
              break;
            }
          prev = cur;
          cur = next;
        }
      }
  }

  appMessage("Writing mesh of edges \n");
  if (SafeTextFile out; FILE *f = out.open()) {
    std::fprintf(f, "MeshVersionFormatted 3\n");
    std::fprintf(f, "  \n");
    std::fprintf(f, "Dimension\n");
    std::fprintf(f, "3\n");
    std::fprintf(f, "Vertices \n");
    std::fprintf(f, "%d \n", int(points.size()));
    for (const Point &p : points)
      std::fprintf(f, "%f %f %f %d \n", p.x[0], p.x[1], p.x[2], p.section);
    std::fprintf(f, "Corners \n");
    std::fprintf(f, "%d \n", int(chainEnds.size()));
    for (int c : chainEnds) std::fprintf(f, "%d \n", c + 1);
    std::fprintf(f, "Edges \n");
    std::fprintf(f, "%d \n", int(segments.size()));
    for (const auto &s : segments) std::fprintf(f, "%d %d %d\n", s[0] + 1, s[1] + 1, s[2]);
    std::fprintf(f, "End \n");
    out.commit("edges.mesh");
  } else {
    appMessage("Error opening file!\n");
  }

  SafeTextFile data;
  FILE *f = data.open();
  if (!f) {
    appMessage("Error opening file!\n");
    return 1;
  }
  std::fprintf(f, "# The following section is for %s\n", caseLabel);
  const char *pad = nbrFld == 1   ? " -999 -999 -999 -999 \n"
                    : nbrFld == 2 ? " -999 -999 -999 \n"
                                  : "\n";
  for (size_t j = 0; j < table.size(); j++) {
    std::fprintf(f, "ZONE T=\"%s\"\n", titles[j].c_str());
    auto line = [&](const Point &p) {
      std::fprintf(f, " %f %f %f ", p.x[0] / kUnitFactor, p.x[1] / kUnitFactor,
                   p.x[2] / kUnitFactor);
      for (double v : p.val) std::fprintf(f, "%f ", v);
      std::fprintf(f, "%s", pad);
    };
    for (int id : polylines[j]) line(points[id]);
    if (!polylines[j].empty()) line(points[polylines[j].front()]);
    std::fprintf(f, "  \n");
  }
  if (!data.commit("A-002_cpcf.dat")) return 1;
  appMessage("Writing big file ok\n");
  return 0;
}

} // namespace pavo
