// Packet dispatch: the volume, decoding into the audio path's sample form with the stream's
// clock, the stream-copy rules, and the encoder round trip the re-encoding paths share.
#include <cstring>
#include <filesystem>
#include <vector>

#include "pipeline/decode.h"
#include "pipeline/encoder_output.h"
#include "pipeline/process_packet.h"
#include "pipeline/run_setup.h"
#include "pipeline_test_util.h"

namespace quorbel {
namespace {

using fixtures::Fixture;
using testing::PipelineJob;

TEST(VolumeTest, ScalesRoundsAndClips) {
  const struct {
    int32_t volume;
    int16_t in, out;
  } cases[] = {
      {512, 100, 200}, {512, 20000, 32767}, {512, -20000, -32768}, {128, 3, 2},
      {128, -3, -1},   {128, -1, 0},        {256, -12345, -12345}, {0, 32767, 0},
  };
  for (const auto& c : cases) {
    int16_t sample = c.in;
    ApplyVolume(reinterpret_cast<uint8_t*>(&sample), sizeof(sample), c.volume);
    EXPECT_EQ(sample, c.out) << c.in << " x " << c.volume << "/256";
  }
}

class DispatchTest : public testing::PipelineTest {
 protected:
  // The input's streams decoded for no output.
  void OpenDecoding(PipelineJob& run, Fixture input) {
    ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(input)));
    BuildInputTables(run.job, tables_);
    for (auto& ist : tables_.InputStreams) ist->DecodingNeeded = true;
    OpenDecoders(run.job, tables_);
    for (auto& ist : tables_.InputStreams) ist->NextPts = 0;
  }
  // The next packet of the job's first input, or of a file.
  PacketPtr Read(PipelineJob& run) { return Read(run.job.inputFiles[0].context.get()); }
  PacketPtr Read(AVFormatContext* file) {
    PacketPtr packet = MakePacket();
    if (av_read_frame(file, packet.get()) < 0) ADD_FAILURE() << "input ended";
    return packet;
  }
  void TearDown() override {
    tables_ = RunTables();
    testing::PipelineTest::TearDown();
  }

  RunTables tables_;
};

TEST_F(DispatchTest, EveryFrameOfAPacketIsDecodedOnItsOwnClock) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(OpenDecoding(run, Fixture::kMp3Only));  // 1152 samples a frame, 44100 Hz stereo
  std::vector<uint8_t> payload;
  for (int i = 0; i < 3; ++i) {
    const PacketPtr frame = Read(run);
    payload.insert(payload.end(), frame->data, frame->data + frame->size);
  }
  const PacketPtr packet = MakePacket();
  ASSERT_EQ(av_new_packet(packet.get(), static_cast<int>(payload.size())), 0);
  std::memcpy(packet->data, payload.data(), payload.size());

  TInputStreamState& ist = *tables_.InputStreams[0];
  std::vector<int> sizes;
  std::vector<int64_t> clocks;
  const int result = DecodePacket(run.job, ist, packet.get(), [&](DecodedData& data) {
    sizes.push_back(data.sizeBytes);
    clocks.push_back(ist.Pts);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(sizes, (std::vector<int>{4608, 4608, 4608}));
  // 500000 x 4608 / 88200, truncated, per frame.
  EXPECT_EQ(clocks, (std::vector<int64_t>{0, 26122, 52244}));
  EXPECT_EQ(ist.NextPts, 78366);
  EXPECT_EQ(run.CountLogged("Multiple frames in a packet from stream 0"), 2);
  EXPECT_GE(run.job.run.DecodeSamples.size(), kMinDecodeSamplesBytes);
}

TEST_F(DispatchTest, DecodedAudioHasTheRequestedChannelCount) {
  for (const int requested : {0, 2, 1}) {
    SCOPED_TRACE(requested);
    PipelineJob run;
    tables_ = RunTables();
    ASSERT_NO_FATAL_FAILURE(OpenDecoding(run, Fixture::kAc3Surround));  // 5.1, 1536 samples a frame, 48 kHz
    TInputStreamState& ist = *tables_.InputStreams[0];
    ist.RequestedChannels = requested;
    const int channels = requested == 0 ? 6 : requested;
    int blocks = 0;
    bool sound = false;
    for (int i = 0; i < 4; ++i) {
      const PacketPtr packet = Read(run);
      ASSERT_EQ(DecodePacket(run.job, ist, packet.get(),
                             [&](DecodedData& data) {
                               EXPECT_EQ(data.sizeBytes, 1536 * channels * 2);
                               for (int b = 0; b < data.sizeBytes; ++b) sound |= data.samples[b] != 0;
                               ++blocks;
                             }),
                0);
    }
    EXPECT_EQ(blocks, 4);
    EXPECT_TRUE(sound);
    EXPECT_EQ(ist.NextPts, 4 * 32000);
  }
}

TEST_F(DispatchTest, AnUndecodablePacketIsADecodingError) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(OpenDecoding(run, Fixture::kMp3Only));
  const PacketPtr packet = MakePacket();
  ASSERT_EQ(av_new_packet(packet.get(), 417), 0);
  std::memset(packet->data, 0, 417);
  EXPECT_EQ(ProcessPacket(run.job, tables_, 0, packet.get()), -1);
}

