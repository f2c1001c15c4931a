#include "binding/open_input.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace quorbel {
namespace {

std::string WriteFile(const std::string& name, const std::string& bytes) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

TEST(OpenInputFileTest, FilesNoDemuxerClaimsAreAnUnknownFormat) {
  for (const std::string& bytes : {std::string(), std::string("plain words, nothing more\n")}) {
    const std::string path = WriteFile("quorbel_unknown_format.xyz", bytes);
    InputFormatContextPtr file;
    EXPECT_EQ(OpenInputFile(file, path, nullptr, nullptr), AVERROR_DEMUXER_NOT_FOUND)
        << bytes.size() << " bytes";
    EXPECT_FALSE(file);
    std::filesystem::remove(path);
  }
}

TEST(OpenInputFileTest, OtherFailuresKeepTheLibrariesCode) {
  InputFormatContextPtr file;
  EXPECT_EQ(OpenInputFile(file, testing::TempDir() + "quorbel_missing.avi", nullptr, nullptr),
            AVERROR(ENOENT));

  // A forced format that cannot parse the bytes is a header error, not an unknown format.
  const std::string path = WriteFile("quorbel_not_avi.avi", std::string(4096, 'x'));
  EXPECT_EQ(OpenInputFile(file, path, av_find_input_format("avi"), nullptr), AVERROR_INVALIDDATA);
  EXPECT_FALSE(file);
  std::filesystem::remove(path);
}

TEST(OpenInputFileTest, ReadableFileIsOwnedByTheCaller) {
  // 0.1 s of silence as headerless 16-bit PCM, named so that the name alone picks the demuxer.
  const std::string path = WriteFile("quorbel_silence.sw", std::string(1600, '\0'));
  InputFormatContextPtr file;
  ASSERT_GE(OpenInputFile(file, path, nullptr, nullptr), 0);
  ASSERT_TRUE(file);
  EXPECT_STREQ(file->iformat->name, "s16le");
  file.reset();
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace quorbel
