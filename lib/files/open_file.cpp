// File opening: open_file and opnfil share one design and differ in their
// texts, the width of the mode field, Scratch, and what an existing output
// file without overwrite leads to.
#include "lib/files/open_file.h"

#include <algorithm>
#include <string>

#include "lib/files/file_exists.h"
#include "lib/files/prompts.h"
#include "lib/files/text_case.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/platform/file.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::size_t kNameField = 60;
// A file open and a unit in use are reported together, as one status.
static_assert(kOpenBothInUse == kOpenAlreadyOpen + kOpenUnitInUse);

// The texts and choices that tell the two routines apart.
struct Flavour {
  bool is_open_file;
  std::size_t mode_width;
  std::string_view already_open;
  std::string_view unit_in_use;
  std::string_view terminating_busy;
  std::string_view input_missing;
  std::string_view input_failed;
  std::string_view inout_failed;
  std::string_view append_missing;
  std::string_view append_failed;
  std::string_view invalid_overwrite;
  std::string_view write_failed;
  std::string_view bad_mode;
  std::string_view terminating_open_err;
};

constexpr Flavour kOpenFile{
    true,
    7,
    "*open_file: Error - File already open: ",
    "*open_file: Unit in use-cant open file: ",
    "Terminating in open_file",
    "*open_file: File to open not found: ",
    "*open_file for input failed, file:",
    "*open_file for in/out failed, file:",
    "*open_file: Append file missing:",
    "*open_file for append failed, file: ",
    "*open_file: Invalid output overwrite optn",
    "*open_file: Err opening to write: ",
    "*open_file: Bad mode argument: ",
    "Terminating in open_file on OpenErr",
};

constexpr Flavour kOpnfil{
    false,
    6,
    "*Opnfil: Error - File already open: ",
    "*Opnfil: Unit in use, cannot open file: ",
    "Terminating in opnfil()",
    "Opnfil: File to be opened not found: ",
    "*Opnfil: File open unsuccesful, file:",
    "*Opnfil: File open failed, file:",
    "*Opnfil: Append file missing:",
    "*Opnfil: File append failed, file: ",
    "*Opnfil: Invalid output overwrite option",
    "*Opnfil: Error opening for write: ",
    "*Opnfil: Bad mode argument: ",
    "Terminating in Opnfil on OpenErr",
};

std::int32_t open_file_ktest = 0;
std::int32_t opnfil_ktest = 0;

bool is_set_ktest(std::string_view name) { return used(name) == "Set ktest"; }

void report(std::string_view text, std::string_view name_field) {
  std::string line(text);
  line += name_field;
  mesag(line, 2);
}

// "  with run-time error:" and the I/O status, as a second message.
void report_error_line(int iostat) {
  std::string line(kNameField, ' ');
  render(line, "(A, I6)", {"  with run-time error:", iostat});
  mesag(line, 2);
}

// A link or a special file where a file was to be opened: the run stops
// before anything goes through it.
[[noreturn]] void refuse_not_regular(std::string_view name) {
  mesag("*" + std::string(used(name)) + std::string(kNotRegularText), 2);
  stop(kExitError);
}

// The outcome of one open: the status, and whether the leave trace is due.
struct Outcome {
  std::int32_t status;
  bool leave_trace;
};