TEST_F(DispatchTest, CopiesStartAtAKeyPacketAndTakeAMissingDtsFromTheClock) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.mkv"), "an\nvcodec=copy"));
  PrepareRun(run.job, tables_);
  StartOutputs(run.job);
  TOutputStreamState& ost = *tables_.OutputStreams[0];
  TInputStreamState& ist = *tables_.InputStreams[0];
  const auto nextVideo = [&] {
    PacketPtr packet = Read(run);
    while (packet->stream_index != 0) packet = Read(run);
    return packet;
  };
  // The first picture, made to look dependent, and the ones after it are dropped.
  for (int i = 0; i < 3; ++i) {
    const PacketPtr packet = nextVideo();
    packet->flags &= ~AV_PKT_FLAG_KEY;
    ASSERT_EQ(ProcessPacket(run.job, tables_, 0, packet.get()), 0);
  }
  EXPECT_EQ(ost.FrameNumber, 0);
  EXPECT_EQ(run.job.run.VideoBytes, 0);
  PacketPtr packet = nextVideo();
  while ((packet->flags & AV_PKT_FLAG_KEY) == 0) packet = nextVideo();
  ASSERT_EQ(ProcessPacket(run.job, tables_, 0, packet.get()), 0);
  EXPECT_EQ(ost.FrameNumber, 1);
  EXPECT_EQ(ost.SyncPos, 1);
  EXPECT_EQ(run.job.run.VideoBytes, packet->size);

  // A packet without timestamps is placed at the stream's predicted time.
  packet = nextVideo();
  packet->dts = packet->pts = AV_NOPTS_VALUE;
  const int64_t expectedUs = ist.NextPts;
  ASSERT_EQ(ProcessPacket(run.job, tables_, 0, packet.get()), 0);
  EXPECT_EQ(ist.Pts, expectedUs);
  EXPECT_EQ(ost.EndTs, av_rescale_q(expectedUs, AV_TIME_BASE_Q, ost.Stream->time_base) +
                           av_rescale_q(packet->duration, ist.Stream->time_base, ost.Stream->time_base));
  EXPECT_EQ(ost.FrameNumber, 2);
  ASSERT_GE(av_write_trailer(run.job.outputFiles[0].context.get()), 0);
  run.job.ReleaseOptionState();

  const testing::MediaSummary output = testing::Inspect(Path("out.mkv"));
  EXPECT_EQ(output.First(AVMEDIA_TYPE_VIDEO).packets, 2);
  EXPECT_EQ(output.First(AVMEDIA_TYPE_VIDEO).frames, 2);
  EXPECT_EQ(output.First(AVMEDIA_TYPE_VIDEO).decodeErrors, 0);
}

