#include "app/channel_file.h"

#include <string>

#include "app/run_log.h"
#include "app/run_state.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/file.h"
#include "lib/platform/interrupt.h"
#include "lib/platform/seams.h"
#include "lib/text/fields.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::size_t kNameLength = 10;
constexpr std::int32_t kLowestNumber = 0;
constexpr std::int32_t kHighestNumber = 999;
// The path of the channel file being written: its name (chan033.v2), in the
// volume's folder with --folders.
std::string chanPath;
// A channel file is open and not yet complete.
bool writing = false;

}  // namespace

void channel_write_failed(int status) {
  if (status == platform::kSourceEnded) volume_cut_short(run_state().volume);
  fatal("*Err writing channel file " + chanPath + " (disk full or not writable?); stop");
}

std::string channel_file_name(std::int32_t StaChn, std::int32_t iVol) {
  if (StaChn < kLowestNumber || StaChn > kHighestNumber) {
    fatal("*Err - station-channel number " + std::to_string(StaChn) +
          " outside 0..999, no channel file for it; stop");
  }
  static const Layout& nameLayout = layout("(A4, I3.3, A2, I1)");
  std::string name(kNameLength, ' ');
  render(name, nameLayout, {"chan", StaChn, ".v", iVol});
  return name;
}

void enter_volume_folder(std::string_view volume) {
  RunState& rs = run_state();
  rs.folder.clear();
  if (!rs.folders) return;
  // The volume's own name (without any folder it stands in) less its last
  // extension; a name without one gets ".d", so folder and volume differ.
  std::string_view base = volume.substr(volume.find_last_of(platform::folder_separators()) + 1);
  const std::size_t dot = base.rfind('.');
  std::string folder = dot != std::string_view::npos && dot > 0 ? std::string(base.substr(0, dot))
                                                                : std::string(base) + ".d";
  // "...v2" less its extension would be the folder above.
  if (folder == "." || folder == "..") folder = std::string(base) + ".d";
  switch (platform::path_kind(folder)) {
    case platform::PathKind::kDirectory:
      break;
    case platform::PathKind::kMissing:
      if (platform::make_directory(folder) != platform::kFileOk &&
          platform::path_kind(folder) != platform::PathKind::kDirectory) {
        fatal("*Err - the folder " + folder + " for " + std::string(volume) +
              " cannot be made; stop");
      }
      break;
    default:
      // A link there would send the channel files elsewhere.
      fatal("*Err - " + folder + " is in the way of the folder for " + std::string(volume) +
            " (not a folder, or a link); stop");
  }
  rs.folder = folder + "/";
}

void open_channel_file(std::int32_t StaChn, std::int32_t iVol, const Header& Txthdr) {
  RunState& rs = run_state();
  chanPath = rs.folder + channel_file_name(StaChn, iVol);

  // Created here and now or not at all: whatever takes the name first (a
  // file of an earlier run, another run's file, a link) is never replaced.
  const int iostat = connect_unit(rs.luOut, chanPath, UnitMode::kNew);
  if (iostat == platform::kAlreadyExists) fatal("File " + chanPath + " already exists, stop");
  if (iostat != 0) {
    fatal("*Err creating channel file " + chanPath + ", error " + std::to_string(iostat) +
          "; stop");
  }
  writing = true;
  platform::set_interrupt_text(
      "*Run interrupted; channel file " + chanPath + " left incomplete, stop", run_log_handle());

  write_free(kConsole, {"  File ", chanPath, " being written."});

  for (const TextLine& h : Txthdr) {
    const int status = write_text(rs.luOut, std::string_view(h.data(), h.size()));
    if (status != 0) channel_write_failed(status);
  }
}

void write_channel_line(std::string_view line) {
  const int status = write_text(run_state().luOut, used(line));
  if (status != 0) channel_write_failed(status);
}

void close_channel_file(bool haveTime, std::int64_t volumeMtime) {
  RunState& rs = run_state();
  const int status = close_unit(rs.luOut);
  if (status != 0) channel_write_failed(status);
  writing = false;
  platform::set_interrupt_text(kInterruptedText, run_log_handle());
  if (!haveTime || platform::set_file_mtime(chanPath, volumeMtime) != platform::kFileOk) {
    rs.anyUndated = true;
  }
}

void volume_cut_short(std::string_view volume) {
  std::string text = "*Err - " + std::string(volume) + " was cut short while it was split";
  if (writing) text += "; " + chanPath + " is incomplete";
  fatal(text + ", stop");
}

void closing_note() {
  if (run_state().anyUndated) {
    // Kept word for word as users know it from the dating tool of old,
    // though the platform's own call dates the files now.
    mesag("/Note: FD.exe not available, output files will have today's date", 2);
  }
}

// A fresh start, as in a new process (through the test seams).
[[maybe_unused]] const bool registered = seams::register_reset([] {
  chanPath.clear();
  writing = false;
});

}  // namespace sunder
