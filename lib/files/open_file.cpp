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
#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::size_t kNameField = 60;
// The ktest from which open_file and opnfil write their trace lines.
constexpr std::int32_t kTraceLines = 2;
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
  mesag(line, kMesagConsoleAndFile);
}

// "  with run-time error:" and the I/O status, as a second message.
void report_error_line(int iostat) {
  std::string line(kNameField, ' ');
  render(line, "(A, I6)", {"  with run-time error:", iostat});
  mesag(line, kMesagConsoleAndFile);
}

// The outcome of one open: the status, and whether the leave trace is due.
struct Outcome {
  std::int32_t status;
  bool leave_trace;
};

// One open as the mode routines see it.
struct Request {
  const Flavour& f;
  Unit unit;
  std::string_view name;
  std::string name_field;  // the name filling its field, or whole when longer
  std::int32_t failure_policy;
  std::int32_t overwrite_policy;
  std::int32_t trace;
};

// The file already open on a unit, the unit already connected: each is
// reported, and the status tells which (both: kOpenBothInUse).
std::int32_t in_use(const Request& r) {
  std::int32_t status = kOpenOk;
  if (file_connected(r.name)) {
    status = kOpenAlreadyOpen;
    report(r.f.already_open, r.name_field);
  }
  if (r.unit == kConsole || unit_connected(r.unit)) {
    status += kOpenUnitInUse;
    report(r.f.unit_in_use, r.name_field);
  }
  return status;
}

// A failed open: the report, the error line, and the unit released.
std::int32_t failed(const Request& r, std::int32_t status, std::string_view text, int iostat) {
  report(text, r.name_field);
  report_error_line(iostat);
  close_unit(r.unit);
  return status;
}

// A failed open for writing; a link or a special file at the name ends the run.
std::int32_t failed_write(const Request& r, std::int32_t status, std::string_view text,
                          int iostat) {
  if (iostat == platform::kNotRegularFile) refuse_not_regular(r.name);
  return failed(r, status, text, iostat);
}

std::int32_t open_input(const Request& r) {
  const int iostat = connect_unit(r.unit, r.name, UnitMode::kInput);
  if (r.trace >= kTraceLines) write_free(kConsole, {"Open (input) iochek=", iostat});
  if (iostat == platform::kNotFound) {
    report(r.f.input_missing, r.name_field);
    close_unit(r.unit);
    return kOpenInputMissing;
  }
  if (iostat != 0) return failed(r, kOpenFailed, r.f.input_failed, iostat);
  return kOpenOk;
}

std::int32_t open_in_out(const Request& r) {
  const int iostat = connect_unit(r.unit, r.name, UnitMode::kInOut);
  if (iostat != 0) return failed_write(r, kOpenFailed, r.f.inout_failed, iostat);
  return kOpenOk;
}

// A missing file is created (kOpenAppendCreated), unless failures stop the run.
std::int32_t open_append(const Request& r) {
  std::int32_t status = kOpenOk;
  if (!file_exists(r.name)) {
    if (r.failure_policy == kStopOnFailure) {
      report(r.f.append_missing, r.name_field);
      stop(kExitError, "Terminating");
    }
    status = kOpenAppendCreated;
  }
  const int iostat = connect_unit(r.unit, r.name, UnitMode::kAppend);
  if (iostat != 0) return failed_write(r, kOpenFailed, r.f.append_failed, iostat);
  return status;
}

// What an Output open does with a file that is there already.
enum class Existing {
  kReplace,    // overwrite it
  kKeep,       // overwrite not requested (or declined)
  kBadPolicy,  // no such overwrite policy: reported
  kDeclined,   // declined at the question under kReturnOnFailure
};

Existing existing_output(const Request& r) {
  switch (r.overwrite_policy) {
    case kOverwriteAsk: {
      std::string question = "Output file \"";
      question += used(r.name);
      question += "\" already exists.";
      question += "  Overwrite it?";
      if (ask_yes_no(question)) return Existing::kReplace;
      if (r.failure_policy == kStopOnFailure) stop(kExitError, "Aborting.");
      if (r.failure_policy == kReturnOnFailure) return Existing::kDeclined;
      return Existing::kKeep;
    }
    case kOverwriteAlways:
      return Existing::kReplace;
    case kOverwriteNever:
    case 1:  // as kOverwriteNever
      return Existing::kKeep;
    default:
      mesag(r.f.invalid_overwrite, kMesagConsoleAndFile);
      return Existing::kBadPolicy;
  }
}

// An existing output file kept: open_file ends the run, opnfil reports it.
std::int32_t keep_existing(const Request& r) {
  if (r.f.is_open_file) {
    std::string text = "*Stop: Output file ";
    text += used(r.name);
    text += " already exists, overwrite not requested.";
    mesag(text, kMesagConsoleAndFile);
    stop(kExitError, " ");
  }
  report("*Opnfil: Output file already exists, and overwrite not requested: ", r.name_field);
  return kOpenNotOverwritten;
}

