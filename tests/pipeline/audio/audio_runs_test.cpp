// Whole runs that re-encode audio, read back by decoding: every audio codec of the catalogue,
// rate and channel conversion, the volume, A/V alignment of late audio, drift compensation and a
// resampler that refuses its pair.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "decoded_audio.h"
#include "pipeline_test_util.h"

namespace quorbel {
namespace {

using fixtures::Fixture;
using testing::DecodeAudio;
using testing::DecodedAudio;
using testing::PipelineJob;

class AudioRunTest : public testing::PipelineTest {
 protected:
  // Converts input into `file` with the output options; the run's failure message, empty when
  // it succeeded.
  std::string Convert(Fixture input, const std::string& file, const std::string& options,
                      const std::string& inputOptions = "") {
    PipelineJob run;
    run.job.SetVerbosity(verbosity_);
    run.AddInput(fixtures::Path(input), inputOptions);
    run.AddOutput(Path(file), options);
    if (::testing::Test::HasFatalFailure()) return "setup failed";
    const std::string failure = run.Run();
    lines_ = run.lines;
    run.job.SetVerbosity(1);
    return failure;
  }
  int Logged(const std::string& prefix) const {
    int count = 0;
    for (const std::string& line : lines_) count += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
  }

  int verbosity_ = 1;
  std::vector<std::string> lines_;
};

// Time (s) of the first video frame after `afterSeconds` whose top-left marker square is white:
// the fixtures show it in the frame that spans each whole second.
double FirstMarkedFrame(const std::string& path, double afterSeconds) {
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) return NAN;
  const InputFormatContextPtr file(opened);
  if (avformat_find_stream_info(opened, nullptr) < 0) return NAN;
  const int index = av_find_best_stream(opened, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) return NAN;
  const AVStream* stream = opened->streams[index];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  const CodecContextPtr decoder(avcodec_alloc_context3(codec));
  avcodec_parameters_to_context(decoder.get(), stream->codecpar);
  decoder->pkt_timebase = stream->time_base;
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0) return NAN;
  const FramePtr frame = MakeFrame();
  const PacketPtr packet = MakePacket();
  double found = NAN;
  const auto receive = [&] {
    while (std::isnan(found) && avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
      const double seconds = static_cast<double>(frame->best_effort_timestamp) * av_q2d(stream->time_base);
      const int square = std::max(8, frame->height / 8);
      int64_t sum = 0;
      for (int y = 2; y < square - 2; ++y) {
        for (int x = 2; x < square - 2; ++x) sum += frame->data[0][y * frame->linesize[0] + x];
      }
      if (seconds > afterSeconds && sum / ((square - 4) * (square - 4)) > 200) found = seconds;
      av_frame_unref(frame.get());
    }
  };
  while (std::isnan(found) && av_read_frame(opened, packet.get()) >= 0) {
    if (packet->stream_index == index && avcodec_send_packet(decoder.get(), packet.get()) >= 0) receive();
    av_packet_unref(packet.get());
  }
  avcodec_send_packet(decoder.get(), nullptr);
  receive();
  return found;
}

