// Splitting volumes end to end: stages and station numbers, the flag and the
// body limits, listed channels and their order, existing channel files, and
// the stops for bad station numbers and for too many records.
#include <gtest/gtest.h>

#include "tests/app/tool_runner.h"

namespace {

using namespace apptest;

struct Split {
  ScratchDir dir;
  RunResult run;
};

// Writes the volume and runs the tool on it with the extra arguments.
void split(Split& s, const std::string& volume, std::vector<std::string> extra = {},
           const std::string& name = "vol.v2") {
  write_file(s.dir / name, volume);
  std::vector<std::string> args = {name};
  args.insert(args.end(), extra.begin(), extra.end());
  s.run = run_tool(s.dir.path, args);
}

TEST(Stages, EachRecordTakesItsOwnStageFromLineOneInAnyCase) {
  Split s;
  std::string vol = record(2, 33) + record(1, 7) + record(0, 118) + record(3, 9);
  vol.replace(0, 9, "cOrReCtEd");
  split(s, vol, {}, "mixed.v1");
  ASSERT_EQ(s.run.status, 0) << s.run.out;
  for (const char* f : {"chan033.v2", "chan007.v1", "chan118.v0", "chan009.v3"}) {
    EXPECT_TRUE(s.dir.has(f)) << f;
  }
}

TEST(Stages, UnknownFirstLineIsNotAVolume) {
  Split s;
  std::string vol = record(2, 33) + record(2, 34);
  std::size_t second = vol.find("Corrected", 10);
  vol.replace(second, 9, "Corrupted");
  split(s, vol);
  EXPECT_EQ(s.run.status, 1);
  EXPECT_TRUE(contains(s.run.out, "Err - input file not a QVRF v0, v1, v2 or v3 file\n"));
  EXPECT_TRUE(s.dir.has("chan033.v2"));                             // the record before it is split
  EXPECT_FALSE(contains(read_file(s.dir / "Sunder.log"), "QVRF"));  // console only
}

TEST(StationNumbers, ColumnsSixSevenWhenTwentyEightToThirtyAreZeroOrBlank) {
  Split s;
  std::vector<std::string> h1 = header_lines(2, station_fields(" 5", "   "));
  std::vector<std::string> h2 = header_lines(2, station_fields("12", "  0"));
  std::vector<std::string> h3 = header_lines(2, station_fields("12", " 40"));
  std::string vol;
  for (auto* h : {&h1, &h2, &h3}) {
    h->push_back("/&");
    vol += join_crlf(*h);
  }
  split(s, vol);
  ASSERT_EQ(s.run.status, 0) << s.run.out;
  EXPECT_TRUE(s.dir.has("chan005.v2"));
  EXPECT_TRUE(s.dir.has("chan012.v2"));
  EXPECT_TRUE(s.dir.has("chan040.v2"));
}

TEST(StationNumbers, NonNumericFieldIsAnOrderlyStopNamingTheVolume) {
  Split s;
  std::vector<std::string> h = header_lines(2, station_fields(" 1", "3x3"));
  h.push_back("/&");
  split(s, record(2, 20) + join_crlf(h));
  EXPECT_EQ(s.run.status, 1);
  EXPECT_TRUE(contains(s.run.out, "vol.v2")) << s.run.out;
  EXPECT_TRUE(contains(s.run.out, "not numeric")) << s.run.out;
  EXPECT_TRUE(contains(s.run.out, "*Terminating*"));
  EXPECT_TRUE(contains(read_file(s.dir / "Sunder.log"), "not numeric"));
  EXPECT_TRUE(s.dir.has("chan020.v2"));
  EXPECT_TRUE(s.dir.has("SplitWas.bad"));
}

TEST(StationNumbers, OutsideZeroTo999StopsAndCreatesNoFile) {
  Split s;
  split(s, record(2, -5));
  EXPECT_EQ(s.run.status, 1);
  EXPECT_TRUE(contains(s.run.out, "-5 outside 0..999")) << s.run.out;
  for (const auto& e : fs::directory_iterator(s.dir.path)) {
    EXPECT_FALSE(e.path().filename().string().starts_with("chan")) << e.path();
  }
}

TEST(Flag, OnlyBodyLinesEndARecordAndTheFlagLineIsCopied) {
  Split s;
  std::vector<std::string> h = header_lines(2, station_line(1, 33));
  h[2] = pad80("/& a header line that looks like a flag");
  std::vector<std::string> lines = h;
  lines.push_back(data_line(0));
  lines.push_back("/&-- end of channel, trailing text    ");
  split(s, join_crlf(lines) + record(2, 34));
  ASSERT_EQ(s.run.status, 0) << s.run.out;
  std::string out = read_file(s.dir / "chan033.v2");
  lines.back() = "/&-- end of channel, trailing text";  // body lines lose trailing blanks
  EXPECT_EQ(out, join_crlf(lines));
  EXPECT_TRUE(s.dir.has("chan034.v2"));
}

TEST(Flag, HeaderLinesKeepFullWidthBodyLinesLoseTrailingBlanksLongLinesAreCut) {
  Split s;
  std::vector<std::string> h = header_lines(2, station_line(1, 33));
  h[1] = "short header";  // padded to 80 in the channel file
  std::vector<std::string> lines = h;
  lines.push_back("   1.0       ");
  lines.push_back("          ");
  lines.push_back(std::string(79, '7') + "89ABC");
  lines.push_back("/&");
  split(s, join_crlf(lines));
  ASSERT_EQ(s.run.status, 0) << s.run.out;
  std::vector<std::string> got = lines_of(read_file(s.dir / "chan033.v2"));
  ASSERT_EQ(got.size(), 14u);
  EXPECT_EQ(got[1], pad80("short header"));
  EXPECT_EQ(got[9].size(), 80u);
  EXPECT_EQ(got[10], "   1.0");
  EXPECT_EQ(got[11], "");
  EXPECT_EQ(got[12], std::string(79, '7') + "8");
  EXPECT_EQ(got[13], "/&");
  // Every line of the channel file ends with CR LF.
  std::string raw = read_file(s.dir / "chan033.v2");
  EXPECT_EQ(raw.substr(raw.size() - 4), "/&\r\n");
}

TEST(Flag, MissingFlagOfTheLastRecordStopsAfterTheOthersAreSplit) {
  Split s;
  std::string last = record(2, 34);
  last.erase(last.rfind("/&"));
  split(s, record(2, 33) + last);
  EXPECT_EQ(s.run.status, 1);
  EXPECT_TRUE(contains(s.run.out, "End-of-chn flag not found.\n")) << s.run.out;
  EXPECT_TRUE(contains(read_file(s.dir / "Sunder.log"), "End-of-chn flag not found."));
  EXPECT_TRUE(s.dir.has("chan033.v2"));
  EXPECT_TRUE(s.dir.has("SplitWas.bad"));
}

TEST(Flag, FewTrailingLinesEndTheVolumeNormallyTenOrMoreAreNotAHeader) {
  Split s;
  split(s, record(2, 33) + "\r\n\r\n   \r\n");
  EXPECT_EQ(s.run.status, 0) << s.run.out;
  EXPECT_TRUE(contains(read_file(s.dir / "Sunder.log"), "  1 single-channel files"));

  Split t;
  std::string junk;
  for (int i = 0; i < 10; ++i) junk += "\r\n";
  split(t, record(2, 33) + junk);
  EXPECT_EQ(t.run.status, 1);
  EXPECT_TRUE(contains(t.run.out, "Err - input file not a QVRF v0, v1, v2 or v3 file"));
}

TEST(Flag, EmptyOrShortVolumeIsAReadErrorAndTheRunGoesOn) {
  Split s;
  split(s, "Corrected\r\nonly three\r\nlines\r\n");
  EXPECT_EQ(s.run.status, 1);
  EXPECT_TRUE(contains(s.run.out, "Err reading input file\n")) << s.run.out;
  std::string log = read_file(s.dir / "Sunder.log");
  EXPECT_TRUE(contains(log, "Err reading input file"));
  EXPECT_FALSE(contains(log, "single-channel files"));  // no row
  EXPECT_TRUE(s.dir.has("SplitWas.bad"));               // not all was split: the marker stays
}

TEST(BodyLimit, AfterLine100000TheNextLineStartsAHeader) {
  // A record of exactly 100000 lines without a flag: the next ten lines are
  // read as the header of the next record.
  Split s;
  std::vector<std::string> lines = header_lines(2, station_line(1, 33));
  std::string vol = join_crlf(lines);
  const std::string body = data_line(1) + "\r\n";
  vol.reserve(vol.size() + 100000 * body.size());
  for (int i = 11; i <= 100000; ++i) vol += body;
  split(s, vol + record(1, 34));
  ASSERT_EQ(s.run.status, 0) << s.run.out;
  EXPECT_EQ(lines_of(read_file(s.dir / "chan033.v2")).size(), 100000u);
  EXPECT_TRUE(s.dir.has("chan034.v1"));
  EXPECT_TRUE(contains(read_file(s.dir / "Sunder.log"), "  2 single-channel files"));
}

TEST(RecordLimit, ExactlyNineHundredNinetyNineRecordsAreCompleteOneMoreStops) {
  std::string vol;
  for (int k = 0; k < 999; ++k) vol += record(k % 4, k, 1);
  Split s;
  split(s, vol);
  ASSERT_EQ(s.run.status, 0) << s.run.err;
  EXPECT_TRUE(contains(read_file(s.dir / "Sunder.log"), "999 single-channel files"));
  EXPECT_TRUE(s.dir.has("chan998.v2"));

  Split t;
  split(t, vol + record(0, 999, 1));
  EXPECT_EQ(t.run.status, 1);
  EXPECT_TRUE(contains(t.run.out, "more than 999 channel records in vol.v2")) << t.run.err;
  EXPECT_FALSE(contains(read_file(t.dir / "Sunder.log"), "single-channel files"));
  EXPECT_TRUE(t.dir.has("SplitWas.bad"));
}

TEST(Listed, ChannelsInVolumeOrderAreSplitAndTheVolumeIsLeftEarly) {
  Split s;
  std::string tail = record(2, 45);
  tail.erase(tail.rfind("/&"));  // never read: the run is done after 45
  split(s, record(2, 33) + record(2, 40) + record(2, 45) + tail, {"chan033", "chan045"});
  EXPECT_EQ(s.run.status, 0) << s.run.out;
  EXPECT_TRUE(s.dir.has("chan033.v2"));
  EXPECT_FALSE(s.dir.has("chan040.v2"));
  EXPECT_TRUE(s.dir.has("chan045.v2"));
  EXPECT_FALSE(contains(s.run.out, "not found"));
  std::string log = read_file(s.dir / "Sunder.log");
  EXPECT_TRUE(contains(log, "Split Into"));  // the head, but no row
  EXPECT_FALSE(contains(log, "single-channel files"));
}

TEST(Listed, OutOfOrderChannelIsReportedAndLaterOnesAreNotSought) {
  Split s;
  split(s, record(2, 33) + record(2, 45) + record(2, 50), {"chan045", "chan033", "chan050"});
  EXPECT_EQ(s.run.status, 1);  // not all it was asked for
  EXPECT_TRUE(s.dir.has("chan045.v2"));
  EXPECT_FALSE(s.dir.has("chan033.v2"));
  EXPECT_FALSE(s.dir.has("chan050.v2"));
  EXPECT_TRUE(contains(s.run.out, "\n *File searched, Station Channel 33 not found*\n"))
      << s.run.out;
  EXPECT_FALSE(contains(s.run.out, "Channel 50"));
  EXPECT_FALSE(contains(read_file(s.dir / "Sunder.log"), "not found"));  // console only
}

TEST(Existing, ChannelFilesAreNeverOverwritten) {
  Split s;
  split(s, record(2, 33) + record(2, 34));
  ASSERT_EQ(s.run.status, 0);
  fs::remove(s.dir / "chan034.v2");
  write_file(s.dir / "chan033.v2", "keep me\r\n");
  s.run = run_tool(s.dir.path, {"vol.v2"});
  EXPECT_EQ(s.run.status, 1);
  EXPECT_TRUE(contains(s.run.out, "File chan033.v2 already exists, stop\n*Terminating*\n"))
      << s.run.out;
  EXPECT_EQ(read_file(s.dir / "chan033.v2"), "keep me\r\n");
  EXPECT_FALSE(s.dir.has("chan034.v2"));
  EXPECT_TRUE(contains(read_file(s.dir / "Sunder.log"), "File chan033.v2 already exists, stop"));
  EXPECT_TRUE(s.dir.has("SplitWas.bad"));
}

TEST(WriteFailure, UnwritableDirectoryEndsTheRunWithStatusOne) {
  if (!kFilePermissions) GTEST_SKIP() << "permission bits do not keep the owner out here";
  if (is_superuser()) GTEST_SKIP() << "root writes into read-only directories";
  Split s;
  write_file(s.dir / "vol.v2", record(2, 33));
  fs::permissions(s.dir.path, fs::perms::owner_write, fs::perm_options::remove);
  s.run = run_tool(s.dir.path, {"vol.v2"});
  fs::permissions(s.dir.path, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(s.run.status, 1) << s.run.out;
  EXPECT_FALSE(s.dir.has("chan033.v2"));
}

TEST(WriteFailure, AFileSizeLimitMidRecordNamesTheChannelFile) {
  if (!kFileSizeLimits) GTEST_SKIP() << "no file-size limit for a process here";
  Split s;
  write_file(s.dir / "vol.v2", record(2, 33, 2) + record(2, 34, 3000) + record(2, 35, 2));
  s.run = run_tool(s.dir.path, {"vol.v2"}, SUNDER_EXE, 100000);
  EXPECT_EQ(s.run.status, 1) << s.run.out;
  EXPECT_TRUE(contains(s.run.out, "*Err writing channel file chan034.v2")) << s.run.out;
  EXPECT_TRUE(contains(s.run.out, "*Terminating*"));
  EXPECT_FALSE(s.dir.has("chan035.v2"));
  EXPECT_TRUE(s.dir.has("SplitWas.bad"));
}

}  // namespace
