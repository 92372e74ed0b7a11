// Gmsh MSH files (4.1 and 2.2, ASCII and binary) into the mesh object, read natively.
//
// The file is mapped into memory and walked section by section. $Nodes goes straight into the
// object's coordinate array while the node tags are kept aside; they then become a tag-to-vertex
// map (a direct table when the tags are dense enough, else a sorted list). $Elements is walked
// twice: once to count each kind (binary blocks are skipped by their size), once to fill the
// object's index arrays, already sized, in canonical node order. Nothing else is allocated per
// element, so the peak memory is that of the object plus the node map: the pages of the mapping
// already read are handed back as the walk goes (the file stays in the page cache).
#include "pav_gmsh.h"

#include "pav_io.h"
#include "pav_solution.h"
#include "pav_types.h"

#include <fast_float/fast_float.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// ---- The mapped file ----

struct MappedFile {
  const char *data = nullptr;
  size_t size = 0;
  void *map = nullptr;
  bool open(const char *name) {
    const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && st.st_size > 0) {
      size = size_t(st.st_size);
      map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
      if (map == MAP_FAILED) {
        map = nullptr;
        ok = false;
      } else {
        ::madvise(map, size, MADV_SEQUENTIAL);
        data = static_cast<const char *>(map);
      }
    }
    ::close(fd);
    return ok;
  }
  ~MappedFile() {
    if (map) ::munmap(map, size);
  }
};

// ---- Reading numbers, ASCII or binary ----

struct Reader {
  const char *begin = nullptr, *end = nullptr, *p = nullptr;
  std::string file;
  std::string section = "$MeshFormat";
  char *status = nullptr;
  bool failed = false;
  bool binary = false, swap = false;
  int sizeT = 8;
  double version = 0;

  long long offset() const { return static_cast<long long>(p - begin); }

  // Mapped pages before `released` (an offset) were handed back; a walk that goes back to an
  // earlier position moves it there.
  int64_t released = 0;
  static constexpr int64_t kPage = 4096, kWindow = int64_t(16) << 20;
  void release() {
    const int64_t at = (p - begin) & ~(kPage - 1);
    if (at - released < kWindow) return;
    ::madvise(const_cast<char *>(begin + released), size_t(at - released), MADV_DONTNEED);
    released = at;
  }
  void rewind(const char *to) {
    p = to;
    released = std::min<int64_t>(released, (to - begin) & ~(kPage - 1));
  }

  bool fail(const char *what) {
    if (!failed)
      pav_Fail(status, "Invalid Gmsh file %s: %s in %s at byte %lld\n", file.c_str(), what,
               section.c_str(), offset());
    failed = true;
    return false;
  }
  bool failf(const char *fmt, long long v) {
    char text[160];
    std::snprintf(text, sizeof text, fmt, v);
    return fail(text);
  }

  void skipSpace() {
    while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t')) p++;
  }
  void skipLine() {
    const void *nl = std::memchr(p, '\n', size_t(end - p));
    p = nl ? static_cast<const char *>(nl) + 1 : end;
  }

  bool asciiInt(int64_t &v) {
    skipSpace();
    const char *s = p;
    if (s < end && *s == '+') s++;
    const auto r = std::from_chars(s, end, v);
    if (r.ec != std::errc() || (r.ptr < end && !std::isspace(static_cast<unsigned char>(*r.ptr))))
      return fail(r.ec == std::errc::result_out_of_range ? "integer out of range"
                                                         : "integer expected");
    p = r.ptr;
    return true;
  }
  bool asciiReal(double &v) {
    skipSpace();
    const char *s = p;
    if (s < end && *s == '+') s++;
    const auto r = fast_float::from_chars(s, end, v);
    if (r.ec != std::errc() || (r.ptr < end && !std::isspace(static_cast<unsigned char>(*r.ptr))))
      return fail("real number expected");
    p = r.ptr;
    return true;
  }
  template <typename T> bool raw(T &v) {
    if (size_t(end - p) < sizeof(T)) return fail("unexpected end of file");
    std::memcpy(&v, p, sizeof(T));
    if (swap) {
      char *b = reinterpret_cast<char *>(&v);
      std::reverse(b, b + sizeof(T));
    }
    p += sizeof(T);
    return true;
  }
  // An int of the format (4 bytes in binary).
  bool getInt(int64_t &v) {
    if (!binary) return asciiInt(v);
    int32_t x;
    if (!raw(x)) return false;
    v = x;
    return true;
  }
  // A size_t of the format (data-size bytes in binary; ints in version 2).
  bool getSize(int64_t &v) {
    if (!binary) return asciiInt(v);
    if (sizeT == 4 || version < 3) return getInt(v);
    uint64_t x;
    if (!raw(x)) return false;
    if (x > uint64_t(INT64_MAX)) return fail("integer out of range");
    v = int64_t(x);
    return true;
  }
  bool getReal(double &v) { return binary ? raw(v) : asciiReal(v); }
  // `count` size_t values; binary 8-byte ones in the machine's order are copied as they are (one
  // above INT64_MAX becomes a negative tag, which no node carries).
  bool getSizes(int64_t *v, int64_t count) {
    if (count <= 0) return true; // an empty block may come with no storage at all
    if (!binary || swap || sizeT != 8 || version < 3) {
      for (int64_t k = 0; k < count; k++)
        if (!getSize(v[k])) return false;
      return true;
    }
    if ((end - p) / 8 < count) return fail("unexpected end of file");
    std::memcpy(v, p, size_t(count) * 8);
    p += count * 8;
    return true;
  }
  bool getCount(int64_t &v, const char *what) {
    if (!getSize(v)) return false;
    if (v < 0) return failf(what, v);
    return true;
  }

