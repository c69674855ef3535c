// Writing and reading lines: templated (by a compiled layout), free-form,
// rendered into texts, and read back into fields.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "lib/platform/console.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stream_buffer.h"

namespace sunder {
namespace {

// Puts characters into a line at a column position; a gap is filled with
// blanks, a position before the end overwrites.
struct LineBuilder {
  std::string& line;
  std::size_t pos = 0;

  void put(std::string_view text) {
    const std::size_t end = pos + text.size();
    if (pos > line.size()) line.resize(pos, ' ');
    if (end > line.size()) line.resize(end);
    if (!text.empty()) std::memcpy(line.data() + pos, text.data(), text.size());
    pos = end;
  }
  void put_blanks_then(std::size_t blanks, std::string_view text) {
    pos += blanks;
    put(text);
  }
  void reset() {
    line.clear();
    pos = 0;
  }
};

void put_stars(LineBuilder& b, int w) { b.put(std::string(static_cast<std::size_t>(w), '*')); }

void put_integer(LineBuilder& b, const LayoutOp& op, std::int64_t v) {
  char digits[32];
  const bool negative = v < 0;
  const std::uint64_t mag =
      negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  int n = std::snprintf(digits, sizeof digits, "%" PRIu64, mag);
  std::string body;
  if (op.m > n) body.assign(static_cast<std::size_t>(op.m - n), '0');
  body.append(digits, static_cast<std::size_t>(n));
  if (negative) body.insert(body.begin(), '-');
  if (op.w == 0) {
    b.put(body);
    return;
  }
  if (body.size() > static_cast<std::size_t>(op.w)) {
    put_stars(b, op.w);
    return;
  }
  b.put_blanks_then(static_cast<std::size_t>(op.w) - body.size(), body);
}

void put_real(LineBuilder& b, const LayoutOp& op, double v) {
  char text[400];
  int d = std::min(op.m, 60);
  if (!std::isfinite(v)) {
    put_stars(b, op.w > 0 ? op.w : 1);
    return;
  }
  int n = std::snprintf(text, sizeof text, "%.*f", d, v);
  std::string_view body(text,
                        n > 0 ? static_cast<std::size_t>(std::min<int>(n, sizeof text - 1)) : 0);
  if (op.w == 0) {
    b.put(body);
    return;
  }
  std::string trimmed(body);
  if (trimmed.size() == static_cast<std::size_t>(op.w) + 1) {
    // 0.5 in F3.1 shows as .5 when the leading zero does not fit.
    if (trimmed.rfind("0.", 0) == 0)
      trimmed.erase(0, 1);
    else if (trimmed.rfind("-0.", 0) == 0)
      trimmed.erase(1, 1);
  }
  if (trimmed.size() > static_cast<std::size_t>(op.w)) {
    put_stars(b, op.w);
    return;
  }
  b.put_blanks_then(static_cast<std::size_t>(op.w) - trimmed.size(), trimmed);
}

// A real in 15 columns: 7 significant digits, fixed-point when the magnitude allows.
std::string free_real(double v) {
  char text[64];
  const double mag = std::fabs(v);
  if (v == 0.0) {
    std::snprintf(text, sizeof text, "%15.7f", 0.0);
  } else if (std::isfinite(v) && mag >= 0.1 && mag < 1e7) {
    const int before = static_cast<int>(std::floor(std::log10(mag))) + 1;
    std::snprintf(text, sizeof text, "%15.*f", std::max(0, 7 - before), v);
  } else {
    std::snprintf(text, sizeof text, "%15.6E", v);
  }
  return text;
}

void put_text(LineBuilder& b, const LayoutOp& op, std::string_view t) {
  if (op.w == 0) {
    b.put(t);
  } else if (t.size() >= static_cast<std::size_t>(op.w)) {
    b.put(t.substr(0, static_cast<std::size_t>(op.w)));
  } else {
    b.put_blanks_then(static_cast<std::size_t>(op.w) - t.size(), t);
  }
}

void put_item(LineBuilder& b, const LayoutOp& op, const Item& item) {
  // An item of another kind than its layout item asks for is shown as it comes.
  switch (item.kind) {
    case Item::Kind::kText:
      if (op.kind == LayoutOp::Kind::kA)
        put_text(b, op, item.text);
      else if (op.w > 0)
        put_stars(b, op.w);
      else
        b.put(item.text);
      return;
    case Item::Kind::kInteger:
      if (op.kind == LayoutOp::Kind::kF)
        put_real(b, op, static_cast<double>(item.integer));
      else
        put_integer(b, op.kind == LayoutOp::Kind::kI ? op : LayoutOp{LayoutOp::Kind::kI, op.w, 0},
                    item.integer);
      return;
    case Item::Kind::kReal:
      if (op.kind == LayoutOp::Kind::kF)
        put_real(b, op, item.real);
      else
        put_integer(b, LayoutOp{LayoutOp::Kind::kI, op.w, op.kind == LayoutOp::Kind::kI ? op.m : 0},
                    static_cast<std::int64_t>(std::llround(std::clamp(item.real, -9e18, 9e18))));
      return;
    case Item::Kind::kLogical:
      put_text(b, op.kind == LayoutOp::Kind::kA ? op : LayoutOp{LayoutOp::Kind::kA, op.w, 0},
               item.logical ? "T" : "F");
      return;
  }
}

// Runs a layout over the items; each finished line goes to emit(line). The
// last line is passed with last = true.
template <typename Emit>
void run_layout(const Layout& lay, std::span<const Item> items, std::string& line, Emit&& emit) {
  LineBuilder b{line};
  b.reset();
  if (!lay.valid) {
    emit(std::string_view(line), true);
    return;
  }
  std::size_t item = 0;
  std::size_t op = 0;
  for (;;) {
    if (op == lay.ops.size()) {
      if (item < items.size() && lay.reuse_has_data) {
        if (!emit(std::string_view(line), false)) return;
        b.reset();
        op = lay.reuse_from;
        continue;
      }
      break;
    }
    const LayoutOp& o = lay.ops[op];
    switch (o.kind) {
      case LayoutOp::Kind::kA:
      case LayoutOp::Kind::kI:
      case LayoutOp::Kind::kF:
        if (item >= items.size()) {
          emit(std::string_view(line), true);
          return;
        }
        put_item(b, o, items[item++]);
        break;
      case LayoutOp::Kind::kT:
        b.pos = static_cast<std::size_t>(o.w - 1);
        break;
      case LayoutOp::Kind::kX:
        b.pos += static_cast<std::size_t>(o.w);
        break;
      case LayoutOp::Kind::kSlash:
        if (!emit(std::string_view(line), false)) return;
        b.reset();
        break;
      case LayoutOp::Kind::kDollar:
        break;
    }
    ++op;
  }
  emit(std::string_view(line), true);
}

std::string& scratch_line() {
  static std::string line = [] {
    std::string s;
    s.reserve(256);
    return s;
  }();
  return line;
}

// Writes a finished line to the unit: console with the platform's line end,
// files with CR LF.
int emit_line(Unit unit, std::string_view text, bool with_end) {
  if (unit == kConsole) {
    platform::console_write(text);
    if (with_end) platform::console_write(platform::console_line_end());
    return 0;
  }
  StreamBuffer* s = stream_of(unit);
  if (s == nullptr) return kNotAttached;
  if (with_end) return stream_write_line(*s, text);
  return stream_write(*s, text.data(), text.size());
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// One numeric input field: blanks ignored, all blank reads 0.
// A numeric field's characters without its blanks (blanks are ignored
// anywhere in a numeric field).
std::string without_blanks(std::string_view f) {
  std::string t;
  for (char c : f)
    if (!is_blank(c)) t.push_back(c);
  return t;
}

bool parse_integer(std::string_view f, std::int64_t& value) {
  const std::string digits = without_blanks(f);
  value = 0;
  if (digits.empty()) return true;
  std::size_t i = 0;
  bool negative = false;
  if (digits[0] == '+' || digits[0] == '-') {
    negative = digits[0] == '-';
    i = 1;
  }
  if (i == digits.size()) return true;  // a lone sign reads as 0
  for (; i < digits.size(); ++i) {
    if (digits[i] < '0' || digits[i] > '9') return false;
    value = value * 10 + (digits[i] - '0');
    if (value > 0x7fffffffLL + 1) return false;
  }
  if (negative) value = -value;
  return value >= -0x80000000LL && value <= 0x7fffffffLL;
}

bool parse_real(std::string_view f, int decimals, float& value) {
  const std::string t = without_blanks(f);
  value = 0;
  if (t.empty()) return true;
  std::size_t i = 0;
  bool negative = false;
  if (t[0] == '+' || t[0] == '-') {
    negative = t[0] == '-';
    i = 1;
  }
  double mantissa = 0;
  int digits_after_point = -1;
  bool any_digit = false;
  for (; i < t.size(); ++i) {
    char c = t[i];
    if (c >= '0' && c <= '9') {
      any_digit = true;
      mantissa = mantissa * 10 + (c - '0');
      if (digits_after_point >= 0) ++digits_after_point;
    } else if (c == '.' && digits_after_point < 0) {
      digits_after_point = 0;
    } else {
      break;
    }
  }
  int exponent = 0;
  if (i < t.size()) {
    char c = static_cast<char>(t[i] | 0x20);
    if (c != 'e' && c != 'd') return false;
    std::int64_t e = 0;
    if (!parse_integer(std::string_view(t).substr(i + 1), e) || i + 1 == t.size()) return false;
    exponent = static_cast<int>(std::clamp<std::int64_t>(e, -400, 400));
  }
  if (!any_digit) return false;
  const int scale = digits_after_point >= 0 ? digits_after_point : decimals;
  double v = mantissa * std::pow(10.0, exponent - scale);
  value = static_cast<float>(negative ? -v : v);
  return std::isfinite(value);
}

void assign_text(const Target& t, std::string_view f) {
  // A field wider than the text gives its rightmost characters; a narrower one
  // is left-aligned and blank-padded.
  const std::size_t len = t.text.size();
  if (f.size() >= len) {
    std::memcpy(t.text.data(), f.data() + (f.size() - len), len);
  } else {
    if (!f.empty()) std::memcpy(t.text.data(), f.data(), f.size());
    std::memset(t.text.data() + f.size(), ' ', len - f.size());
  }
}

// The record being read and the column its next field begins at.
struct Cursor {
  std::string_view record;
  std::size_t pos = 0;
  // The next field of that width: what of it the record holds.
  std::string_view take(std::size_t width) {
    std::string_view f;
    if (pos < record.size()) f = record.substr(pos, width);
    pos += width;
    return f;
  }
};

// An A field, blank-padded to its width: the layout's, the text's, or for
// another target the rest of the record (then an error).
int read_a_field(const LayoutOp& o, const Target& target, Cursor& c) {
  std::size_t width = c.record.size() - std::min(c.pos, c.record.size());
  if (o.w > 0) {
    width = static_cast<std::size_t>(o.w);
  } else if (target.kind == Target::Kind::kText) {
    width = target.text.size();
  }
  std::string padded(c.take(width));
  padded.resize(width, ' ');
  if (target.kind != Target::Kind::kText) return kReadError;
  assign_text(target, padded);
  return kReadOk;
}

// An I or F field into an integer, a real or a text.
int read_number_field(const LayoutOp& o, const Target& target, Cursor& c) {
  const std::size_t width = o.w > 0 ? static_cast<std::size_t>(o.w) : 0;
  const std::string_view f = c.take(width);
  if (target.kind == Target::Kind::kInteger) {
    std::int64_t v = 0;
    if (o.kind == LayoutOp::Kind::kF) {
      float r = 0;
      if (!parse_real(f, o.m, r) || std::fabs(r) > 2.1e9f) return kReadError;
      v = static_cast<std::int64_t>(r);
    } else if (!parse_integer(f, v)) {
      return kReadError;
    }
    *target.integer = static_cast<std::int32_t>(v);
  } else if (target.kind == Target::Kind::kReal) {
    float r = 0;
    if (!parse_real(f, o.kind == LayoutOp::Kind::kF ? o.m : 0, r)) return kReadError;
    *target.real = r;
  } else {
    assign_text(target, f);
  }
  return kReadOk;
}

// Reads the fields of one layout from records handed out by next_record.
template <typename NextRecord>
int run_read(const Layout& lay, std::initializer_list<Target> targets, std::string_view record,
             NextRecord&& next_record) {
  if (!lay.valid) return kReadError;
  Cursor c{record};
  std::size_t op = 0;
  auto target = targets.begin();
  while (target != targets.end()) {
    if (op == lay.ops.size()) {
      if (!lay.reuse_has_data) return kReadOk;
      int status = next_record(c.record);
      if (status != kReadOk) return status;
      c.pos = 0;
      op = lay.reuse_from;
      continue;
    }
    const LayoutOp& o = lay.ops[op++];
    switch (o.kind) {
      case LayoutOp::Kind::kA:
        if (const int status = read_a_field(o, *target, c); status != kReadOk) return status;
        ++target;
        break;
      case LayoutOp::Kind::kI:
      case LayoutOp::Kind::kF:
        if (const int status = read_number_field(o, *target, c); status != kReadOk) return status;
        ++target;
        break;
      case LayoutOp::Kind::kT:
        c.pos = static_cast<std::size_t>(o.w - 1);
        break;
      case LayoutOp::Kind::kX:
        c.pos += static_cast<std::size_t>(o.w);
        break;
      case LayoutOp::Kind::kSlash: {
        int status = next_record(c.record);
        if (status != kReadOk) return status;
        c.pos = 0;
        break;
      }
      case LayoutOp::Kind::kDollar:
        break;
    }
  }
  return kReadOk;
}

}  // namespace

int write_line(Unit unit, const Layout& lay, std::span<const Item> items) {
  // The layout (A) with one text: the line is the text itself.
  if (lay.single_text && items.size() == 1 && items[0].kind == Item::Kind::kText)
    return emit_line(unit, items[0].text, true);
  int status = 0;
  run_layout(lay, items, scratch_line(), [&](std::string_view text, bool last) {
    const int s = emit_line(unit, text, !last || !lay.keep_line_open);
    if (status == 0) status = s;
    return true;
  });
  return status;
}

int write_line(Unit unit, const Layout& lay, std::initializer_list<Item> items) {
  return write_line(unit, lay, std::span<const Item>(items.begin(), items.size()));
}

int write_line(Unit unit, std::string_view notation, std::initializer_list<Item> items) {
  return write_line(unit, layout(notation), items);
}

int write_text(Unit unit, std::string_view text) { return emit_line(unit, text, true); }

int write_free(Unit unit, std::initializer_list<Item> items) {
  std::string& line = scratch_line();
  line.clear();
  bool previous_text = false;
  for (const Item& item : items) {
    switch (item.kind) {
      case Item::Kind::kText:
        if (!previous_text) line.push_back(' ');
        line.append(item.text);
        previous_text = true;
        break;
      case Item::Kind::kInteger: {
        char text[32];
        std::snprintf(text, sizeof text, "%12" PRId64, item.integer);
        line.append(text);
        previous_text = false;
        break;
      }
      case Item::Kind::kReal:
        line.append(free_real(item.real));
        previous_text = false;
        break;
      case Item::Kind::kLogical:
        line.append(item.logical ? " T" : " F");
        previous_text = false;
        break;
    }
  }
  return emit_line(unit, line, true);
}

void render(std::span<char> target, const Layout& lay, std::initializer_list<Item> items) {
  std::string& line = scratch_line();
  run_layout(lay, std::span<const Item>(items.begin(), items.size()), line,
             [](std::string_view, bool) { return false; });
  const std::size_t n = std::min(line.size(), target.size());
  std::memcpy(target.data(), line.data(), n);
  std::memset(target.data() + n, ' ', target.size() - n);
}

void render(std::span<char> target, std::string_view notation, std::initializer_list<Item> items) {
  render(target, layout(notation), items);
}

void render(std::string& target, std::string_view notation, std::initializer_list<Item> items) {
  render(std::span<char>(target.data(), target.size()), layout(notation), items);
}

std::string render_line(std::string_view notation, std::initializer_list<Item> items) {
  std::string result;
  run_layout(layout(notation), std::span<const Item>(items.begin(), items.size()), result,
             [](std::string_view, bool) { return false; });
  return result;
}

int read_view(Unit unit, std::size_t max_length, std::string_view& line) {
  if (unit == kConsole) {
    static std::string console_line;
    const int status = platform::console_read_line(console_line);
    line = std::string_view(console_line).substr(0, status == 0 ? max_length : 0);
    if (status != 0) return status < 0 ? kReadEnd : kReadError;
    return kReadOk;
  }
  StreamBuffer* s = stream_of(unit);
  line = {};
  if (s == nullptr) return kReadError;
  const int status = stream_read_view(*s, max_length, line);
  return status == 0 ? kReadOk : status < 0 ? kReadEnd : kReadError;
}

int read_text(Unit unit, std::span<char> target) {
  std::string_view line;
  const int status = read_view(unit, target.size(), line);
  if (!line.empty()) std::memcpy(target.data(), line.data(), line.size());
  std::memset(target.data() + line.size(), ' ', target.size() - line.size());
  return status;
}

int read_text(Unit unit, std::string& target) {
  return read_text(unit, std::span<char>(target.data(), target.size()));
}

int read_line(Unit unit, const Layout& lay, std::initializer_list<Target> targets) {
  std::string record(1024, ' ');
  auto next = [&](std::string_view& r) {
    const int status = read_text(unit, record);
    r = used(record);
    return status;
  };
  std::string_view first;
  const int status = next(first);
  if (status != kReadOk) return status;
  return run_read(lay, targets, first, next);
}

int read_line(Unit unit, std::string_view notation, std::initializer_list<Target> targets) {
  return read_line(unit, layout(notation), targets);
}

int read_fields(std::string_view text, const Layout& lay, std::initializer_list<Target> targets) {
  return run_read(lay, targets, text, [](std::string_view&) { return kReadError; });
}

int read_fields(std::string_view text, std::string_view notation,
                std::initializer_list<Target> targets) {
  return read_fields(text, layout(notation), targets);
}

}  // namespace sunder
