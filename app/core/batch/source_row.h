// One row of the source list: a file to convert, what the probe read of it and how its
// conversion went.
#pragma once

#include <array>
#include <string>

namespace quorbel::app {

// The row's cells, by column.
enum SourceCell : int {
  kCellVideoSize = 0,  // "Video Size"
  kCellFrameRate = 1,  // "Frame Rate"
  kCellDuration = 2,   // "Duration"
  kCellOutput = 3,     // "Output": the output tag
  kCellProgress = 4,   // "Progress": percentage, "Done", "Fail", "Abort"; "Error" from adding
  kCellFrames = 5,     // "Frames"
  kCellHidden = 6,     // not shown, always empty
  kCellCount = 7,
};

struct SourceRow {
  std::string Caption;  // "File Name": the source's full path
  std::array<std::string, kCellCount> Cells;
  bool Checked = true;  // the batch converts checked rows only
  // Not shown: the file the row's job writes, and why the row failed ("Fail"). Set by the batch.
  std::string OutputFile;
  std::string FailReason;
};

}  // namespace quorbel::app