  // Bytes left, to refuse counts the file cannot hold (each item needs at least `least` bytes).
  bool fits(int64_t count, int64_t least, const char *what) {
    if (count < 0 || (least > 0 && count > (end - p) / least))
      return failf(what, static_cast<long long>(count));
    return true;
  }

  // "$Name" at the start of a line; false at the end of the file.
  bool nextSection(std::string &name) {
    skipSpace();
    if (p >= end) return false;
    if (*p != '$') return fail("section name expected");
    const char *s = p;
    while (p < end && *p != '\n' && *p != '\r' && *p != ' ') p++;
    name.assign(s, p);
    section = name;
    skipLine();
    return true;
  }
  bool expectEnd(const std::string &name) {
    skipSpace();
    const std::string want = "$End" + name.substr(1);
    if (size_t(end - p) < want.size() || std::memcmp(p, want.data(), want.size()) != 0)
      return fail(("missing " + want).c_str());
    p += want.size();
    skipLine();
    return true;
  }
  // Past "$End<Name>" of a section that is not read.
  bool skipSection(const std::string &name) {
    const std::string want = "\n$End" + name.substr(1);
    const char *at = p - 1 >= begin ? p - 1 : p;
    const void *f = memmem(at, size_t(end - at), want.data(), want.size());
    if (!f) return fail(("missing " + want.substr(1)).c_str());
    p = static_cast<const char *>(f) + want.size();
    skipLine();
    return true;
  }
  // A string tag or a physical name: quoted (the quotes dropped) or one word.
  bool getString(std::string &s) {
    skipSpace();
    if (p >= end) return fail("string expected");
    if (*p == '"') {
      const char *q = static_cast<const char *>(std::memchr(p + 1, '"', size_t(end - p - 1)));
      if (!q) return fail("unterminated string");
      s.assign(p + 1, q);
      p = q + 1;
    } else {
      const char *s0 = p;
      while (p < end && !std::isspace(static_cast<unsigned char>(*p))) p++;
      s.assign(s0, p);
    }
    return true;
  }
};

bool readFormat(Reader &r) {
  double v = 0;
  int64_t type = 0, dataSize = 0;
  if (!r.asciiReal(v) || !r.asciiInt(type) || !r.asciiInt(dataSize)) return false;
  const bool v41 = v > 4.05 && v < 4.15, v2 = v >= 2 && v < 3;
  if (!v41 && !v2) return r.fail("only versions 4.1 and 2.2 are read");
  if (type != 0 && type != 1) return r.fail("file type must be 0 (ASCII) or 1 (binary)");
  // The data size is that of size_t in 4.1, that of the reals (always doubles) in 2.2.
  if ((dataSize != 4 || v2) && dataSize != 8) return r.failf("wrong data size %lld", dataSize);
  r.version = v;
  r.sizeT = int(dataSize);
  r.binary = type == 1;
  r.skipLine();
  if (r.binary) {
    int32_t one = 0;
    if (!r.raw(one)) return false;
    if (one == 0x01000000)
      r.swap = true;
    else if (one != 1)
      return r.fail("wrong binary byte-order marker");
  }
  return r.expectEnd("$MeshFormat");
}

// ---- Node tags to vertex numbers ----

struct NodeMap {
  int64_t base = 0;
  std::vector<int32_t> dense;                    // tag - base -> vertex (0: none)
  std::vector<std::pair<int64_t, int32_t>> list; // sorted (tag, vertex) when the tags are sparse

  // From the tags of vertices 1..n (tags[v - 1]); false with the repeated tag in *bad.
  bool build(const std::vector<int64_t> &tags, int64_t *bad) {
    dense.clear();
    list.clear();
    if (tags.empty()) return true;
    const auto mm = std::minmax_element(tags.begin(), tags.end());
    base = *mm.first;
    const int64_t range = *mm.second - base + 1;
    if (range <= 4 * int64_t(tags.size()) + 1024) {
      dense.assign(size_t(range), 0);
      for (size_t v = 0; v < tags.size(); v++) {
        int32_t &slot = dense[size_t(tags[v] - base)];
        if (slot) return *bad = tags[v], false;
        slot = int32_t(v + 1);
      }
      return true;
    }
    list.resize(tags.size());
    for (size_t v = 0; v < tags.size(); v++) list[v] = {tags[v], int32_t(v + 1)};
    std::sort(list.begin(), list.end());
    for (size_t i = 1; i < list.size(); i++)
      if (list[i].first == list[i - 1].first) return *bad = list[i].first, false;
    return true;
  }
  // The vertex of a tag; 0 when no node carries it.
  int32_t find(int64_t tag) const {
    if (!dense.empty()) {
      const uint64_t at = uint64_t(tag) - uint64_t(base); // wraps, never overflows
      return at < dense.size() ? dense[size_t(at)] : 0;
    }
    const auto it = std::lower_bound(list.begin(), list.end(), std::make_pair(tag, int32_t(0)));
    return it != list.end() && it->first == tag ? it->second : 0;
  }
};

// ---- The file's mesh, as far as it is read ----

