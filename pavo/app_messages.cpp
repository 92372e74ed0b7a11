#include "app_messages.h"

#include <cstdarg>
#include <cstdio>
#include <map>

namespace pavo {

namespace {

std::map<int, std::function<void(const std::string &)>> &listeners() {
  static std::map<int, std::function<void(const std::string &)>> all;
  return all;
}

} // namespace

void appMessage(const char *format, ...) {
  va_list ap, copy;
  va_start(ap, format);
  va_copy(copy, ap);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (n > 0) {
    text.resize((size_t)n + 1);
    std::vsnprintf(&text[0], text.size(), format, ap);
    text.resize((size_t)n);
  }
  va_end(ap);
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
  forwardMessage(text);
}

void forwardMessage(const std::string &text) {
  size_t from = 0;
  while (from <= text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    const size_t a = text.find_first_not_of(" \t\r", from);
    if (a != std::string::npos && a < end) {
      const size_t b = text.find_last_not_of(" \t\r", end - 1);
      const std::string line = text.substr(a, b + 1 - a);
      // A listener may remove itself (its panel closes) while the lines go out.
      const auto copy = listeners();
      for (const auto &kv : copy) kv.second(line);
    }
    from = end + 1;
  }
}

int addMessageListener(std::function<void(const std::string &)> listener) {
  static int next = 0;
  listeners()[++next] = std::move(listener);
  return next;
}

void removeMessageListener(int key) { listeners().erase(key); }

void lineBufferStandardOutput() { std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ); }

} // namespace pavo
