// File opening on a caller-chosen unit, in the modes Input, In/out, Append,
// Output (and Scratch for open_file), with kontrl's overwrite policy (tens)
// and failure policy (last digit). Every failure is reported through mesag.
#pragma once

#include <cstdint>
#include <string_view>

#include "lib/text/streams.h"

namespace sunder {

// The statuses of open_file and opnfil. A file already open and a unit in
// use are reported together, as the sum of the two. open_file gives
// kOpenAlreadyOpen, opnfil kOpenNotOverwritten, for an overwrite declined at
// the question under kReturnOnFailure.
inline constexpr std::int32_t kOpenOk = 0;              // opened
inline constexpr std::int32_t kOpenAppendCreated = 1;   // append file was missing: created
inline constexpr std::int32_t kOpenInputMissing = 2;    // input file not found
inline constexpr std::int32_t kOpenNotOverwritten = 3;  // output file kept, or write open failed
inline constexpr std::int32_t kOpenAlreadyOpen = 4;     // the file is open on a unit
inline constexpr std::int32_t kOpenUnitInUse = 6;       // the unit is connected, or the console
inline constexpr std::int32_t kOpenFailed = 8;          // bad mode or policy, other open error
inline constexpr std::int32_t kOpenBothInUse = 10;      // kOpenAlreadyOpen + kOpenUnitInUse

// kontrl, last digit: what follows a failure, once it is reported. Under
// kReportOnFailure a "no" to the overwrite question counts as kOverwriteNever;
// under kReturnOnFailure it returns at once, unreported.
inline constexpr std::int32_t kReportOnFailure = 0;  // return the status
inline constexpr std::int32_t kStopOnFailure = 1;    // end the run
inline constexpr std::int32_t kReturnOnFailure = 2;  // return the status
// kontrl, tens: what an Output open does to an existing file. 1 counts as 0;
// any other value is a failure (kOpenFailed).
inline constexpr std::int32_t kOverwriteNever = 0;   // open_file ends the run, opnfil reports
inline constexpr std::int32_t kOverwriteAsk = 2;     // asks on the console; an empty reply is yes
inline constexpr std::int32_t kOverwriteAlways = 4;  // replaces it without a question

// The kontrl of an overwrite policy and a failure policy.
constexpr std::int32_t kontrl(std::int32_t overwrite, std::int32_t failure) {
  return overwrite * 10 + failure;
}

std::int32_t open_file(Unit unit, std::string_view name, std::string_view mode,
                       std::int32_t kontrl);
// opnfil: "open file", the older of the two openers, with its own texts.
void opnfil(Unit unit, std::string_view name, std::string_view mode, std::int32_t kontrl,
            std::int32_t& status);

// Ends the run (status 1) for a link or a special file found where one of
// the program's own files belongs. The line names the file and goes to the
// message file when one is set, and whole to the console: it is longer than
// the console lines mesag writes, and its end must not be lost.
[[noreturn]] void refuse_not_regular(std::string_view name);

}  // namespace sunder
