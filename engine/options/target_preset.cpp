#include "options/target_preset.h"

#include <cmath>
#include <string_view>

#include "base/text.h"
#include "options/generic_options.h"
#include "options/handlers.h"
#include "options/option_parser.h"
#include "quorbel/exceptions.h"

namespace quorbel {

namespace {

enum class Norm { kPal, kNtsc, kFilm };

// Frame rate x 1000, to the nearest integer, as the norms are recognised by.
int64_t MilliFrameRate(AVRational rate) {
  return std::llrint(static_cast<double>(rate.num) * 1000.0 / rate.den);
}

bool NormOfRate(int64_t milliRate, Norm& norm) {
  if (milliRate == 25000) {
    norm = Norm::kPal;
    return true;
  }
  if (milliRate == 29970 || milliRate == 23976) {
    norm = Norm::kNtsc;
    return true;
  }
  return false;
}

// The first input video stream at a PAL or NTSC rate decides.
bool NormOfInputs(const TCustomFFmpeg& job, Norm& norm) {
  for (const InputFile& file : job.inputFiles) {
    for (const InputStream& input : file.streams) {
      if (input.stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
      AVRational rate = input.stream->r_frame_rate;
      if (rate.num <= 0 || rate.den <= 0) rate = input.stream->avg_frame_rate;
      if (rate.num <= 0 || rate.den <= 0) continue;
      if (NormOfRate(MilliFrameRate(rate), norm)) return true;
    }
  }
  return false;
}

Norm DecideNorm(TCustomFFmpeg& job, const std::string& norm, const std::string& fallbackNorm) {
  if (norm == "pal") return Norm::kPal;
  if (norm == "ntsc") return Norm::kNtsc;
  if (norm == "film") return Norm::kFilm;
  const AVRational rate = job.settings.frameRate;
  if (rate.den == 0) throw FFMpegException("frame_rate is invalid.");
  Norm decided = Norm::kPal;
  if (!NormOfRate(MilliFrameRate(rate), decided) && !NormOfInputs(job, decided)) {
    decided = fallbackNorm == "film" ? Norm::kFilm : fallbackNorm == "ntsc" ? Norm::kNtsc : Norm::kPal;
  }
  if (job.Verbosity() > 0)
    job.Log(1, StrPrintf("Assuming %s for target.", decided == Norm::kPal ? "PAL" : "NTSC"));
  return decided;
}

const char* FrameRateOf(Norm norm) {
  switch (norm) {
    case Norm::kPal:
      return "25";
    case Norm::kNtsc:
      return "30000/1001";
    case Norm::kFilm:
      return "24000/1001";
  }
  return "25";
}

// Stereo for a mono setting; other channel counts stay.
void AtLeastStereo(OptionState& settings) {
  if (settings.audioChannels == 1) settings.audioChannels = 2;
}

void SetAspectDefault(TCustomFFmpeg& job, const std::string& ratio) {
  if (job.settings.frameAspectRatio == 0.0f) HandleOption(job, "aspect", ratio);
}

void ApplyVcd(TCustomFFmpeg& job, Norm norm) {
  const bool pal = norm == Norm::kPal;
  HandleOption(job, "vcodec", "mpeg1video");
  HandleOption(job, "acodec", "mp2");
  SetOutputFormat(job, "vcd");
  HandleOption(job, "s", pal ? "352x288" : "352x240");
  HandleOption(job, "r", FrameRateOf(norm));
  SetGenericOption(job, "gop", pal ? "15" : "18");
  SetGenericOption(job, "b", "1150000");
  SetGenericOption(job, "maxrate", "1150000");
  SetGenericOption(job, "minrate", "1150000");
  SetGenericOption(job, "bufsize", "327680");
  SetGenericOption(job, "ab", "224000");
  job.settings.audioSampleRate = 44100;
  job.settings.audioChannels = 2;
  SetGenericOption(job, "packetsize", "2324");
  SetGenericOption(job, "muxrate", "1411200");
  // The preload that makes VCD players start without underflow (0.44 s).
  job.settings.muxPreload = 0.44f;
  SetAspectDefault(job, "4:3");
}

void ApplySvcd(TCustomFFmpeg& job, Norm norm) {
  const bool pal = norm == Norm::kPal;
  HandleOption(job, "vcodec", "mpeg2video");
  HandleOption(job, "acodec", "mp2");
  SetOutputFormat(job, "svcd");
  HandleOption(job, "s", pal ? "480x576" : "480x480");
  HandleOption(job, "r", FrameRateOf(norm));
  SetGenericOption(job, "gop", pal ? "15" : "18");
  SetGenericOption(job, "b", "2040000");
  SetGenericOption(job, "maxrate", "2516000");
  SetGenericOption(job, "minrate", "0");
  SetGenericOption(job, "bufsize", "1835008");
  // Space for the SVCD scan offsets; the MPEG-2 encoder now carries this as its own option.
  SetGenericOption(job, "scan_offset", "1");
  SetGenericOption(job, "ab", "224000");
  job.settings.audioSampleRate = 44100;
  SetGenericOption(job, "packetsize", "2324");
  AtLeastStereo(job.settings);
  SetAspectDefault(job, "4:3");
}

void ApplyDvd(TCustomFFmpeg& job, Norm norm) {
  const bool pal = norm == Norm::kPal;
  HandleOption(job, "vcodec", "mpeg2video");
  HandleOption(job, "acodec", "ac3");
  SetOutputFormat(job, "dvd");
  HandleOption(job, "s", pal ? "720x576" : "720x480");
  HandleOption(job, "r", FrameRateOf(norm));
  SetGenericOption(job, "gop", pal ? "15" : "18");
  SetGenericOption(job, "b", "6000000");
  SetGenericOption(job, "maxrate", "9000000");
  SetGenericOption(job, "minrate", "0");
  SetGenericOption(job, "bufsize", "1835008");
  SetGenericOption(job, "packetsize", "2048");
  SetGenericOption(job, "muxrate", "10080000");
  SetGenericOption(job, "ab", "448000");
  job.settings.audioSampleRate = 48000;
  AtLeastStereo(job.settings);
  SetAspectDefault(job, "16:9");
}

void ApplyDv(TCustomFFmpeg& job, Norm norm, bool dv50) {
  const bool pal = norm == Norm::kPal;
  SetOutputFormat(job, "dv");
  HandleOption(job, "s", pal ? "720x576" : "720x480");
  HandleOption(job, "pix_fmt", dv50 ? "yuv422p" : pal ? "yuv420p" : "yuv411p");
  HandleOption(job, "r", FrameRateOf(norm));
  job.settings.audioSampleRate = 48000;
  job.settings.audioChannels = 2;
}

}  // namespace

void ApplyTargetPreset(TCustomFFmpeg& job, const std::string& type, const std::string& norm,
                       const std::string& fallbackNorm) {
  const Norm decided = DecideNorm(job, norm, fallbackNorm);
  if (type == "vcd") {
    ApplyVcd(job, decided);
  } else if (type == "svcd") {
    ApplySvcd(job, decided);
  } else if (type == "dvd") {
    ApplyDvd(job, decided);
  } else if (type == "dv" || type == "dv50") {
    ApplyDv(job, decided, type == "dv50");
  } else {
    throw FFMpegException("Unknown target type");
  }
}

void SetTargetOption(TCustomFFmpeg& job, const std::string& value) {
  std::string type = Trim(value);
  std::string norm = "auto";
  for (const std::string_view prefix : {"pal-", "ntsc-", "film-"}) {
    if (type.starts_with(prefix)) {
      norm = std::string(prefix.substr(0, prefix.size() - 1));
      type.erase(0, prefix.size());
      break;
    }
  }
  ApplyTargetPreset(job, type, norm, "ntsc");
}

}  // namespace quorbel