struct MeshParts {
  std::unordered_map<int64_t, int64_t> entityPhysical; // (dim << 40 | tag) -> first physical
  std::vector<int64_t> nodeTags;                       // of vertices 1..n
  NodeMap nodes;
  bool haveNodes = false;
  bool anyZ = false;
  const char *elements = nullptr; // start of the $Elements data
  // Element tags to (type, index) when solutions need them, sorted by tag.
  struct ElementAt {
    int64_t tag;
    int32_t type, index;
    bool operator<(const ElementAt &o) const { return tag < o.tag; }
  };
  std::vector<ElementAt> elementTags;
  bool keepTags = false;
};

// A file may give any dimension: the key is built in unsigned arithmetic, where shifting bits out
// is defined, and only has to tell entities apart.
int64_t entityKey(int64_t dim, int64_t tag) {
  const uint64_t low = uint64_t(tag) & ((uint64_t(1) << 40) - 1);
  return static_cast<int64_t>((uint64_t(dim) << 40) ^ low);
}

bool readPhysicalNames(Reader &r, bool print) {
  int64_t n = 0;
  if (!r.asciiInt(n) || !r.fits(n, 5, "%lld physical names, more than the file holds"))
    return false;
  for (int64_t i = 0; i < n; i++) {
    int64_t dim = 0, tag = 0;
    std::string name;
    if (!r.asciiInt(dim) || !r.asciiInt(tag) || !r.getString(name)) return false;
    if (print)
      std::printf("  Physical group %lld (dimension %lld) : %s\n", static_cast<long long>(tag),
                  static_cast<long long>(dim), name.c_str());
  }
  return r.expectEnd("$PhysicalNames");
}

bool readEntities(Reader &r, MeshParts &m) {
  int64_t count[4];
  for (int64_t &c : count)
    if (!r.getCount(c, "negative entity count %lld")) return false;
  for (int dim = 0; dim < 4; dim++) {
    if (!r.fits(count[dim], r.binary ? 36 : 8, "%lld entities, more than the file holds"))
      return false;
    for (int64_t e = 0; e < count[dim]; e++) {
      int64_t tag = 0, nPhys = 0, nBound = 0, x = 0;
      double box;
      if (!r.getInt(tag)) return false;
      for (int k = 0; k < (dim == 0 ? 3 : 6); k++)
        if (!r.getReal(box)) return false;
      if (!r.getCount(nPhys, "negative physical tag count %lld") ||
          !r.fits(nPhys, r.binary ? 4 : 2, "%lld physical tags, more than the file holds"))
        return false;
      for (int64_t k = 0; k < nPhys; k++) {
        if (!r.getInt(x)) return false;
        if (k == 0) m.entityPhysical[entityKey(dim, tag)] = x;
      }
      if (dim == 0) continue;
      if (!r.getCount(nBound, "negative bounding entity count %lld") ||
          !r.fits(nBound, r.binary ? 4 : 2, "%lld bounding entities, more than the file holds"))
        return false;
      for (int64_t k = 0; k < nBound; k++)
        if (!r.getInt(x)) return false;
    }
  }
  return r.expectEnd("$Entities");
}

// Coordinates into crd (3 doubles per vertex from vertex 1; null: only the tags are kept).
bool readNodes(Reader &r, MeshParts &m, PavObject *obj) {
  auto take = [&](int64_t n, char *status) {
    m.nodeTags.assign(size_t(n), 0);
    if (!obj) return true;
    if (n >= INT32_MAX) return r.fail("too many nodes");
    return pav_AllocEntityArrays(obj, Vertices, int32_t(n), status) == PAV_SUCCESS ||
           (r.failed = true, false);
  };
  auto store = [&](int64_t v, double x, double y, double z) {
    if (!obj) return;
    double *c = obj->crdDbl + 3 * v;
    c[0] = x;
    c[1] = y;
    c[2] = z;
    m.anyZ = m.anyZ || z != 0;
  };
  if (r.version < 3) {
    int64_t n = 0;
    if (!r.asciiInt(n) || !r.fits(n, r.binary ? 28 : 8, "%lld nodes, more than the file holds") ||
        !take(n, r.status))
      return false;
    if (r.binary) r.skipLine();
    for (int64_t v = 0; v < n; v++) {
      r.release();
      double x, y, z;
      if (!r.getInt(m.nodeTags[size_t(v)]) || !r.getReal(x) || !r.getReal(y) || !r.getReal(z))
        return false;
      store(v + 1, x, y, z);
    }
  } else {
    int64_t blocks = 0, n = 0, minTag = 0, maxTag = 0;
    if (!r.getCount(blocks, "negative block count %lld") ||
        !r.getCount(n, "negative node count %lld") || !r.getSize(minTag) || !r.getSize(maxTag))
      return false;
    if (!r.fits(n, r.binary ? r.sizeT + 24 : 8, "%lld nodes, more than the file holds") ||
        !r.fits(blocks, r.binary ? 12 + r.sizeT : 8,
                "%lld node blocks, more than the file holds") ||
        !take(n, r.status))
      return false;
    int64_t v = 0;
    for (int64_t b = 0; b < blocks; b++) {
      int64_t dim = 0, tag = 0, param = 0, inBlock = 0;
      if (!r.getInt(dim) || !r.getInt(tag) || !r.getInt(param) ||
          !r.getCount(inBlock, "negative node count %lld in a block"))
        return false;
      if (inBlock > n - v) return r.failf("block of %lld nodes beyond the node count", inBlock);
      int64_t *tags = m.nodeTags.data() + v;
      if (!r.getSizes(tags, inBlock)) return false;
      for (int64_t k = 0; k < inBlock; k++)
        if (tags[k] < minTag || tags[k] > maxTag || tags[k] < 1)
          return r.failf("node tag %lld out of range", tags[k]);
      const int extra = param ? int(std::min<int64_t>(std::max<int64_t>(dim, 0), 3)) : 0;
      // x, y, z of each node as the object keeps them
      if (r.binary && !r.swap && !extra && obj && inBlock > 0) {
        if ((r.end - r.p) / 24 < inBlock) return r.fail("unexpected end of file");
        double *c = obj->crdDbl + 3 * (v + 1);
        std::memcpy(c, r.p, size_t(inBlock) * 24);
        for (int64_t k = 0; k < inBlock && !m.anyZ; k++) m.anyZ = c[3 * k + 2] != 0;
        r.p += inBlock * 24;
        r.release();
        v += inBlock;
        continue;
      }
      for (int64_t k = 0; k < inBlock; k++) {
        r.release();
        double x, y, z, u;
        if (!r.getReal(x) || !r.getReal(y) || !r.getReal(z)) return false;
        for (int e = 0; e < extra; e++)
          if (!r.getReal(u)) return false;
        store(v + k + 1, x, y, z);
      }
      v += inBlock;
    }
    if (v != n) return r.failf("%lld nodes in the blocks, fewer than announced", v);
  }
  int64_t bad = 0;
  if (!m.nodes.build(m.nodeTags, &bad)) return r.failf("repeated node tag %lld", bad);
  m.nodeTags.clear();
  m.nodeTags.shrink_to_fit();
  m.haveNodes = true;
  return r.expectEnd("$Nodes");
}

