// Whole runs that copy streams from the generated fixtures into other containers; every output
// is read back and decoded.
#include <cstdarg>
#include <filesystem>
#include <string_view>

#include "pipeline_test_util.h"

namespace quorbel {
namespace {

using fixtures::Fixture;
using testing::Inspect;
using testing::MediaSummary;
using testing::PipelineJob;

constexpr const char* kCopyBoth = "vcodec=copy\nacodec=copy";

// Remuxes two fixtures into one transport stream, each as a program of its own: program 1 holds
// H.264 and AAC, program 2 MPEG-4 video and MP3.
void WriteTwoProgramTs(const std::string& path) {
  const Fixture sources[] = {Fixture::kMp4H264Aac, Fixture::kAviMpeg4Mp3};
  AVFormatContext* allocated = nullptr;
  ASSERT_GE(avformat_alloc_output_context2(&allocated, nullptr, "mpegts", path.c_str()), 0);
  const FormatContextPtr output(allocated);
  std::vector<InputFormatContextPtr> inputs;
  std::vector<int> firstOutputStream;
  for (int program = 1; program <= 2; ++program) {
    AVFormatContext* opened = nullptr;
    ASSERT_GE(avformat_open_input(&opened, fixtures::Path(sources[program - 1]).c_str(), nullptr, nullptr),
              0);
    inputs.emplace_back(opened);
    ASSERT_GE(avformat_find_stream_info(opened, nullptr), 0);
    ASSERT_NE(av_new_program(allocated, program), nullptr);
    firstOutputStream.push_back(static_cast<int>(allocated->nb_streams));
    for (unsigned i = 0; i < opened->nb_streams; ++i) {
      AVStream* stream = avformat_new_stream(allocated, nullptr);
      ASSERT_GE(avcodec_parameters_copy(stream->codecpar, opened->streams[i]->codecpar), 0);
      stream->codecpar->codec_tag = 0;
      stream->time_base = opened->streams[i]->time_base;
      av_program_add_stream_index(allocated, program, static_cast<unsigned>(stream->index));
    }
  }
  ASSERT_GE(avio_open(&allocated->pb, path.c_str(), AVIO_FLAG_WRITE), 0);
  ASSERT_GE(avformat_write_header(allocated, nullptr), 0);
  const PacketPtr packet = MakePacket();
  for (bool more = true; more;) {
    more = false;
    for (size_t p = 0; p < inputs.size(); ++p) {
      if (av_read_frame(inputs[p].get(), packet.get()) < 0) continue;
      more = true;
      const AVRational from = inputs[p]->streams[packet->stream_index]->time_base;
      packet->stream_index += firstOutputStream[p];
      av_packet_rescale_ts(packet.get(), from, allocated->streams[packet->stream_index]->time_base);
      packet->pos = -1;
      ASSERT_GE(av_interleaved_write_frame(allocated, packet.get()), 0);
    }
  }
  ASSERT_GE(av_write_trailer(allocated), 0);
  avio_closep(&allocated->pb);
}

// Requests the job's stop once the packet dump has shown a number of packets.
struct StopAfterPackets {
  static void Count(void*, int, const char* format, va_list) {
    if (std::string_view(format).starts_with("stream #") && ++dumped == limit) job->StopRequested = true;
  }
  static inline TCustomFFmpeg* job = nullptr;
  static inline int dumped = 0;
  static inline int limit = 0;
};

class StreamCopyTest : public testing::PipelineTest {};

TEST_F(StreamCopyTest, CopiesEveryPacketIntoOtherContainers) {
  const struct {
    Fixture input;
    const char* output;
    const char* video;
    const char* audio;
  } cases[] = {
      {Fixture::kAviMpeg4Mp3, "out.mkv", "mpeg4", "mp3"},
      {Fixture::kAviMpeg4Mp3, "out.mp4", "mpeg4", "mp3"},
      {Fixture::kAviMpeg4Mp3, "out.mov", "mpeg4", "mp3"},
      {Fixture::kMp4H264Aac, "out.avi", "h264", "aac"},
      {Fixture::kMovMpeg4Pcm, "out.mkv", "mpeg4", "pcm_s16le"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(fixtures::Info(c.input).fileName + " -> " + c.output);
    const MediaSummary input = Inspect(fixtures::Path(c.input));
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(c.input)));
    ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path(c.output), kCopyBoth));
    EXPECT_EQ(run.Run(), "");
    EXPECT_TRUE(run.job.Finished);
    EXPECT_TRUE(run.Logged("Stream mapping:"));
    EXPECT_TRUE(run.Logged("  Stream #0.1 -> #0.1"));