TEST_F(AudioRunTest, EveryCatalogueCodecEncodesAndDecodesAgain) {
  const struct {
    const char* codec;  // as the application asks for it
    const char* file;
    int rate;
    int channels;
    const char* decodedAs;
    const char* extra;
  } cases[] = {
      {"mp2", "mp2.mp2", 44100, 2, "mp2", ""},
      {"ac3", "ac3.ac3", 48000, 2, "ac3", ""},
      {"aac", "aac.m4a", 44100, 2, "aac", ""},
      {"libfaac", "libfaac.mp4", 44100, 2, "aac", ""},
      {"mpeg4aac", "mpeg4aac.aac", 22050, 1, "aac", ""},
      {"libmp3lame", "lame.mp3", 44100, 2, "mp3", ""},
      {"libopencore_amrnb", "amrnb.3gp", 8000, 1, "amr_nb", "ab=12200\n"},
      {"libamr_nb", "amrnb.amr", 8000, 1, "amr_nb", "ab=12200\n"},
      // The library's own Vorbis encoder is marked experimental; naming it is enough.
      {"vorbis", "vorbis.ogg", 44100, 2, "vorbis", ""},
      {"libvorbis", "libvorbis.ogg", 44100, 2, "vorbis", ""},
      {"wmav2", "wmav2.wma", 44100, 2, "wmav2", ""},
      {"flac", "flac.flac", 44100, 2, "flac", ""},
      {"pcm_s16le", "s16le.wav", 44100, 2, "pcm_s16le", ""},
      {"pcm_s16be", "s16be.au", 44100, 2, "pcm_s16be", ""},
      // Sample-based encoders of other sample widths size their output themselves.
      {"pcm_s24le", "s24le.wav", 44100, 2, "pcm_s24le", ""},
      {"pcm_s32le", "s32le.wav", 44100, 2, "pcm_s32le", ""},
      {"pcm_u8", "u8.wav", 44100, 2, "pcm_u8", ""},
      {"pcm_alaw", "alaw.wav", 8000, 1, "pcm_alaw", ""},
  };
  const double lengthSeconds = static_cast<double>(fixtures::Info(Fixture::kMp3Only).lengthMs) / 1000.0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codec);
    const std::string options = std::string("acodec=") + c.codec + "\nar=" + std::to_string(c.rate) +
                                "\nac=" + std::to_string(c.channels) + "\n" + c.extra;
    ASSERT_EQ(Convert(Fixture::kMp3Only, c.file, options), "");
    const DecodedAudio audio = DecodeAudio(Path(c.file));
    ASSERT_TRUE(audio.opened);
    EXPECT_EQ(audio.codec, c.decodedAs);
    EXPECT_EQ(audio.sampleRate, c.rate);
    EXPECT_EQ(audio.channels, c.channels);
    EXPECT_EQ(audio.decodeErrors, 0);
    EXPECT_NEAR(audio.Seconds(), lengthSeconds, 0.1);
    EXPECT_GT(audio.Peak(), 4000);
    // The tone falls silent at 1 s, in every codec at the same place.
    EXPECT_NEAR(audio.SilenceAfterSound(0.5), 1.0, 0.05);
  }
}

TEST_F(AudioRunTest, FrameThreadedDecodersKeepTheClockOfTheirPackets) {
  // The FLAC decoder returns frames a few packets late when it runs on several threads.
  for (const int threads : {1, 0, 4}) {
    SCOPED_TRACE(threads);
    PipelineJob run;
    run.job.CodecThreads = threads;
    run.AddInput(fixtures::Path(Fixture::kAudioOnly));
    run.AddOutput(Path("threads.wav"), "acodec=pcm_s16le\nasync=1\n");
    ASSERT_EQ(run.Run(), "");
    const DecodedAudio audio = DecodeAudio(Path("threads.wav"));
    ASSERT_TRUE(audio.opened);
    EXPECT_NEAR(audio.SilenceAfterSound(0.5), 1.0, 0.01);
  }
}

TEST_F(AudioRunTest, SampleBasedEncodersReceiveTheResamplersTail) {
  // 22050 Hz mono doubled to 44100 Hz: every input sample comes out twice, none is left behind.
  ASSERT_EQ(Convert(Fixture::kWavPcm, "tail.wav", "acodec=pcm_s16le\nar=44100"), "");
  const DecodedAudio audio = DecodeAudio(Path("tail.wav"));
  ASSERT_TRUE(audio.opened);
  const auto inputFrames = fixtures::Info(Fixture::kWavPcm).lengthMs * 22050 / 1000;
  EXPECT_NEAR(static_cast<double>(audio.Frames()), 2.0 * static_cast<double>(inputFrames), 2.0);
}

