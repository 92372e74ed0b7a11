// Temporary file, flush, rename: see the header for the promise.
#include "pav_safe_write.h"

#include "pav_status.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> gSerial{0};

int failWith(PavSafeWrite *w, char *status, const char *name, const char *reason) {
  pav_SafeWriteAbort(w);
  return pav_Fail(status, "Cannot write %s: %s\n", name, reason);
}

} // namespace

int pav_SafeWriteOpen(PavSafeWrite *w, const char *name, char *status) {
  if (!w) return pav_Fail(status, "NULL (PavSafeWrite) parameter on input\n");
  w->fd = -1;
  w->error = 0;
  w->durable = 1;
  w->finalName[0] = w->tempName[0] = 0;
  if (!name || !*name) return pav_Fail(status, "Cannot write an empty file name\n");
  if (std::strlen(name) + 32 >= PAV_SAFE_NAME_SIZE)
    return pav_Fail(status, "Cannot write %.64s...: name longer than %d characters\n", name,
                    int(PAV_SAFE_NAME_SIZE - 32));
  std::snprintf(w->finalName, sizeof w->finalName, "%s", name);
  // An existing name must be a plain file: a FIFO or a device would block or be replaced by the
  // rename, a folder cannot be.
  struct stat st;
  mode_t mode = 0666;
  bool existing = false;
  if (::stat(name, &st) == 0) {
    if (!S_ISREG(st.st_mode)) return failWith(w, status, name, "not a regular file");
    mode = st.st_mode & 07777;
    existing = true;
  }
  for (int attempt = 0; attempt < 100; attempt++) {
    std::snprintf(w->tempName, sizeof w->tempName, "%s.~%ld.%u", name, long(::getpid()),
                  gSerial.fetch_add(1));
    w->fd = ::open(w->tempName, O_WRONLY | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC, 0666);
    if (w->fd >= 0 || errno != EEXIST) break;
  }
  if (w->fd < 0) {
    const int e = errno;
    w->tempName[0] = 0; // nothing was created
    return failWith(w, status, name, std::strerror(e));
  }
  // The new file keeps the permissions of the one it replaces (open applied the umask otherwise).
  if (existing) (void)::fchmod(w->fd, mode);
  return PAV_SUCCESS;
}

int pav_SafeWriteBytes(PavSafeWrite *w, const void *data, std::size_t n) {
  if (!w || w->fd < 0) return PAV_FAILURE;
  if (w->error) return PAV_FAILURE;
  const char *p = static_cast<const char *>(data);
  while (n > 0) {
    const ssize_t k = ::write(w->fd, p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) {
      pav_SafeWriteFailed(w, k < 0 ? errno : ENOSPC);
      return PAV_FAILURE;
    }
    p += k;
    n -= std::size_t(k);
  }
  return PAV_SUCCESS;
}

void pav_SafeWriteFailed(PavSafeWrite *w, int errnum) {
  if (w && !w->error) w->error = errnum ? errnum : EIO;
}

int pav_SafeWriteCommit(PavSafeWrite *w, char *status) {
  if (!w) return pav_Fail(status, "NULL (PavSafeWrite) parameter on input\n");
  char name[PAV_SAFE_NAME_SIZE];
  std::snprintf(name, sizeof name, "%s", w->finalName);
  if (w->fd < 0) return failWith(w, status, name, "file not open");
  if (w->error) return failWith(w, status, name, std::strerror(w->error));
  if (w->durable && ::fsync(w->fd) != 0 && errno != EINVAL && errno != EROFS)
    return failWith(w, status, name, std::strerror(errno));
  const int fd = w->fd;
  w->fd = -1;
  if (::close(fd) != 0) return failWith(w, status, name, std::strerror(errno));
  if (::rename(w->tempName, w->finalName) != 0)
    return failWith(w, status, name, std::strerror(errno));
  w->tempName[0] = 0;
  return PAV_SUCCESS;
}

void pav_SafeWriteAbort(PavSafeWrite *w) {
  if (!w) return;
  if (w->fd >= 0) ::close(w->fd);
  w->fd = -1;
  if (w->tempName[0]) ::unlink(w->tempName);
  w->tempName[0] = 0;
}

int pav_SafeWriteFile(const char *name, const void *data, std::size_t n, char *status) {
  PavSafeWrite w;
  if (pav_SafeWriteOpen(&w, name, status) != PAV_SUCCESS) return PAV_FAILURE;
  pav_SafeWriteBytes(&w, data, n);
  return pav_SafeWriteCommit(&w, status);
}
