// Binary block reading. A range that lies inside the file is mapped and converted straight from
// the page cache, so that its bytes are copied once, into the caller's arrays, by as many threads
// as there are processors (at most 4) when the caller's conversion allows it. Otherwise (a file
// cut shorter than its keyword promises, a descriptor that cannot be mapped) the blocks go through
// POSIX asynchronous I/O: two buffers alternate, so that the conversion of one block runs while
// the next block is being read, and a short read is reported.
#include "ovel_internal.h"

#include <aio.h>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <sched.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ovel {

int blockWorkers = 0;

namespace {

// A block buffer with transparent huge pages over its 2 MiB-aligned part where the system offers
// them: a 16 MiB buffer then costs 8 page faults instead of 4096.
struct FreeBuffer {
  void operator()(char *p) const { std::free(p); }
};
using Buffer = std::unique_ptr<char, FreeBuffer>;

Buffer hugeBuffer(size_t bytes) {
  constexpr uintptr_t huge = uintptr_t(2) << 20;
  char *p = static_cast<char *>(std::malloc(bytes ? bytes : 1));
  if (!p) throw std::bad_alloc();
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + huge - 1) & ~(huge - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(huge - 1);
  if (end > begin) (void)madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
  return Buffer(p);
}

struct Request {
  struct aiocb cb;
  bool active = false;
};

void printDiagnostics(const struct aiocb &cb, int64_t block, int64_t blocks, int64_t lines) {
  std::printf("block      = %zd / %zd\n", static_cast<ssize_t>(block),
              static_cast<ssize_t>(blocks));
  std::printf("size       = %lld lines\n", static_cast<long long>(lines));
  std::printf("aio_fildes = %p\n", reinterpret_cast<void *>(static_cast<intptr_t>(cb.aio_fildes)));
  std::printf("aio_buf    = %p\n", const_cast<void *>(cb.aio_buf));
  std::printf("aio_offset = %lld\n", static_cast<long long>(cb.aio_offset));
  std::printf("aio_nbytes = %lld\n", static_cast<long long>(cb.aio_nbytes));
  std::printf("errno      = %d\n", errno);
}

bool submit(Request &r, int fd, char *buffer, int64_t offset, size_t bytes) {
  std::memset(&r.cb, 0, sizeof r.cb);
  r.cb.aio_fildes = fd;
  r.cb.aio_buf = buffer;
  r.cb.aio_nbytes = bytes;
  r.cb.aio_offset = offset;
  r.cb.aio_sigevent.sigev_notify = SIGEV_NONE;
  if (aio_read(&r.cb) != 0) return false;
  r.active = true;
  return true;
}

// Waits for the request; true when all its bytes arrived (a short transfer is completed with
// plain reads, as the platform may split a request).
bool complete(Request &r, int64_t block, int64_t blocks, int64_t lines) {
  const struct aiocb *list[1] = {&r.cb};
  int e;
  while ((e = aio_error(&r.cb)) == EINPROGRESS) aio_suspend(list, 1, nullptr);
  r.active = false;
  ssize_t got = aio_return(&r.cb);
  if (e != 0) {
    std::printf(" Error at aio_error() : %s\n", std::strerror(e));
    return false;
  }
  size_t done = got > 0 ? static_cast<size_t>(got) : 0;
  while (done < r.cb.aio_nbytes) {
    ssize_t n = ::pread(r.cb.aio_fildes,
                        const_cast<char *>(static_cast<volatile char *>(r.cb.aio_buf)) + done,
                        r.cb.aio_nbytes - done, r.cb.aio_offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      printDiagnostics(r.cb, block, blocks, lines);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

void abandon(Request &r) {
  if (!r.active) return;
  aio_cancel(r.cb.aio_fildes, &r.cb);
  const struct aiocb *list[1] = {&r.cb};
  while (aio_error(&r.cb) == EINPROGRESS) aio_suspend(list, 1, nullptr);
  aio_return(&r.cb);
  r.active = false;
}

// The blocks through asynchronous reads; convert receives line indices from base.
bool readBlocksBuffered(int fd, int64_t offset, int64_t lineBytes, int64_t lines,
                        int64_t blockLines, int64_t base,
                        void (*convert)(void *context, const char *block, int64_t first,
                                        int64_t count),
                        void *context) {
  const int64_t blocks = (lines + blockLines - 1) / blockLines;
  const size_t bufferBytes = static_cast<size_t>(std::min(blockLines, lines) * lineBytes);
  Buffer buffers[2] = {hugeBuffer(bufferBytes), hugeBuffer(bufferBytes)};
  Request requests[2];
  auto start = [&](int64_t b) {
    int64_t first = b * blockLines;
    int64_t count = std::min(blockLines, lines - first);
    Request &r = requests[b & 1];
    if (!submit(r, fd, buffers[b & 1].get(), offset + first * lineBytes,
                static_cast<size_t>(count * lineBytes))) {
      printDiagnostics(r.cb, b, blocks, lines);
      return false;
    }
    return true;
  };
  bool ok = start(0);
  for (int64_t b = 0; ok && b < blocks; b++) {
    ok = complete(requests[b & 1], b, blocks, lines);
    if (ok && b + 1 < blocks) ok = start(b + 1);
    if (!ok) break;
    int64_t first = b * blockLines;
    convert(context, buffers[b & 1].get(), base + first, std::min(blockLines, lines - first));
  }
  abandon(requests[0]);
  abandon(requests[1]);
  return ok;
}

// Brings block `b` of a mapped range to convert(): from a read-only mapping of the file, or, when
// the mapping is refused, through plain reads into the worker's buffer (made on first need).
// False, after the diagnostics, when those reads come short.
struct MappedRange {
  int fd;
  int64_t offset, lineBytes, lines, blockLines, blocks, page;
  void (*convert)(void *context, const char *block, int64_t first, int64_t count);
  void *context;

  bool convertBlock(int64_t b, Buffer &buffer) const {
    const int64_t first = b * blockLines, count = std::min(blockLines, lines - first);
    const int64_t from = offset + first * lineBytes, start = from / page * page;
    const size_t length = static_cast<size_t>(from + count * lineBytes - start);
    void *map = mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, start);
    if (map != MAP_FAILED) {
      convert(context, static_cast<const char *>(map) + (from - start), first, count);
      munmap(map, length);
      return true;
    }
    const size_t bytes = static_cast<size_t>(count * lineBytes);
    if (!buffer) {
      try {
        buffer = hugeBuffer(static_cast<size_t>(std::min(blockLines, lines) * lineBytes));
      } catch (const std::bad_alloc &) {
        std::printf(" Error : no memory for a block of %lld bytes\n",
                    static_cast<long long>(bytes));
        return false;
      }
    }
    Request r;
    std::memset(&r.cb, 0, sizeof r.cb);
    r.cb.aio_fildes = fd;
    r.cb.aio_buf = buffer.get();
    r.cb.aio_nbytes = bytes;
    r.cb.aio_offset = from;
    size_t done = 0;
    while (done < bytes) {
      const ssize_t n = ::pread(fd, buffer.get() + done, bytes - done, from + off_t(done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        printDiagnostics(r.cb, b, blocks, lines);
        return false;
      }
      done += static_cast<size_t>(n);
    }
    convert(context, buffer.get(), first, count);
    return true;
  }
};

// The workers of a range: as many as the processors this thread may run on, at most 4 (the
// conversion is bound by memory bandwidth well before that), at most one per block; blockWorkers
// overrides.
int workerCount(int64_t blocks) {
  int64_t n = blockWorkers;
  if (n <= 0) {
    cpu_set_t set;
    const int cpus = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 1;
    n = std::min(std::max(cpus, 1), 4);
  }
  return static_cast<int>(std::max<int64_t>(1, std::min(n, blocks)));
}

// Converts the range block by block from read-only mappings of the file (one block mapped per
// worker at a time, so that the mapped pages never add more than a block per worker to the
// resident memory); false, with nothing converted, when the range is not wholly inside the file.
// With `parallel`, the calling thread and up to three helpers take the blocks in file order from
// a shared counter: each worker also takes the page faults of the destination memory its blocks
// fill (the zeroing of fresh pages, about half of an open), which one thread would do in turn.
bool convertMapped(int fd, int64_t offset, int64_t lineBytes, int64_t lines, int64_t blockLines,
                   bool parallel,
                   void (*convert)(void *context, const char *block, int64_t first, int64_t count),
                   void *context, bool &ok) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || offset < 0) return false;
  if (lines * lineBytes <= 0 || offset + lines * lineBytes > static_cast<int64_t>(st.st_size))
    return false;
  const int64_t page = sysconf(_SC_PAGESIZE) > 0 ? sysconf(_SC_PAGESIZE) : 4096;
  const MappedRange range{fd,    offset,     lineBytes,
                          lines, blockLines, (lines + blockLines - 1) / blockLines,
                          page,  convert,    context};
  std::atomic<int64_t> next{0};
  std::atomic<bool> failed{false};
  auto work = [&] {
    Buffer buffer;
    for (int64_t b; !failed.load(std::memory_order_relaxed) && (b = next++) < range.blocks;)
      if (!range.convertBlock(b, buffer)) failed = true;
  };
  std::vector<std::thread> helpers;
  const int workers = parallel ? workerCount(range.blocks) : 1;
  try {
    helpers.reserve(static_cast<size_t>(workers - 1));
    for (int k = 1; k < workers; k++) helpers.emplace_back(work);
  } catch (const std::exception &) {
    // No thread (or no memory for one) to be had: the workers started do the range.
  }
  // A conversion that throws on this thread (only a non-parallel one may) stops the helpers'
  // taking of blocks; they are joined before the exception goes on.
  std::exception_ptr thrown;
  try {
    work();
  } catch (...) {
    failed = true;
    thrown = std::current_exception();
  }
  for (std::thread &t : helpers) t.join();
  if (thrown) std::rethrow_exception(thrown);
  ok = !failed;
  return true;
}

} // namespace

bool readBlocks(int fd, int64_t offset, int64_t lineBytes, int64_t lines, int64_t blockLines,
                bool parallel,
                void (*convert)(void *context, const char *block, int64_t first, int64_t count),
                void *context) {
  if (lines <= 0) return true;
  if (lineBytes <= 0) {
    convert(context, nullptr, 0, lines);
    return true;
  }
  bool ok = false;
  if (convertMapped(fd, offset, lineBytes, lines, blockLines, parallel, convert, context, ok))
    return ok;
  return readBlocksBuffered(fd, offset, lineBytes, lines, blockLines, 0, convert, context);
}

} // namespace ovel
