// The error-count limiter: prints messages while within the print limit, ends
// the run past the abort limit or at once for mode 2.
#pragma once

#include <cstdint>
#include <string_view>

namespace sunder {

// mode < 0 initialise, 0 query, 2 fatal, 4 count silently, others count and print.
std::int32_t nerrmsg(std::string_view text, std::int32_t mode);

void reset_nerrmsg_for_test();

}  // namespace sunder
