// Volumes as agencies publish them: CR LF ends, several records of one
// station, 81-column lines ending in a blank, a line of Ctrl-Z filler at the
// end, stage words in upper and mixed case, and names far longer than the
// old 8.3 form. Split under long names, through patterns, from another
// folder and as the list of names a shell hands over.
#include <gtest/gtest.h>

#include "tests/app/tool_runner.h"

namespace {

using namespace apptest;

// 9 Sep 2001 01:46:40 GMT; the report shows it as 09/08/01 18:46:40.
constexpr long long kVolumeTime = 1000000000;
constexpr char kDate[] = "09/08/01";
constexpr char kTime[] = "18:46:40";

// A record of a station in the agencies' shape: the stage word as given,
// a body whose block-announcing line has 81 columns ending in a blank.
std::string agency_record(const std::string& stageWord, int stage, int stachn) {
  std::vector<std::string> lines = header_lines(stage, station_line(stachn % 10, stachn));
  lines[0] = pad80(stageWord + " ACCELEROGRAM  station HILLSIDE");
  lines.push_back(pad80("    4000 points of accel data equally spaced at  .005 sec, in cm/sec2.") +
                  " ");
  for (int k = 0; k < 3; ++k) lines.push_back(data_line(k));
  lines.push_back("/&");
  return join_crlf(lines);
}

// Three records of one station, then a line of Ctrl-Z filler longer than
// 80 columns.
std::string agency_volume(int first_channel = 1) {
  return agency_record("CORRECTED", 2, first_channel) +
         agency_record("Corrected", 2, first_channel + 1) +
         agency_record("corrected", 2, first_channel + 2) + std::string(128, '\x1a') + "\r\n";
}

// What the channel file of agency_record holds: header lines at 80 columns,
// body lines without trailing blanks.
std::string expected_channel(const std::string& stageWord, int stage, int stachn) {
  std::vector<std::string> lines = header_lines(stage, station_line(stachn % 10, stachn));
  lines[0] = pad80(stageWord + " ACCELEROGRAM  station HILLSIDE");
  lines.push_back("    4000 points of accel data equally spaced at  .005 sec, in cm/sec2.");
  for (int k = 0; k < 3; ++k) lines.push_back(data_line(k));
  lines.push_back("/&");
  return join_crlf(lines);
}

std::string row_rest(int count) {
  char n[8];
  std::snprintf(n, sizeof n, "%3d", count);
  // The time's field has a tenth column (a blank after a 24-hour time).
  return std::string(kDate) + " " + kTime + "    " + n + " single-channel files";
}

// The report row of the log (the line after the heads).
std::string report_row_of(const fs::path& dir) {
  const std::vector<std::string> log = lines_of(read_file(dir / "Sunder.log"));
  for (const std::string& l : log) {
    if (contains(l, "single-channel files")) return l;
  }
  return "(no report row)";
}

void write_volume(const fs::path& p, const std::string& bytes) {
  write_file(p, bytes);
  set_mtime(p, kVolumeTime);
}

TEST(AgencyVolumes, LongNameSplitsExactlyWithoutFalseWarnings) {
  ScratchDir d;
  const std::string name = "st8040-n.evt1000.HNE.01.V2c";
  write_volume(d / name, agency_volume());
  RunResult r = run_tool(d.path, {name});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(contains(r.out, " Read file " + name + "\n")) << r.out;
  EXPECT_FALSE(contains(r.out, "Warning")) << r.out;
  EXPECT_EQ(read_file(d / "chan001.v2"), expected_channel("CORRECTED", 2, 1));
  EXPECT_EQ(read_file(d / "chan002.v2"), expected_channel("Corrected", 2, 2));
  EXPECT_EQ(read_file(d / "chan003.v2"), expected_channel("corrected", 2, 3));
  EXPECT_EQ(mtime_of(d / "chan003.v2"), kVolumeTime);
  // Over 16 characters: the whole name from column 10, one blank, the rest.
  EXPECT_EQ(report_row_of(d.path), std::string(9, ' ') + name + " " + row_rest(3));
}

TEST(AgencyVolumes, NamesUpToSixteenKeepTheRowsColumns) {
  ScratchDir d;
  const std::string name = "q23583r_HILL.RAW";  // 16 characters
  write_volume(d / name, agency_volume());
  RunResult r = run_tool(d.path, {name});
  ASSERT_EQ(r.status, 0) << r.out;
  std::string row = std::string(9, ' ') + name;
  row.resize(26, ' ');
  EXPECT_EQ(report_row_of(d.path), row + row_rest(3));
}

TEST(AgencyVolumes, CutThatLosesDataIsStillCountedOnce) {
  ScratchDir d;
  std::string bytes = agency_volume();
  // One body line of 90 columns whose cut part holds digits.
  const std::string flagged = data_line(1);
  bytes.replace(bytes.find(flagged), flagged.size(), flagged + "    1.2345");
  write_volume(d / "quake_long_lines.v2", bytes);
  RunResult r = run_tool(d.path, {"quake_long_lines.v2"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(
      contains(r.out,
               "*Warning: quake_long_lines.v2: 1 lines longer than 80 characters, cut to 80\n"
               "  the first is line 13 of record 1\n"))
      << r.out;
}

TEST(AgencyVolumes, PatternsAndFoldersFindLongNames) {
  {
    ScratchDir d;  // a pattern the tool expands, matching one long name
    write_volume(d / "q23583r_HILLSIDE.RAW", agency_volume());
    write_file(d / "notes.txt", "not a volume\r\n");
    RunResult r = run_tool(d.path, {"*.RAW"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(contains(r.out, " Read file q23583r_HILLSIDE.RAW\n")) << r.out;
    EXPECT_TRUE(d.has("chan003.v2"));
  }
  {
    ScratchDir d;  // a volume in another folder: channel files come here
    fs::create_directory(d / "data");
    write_volume(d / "data" / "q23583r_HILLSIDE.RAW", agency_volume());
    RunResult r = run_tool(d.path, {"data/q23583r_HILLSIDE.RAW"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(d.has("chan001.v2"));
    EXPECT_FALSE(fs::exists(d / "data" / "chan001.v2"));
    EXPECT_EQ(report_row_of(d.path),
              std::string(9, ' ') + "data/q23583r_HILLSIDE.RAW " + row_rest(3));
  }
  {
    ScratchDir d;  // a pattern in another folder opens what it found there
    fs::create_directory(d / "data");
    write_volume(d / "data" / "station_a_2024.v2", agency_volume(1));
    write_volume(d / "data" / "station_b_2024.v2", agency_volume(4));
    RunResult r = run_tool(d.path, {"data/*.v2"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(contains(r.out, " Read file data/station_a_2024.v2\n")) << r.out;
    for (int c = 1; c <= 6; ++c) {
      char n[16];
      std::snprintf(n, sizeof n, "chan%03d.v2", c);
      EXPECT_TRUE(d.has(n)) << n;
    }
  }
}

TEST(AgencyVolumes, ALongPatternIsListedWhole) {
  // A pattern in a folder of a long name: the listing command is never cut,
  // which would send the listing to a file of another name.
  ScratchDir d;
  const std::string folder = "event_2024-07-12_station_archive_" + std::string(100, 'x');
  fs::create_directory(d / folder);
  write_volume(d / folder / "station_a_2024.v2", agency_volume(1));
  write_file(d / "di", "a user's file\r\n");
  RunResult r = run_tool(d.path, {folder + "/*.v2"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(d.has("chan003.v2"));
  EXPECT_EQ(read_file(d / "di"), "a user's file\r\n");
}

TEST(AgencyVolumes, NamesHandedOverByAShell) {
  {
    ScratchDir d;  // sunder *.v2, expanded: every name split, all channels
    write_volume(d / "station_a_2024.v2", agency_volume(1));
    write_volume(d / "station_b_2024.v2", agency_volume(4));
    RunResult r = run_tool(d.path, {"station_b_2024.v2", "station_a_2024.v2", "chan004"});
    ASSERT_EQ(r.status, 0) << r.out;
    // In the order given, and the channel argument not read.
    EXPECT_LT(r.out.find("Read file station_b"), r.out.find("Read file station_a")) << r.out;
    for (const char* n : {"chan001.v2", "chan003.v2", "chan004.v2", "chan006.v2"}) {
      EXPECT_TRUE(d.has(n)) << n;
    }
  }
  {
    ScratchDir d;  // one name handed over with channels: those channels only
    write_volume(d / "station_a_2024.v2", agency_volume(1));
    RunResult r = run_tool(d.path, {"station_a_2024.v2", "chan002"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(d.has("chan002.v2"));
    EXPECT_FALSE(d.has("chan001.v2"));
  }
  {
    ScratchDir d;  // neither a file nor a channel: refused, nothing split
    write_volume(d / "station_a_2024.v2", agency_volume(1));
    write_volume(d / "station_b_2024.v2", agency_volume(4));
    RunResult r = run_tool(d.path, {"station_a_2024.v2", "station_b_2024.v2", "junk"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.out, "Stop, bad arg: junk\n")) << r.out;
    EXPECT_FALSE(d.has("chan001.v2"));
  }
  {
    ScratchDir d;  // more than 200 names: refused as a pattern that fills the list
    std::vector<std::string> args;
    for (int i = 0; i < 201; ++i) {
      char n[32];
      std::snprintf(n, sizeof n, "vol%03d.v2", i);
      write_file(d / n, "x\r\n");
      args.push_back(n);
    }
    RunResult r = run_tool(d.path, args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.out, "Too many files match wildcard pattern")) << r.out;
  }
}

}  // namespace
