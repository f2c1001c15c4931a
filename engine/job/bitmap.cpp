#include "quorbel/bitmap.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace quorbel {

namespace {

constexpr int32_t kBytesPerPixel = 3;
constexpr int32_t kRowAlignment = 4;

int32_t RowBytes(int32_t width) {
  const int64_t bytes = (int64_t{width} * kBytesPerPixel + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
  if (bytes > INT32_MAX) throw std::length_error("bitmap too wide");
  return static_cast<int32_t>(bytes);
}

}  // namespace

TBitmap::TBitmap(int32_t width, int32_t height) {
  SetSize(width, height);
}

uint8_t* TBitmap::ScanLine(int32_t row) {
  if (row < 0 || row >= height_) return nullptr;
  return pixels_.data() + static_cast<size_t>(row) * static_cast<size_t>(bytesPerLine_);
}

const uint8_t* TBitmap::ScanLine(int32_t row) const {
  if (row < 0 || row >= height_) return nullptr;
  return pixels_.data() + static_cast<size_t>(row) * static_cast<size_t>(bytesPerLine_);
}

void TBitmap::SetSize(int32_t width, int32_t height) {
  const TCanvasLock lock(*this);
  width = std::max(width, 0);
  height = std::max(height, 0);
  const int32_t rowBytes = RowBytes(width);
  // A fresh vector: the old rows are not carried over, and the memory shrinks with the size.
  std::vector<uint8_t> pixels(static_cast<size_t>(rowBytes) * static_cast<size_t>(height));
  pixels_.swap(pixels);
  width_ = width;
  height_ = height;
  bytesPerLine_ = rowBytes;
}

}  // namespace quorbel
