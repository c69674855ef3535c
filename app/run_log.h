// The run log "Sunder.log": its set-up, the command-line echo and run-time
// line, and the split report (a title, heads, one row per volume).
#pragma once

#include <cstdint>
#include <string_view>

#include "lib/platform/file.h"

namespace sunder {

// Takes the log unit from nextlu, designates it as mesag's message file and
// opens "Sunder.log" on it (an old log is overwritten).
void setup_run_log();
// The echo line (with the version stamp in columns 68-79) and the run-time
// line, on the console and in the log.
void write_echo_and_run_time();
// The report's title and heads.
void write_report_head();
// One report row: the volume's name, date and time, and its channel count.
void write_report_row(std::string_view volume, std::string_view date, std::string_view time,
                      std::int32_t nchannels);
// Did the log open? A run whose log could not be written ends with status 1.
bool run_log_written();
// The log's file as the operating system knows it (kNoFile before it opens):
// what an interrupt writes its last line to.
platform::FileHandle run_log_handle();
// Closes the log at the end of the run; a failed flush or close is an error stop.
void close_run_log();

}  // namespace sunder
