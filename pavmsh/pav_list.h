// Chunked lists of integers and doubles, and the parser of integer ranges typed by users.
//
// A list is a chain of blocks of 1024 slots; the head is the newest block. Appending never copies:
// when the head block is full a new block becomes the head. A null pointer is an empty list.
// A failed block allocation ends the process through pav_Fatal.
#pragma once

#include <cstdint>

constexpr int PAV_LIST_BLOCK = 1024;

struct PavIntList {
  int32_t nbr; // used slots of this block
  int32_t val[PAV_LIST_BLOCK];
  PavIntList *next; // older block
};

struct PavDblList {
  int32_t nbr;
  double val[PAV_LIST_BLOCK];
  PavDblList *next;
};

// An empty block (malloc'ed; release the chain with pav_FreeIntList).
PavIntList *pav_NewIntList();
// Appends value and returns the head, which is a new block when the old head was full or null.
PavIntList *pav_AddToIntList(PavIntList *list, int32_t value);
// Frees the whole chain; null accepted.
void pav_FreeIntList(PavIntList *list);
// Number of values in the chain (64 bits: chains may exceed INT32_MAX entries).
int64_t pav_IntListLength(const PavIntList *list);
// All values in insertion order (oldest first) in a new malloc'ed array the caller frees, with
// *len their number. An empty or null list gives *len = 0 and null; so does a list longer than
// INT32_MAX or a failed allocation.
int32_t *pav_IntListToArray(const PavIntList *list, int32_t *len);

PavDblList *pav_NewDblList();
PavDblList *pav_AddToDblList(PavDblList *list, double value);
void pav_FreeDblList(PavDblList *list);
int64_t pav_DblListLength(const PavDblList *list);
// Values block by block from the head: the newest block first, each block in insertion order.
// Same ownership and empty cases as pav_IntListToArray.
double *pav_DblListToArray(const PavDblList *list, int32_t *len);
// Prints every value as " %lg " in the order of pav_DblListToArray, then ends the line.
void pav_PrintDblList(const PavDblList *list);

// Parses "1,3-5 7" into the malloc'ed array {1, 3, 4, 5, 7} (caller frees) with *count entries.
// Tokens are separated by blanks and commas; "a-b" expands to a..b and is skipped when a > b;
// anything that is not a number or a range is skipped. An empty or null text gives 0 and null.
// A range that would take the total beyond 2^26 values is skipped.
int32_t *pav_ParseIntList(const char *text, int32_t *count);
