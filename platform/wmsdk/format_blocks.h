// Format blocks of the stream media types: WAVEFORMATEX for audio, VIDEOINFOHEADER (with its
// BITMAPINFOHEADER) for video, each followed by the codec's extra data. Packed as files and
// format blocks store them; read them with memcpy from unaligned bytes.
#pragma once

#include "com/types.h"

namespace quorbel::wmsdk {

using namespace quorbel::com;

#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;  // bytes of extra data that follow
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct BITMAPINFOHEADER {
  DWORD biSize;  // this header and the extra data that follows it
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct VIDEOINFOHEADER {
  RECT rcSource;
  RECT rcTarget;
  DWORD dwBitRate;
  DWORD dwBitErrorRate;
  LONGLONG AvgTimePerFrame;
  BITMAPINFOHEADER bmiHeader;
};
#pragma pack(pop)

static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(VIDEOINFOHEADER) == 88);

}  // namespace quorbel::wmsdk
