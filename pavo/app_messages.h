// The application's message funnel: every message of the program goes through here to standard
// output (standard error for the errors it reports as such), flushed at once, and to every
// terminal panel that listens. Panels receive whole lines: a text without its line end waits
// for the rest of its line (each stream apart) and blank lines are skipped, so a panel shows the
// lines the terminal shows. Safe to call from any thread; a listener is called
// on the thread that printed.
#pragma once

#include <functional>
#include <string>

namespace pavo {

// Prints a printf-style message on standard output and forwards its lines.
void appMessage(const char *format, ...) __attribute__((format(printf, 1, 2)));

// As appMessage, on standard error.
void appError(const char *format, ...) __attribute__((format(printf, 1, 2)));

// As appMessage, for what one window reports about itself (a pick): its lines go to the
// listeners of that window (`source`) and to those listening to every window, not to the panels
// of the other windows.
void appMessageFrom(const void *source, const char *format, ...)
    __attribute__((format(printf, 2, 3)));

// Prints an already formatted text on standard output (error: standard error) and forwards its
// lines to the listeners of `source` (null: every listener).
void appText(const std::string &text, bool error = false, const void *source = nullptr);

// Adds a listener of message lines (a terminal panel); returns its key for removeMessageListener.
// A listener with a source also receives the messages of that source; one without, all of them.
int addMessageListener(std::function<void(const std::string &line)> listener,
                       const void *source = nullptr);
void removeMessageListener(int key);

// Standard output in line-buffered mode, so that messages reach a pipe as they are printed.
void lineBufferStandardOutput();

// Routes the core library's messages (pav_Message) through the funnel from then on.
void routeCoreMessages();

} // namespace pavo
