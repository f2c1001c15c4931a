#include "options/option_parser.h"

#include <string_view>

#include "base/text.h"
#include "options/generic_options.h"
#include "options/handlers.h"
#include "options/target_preset.h"
#include "quorbel/exceptions.h"
#include "setup/stream_setup.h"

namespace quorbel {

namespace {

using Handler = void (*)(TCustomFFmpeg& job, const std::string& name, const std::string& value);

struct OptionEntry {
  std::string_view name;
  Handler handler;
};

void DoNothing(TCustomFFmpeg& job, const std::string& name, const std::string&) {
  job.Log(1, "Do nothing: option - " + name);
}

void NotSupported(TCustomFFmpeg&, const std::string& name, const std::string&) {
  throw FFMpegException("TODO: option - " + name);
}

template <bool OptionState::*Field>
void SetFlag(TCustomFFmpeg& job, const std::string&, const std::string&) {
  job.settings.*Field = true;
}

template <int32_t OptionState::*Field>
void SetInteger(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  job.settings.*Field = StrToInt(value);
}

template <float OptionState::*Field>
void SetReal(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  job.settings.*Field = static_cast<float>(StrToFloat(value));
}

template <std::string OptionState::*Field>
void SetText(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  job.settings.*Field = value;
}

// Metadata texts: an empty value keeps what was set before.
template <std::string OptionState::*Field>
void SetMetadata(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  if (!value.empty()) job.settings.*Field = value;
}

template <Band band>
void Crop(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  SetCrop(job, band, StrToInt(value));
}

template <Band band>
void Pad(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  SetPad(job, band, StrToInt(value));
}

template <AVMediaType type>
void Codec(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  SetCodecName(job, type, value);
}

template <AVMediaType type>
void Tag(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  SetCodecTag(job, type, value);
}

template <AVMediaType type>
void NewStream(TCustomFFmpeg& job, const std::string&, const std::string&) {
  AddStreamToLastOutput(job, type);
}

template <void (*Function)(TCustomFFmpeg&, const std::string&)>
void ByValue(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  Function(job, value);
}

template <void (*Function)(TCustomFFmpeg&, const std::string&, const std::string&)>
void ByNameAndValue(TCustomFFmpeg& job, const std::string& name, const std::string& value) {
  Function(job, name, value);
}

void SetOutputSizeLimit(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  job.settings.outputSizeLimit = StrToInt64(value);
}

void SetVerbosityOption(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  job.SetVerbosity(StrToInt(value));
}

void SetPadColorOption(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  SetPadColor(job, StrToInt(value));
}

void IntraMatrix(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  SetQuantMatrix(job, true, value);
}

void InterMatrix(TCustomFFmpeg& job, const std::string&, const std::string& value) {
  SetQuantMatrix(job, false, value);
}

void Vstats(TCustomFFmpeg& job, const std::string&, const std::string&) {
  SetVstats(job);
}

using S = OptionState;

// In the order names are matched; a name that matches none is a generic option.
// "ar" and "ac" set the sample rate and channel settings that the audio stream is created with
// (a generic "ar"/"ac" would be overwritten by them when the stream is created).
constexpr OptionEntry kOptions[] = {
    {"L", DoNothing},
    {"h", DoNothing},
    {"version", DoNothing},
    {"formats", DoNothing},
    {"i", DoNothing},
    {"y", DoNothing},
    {"f", ByValue<SetInputOutputFormat>},
    {"map", ByValue<AddStreamMap>},
    {"map_meta_data", ByValue<AddMetaDataMap>},
    {"t", ByNameAndValue<SetRecordingTime>},
    {"fs", SetOutputSizeLimit},
    {"ss", ByNameAndValue<SetStartTime>},
    {"itsoffset", ByNameAndValue<SetInputTsOffset>},
    {"itsscale", ByValue<SetTimestampScale>},
    {"title", SetMetadata<&S::title>},
    {"author", SetMetadata<&S::author>},
    {"copyright", SetMetadata<&S::copyright>},
    {"comment", SetMetadata<&S::comment>},
    {"genre", SetMetadata<&S::genre>},
    {"album", SetMetadata<&S::album>},
    {"timestamp", ByNameAndValue<SetRecordTimestamp>},
    {"dframes", SetInteger<&S::maxDataFrames>},
    {"vframes", SetInteger<&S::maxVideoFrames>},
    {"aframes", SetInteger<&S::maxAudioFrames>},
    {"benchmark", DoNothing},
    {"dump", SetFlag<&S::packetDump>},
    {"hex", SetFlag<&S::hexDump>},
    {"re", SetFlag<&S::rateEmulation>},
    {"loop_input", SetFlag<&S::loopInput>},
    {"copyts", SetFlag<&S::copyTimestamps>},
    {"shortest", SetFlag<&S::shortest>},
    {"intra", SetFlag<&S::intraOnly>},
    {"vn", SetFlag<&S::videoDisable>},
    {"sameq", SetFlag<&S::sameQuality>},
    {"deinterlace", SetFlag<&S::deinterlace>},
    {"psnr", SetFlag<&S::doPsnr>},
    {"qphist", SetFlag<&S::qpHistogram>},
    {"an", SetFlag<&S::audioDisable>},
    {"sn", SetFlag<&S::subtitleDisable>},
    {"isync", SetFlag<&S::inputSync>},
    {"loop_output", SetInteger<&S::loopOutput>},
    {"vsync", SetInteger<&S::videoSyncMethod>},
    {"async", SetInteger<&S::audioSyncMethod>},
    {"vglobal", SetInteger<&S::videoGlobalHeader>},
    {"programid", SetInteger<&S::programId>},
    {"vdt", SetInteger<&S::videoDiscard>},
    {"top", SetInteger<&S::topFieldFirst>},
    {"dc", SetInteger<&S::intraDcPrecision>},
    {"vol", SetInteger<&S::audioVolume>},
    {"vc", SetInteger<&S::videoChannel>},
    {"ar", SetInteger<&S::audioSampleRate>},
    {"ac", SetInteger<&S::audioChannels>},
    {"adrift_threshold", SetReal<&S::audioDriftThreshold>},
    {"dts_delta_threshold", SetReal<&S::dtsDeltaThreshold>},
    {"aq", SetReal<&S::audioQScale>},
    {"muxdelay", SetReal<&S::muxMaxDelay>},
    {"muxpreload", SetReal<&S::muxPreload>},
    {"v", SetVerbosityOption},
    {"target", ByValue<SetTargetOption>},
    {"threads", NotSupported},
    {"absf", NotSupported},
    {"vbsf", NotSupported},
    {"sbsf", NotSupported},
    {"b", ByNameAndValue<SetBitRate>},
    {"vb", ByNameAndValue<SetBitRate>},
    {"ab", ByNameAndValue<SetBitRate>},
    {"r", ByValue<SetFrameRate>},
    {"s", ByValue<SetFrameSize>},
    {"aspect", ByValue<SetAspectRatio>},
    {"pix_fmt", ByValue<SetPixelFormat>},
    {"croptop", Crop<Band::kTop>},
    {"cropbottom", Crop<Band::kBottom>},
    {"cropleft", Crop<Band::kLeft>},
    {"cropright", Crop<Band::kRight>},
    {"padtop", Pad<Band::kTop>},
    {"padbottom", Pad<Band::kBottom>},
    {"padleft", Pad<Band::kLeft>},
    {"padright", Pad<Band::kRight>},
    {"padcolor", SetPadColorOption},
    {"qscale", ByValue<SetVideoQScale>},
    {"rc_override", SetText<&S::rcOverrideText>},
    {"vcodec", Codec<AVMEDIA_TYPE_VIDEO>},
    {"acodec", Codec<AVMEDIA_TYPE_AUDIO>},
    {"scodec", Codec<AVMEDIA_TYPE_SUBTITLE>},
    {"me_threshold", SetInteger<&S::meThreshold>},
    {"pass", ByValue<SetPass>},
    {"passlogfile", SetText<&S::passLogFileName>},
    {"vstats", Vstats},
    {"vstats_file", ByValue<SetVstatsFile>},
    {"vhook", ByValue<AddVideoHook>},
    {"intra_matrix", IntraMatrix},
    {"inter_matrix", InterMatrix},
    {"vtag", Tag<AVMEDIA_TYPE_VIDEO>},
    {"atag", Tag<AVMEDIA_TYPE_AUDIO>},
    {"newvideo", NewStream<AVMEDIA_TYPE_VIDEO>},
    {"newaudio", NewStream<AVMEDIA_TYPE_AUDIO>},
    {"newsubtitle", NewStream<AVMEDIA_TYPE_SUBTITLE>},
    {"alang", SetText<&S::audioLanguage>},
    {"slang", SetText<&S::subtitleLanguage>},
    {"tvstd", SetText<&S::videoStandard>},
    {"apre", DoNothing},
    {"vpre", DoNothing},
    {"spre", DoNothing},
};

}  // namespace

void HandleOption(TCustomFFmpeg& job, const std::string& name, const std::string& value) {
  for (const OptionEntry& entry : kOptions) {
    if (entry.name == name) {
      entry.handler(job, name, value);
      return;
    }
  }
  SetGenericOption(job, name, value);
}

void ParseOptionText(TCustomFFmpeg& job, const std::string& text) {
  std::string lines;
  const std::string trimmed = Trim(text);
  lines.reserve(trimmed.size());
  for (size_t i = 0; i < trimmed.size(); ++i) {
    if (trimmed[i] == '\r') {
      lines += '\n';
      if (i + 1 < trimmed.size() && trimmed[i + 1] == '\n') ++i;
    } else {
      lines += trimmed[i];
    }
  }
  size_t start = 0;
  while (start < lines.size()) {
    size_t end = lines.find('\n', start);
    if (end == std::string::npos) end = lines.size();
    const std::string_view line(lines.data() + start, end - start);
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      HandleOption(job, std::string(line), std::string());
    } else {
      HandleOption(job, std::string(line.substr(0, equals)), std::string(line.substr(equals + 1)));
    }
    start = end + 1;
  }
}

}  // namespace quorbel
