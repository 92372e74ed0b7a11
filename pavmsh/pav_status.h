// The error funnel of the core library.
//
// Functions of the core library report failures into a caller-owned status buffer of at least
// PAV_STATUS_SIZE characters and return PAV_FAILURE (2), or null for pointer results; success is
// PAV_SUCCESS (0). A null status buffer is legal: the message is then lost, the call still fails.
// Programming errors that the numerics catch (a type code or degree out of range) go through
// pav_Fatal, which prints a fixed message and ends the process with status 1.
#pragma once

#include <cstddef>

#if defined(__GNUC__)
#define PAV_PRINTF(fmtIdx, argIdx) __attribute__((format(printf, fmtIdx, argIdx)))
#else
#define PAV_PRINTF(fmtIdx, argIdx)
#endif

constexpr int PAV_SUCCESS = 0;
constexpr int PAV_FAILURE = 2;
// Size of a status buffer; formatting into it is bounded to this many characters.
constexpr std::size_t PAV_STATUS_SIZE = 512;

// Fixed check texts shared by every function that takes the object and a status buffer.
#define PAV_MSG_NULL_OBJECT "NULL (PavObject) parameter on input\n"
#define PAV_MSG_NULL_STATUS "NULL (status)    parameter on input\n"

// Formats one message into status (bounded to PAV_STATUS_SIZE, always terminated; nothing when
// status is null) and returns PAV_FAILURE so that callers can write `return pav_Fail(...)`.
int pav_Fail(char *status, const char *fmt, ...) PAV_PRINTF(2, 3);

// Formats like pav_Fail but returns nothing; for functions whose result is a pointer or a value.
void pav_SetStatus(char *status, const char *fmt, ...) PAV_PRINTF(2, 3);

// Appends the line "  Reason: <why>\n" to the message in status (nothing when why is null or
// empty), within PAV_STATUS_SIZE characters: a message too long to leave room (a very long file
// name) is cut and marked with "...", so that the reason is never the part lost. Returns
// PAV_FAILURE.
int pav_AppendReason(char *status, const char *why);

// What the core has to say outside the status of a call (a conversion left undone, a root not
// found, the values behind a fatal error): formatted, then handed to the message sink. The
// default sink prints on standard output, or standard error when `error`; an application puts
// its own in place to route these messages where its others go. The sink may be called from
// worker threads.
void pav_Message(bool error, const char *fmt, ...) PAV_PRINTF(2, 3);
using PavMessageSink = void (*)(const char *text, bool error);
// Installs the sink (null restores the default). Meant to be called once at start-up.
void pav_SetMessageSink(PavMessageSink sink);

// Prints the message on standard output, flushes it and ends the process with status 1.
[[noreturn]] void pav_Fatal(const char *fmt, ...) PAV_PRINTF(1, 2);
