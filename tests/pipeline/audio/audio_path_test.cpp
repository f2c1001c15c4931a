// The audio path block by block, on a prepared run: synchronisation (silence, dropping,
// compensation), the FIFO and whole encoder frames, sample-based encoders, the resampler.
#include <memory>
#include <string>
#include <vector>

#include "base/text.h"
#include "decoded_audio.h"
#include "pipeline/audio_output.h"
#include "pipeline/encoder_output.h"
#include "pipeline/run_setup.h"
#include "pipeline_test_util.h"

namespace quorbel {
namespace {

using fixtures::Fixture;
using testing::PipelineJob;

// The input, kMp3Only, decodes to 44100 Hz stereo.
constexpr int kRate = 44100;
constexpr int kBlockSamples = 1152;
constexpr int64_t kBlockUs = 26122;  // a block's clock step as decoding gives it
constexpr int16_t kLevel = 1000;

int64_t ClockOf(double samples) {
  return std::llround(samples * 1e6 / kRate);
}

class AudioPathTest : public testing::PipelineTest {
 protected:
  // The job converts kMp3Only into `file` with `options`; setup has run and the header is written.
  void Start(const std::string& file, const std::string& options) {
    Release();
    run_ = std::make_unique<PipelineJob>();
    file_ = Path(file);
    ASSERT_NO_FATAL_FAILURE(run_->AddInput(fixtures::Path(Fixture::kMp3Only)));
    ASSERT_NO_FATAL_FAILURE(run_->AddOutput(file_, options));
    run_->job.SetVerbosity(3);  // the synchronisation lines are debug lines
    PrepareRun(run_->job, tables_);
    StartOutputs(run_->job);
  }
  TOutputStreamState& Ost() { return *tables_.OutputStreams[0]; }
  TInputStreamState& Ist() { return *tables_.InputStreams[0]; }
  AVFormatContext* Os() { return OutputContext(run_->job, Ost()); }
  size_t FifoBytes() { return av_fifo_can_read(Ost().AudioFifo.get()); }

  // A block of `count` sample frames of `channels` channels, channel c at kLevel + c, at the
  // input clock ptsUs.
  void Feed(int64_t ptsUs, int count = kBlockSamples, int channels = 2) {
    std::vector<int16_t> block(static_cast<size_t>(count * channels));
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<int16_t>(kLevel + i % channels);
    Ist().Pts = ptsUs;
    EncodeAudio(run_->job, Os(), Ost(), Ist(), reinterpret_cast<const uint8_t*>(block.data()),
                count * channels * 2);
  }

  // Ends the stream as the dispatcher does, writes the trailer and reads the file back.
  testing::DecodedAudio Finish() {
    if (Ost().Encoder()->frame_size > 1) {
      EncodeAudioRemainder(run_->job, Os(), Ost());
      DrainEncoder(run_->job, Os(), Ost());
    }
    EXPECT_GE(av_write_trailer(Os()), 0);
    Release();
    return testing::DecodeAudio(file_);
  }
  void Release() {
    tables_ = RunTables();
    if (run_) run_->job.ReleaseOptionState();
  }
  void TearDown() override {
    Release();
    if (run_) run_->job.SetVerbosity(1);
    testing::PipelineTest::TearDown();
  }
  int Logged(const std::string& prefix) const {
    int count = 0;
    for (const std::string& line : run_->lines) count += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
  }

