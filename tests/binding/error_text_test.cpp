#include "binding/error_text.h"

#include <gtest/gtest.h>

#include <cerrno>

extern "C" {
#include <libavutil/error.h>
}

namespace quorbel {
namespace {

TEST(LibraryErrorTextTest, EachCodeGetsItsCategorysText) {
  const std::string ioText =
      ": I/O error occurred\r\nUsually that means that input file is truncated and/or corrupted.";
  struct Case {
    int code;
    std::string expected;
  };
  for (const Case& c : {
           Case{AVERROR(ENOENT), "clip.avi: no such file or directory"},
           Case{AVERROR(EPERM), "clip.avi: Error while opening file"},  // -1, in no category
           Case{AVERROR(EACCES), "clip.avi: Error while opening file"},
           Case{AVERROR_DEMUXER_NOT_FOUND, "clip.avi: Unknown format"},
           Case{AVERROR_MUXER_NOT_FOUND, "clip.avi: Unknown format"},
           Case{AVERROR(EILSEQ), "clip.avi: Unknown format"},
           Case{AVERROR_INVALIDDATA, "clip.avi: Error while parsing header"},
           Case{AVERROR(EINVAL), "clip.avi: Error while parsing header"},
           Case{AVERROR(ENOMEM), "clip.avi: memory allocation error occurred"},
           Case{AVERROR(EIO), "clip.avi" + ioText},
           Case{AVERROR_EOF, "clip.avi" + ioText},
       }) {
    EXPECT_EQ(LibraryErrorText("clip.avi", c.code), c.expected) << c.code;
  }
  EXPECT_EQ(LibraryErrorText("x.mov", -1), "x.mov: Error while opening file");
}

TEST(LibraryErrorTextTest, ImageNumberTextShowsSinglePercentSigns) {
  EXPECT_EQ(AVERROR(EDOM), -33);
  EXPECT_EQ(LibraryErrorText("img.jpg", -33),
            "img.jpg: Incorrect image filename syntax.\r\n"
            "Use '%d' to specify the image number:\r\n"
            "  for img1.jpg, img2.jpg, ..., use 'img%d.jpg';\r\n"
            "  for img001.jpg, img002.jpg, ..., use 'img%03d.jpg'.");
}

TEST(LibraryErrorTextTest, PrefixIsTakenLiterally) {
  EXPECT_EQ(LibraryErrorText("100%s.avi", AVERROR(ENOENT)), "100%s.avi: no such file or directory");
  EXPECT_EQ(LibraryErrorText("", AVERROR(ENOENT)), ": no such file or directory");
}

}  // namespace
}  // namespace quorbel