    const MediaSummary output = Inspect(Path(c.output));
    ASSERT_TRUE(output.opened);
    ASSERT_EQ(output.streams.size(), 2u);
    const testing::StreamSummary& video = output.First(AVMEDIA_TYPE_VIDEO);
    const testing::StreamSummary& audio = output.First(AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(video.codec, c.video);
    EXPECT_EQ(audio.codec, c.audio);
    EXPECT_EQ(video.packets, input.First(AVMEDIA_TYPE_VIDEO).packets);
    EXPECT_EQ(video.frames, video.packets);
    EXPECT_EQ(video.decodeErrors + audio.decodeErrors, 0);
    // Both streams keep their place on the timeline: they start together and last 2 s.
    EXPECT_NEAR(video.firstSeconds, audio.firstSeconds, 0.05);
    EXPECT_NEAR(video.endSeconds - video.firstSeconds, 2.0, 0.1);
    EXPECT_NEAR(audio.endSeconds - audio.firstSeconds, 2.0, 0.1);
  }
}

TEST_F(StreamCopyTest, ATimestampJumpIsClosedUnlessTimestampsAreCopied) {
  const std::string input = fixtures::Path(Fixture::kMpegTsDtsJump);
  for (const bool copyTimestamps : {false, true}) {
    SCOPED_TRACE(copyTimestamps ? "copyts" : "default");
    const std::string output = Path(copyTimestamps ? "copyts.mp4" : "default.mp4");
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(input));
    ASSERT_NO_FATAL_FAILURE(
        run.AddOutput(output, std::string(kCopyBoth) + (copyTimestamps ? "\ncopyts" : "")));
    run.job.SetVerbosity(3);  // the discontinuity line is a debug line
    const std::string failure = run.Run();
    run.job.SetVerbosity(1);
    ASSERT_EQ(failure, "");

    bool discontinuityLogged = false;
    for (const std::string& line : run.lines)
      discontinuityLogged |= line.starts_with("timestamp discontinuity ");
    EXPECT_EQ(discontinuityLogged, !copyTimestamps);
    const MediaSummary summary = Inspect(output);
    for (const testing::StreamSummary& stream : summary.streams) {
      SCOPED_TRACE(stream.codec);
      EXPECT_EQ(stream.decodeErrors, 0);
      if (copyTimestamps) {
        EXPECT_GT(stream.maxDtsStepSeconds, 59.0);
        EXPECT_NEAR(stream.endSeconds - stream.firstSeconds, 64.0, 0.2);
      } else {
        EXPECT_LT(stream.maxDtsStepSeconds, 0.2);
        EXPECT_NEAR(stream.endSeconds - stream.firstSeconds, 4.0, 0.2);
      }
    }
  }
}

