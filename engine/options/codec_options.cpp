#include <cstdlib>
#include <cstring>
#include <string_view>

#include "base/text.h"
#include "options/codec_lookup.h"
#include "options/generic_options.h"
#include "options/handlers.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorbel {

namespace {

constexpr int kMatrixCoefficients = 64;

struct CodecAlias {
  std::string_view name;
  std::string_view libraryName;
};
// Encoders of an earlier library generation, by the name that now does their job.
constexpr CodecAlias kCodecAliases[] = {
    {"libfaac", "aac"},
    {"mpeg4aac", "aac"},
    {"libamr_nb", "libopencore_amrnb"},
};

std::string LibraryCodecName(const std::string& name) {
  for (const CodecAlias& alias : kCodecAliases) {
    if (alias.name == name) return std::string(alias.libraryName);
  }
  return name;
}

std::string* CodecNameOf(OptionState& settings, AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return &settings.videoCodecName;
    case AVMEDIA_TYPE_AUDIO:
      return &settings.audioCodecName;
    case AVMEDIA_TYPE_SUBTITLE:
      return &settings.subtitleCodecName;
    default:
      return nullptr;
  }
}

bool* StreamCopyOf(OptionState& settings, AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return &settings.videoStreamCopy;
    case AVMEDIA_TYPE_AUDIO:
      return &settings.audioStreamCopy;
    case AVMEDIA_TYPE_SUBTITLE:
      return &settings.subtitleStreamCopy;
    default:
      return nullptr;
  }
}

// The leading decimal integer of text, as C's strtol reads it (0 when there is none), cut to
// 16 bits.
uint16_t LeadingCoefficient(const char* text) {
  const long value = std::strtol(text, nullptr, 10);
  return static_cast<uint16_t>(value);
}

}  // namespace

bool LookupCodec(TCustomFFmpeg& job, const std::string& name, AVMediaType type, bool encoder,
                 CodecChoice& choice) {
  choice = CodecChoice();
  if (name.empty()) return true;
  const char* kind = encoder ? "encoder" : "decoder";
  const std::string libraryName = LibraryCodecName(name);
  const AVCodec* codec = encoder ? avcodec_find_encoder_by_name(libraryName.c_str())
                                 : avcodec_find_decoder_by_name(libraryName.c_str());
  if (codec == nullptr) {
    job.LastErrorText = StrPrintf("Unknown %s '%s'", kind, name.c_str());
    return false;
  }
  if (codec->type != type) {
    job.LastErrorText = StrPrintf("Invalid %s type '%s'", kind, name.c_str());
    return false;
  }
  choice.id = codec->id;
  choice.codec = codec;
  return true;
}

void SetCodecName(TCustomFFmpeg& job, AVMediaType type, const std::string& value) {
  std::string* codecName = CodecNameOf(job.settings, type);
  codecName->clear();
  // "copy" switches stream copy on; a later codec name does not switch it off again.
  if (value == "copy") {
    *StreamCopyOf(job.settings, type) = true;
  } else {
    *codecName = value;
  }
}

void SetCodecTag(TCustomFFmpeg& job, AVMediaType type, const std::string& value) {
  if (value.empty()) return;
  const bool video = type == AVMEDIA_TYPE_VIDEO;
  if (value.size() != 4) {
    throw AssertionFailure(video ? "video tag parameter must be 4 chars"
                                 : "audio tag parameter must be 4 chars");
  }
  const auto byte = [&value](int i) { return static_cast<uint32_t>(static_cast<unsigned char>(value[i])); };
  const uint32_t tag = byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
  (video ? job.settings.videoCodecTag : job.settings.audioCodecTag) = tag;
}

void SetQuantMatrix(TCustomFFmpeg& job, bool intra, const std::string& value) {
  AvMemoryPtr<uint16_t>& matrix = intra ? job.settings.intraMatrix : job.settings.interMatrix;
  matrix.reset(static_cast<uint16_t*>(av_mallocz(kMatrixCoefficients * sizeof(uint16_t))));
  if (!matrix) throw std::bad_alloc();
  const char* text = value.c_str();
  for (int i = 0; i < kMatrixCoefficients; ++i) {
    matrix.get()[i] = LeadingCoefficient(text);
    if (i == kMatrixCoefficients - 1) break;
    const char* comma = std::strchr(text, ',');
    if (comma == nullptr) {
      throw FFMpegException(StrPrintf("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i));
    }
    text = comma + 1;
  }
}

void SetBitRate(TCustomFFmpeg& job, const std::string& name, const std::string& value) {
  if (name.empty() || value.empty()) return;
  if (!SetGenericOption(job, name, value) || !job.HasLogCallback()) return;
  const AVMediaType type = name[0] == 'a' ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
  int64_t bitRate = 0;
  if (av_opt_get_int(job.settings.codecTemplates[type].get(), "b", 0, &bitRate) >= 0 && bitRate < 1000) {
    job.Log(1, "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
  }
}

}  // namespace quorbel
