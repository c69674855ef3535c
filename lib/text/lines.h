// Lines: templated and free-form writes, rendering into a text, line reads.
// Text files get CR LF line ends on every platform; reading accepts LF and CR LF.
// Console lines end with the platform's own line end.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "lib/text/items.h"
#include "lib/text/layout.h"
#include "lib/text/streams.h"

namespace sunder {

// Read statuses: 0, end of file, or an error.
inline constexpr int kReadOk = 0;
inline constexpr int kReadEnd = -1;
inline constexpr int kReadError = 1;
// Write status of a unit that is not attached.
inline constexpr int kNotAttached = 9;

// Templated line: items consumed left to right as the layout asks for them.
// Returns 0, or a nonzero status when the unit's file could not be written.
int write_line(Unit unit, const Layout& layout, std::initializer_list<Item> items);
int write_line(Unit unit, std::string_view notation, std::initializer_list<Item> items);
int write_line(Unit unit, const Layout& layout, std::span<const Item> items);
// The line with the layout (A) and one item: the text as it is, then the line end.
int write_text(Unit unit, std::string_view text);
// Free-form line: texts at full length (a blank before a text that opens the
// line), integers in 12 columns, reals in 15, true/false in 2.
int write_free(Unit unit, std::initializer_list<Item> items);

// Rendering into a fixed-length text: the result in the target, the rest blanks.
// One line only.
void render(std::span<char> target, const Layout& layout, std::initializer_list<Item> items);
void render(std::span<char> target, std::string_view notation, std::initializer_list<Item> items);
void render(std::string& target, std::string_view notation, std::initializer_list<Item> items);
// The rendered line as it comes, at the columns written (for tests and messages).
std::string render_line(std::string_view notation, std::initializer_list<Item> items);

// One line as a view, cut to at most max_length characters, without its line
// end; valid until the next read on the unit. Writing exactly that view with
// write_text passes the line on unchanged; where the platform allows, such
// lines go from file to file without a copy through the program.
int read_view(Unit unit, std::size_t max_length, std::string_view& line);
// One line into a fixed-length field (layout (A)): cut to the field, or
// blank-padded. Returns kReadOk, kReadEnd or kReadError.
int read_text(Unit unit, std::span<char> field);
int read_text(Unit unit, std::string& field);
// One line read with a layout into the targets.
int read_line(Unit unit, const Layout& layout, std::initializer_list<Target> targets);
int read_line(Unit unit, std::string_view notation, std::initializer_list<Target> targets);
// Fields read from a text already in memory, e.g. (T6, I2, T28, I3) on a header line.
// Iw ignores blanks (all blank reads 0); Fw.d without a point takes the last d
// digits as the fraction. Returns kReadOk or kReadError.
int read_fields(std::string_view text, const Layout& layout, std::initializer_list<Target> targets);
int read_fields(std::string_view text, std::string_view notation,
                std::initializer_list<Target> targets);

}  // namespace sunder
