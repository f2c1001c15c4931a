// Driving jobs through the pipeline the way the job runner does, and reading outputs back by
// decoding them.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/av_ptr.h"
#include "job/custom_ffmpeg.h"
#include "options/option_parser.h"
#include "pipeline/run_cleanup.h"
#include "pipeline/transcode.h"
#include "quorbel/exceptions.h"
#include "quorbel/fixtures.h"
#include "setup/file_setup.h"

namespace quorbel::testing {

// A job with its log kept, configured like AddJob / SetJobOutput do and run like RunJob does.
class PipelineJob {
 public:
  PipelineJob() {
    job.LogCallback = [this](TCustomFFmpeg&, int, const std::string& text) { lines.push_back(text); };
  }

  // Option text, then the input (AddJob).
  void AddInput(const std::string& path, const std::string& options = "") {
    ParseOptionText(job, options);
    ASSERT_TRUE(OpenInput(job, path)) << job.LastErrorText;
  }
  // Option text, then the output (SetJobOutput).
  void AddOutput(const std::string& path, const std::string& options = "") {
    ParseOptionText(job, options);
    ASSERT_TRUE(CreateOutput(job, path)) << job.LastErrorText;
  }

  // Transcode, then the clean-up of the job runner. Returns the failure message, empty when the
  // run succeeded.
  std::string Run() {
    std::string failure;
    try {
      Transcode(job);
    } catch (const FFMpegException& error) {
      failure = error.what();
    }
    CloseOpenCodecs(job);
    job.ReleaseOptionState();
    return failure;
  }

  bool Logged(const std::string& text) const {
    for (const std::string& line : lines) {
      if (line == text) return true;
    }
    return false;
  }
  int CountLogged(const std::string& text) const {
    int count = 0;
    for (const std::string& line : lines) count += line == text ? 1 : 0;
    return count;
  }

  TCustomFFmpeg job;
  std::vector<std::string> lines;
};

struct StreamSummary {
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  std::string codec;
  std::string language;
  int packets = 0;
  int frames = 0;  // decoded
  int decodeErrors = 0;
  double firstSeconds = NAN;       // smallest packet pts (dts when none)
  double endSeconds = NAN;         // largest packet pts + duration
  double maxDtsStepSeconds = 0.0;  // widest step between consecutive packets' dts
};

struct MediaSummary {
  bool opened = false;
  std::vector<StreamSummary> streams;
  AVDictionary* metadata = nullptr;  // valid while the summary lives
  DictionaryPtr metadataOwner;

  int Count(AVMediaType type) const {
    int count = 0;
    for (const StreamSummary& stream : streams) count += stream.type == type ? 1 : 0;
    return count;
  }
  // The first stream of that kind; a failed expectation and an empty entry when there is none.
  const StreamSummary& First(AVMediaType type) const {
    for (const StreamSummary& stream : streams) {
      if (stream.type == type) return stream;
    }
    ADD_FAILURE() << "no stream of type " << type;
    static const StreamSummary none;
    return none;
  }
  std::string Metadata(const char* key) const {
    const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
    return entry != nullptr ? entry->value : "";
  }
};

// Reads every packet of a media file and decodes its audio and video.
inline MediaSummary Inspect(const std::string& path) {
  MediaSummary summary;
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) return summary;
  InputFormatContextPtr file(opened);
  if (avformat_find_stream_info(opened, nullptr) < 0) return summary;
  summary.opened = true;
  AVDictionary* metadata = nullptr;
  av_dict_copy(&metadata, opened->metadata, 0);
  summary.metadataOwner.reset(metadata);
  summary.metadata = metadata;

  std::vector<CodecContextPtr> decoders(opened->nb_streams);
  std::vector<int64_t> lastDts(opened->nb_streams, AV_NOPTS_VALUE);
  for (unsigned i = 0; i < opened->nb_streams; ++i) {
    const AVStream* stream = opened->streams[i];
    StreamSummary entry;
    entry.type = stream->codecpar->codec_type;
    entry.codec = avcodec_get_name(stream->codecpar->codec_id);
    if (const AVDictionaryEntry* language = av_dict_get(stream->metadata, "language", nullptr, 0)) {
      entry.language = language->value;
    }
    summary.streams.push_back(entry);
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (codec != nullptr && (entry.type == AVMEDIA_TYPE_AUDIO || entry.type == AVMEDIA_TYPE_VIDEO)) {
      decoders[i].reset(avcodec_alloc_context3(codec));
      avcodec_parameters_to_context(decoders[i].get(), stream->codecpar);
      if (avcodec_open2(decoders[i].get(), codec, nullptr) < 0) decoders[i].reset();
    }
  }
  const FramePtr frame = MakeFrame();
  const auto receive = [&](unsigned index) {
    while (avcodec_receive_frame(decoders[index].get(), frame.get()) >= 0) {
      ++summary.streams[index].frames;
      av_frame_unref(frame.get());
    }
  };
  const PacketPtr packet = MakePacket();
  while (av_read_frame(opened, packet.get()) >= 0) {
    const unsigned index = static_cast<unsigned>(packet->stream_index);
    StreamSummary& entry = summary.streams[index];
    const double timeBase = av_q2d(opened->streams[index]->time_base);
    ++entry.packets;
    const int64_t start = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (start != AV_NOPTS_VALUE) {
      const double seconds = static_cast<double>(start) * timeBase;
      const double end = static_cast<double>(start + packet->duration) * timeBase;
      if (std::isnan(entry.firstSeconds) || seconds < entry.firstSeconds) entry.firstSeconds = seconds;
      if (std::isnan(entry.endSeconds) || end > entry.endSeconds) entry.endSeconds = end;
    }
    if (packet->dts != AV_NOPTS_VALUE) {
      if (lastDts[index] != AV_NOPTS_VALUE) {
        const double step = static_cast<double>(packet->dts - lastDts[index]) * timeBase;
        if (step > entry.maxDtsStepSeconds) entry.maxDtsStepSeconds = step;
      }
      lastDts[index] = packet->dts;
    }
    if (decoders[index]) {
      if (avcodec_send_packet(decoders[index].get(), packet.get()) < 0) ++entry.decodeErrors;
      receive(index);
    }
    av_packet_unref(packet.get());
  }
  for (unsigned i = 0; i < opened->nb_streams; ++i) {
    if (!decoders[i]) continue;
    avcodec_send_packet(decoders[i].get(), nullptr);
    receive(i);
  }
  return summary;
}

// A fresh folder per test, removed afterwards.
class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorbel-pipeline-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  std::filesystem::path folder_;
};

}  // namespace quorbel::testing