std::int32_t open_output(const Request& r) {
  const bool exists = file_exists(r.name);
  bool keep = false;
  if (exists) {
    switch (existing_output(r)) {
      case Existing::kReplace:
        break;
      case Existing::kKeep:
        keep = true;
        break;
      case Existing::kBadPolicy:
        return kOpenFailed;
      case Existing::kDeclined:
        return r.f.is_open_file ? kOpenAlreadyOpen : kOpenNotOverwritten;
    }
  }
  std::int32_t status = kOpenOk;
  if (!keep) {
    // A file that was not there is created exclusively: one that appears
    // in the meantime is not replaced, it counts as existing.
    const int iostat = connect_unit(r.unit, r.name, exists ? UnitMode::kOutput : UnitMode::kNew);
    if (iostat == platform::kAlreadyExists) {
      keep = r.overwrite_policy != kOverwriteAlways;
      if (!keep && connect_unit(r.unit, r.name, UnitMode::kOutput) != 0) {
        status = failed_write(r, kOpenNotOverwritten, r.f.write_failed, iostat);
      }
    } else if (iostat != 0) {
      status = failed_write(r, kOpenNotOverwritten, r.f.write_failed, iostat);
    }
  }
  if (keep) status = keep_existing(r);
  return status;
}

// open_file only.
std::int32_t open_scratch(const Request& r) {
  const int iostat = connect_unit(r.unit, r.name, UnitMode::kScratch);
  if (iostat == 0) return kOpenOk;
  mesag("*open_file for scratch-file failed", kMesagConsoleAndFile);
  report_error_line(iostat);
  close_unit(r.unit);
  return kOpenFailed;
}

std::int32_t bad_mode(const Request& r, std::string_view mode_field) {
  report(r.f.bad_mode, mode_field);
  if (r.failure_policy == kStopOnFailure) stop(kExitError, "Terminating");
  return kOpenFailed;
}

Outcome open_on_unit(const Flavour& f, Unit unit, std::string_view name, std::string_view mode,
                     std::int32_t kontrl, std::int32_t trace) {
  std::string mode_field = field(mode, f.mode_width);
  to_lower(mode_field, mode_field.size());
  to_upper(mode_field, 1);
  // Names in messages fill their field, and a longer name is shown whole.
  const std::string name_field = field(name, std::max(kNameField, name.size()));
  const Request r{f, unit, name, name_field, kontrl % 10, kontrl / 10, trace};

  const std::int32_t busy = in_use(r);
  if (busy != kOpenOk) {
    if (r.failure_policy == kStopOnFailure) stop(kExitError, f.terminating_busy);
    return {busy, !f.is_open_file};
  }

  auto is_mode = [&](std::string_view word) { return mode_field == field(word, f.mode_width); };
  std::int32_t status = kOpenOk;
  if (is_mode("Input")) {
    status = open_input(r);
  } else if (is_mode("In/out")) {
    status = open_in_out(r);
  } else if (is_mode("Append")) {
    status = open_append(r);
  } else if (is_mode("Output")) {
    status = open_output(r);
  } else if (f.is_open_file && is_mode("Scratch")) {
    status = open_scratch(r);
  } else {
    status = bad_mode(r, mode_field);
  }

  if (status != kOpenOk && r.failure_policy == kStopOnFailure) {
    stop(kExitError, f.terminating_open_err);
  }
  return {status, true};
}

}  // namespace

void refuse_not_regular(std::string_view name) {
  const std::string text = "*" + std::string(used(name)) + std::string(kNotRegularText);
  mesag(text, 1);
  stop(kExitError, text);
}

std::int32_t open_file(Unit unit, std::string_view name, std::string_view mode,
                       std::int32_t kontrl) {
  if (is_set_ktest(name)) {
    open_file_ktest = kontrl;
    return kOpenOk;
  }
  const std::int32_t trace = open_file_ktest;
  if (trace >= kTraceLines) {
    write_line(kConsole, "(5A, 2I4)",
               {" >>In open_file, filename,mode,lu,kontrl= \"", used(name), "\", \"", mode, "\",",
                unit, kontrl});
  }
  const Outcome outcome = open_on_unit(kOpenFile, unit, name, mode, kontrl, trace);
  if (trace >= kTraceLines && outcome.leave_trace)
    write_line(kConsole, "(A)", {" << Leaving open_file.."});
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
  if (trace >= kTraceLines) {
    write_line(
        kConsole, "(A, 2I4, 5A)",
        {"  >>In opnfil: lu,kontrl,mode,filnam", unit, kontrl, ", \"", mode, "\", \"", name, "\""});
  }
  status = kOpenOk;
  const Outcome outcome = open_on_unit(kOpnfil, unit, name, mode, kontrl, trace);
  status = outcome.status;
  if (trace >= kTraceLines && outcome.leave_trace) {
    write_line(kConsole, "(A, I4)", {"  <<Leaving opnfil, opnErr=", status});
  }
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] {
  open_file_ktest = 0;
  opnfil_ktest = 0;
});

}  // namespace sunder
