#include "core/batch/media_info_text.h"

#include <cmath>

#include "base/text.h"
#include "core/decimal_text.h"

namespace quorbel::app {

// The blanks after some semicolons, the missing blank before "(" in the last description and
// the missing "*.ape;*.cue" in the first pattern list are the dialog's own text.
const std::string_view kOpenDialogFilter =
    "All Supported Files|*.avi;*.mpeg;*.mpg;*.mpa;*.m1v;*.mv2;*.wma;*.wmv;*.asf;*.asx;*.mov; "
    "*.qt;*.3gp;*.3g2;*.mp3;*.mp2;*.ogg;*.aac;*.mp4;*.m4a;*.rm;*.rmvb;*.ram;*.ra;*.vob; "
    "*.dat;*.cda;*.dv; *.dif;*.wav; *.au; *.aiff;*.mjpg; *.mjpeg;*.ac3; *.gif; *.swf; *.flv|"
    "3GPP Files (*.3gp)|*.3gp|"
    "3GPP2 Files (*.3g2)|*.3g2|"
    "AAC Files (*.aac)|*.aac|"
    "AC3 Files (*.ac3)|*.ac3|"
    "Audio CD Files (*.cda)|*.cda|"
    "AVI Files (*.avi)|*.avi|"
    "DV Video Files (*.dv, *.dif)|*.dv;*.dif|"
    "DVD VOB Files (*.vob)|*.vob|"
    "GIF Animated Files (*.gif)|*.gif|"
    "Macromedia Flash Files (*.flv, *.swf)|*.flv; *.swf|"
    "Monkey Audio Files (*.ape, *.cue)|*.ape;*.cue|"
    "MJpeg Video Files (*.mjpg, *.mjpeg)|*.mjpg; *.mjpeg|"
    "MP2 Files (*.mp2)|*.mp2|"
    "MP3 Files (*.mp3)|*.mp3|"
    "MPEG Files (*.mpeg, *.mpg, *.mpa, *.m1v, *.mv2)|*.mpeg;*.mpg;*.mpa;*.m1v;*.mv2|"
    "MPEG-4 Files (*.mp4)|*.mp4|"
    "MPEG-4 Audio Files (*.m4a, *.mp4)|*.m4a; *.mp4|"
    "Ogg Vorbis Files (*.ogg)|*.ogg|"
    "RealMedia Files (*.rm, *.rmvb, *.ram, *.ra)|*.rm; *.rmvb; *.ram; *.ra|"
    "QuickTime Files (*.mov, *.qt)|*.mov; *.qt|"
    "VCD DAT Files (*.dat)|*.dat|"
    "WAV Files (*.wav, *.au, *.aiff)|*.wav; *.au; *.aiff|"
    "Windows Media Files(*.wma, *.wmv, *.asf, *.asx)|*.wma;*.wmv;*.asf;*.asx|";

std::string FormatDuration(char separator, double seconds) {
  const auto minutes = static_cast<int64_t>(std::trunc(seconds / 60));
  const auto rest = static_cast<int64_t>(std::nearbyint(seconds - static_cast<double>(minutes) * 60));
  const std::string sep(1, separator);
  return StrPrintf("%02lld", static_cast<long long>(minutes / 60)) + sep +
         StrPrintf("%02lld", static_cast<long long>(minutes % 60)) + sep +
         StrPrintf("%02lld", static_cast<long long>(rest));
}

std::string DurationCellText(int64_t durationUs) {
  const std::string text = FormatDuration(':', static_cast<double>(durationUs / 1000000));
  return text.find('-') != std::string::npos ? "Unknown" : text;
}

std::string VideoSizeCellText(int32_t width, int32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string FrameRateCellText(int32_t numerator, int32_t denominator) {
  if (denominator == 0) return "Unknown";
  const double rate = static_cast<double>(numerator) / denominator;
  return ShortestDecimal(std::nearbyint(rate * 100) / 100, 2);
}

}  // namespace quorbel::app
