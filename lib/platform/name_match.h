// Names the Windows way: letter case ignored, * and ? by the Windows rules
// (as cmd's dir applies them), and the name order of "dir /on". The command
// processor of POSIX and the inventory's pattern expansion both use them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sunder::platform {

bool same_ignoring_case(std::string_view a, std::string_view b);
// Name order, a word order as cmd's dir /on gives it. Hyphens and
// apostrophes do not count; blanks and punctuation come before digits,
// digits before letters, letters ignoring case; other bytes come last.
// Names still equal: fewer hyphens and apostrophes first, then lower case
// first at the first letter that differs, then the bytes (a total order).
bool before_in_name_order(const std::string& a, const std::string& b);
bool has_wildcard(std::string_view name);
// Does the name match the pattern (* and ?, the Windows rules: "*.*" is
// everything, "*.v2" names whose extension is v2, "chan???.v2" chan1.v2)?
bool wildcard_match(std::string_view pattern, std::string_view name);
// Several names match ignoring case: which one is meant cannot be told.
inline constexpr int kSeveralMatch = 1004;
// The one regular file of the folder ("" the current one) whose name is name
// but for letter case: kFileOk (0) with its name in found, kNotFound when none
// is, kSeveralMatch when several are.
int one_name_ignoring_case(std::string_view folder, std::string_view name, std::string& found);
// The regular files that match a pattern, which may stand in a folder, in
// name order, each with the pattern's folder in front; names holding a
// control character are left out. Nothing is written. Returns 0, or an OS
// error number when the folder cannot be read.
int expand_pattern(std::string_view pattern, std::vector<std::string>& names);

}  // namespace sunder::platform
