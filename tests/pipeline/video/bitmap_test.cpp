// TBitmap: the row layout a viewer relies on, resizing, and the canvas lock across threads.
#include "quorbel/bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace quorbel {
namespace {

TEST(BitmapTest, RowsAreThreeBytesPerPixelAlignedToFourBytes) {
  const struct {
    int32_t width, bytesPerLine;
  } cases[] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {10, 32}, {64, 192}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width);
    TBitmap bitmap(c.width, 3);
    EXPECT_EQ(bitmap.BytesPerLine(), c.bytesPerLine);
    for (int32_t row = 0; row < 3; ++row)
      EXPECT_EQ(bitmap.ScanLine(row), bitmap.Bits() + row * c.bytesPerLine);
    EXPECT_EQ(bitmap.ScanLine(-1), nullptr);
    EXPECT_EQ(bitmap.ScanLine(3), nullptr);
    EXPECT_TRUE(
        std::all_of(bitmap.Bits(), bitmap.Bits() + 3 * c.bytesPerLine, [](uint8_t b) { return b == 0; }));
  }
}

TEST(BitmapTest, ResizingGivesABlackBitmapOfTheNewSize) {
  TBitmap bitmap(4, 4);
  bitmap.ScanLine(1)[0] = 255;
  bitmap.SetSize(7, 2);
  EXPECT_EQ(bitmap.Width(), 7);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.BytesPerLine(), 24);
  EXPECT_EQ(bitmap.ScanLine(1)[0], 0);
  bitmap.SetSize(-3, 5);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.BytesPerLine(), 0);
  EXPECT_EQ(TBitmap().Height(), 0);
}

TEST(BitmapTest, TheCanvasLockKeepsOtherThreadsOutAndLetsItsOwnerIn) {
  TBitmap bitmap(8, 8);
  const auto freeElsewhere = [&] {
    bool taken = false;
    std::thread other([&] {
      taken = bitmap.TryLock();
      if (taken) bitmap.Unlock();
    });
    other.join();
    return taken;
  };
  {
    const TCanvasLock lock(bitmap);
    EXPECT_FALSE(freeElsewhere());
    bitmap.SetSize(9, 9);  // the owner may resize (and lock again) while holding it
    EXPECT_TRUE(bitmap.TryLock());
    bitmap.Unlock();
    EXPECT_FALSE(freeElsewhere());
  }
  EXPECT_TRUE(freeElsewhere());
}

}  // namespace
}  // namespace quorbel
