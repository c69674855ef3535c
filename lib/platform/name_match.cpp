// Names the Windows way: matching and order.
#include "lib/platform/name_match.h"

#include <algorithm>
#include <vector>

#include "lib/platform/file.h"

namespace sunder::platform {
namespace {

constexpr char kDosStar = '<';  // * before a dot: up to the name's last dot
constexpr char kDosQm = '>';    // ?: one character, or none at a dot or the end
constexpr char kDosDot = '"';   // . before a wildcard or at the end: a dot or the end

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Hyphens and apostrophes do not count in the name order.
bool ignored_in_order(char c) { return c == '-' || c == '\''; }

int order_weight(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (is_digit(c)) return 0x100 + u;
  if (is_letter(c)) return 0x200 + static_cast<unsigned char>(lower(c));
  if (u >= 0x80) return 0x300 + u;
  return u;  // blanks and punctuation
}

std::string order_key(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  for (const char c : name)
    if (!ignored_in_order(c)) key.push_back(c);
  return key;
}

// The pattern in the file system's own notation: "*.*" is "*"; ? is DOS_QM;
// a dot before ? or * or at the end is DOS_DOT; a * before a dot is DOS_STAR.
std::string translate_pattern(std::string_view pattern) {
  if (pattern == "*.*") return std::string(1, '*');
  std::string p(pattern);
  for (std::size_t i = 0; i < p.size(); ++i) {
    const bool last = i + 1 == p.size();
    const char next = last ? '\0' : pattern[i + 1];
    if (p[i] == '?') {
      p[i] = kDosQm;
    } else if (p[i] == '.' && (last || next == '?' || next == '*')) {
      p[i] = kDosDot;
    } else if (p[i] == '*' && next == '.') {
      p[i] = kDosStar;
    }
  }
  return p;
}

// Does the name match the translated pattern? Letter case is ignored.
bool matches_translated(std::string_view pat, std::string_view name) {
  const std::size_t np = pat.size();
  const std::size_t nn = name.size();
  const std::size_t last_dot = name.rfind('.');
  // ok[i][j]: pattern from i matches name from j; filled from the ends.
  std::vector<char> ok((np + 1) * (nn + 1), 0);
  auto at = [&](std::size_t i, std::size_t j) -> char& { return ok[i * (nn + 1) + j]; };
  at(np, nn) = 1;
  for (std::size_t i = np; i-- > 0;) {
    for (std::size_t j = nn + 1; j-- > 0;) {
      const bool more = j < nn;
      const char c = pat[i];
      bool r = false;
      if (c == '*') {
        r = at(i + 1, j) || (more && at(i, j + 1));
      } else if (c == kDosStar) {
        // Any characters, but not the name's last dot.
        r = at(i + 1, j) || (more && j != last_dot && at(i, j + 1));
      } else if (c == kDosQm) {
        if (!more || name[j] == '.') {
          std::size_t k = i;
          while (k < np && pat[k] == kDosQm) ++k;
          r = at(k, j);
        } else {
          r = at(i + 1, j + 1);
        }
      } else if (c == kDosDot) {
        r = more ? (name[j] == '.' && at(i + 1, j + 1)) : at(i + 1, j);
      } else {
        r = more && lower(name[j]) == lower(c) && at(i + 1, j + 1);
      }
      at(i, j) = r ? 1 : 0;
    }
  }
  return at(0, 0) != 0;
}

bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }

}  // namespace

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool before_in_name_order(const std::string& a, const std::string& b) {
  const std::string ka = order_key(a);
  const std::string kb = order_key(b);
  const std::size_t n = std::min(ka.size(), kb.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int x = order_weight(ka[i]);
    const int y = order_weight(kb[i]);
    if (x != y) return x < y;
  }
  if (ka.size() != kb.size()) return ka.size() < kb.size();
  const std::size_t ignored_a = a.size() - ka.size();
  const std::size_t ignored_b = b.size() - kb.size();
  if (ignored_a != ignored_b) return ignored_a < ignored_b;
  for (std::size_t i = 0; i < n; ++i)
    if (ka[i] != kb[i]) return ka[i] >= 'a' && ka[i] <= 'z';  // differ only in case here
  return a < b;
}

bool has_wildcard(std::string_view name) {
  return name.find_first_of("*?") != std::string_view::npos;
}

bool wildcard_match(std::string_view pattern, std::string_view name) {
  return matches_translated(translate_pattern(pattern), name);
}

int one_name_ignoring_case(std::string_view folder, std::string_view name, std::string& found) {
  std::vector<std::string> names;
  if (name.empty() || list_directory(folder.empty() ? "." : folder, names) != kFileOk) {
    return kNotFound;
  }
  int status = kNotFound;
  for (std::string& n : names) {
    if (!same_ignoring_case(n, name)) continue;
    if (status == kFileOk) return kSeveralMatch;
    found = std::move(n);
    status = kFileOk;
  }
  return status;
}

int expand_pattern(std::string_view pattern, std::vector<std::string>& names) {
  names.clear();
  const std::size_t cut = pattern.find_last_of(folder_separators()) + 1;
  const std::string folder(pattern.substr(0, cut));
  const std::string translated = translate_pattern(pattern.substr(cut));
  std::vector<std::string> all;
  const int status = list_directory(folder.empty() ? "." : folder, all);
  if (status != kFileOk) return status;
  for (std::string& n : all) {
    if (std::none_of(n.begin(), n.end(), is_control) && matches_translated(translated, n)) {
      names.push_back(std::move(n));
    }
  }
  std::sort(names.begin(), names.end(), before_in_name_order);
  for (std::string& n : names) n.insert(0, folder);
  return kFileOk;
}

}  // namespace sunder::platform
