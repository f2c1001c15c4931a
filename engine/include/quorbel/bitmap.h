// TBitmap: the picture a custom frame hook draws on, 24 bits per pixel in blue, green, red byte
// order, rows from the top down.
//
// Each row starts on a 4-byte boundary: ScanLine(row) = Bits() + row * BytesPerLine(), with
// BytesPerLine() = Width() * 3 rounded up to a multiple of 4. The bytes after the last pixel of
// a row are padding; the engine neither reads nor writes them. The memory can therefore be
// viewed without a copy, for example by Qt:
//
//   QImage view(bitmap.Bits(), bitmap.Width(), bitmap.Height(), bitmap.BytesPerLine(),
//               QImage::Format_BGR888);
//
// The canvas lock serialises drawing: the engine holds it while the custom-hook handler runs and
// while it changes the bitmap's size. Another thread that reads or draws on the bitmap takes it
// too. The lock is recursive, so the handler may take it again in the engine's thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace quorbel {

class TBitmap {
 public:
  // An empty bitmap (0 x 0).
  TBitmap() = default;
  // A black bitmap of the given size; negative sizes count as 0.
  TBitmap(int32_t width, int32_t height);
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BytesPerLine() const { return bytesPerLine_; }

  // The first byte of row 0; rows follow each other BytesPerLine() bytes apart.
  uint8_t* Bits() { return pixels_.data(); }
  const uint8_t* Bits() const { return pixels_.data(); }
  // The first byte of a row, 0 <= row < Height(); nullptr for a row outside the bitmap.
  uint8_t* ScanLine(int32_t row);
  const uint8_t* ScanLine(int32_t row) const;

  // Changes the size under the canvas lock; the new pixels are black. The memory moves, so
  // pointers from Bits() and ScanLine() are invalid afterwards.
  void SetSize(int32_t width, int32_t height);

  // The canvas lock (recursive); TCanvasLock below takes it for a scope.
  void Lock() { canvasLock_.lock(); }
  void Unlock() { canvasLock_.unlock(); }
  bool TryLock() { return canvasLock_.try_lock(); }

 private:
  std::recursive_mutex canvasLock_;
  int32_t width_ = 0;            // guarded by canvasLock_ while the engine resizes
  int32_t height_ = 0;           // guarded by canvasLock_ while the engine resizes
  int32_t bytesPerLine_ = 0;     // guarded by canvasLock_ while the engine resizes
  std::vector<uint8_t> pixels_;  // guarded by canvasLock_
};

// Holds a bitmap's canvas lock for the lifetime of the object.
class TCanvasLock {
 public:
  explicit TCanvasLock(TBitmap& bitmap) : bitmap_(bitmap) { bitmap_.Lock(); }
  ~TCanvasLock() { bitmap_.Unlock(); }
  TCanvasLock(const TCanvasLock&) = delete;
  TCanvasLock& operator=(const TCanvasLock&) = delete;

 private:
  TBitmap& bitmap_;
};

}  // namespace quorbel