Outcome open_on_unit(const Flavour& f, Unit unit, std::string_view name, std::string_view mode,
                     std::int32_t kontrl, std::int32_t trace) {
  const std::int32_t failure_policy = kontrl % 10;
  const std::int32_t overwrite_policy = kontrl / 10;

  std::string mode_field = field(mode, f.mode_width);
  to_lower(mode_field, mode_field.size());
  to_upper(mode_field, 1);
  // Names in messages fill their field, and a longer name is shown whole.
  const std::string name_field = field(name, std::max(kNameField, name.size()));
  std::int32_t status = kOpenOk;

  if (file_connected(name)) {
    status = kOpenAlreadyOpen;
    report(f.already_open, name_field);
  }
  if (unit == kConsole || unit_connected(unit)) {
    status += kOpenUnitInUse;
    report(f.unit_in_use, name_field);
  }
  if (status != kOpenOk) {
    if (failure_policy == kStopOnFailure) stop(kExitError, f.terminating_busy);
    return {status, !f.is_open_file};
  }

  auto is_mode = [&](std::string_view word) { return mode_field == field(word, f.mode_width); };
  auto fail = [&](std::int32_t new_status, std::string_view text, int iostat) {
    if (iostat == platform::kNotRegularFile && !is_mode("Input")) refuse_not_regular(name);
    status = new_status;
    report(text, name_field);
    report_error_line(iostat);
    close_unit(unit);
  };

  if (is_mode("Input")) {
    const int iostat = connect_unit(unit, name, UnitMode::kInput);
    if (trace >= 2) write_free(kConsole, {"Open (input) iochek=", iostat});
    if (iostat == platform::kNotFound) {
      status = kOpenInputMissing;
      report(f.input_missing, name_field);
      close_unit(unit);
    } else if (iostat != 0) {
      fail(kOpenFailed, f.input_failed, iostat);
    }
  } else if (is_mode("In/out")) {
    const int iostat = connect_unit(unit, name, UnitMode::kInOut);
    if (iostat != 0) fail(kOpenFailed, f.inout_failed, iostat);
  } else if (is_mode("Append")) {
    if (!file_exists(name)) {
      if (failure_policy == kStopOnFailure) {
        report(f.append_missing, name_field);
        stop(kExitError, "Terminating");
      }
      status = kOpenAppendCreated;
    }
    const int iostat = connect_unit(unit, name, UnitMode::kAppend);
    if (iostat != 0) fail(kOpenFailed, f.append_failed, iostat);
  } else if (is_mode("Output")) {
    bool open_it = true;
    bool refused = false;
    const bool exists = file_exists(name);
    if (exists) {
      switch (overwrite_policy) {
        case kOverwriteAsk: {
          std::string question = "Output file \"";
          question += used(name);
          question += "\" already exists.";
          question += "  Overwrite it?";
          if (!ask_yes_no(question)) {
            if (failure_policy == kStopOnFailure) stop(kExitError, "Aborting.");
            if (failure_policy == kReturnOnFailure) {
              return {f.is_open_file ? kOpenAlreadyOpen : kOpenNotOverwritten, true};
            }
            refused = true;
          }
          break;
        }
        case kOverwriteAlways:
          break;
        case kOverwriteNever:
        case 1:  // as kOverwriteNever
          refused = true;
          break;
        default:
          status = kOpenFailed;
          mesag(f.invalid_overwrite, 2);
          open_it = false;
          break;
      }
    }
    if (open_it && !refused) {
      // A file that was not there is created exclusively: one that appears
      // in the meantime is not replaced, it counts as existing.
      const int iostat = connect_unit(unit, name, exists ? UnitMode::kOutput : UnitMode::kNew);
      if (iostat == platform::kAlreadyExists) {
        refused = overwrite_policy != kOverwriteAlways;
        if (!refused && connect_unit(unit, name, UnitMode::kOutput) != 0) {
          fail(kOpenNotOverwritten, f.write_failed, iostat);
        }
      } else if (iostat != 0) {
        fail(kOpenNotOverwritten, f.write_failed, iostat);
      }
    }
    if (refused) {
      if (f.is_open_file) {
        std::string text = "*Stop: Output file ";
        text += used(name);
        text += " already exists, overwrite not requested.";
        mesag(text, 2);
        stop(kExitError, " ");
      }
      status = kOpenNotOverwritten;
      report("*Opnfil: Output file already exists, and overwrite not requested: ", name_field);
    }
  } else if (f.is_open_file && is_mode("Scratch")) {
    const int iostat = connect_unit(unit, name, UnitMode::kScratch);
    if (iostat != 0) {
      status = kOpenFailed;
      mesag("*open_file for scratch-file failed", 2);
      report_error_line(iostat);
      close_unit(unit);
    }
  } else {
    status = kOpenFailed;
    report(f.bad_mode, mode_field);
    if (failure_policy == kStopOnFailure) stop(kExitError, "Terminating");
  }

  if (status != kOpenOk && failure_policy == kStopOnFailure)
    stop(kExitError, f.terminating_open_err);
  return {status, true};
}

}  // namespace

std::int32_t open_file(Unit unit, std::string_view name, std::string_view mode,
                       std::int32_t kontrl) {
  if (is_set_ktest(name)) {
    open_file_ktest = kontrl;
    return kOpenOk;
  }
  const std::int32_t trace = open_file_ktest;
  if (trace >= 2) {
    write_line(kConsole, "(5A, 2I4)",
               {" >>In open_file, filename,mode,lu,kontrl= \"", used(name), "\", \"", mode, "\",",
                unit, kontrl});
  }
  const Outcome outcome = open_on_unit(kOpenFile, unit, name, mode, kontrl, trace);
  if (trace >= 2 && outcome.leave_trace) write_line(kConsole, "(A)", {" << Leaving open_file.."});
  return outcome.status;
}

void opnfil(Unit unit, std::string_view name, std::string_view mode, std::int32_t kontrl,
            std::int32_t& status) {
  if (is_set_ktest(name)) {
    opnfil_ktest = kontrl;
    status = kOpenOk;
    return;
  }
  const std::int32_t trace = opnfil_ktest;
  if (trace >= 2) {
    write_line(
        kConsole, "(A, 2I4, 5A)",
        {"  >>In opnfil: lu,kontrl,mode,filnam", unit, kontrl, ", \"", mode, "\", \"", name, "\""});
  }
  status = kOpenOk;
  const Outcome outcome = open_on_unit(kOpnfil, unit, name, mode, kontrl, trace);
  status = outcome.status;
  if (trace >= 2 && outcome.leave_trace) {
    write_line(kConsole, "(A, I4)", {"  <<Leaving opnfil, opnErr=", status});
  }
}

void reset_open_file_for_test() {
  open_file_ktest = 0;
  opnfil_ktest = 0;
}

}  // namespace sunder
