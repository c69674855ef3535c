// Letter case of fixed-length texts, changed in place over the used part of
// the first n characters. Only the ASCII letters change.
#include "lib/files/text_case.h"

#include <algorithm>
#include <string_view>

#include "lib/text/fields.h"

namespace sunder {
namespace {

std::span<char> used_span(std::span<char> text, std::size_t n) {
  const std::size_t m = std::min(n, text.size());
  return text.first(used_length(std::string_view(text.data(), m)));
}

}  // namespace

void to_upper(std::span<char> text, std::size_t n) {
  for (char& c : used_span(text, n)) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
}

void to_lower(std::span<char> text, std::size_t n) {
  for (char& c : used_span(text, n)) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

}  // namespace sunder
