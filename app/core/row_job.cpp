#include "core/row_job.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "base/text.h"
#include "core/ascii.h"
#include "core/decimal_text.h"
#include "core/main_settings.h"
#include "core/option_mapping.h"

namespace quorbel::app {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFallbackAspect = "1.3333";

// Any directory entry counts, so that no name that is in use is handed out.
bool Taken(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code error;
  return fs::equivalent(a, b, error) && !error;
}

}  // namespace

std::string UniqueOutputName(const std::string& path, const std::string& extension) {
  fs::path base(path);
  base.replace_extension();
  const std::string stem = base.string();
  std::string candidate = stem + extension;
  for (int number = 1; Taken(candidate); ++number) {
    candidate = stem + "-" + std::to_string(number) + extension;
  }
  return candidate;
}

std::string RowOutputName(const std::string& folder, const std::string& source, const std::string& outputTag,
                          bool overwrite) {
  std::string extension(1, '.');
  extension += AsciiLower(outputTag);
  const fs::path path = fs::path(Trim(folder)) / fs::path(source).filename();
  if (overwrite) {
    fs::path output = path;
    output.replace_extension(extension);
    if (!SameFile(output, source)) return output.string();
  }
  return UniqueOutputName(path.string(), extension);
}

TInputOptions RowInputOptions(const std::string& source) {
  TInputOptions options;
  options.FileName = source;
  options.StartTime = 0;
  return options;
}

std::string AspectRatioOfVideoSize(std::string_view videoSizeCell) {
  std::string size = Trim(videoSizeCell);
  if (size.empty()) size = "640x480";
  const size_t x = size.find('x');
  double width = 0;
  double height = 0;
  if (x == std::string::npos || !TryStrToFloat(std::string_view(size).substr(0, x), width) ||
      !TryStrToFloat(std::string_view(size).substr(x + 1), height) || !(height > 0)) {
    return std::string(kFallbackAspect);
  }
  const double ratio = std::nearbyint(width / height * 10000.0) / 10000.0;
  if (!std::isfinite(ratio) || !(ratio > 0)) return std::string(kFallbackAspect);
  return ShortestDecimal(ratio, 4);
}

void FillJobOutputOptions(const MainSettings& main, std::string_view videoSizeCell, TOutputOptions& options) {
  options.Reset();
  ApplyProfileOptions(main, options);
  options.AudioVolume = main.VolumeLevel();
  switch (main.Controls.ComboAspectRatio.ItemIndex()) {
    case 1:
      options.FrameAspectRatio = "4:3";
      break;
    case 2:
      options.FrameAspectRatio = "16:9";
      break;
    default:
      options.FrameAspectRatio = AspectRatioOfVideoSize(videoSizeCell);
      break;
  }
}

}  // namespace quorbel::app