TEST_F(DispatchTest, LocalHeadersPutTheStreamHeadersInFrontOfKeyPackets) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(run.AddOutput(Path("out.avi"), "an\nvglobal=2\nvcodec=copy"));
  PrepareRun(run.job, tables_);
  StartOutputs(run.job);
  const AVCodecParameters* parameters = tables_.InputStreams[0]->Stream->codecpar;
  ASSERT_GT(parameters->extradata_size, 0);
  const std::vector<uint8_t> headers(parameters->extradata,
                                     parameters->extradata + parameters->extradata_size);
  // The encoder put the headers in its key packets; a copy without them gets them back.
  PacketPtr packet = Read(run);
  while (packet->stream_index != 0) packet = Read(run);
  ASSERT_EQ(std::memcmp(packet->data, headers.data(), headers.size()), 0);
  const int size = packet->size;
  packet->data += headers.size();
  packet->size -= static_cast<int>(headers.size());
  ASSERT_EQ(ProcessPacket(run.job, tables_, 0, packet.get()), 0);
  packet->data -= headers.size();
  packet->size = size;
  ASSERT_GE(av_write_trailer(run.job.outputFiles[0].context.get()), 0);
  run.job.ReleaseOptionState();

  AVFormatContext* opened = nullptr;
  ASSERT_GE(avformat_open_input(&opened, Path("out.avi").c_str(), nullptr, nullptr), 0);
  const InputFormatContextPtr output(opened);
  const PacketPtr written = Read(opened);
  ASSERT_EQ(written->size, size);
  EXPECT_EQ(std::memcmp(written->data, headers.data(), headers.size()), 0);
}

TEST_F(DispatchTest, EncodedFramesAreWrittenCountedAndDrained) {
  PipelineJob run;
  ASSERT_NO_FATAL_FAILURE(run.AddInput(fixtures::Path(Fixture::kAviMpeg4Mp3)));
  ASSERT_NO_FATAL_FAILURE(
      run.AddOutput(Path("out.mkv"), "an\nvcodec=mpeg4\nbf=2\npass=1\npasslogfile=" + Path("stats")));
  PrepareRun(run.job, tables_);
  StartOutputs(run.job);
  TOutputStreamState& ost = *tables_.OutputStreams[0];
  const AVCodecContext* enc = ost.Encoder();
  AVFormatContext* os = OutputContext(run.job, ost);

  const FramePtr frame = MakeFrame();
  frame->format = enc->pix_fmt;
  frame->width = enc->width;
  frame->height = enc->height;
  ASSERT_GE(av_frame_get_buffer(frame.get(), 0), 0);
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? frame->height : frame->height / 2;
    std::memset(frame->data[plane], 128,
                static_cast<size_t>(frame->linesize[plane]) * static_cast<size_t>(rows));
  }
  int written = 0;
  for (int i = 0; i < 10; ++i) {
    frame->pts = i;
    written += EncodeFrame(run.job, os, ost, frame.get()) > 0 ? 1 : 0;
  }
  // B-frames hold pictures back until the encoder is drained.
  EXPECT_LT(written, 10);
  DrainEncoder(run.job, os, ost);
  DrainEncoder(run.job, os, ost);  // a second drain finds nothing and is no failure
  EXPECT_GT(run.job.run.VideoBytes, 0);
  EXPECT_GT(ost.CodedQuality, 0);
  // The output position has reached the last picture (pts 9 of 1/25 s).
  EXPECT_GE(static_cast<double>(ost.EndTs) * av_q2d(ost.Stream->time_base), 0.36 - 0.001);
  ASSERT_GE(av_write_trailer(os), 0);
  tables_ = RunTables();  // closes the statistics file
  run.job.ReleaseOptionState();

  const testing::MediaSummary output = testing::Inspect(Path("out.mkv"));
  EXPECT_EQ(output.First(AVMEDIA_TYPE_VIDEO).frames, 10);
  EXPECT_EQ(output.First(AVMEDIA_TYPE_VIDEO).decodeErrors, 0);
  EXPECT_GT(std::filesystem::file_size(Path("stats-0.log")), 0u);
}

}  // namespace
}  // namespace quorbel