// ---- Elements ----

struct ElementCounts {
  int64_t stored[PAV_NBR_STORED_TYPES] = {};
  std::vector<std::pair<int, int64_t>> skipped; // Gmsh type, count
  void skip(int gmshType, int64_t n) {
    for (auto &s : skipped)
      if (s.first == gmshType) return void(s.second += n);
    skipped.push_back({gmshType, n});
  }
};

struct ElementSink {
  PavObject *obj = nullptr; // null: counting pass
  MeshParts *m = nullptr;
  int32_t filled[PAV_NBR_STORED_TYPES] = {};
  std::vector<int64_t> nodeBuf;
  bool volume = false;
};

int64_t referenceOf(const MeshParts &m, int64_t dim, int64_t entity) {
  const auto it = m.entityPhysical.find(entityKey(dim, entity));
  return it != m.entityPhysical.end() ? it->second : entity;
}

// The failures of putElement, kept out of its loop.
[[gnu::noinline]] bool tagOfNoNode(Reader &r, int64_t tag) {
  return r.failf("node tag %lld of no node", static_cast<long long>(tag));
}
[[gnu::noinline]] bool beyondCount(Reader &r) {
  return r.fail("more elements than in the counting pass");
}

// One element of an entity type (0: skipped) with its node tags; `table` is the type's
// Gmsh-to-canonical order (null for corners).
inline bool putElement(Reader &r, ElementSink &s, int type, const int *table, int nodes,
                       int64_t tag, const int64_t *tags, int64_t ref) {
  if (!type) return true;
  PavEntitySet &set = s.obj->ent[type];
  if (s.filled[type] >= set.nbr) return beyondCount(r);
  const int32_t i = ++s.filled[type];
  int32_t *idx = set.idx + int64_t(nodes) * i;
  for (int g = 0; g < nodes; g++) {
    const int32_t v = s.m->nodes.find(tags[g]);
    if (!v) return tagOfNoNode(r, tags[g]);
    idx[table ? table[g] : g] = v;
  }
  set.ref[i] = int32_t(ref);
  if (s.m->keepTags) s.m->elementTags.push_back({tag, type, i});
  return true;
}

