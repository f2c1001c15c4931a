#include "core/row_job.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quorbel::app {
namespace {

namespace fs = std::filesystem;

class RowJobTest : public testing::Test {
 protected:
  RowJobTest() {
    std::string pattern = (fs::temp_directory_path() / "quorbel-rowjob-XXXXXX").string();
    root = fs::path(mkdtemp(pattern.data()));
    fs::create_directories(root / "in");
    fs::create_directories(root / "out");
  }
  ~RowJobTest() override { fs::remove_all(root); }

  std::string Touch(const fs::path& path, const std::string& content = "x") {
    std::ofstream(path) << content;
    return path.string();
  }
  std::string Out(const std::string& name) const { return (root / "out" / name).string(); }

  fs::path root;
};

TEST_F(RowJobTest, UniqueOutputNameNumbersTakenNames) {
  EXPECT_EQ(UniqueOutputName(Out("clip.avi"), ".mp4"), Out("clip.mp4"));
  Touch(Out("clip.mp4"));
  EXPECT_EQ(UniqueOutputName(Out("clip.avi"), ".mp4"), Out("clip-1.mp4"));
  Touch(Out("clip-1.mp4"));
  fs::create_directory(Out("clip-2.mp4"));  // a folder takes the name too
  EXPECT_EQ(UniqueOutputName(Out("clip.avi"), ".mp4"), Out("clip-3.mp4"));
  EXPECT_EQ(UniqueOutputName(Out("noext"), ".mp3"), Out("noext.mp3"));
  EXPECT_EQ(UniqueOutputName(Out("two.dots.avi"), ".wmv"), Out("two.dots.wmv"));
}

TEST_F(RowJobTest, ADanglingLinkTakesTheName) {
  fs::create_symlink(root / "missing", Out("clip.mp4"));
  EXPECT_EQ(UniqueOutputName(Out("clip.avi"), ".mp4"), Out("clip-1.mp4"));
}

TEST_F(RowJobTest, OutputNameWithoutOverwriteIsUnique) {
  const std::string source = Touch(root / "in" / "clip.avi");
  EXPECT_EQ(RowOutputName((root / "out").string(), source, "MP4", false), Out("clip.mp4"));
  Touch(Out("clip.mp4"));
  EXPECT_EQ(RowOutputName((root / "out").string(), source, "MP4", false), Out("clip-1.mp4"));
  EXPECT_EQ(RowOutputName((root / "out").string() + "/  ", source, "VOB", false), Out("clip.vob"));
}

TEST_F(RowJobTest, OverwriteReusesTheNameButNeverTheSource) {
  const std::string source = Touch(root / "in" / "clip.avi");
  Touch(Out("clip.mp4"));
  EXPECT_EQ(RowOutputName((root / "out").string(), source, "MP4", true), Out("clip.mp4"));
  EXPECT_EQ(RowOutputName((root / "out").string(), Touch(root / "in" / "bare"), "MP3", true),
            Out("bare.mp3"));

  // The source itself, reached directly and through a linked folder: another name is chosen.
  const std::string inPlace = Touch(Out("movie.mp4"), "source bytes");
  fs::create_directory_symlink(root / "out", root / "link");
  EXPECT_EQ(RowOutputName((root / "out").string(), inPlace, "MP4", true), Out("movie-1.mp4"));
  EXPECT_EQ(RowOutputName((root / "link").string(), inPlace, "MP4", true),
            (root / "link" / "movie-1.mp4").string());
  std::ifstream in(inPlace);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "source bytes");
}

TEST(RowInputOptions, NamesTheSourceAndStartsAtZero) {
  const TInputOptions options = RowInputOptions("/media/clip.avi");
  EXPECT_EQ(options.FileName, "/media/clip.avi");
  EXPECT_EQ(options.StartTime, 0);
  EXPECT_EQ(options.ProgramID, -1);
  EXPECT_EQ(options.ForceFormat, "");
  EXPECT_EQ(options.ExtOptions, "");
}

}  // namespace
}  // namespace quorbel::app