TEST_F(AudioRunTest, RateAndChannelsAreConverted) {
  const struct {
    Fixture input;
    const char* options;
    int rate;
    int channels;
  } cases[] = {
      {Fixture::kAc3Surround, "ac=2", 48000, 2},  // 5.1 mixed down
      {Fixture::kWav48kStereo, "ar=44100", 44100, 2},
      {Fixture::kAc3Surround, "ar=22050\nac=1", 22050, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    ASSERT_EQ(Convert(c.input, "out.wav", std::string("acodec=pcm_s16le\n") + c.options), "");
    const DecodedAudio audio = DecodeAudio(Path("out.wav"));
    ASSERT_TRUE(audio.opened);
    EXPECT_EQ(audio.sampleRate, c.rate);
    EXPECT_EQ(audio.channels, c.channels);
    EXPECT_NEAR(audio.Seconds(), 2.0, 0.05);
    for (int channel = 0; channel < audio.channels; ++channel) {
      int peak = 0;
      for (int64_t i = 0; i < audio.Frames(); ++i) peak = std::max(peak, std::abs(int{audio.At(i, channel)}));
      EXPECT_GT(peak, 4000) << "channel " << channel;
    }
    EXPECT_NEAR(audio.SilenceAfterSound(0.5), 1.0, 0.01);
  }
}

TEST_F(AudioRunTest, VolumeScalesTheLevel) {
  const auto peakWith = [&](int volume) {
    const std::string file = "vol" + std::to_string(volume) + ".wav";
    EXPECT_EQ(Convert(Fixture::kWavPcm, file, "acodec=pcm_s16le\nvol=" + std::to_string(volume)), "");
    return static_cast<double>(DecodeAudio(Path(file)).Peak());
  };
  const double unchanged = peakWith(256);
  ASSERT_GT(unchanged, 4000);
  EXPECT_NEAR(peakWith(512) / unchanged, 2.0, 0.01);
  EXPECT_NEAR(peakWith(128) / unchanged, 0.5, 0.01);
}

TEST_F(AudioRunTest, LateAudioStaysAlignedWithTheCopiedVideo) {
  // The fixture's audio starts 0.49 s after its video (its encoder's delay before 0.5 s); async 1
  // fills the gap with silence, async 0 places the first frame at its time.
  const double audioFrameSeconds = 1152.0 / 48000;
  const struct {
    int async;
    double audioStart;
  } cases[] = {{1, 0.0}, {0, 0.49}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.async);
    ASSERT_EQ(
        Convert(Fixture::kAvOffset, "out.mkv", "vcodec=copy\nacodec=mp2\nasync=" + std::to_string(c.async)),
        "");
    const DecodedAudio audio = DecodeAudio(Path("out.mkv"));
    ASSERT_TRUE(audio.opened);
    EXPECT_NEAR(audio.startSeconds, c.audioStart, audioFrameSeconds);
    const double marker = FirstMarkedFrame(Path("out.mkv"), 0.5);
    const double gap = audio.SilenceAfterSound(0.0);
    ASSERT_NEAR(marker, 1.0, 0.04);
    EXPECT_NEAR(gap - marker, 0.0, audioFrameSeconds);
  }
}

TEST_F(AudioRunTest, DriftIsCompensatedOnlyAboveAsyncOne) {
  // Input timestamps run 1 % fast: the clock gains 220 samples a second on the samples.
  const double inputFrames = 2.0 * 22050;
  verbosity_ = 3;  // the compensation lines are debug lines
  ASSERT_EQ(Convert(Fixture::kWavPcm, "async1.wav", "acodec=pcm_s16le\nasync=1", "itsscale=0:1.01"), "");
  EXPECT_EQ(Logged("compensating "), 0);
  EXPECT_NEAR(static_cast<double>(DecodeAudio(Path("async1.wav")).Frames()), inputFrames, 32);

  ASSERT_EQ(Convert(Fixture::kWavPcm, "async100.wav", "acodec=pcm_s16le\nasync=100", "itsscale=0:1.01"), "");
  EXPECT_GT(Logged("compensating audio timestamp drift:"), 0);
  EXPECT_EQ(Logged("adding "), 0);
  const auto stretched = static_cast<double>(DecodeAudio(Path("async100.wav")).Frames());
  // At most 100 samples a second are absorbed, and the drift builds up from nothing.
  EXPECT_GT(stretched - inputFrames, 50);
  EXPECT_LT(stretched - inputFrames, 200);
}

TEST_F(AudioRunTest, ARefusedResamplerPairEndsTheRun) {
  EXPECT_EQ(Convert(Fixture::kWavPcm, "out.wav", "acodec=pcm_s16le\nar=2147483647"),
            "Can not resample 1 channels @ 22050 Hz to 1 channels @ 2147483647 Hz");
}

}  // namespace
}  // namespace quorbel