// A block of binary 4.1 elements (8-byte sizes in the machine's order, inside the file) filled on
// up to four threads, which take chunks of about 4 MiB in turn and hand each chunk's pages back
// once converted: the fill also takes the zeroing of the fresh pages of the object's arrays,
// about half of its time, which one thread would do alone. False at a tag of no node, the
// message giving the first such element.
bool fillBinaryBlock(Reader &r, ElementSink &s, int type, const int *table, int nodes,
                     int64_t count, int64_t ref) {
  PavEntitySet &set = s.obj->ent[type];
  if (count > set.nbr - s.filled[type]) return beyondCount(r);
  const int64_t rec = 8 * (1 + int64_t(nodes)), chunk = std::max<int64_t>(1, (4 << 20) / rec);
  const int64_t chunks = (count + chunk - 1) / chunk, first = s.filled[type];
  const char *data = r.p;
  const NodeMap &map = s.m->nodes;
  std::atomic<int64_t> next{0}, bad{count}; // bad: the first element with a tag of no node
  // What the loop reads, in locals that the stores into the arrays cannot alias.
  int order[128];
  for (int g = 0; g < nodes; g++) order[g] = table ? table[g] : g;
  auto work = [&, order] {
    const int nn = nodes;
    const int64_t base = map.base;
    const int32_t *dense = map.dense.empty() ? nullptr : map.dense.data();
    const uint64_t range = map.dense.size();
    int32_t *const idxAll = set.idx, *const refAll = set.ref;
    const int32_t refValue = int32_t(ref);
    const uintptr_t page = uintptr_t(Reader::kPage);
    for (int64_t c; (c = next++) < chunks;) {
      const int64_t from = c * chunk, to = std::min(count, from + chunk);
      // The chunk's pages mapped in one call rather than one fault at a time.
      const uintptr_t lo = uintptr_t(data + from * rec) & ~(page - 1);
      ::madvise(reinterpret_cast<void *>(lo), uintptr_t(data + to * rec) - lo, MADV_POPULATE_READ);
      for (int64_t e = from; e < to && e < bad.load(std::memory_order_relaxed); e++) {
        const char *q = data + e * rec + 8;
        const int64_t i = first + e + 1;
        int32_t *idx = idxAll + nn * i;
        for (int g = 0; g < nn; g++) {
          int64_t tag;
          std::memcpy(&tag, q + 8 * g, 8);
          const uint64_t at = uint64_t(tag) - uint64_t(base); // wraps, never overflows
          const int32_t v = dense ? (at < range ? dense[at] : 0) : map.find(tag);
          if (!v) {
            for (int64_t seen = bad.load(); e < seen && !bad.compare_exchange_weak(seen, e);) {
            }
            break;
          }
          idx[order[g]] = v;
        }
        refAll[i] = refValue;
      }
      const uintptr_t b = (uintptr_t(data + from * rec) + page - 1) & ~(page - 1);
      const uintptr_t e = uintptr_t(data + to * rec) & ~(page - 1);
      if (e > b) ::madvise(reinterpret_cast<void *>(b), e - b, MADV_DONTNEED);
    }
  };
  cpu_set_t cpus;
  const int64_t n = sched_getaffinity(0, sizeof cpus, &cpus) == 0 ? CPU_COUNT(&cpus) : 1;
  std::vector<std::thread> helpers;
  try {
    for (int64_t k = 1; k < std::min<int64_t>({n, 4, chunks}); k++) helpers.emplace_back(work);
  } catch (const std::exception &) {
    // No thread to be had: those started and this one do the block.
  }
  work();
  for (std::thread &t : helpers) t.join();
  if (bad < count) {
    r.p = data + bad * rec;
    for (int g = 0; g < nodes; g++) {
      int64_t tag;
      std::memcpy(&tag, r.p + 8 + 8 * g, 8);
      if (!map.find(tag)) return tagOfNoNode(r, tag);
    }
  }
  s.filled[type] += int32_t(count);
  r.p = data + count * rec;
  r.released = std::max<int64_t>(r.released, (r.p - r.begin) & ~(Reader::kPage - 1));
  return true;
}

