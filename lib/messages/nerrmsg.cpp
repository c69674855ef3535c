// The error-count limiter: counts error messages, prints them through mesag
// while within the print limit, ends the run past the abort limit or at once
// for a fatal message.
#include "lib/messages/nerrmsg.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "lib/messages/mesag.h"
#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::int32_t kDefaultPrint = 50;
constexpr std::int32_t kDefaultAbort = 100;
constexpr std::size_t kSuffixWidth = 20;
constexpr std::size_t kLineWidth = 119;  // of the 120-character message buffer
constexpr std::size_t kLimitField = 10;

std::int32_t nPrint = kDefaultPrint;
std::int32_t nAbort = kDefaultAbort;
bool abort_on = true;
std::int32_t message_count = 0;
std::int32_t star_count = 0;
std::int32_t hash_count = 0;
std::string suffix;  // " (" + caller name + ")", at most 20 characters

// A limit read as a real from a field of up to 10 characters (blanks
// ignored), taken to the nearest whole number, halves away from zero. An
// empty or unreadable field gives false.
bool read_limit(std::string_view text, std::size_t from, std::size_t to, std::int32_t& limit) {
  if (from >= to || from >= text.size()) return false;
  to = std::min({to, text.size(), from + kLimitField});
  std::string digits;
  for (char c : text.substr(from, to - from)) {
    if (c != ' ') digits += c;
  }
  if (digits.empty()) return false;
  for (char& c : digits) {
    if (c == 'd' || c == 'D') c = 'E';
  }
  char* end = nullptr;
  const double value = std::strtod(digits.c_str(), &end);
  if (end != digits.c_str() + digits.size() || !std::isfinite(value)) return false;
  const double rounded = std::round(value);
  if (rounded < std::numeric_limits<std::int32_t>::min() ||
      rounded > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  limit = static_cast<std::int32_t>(rounded);
  return true;
}

// Limits from the text; false when it is malformed.
bool read_limits(std::string_view text, std::size_t u, std::size_t w) {
  // u and w: 0-based positions of the first and second slash.
  if (w == std::string_view::npos || w <= u + 1) return false;
  const std::string_view between = text.substr(u + 1, w - u - 1);
  const std::size_t till = between.find("till");
  const std::size_t from = till == std::string_view::npos ? u + 4 : u + 1 + till + 4;
  std::int32_t print = 0;
  if (!read_limit(text, from, w, print)) return false;
  if (text.size() > w + 7 && text.substr(w + 7, 5) == "Never") {
    nPrint = print;
    abort_on = false;
    return true;
  }
  std::int32_t abort = 0;
  if (!read_limit(text, w + 9, text.size(), abort)) return false;
  nPrint = print;
  nAbort = abort;
  return true;
}

void initialise(std::string_view text, std::int32_t mode) {
  const std::string_view used_text = used(text);
  const std::size_t u = used_text.find('/');
  const std::size_t w = u == std::string_view::npos ? u : used_text.find('/', u + 1);
  if (u == std::string_view::npos || !read_limits(used_text, u, w)) {
    mesag("*Error initializing \"nerrmsg\"; use 50,100", 1);
    mesag(text, 2);
    nPrint = kDefaultPrint;
    nAbort = kDefaultAbort;
  }

  suffix.clear();
  if (u != std::string_view::npos && u > 0) {
    const std::string_view name = used(used_text.substr(0, u));
    if (!name.empty()) {
      suffix = " (";
      suffix += name;
      suffix += ")";
      if (suffix.size() > kSuffixWidth) suffix.resize(kSuffixWidth);
    }
  }

  message_count = 0;
  hash_count = 0;
  if (mode <= -2) write_free(kConsole, {">>In nerrmsg: nPrint,nAbort=", nPrint, nAbort});
}

void print(std::string_view text) {
  if (!text.empty() && text[0] == '/') {
    mesag(" ", 2);
    text.remove_prefix(1);
  }
  std::string_view body = used(text);
  if (body.size() + suffix.size() > kLineWidth) body = body.substr(0, kLineWidth - suffix.size());
  std::string line(body);
  line += suffix;
  mesag(line, 2);
}

bool among_first_three(std::string_view text, char c) {
  return text.substr(0, 3).find(c) != std::string_view::npos;
}

}  // namespace

std::int32_t nerrmsg(std::string_view text, std::int32_t mode) {
  if (mode < 0) {
    initialise(text, mode);
    return 0;
  }
  if (mode == kNerrmsgQuery) {
    if (!text.empty() && text[0] == '*') return star_count;
    if (!text.empty() && text[0] == '#') return hash_count;
    return message_count;
  }

  // Mode 4 counts the message once, without printing it.
  const std::int32_t c = message_count;
  if (mode != kNerrmsgSilent) {
    if (c <= nPrint || mode == kNerrmsgFatal) print(text);
    if (c == nPrint) {
      std::string notice(120, ' ');
      render(notice, "(A, I3, A)",
             {"(Reached max no. of error msgs to print (", nPrint, "); will stop printing them.)"});
      mesag(notice, 2);
    }
  }
  if (abort_on && c >= nAbort) {
    mesag("*nerrmsg: Max number errs exceeded; Terminate", 2);
    stop(kExitError, " ");
  }
  message_count = c + 1;
  if (among_first_three(text, '*')) ++star_count;
  if (among_first_three(text, '#')) ++hash_count;
  if (mode == kNerrmsgFatal) {
    mesag("*Terminating*", 2);
    stop(kExitError, " ");
  }
  return message_count;
}

void fatal(std::string_view text) {
  nerrmsg(text, kNerrmsgFatal);
  stop(kExitError);  // reached only where a test's stop hook returned
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] {
  nPrint = kDefaultPrint;
  nAbort = kDefaultAbort;
  abort_on = true;
  message_count = 0;
  star_count = 0;
  hash_count = 0;
  suffix.clear();
});

}  // namespace sunder
