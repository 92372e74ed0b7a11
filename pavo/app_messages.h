// The application's message funnel: the messages a user must see wherever the program runs
// (files loaded, saved or refused) go to standard output, flushed at once, and to every terminal
// panel that listens, one panel line per message line.
#pragma once

#include <functional>
#include <string>

namespace pavo {

// Prints a printf-style message on standard output, flushes it and forwards its lines.
void appMessage(const char *format, ...) __attribute__((format(printf, 1, 2)));

// Forwards a text already printed on standard output to the listeners only: each of its
// non-blank lines, without its leading and trailing blanks.
void forwardMessage(const std::string &text);

// Adds a listener of message lines (a terminal panel); returns its key for removeMessageListener.
int addMessageListener(std::function<void(const std::string &line)> listener);
void removeMessageListener(int key);

// Standard output in line-buffered mode, so that messages reach a pipe as they are printed.
void lineBufferStandardOutput();

} // namespace pavo
