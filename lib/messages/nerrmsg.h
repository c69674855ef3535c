// The error-count limiter: prints messages while within the print limit, ends
// the run past the abort limit or at once for mode 2.
#pragma once

#include <cstdint>
#include <string_view>

namespace sunder {

// nerrmsg: "number of error messages", the error-count limiter.
// mode < 0 initialise (text: the limits), the named modes below, any other
// positive mode counts the message and prints it while within the print limit.
inline constexpr std::int32_t kNerrmsgQuery = 0;   // the count so far
inline constexpr std::int32_t kNerrmsgFatal = 2;   // print, "*Terminating*", stop
inline constexpr std::int32_t kNerrmsgSilent = 4;  // count without printing
std::int32_t nerrmsg(std::string_view text, std::int32_t mode);

// Report, then stop: the text through nerrmsg's terminating mode (console,
// message file, "*Terminating*"), then the end of the run with status 1.
[[noreturn]] void fatal(std::string_view text);

}  // namespace sunder