TEST_F(StreamCopyTest, LimitsEndTheRunWithAPlayableFile) {
  const MediaSummary full = Inspect(fixtures::Path(Fixture::kAviMpeg4Mp3));
  const struct {
    const char* options;
    int videoPackets;  // -1: not checked
    int audioPackets;
    double minEndSeconds;  // of both streams
    double maxEndSeconds;
  } cases[] = {
      // Reading stops once every stream has passed the recording time.
      {"t=1", -1, -1, 1.0, 1.1},
      {"vframes=10", 10, -1, 0.0, 0.5},
      {"aframes=10", -1, 10, 0.0, 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
    ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("limited.mkv"), std::string(kCopyBoth) + "\n" + c.options));
    ASSERT_EQ(run.Run(), "");
    EXPECT_TRUE(run.job.Finished);
    const MediaSummary output = Inspect(Path("limited.mkv"));
    const testing::StreamSummary& video = output.First(AVMEDIA_TYPE_VIDEO);
    const testing::StreamSummary& audio = output.First(AVMEDIA_TYPE_AUDIO);
    if (c.videoPackets >= 0) {
      EXPECT_EQ(video.packets, c.videoPackets);
    }
    if (c.audioPackets >= 0) {
      EXPECT_EQ(audio.packets, c.audioPackets);
    }
    EXPECT_LT(video.packets, full.First(AVMEDIA_TYPE_VIDEO).packets);
    for (const testing::StreamSummary* stream : {&video, &audio}) {
      EXPECT_GE(stream->endSeconds, c.minEndSeconds);
      EXPECT_LE(stream->endSeconds, c.maxEndSeconds);
      EXPECT_EQ(stream->decodeErrors, 0);
    }
  }
}

TEST_F(StreamCopyTest, TheSizeLimitStopsReadingOnceTheFileExceedsIt) {
  PipelineJob whole;
  ASSERT_NO_FATAL_FAILURE(whole.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(whole.AddOutput(Path("whole.avi"), std::string(kCopyBoth)));
  ASSERT_EQ(whole.Run(), "");
  const auto wholeSize = static_cast<int64_t>(std::filesystem::file_size(Path("whole.avi")));

  const int64_t limit = wholeSize / 3;
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(
      run.AddOutput(Path("limited.avi"), std::string(kCopyBoth) + "\nfs=" + std::to_string(limit)));
  ASSERT_EQ(run.Run(), "");
  const auto size = static_cast<int64_t>(std::filesystem::file_size(Path("limited.avi")));
  EXPECT_GT(size, limit);
  EXPECT_LT(size, wholeSize);
  const MediaSummary output = Inspect(Path("limited.avi"));
  EXPECT_EQ(output.First(AVMEDIA_TYPE_VIDEO).decodeErrors, 0);
  EXPECT_GT(output.First(AVMEDIA_TYPE_VIDEO).frames, 0);
}

TEST_F(StreamCopyTest, ShortestEndsWithTheFirstInputToEnd) {
  for (const bool shortest : {false, true}) {
    SCOPED_TRACE(shortest ? "shortest" : "longest");
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kVideoOnly)));  // 3 s
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAudioOnly)));  // 1.5 s
    ASSERT_NO_FATAL_FAILURE(
        run.AddOutput(Path("both.mkv"), std::string(kCopyBoth) + (shortest ? "\nshortest" : "")));
    ASSERT_EQ(run.Run(), "");
    const MediaSummary output = Inspect(Path("both.mkv"));
    const testing::StreamSummary& video = output.First(AVMEDIA_TYPE_VIDEO);
    EXPECT_NEAR(output.First(AVMEDIA_TYPE_AUDIO).endSeconds, 1.5, 0.1);
    if (shortest) {
      EXPECT_LT(video.endSeconds, 2.0);
    } else {
      EXPECT_NEAR(video.endSeconds, 3.0, 0.1);
    }
  }
}

TEST_F(StreamCopyTest, AProgramIdChoosesTheStreamsOfThatProgram) {
  ASSERT_NO_FATAL_FAILURE(WriteTwoProgramTs(Path("programs.ts")));
  const struct {
    const char* options;
    const char* video;
    const char* audio;
  } cases[] = {
      {"", "h264", "aac"},  // the first unclaimed streams
      {"programid=2", "mpeg4", "mp3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    PipelineJob run;
    ASSERT_NO_FATAL_FAILURE(run.AddInput(Path("programs.ts"), c.options));
    ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("program.mkv"), kCopyBoth));
    ASSERT_EQ(run.Run(), "");
    const MediaSummary output = Inspect(Path("program.mkv"));
    EXPECT_EQ(output.First(AVMEDIA_TYPE_VIDEO).codec, c.video);
    EXPECT_EQ(output.First(AVMEDIA_TYPE_AUDIO).codec, c.audio);
    EXPECT_GT(output.First(AVMEDIA_TYPE_VIDEO).frames, 0);
    EXPECT_EQ(output.First(AVMEDIA_TYPE_VIDEO).decodeErrors, 0);
  }
}

