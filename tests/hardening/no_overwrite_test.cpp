// A job never writes onto one of its own inputs: SetJobOutput refuses an output that is the input
// file, however it is reached, before the output is opened (opening truncates it).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "hardening_test_util.h"

namespace quorbel::testing {
namespace {

namespace fs = std::filesystem;
using fixtures::Fixture;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class NoOverwriteTest : public ComponentRun {};

TEST_F(NoOverwriteTest, AnOutputThatIsTheInputFileIsRefusedAndTheInputKept) {
  const std::string input = folder_.Path("input.avi");
  fs::copy_file(fixtures::Path(Fixture::kAviMpeg4Mp3), input);
  const std::string original = Contents(input);
  fs::create_hard_link(input, folder_.Path("hard_link.avi"));
  fs::create_symlink(input, folder_.Path("symbolic_link.avi"));
  fs::create_directory(folder_.Path("sub"));

  for (const std::string& output : {input, folder_.Path("sub/../input.avi"), "file:" + input,
                                    folder_.Path("hard_link.avi"), folder_.Path("symbolic_link.avi")}) {
    SCOPED_TRACE(output);
    const int32_t index = component_.AddJob(input, nullptr);
    ASSERT_GE(index, 0) << component_.LastError();
    TOutputOptions options;
    options.ExtOptions = "vcodec=copy\nacodec=copy";
    options.ForceFormat = "avi";
    EXPECT_FALSE(component_.SetJobOutput(index, output, &options));
    EXPECT_EQ(component_.LastError(),
              "Output file '" + output + "' is the input file '" + input + "': it would be overwritten");
    component_.DeleteJob(index);
    EXPECT_EQ(Contents(input), original);
  }

  // A file of its own is fine, also beside the links.
  const int32_t index = AddCopyJob(folder_.Path("symbolic_link.avi"), folder_.Path("copy.avi"));
  component_.StartJobs(1);
  events_.AwaitBatchEnd();
  EXPECT_EQ(EndOf(index), (TerminateEvent{index, true, false, "", {}}));
  EXPECT_EQ(Contents(input), original);
  EXPECT_TRUE(ReadFile(folder_.Path("copy.avi")).opened);
}

TEST_F(NoOverwriteTest, AnOutputThatIsTheInputOfAnotherListedJobIsRefused) {
  const std::string input = folder_.Path("first.avi");
  fs::copy_file(fixtures::Path(Fixture::kAviMpeg4Mp3), input);
  const std::string original = Contents(input);
  fs::create_hard_link(input, folder_.Path("hard_link.avi"));
  const int32_t first = AddCopyJob(input, folder_.Path("first.mkv"));

  const int32_t second = component_.AddJob(fixtures::Path(Fixture::kMp4H264Aac), nullptr);
  ASSERT_GE(second, 0) << component_.LastError();
  TOutputOptions options;
  options.ExtOptions = "vcodec=copy\nacodec=copy\nf=avi";
  EXPECT_FALSE(component_.SetJobOutput(second, folder_.Path("hard_link.avi"), &options));
  EXPECT_EQ(component_.LastError(), "Output file '" + folder_.Path("hard_link.avi") +
                                        "' is the input file '" + input + "' of job " +
                                        std::to_string(first) + ": it would be overwritten");
  EXPECT_EQ(Contents(input), original);

  // An output of its own is fine.
  ASSERT_TRUE(component_.SetJobOutput(second, folder_.Path("second.avi"), &options))
      << component_.LastError();
  component_.StartJobs(1);
  events_.AwaitBatchEnd();
  EXPECT_EQ(EndOf(first), (TerminateEvent{first, true, false, "", {}}));
  EXPECT_EQ(EndOf(second), (TerminateEvent{second, true, false, "", {}}));
  EXPECT_EQ(Contents(input), original);
}

}  // namespace
}  // namespace quorbel::testing
