#include "pav_list.h"

#include "pav_status.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

template <class L> L *newBlock(const char *what) {
  L *b = static_cast<L *>(malloc(sizeof(L)));
  if (!b) pav_Fatal("Allocation failed for %s list block\n", what);
  b->nbr = 0;
  b->next = nullptr;
  return b;
}

template <class L, class V> L *append(L *list, V value, const char *what) {
  if (!list || list->nbr >= PAV_LIST_BLOCK) {
    L *b = newBlock<L>(what);
    b->next = list;
    list = b;
  }
  list->val[list->nbr++] = value;
  return list;
}

template <class L> void freeChain(L *list) {
  while (list) {
    L *next = list->next;
    free(list);
    list = next;
  }
}

template <class L> int64_t length(const L *list) {
  int64_t n = 0;
  for (; list; list = list->next) n += list->nbr;
  return n;
}

} // namespace

PavIntList *pav_NewIntList() { return newBlock<PavIntList>("integer"); }
PavIntList *pav_AddToIntList(PavIntList *list, int32_t value) {
  return append(list, value, "integer");
}
void pav_FreeIntList(PavIntList *list) { freeChain(list); }
int64_t pav_IntListLength(const PavIntList *list) { return length(list); }

int32_t *pav_IntListToArray(const PavIntList *list, int32_t *len) {
  if (len) *len = 0;
  const int64_t n = length(list);
  if (n <= 0 || n > INT32_MAX) return nullptr;
  int32_t *out = static_cast<int32_t *>(malloc(sizeof(int32_t) * n));
  if (!out) return nullptr;
  // The head is the newest block: fill from the end of the array backwards.
  int64_t end = n;
  for (const PavIntList *b = list; b; b = b->next) {
    end -= b->nbr;
    memcpy(out + end, b->val, sizeof(int32_t) * b->nbr);
  }
  if (len) *len = static_cast<int32_t>(n);
  return out;
}

PavDblList *pav_NewDblList() { return newBlock<PavDblList>("double"); }
PavDblList *pav_AddToDblList(PavDblList *list, double value) {
  return append(list, value, "double");
}
void pav_FreeDblList(PavDblList *list) { freeChain(list); }
int64_t pav_DblListLength(const PavDblList *list) { return length(list); }

double *pav_DblListToArray(const PavDblList *list, int32_t *len) {
  if (len) *len = 0;
  const int64_t n = length(list);
  if (n <= 0 || n > INT32_MAX) return nullptr;
  double *out = static_cast<double *>(malloc(sizeof(double) * n));
  if (!out) return nullptr;
  int64_t pos = 0;
  for (const PavDblList *b = list; b; b = b->next) {
    memcpy(out + pos, b->val, sizeof(double) * b->nbr);
    pos += b->nbr;
  }
  if (len) *len = static_cast<int32_t>(n);
  return out;
}

void pav_PrintDblList(const PavDblList *list) {
  int32_t n = 0;
  double *v = pav_DblListToArray(list, &n);
  for (int32_t i = 0; i < n; i++) printf(" %lg ", v[i]);
  printf("\n");
  free(v);
}

namespace {

// Reads an optionally signed decimal integer at *p that fits 32 bits; advances *p past it.
bool readInt(const char **p, int32_t *value) {
  const char *s = *p;
  if (!(isdigit(static_cast<unsigned char>(*s)) ||
        ((*s == '-' || *s == '+') && isdigit(static_cast<unsigned char>(s[1])))))
    return false;
  char *end = nullptr;
  errno = 0;
  const long v = strtol(s, &end, 10);
  if (errno || v < INT32_MIN || v > INT32_MAX) {
    // Consume the digits anyway so the caller can skip the token.
    *p = end;
    return false;
  }
  *p = end;
  *value = static_cast<int32_t>(v);
  return true;
}

bool isSeparator(char c) { return c == ',' || isspace(static_cast<unsigned char>(c)); }

} // namespace

int32_t *pav_ParseIntList(const char *text, int32_t *count) {
  if (count) *count = 0;
  if (!text) return nullptr;
  constexpr int64_t maxValues = int64_t(1) << 26;
  std::vector<int32_t> out;
  const char *p = text;
  while (*p) {
    if (isSeparator(*p)) {
      p++;
      continue;
    }
    const char *tokenStart = p;
    int32_t a = 0, b = 0;
    bool ok = readInt(&p, &a);
    bool range = false;
    if (ok && *p == '-') {
      p++;
      range = true;
      ok = readInt(&p, &b);
    }
    if (ok && *p && !isSeparator(*p)) ok = false;
    if (!ok) {
      // Skip the rest of a malformed token.
      if (p == tokenStart) p++;
      while (*p && !isSeparator(*p)) p++;
      continue;
    }
    if (!range) {
      if (static_cast<int64_t>(out.size()) < maxValues) out.push_back(a);
    } else if (a <= b && static_cast<int64_t>(out.size()) + (int64_t(b) - a + 1) <= maxValues) {
      for (int64_t v = a; v <= b; v++) out.push_back(static_cast<int32_t>(v));
    }
  }
  if (out.empty()) return nullptr;
  int32_t *res = static_cast<int32_t *>(malloc(sizeof(int32_t) * out.size()));
  if (!res) return nullptr;
  memcpy(res, out.data(), sizeof(int32_t) * out.size());
  if (count) *count = static_cast<int32_t>(out.size());
  return res;
}
