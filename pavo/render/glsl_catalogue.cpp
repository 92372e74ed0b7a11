#include "render/glsl_catalogue.h"

#include <cstring>

namespace pavo {

namespace {

#define G(file) ":/glsl/" file
const GlslCatalogueEntry kCatalogue[] = {
    // Flat triangles pull their corners in the vertex stage: no geometry stage, which costs
    // more than the rest of the frame on software rasterisers.
    {"TriSha", G("tri_pull.vs"), nullptr, nullptr, nullptr, G("tri_flat.fs"), false, false},
    {"TriCustomSha", G("tri_pull.vs"), nullptr, nullptr, nullptr, G("tri_flat.fs"), false, false},
    {"TriSTLSha", G("tri_stl.vs"), nullptr, nullptr, nullptr, G("tri.fs"), true, false},
    {"PolygonSha", G("tri_stl.vs"), nullptr, nullptr, nullptr, G("tri.fs"), true, false},
    {"PolyhedraSha", G("tri_stl.vs"), nullptr, nullptr, nullptr, G("tri.fs"), true, false},
    {"P2TriSha", G("tripk.vs"), G("trip2.tcs"), G("trip2.tes"), G("tripk.gs"), G("tri.fs"), false,
     false},
    {"P2TriCustomSha", G("tripk.vs"), G("trip2.tcs"), G("trip2.tes"), G("tripk.gs"), G("tri.fs"),
     false, false},
    {"P3TriSha", G("tripk.vs"), G("trip3.tcs"), G("trip3.tes"), G("tripk.gs"), G("tri.fs"), false,
     false},
    {"P3TriCustomSha", G("tripk.vs"), G("trip3.tcs"), G("trip3.tes"), G("tripk.gs"), G("tri.fs"),
     false, false},
    {"P4TriSha", G("tripk.vs"), G("trip4.tcs"), G("trip4.tes"), G("tripk.gs"), G("tri.fs"), false,
     false},
    {"P4TriCustomSha", G("tripk.vs"), G("trip4.tcs"), G("trip4.tes"), G("tripk.gs"), G("tri.fs"),
     false, false},
    // Curved triangles flat on screen: their corners pulled, no tessellation.
    {"P2TriFlatSha", G("trip2_flat.vs"), nullptr, nullptr, nullptr, G("tri_pulled.fs"), false,
     false},
    {"P3TriFlatSha", G("trip3_flat.vs"), nullptr, nullptr, nullptr, G("tri_pulled.fs"), false,
     false},
    {"P4TriFlatSha", G("trip4_flat.vs"), nullptr, nullptr, nullptr, G("tri_pulled.fs"), false,
     false},
    {"QuaSha", G("quaqk.vs"), G("qua.tcs"), G("qua.tes"), G("quaqk.gs"), G("qua.fs"), false, false},
    {"QuaCustomSha", G("quaqk.vs"), G("qua.tcs"), G("qua.tes"), G("quaqk.gs"), G("qua.fs"), false,
     false},
    {"Q2QuaSha", G("quaqk.vs"), G("quaq2.tcs"), G("quaq2.tes"), G("quaqk.gs"), G("qua.fs"), false,
     false},
    {"Q2QuaCustomSha", G("quaqk.vs"), G("quaq2.tcs"), G("quaq2.tes"), G("quaqk.gs"), G("qua.fs"),
     false, false},
    {"Q3QuaSha", G("quaqk.vs"), G("quaq3.tcs"), G("quaq3.tes"), G("quaqk.gs"), G("qua.fs"), false,
     false},
    {"Q3QuaCustomSha", G("quaqk.vs"), G("quaq3.tcs"), G("quaq3.tes"), G("quaqk.gs"), G("qua.fs"),
     false, false},
    {"Q4QuaSha", G("quaqk.vs"), G("quaq4.tcs"), G("quaq4.tes"), G("quaqk.gs"), G("qua.fs"), false,
     false},
    {"Q4QuaCustomSha", G("quaqk.vs"), G("quaq4.tcs"), G("quaq4.tes"), G("quaqk.gs"), G("qua.fs"),
     false, false},
    // Curved quadrilaterals flat on screen: two triangles of their corners, no tessellation.
    {"Q2QuaFlatSha", G("quaq2_flat.vs"), nullptr, nullptr, nullptr, G("qua_pulled.fs"), false,
     false},
    {"Q3QuaFlatSha", G("quaq3_flat.vs"), nullptr, nullptr, nullptr, G("qua_pulled.fs"), false,
     false},
    {"Q4QuaFlatSha", G("quaq4_flat.vs"), nullptr, nullptr, nullptr, G("qua_pulled.fs"), false,
     false},
    {"EdgSha", G("tri.vs"), nullptr, nullptr, G("edg.gs"), G("edg.fs"), false, false},
    {"P2EdgSha", G("edgpk.vs"), G("edgp2.tcs"), G("edgp2.tes"), G("edgpk.gs"), G("edg.fs"), false,
     false},
    {"P3EdgSha", G("edgpk.vs"), G("edgp3.tcs"), G("edgp3.tes"), G("edgpk.gs"), G("edg.fs"), false,
     false},
    {"P4EdgSha", G("edgpk.vs"), G("edgp4.tcs"), G("edgp4.tes"), G("edgpk.gs"), G("edg.fs"), false,
     false},
    {"PntSha", G("pnt.vs"), nullptr, nullptr, nullptr, G("pnt.fs"), false, false},
    {"CrnSha", G("pnt.vs"), nullptr, nullptr, nullptr, G("pnt.fs"), false, false},
    {"ClipSha", G("tri.vs"), nullptr, nullptr, G("edg.gs"), G("clip.fs"), false, false},
    {"PalSha", G("pal.vs"), nullptr, nullptr, G("pal.gs"), G("pal.fs"), false, false},
    {"PatSha", G("patch.vs"), nullptr, nullptr, nullptr, G("patch.fs"), false, false},
    {"MetSha", G("met.vs"), nullptr, nullptr, nullptr, G("met.fs"), false, false},
    {"AxisSha", G("axis.vs"), nullptr, nullptr, nullptr, G("axis.fs"), false, false},
    {"NormalsSha", G("black.vs"), nullptr, nullptr, nullptr, G("axis.fs"), false, false},
    {"CADBoxSha", G("black.vs"), nullptr, nullptr, nullptr, G("black.fs"), false, false},
    {"VecArrowSha", G("arrow.vs"), nullptr, nullptr, nullptr, G("arrow.fs"), false, false},
    {"VecTriSha", G("test/vectri.vs"), nullptr, nullptr, nullptr, G("test/vectri.fs"), false,
     false},
    {"TextSha", G("font.vs"), nullptr, nullptr, nullptr, G("font.fs"), false, true},
};

} // namespace

static_assert(sizeof(kCatalogue) / sizeof(kCatalogue[0]) == kGlslProgramCount,
              "kGlslProgramCount must count the catalogue's entries");

const GlslCatalogueEntry *glslCatalogue(int *count) {
  if (count) *count = static_cast<int>(sizeof(kCatalogue) / sizeof(kCatalogue[0]));
  return kCatalogue;
}

const GlslCatalogueEntry *findGlslProgram(const char *name) {
  if (!name) return nullptr;
  for (const GlslCatalogueEntry &e : kCatalogue)
    if (std::strcmp(e.name, name) == 0) return &e;
  return nullptr;
}

bool glslTakesSwitches(const GlslCatalogueEntry &entry) {
  for (const char *fs : {G("tri.fs"), G("tri_flat.fs"), G("qua.fs")})
    if (entry.fs && std::strcmp(entry.fs, fs) == 0) return true;
  return false;
}

GlslFlags glslBuildFlags(const GlslCatalogueEntry &entry, const GlslFlags &state) {
  if (entry.fixedFlat) return GlslFlags();
  GlslFlags flags = state;
  flags.stl = entry.stl;
  if (!glslTakesSwitches(entry)) flags.fixed = GlslSwitches();
  return flags;
}

#undef G

} // namespace pavo
