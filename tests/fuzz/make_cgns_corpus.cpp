// Writes the seed corpus of fuzz_cgns: small valid CGNS files (run by hand; its output is
// committed). Usage: make_cgns_corpus <folder>
#include <cgnslib.h>

#include <string>
#include <vector>

namespace {

int begin(const std::string &name, int cellDim, int physDim, int *B) {
  int fn = 0;
  cg_open(name.c_str(), CG_MODE_WRITE, &fn);
  cg_base_write(fn, "Base", cellDim, physDim, B);
  return fn;
}

int zone(int fn, int B, const std::vector<double> &x, const std::vector<double> &y,
         const std::vector<double> &z, cgsize_t cells) {
  cgsize_t size[3] = {cgsize_t(x.size()), cells, 0};
  int Z = 0, C = 0;
  cg_zone_write(fn, B, "Zone", size, Unstructured, &Z);
  cg_coord_write(fn, B, Z, RealDouble, "CoordinateX", x.data(), &C);
  cg_coord_write(fn, B, Z, RealDouble, "CoordinateY", y.data(), &C);
  if (!z.empty()) cg_coord_write(fn, B, Z, RealDouble, "CoordinateZ", z.data(), &C);
  return Z;
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) return 1;
  const std::string dir = argv[1];
  int B = 0, S = 0, BC = 0, F = 0;
  { // tetrahedron with a boundary condition and solutions
    const int fn = begin(dir + "/tet.cgns", 3, 3, &B);
    const int Z = zone(fn, B, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}, 1);
    const cgsize_t tet[] = {1, 2, 3, 4}, tri[] = {1, 3, 2}, range[] = {2, 2};
    cg_section_write(fn, B, Z, "cells", TETRA_4, 1, 1, 0, tet, &S);
    cg_section_write(fn, B, Z, "skin", TRI_3, 2, 2, 0, tri, &S);
    cg_boco_write(fn, B, Z, "wall", BCWall, ElementRange, 2, range, &BC);
    const double v[] = {1, 2, 3, 4}, c[] = {5};
    cg_sol_write(fn, B, Z, "Flow", Vertex, &S);
    cg_field_write(fn, B, Z, S, RealDouble, "VelocityX", v, &F);
    cg_field_write(fn, B, Z, S, RealDouble, "VelocityY", v, &F);
    cg_field_write(fn, B, Z, S, RealDouble, "VelocityZ", v, &F);
    cg_sol_write(fn, B, Z, "Cells", CellCenter, &S);
    cg_field_write(fn, B, Z, S, RealDouble, "Pressure", c, &F);
    cg_close(fn);
  }
  { // planar MIXED section with a vertex boundary condition
    const int fn = begin(dir + "/mixed2d.cgns", 2, 2, &B);
    const int Z = zone(fn, B, {0, 1, 1, 0, 2}, {0, 0, 1, 1, 0}, {}, 2);
    const cgsize_t conn[] = {QUAD_4, 1, 2, 3, 4, TRI_3, 2, 5, 3}, offsets[] = {0, 5, 9};
    const cgsize_t list[] = {1, 2, 5};
    cg_poly_section_write(fn, B, Z, "cells", MIXED, 1, 2, 0, conn, offsets, &S);
    cg_boco_write(fn, B, Z, "bottom", BCWall, PointList, 3, list, &BC);
    cg_close(fn);
  }
  { // second-order triangle
    const int fn = begin(dir + "/tri6.cgns", 2, 3, &B);
    const int Z =
        zone(fn, B, {0, 1, 0, 0.5, 0.5, 0}, {0, 0, 1, 0, 0.5, 0.5}, {0, 0, 0, 0, 0, 0}, 1);
    const cgsize_t tri[] = {1, 2, 3, 4, 5, 6};
    cg_section_write(fn, B, Z, "curved", TRI_6, 1, 1, 0, tri, &S);
    cg_close(fn);
  }
  return 0;
}
