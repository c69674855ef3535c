// The run state of one sunder run: set up by the driver, read and updated by
// the volume splitter and the channel output, alive until the process ends.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lib/text/streams.h"

namespace sunder {

inline constexpr int kMaxVolumes = 200;     // room in the file list
inline constexpr int kMaxChannels = 20;     // listed channels
inline constexpr int kArgumentLength = 20;  // the argument field
inline constexpr char kVersion[] = "v2.5, 3/15";
// The marker of a run at work; the run's lock lives on it.
inline constexpr char kMarkerName[] = "SplitWas.bad";
inline constexpr std::string_view kMarkerText = "Marker file. \r\n";
// What an interrupted run leaves on the console and in the log while no
// channel file is being written.
inline constexpr std::string_view kInterruptedText = "*Run interrupted, stop";

struct RunState {
  std::int32_t ktest = 0;
  // The volumes to split, their whole names, and their count.
  std::vector<std::string> fileList;
  std::int32_t nFiles = 0;
  // Listed channels in command-line order; all channels when allChans.
  std::array<std::int32_t, kMaxChannels> chanList{};
  std::int32_t nChans = 0;
  bool allChans = true;
  // Listed-channels progress: how many were written. The channel sought
  // next is chanList[nFound].
  std::int32_t nFound = 0;
  Unit luIn = -1;
  Unit luOut = -1;
  // An inventory (--list): records are counted and listed, nothing written.
  bool inventory = false;
  // --folders: each volume's channel files go into a folder of its own,
  // named after the volume; folder is the current volume's ("" or "NAME/").
  bool folders = false;
  std::string folder;
  // Dating: some channel file could not be given its volume's time.
  bool anyUndated = false;
  // Something asked for could not be done, though the run went on (a volume
  // that could not be read, a listed channel not found): the run ends with
  // status 1.
  bool incomplete = false;
  // The name of the volume being split.
  std::string volume;
};

RunState& run_state();

}  // namespace sunder