bool readElements(Reader &r, ElementCounts &c, ElementSink *sink) {
  const bool fill = sink != nullptr;
  const int64_t intSize = r.binary ? 4 : 2;
  if (r.version < 3) {
    int64_t n = 0;
    if (!r.asciiInt(n) || !r.fits(n, r.binary ? 12 : 6, "%lld elements, more than the file holds"))
      return false;
    if (r.binary) r.skipLine();
    int64_t done = 0;
    while (done < n) {
      int64_t type = 0, inBlock = 1, nTags = 0, tag = 0;
      if (r.binary) {
        if (!r.getInt(type) || !r.getInt(inBlock) || !r.getInt(nTags)) return false;
        if (inBlock < 1 || inBlock > n - done)
          return r.failf("block of %lld elements beyond the element count", inBlock);
      }
      if (!fill && r.binary) {
        int nodes = 0;
        const char *why = nullptr;
        const int ent = pav_GmshElementType(int(type), &nodes, &why);
        if (!nodes) return r.failf("unknown element type %lld", type);
        if (nTags < 0 || nTags > 1000) return r.failf("wrong number of tags %lld", nTags);
        if (!r.fits(inBlock, (1 + nTags + nodes) * 4, "%lld elements, more than the file holds"))
          return false;
        r.p += inBlock * (1 + nTags + nodes) * 4;
        if (ent)
          c.stored[ent] += inBlock;
        else
          c.skip(int(type), inBlock);
        done += inBlock;
        continue;
      }
      for (int64_t e = 0; e < inBlock; e++) {
        if (!r.getInt(tag)) return false;
        if (!r.binary && (!r.getInt(type) || !r.getInt(nTags))) return false;
        int nodes = 0;
        const char *why = nullptr;
        const int ent = pav_GmshElementType(int(type), &nodes, &why);
        if (!nodes) return r.failf("unknown element type %lld", type);
        if (nTags < 0 || nTags > 1000) return r.failf("wrong number of tags %lld", nTags);
        if (!fill && !r.binary) {
          r.skipLine();
          if (ent)
            c.stored[ent]++;
          else
            c.skip(int(type), 1);
          continue;
        }
        int64_t phys = 0, elem = 0, x = 0;
        for (int64_t k = 0; k < nTags; k++) {
          if (!r.getInt(x)) return false;
          if (k == 0) phys = x;
          if (k == 1) elem = x;
        }
        sink->nodeBuf.resize(size_t(nodes));
        for (int g = 0; g < nodes; g++)
          if (!r.getInt(sink->nodeBuf[size_t(g)])) return false;
        r.release();
        const int *table = ent && ent != Corners ? pav_GmshToCanonical(ent) : nullptr;
        if (!putElement(r, *sink, ent, table, nodes, tag, sink->nodeBuf.data(), phys ? phys : elem))
          return false;
      }
      done += inBlock;
    }
    return r.expectEnd("$Elements");
  }
  int64_t blocks = 0, n = 0, minTag = 0, maxTag = 0;
  if (!r.getCount(blocks, "negative block count %lld") ||
      !r.getCount(n, "negative element count %lld") || !r.getSize(minTag) || !r.getSize(maxTag))
    return false;
  if (!r.fits(n, r.binary ? 2 * r.sizeT : 4, "%lld elements, more than the file holds") ||
      !r.fits(blocks, r.binary ? 12 + r.sizeT : 8, "%lld element blocks, more than the file holds"))
    return false;
  int64_t done = 0;
  for (int64_t b = 0; b < blocks; b++) {
    int64_t dim = 0, entity = 0, type = 0, inBlock = 0;
    if (!r.getInt(dim) || !r.getInt(entity) || !r.getInt(type) ||
        !r.getCount(inBlock, "negative element count %lld in a block"))
      return false;
    if (inBlock > n - done)
      return r.failf("block of %lld elements beyond the element count", inBlock);
    int nodes = 0;
    const char *why = nullptr;
    const int ent = pav_GmshElementType(int(type), &nodes, &why);
    if (!nodes) return r.failf("unknown element type %lld", type);
    if (!fill) {
      if (ent)
        c.stored[ent] += inBlock;
      else
        c.skip(int(type), inBlock);
      if (r.binary) {
        if (!r.fits(inBlock, (1 + nodes) * int64_t(r.sizeT),
                    "block of %lld elements beyond the file"))
          return false;
        r.p += inBlock * (1 + nodes) * int64_t(r.sizeT);
      } else {
        if (!r.fits(inBlock, (1 + nodes) * intSize, "block of %lld elements beyond the file"))
          return false;
        r.skipLine(); // the rest of the block's header line
        for (int64_t e = 0; e < inBlock; e++) {
          r.skipLine();
          r.release();
        }
      }
      done += inBlock;
      continue;
    }
    const int64_t ref = referenceOf(*sink->m, dim, entity);
    sink->volume = sink->volume || (ent && dim == 3);
    // The element's tag, then its node tags.
    sink->nodeBuf.resize(size_t(nodes) + 1);
    int64_t *tags = sink->nodeBuf.data();
    const int *table = ent && ent != Corners ? pav_GmshToCanonical(ent) : nullptr;
    if (ent && r.binary && !r.swap && r.sizeT == 8 && !sink->m->keepTags && nodes <= 128) {
      if (!r.fits(inBlock, (1 + nodes) * 8, "block of %lld elements beyond the file") ||
          !fillBinaryBlock(r, *sink, ent, table, nodes, inBlock, ref))
        return false;
      done += inBlock;
      continue;
    }
    for (int64_t e = 0; e < inBlock; e++) {
      if (!r.getSizes(tags, nodes + 1)) return false;
      r.release();
      if (!putElement(r, *sink, ent, table, nodes, tags[0], tags + 1, ref)) return false;
    }
    done += inBlock;
  }
  if (done != n) return r.failf("%lld elements in the blocks, not the count announced", done);
  return r.expectEnd("$Elements");
}

bool openReader(Reader &r, MappedFile &f, const char *name, char *status) {
  r.file = name;
  r.status = status;
  if (!f.open(name)) {
    pav_Fail(status, "Cannot open mesh file %s\n", name);
    return false;
  }
  r.begin = r.p = f.data;
  r.end = f.data + f.size;
  std::string s;
  if (!r.nextSection(s)) return r.fail("empty file");
  if (s != "$MeshFormat") return r.fail("$MeshFormat expected first");
  return readFormat(r);
}

// Walks the sections of the mesh: entities, nodes, then both passes over the elements.
bool readMesh(Reader &r, MeshParts &m, PavObject *obj, ElementCounts &counts, bool print) {
  std::string s;
  while (!r.failed && r.nextSection(s)) {
    if (s == "$PhysicalNames") {
      if (!readPhysicalNames(r, print)) return false;
    } else if (s == "$Entities" && r.version > 3) {
      if (!readEntities(r, m)) return false;
    } else if (s == "$Nodes") {
      if (m.haveNodes) return r.fail("second $Nodes section");
      if (!readNodes(r, m, obj)) return false;
    } else if (s == "$Elements") {
      if (!m.haveNodes) return r.fail("$Elements before $Nodes");
      m.elements = r.p;
      if (!readElements(r, counts, nullptr)) return false;
      break;
    } else if (!r.skipSection(s))
      return false;
  }
  return !r.failed;
}

bool fillElements(Reader &r, MeshParts &m, PavObject *obj, const ElementCounts &counts,
                  bool *volume) {
  for (int t = Corners; t < PAV_NBR_STORED_TYPES; t++) {
    if (!pav_IsStoredType(t) || t == Vertices || !counts.stored[t]) continue;
    if (counts.stored[t] >= INT32_MAX) return r.fail("too many elements of one kind");
    if (pav_AllocEntityArrays(obj, t, int32_t(counts.stored[t]), r.status) != PAV_SUCCESS) {
      r.failed = true;
      return false;
    }
  }
  ElementSink sink;
  sink.obj = obj;
  sink.m = &m;
  r.rewind(m.elements);
  r.section = "$Elements";
  ElementCounts unused;
  if (!readElements(r, unused, &sink)) return false;
  *volume = sink.volume;
  return true;
}

} // namespace