TEST_F(StreamCopyTest, AStopRequestEndsTheRunWithAPlayableFile) {
  const MediaSummary input = Inspect(fixtures::Path(Fixture::kAviMpeg4Mp3));
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("stopped.mp4"), std::string(kCopyBoth) + "\ndump"));
  StopAfterPackets::job = &run.job;
  StopAfterPackets::dumped = 0;
  StopAfterPackets::limit = 20;
  av_log_set_callback(StopAfterPackets::Count);
  const std::string failure = run.Run();
  av_log_set_callback(av_log_default_callback);
  EXPECT_EQ(failure, "");
  EXPECT_FALSE(run.job.Finished);

  // The trailer is written: the file opens and holds every packet read before the stop.
  const MediaSummary output = Inspect(Path("stopped.mp4"));
  ASSERT_TRUE(output.opened);
  const testing::StreamSummary& video = output.First(AVMEDIA_TYPE_VIDEO);
  const testing::StreamSummary& audio = output.First(AVMEDIA_TYPE_AUDIO);
  EXPECT_EQ(video.packets + audio.packets, 20);
  EXPECT_LT(video.packets, input.First(AVMEDIA_TYPE_VIDEO).packets);
  EXPECT_EQ(video.frames, video.packets);
  EXPECT_EQ(video.decodeErrors + audio.decodeErrors, 0);
}

TEST_F(StreamCopyTest, MapsChooseSourcesAndSyncStreams) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kTwoAudio)));  // mpeg4, mp3 eng, aac ger
  ASSERT_NO_FATAL_FAILURE(
      run.AddOutput(Path("mapped.mkv"), std::string(kCopyBoth) + "\nmap=0:0\nmap=0:2:0:0"));
  ASSERT_EQ(run.Run(), "");
  EXPECT_TRUE(run.Logged("  Stream #0.2 -> #0.1"));
  EXPECT_TRUE(run.Logged(" [sync #0.0]"));
  const MediaSummary output = Inspect(Path("mapped.mkv"));
  ASSERT_EQ(output.streams.size(), 2u);
  EXPECT_EQ(output.First(AVMEDIA_TYPE_AUDIO).codec, "aac");
  EXPECT_EQ(output.First(AVMEDIA_TYPE_AUDIO).language, "ger");
}

TEST_F(StreamCopyTest, NewAudioTakesTheNextUnclaimedAudioStream) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kTwoAudio)));
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("two.mkv"), kCopyBoth));
  ParseOptionText(run.job, "acodec=copy\nnewaudio");
  ASSERT_EQ(run.Run(), "");
  const MediaSummary output = Inspect(Path("two.mkv"));
  ASSERT_EQ(output.streams.size(), 3u);
  EXPECT_EQ(output.streams[1].codec, "mp3");
  EXPECT_EQ(output.streams[1].language, "eng");
  EXPECT_EQ(output.streams[2].codec, "aac");
  EXPECT_EQ(output.streams[2].language, "ger");
  EXPECT_EQ(output.streams[2].decodeErrors, 0);
  EXPECT_GT(output.streams[2].frames, 0);
}

TEST_F(StreamCopyTest, MappedMetadataComesFromTheInput) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kMp4H264Aac)));
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("tagged.mkv"), std::string(kCopyBoth) + "\nmap_meta_data=0:0"));
  ASSERT_EQ(run.Run(), "");
  const MediaSummary output = Inspect(Path("tagged.mkv"));
  EXPECT_EQ(output.Metadata("title"), fixtures::kMetadata.title);
  EXPECT_EQ(output.Metadata("ARTIST"), fixtures::kMetadata.artist);
  EXPECT_EQ(output.Metadata("album"), fixtures::kMetadata.album);
}

}  // namespace
}  // namespace quorbel
