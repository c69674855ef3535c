// Compiling layouts: the notation is parsed once into a flat list of
// operations (repeat counts and groups expanded) and cached by its text.
#include <cctype>
#include <map>
#include <memory>

#include "lib/text/layout.h"

namespace sunder {
namespace {

// Expanded layouts larger than this are refused (a guard against notations
// like 999(999(A))).
constexpr std::size_t kMaxOps = 4096;
constexpr int kMaxNumber = 100000;

struct Parser {
  std::string_view s;
  std::size_t i = 0;
  bool ok = true;

  void skip_blanks() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  }
  bool at_digit() {
    skip_blanks();
    return i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]));
  }
  int number() {
    skip_blanks();
    long v = 0;
    bool any = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
      v = v * 10 + (s[i] - '0');
      if (v > kMaxNumber) {
        ok = false;
        v = kMaxNumber;
      }
      ++i;
      any = true;
    }
    if (!any) ok = false;
    return static_cast<int>(v);
  }
  char peek() {
    skip_blanks();
    return i < s.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(s[i]))) : '\0';
  }

  // A list up to the closing bracket; the ops are appended to out.
  void list(std::vector<LayoutOp>& out, bool top, std::size_t& reuse_from) {
    bool expect_element = true;
    while (ok) {
      char c = peek();
      if (c == ')') {
        ++i;
        return;
      }
      if (c == '\0') {
        ok = false;
        return;
      }
      if (c == ',') {
        ++i;
        expect_element = true;
        continue;
      }
      if (!expect_element && c != '/' && c != '$' && c != '(' && !at_digit() && c != 'A' &&
          c != 'I' && c != 'F' && c != 'T' && c != 'X') {
        ok = false;
        return;
      }
      element(out, top, reuse_from);
      expect_element = false;
      if (out.size() > kMaxOps) ok = false;
    }
  }

  void element(std::vector<LayoutOp>& out, bool top, std::size_t& reuse_from) {
    int repeat = 1;
    bool counted = false;
    if (at_digit()) {
      repeat = number();
      counted = true;
      if (repeat < 1) ok = false;
    }
    char c = peek();
    if (!ok) return;
    if (c == 'X') {
      ++i;
      out.push_back({LayoutOp::Kind::kX, counted ? repeat : 1, 0});
      return;
    }
    if (c == '(') {
      ++i;
      if (top) reuse_from = out.size();
      std::vector<LayoutOp> group;
      std::size_t inner_reuse = 0;
      list(group, false, inner_reuse);
      if (!ok) return;
      for (int r = 0; r < repeat && ok; ++r) {
        out.insert(out.end(), group.begin(), group.end());
        if (out.size() > kMaxOps) ok = false;
      }
      return;
    }
    LayoutOp op{LayoutOp::Kind::kA, 0, 0};
    ++i;
    switch (c) {
      case 'A':
        op.kind = LayoutOp::Kind::kA;
        if (at_digit()) op.w = number();
        break;
      case 'I':
      case 'F':
        // Iw.m and Fw.d: a width, then a minimum of digits or the decimals.
        op.kind = c == 'I' ? LayoutOp::Kind::kI : LayoutOp::Kind::kF;
        if (at_digit()) op.w = number();
        if (peek() == '.') {
          ++i;
          op.m = number();
        }
        break;
      case 'T':
        op.kind = LayoutOp::Kind::kT;
        op.w = number();
        if (op.w < 1) ok = false;
        break;
      case '/':
        op.kind = LayoutOp::Kind::kSlash;
        break;
      case '$':
        op.kind = LayoutOp::Kind::kDollar;
        break;
      default:
        ok = false;
        return;
    }
    if ((op.kind == LayoutOp::Kind::kT || op.kind == LayoutOp::Kind::kDollar) && counted) {
      ok = false;
      return;
    }
    for (int r = 0; r < repeat && ok; ++r) {
      out.push_back(op);
      if (out.size() > kMaxOps) ok = false;
    }
  }
};

}  // namespace

Layout compile_layout(std::string_view notation) {
  Layout result;
  result.notation = std::string(notation);
  Parser p{notation};
  if (p.peek() != '(') return result;
  ++p.i;
  std::size_t reuse_from = 0;
  p.list(result.ops, true, reuse_from);
  p.skip_blanks();
  if (!p.ok || p.i != notation.size()) {
    result.ops.clear();
    return result;
  }
  result.reuse_from = reuse_from;
  for (std::size_t i = 0; i < result.ops.size(); ++i) {
    const LayoutOp& op = result.ops[i];
    if (op.kind == LayoutOp::Kind::kA || op.kind == LayoutOp::Kind::kI ||
        op.kind == LayoutOp::Kind::kF) {
      result.has_data_op = true;
      if (i >= reuse_from) result.reuse_has_data = true;
    }
  }
  result.keep_line_open = !result.ops.empty() && result.ops.back().kind == LayoutOp::Kind::kDollar;
  result.single_text =
      result.ops.size() == 1 && result.ops[0].kind == LayoutOp::Kind::kA && result.ops[0].w == 0;
  result.valid = true;
  return result;
}

const Layout& layout(std::string_view notation) {
  static std::map<std::string, std::unique_ptr<Layout>, std::less<>> cache;
  auto found = cache.find(notation);
  if (found != cache.end()) return *found->second;
  auto compiled = std::make_unique<Layout>(compile_layout(notation));
  const Layout& ref = *compiled;
  cache.emplace(std::string(notation), std::move(compiled));
  return ref;
}

}  // namespace sunder
