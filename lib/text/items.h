// Items of a line: what a layout consumes on output and fills on input.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace sunder {

// One output item: a text, a 4-byte integer, a real or a true/false value.
struct Item {
  enum class Kind : std::uint8_t { kText, kInteger, kReal, kLogical };
  Kind kind;
  std::string_view text{};
  std::int64_t integer = 0;
  double real = 0.0;
  bool logical = false;

  Item(std::string_view t) : kind(Kind::kText), text(t) {}
  Item(const char* t) : kind(Kind::kText), text(t) {}
  Item(const std::string& t) : kind(Kind::kText), text(t) {}
  Item(int v) : kind(Kind::kInteger), integer(v) {}
  Item(long v) : kind(Kind::kInteger), integer(v) {}
  Item(long long v) : kind(Kind::kInteger), integer(v) {}
  Item(float v) : kind(Kind::kReal), real(v) {}
  Item(double v) : kind(Kind::kReal), real(v) {}
  Item(bool v) : kind(Kind::kLogical), logical(v) {}
};

// One input target: an integer, a real, or a fixed-length text (its size is
// the field length).
struct Target {
  enum class Kind : std::uint8_t { kInteger, kReal, kText };
  Kind kind;
  std::int32_t* integer = nullptr;
  float* real = nullptr;
  std::span<char> text{};

  Target(std::int32_t& v) : kind(Kind::kInteger), integer(&v) {}
  Target(float& v) : kind(Kind::kReal), real(&v) {}
  Target(std::string& t) : kind(Kind::kText), text(t.data(), t.size()) {}
  Target(std::span<char> t) : kind(Kind::kText), text(t) {}
};

}  // namespace sunder
