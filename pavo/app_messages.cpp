#include "app_messages.h"

#include "pav_status.h"

#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace pavo {

namespace {

struct Listener {
  std::function<void(const std::string &)> call;
  const void *source;
};

struct Funnel {
  std::mutex lock;
  std::map<int, Listener> listeners;
  int next = 0;
  // The start of a line not ended yet, per stream (0 standard output, 1 standard error) and
  // per source: it waits for its line end before the panels see it.
  std::map<std::pair<int, const void *>, std::string> pending;
};

Funnel &funnel() {
  static Funnel f;
  return f;
}

std::string format(const char *fmt, va_list ap) {
  va_list copy;
  va_copy(copy, ap);
  const int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string text;
  if (n > 0) {
    text.resize((size_t)n + 1);
    std::vsnprintf(&text[0], text.size(), fmt, ap);
    text.resize((size_t)n);
  }
  return text;
}

void fromCore(const char *text, bool error) { appText(text, error); }

} // namespace

void appText(const std::string &text, bool error, const void *source) {
  Funnel &f = funnel();
  std::vector<std::string> lines;
  std::vector<std::function<void(const std::string &)>> to;
  {
    std::lock_guard<std::mutex> hold(f.lock);
    std::FILE *out = error ? stderr : stdout;
    std::fputs(text.c_str(), out);
    std::fflush(out);
    std::string &rest = f.pending[{error ? 1 : 0, source}];
    rest += text;
    size_t from = 0, end;
    while ((end = rest.find('\n', from)) != std::string::npos) {
      const size_t text = rest.find_first_not_of(" \t\r", from);
      if (text < end) lines.push_back(rest.substr(from, end - from));
      from = end + 1;
    }
    rest.erase(0, from);
    if (lines.empty()) return;
    for (const auto &kv : f.listeners)
      if (!kv.second.source || !source || kv.second.source == source) to.push_back(kv.second.call);
  }
  // Outside the lock: a listener may print, or remove itself (its panel closes).
  for (const std::string &line : lines)
    for (const auto &call : to) call(line);
}

void appMessage(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  const std::string text = format(fmt, ap);
  va_end(ap);
  appText(text);
}

void appError(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  const std::string text = format(fmt, ap);
  va_end(ap);
  appText(text, true);
}

void appMessageFrom(const void *source, const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  const std::string text = format(fmt, ap);
  va_end(ap);
  appText(text, false, source);
}

int addMessageListener(std::function<void(const std::string &)> listener, const void *source) {
  Funnel &f = funnel();
  std::lock_guard<std::mutex> hold(f.lock);
  f.listeners[++f.next] = {std::move(listener), source};
  return f.next;
}

void removeMessageListener(int key) {
  Funnel &f = funnel();
  std::lock_guard<std::mutex> hold(f.lock);
  f.listeners.erase(key);
}

void lineBufferStandardOutput() { std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ); }

void routeCoreMessages() { pav_SetMessageSink(fromCore); }

} // namespace pavo
