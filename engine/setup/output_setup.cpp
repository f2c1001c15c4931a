#include <algorithm>
#include <array>
#include <ctime>
#include <iterator>
#include <string_view>

#include "base/text.h"
#include "binding/error_text.h"
#include "options/generic_options.h"
#include "quorbel/exceptions.h"
#include "setup/file_setup.h"
#include "setup/same_file.h"
#include "setup/stream_setup.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorbel {

namespace {

// The libraries' code for a file name without the number pattern a format needs.
constexpr int kMissingNumberPattern = AVERROR(EDOM);

// A failed step of creating an output; its message becomes LastErrorText.
class OutputFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The image-sequence muxer no longer declares that it needs a number pattern (without one it
// fails at the second picture); it is held to the rule of the muxers that declare it.
bool NeedsNumberPattern(const AVOutputFormat* format) {
  return (format->flags & AVFMT_NEEDNUMBER) != 0 || std::string_view(format->name) == "image2";
}

// Opening the output truncates it: a job never writes onto one of its own inputs.
void RefuseInputAsOutput(const TCustomFFmpeg& job, const std::string& fileName) {
  for (const InputFile& input : job.inputFiles) {
    if (IsSameFile(input.fileName, fileName)) {
      throw OutputFailure(StrPrintf("Output file '%s' is the input file '%s': it would be overwritten",
                                    fileName.c_str(), input.fileName.c_str()));
    }
  }
}

bool MuxerHasOption(const AVOutputFormat* format, const char* name) {
  return format->priv_class != nullptr &&
         av_opt_find2(const_cast<const AVClass**>(&format->priv_class), name, nullptr, 0,
                      AV_OPT_SEARCH_FAKE_OBJ, nullptr) != nullptr;
}

std::string Iso8601(int64_t secondsSinceEpoch) {
  const auto seconds = static_cast<std::time_t>(secondsSinceEpoch);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  std::array<char, 32> text{};
  std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
  return text.data();
}

void SetMetadata(AVFormatContext* context, const char* key, const std::string& value) {
  if (!value.empty()) av_dict_set(&context->metadata, key, value.c_str(), 0);
}

void WriteMetadata(const OptionState& s, AVFormatContext* context) {
  if (s.recordTimestamp != 0) SetMetadata(context, "creation_time", Iso8601(s.recordTimestamp));
  SetMetadata(context, "title", s.title);
  SetMetadata(context, "artist", s.author);
  SetMetadata(context, "copyright", s.copyright);
  SetMetadata(context, "comment", s.comment);
  SetMetadata(context, "album", s.album);
  SetMetadata(context, "genre", s.genre);
  if (s.year > 0) av_dict_set_int(&context->metadata, "date", s.year, 0);
  if (s.track > 0) av_dict_set_int(&context->metadata, "track", s.track, 0);
}

// Runs one step of laying out the output; its failure message gets the step's prefix.
template <typename Step>
void Run(const char* failurePrefix, Step step) {
  try {
    step();
  } catch (const std::exception& error) {
    throw OutputFailure(failurePrefix + std::string(error.what()));
  }
}

int SubtitleKind(AVCodecID codec) {
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec);
  return descriptor != nullptr ? descriptor->props & (AV_CODEC_PROP_BITMAP_SUB | AV_CODEC_PROP_TEXT_SUB) : 0;
}

// Subtitle encoders turn text into text and pictures into pictures only. The format's own
// subtitle codec is a reason for a subtitle stream only when some input subtitles can become it;
// otherwise every conversion of, say, broadcast picture subtitles into MP4 would fail.
bool InputSubtitlesFit(const TCustomFFmpeg& job, AVCodecID codec) {
  if (job.inputFiles.empty()) return true;
  const int kind = SubtitleKind(codec);
  for (const InputFile& file : job.inputFiles) {
    for (const InputStream& input : file.streams) {
      const AVCodecParameters* parameters = input.stream->codecpar;
      if (parameters->codec_type == AVMEDIA_TYPE_SUBTITLE &&
          (SubtitleKind(parameters->codec_id) & kind) != 0) {
        return true;
      }
    }
  }
  return false;
}

// MP3 and FLAC name a picture codec as their video codec, for cover art: they carry no moving
// pictures, so a video input does not give them a video stream.
bool CarriesVideo(const AVOutputFormat* format) {
  constexpr std::string_view kCoverArtOnly[] = {"mp3", "flac"};
  if (format->video_codec == AV_CODEC_ID_NONE) return false;
  return std::find(std::begin(kCoverArtOnly), std::end(kCoverArtOnly), format->name) ==
         std::end(kCoverArtOnly);
}

void AddStreams(TCustomFFmpeg& job, OutputFile& file) {
  OptionState& s = job.settings;
  const AVOutputFormat* format = file.context->oformat;
  bool useVideo = s.videoStreamCopy || CarriesVideo(format) || !s.videoCodecName.empty();
  bool useAudio = s.audioStreamCopy || format->audio_codec != AV_CODEC_ID_NONE || !s.audioCodecName.empty();
  bool useSubtitle =
      s.subtitleStreamCopy || !s.subtitleCodecName.empty() ||
      (format->subtitle_codec != AV_CODEC_ID_NONE && InputSubtitlesFit(job, format->subtitle_codec));
  if (!job.inputFiles.empty()) {
    InputKinds inputs;
    Run("check_audio_video_sub_inputs fail: ", [&] { inputs = CheckInputs(job); });
    useVideo = useVideo && inputs.video;
    useAudio = useAudio && inputs.audio;
    useSubtitle = useSubtitle && inputs.subtitle;
  }
  if (!s.videoDisable && useVideo) Run("new_video_stream fail: ", [&] { AddVideoStream(job, file); });
  if (!s.audioDisable && useAudio) Run("new_audio_stream fail: ", [&] { AddAudioStream(job, file); });
  if (!s.subtitleDisable && useSubtitle)
    Run("new_subtitle_stream fail: ", [&] { AddSubtitleStream(job, file); });
}

// Muxer options: the recorded private ones, then the mux preload and output looping where the
// muxer has them (they were fields of every container once).
DictionaryPtr MuxerOptions(const TCustomFFmpeg& job, const AVOutputFormat* format) {
  const OptionState& s = job.settings;
  DictionaryPtr options = PrivateOptionsFor(job, kMuxers);
  AVDictionary* list = options.release();
  if (MuxerHasOption(format, "preload")) {
    av_dict_set_int(&list, "preload", static_cast<int64_t>(s.muxPreload * 1000000.0f), 0);
  }
  if (s.loopOutput >= 0 && MuxerHasOption(format, "loop")) av_dict_set_int(&list, "loop", s.loopOutput, 0);
  return DictionaryPtr(list);
}

void CreateOutputFile(TCustomFFmpeg& job, const std::string& fileName) {
  OptionState& s = job.settings;
  if (job.outputFiles.size() >= static_cast<size_t>(kMaxFiles)) {
    throw OutputFailure(StrPrintf("Too many output files (at most %d)", kMaxFiles));
  }
  RefuseInputAsOutput(job, fileName);
  // The network feed muxer ("ffm"), whose outputs took their stream layout from the feed
  // server, no longer exists: every output is laid out from the options.
  const AVOutputFormat* format = s.forcedOutputFormat != nullptr
                                     ? s.forcedOutputFormat
                                     : av_guess_format(nullptr, fileName.c_str(), nullptr);
  if (format == nullptr) {
    throw OutputFailure(StrPrintf("Unable to find a suitable output format for '%s'", fileName.c_str()));
  }
  AVFormatContext* allocated = nullptr;
  if (avformat_alloc_output_context2(&allocated, format, nullptr, fileName.c_str()) < 0)
    throw std::bad_alloc();
  OutputFile file;
  file.fileName = fileName;
  file.context.reset(allocated);
  try {
    AddStreams(job, file);
    WriteMetadata(s, allocated);
    if (NeedsNumberPattern(format) && av_filename_number_test(fileName.c_str()) == 0) {
      throw OutputFailure(LibraryErrorText(fileName, kMissingNumberPattern));
    }
    if ((format->flags & AVFMT_NOFILE) == 0 &&
        avio_open(&allocated->pb, fileName.c_str(), AVIO_FLAG_WRITE) < 0) {
      throw OutputFailure(StrPrintf("Could not open '%s'", fileName.c_str()));
    }
    allocated->max_delay = static_cast<int>(s.muxMaxDelay * 1000000.0f);
    ApplyRecordedOptions(job, allocated, s.formatTemplate.get(), kEncodingMask);
    file.muxerOptions = MuxerOptions(job, format);
    job.outputFiles.push_back(std::move(file));
  } catch (...) {
    CloseOutputFile(file);
    throw;
  }
}

}  // namespace

InputKinds CheckInputs(const TCustomFFmpeg& job) {
  InputKinds kinds;
  for (const InputFile& file : job.inputFiles) {
    for (const InputStream& input : file.streams) {
      switch (input.stream->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
          kinds.video = true;
          break;
        case AVMEDIA_TYPE_AUDIO:
          kinds.audio = true;
          break;
        case AVMEDIA_TYPE_SUBTITLE:
          kinds.subtitle = true;
          break;
        case AVMEDIA_TYPE_UNKNOWN:
        case AVMEDIA_TYPE_DATA:
        case AVMEDIA_TYPE_ATTACHMENT:
          break;
        default:
          throw FFMpegException("invalid codec_type of input file");
      }
    }
  }
  return kinds;
}

bool CreateOutput(TCustomFFmpeg& job, const std::string& fileName) {
  bool created = false;
  try {
    CreateOutputFile(job, fileName);
    created = true;
  } catch (const std::exception& error) {
    job.LastErrorText = error.what();
  }
  job.settings.forcedInputFormat = nullptr;
  job.settings.forcedOutputFormat = nullptr;
  return created;
}

}  // namespace quorbel
