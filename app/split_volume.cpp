// One volume, record by record: the ten header lines name the stage and the
// station-channel number; the body is streamed to the channel file (or only
// counted, for an inventory) up to its "/&" flag line; the volume's end is
// judged last.
#include "app/split_volume.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/channel_file.h"
#include "app/run_log.h"
#include "app/run_state.h"
#include "lib/calendar/file_date.h"
#include "lib/files/open_file.h"
#include "lib/files/text_case.h"
#include "lib/files/units.h"
#include "lib/messages/mesag.h"
#include "lib/messages/nerrmsg.h"
#include "lib/platform/file.h"
#include "lib/text/fields.h"
#include "lib/text/line_scan.h"
#include "lib/text/lines.h"
#include "lib/text/stop.h"

namespace sunder {
namespace {

constexpr std::int32_t kMaxRecords = 999;
constexpr std::int32_t kMaxLinesPerRecord = 100000;
constexpr std::int32_t kFirstBodyLine = kHeaderLines + 1;
// The body line a trace of level 1 shows.
constexpr std::int32_t kTracedBodyLine = 41;
// A line is read whole (up to the read buffer's size), to judge what a cut loses.
constexpr std::size_t kWholeLine = std::string_view::npos;
// What counts as blank in lines after the last record.
constexpr std::string_view kBlankFiller = " \t\x1a";
// The start of header line 1 an inventory shows.
constexpr std::size_t kInventoryTitle = 40;

// Working state of the volume being split: the current record's header and
// the body line just read. Kept here so the body loop allocates nothing.
Header Txthdr;
TextLine line;
// The volume's length when it was opened: one that another process
// shortens while it is split ends early, which must not pass for its end.
std::int64_t volumeSize = 0;

std::string_view view(const TextLine& t) { return std::string_view(t.data(), t.size()); }

// Lines longer than a field are cut to it; the lines whose cut part held
// more than blanks and Ctrl-Z filler are counted, and the first one's place
// kept, for one warning at the volume's end.
struct LongLines {
  std::int32_t count = 0;
  std::int32_t record = 0;
  std::int32_t lineNo = 0;
};
LongLines longLines;

// What the header of a record says.
struct Record {
  std::int32_t iVol = 0;    // the stage, 0..3
  std::int32_t StaChn = 0;  // the station-channel number
};

// One line of the volume, cut to the 80-character field.
int read_volume_line(Unit lu, std::int32_t record, std::int32_t lineNo, std::string_view& text) {
  const int st = read_view(lu, kWholeLine, text);
  if (text.size() > kVolumeLineLength) {
    // Only a cut that loses data counts: agency volumes carry 81-column lines
    // ending in a blank, and lines of Ctrl-Z filler.
    const bool lost =
        text.find_first_not_of(kCutFiller, kVolumeLineLength) != std::string_view::npos;
    text = text.substr(0, kVolumeLineLength);
    if (lost && longLines.count++ == 0) {
      longLines.record = record;
      longLines.lineNo = lineNo;
    }
  }
  return st;
}

void warn_long_lines(const std::string& name) {
  if (longLines.count == 0) return;
  mesag("*Warning: " + name + ": " + std::to_string(longLines.count) +
            " lines longer than 80 characters, cut to 80",
        kMesagConsoleAndFile);
  mesag("  the first is line " + std::to_string(longLines.lineNo) + " of record " +
            std::to_string(longLines.record),
        kMesagConsoleAndFile);
}

bool cut_short(const std::string& name) {
  std::int64_t now = 0;
  return platform::file_size(name, now) != platform::kFileOk || now < volumeSize;
}

// The ten header lines into Txthdr; count tells how many were read.
int read_header(Unit lu, std::int32_t record, int& count) {
  count = 0;
  for (TextLine& h : Txthdr) {
    std::string_view text;
    const int st = read_volume_line(lu, record, count + 1, text);
    put_field(h, text);
    if (st != kReadOk) return st;
    ++count;
  }
  return kReadOk;
}

// The stage named by header line 1 (upper-cased in line): iVol and the header
// line holding the station-channel number; false when no stage matches.
bool find_stage(std::string_view upper, std::int32_t& iVol, int& iline) {
  struct Stage {
    std::string_view word;
    std::int32_t iVol;
    int iline;
  };
  static constexpr Stage stages[] = {
      {"RAW", 0, 8}, {"UNCORRECTED", 1, 7}, {"CORRECTED", 2, 8}, {"RESPONSE", 3, 9}};
  for (const Stage& s : stages) {
    if (upper.starts_with(s.word)) {
      iVol = s.iVol;
      iline = s.iline;
      return true;
    }
  }
  return false;
}

// Stage and station-channel number from the header just read.
Record identify(const std::string& name, std::int32_t record) {
  static const Layout& staLayout = layout("(T6, I2, T28, I3)");
  line = Txthdr[0];
  to_upper(line, kVolumeLineLength);
  Record r;
  int iline = 8;
  if (!find_stage(view(line), r.iVol, iline)) {
    stop(kExitError, "Err - input file not a QVRF v0, v1, v2 or v3 file");
  }
  // Judged after the stage: ten lines that open no record are not a record.
  if (record > kMaxRecords) {
    fatal("*Err - more than 999 channel records in " + name + "; the rest cannot be split, stop");
  }
  const TextLine& staLine = Txthdr[iline - 1];
  std::int32_t chn2 = 0, chn3 = 0;
  if (read_fields(view(staLine), staLayout, {chn2, chn3}) != kReadOk) {
    fatal("*Err - station-channel number not numeric in channel record " + std::to_string(record) +
          " of " + name + ", stop");
  }
  r.StaChn = (chn3 != 0) ? chn3 : chn2;
  if (run_state().ktest >= 1) {
    write_free(kConsole, {"iVol,StaChn=", r.iVol, r.StaChn, " Txthdr(iline)=", view(staLine)});
  }
  return r;
}

// The body ended before its flag line, or could not be read.
[[noreturn]] void body_read_failed(int st, const std::string& name, std::int32_t lineNo) {
  if (st == kReadEnd) {
    if (cut_short(name)) volume_cut_short(name);
    mesag("End-of-chn flag not found.", kMesagConsoleAndFile);
    stop(kExitError);
  }
  std::string text(80, ' ');
  render(text, "(A, I6)", {"Read err at line", lineNo});
  mesag(text, kMesagConsoleAndFile);
  stop(kExitError);
}

// Lines of a bulk copy, from line first of the record on, whose cut lost text.
void note_cut_lines(const LinesCopied& c, std::int32_t record, std::int32_t first) {
  if (c.cut == 0) return;
  if (longLines.count == 0) {
    longLines.record = record;
    longLines.lineNo = first + c.firstCut - 1;
  }
  longLines.count += c.cut;
}

// Line lineNo alone, shown on the console (a trace of level 1 shows line 41).
// True when it is the flag line.
bool traced_line(Unit lu, Unit out, std::int32_t record, std::int32_t lineNo,
                 const std::string& name) {
  std::string_view body;
  const int st = read_volume_line(lu, record, lineNo, body);
  if (st != kReadOk) body_read_failed(st, name, lineNo);
  put_field(line, body);
  write_free(kConsole, {view(line)});
  if (out != kNoUnit) write_channel_line(body);
  return body.starts_with("/&");
}

// The body, streamed in bulk by the text layer: lines pass on as they are
// scanned, runs of unchanged lines as ranges of the volume, the rest cut to
// 80 columns without trailing blanks; out kNoUnit only counts them. Returns
// the record's count of lines, its flag line included.
std::int32_t copy_body(Unit lu, Unit out, std::int32_t record, const std::string& name) {
  bool traced = run_state().ktest < 1;
  std::int32_t next = kFirstBodyLine;  // the number of the next line in the record
  while (next <= kMaxLinesPerRecord) {
    const std::int32_t last = traced ? kMaxLinesPerRecord : kTracedBodyLine - 1;
    LinesCopied c;
    const int st = copy_lines_to_flag(lu, out, kVolumeLineLength, last - next + 1, c);
    note_cut_lines(c, record, next);
    if (c.writeError != 0) channel_write_failed(c.writeError);
    if (st != kReadOk) body_read_failed(st, name, next + c.lines);
    next += c.lines;
    if (c.flag) return next - 1;
    if (!traced) {
      traced = true;
      if (traced_line(lu, out, record, next++, name)) return next - 1;
    }
  }
  return kMaxLinesPerRecord;
}

// An inventory's line for one record.
void list_record(std::int32_t record, const Record& r, std::int32_t lines) {
  static const Layout& row = layout("(I7, 4X, A1, I1, I10, I8, 2X, A10, 2X, A)");
  const std::string_view title = used(view(Txthdr[0]).substr(0, kInventoryTitle));
  write_line(kConsole, row,
             {record, "V", r.iVol, r.StaChn, lines, channel_file_name(r.StaChn, r.iVol), title});
}

// Are the first n header lines blank?
bool blank_lines(int n) {
  for (int i = 0; i < n; ++i) {
    if (view(Txthdr[i]).find_first_not_of(kBlankFiller) != std::string_view::npos) return false;
  }
  return true;
}

// The volume ended (readStatus) after records - 1 records, headerLines lines
// into the next: a normal end, a record cut in its header, or no volume.
void end_of_volume(const std::string& name, int readStatus, std::int32_t records, int headerLines,
                   const std::string& volDate, const std::string& volTime) {
  RunState& rs = run_state();
  if (cut_short(name)) volume_cut_short(name);
  const bool whole = readStatus == kReadEnd && records > 1;
  if (!whole) {
    mesag("Err reading input file", kMesagConsoleAndFile);
    rs.incomplete = true;
  } else if (!blank_lines(headerLines)) {
    // Lines after the last flag that are not blank: the volume was cut short
    // inside a record's header, and that record is lost.
    fatal("*Err - " + name + " ends inside the header of record " + std::to_string(records) + " (" +
          std::to_string(headerLines) + " of 10 lines); stop");
  }
  if (rs.inventory) {
    write_free(kConsole, {name + ": " + std::to_string(records - 1) +
                          (whole ? " records, whole" : " records, not whole")});
    return;
  }
  if (!whole) return;
  if (!rs.allChans) {
    if (rs.nFound < rs.nChans) {
      write_line(kConsole, "(A, I3, A)",
                 {" *File searched, Station Channel", rs.chanList[rs.nFound], " not found*"});
      rs.incomplete = true;
    }
  } else {
    write_report_row(name, volDate, volTime, records - 1);
  }
}

}  // namespace

void split_volume(std::string_view volume) {
  RunState& rs = run_state();
  rs.volume.assign(volume);
  const std::string& name = rs.volume;

  if (rs.inventory) {
    write_free(kConsole, {"Volume ", name});
    write_free(kConsole, {" record stage  sta-chan   lines  channel file  header line 1"});
  } else {
    write_free(kConsole, {"Read file ", name});
  }

  // Failure policy 1: a volume that cannot be opened ends the run there.
  std::int32_t status = 0;
  opnfil(rs.luIn, name, "input", kontrl(kOverwriteNever, kStopOnFailure), status);

  std::string volDate(8, ' ');
  std::string volTime(9, ' ');
  std::int64_t volMtime = 0;
  bool haveTime = false;
  if (!rs.inventory) {
    std::int32_t dateStatus = 0;
    file_date_status(name, volDate, volTime, kClock24, dateStatus);
    haveTime = platform::file_mtime(name, volMtime) == platform::kFileOk;
  }
  if (!rs.inventory) enter_volume_folder(name);
  volumeSize = 0;
  platform::file_size(name, volumeSize);
  longLines = LongLines{};

  std::int32_t record = 1;
  int readStatus = kReadOk;
  int headerLines = 0;
  bool done = false;  // listed channels all found: the rest is not read
  while (!done) {
    readStatus = read_header(rs.luIn, record, headerLines);
    if (readStatus != kReadOk) break;
    const Record r = identify(name, record);
    const bool selected = !rs.inventory && (rs.allChans || r.StaChn == rs.chanList[rs.nFound]);
    if (selected) open_channel_file(r.StaChn, r.iVol, Txthdr);
    const std::int32_t lines = copy_body(rs.luIn, selected ? rs.luOut : kNoUnit, record, name);
    if (rs.inventory) list_record(record, r, lines);
    if (selected) {
      close_channel_file(haveTime, volMtime);
      if (!rs.allChans) done = ++rs.nFound == rs.nChans;
    }
    ++record;
  }

  warn_long_lines(name);
  if (!done) end_of_volume(name, readStatus, record, headerLines, volDate, volTime);
  close_unit(rs.luIn);
}

}  // namespace sunder
