// Writing a file without ever losing the one it replaces.
//
// The bytes go to a new temporary file in the folder of the final name; commit flushes them to
// the disk, closes the file and renames it over the final name in one step, so that a reader sees
// either the whole earlier file or the whole new one. Any failure (a full disk, the file-size
// limit, a folder that cannot be written, a final name that is not a regular file) removes the
// temporary and leaves the earlier file byte for byte as it was.
//
// Plain C-compatible interface for every writer of the program (meshes, solutions, images, view
// states, settings):
//   PavSafeWrite w;
//   if (pav_SafeWriteOpen(&w, name, status) != 0) return;   // status says why
//   ... pav_SafeWriteBytes(&w, data, n) or direct writes to w.fd (report errors with
//       pav_SafeWriteFailed(&w, errno)) ...
//   if (pav_SafeWriteCommit(&w, status) != 0) ...           // nothing replaced; status says why
// (w.durable may be set to 0 after opening to skip the disk flush, see below)
// or pav_SafeWriteAbort(&w) to give up. Messages are "Cannot write <name>: <system reason>\n",
// bounded to PAV_STATUS_SIZE characters.
#pragma once

#include <cstddef>

// Room for a name of OVEL_MAX_NAME characters plus the temporary suffix.
constexpr std::size_t PAV_SAFE_NAME_SIZE = 1100;

struct PavSafeWrite {
  int fd;    // the temporary file, open for writing; -1 when none is open
  int error; // the first system error met (errno value), 0 while every write succeeded
  // 1 (the default set by pav_SafeWriteOpen): commit flushes the file to the disk (fsync) before
  // the rename, so that even a power cut leaves the earlier file or the whole new one. 0: the
  // rename alone, which already covers a full disk, the file-size limit and a killed process
  // (the temporary never replaces the name) and costs nothing.
  int durable;
  char finalName[PAV_SAFE_NAME_SIZE];
  char tempName[PAV_SAFE_NAME_SIZE];
};

// Creates the temporary file beside `name` (permissions of the earlier file when there is one).
// Refuses a name that exists and is not a regular file (a folder, a FIFO, a device) without
// opening it. 0, or 2 with the reason in status (may be null); w->fd is -1 after a failure.
int pav_SafeWriteOpen(PavSafeWrite *w, const char *name, char *status);

// Appends n bytes to the temporary file. 0, or 2 after a failed write (the error is kept and
// commit will refuse).
int pav_SafeWriteBytes(PavSafeWrite *w, const void *data, std::size_t n);

// Records a failure of the caller's own writes to w->fd (errnum: an errno value, EIO when 0).
// The first one recorded is the one reported.
void pav_SafeWriteFailed(PavSafeWrite *w, int errnum);

// Flushes the temporary file to the disk (when w->durable), closes it and renames it over the
// final name. On any failure, earlier or now, the temporary is removed instead and the final name
// is untouched. 0, or 2 with "Cannot write <name>: <reason>\n" in status (may be null).
int pav_SafeWriteCommit(PavSafeWrite *w, char *status);

// Closes and removes the temporary file; the final name is untouched. Safe to call twice.
void pav_SafeWriteAbort(PavSafeWrite *w);

// Writes a whole buffer to `name` through the steps above. 0, or 2 with the reason in status.
int pav_SafeWriteFile(const char *name, const void *data, std::size_t n, char *status);
