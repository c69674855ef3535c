// The run as a person sees it: the report in Sunder.log column by column,
// the console lines, the marker and clean-up files, dating, wildcard runs and
// the trace levels.
#include <gtest/gtest.h>

#include "tests/app/tool_runner.h"

namespace {

using namespace apptest;

// 1 000 000 000 s after 1970: 9 Sep 2001 01:46:40 GMT, shown by the report in
// its fixed zone (seven hours behind GMT in summer) as 09/08/01 18:46:40.
constexpr long long kVolumeTime = 1000000000;

std::string report_row(const std::string& name, const std::string& date, const std::string& time,
                       int count) {
  std::string row(9, ' ');
  row += name;
  row.resize(26, ' ');
  row += date + " " + time;  // columns 27-34, a blank, 36-44
  row.resize(47, ' ');
  char n[8];
  std::snprintf(n, sizeof n, "%3d", count);
  return row + n + " single-channel files";
}

TEST(Report, TitleHeadsAndRowColumnByColumn) {
  ScratchDir d;
  write_file(d / "vol.v2", record(2, 33) + record(2, 34) + record(1, 35));
  set_mtime(d / "vol.v2", kVolumeTime);
  RunResult r = run_tool(d.path, {"vol.v2"});
  ASSERT_EQ(r.status, 0) << r.out;
  std::vector<std::string> log = lines_of(read_file(d / "Sunder.log"));
  ASSERT_EQ(log.size(), 9u) << read_file(d / "Sunder.log");
  EXPECT_EQ(log[2], "");
  EXPECT_EQ(log[3], std::string(29, ' ') + "- Split Files Report -");
  EXPECT_EQ(log[4], "");
  EXPECT_EQ(log[5], std::string(12, ' ') + "File" + std::string(15, ' ') + "Dated" +
                        std::string(17, ' ') + "Split Into");
  const std::string row = report_row("vol.v2", "09/08/01", "18:46:40 ", 3);
  EXPECT_EQ(log[6], row);
  EXPECT_EQ(log[6].substr(9, 6), "vol.v2");     // name from column 10
  EXPECT_EQ(log[6].substr(26, 8), "09/08/01");  // date in 27-34
  EXPECT_EQ(log[6].substr(35, 8), "18:46:40");  // time from 36
  EXPECT_EQ(log[6].substr(47, 3), "  3");       // count ending in column 50
  EXPECT_EQ(log[7], "   ");                     // the closing blank lines
  EXPECT_EQ(log[8], "");
  // Every log line ends with CR LF.
  std::string raw = read_file(d / "Sunder.log");
  EXPECT_EQ(raw.find("\n"), raw.find("\r\n") + 1);
}

TEST(Console, LinesOfARunInOrder) {
  ScratchDir d;
  write_file(d / "vol.v2", record(2, 33) + record(0, 7));
  RunResult r = run_tool(d.path, {"vol.v2"}, "sunder");
  ASSERT_EQ(r.status, 0) << r.out;
  std::vector<std::string> con = lines_of(r.out);
  ASSERT_EQ(con.size(), 7u) << r.out;
  EXPECT_TRUE(con[0].starts_with("sunder vol.v2 "));
  EXPECT_TRUE(con[1].starts_with(std::string(56, ' ') + "Run: "));
  EXPECT_EQ(con[2], " Read file vol.v2");
  EXPECT_EQ(con[3], "   File chan033.v2 being written.");
  EXPECT_EQ(con[4], "   File chan007.v0 being written.");
  EXPECT_EQ(con[5], "   ");
  EXPECT_EQ(con[6], "");
  EXPECT_FALSE(contains(r.out, "FD.exe"));  // every file was dated
}

TEST(Dating, ChannelFilesCarryTheVolumesModificationTime) {
  ScratchDir d;
  write_file(d / "vol.v2", record(2, 33) + record(3, 34));
  set_mtime(d / "vol.v2", kVolumeTime + 17);
  RunResult r = run_tool(d.path, {"vol.v2"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(mtime_of(d / "chan033.v2"), kVolumeTime + 17);
  EXPECT_EQ(mtime_of(d / "chan034.v3"), kVolumeTime + 17);
  EXPECT_FALSE(d.has("txt_from.fd"));
  EXPECT_FALSE(contains(read_file(d / "Sunder.log"), "FD.exe"));
}

TEST(CleanUp, NormalRunLeavesNoMarkerAndRemovesAnEmptyLogWriterFile) {
  ScratchDir d;
  write_file(d / "vol.v2", record(2, 33));
  write_file(d / "mesg2log.err", "");
  RunResult r = run_tool(d.path, {"vol.v2"});
  ASSERT_EQ(r.status, 0);
  EXPECT_FALSE(d.has("SplitWas.bad"));
  EXPECT_FALSE(d.has("mesg2log.err"));
  EXPECT_FALSE(d.has("syscalls.log"));
  // No call log was made, so none is deleted: nothing to complain about, and
  // a user's file of a similar name stays.
  EXPECT_EQ(r.err, "");
  ScratchDir e;
  // Where names ignore case, SYSCALLS.LOG is the call log itself.
  if (names_ignore_case(e.path)) GTEST_SKIP() << "file names ignore case here";
  write_file(e / "vol.v2", record(2, 33));
  write_file(e / "SYSCALLS.LOG", "mine\r\n");
  ASSERT_EQ(run_tool(e.path, {"vol.v2"}).status, 0);
  EXPECT_EQ(read_file(e / "SYSCALLS.LOG"), "mine\r\n");
}

TEST(CleanUp, TracingOrContentKeepsTheLogWriterFile) {
  ScratchDir d;
  write_file(d / "vol.v2", record(2, 33));
  write_file(d / "mesg2log.err", "a line\r\n");
  ASSERT_EQ(run_tool(d.path, {"vol.v2"}).status, 0);
  EXPECT_TRUE(d.has("mesg2log.err"));

  ScratchDir e;
  write_file(e / "vol.v2", record(2, 33));
  write_file(e / "mesg2log.err", "");
  write_file(e / "syscalls.log", "old\r\n");
  ASSERT_EQ(run_tool(e.path, {"vol.v2", "ktest=1"}).status, 0);
  EXPECT_TRUE(e.has("mesg2log.err"));
  EXPECT_TRUE(e.has("syscalls.log"));
  EXPECT_FALSE(e.has("SplitWas.bad"));
}

TEST(Trace, LevelOneShowsEachRecordAndLine41) {
  ScratchDir d;
  write_file(d / "vol.v2", record(2, 33, 40) + record(1, 34, 20));
  RunResult r = run_tool(d.path, {"vol.v2", "ktest=1"});
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string sta33 = station_line(1, 33);
  // Free-form: the integers in 12 columns, the header line at its full 80.
  EXPECT_TRUE(contains(r.out, "\n iVol,StaChn=           2          33")) << r.out;
  EXPECT_TRUE(contains(r.out, "Txthdr(iline)=" + sta33 + "\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "\n iVol,StaChn=           1          34"));
  EXPECT_TRUE(contains(r.out, "\n " + data_line(30) + "\n"));  // line 41 of record 1
  EXPECT_FALSE(contains(r.out, data_line(29)));
  EXPECT_EQ(lines_of(read_file(d / "chan033.v2")).size(), 51u);
}

TEST(Wildcard, SeveralVolumesAllChannelsChannelArgumentsIgnored) {
  ScratchDir d;
  write_file(d / "a.v2", record(2, 33) + record(2, 34));
  write_file(d / "b.v2", "");
  write_file(d / "c.v2", record(2, 40));
  write_file(d / "d.v2", record(3, 41) + record(3, 42) + record(3, 43));
  write_file(d / "e.v1", record(1, 50));
  for (const char* v : {"a.v2", "b.v2", "c.v2", "d.v2"}) set_mtime(d / v, kVolumeTime);
  // A user's file beside our call log (where names ignore case, it would be the call log).
  const bool usersFile = !names_ignore_case(d.path);
  if (usersFile) write_file(d / "SYSCALLS.LOG", "mine\r\n");
  RunResult r = run_tool(d.path, {"*.v2", "chan033", "junk"});
  ASSERT_EQ(r.status, 1) << r.out;  // b.v2 could not be read
  for (const char* f : {"chan033.v2", "chan034.v2", "chan040.v2", "chan041.v3", "chan043.v3"}) {
    EXPECT_TRUE(d.has(f)) << f;
  }
  EXPECT_FALSE(d.has("chan050.v1"));
  EXPECT_TRUE(contains(r.out, " Read file b.v2\nErr reading input file\n")) << r.out;
  std::vector<std::string> log = lines_of(read_file(d / "Sunder.log"));
  std::vector<std::string> rows;
  for (const std::string& l : log) {
    if (contains(l, "single-channel files")) rows.push_back(l);
  }
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], report_row("a.v2", "09/08/01", "18:46:40 ", 2));
  EXPECT_EQ(rows[1], report_row("c.v2", "09/08/01", "18:46:40 ", 1));
  EXPECT_EQ(rows[2], report_row("d.v2", "09/08/01", "18:46:40 ", 3));
  // Tracing off: the call log and the listing file are gone, and the marker.
  for (const auto& e : fs::directory_iterator(d.path)) {
    const std::string n = e.path().filename().string();
    EXPECT_FALSE(n.starts_with("dir_fil$")) << n;
    EXPECT_NE(n, "sysCalls.log");
  }
  EXPECT_TRUE(d.has("SplitWas.bad"));  // not all was split: the marker stays
  if (usersFile) {
    EXPECT_EQ(read_file(d / "SYSCALLS.LOG"), "mine\r\n");
  }
}

TEST(Wildcard, TwoStationsMeetingTheSameChannelFileStop) {
  ScratchDir d;
  write_file(d / "sta1.v2", record(2, 33) + record(2, 34));
  write_file(d / "sta2.v2", record(2, 35) + record(2, 33));
  RunResult r = run_tool(d.path, {"sta?.v2"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.out, "File chan033.v2 already exists, stop\n*Terminating*\n")) << r.out;
  std::string log = read_file(d / "Sunder.log");
  EXPECT_TRUE(contains(log, "sta1.v2"));
  EXPECT_FALSE(contains(log, "sta2.v2"));
  EXPECT_TRUE(d.has("chan035.v2"));  // split before the meeting
  EXPECT_TRUE(d.has("SplitWas.bad"));
}

TEST(Wildcard, OneMatchWithChannelsAtTraceLevelTwoKeepsTheListingAndCallLog) {
  ScratchDir d;
  write_file(d / "vol.v1", record(1, 7) + record(1, 8) + record(1, 9));
  RunResult r = run_tool(d.path, {"*.v1", "chan008", "ktest=2"});
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(d.has("chan008.v1"));
  EXPECT_FALSE(d.has("chan007.v1"));
  EXPECT_FALSE(d.has("chan009.v1"));
  EXPECT_TRUE(contains(r.out, "iVol,StaChn=           1           7")) << r.out;
  bool listing = false;
  bool callLog = false;
  for (const auto& e : fs::directory_iterator(d.path)) {
    const std::string n = e.path().filename().string();
    if (n.starts_with("dir_fil$.")) listing = true;
    if (n == "sysCalls.log") callLog = true;
  }
  EXPECT_TRUE(listing);
  EXPECT_TRUE(callLog);
  EXPECT_FALSE(contains(read_file(d / "Sunder.log"), "single-channel files"));
}

}  // namespace
