#include "core/format_catalogue.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace quorbel::app {
namespace {

TEST(FormatCatalogue, FileTagIsTheUpperCasedExtensionOfTheDisplayName) {
  for (const TheAVCodec& row : FormatCatalogue()) {
    const std::string name(row.DisplayName);
    const size_t open = name.rfind("(*.");
    ASSERT_NE(open, std::string::npos) << name;
    ASSERT_EQ(name.back(), ')') << name;
    std::string extension = name.substr(open + 3, name.size() - open - 4);
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(row.FileTag, extension) << name;
  }
}

TEST(FormatCatalogue, KeepsItsOwnOrderWithAsfAmongTheAudioFormats) {
  // 3GPP; iPod, Apple TV, iPod Touch, iPhone; containers; audio; Zune ... BlackBerry.
  const std::vector<std::string> tags = {
      "3GP", "3G2", "MP4", "MP4", "MP4", "MP4", "MP4", "MP4", "MP4", "MP4", "MP4", "MP4", "MP4", "MP4",
      "MP4", "AVI", "AVI", "AVI", "AVI", "MOV", "MP4", "MPG", "MPG", "RM",  "WMV", "SWF", "FLV", "MPG",
      "MPG", "VOB", "AAC", "ASF", "AU",  "M4A", "MP3", "OGG", "RA",  "WAV", "WMA", "MP2", "MP4", "WMV",
      "MP4", "MP4", "MP4", "MP4", "MP4", "AVI", "AVI", "AVI", "AVI", "MP4", "AVI", "3GP"};
  ASSERT_EQ(FormatCatalogue().size(), 54u);
  for (size_t i = 0; i < tags.size(); ++i) {
    EXPECT_EQ(FormatCatalogue()[i].FileTag, tags[i]) << i;
    EXPECT_EQ(FormatCatalogue()[i].TypeNo, static_cast<int>(i));
  }
  EXPECT_EQ(FormatCatalogue()[2].DisplayName, "iPod (*.mp4)");
  EXPECT_EQ(FormatCatalogue()[5].DisplayName, "Apple TV (*.mp4)");
  EXPECT_EQ(FormatCatalogue()[9].DisplayName, "iPod Touch (*.mp4)");
  EXPECT_EQ(FormatCatalogue()[12].DisplayName, "iPhone (*.mp4)");
  EXPECT_EQ(FormatCatalogue()[27].DisplayName, "Video CD (*.mpg)");
  EXPECT_EQ(FormatCatalogue()[28].DisplayName, "Super Video CD (*.mpg)");
  EXPECT_EQ(FormatCatalogue()[31].DisplayName, "ASF - Advance Streaming Format (*.asf)");
  EXPECT_EQ(FormatCatalogue()[53].DisplayName, "BlackBerry 3GP Video (*.3gp)");
}

TEST(OutputFormatLines, ShowEveryFormatOnceWithEightSeparators) {
  const auto& lines = OutputFormatLines();
  ASSERT_EQ(lines.size(), 62u);
  const std::set<size_t> separators = {19, 29, 33, 38, 42, 46, 49, 55};  // 1-based display positions
  std::set<std::string_view> shown;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (separators.count(i + 1) != 0) {
      EXPECT_EQ(lines[i], SeparatorLine) << i;
      continue;
    }
    EXPECT_FALSE(IsSeparatorLine(lines[i])) << lines[i];
    const TheAVCodec* row = FindFormat(lines[i]);
    ASSERT_NE(row, nullptr) << lines[i];
    EXPECT_TRUE(shown.insert(row->DisplayName).second) << lines[i];
  }
  EXPECT_EQ(shown.size(), 54u);
  EXPECT_EQ(lines.front(), "3GP - Mobile Video Format (*.3gp)");
  EXPECT_EQ(lines[2], "ASF - Advance Streaming Format (*.asf)");
  EXPECT_EQ(lines.back(), "iRiver PMP100 (*.avi)");
}

TEST(OutputFormatLines, SeparatorIsFourteenBlanksAndFortyOneDashes) {
  EXPECT_EQ(SeparatorLine, std::string(14, ' ') + std::string(41, '-'));
  EXPECT_TRUE(IsSeparatorLine(SeparatorLine));
  EXPECT_TRUE(IsSeparatorLine(std::string("x").append(14, ' ').append("----")));
  EXPECT_FALSE(IsSeparatorLine(std::string(13, ' ') + "----"));
  EXPECT_FALSE(IsSeparatorLine(std::string(14, ' ') + "---"));
}

TEST(FindFormat, MatchesExactlyAndCaseSensitively) {
  ASSERT_NE(FindFormat("iPod (*.mp4)"), nullptr);
  EXPECT_EQ(FindFormat("iPod (*.mp4)")->TypeNo, static_cast<int>(FormatType::kIPod));
  EXPECT_EQ(FindFormat("ipod (*.mp4)"), nullptr);
  EXPECT_EQ(FindFormat("iPod (*.mp4) "), nullptr);
  EXPECT_EQ(FindFormat(SeparatorLine), nullptr);
  EXPECT_EQ(FindFormat(""), nullptr);
}

}  // namespace
}  // namespace quorbel::app
