// Conversion of files in batch: each ".cgns" or ".msh" (Gmsh) argument is read through the mesh
// loader and written in the keyword format, or completed by the surface reconstruction.
#include "cli_texts.h"
#include "modes/batch_work.h"
#include "modes/mode_drivers.h"
#include "pav_io.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace pavo {

int runConvert(int argc, char **argv) {
  printBanner();
  printLine(kLaunchConvert);
  printFormatText(ModeFormat::Convert);
  bool ascii = false, checksurf = false;
  int exitStatus = 0;
  for (int i = 2; i < argc; i++) {
    if (std::strcmp(argv[i], "-ascii") == 0) {
      std::printf("Output will be in ascii format \n");
      ascii = true;
    } else if (std::strcmp(argv[i], "-checksurf") == 0) {
      std::printf("Surface reconstruction mode will be used \n");
      checksurf = true;
    }
  }
  for (int i = 2; i < argc; i++) {
    const bool cgns = std::strstr(argv[i], ".cgns") != nullptr;
    if (argv[i][0] == '-' || (!cgns && !std::strstr(argv[i], ".msh"))) continue;
    std::printf(cgns ? "Case of cgns file: %s\n" : "Case of Gmsh file: %s\n", argv[i]);
    const std::string base = cutAt(argv[i], cgns ? ".cgns" : ".msh");
    const std::string meshOut = base + (ascii ? ".mesh" : ".meshb");
    const std::string solOut = base + (ascii ? ".sol" : ".solb");
    PavObject *obj = nullptr;
    if (const int st = pav_NewInterface(&obj)) {
      std::printf(" pav_NewInterface  status %d \n", st);
      continue;
    }
    // The output of a failed load is never written: it would replace a good file by a part.
    if (openMeshVerbose(obj, argv[i]) != PAV_SUCCESS) {
      reportSkippedAfterFailedLoad(true);
      exitStatus = 1;
      std::printf("\n");
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
        std::printf(" pav_WriteMesh failed error %3d : %s\n", rc, status);
        exitStatus = 1;
      } else
        std::printf("  %%%% Mesh written in %s\n", meshOut.c_str());
      if (solRead) {
        rc = pav_WriteSolution(obj, solOut.c_str(), -1, status);
        if (rc != PAV_SUCCESS) {
          std::printf(" pav_WriteSolution failed error %3d : %s\n", rc, status);
          exitStatus = 1;
        } else
          std::printf("  %%%% Solution written in %s\n", solOut.c_str());
      }
    }
    std::printf("\n");
    pav_DeleteInterface(&obj);
  }
  printLine("  Thank you for using the convert mode of Pavo");
  return exitStatus;
}

} // namespace pavo
