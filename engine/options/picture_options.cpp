#include <array>
#include <cmath>

#include "base/text.h"
#include "options/handlers.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}

namespace quorbel {

namespace {

const char* BandName(Band band) {
  switch (band) {
    case Band::kTop:
      return "Top";
    case Band::kBottom:
      return "Bottom";
    case Band::kLeft:
      return "Left";
    case Band::kRight:
      return "Right";
  }
  return "";
}

bool IsVertical(Band band) {
  return band == Band::kTop || band == Band::kBottom;
}

// floor(numerator / 1024) for any sign.
int32_t FloorDiv1024(int32_t numerator) {
  return static_cast<int32_t>(std::floor(numerator / 1024.0));
}

// The pixel formats "pix_fmt list" describes, the header line (-1) included.
constexpr int kListedPixelFormats = 40;

}  // namespace

void SetFrameRate(TCustomFFmpeg& job, const std::string& value) {
  if (value.empty()) return;
  if (av_parse_video_rate(&job.settings.frameRate, value.c_str()) < 0) {
    throw FFMpegException("Incorrect frame rate");
  }
}

void SetFrameSize(TCustomFFmpeg& job, const std::string& value) {
  if (value.empty()) return;
  int width = 0;
  int height = 0;
  if (av_parse_video_size(&width, &height, value.c_str()) < 0) throw FFMpegException("Incorrect frame size");
  job.settings.frameWidth = width;
  job.settings.frameHeight = height;
  if (width % 2 != 0 || height % 2 != 0) throw FFMpegException("Frame size must be a multiple of 2");
}

void SetAspectRatio(TCustomFFmpeg& job, const std::string& value) {
  float ratio = 0.0f;
  const size_t colon = value.find(':');
  if (colon != std::string::npos) {
    int32_t before = 0;
    int32_t after = 0;
    if (!TryStrToInt(value.substr(0, colon), before)) before = 0;
    if (!TryStrToInt(value.substr(colon + 1), after)) after = 0;
    if (after > 0) ratio = static_cast<float>(before) / static_cast<float>(after);
  } else {
    double number = 0.0;
    if (TryStrToFloat(value, number)) ratio = static_cast<float>(number);
  }
  if (ratio == 0.0f) throw FFMpegException("Incorrect aspect ratio specification.");
  job.settings.frameAspectRatio = ratio;
}

void SetCrop(TCustomFFmpeg& job, Band band, int32_t size) {
  if (size < 0) return;
  if (size % 2 != 0) throw FFMpegException(StrPrintf("%s crop size must be a multiple of 2", BandName(band)));
  OptionState& s = job.settings;
  if (IsVertical(band)) {
    if (size >= s.frameHeight) {
      throw FFMpegException(
          "Vertical crop dimensions are outside the range of the original image.\n"
          "Remember to crop first and scale second.");
    }
    (band == Band::kTop ? s.cropTop : s.cropBottom) = size;
    s.frameHeight -= size;
  } else {
    if (size >= s.frameWidth) {
      throw FFMpegException(
          "Horizontal crop dimensions are outside the range of the original image.\n"
          "Remember to crop first and scale second.");
    }
    (band == Band::kLeft ? s.cropLeft : s.cropRight) = size;
    s.frameWidth -= size;
  }
}

void SetPad(TCustomFFmpeg& job, Band band, int32_t size) {
  if (size < 0) return;
  if (size % 2 != 0) throw FFMpegException(StrPrintf("%s pad size must be a multiple of 2", BandName(band)));
  OptionState& s = job.settings;
  switch (band) {
    case Band::kTop:
      s.padTop = size;
      break;
    case Band::kBottom:
      s.padBottom = size;
      break;
    case Band::kLeft:
      s.padLeft = size;
      break;
    case Band::kRight:
      s.padRight = size;
      break;
  }
}

void SetPadColor(TCustomFFmpeg& job, int32_t rgb) {
  const auto bits = static_cast<uint32_t>(rgb);
  const auto r = static_cast<int32_t>(bits & 0xFF);
  const auto g = static_cast<int32_t>((bits >> 8) & 0xFF);
  const auto b = static_cast<int32_t>((bits >> 16) & 0xFF);
  // BT.601 weights scaled by 1024.
  const int32_t y = (307 * r + 602 * g + 117 * b + 512) / 1024;
  const int32_t cb = FloorDiv1024(-173 * r - 340 * g + 512 * b + 511) + 128;
  const int32_t cr = FloorDiv1024(512 * r - 429 * g - 84 * b + 511) + 128;
  job.settings.padColor = {y, cb, cr};
}

void SetPixelFormat(TCustomFFmpeg& job, const std::string& value) {
  if (value != "list") {
    job.settings.framePixelFormat = av_get_pix_fmt(value.c_str());
    return;
  }
  if (!job.HasLogCallback()) return;
  for (int format = -1; format < kListedPixelFormats; ++format) {
    std::array<char, 128> line{};
    av_get_pix_fmt_string(line.data(), static_cast<int>(line.size()), static_cast<AVPixelFormat>(format));
    job.Log(1, Trim(line.data()));
  }
}

void SetVideoQScale(TCustomFFmpeg& job, const std::string& value) {
  const double q = StrToFloat(value);
  if (!(q > 0.0 && q <= 255.0)) throw FFMpegException("qscale must be > 0.0 and <= 255");
  job.settings.videoQScale = static_cast<float>(q);
}

}  // namespace quorbel