bool pav_IsGmshFile(const char *name) {
  if (!name) return false;
  const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool found = false;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    const size_t len = std::strlen(name);
    found = len >= 4 && std::strcmp(name + len - 4, ".msh") == 0;
    char head[11] = {0};
    if (!found && ::read(fd, head, 11) == 11) found = std::memcmp(head, "$MeshFormat", 11) == 0;
  }
  ::close(fd);
  return found;
}

int pav_OpenGmshMesh(PavObject *obj, const char *name, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!name) return pav_Fail(status, "NULL (MshFile)   parameter on input\n");
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  status[0] = status[PAV_STATUS_SIZE] = 0;
  pav_ResetObject(obj);
  MappedFile f;
  Reader r;
  if (!openReader(r, f, name, status)) {
    pav_ResetObject(obj);
    return PAV_FAILURE;
  }
  std::snprintf(status + PAV_STATUS_SIZE, PAV_STATUS_SIZE, "%s", name);
  MeshParts m;
  ElementCounts counts;
  bool volume = false;
  if (!readMesh(r, m, obj, counts, true) ||
      (m.elements && !fillElements(r, m, obj, counts, &volume))) {
    pav_ResetObject(obj);
    return PAV_FAILURE;
  }
  obj->dim = volume || m.anyZ ? 3 : 2;
  for (const auto &s : counts.skipped) {
    int nodes = 0;
    const char *why = "";
    pav_GmshElementType(s.first, &nodes, &why);
    std::printf(" warning : %s: %lld elements of Gmsh type %d (%d nodes, %s) skipped\n", name,
                static_cast<long long>(s.second), s.first, nodes, why ? why : "degree 0");
  }
  return PAV_SUCCESS;
}

// ---- Fields ----

namespace {

struct FieldHeader {
  std::string name;
  double time = 0;
  int64_t step = 0, comps = 1, count = 0;
};

bool readFieldHeader(Reader &r, FieldHeader &h) {
  int64_t n = 0;
  std::string s;
  if (!r.asciiInt(n) || !r.fits(n, 2, "%lld string tags, more than the file holds")) return false;
  for (int64_t i = 0; i < n; i++) {
    if (!r.getString(s)) return false;
    if (i == 0) h.name = s;
  }
  double x = 0;
  if (!r.asciiInt(n) || !r.fits(n, 2, "%lld real tags, more than the file holds")) return false;
  for (int64_t i = 0; i < n; i++) {
    if (!r.asciiReal(x)) return false;
    if (i == 0) h.time = x;
  }
  if (!r.asciiInt(n) || !r.fits(n, 2, "%lld integer tags, more than the file holds")) return false;
  int64_t v = 0;
  for (int64_t i = 0; i < n; i++) {
    if (!r.asciiInt(v)) return false;
    if (i == 0) h.step = v;
    if (i == 1) h.comps = v;
    if (i == 2) h.count = v;
  }
  if (h.comps != 1 && h.comps != 3 && h.comps != 9)
    return r.failf("%lld components (1, 3 or 9 are read)", h.comps);
  if (h.count < 0) return r.failf("negative value count %lld", h.count);
  if (r.binary) r.skipLine();
  return true;
}

// The kind and width of a field of so many components in a mesh of a dimension.
int fieldKind(int64_t comps) {
  return comps == 1 ? PavSolScalar : comps == 3 ? PavSolVector : PavSolMatrix;
}

// Copies the components of one node into a record's slot, keeping 2 or 2 x 2 in 2-D.
void putValues(double *to, const double *from, int64_t comps, int dim) {
  if (comps == 1 || dim == 3) {
    std::copy(from, from + comps, to);
  } else if (comps == 3) {
    to[0] = from[0];
    to[1] = from[1];
  } else {
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[3];
    to[3] = from[4];
  }
}

struct Pending {
  int list;
  PavSolution *rec;
};

struct Records {
  std::vector<Pending> recs;
  ~Records() {
    for (Pending &p : recs) pav_FreeSolutionList(p.rec);
  }
};

bool readField(Reader &r, const std::string &kind, PavObject *obj, MeshParts &m, Records &out) {
  FieldHeader h;
  if (!readFieldHeader(r, h)) return false;
  const int dim = obj->dim;
  const int sk = fieldKind(h.comps);
  const bool atNodes = kind == "$NodeData", perNode = kind == "$ElementNodeData";
  const int64_t least = (r.binary ? 4 + 8 * h.comps : 2 * h.comps + 2) + (perNode ? 4 : 0);
  if (!r.fits(h.count, least, "%lld values, more than the file holds")) return false;
  if (!atNodes && m.elementTags.empty() && h.count)
    return r.fail("element data without the $Elements of the same file");
  PavSolution *recOf[PAV_NBR_STORED_TYPES] = {};
  auto record = [&](int type) -> PavSolution * {
    if (recOf[type]) return recOf[type];
    const int32_t n = obj->ent[type].nbr;
    const int degree = type == Vertices ? 1 : perNode ? pav_GetDegree(type) : 0;
    const int nodes = perNode ? pav_MshTyp2Siz(type, nullptr) : 1;
    PavSolution *rec = pav_NewSolutionRecord(dim, sk, n, degree, nodes, r.status);
    if (!rec) return r.failed = true, nullptr;
    std::snprintf(rec->name, PAV_NAME_SIZE, "%s", h.name.c_str());
    rec->time = h.time;
    rec->iteration = int32_t(h.step);
    out.recs.push_back({type == Vertices ? SolAtVertices : pav_EntTyp2SolTyp(type, nullptr), rec});
    return recOf[type] = rec;
  };
  std::vector<double> vals;
  const int width = pav_SolKindSize(dim, sk);
  int64_t orphans = 0;
  for (int64_t i = 0; i < h.count; i++) {
    r.release();
    int64_t tag = 0, nn = 1;
    if (!r.getInt(tag)) return false;
    if (perNode && !r.getInt(nn)) return false;
    if (nn < 1 || nn > 1000) return r.failf("%lld nodes per element", nn);
    vals.resize(size_t(nn * h.comps));
    for (double &v : vals)
      if (!r.getReal(v)) return false;
    int type = Vertices;
    int32_t at = 0;
    if (atNodes) {
      at = m.haveNodes ? m.nodes.find(tag)
                       : (tag >= 1 && tag <= obj->ent[Vertices].nbr ? int32_t(tag) : 0);
      if (!at) { // Gmsh writes values of nodes it did not save (under tag -1 in 2.2)
        orphans++;
        continue;
      }
    } else {
      const auto it = std::lower_bound(m.elementTags.begin(), m.elementTags.end(),
                                       MeshParts::ElementAt{tag, 0, 0});
      if (it == m.elementTags.end() || it->tag != tag) {
        // Elements of skipped kinds carry data that has no place here.
        continue;
      }
      type = it->type;
      at = it->index;
      if (type == Corners) continue;
    }
    PavSolution *rec = record(type);
    if (!rec) return false;
    if (perNode) {
      if (nn != rec->nbrNod) return r.failf("%lld nodes per element, not those of the element", nn);
      const int *table = pav_GmshToCanonical(type);
      for (int64_t g = 0; g < nn; g++)
        putValues(rec->data + (int64_t(at) * nn + table[g]) * width, &vals[size_t(g * h.comps)],
                  h.comps, dim);
    } else {
      putValues(rec->data + int64_t(at) * width, vals.data(), h.comps, dim);
    }
  }
  if (orphans)
    std::printf(" warning : %s: %lld values of %s \"%s\" on nodes not in the file skipped\n",
                r.file.c_str(), static_cast<long long>(orphans), kind.c_str(), h.name.c_str());
  return r.expectEnd(kind);
}

} // namespace

