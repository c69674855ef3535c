// Channel files: one selected channel record of a volume in a file of its
// own, chanNNN.vS (station-channel number, stage), dated like its volume.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sunder {

// A volume's lines are read in, and header lines written out, at 80 columns.
inline constexpr std::size_t kVolumeLineLength = 80;
inline constexpr int kHeaderLines = 10;
using TextLine = std::array<char, kVolumeLineLength>;
using Header = std::array<TextLine, kHeaderLines>;

// The channel file's name for a station-channel number and a stage,
// chanNNN.vS; a number outside 0..999 ends the run.
std::string channel_file_name(std::int32_t StaChn, std::int32_t iVol);
// With --folders: makes (or takes) the folder for the volume's channel files.
void enter_volume_folder(std::string_view volume);
// Names the file after StaChn and iVol, refuses an existing one, opens it on
// the output unit and writes the ten header lines at full width. StaChn
// outside 0..999 or any failure ends the run.
void open_channel_file(std::int32_t StaChn, std::int32_t iVol, const Header& Txthdr);
// One body line, without its trailing blanks.
void write_channel_line(std::string_view line);
// Closes the file and gives it the volume's modification time (when the
// volume's time is known); a file left undated is remembered for the note.
void close_channel_file(bool haveTime, std::int64_t volumeMtime);
// At the end of the run: the note when some channel file could not be dated.
void closing_note();
// A write or the close of the channel file failed: an error stop naming it
// (or the volume, when it was cut short under the copy).
[[noreturn]] void channel_write_failed(int status);
// Another process shortened the volume while it was split: an error stop
// that names the volume and the channel file left incomplete.
[[noreturn]] void volume_cut_short(std::string_view volume);

}  // namespace sunder
