// Conversion of files in batch: each ".cgns" or ".msh" (Gmsh) argument is read through the mesh
// loader and written in the keyword format, or completed by the surface reconstruction.
#include "app_messages.h"
#include "cli_texts.h"
#include "modes/batch_work.h"
#include "modes/mode_drivers.h"
#include "pav_io.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace pavo {

namespace {

// A keyword file holds one Iterations, one Time and one block per solution keyword: fields of
// several time steps, or of two degrees under one keyword (an element field and a field at the
// nodes of curved elements), would be lost in one file. The records then go into one file per
// step and degree group, base.1.solb, base.2.solb..., each with its step's iteration and time;
// otherwise into base.solb. The lists are relinked for each file and restored after.
bool writeSolutions(PavObject *obj, const std::string &base, const char *ext) {
  using Step = std::pair<int32_t, double>;
  std::vector<PavSolution *> lists[PAV_NBR_STORED_TYPES];
  std::set<Step> steps;
  for (int t = 0; t < PAV_NBR_STORED_TYPES; t++)
    for (PavSolution *r = obj->ent[t].sol; r; r = r->next) {
      lists[t].push_back(r);
      steps.insert({r->iteration, r->time});
    }
  // Selections of pav_WriteSolution, per step: -1 (all) unless a list holds two degrees that
  // share a keyword, then 0 (vertex and degree 0) and each degree from 1.
  std::vector<std::pair<Step, int>> files;
  for (const Step &step : steps) {
    std::set<int> degrees; // of the element records, from 1
    bool clash = false, low = false;
    for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) {
      std::set<int> shared; // degrees written under this list's HOSolAt keywords
      for (const PavSolution *r : lists[t]) {
        if (Step{r->iteration, r->time} != step) continue;
        low = low || t == Vertices || r->degree == 0;
        if (t != Vertices && r->degree) degrees.insert(r->degree);
        if (t != Vertices && (r->degree || pav_GetDegree(t) > 1)) shared.insert(r->degree);
      }
      clash = clash || shared.size() > 1;
    }
    if (!clash) {
      files.push_back({step, -1});
      continue;
    }
    if (low) files.push_back({step, 0});
    for (int d : degrees) files.push_back({step, d});
  }
  if (files.size() > 1)
    appMessage("  %zu solution files: one a time step and degree\n", files.size());
  bool ok = true;
  for (size_t k = 0; k < files.size(); k++) {
    for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) {
      PavSolution **link = &obj->ent[t].sol;
      for (PavSolution *r : lists[t])
        if (Step{r->iteration, r->time} == files[k].first) *link = r, link = &r->next;
      *link = nullptr;
    }
    const std::string name =
        files.size() == 1 ? base + ext : base + "." + std::to_string(k + 1) + ext;
    char status[2 * PAV_STATUS_SIZE] = "";
    const int rc = pav_WriteSolution(obj, name.c_str(), files[k].second, status);
    if (rc != PAV_SUCCESS) {
      appMessage(" pav_WriteSolution failed error %3d : %s\n", rc, status);
      ok = false;
    } else
      appMessage("  %%%% Solution written in %s\n", name.c_str());
  }
  for (int t = 0; t < PAV_NBR_STORED_TYPES; t++) {
    PavSolution **link = &obj->ent[t].sol;
    for (PavSolution *r : lists[t]) *link = r, link = &r->next;
    *link = nullptr;
  }
  return ok;
}

} // namespace

int runConvert(int argc, char **argv) {
  printBanner();
  printLine(kLaunchConvert);
  printFormatText(ModeFormat::Convert);
  bool ascii = false, checksurf = false;
  int exitStatus = 0;
  for (int i = 2; i < argc; i++) {
    if (std::strcmp(argv[i], "-ascii") == 0) {
      appMessage("Output will be in ascii format \n");
      ascii = true;
    } else if (std::strcmp(argv[i], "-checksurf") == 0) {
      appMessage("Surface reconstruction mode will be used \n");
      checksurf = true;
    }
  }
  for (int i = 2; i < argc; i++) {
    const bool cgns = std::strstr(argv[i], ".cgns") != nullptr;
    if (argv[i][0] == '-' || (!cgns && !std::strstr(argv[i], ".msh"))) continue;
    appMessage(cgns ? "Case of cgns file: %s\n" : "Case of Gmsh file: %s\n", argv[i]);
    const std::string base = cutAt(argv[i], cgns ? ".cgns" : ".msh");
    const std::string meshOut = base + (ascii ? ".mesh" : ".meshb");
    const std::string solOut = base + (ascii ? ".sol" : ".solb");
    PavObject *obj = nullptr;
    if (const int st = pav_NewInterface(&obj)) {
      appMessage(" pav_NewInterface  status %d \n", st);
      continue;
    }
    // The output of a failed load is never written: it would replace a good file by a part.
    if (openMeshVerbose(obj, argv[i]) != PAV_SUCCESS) {
      reportSkippedAfterFailedLoad(true);
      exitStatus = 1;
      appMessage("\n");
      pav_DeleteInterface(&obj);
      continue;
    }
    const bool solRead = openSolutionVerbose(obj, argv[i], " ") == PAV_SUCCESS;
    if (checksurf) {
      WriteWatch watch;
      launchSurfaceReconstruction(obj, meshOut.c_str(), solRead ? solOut.c_str() : nullptr);
      if (watch.failures()) exitStatus = 1;
    } else {
      char status[2 * PAV_STATUS_SIZE] = "";
      int rc = pav_WriteMesh(obj, meshOut.c_str(), status);
      if (rc != PAV_SUCCESS) {
        appMessage(" pav_WriteMesh failed error %3d : %s\n", rc, status);
        exitStatus = 1;
      } else
        appMessage("  %%%% Mesh written in %s\n", meshOut.c_str());
      if (solRead && !writeSolutions(obj, base, ascii ? ".sol" : ".solb")) exitStatus = 1;
    }
    appMessage("\n");
    pav_DeleteInterface(&obj);
  }
  printLine("  Thank you for using the convert mode of Pavo");
  return exitStatus;
}

} // namespace pavo
