#include "base/text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "quorbel/exceptions.h"

namespace quorbel {
namespace {

TEST(TextTest, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t\r\n vcodec=copy \x01"), "vcodec=copy");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("a b"), "a b");
}

TEST(TextTest, IntegerTextConvertsDecimalAndHexadecimal) {
  struct Case {
    const char* text;
    int32_t value;
  };
  for (const Case& c : {Case{"42", 42}, Case{"-7", -7}, Case{"$1F", 31}, Case{"0x10", 16}, Case{" 5", 5},
                        Case{"2147483647", 2147483647}, Case{"-2147483648", -2147483647 - 1}}) {
    EXPECT_EQ(StrToInt(c.text), c.value) << c.text;
  }
}

TEST(TextTest, BadIntegerTextRaisesTheClassicMessage) {
  for (const char* text : {"abc", "", "12 ", "1.5", "2147483648", "0x", "$"}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' is not a valid integer value");
    }
  }
}

TEST(TextTest, SixtyFourBitIntegersKeepTheirFullRange) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_THROW(StrToInt64("9223372036854775808"), ConversionError);
}

TEST(TextTest, RealTextConvertsOrRaises) {
  EXPECT_DOUBLE_EQ(StrToFloat("0.5"), 0.5);
  EXPECT_DOUBLE_EQ(StrToFloat(" 1e3 "), 1000.0);
  EXPECT_THROW(StrToFloat("nan"), ConversionError);
  try {
    StrToFloat("abc");
    ADD_FAILURE();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
  }
}

TEST(TextTest, StrPrintfFormatsLikePrintf) {
  EXPECT_EQ(StrPrintf("Stream #%d.%d", 0, 1), "Stream #0.1");
  EXPECT_EQ(StrPrintf("%s", ""), "");
  EXPECT_EQ(StrPrintf("%.2f%%", 1.005), "1.00%");
}

}  // namespace
}  // namespace quorbel
