// Argument scanning, verbose loading, surface reconstruction and the analytical test field.
#include "modes/batch_work.h"
#include "app_messages.h"

#include "pav_io.h"
#include "pav_modify.h"
#include "pav_solution.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace pavo {

int optionValue(int argc, char **argv, const char *name) {
  int value = 0;
  for (int i = 2; i < argc; i++)
    if (std::strcmp(argv[i], name) == 0) value = i + 1;
  return value;
}

bool hasFlag(int argc, char **argv, const char *name) {
  for (int i = 2; i < argc; i++)
    if (std::strcmp(argv[i], name) == 0) return true;
  return false;
}

int openMeshVerbose(PavObject *obj, const char *name) {
  char status[2 * PAV_STATUS_SIZE] = "";
  const int rc = pav_OpenMesh(obj, name, status);
  if (rc != PAV_SUCCESS)
    appMessage(" pav_OpenMesh failed error %3d : %s\n", rc, status);
  else
    appMessage("  %%%% %s OPENED\n", status + PAV_STATUS_SIZE);
  char st[PAV_STATUS_SIZE];
  pav_PrintMeshInfo(obj, st);
  return rc;
}

int openSolutionVerbose(PavObject *obj, const char *name, const char *failPrefix) {
  char status[2 * PAV_STATUS_SIZE] = "";
  const int rc = pav_OpenSolution(obj, name, status);
  if (rc != PAV_SUCCESS)
    appMessage("%spav_OpenSolution failed error %3d : %s\n", failPrefix, rc, status);
  else
    appMessage("  %%%% %s OPENED\n", status + PAV_STATUS_SIZE);
  char st[PAV_STATUS_SIZE];
  pav_PrintSolutionInfo(obj, st);
  return rc;
}

void reportSkippedAfterFailedLoad(bool solution) {
  if (solution) appMessage("  Solution skipped: the mesh could not be loaded\n");
  appMessage("  Nothing written: the mesh could not be loaded\n");
}

namespace {
int gWriteFailures = 0;
int countedWriteMesh(const PavObject *obj, const char *name, char *status) {
  const int rc = pav_WriteMesh(obj, name, status);
  if (rc != PAV_SUCCESS) gWriteFailures++;
  return rc;
}
int countedWriteSolution(const PavObject *obj, const char *name, int selection, char *status) {
  const int rc = pav_WriteSolution(obj, name, selection, status);
  if (rc != PAV_SUCCESS) gWriteFailures++;
  return rc;
}
} // namespace

WriteWatch::WriteWatch() {
  gWriteFailures = 0;
  pav_SetMeshWriters(countedWriteMesh, countedWriteSolution);
}

WriteWatch::~WriteWatch() { pav_SetMeshWriters(nullptr, nullptr); }

int WriteWatch::failures() const { return gWriteFailures; }

void launchSurfaceReconstruction(PavObject *obj, const char *meshOut, const char *solOut) {
  appMessage("  Launching Surface Reconstruction Mode. This may take a while\n");
  const std::clock_t t0 = std::clock();
  checksurfMesh(meshOut != nullptr, obj, meshOut, solOut);
  // Processor time in seconds.
  appMessage("  Total time to reconstruct the surface and add it %5.2f s \n",
             double(std::clock() - t0) / CLOCKS_PER_SEC);
}

int generateAnalyticalSolution(PavObject *obj, const char *outName, const char *, int,
                               double realParam, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  const int32_t nbrVer = obj->ent[Vertices].nbr;
  appMessage("nbrVer = %d \n", nbrVer);
  PavSolution *rec = pav_NewSolutionRecord(obj->dim, PavSolScalar, nbrVer, 0, 1, status);
  if (!rec) return PAV_FAILURE;
  rec->dim = obj->dim;
  const double a = realParam;
  const double pi = 3.14159265358979323846;
  for (int32_t i = 1; i <= nbrVer; i++) {
    double x = 0, y = 0, z = 0;
    if (obj->crdDbl) {
      x = obj->crdDbl[3 * i], y = obj->crdDbl[3 * i + 1], z = obj->crdDbl[3 * i + 2];
    } else if (obj->crdFlt) {
      x = obj->crdFlt[3 * i], y = obj->crdFlt[3 * i + 1], z = obj->crdFlt[3 * i + 2];
    }
    const double r2 = (x - 0.5) * (x - 0.5) + (y - 0.5) * (y - 0.5) + z * z;
    const double f = std::cos(2 * pi * x / a) * std::exp(-r2 / (a * a));
    appMessage("iVer %d, val %f \n", i, f);
    rec->data[i] = f;
  }
  if (pav_PushSolution(obj, SolAtVertices, rec, status) != PAV_SUCCESS) {
    pav_FreeSolutionList(rec);
    return PAV_FAILURE;
  }
  appMessage("Now write the solution ");
  char st[2 * PAV_STATUS_SIZE] = "";
  if (pav_WriteSolution(obj, outName, -2, st) == PAV_FAILURE) {
    appMessage("Error while writing the solution d ");
    appMessage("\n%s", st);
    return PAV_FAILURE;
  }
  return PAV_SUCCESS;
}

} // namespace pavo