  std::unique_ptr<PipelineJob> run_;
  RunTables tables_;
  std::string file_;
};

TEST_F(AudioPathTest, SilenceFillsTheGapBeforeALateStart) {
  ASSERT_NO_FATAL_FAILURE(Start("out.wav", "acodec=pcm_s16le\nasync=1"));
  Feed(500000);
  EXPECT_TRUE(run_->Logged("adding 22050 audio samples of silence"));
  EXPECT_FALSE(Ist().IsStart);
  EXPECT_EQ(Ost().SyncPos, 22050 + kBlockSamples);

  const testing::DecodedAudio audio = Finish();
  ASSERT_EQ(audio.Frames(), 22050 + kBlockSamples);
  EXPECT_EQ(audio.FirstSound(0, 0), 22050);
  EXPECT_EQ(audio.At(audio.Frames() - 1, 1), kLevel + 1);
}

TEST_F(AudioPathTest, ALongGapIsPaddedOverSeveralBlocksUnderTheCap) {
  ASSERT_NO_FATAL_FAILURE(Start("out.wav", "acodec=pcm_s16le\nasync=1"));
  // 131,072 bytes of silence and block together, 32768 stereo sample frames.
  Feed(2000000);
  EXPECT_EQ(Ost().SyncPos, 32768);
  EXPECT_TRUE(Ist().IsStart);
  Feed(2000000 + kBlockUs);
  EXPECT_EQ(Ost().SyncPos, 65536);
  EXPECT_TRUE(Ist().IsStart);
  // The third block's gap fits: it lands at its own time.
  const int64_t thirdUs = 2000000 + 2 * kBlockUs;
  Feed(thirdUs);
  EXPECT_FALSE(Ist().IsStart);
  const auto third = static_cast<int64_t>(static_cast<double>(thirdUs) * kRate / 1e6);
  EXPECT_EQ(Ost().SyncPos, third + kBlockSamples);
  EXPECT_EQ(Logged("adding "), 3);

  const testing::DecodedAudio audio = Finish();
  EXPECT_EQ(audio.Frames(), third + kBlockSamples);
  EXPECT_EQ(audio.FirstSound(65536, 0), third);
}

TEST_F(AudioPathTest, CappedSilenceKeepsWholeSampleFrames) {
  ASSERT_NO_FATAL_FAILURE(Start("out.wav", "acodec=pcm_s16le\nac=6\nasync=1"));
  ASSERT_EQ(Ist().RequestedChannels, 6);
  // 131,072 - 13,824 bytes of room is not a whole number of 12-byte sample frames.
  Feed(2000000, kBlockSamples, 6);
  EXPECT_EQ(Ost().SyncPos, 9770 + kBlockSamples);
  const testing::DecodedAudio audio = Finish();
  ASSERT_EQ(audio.channels, 6);
  ASSERT_EQ(audio.Frames(), 9770 + kBlockSamples);
  for (int c = 0; c < 6; ++c) EXPECT_EQ(audio.At(audio.Frames() - 1, c), kLevel + c) << "channel " << c;
}

TEST_F(AudioPathTest, AnEarlyStartIsDroppedUntilTheClockIsReached) {
  ASSERT_NO_FATAL_FAILURE(Start("out.wav", "acodec=pcm_s16le\nasync=1"));
  // -0.2 s: 8820 samples ahead; seven whole blocks go, the eighth loses 756 of its 1152.
  for (int k = 0; k < 7; ++k) {
    Feed(-200000 + k * kBlockUs);
    EXPECT_EQ(Ost().SyncPos, 0);
    EXPECT_TRUE(Ist().IsStart);
  }
  EXPECT_EQ(run_->job.run.AudioBytes, 0);
  Feed(-200000 + 7 * kBlockUs);
  EXPECT_FALSE(Ist().IsStart);
  EXPECT_EQ(Ost().SyncPos, kBlockSamples - 756);
  EXPECT_TRUE(run_->Logged("discarding 8820 audio samples"));

  const testing::DecodedAudio audio = Finish();
  EXPECT_EQ(audio.Frames(), kBlockSamples - 756);
  EXPECT_EQ(audio.FirstSound(0, 0), 0);
}

TEST_F(AudioPathTest, AfterTheStartSmallDriftIsLeftAloneOrCompensated) {
  const struct {
    int async;
    double drift;      // samples the output lags behind the clock
    int compensation;  // 0: none asked
  } cases[] = {
      {1, 70.5, 0},
      {100, 70.5, 70},
      {100, 300, 100},
      {100, -300, -100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "async " << c.async << ", drift " << c.drift);
    ASSERT_NO_FATAL_FAILURE(Start("out.wav", "acodec=pcm_s16le\nasync=" + std::to_string(c.async)));
    Feed(0);
    EXPECT_FALSE(Ist().IsStart);  // started in step
    const int64_t position = Ost().SyncPos;
    const int64_t clockUs = ClockOf(static_cast<double>(position) + c.drift);
    Feed(clockUs);
    const double delta = static_cast<double>(clockUs) * kRate / 1e6 - static_cast<double>(position);
    EXPECT_EQ(Logged("adding "), 0);
    EXPECT_EQ(Logged("discarding "), 0);
    if (c.compensation == 0) {
      EXPECT_EQ(Logged("compensating "), 0);
      EXPECT_EQ(Ost().SyncPos, position + kBlockSamples);
    } else {
      EXPECT_TRUE(run_->Logged(StrPrintf("compensating audio timestamp drift:%.2f compensation:%d in:%d",
                                         delta, c.compensation, kRate)));
      // Stretched a little, not padded: about one block more.
      EXPECT_NEAR(static_cast<double>(Ost().SyncPos - position), kBlockSamples, 40);
    }
  }
}

TEST_F(AudioPathTest, OnlyWholeEncoderFramesLeaveTheFifo) {
  const struct {
    const char* codec;
    const char* file;
    int frameSize;
    bool shortLastFrame;
  } cases[] = {
      {"mp2", "out.mkv", 1152, false},
      {"aac", "out.m4a", 1024, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codec);
    ASSERT_NO_FATAL_FAILURE(Start(c.file, std::string("acodec=") + c.codec));
    ASSERT_EQ(Ost().Encoder()->frame_size, c.frameSize);
    Feed(0, 1000);
    EXPECT_EQ(FifoBytes(), 4000u);
    EXPECT_EQ(Ost().SyncPos, 0);
    Feed(ClockOf(1000), 1000);
    EXPECT_EQ(Ost().SyncPos, c.frameSize);
    EXPECT_EQ(FifoBytes(), static_cast<size_t>(2000 - c.frameSize) * 4);
    EncodeAudioRemainder(run_->job, Os(), Ost());
    EXPECT_EQ(FifoBytes(), c.shortLastFrame ? 0u : static_cast<size_t>(2000 - c.frameSize) * 4);
    EXPECT_EQ(Ost().SyncPos, c.shortLastFrame ? 2000 : c.frameSize);
    DrainEncoder(run_->job, Os(), Ost());
    EXPECT_GT(run_->job.run.AudioBytes, 0);
    EXPECT_GE(av_write_trailer(Os()), 0);
    Release();
    const testing::DecodedAudio audio = testing::DecodeAudio(file_);
    EXPECT_EQ(audio.decodeErrors, 0);
    EXPECT_NEAR(static_cast<double>(audio.Frames()), c.shortLastFrame ? 2000 : c.frameSize,
                c.frameSize / 2.0);
  }
}

TEST_F(AudioPathTest, SampleBasedEncodersTakeEachBlockWhole) {
  ASSERT_NO_FATAL_FAILURE(Start("out.wav", "acodec=pcm_s16le"));
  Feed(0, 1000);
  EXPECT_EQ(FifoBytes(), 0u);
  EXPECT_EQ(Ost().SyncPos, 1000);
  EXPECT_EQ(run_->job.run.AudioBytes, 4000);
  Feed(ClockOf(1000), 300);
  EXPECT_EQ(Ost().SyncPos, 1300);
  EXPECT_EQ(run_->job.run.AudioBytes, 5200);
  EXPECT_EQ(Finish().Frames(), 1300);
}

TEST_F(AudioPathTest, AChannelCountOtherThanTheEncodersTurnsTheResamplerOn) {
  ASSERT_NO_FATAL_FAILURE(Start("out.wav", "acodec=pcm_s16le"));
  ASSERT_FALSE(Ost().AudioResample);
  Ist().RequestedChannels = 6;  // blocks arrive as 5.1
  Feed(0, kBlockSamples, 6);
  EXPECT_TRUE(Ost().AudioResample);
  ASSERT_NE(Ost().Resampler, nullptr);
  const testing::DecodedAudio audio = Finish();
  ASSERT_EQ(audio.channels, 2);
  EXPECT_EQ(audio.Frames(), kBlockSamples);
  EXPECT_GT(audio.At(kBlockSamples / 2, 0), 0);
}

TEST_F(AudioPathTest, APairTheResamplerRefusesEndsTheRun) {
  ASSERT_NO_FATAL_FAILURE(Start("out.wav", "acodec=pcm_s16le"));
  Ist().RequestedChannels = 65;
  try {
    Feed(0, 16, 65);
    ADD_FAILURE() << "no exception";
  } catch (const FFMpegException& error) {
    EXPECT_STREQ(error.what(), "Can not resample 65 channels @ 44100 Hz to 2 channels @ 44100 Hz");
  }
  EXPECT_EQ(Ost().Resampler, nullptr);
}

}  // namespace
}  // namespace quorbel