int pav_OpenGmshSolution(PavObject *obj, const char *name, char *status) {
  if (!obj) return pav_Fail(status, PAV_MSG_NULL_OBJECT);
  if (!name) return pav_Fail(status, "NULL (Solution Name) parameter on input\n");
  if (!status) return pav_Fail(status, PAV_MSG_NULL_STATUS);
  status[0] = status[PAV_STATUS_SIZE] = 0;
  MappedFile f;
  Reader r;
  if (!openReader(r, f, name, status)) return PAV_FAILURE;
  std::snprintf(status + PAV_STATUS_SIZE, PAV_STATUS_SIZE, "%s", name);
  if (obj->dim < 2) return pav_Fail(status, "No mesh to attach the fields of %s to\n", name);
  MeshParts m;
  Records out;
  std::string s;
  while (!r.failed && r.nextSection(s)) {
    if (s == "$Entities" && r.version > 3) {
      if (!readEntities(r, m)) break;
    } else if (s == "$Nodes") {
      if (m.haveNodes) {
        r.fail("second $Nodes section");
        break;
      }
      if (!readNodes(r, m, nullptr)) break;
    } else if (s == "$Elements") {
      if (!m.haveNodes) {
        r.fail("$Elements before $Nodes");
        break;
      }
      // Element tags are matched against the object as this file orders it: the counts must
      // agree with the object's.
      const char *at = r.p;
      ElementCounts counts;
      if (!readElements(r, counts, nullptr)) break;
      bool same = true;
      for (int t = Corners; t < PAV_NBR_STORED_TYPES; t++)
        if (pav_IsStoredType(t) && t != Vertices)
          same = same && counts.stored[t] == pav_Count(obj, t);
      if (!same) {
        r.fail("elements that differ from the mesh's");
        break;
      }
      int64_t total = 0;
      for (int t = Corners; t < PAV_NBR_STORED_TYPES; t++)
        if (pav_IsStoredType(t) && t != Vertices) total += counts.stored[t];
      m.elementTags.reserve(size_t(total));
      m.keepTags = true;
      // A private object takes the indices; only the tags are kept.
      PavObject *scratch = nullptr;
      pav_NewInterface(&scratch);
      const char *end = r.p;
      r.rewind(at);
      m.elements = at;
      bool volume = false;
      const bool ok = scratch && fillElements(r, m, scratch, counts, &volume);
      pav_DeleteInterface(&scratch);
      if (!ok) break;
      r.p = end;
      std::sort(m.elementTags.begin(), m.elementTags.end());
    } else if (s == "$NodeData" || s == "$ElementData" || s == "$ElementNodeData") {
      if (!readField(r, s, obj, m, out)) break;
    } else if (!r.skipSection(s))
      break;
  }
  if (r.failed) return PAV_FAILURE;
  if (out.recs.empty()) return pav_Fail(status, "No field in Gmsh file %s\n", name);
  // The first field of the file ends at the head of its list.
  for (size_t k = out.recs.size(); k-- > 0;) {
    char scratch[PAV_STATUS_SIZE];
    if (pav_PushSolution(obj, out.recs[k].list, out.recs[k].rec, scratch) == PAV_SUCCESS)
      out.recs[k].rec = nullptr;
  }
  return PAV_SUCCESS;
}
