// Reader-driven delivery: every packet of the file arrives on the pin of its stream, stamped
// and flagged, in a new segment, with one end of stream per pin; the reader's callbacks on
// their own; the time limits of the reader handshakes.
#include <gtest/gtest.h>

#include <algorithm>

#include "filter/media_sample_buffer.h"
#include "gated_source.h"
#include "parser_graph.h"
#include "quorbel/fixtures.h"
#include "wmsdk/sample_buffer.h"

namespace quorbel::testing {
namespace {

using namespace wmsdk;
using fixtures::Fixture;

constexpr REFERENCE_TIME kNoStop = INT64_MAX;

struct AsfFile {
  const char* label;
  std::string path;
};

std::string LabelOf(const ::testing::TestParamInfo<AsfFile>& info) {
  return info.param.label;
}

class PlayToTheEnd : public ::testing::TestWithParam<AsfFile> {};

TEST_P(PlayToTheEnd, DeliversEveryPacketOnThePinOfItsStreamStampedAndFlagged) {
  const auto demuxed = DemuxAsf(GetParam().path);
  ParserGraph chain(GetParam().path);
  ASSERT_EQ(chain.connected, S_OK);
  ASSERT_EQ(chain.graph->Run(), S_OK);
  ASSERT_TRUE(chain.WaitForEnd());

  int n = 0;
  for (const auto& [number, packets] : demuxed) {
    const std::vector<ReceivedSample> samples = chain.In(n).Samples();
    ASSERT_EQ(samples.size(), packets.size()) << "stream " << number;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const ReceivedSample& got = samples[i];
      const DemuxedPacket& packet = packets[i];
      const REFERENCE_TIME time = std::max<int64_t>(0, packet.timeHns);
      ASSERT_TRUE(got.timed);
      EXPECT_EQ(got.start, time) << "stream " << number << " sample " << i;
      EXPECT_EQ(got.end, time + std::max<int64_t>(0, packet.durationHns));
      EXPECT_EQ(got.length, packet.size);
      EXPECT_EQ(got.hash, packet.hash) << "the bytes of sample " << i;
      EXPECT_EQ(got.syncPoint, packet.key);
      EXPECT_EQ(got.discontinuity, i == 0) << "only the first sample since activation";
      EXPECT_FALSE(got.preroll);
      EXPECT_EQ(got.segmentsBefore, 1u) << "a new segment opens the stream";
    }
    const std::vector<ReceivedSegment> segments = chain.In(n).Segments();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].start, 0);
    EXPECT_EQ(segments[0].stop, kNoStop);
    EXPECT_EQ(segments[0].rate, 1.0);
    ++n;
  }
  ASSERT_EQ(chain.graph->Stop(), S_OK);
  for (int pin = 0; pin < chain.OutputCount(); ++pin) EXPECT_EQ(chain.In(pin).EndOfStreams(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    AsfFiles, PlayToTheEnd,
    ::testing::Values(AsfFile{"fixture_av", fixtures::Path(Fixture::kAsfWmv2Wmav2)},
                      AsfFile{"fixture_audio_only", fixtures::Path(Fixture::kAsfAudioOnly)},
                      AsfFile{"fixture_video_only", fixtures::Path(Fixture::kAsfVideoOnly)},
                      AsfFile{"fixture_truncated", fixtures::Path(Fixture::kAsfTruncated)},
                      AsfFile{"glass", SamplePath("glass_wmv1_wmav2.wmv")},
                      AsfFile{"tiny", SamplePath("tiny_wmv2_wmav2.asf")},
                      AsfFile{"mp4s", SamplePath("mp4s_wmav2.wmv")}),
    LabelOf);

TEST(Delivery, AtRateTwoSampleTimesAreHalvedAndTheSegmentCarriesTheRate) {
  const std::string path = fixtures::Path(Fixture::kAsfWmv2Wmav2);
  const auto demuxed = DemuxAsf(path);
  ParserGraph chain(path);
  ASSERT_EQ(chain.Out(0).SetRate(2.0), S_OK);
  ASSERT_EQ(chain.graph->Run(), S_OK);
  ASSERT_TRUE(chain.WaitForEnd());
  int n = 0;
  for (const auto& [number, packets] : demuxed) {
    const std::vector<ReceivedSample> samples = chain.In(n).Samples();
    ASSERT_EQ(samples.size(), packets.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const int64_t time = std::max<int64_t>(0, packets[i].timeHns);
      EXPECT_EQ(samples[i].start, time / 2);
      EXPECT_EQ(samples[i].end, (time + packets[i].durationHns) / 2);
    }
    EXPECT_EQ(chain.In(n).Segments().at(0).rate, 2.0);
    ++n;
  }
}

TEST(Delivery, AfterASeekWhileStoppedSamplesBeforeTheStartArePreroll) {
  const std::string path = SamplePath("glass_wmv1_wmav2.wmv");
  const auto demuxed = DemuxAsf(path);
  ParserGraph chain(path);
  constexpr REFERENCE_TIME kStart = 200000000;
  LONGLONG start = kStart;
  ASSERT_EQ(chain.Out(0).SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
  // Stopped: neither the pins nor the reader were touched.
  for (int n = 0; n < chain.OutputCount(); ++n) {
    EXPECT_EQ(chain.In(n).BeginFlushes(), 0);
    EXPECT_TRUE(chain.In(n).Samples().empty());
  }
  ASSERT_EQ(chain.graph->Run(), S_OK);
  ASSERT_TRUE(chain.WaitForEnd());
  int n = 0;
  for (const auto& [number, packets] : demuxed) {
    const std::vector<ReceivedSample> samples = chain.In(n).Samples();
    ASSERT_FALSE(samples.empty());
    EXPECT_LT(samples.front().start, 0) << "the reader starts before the position";
    for (const ReceivedSample& sample : samples) {
      EXPECT_EQ(sample.preroll, sample.start < 0);
      // Each sample is a packet of the file, counted from the start position.
      const auto packet = std::find_if(packets.begin(), packets.end(),
                                       [&](const DemuxedPacket& p) { return p.hash == sample.hash; });
      ASSERT_NE(packet, packets.end());
      EXPECT_EQ(sample.start, packet->timeHns - kStart);
    }
    const std::vector<ReceivedSegment> segments = chain.In(n).Segments();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].start, kStart);
    ++n;
  }
  // The video stream starts at a key frame.
  for (int pin = 0; pin < chain.OutputCount(); ++pin) {
    if (chain.Out(pin).IsAudio()) continue;
    EXPECT_TRUE(chain.In(pin).Samples().front().syncPoint);
  }
}

TEST(Delivery, AStopPositionEndsEveryStreamAtTheFirstClockStepThatReachesIt) {
  const std::string path = SamplePath("glass_wmv1_wmav2.wmv");
  const auto demuxed = DemuxAsf(path);
  ParserGraph chain(path);
  LONGLONG stop = 15000000;  // 1.5 s: the clock ends the streams at its 2 s step
  ASSERT_EQ(chain.Out(1).SetPositions(nullptr, 0, &stop, AM_SEEKING_AbsolutePositioning), S_OK);
  ASSERT_EQ(chain.graph->Run(), S_OK);
  ASSERT_TRUE(chain.WaitForEnd());

  // The reader delivers in file order up to the first packet past the last clock step.
  std::size_t firstBeyond = SIZE_MAX;
  for (const auto& [number, packets] : demuxed) {
    for (const DemuxedPacket& packet : packets) {
      if (packet.timeHns > 20000000) firstBeyond = std::min(firstBeyond, packet.fileOrder);
    }
  }
  int n = 0;
  for (const auto& [number, packets] : demuxed) {
    const std::size_t expected = static_cast<std::size_t>(std::count_if(
        packets.begin(), packets.end(), [&](const DemuxedPacket& p) { return p.fileOrder < firstBeyond; }));
    EXPECT_EQ(chain.In(n).Samples().size(), expected);
    EXPECT_EQ(chain.In(n).Segments().at(0).stop, 15000000);
    ++n;
  }
  ASSERT_EQ(chain.graph->Stop(), S_OK);
  for (int pin = 0; pin < chain.OutputCount(); ++pin) EXPECT_EQ(chain.In(pin).EndOfStreams(), 1);
}

// The reader's callbacks called directly, on a graph that played its file to the end.
class Callbacks : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(chain_.connected, S_OK);
    ASSERT_EQ(chain_.graph->Run(), S_OK);
    ASSERT_TRUE(chain_.WaitForEnd());
    callback_ = ComPtr<IBaseFilter>(chain_.parser.Get()).As<IWMReaderCallbackAdvanced>();
    ASSERT_TRUE(callback_);
    for (int n = 0; n < chain_.OutputCount(); ++n) {
      if (chain_.Out(n).IsAudio()) audio_ = n;
      if (!chain_.Out(n).IsAudio()) video_ = n;
    }
  }
  WORD NumberOf(int pin) {
    const auto demuxed = DemuxAsf(fixtures::Path(Fixture::kAsfWmv2Wmav2));
    auto stream = demuxed.begin();
    std::advance(stream, pin);
    return static_cast<WORD>(stream->first);
  }
  // A buffer from AllocateForStream, filled with size bytes of value.
  ComPtr<INSSBuffer> Filled(WORD number, DWORD size, BYTE value, BYTE** data) {
    ComPtr<INSSBuffer> buffer;
    EXPECT_EQ(callback_->AllocateForStream(number, size, buffer.Receive(), nullptr), S_OK);
    EXPECT_EQ(buffer->GetBuffer(data), S_OK);
    std::fill_n(*data, size, value);
    EXPECT_EQ(buffer->SetLength(size), S_OK);
    return buffer;
  }
  // Delivers one sample and returns what the sink received for it.
  ReceivedSample Inject(int pin, QWORD time, QWORD duration, DWORD flags, const BYTE** written = nullptr) {
    BYTE* data = nullptr;
    const ComPtr<INSSBuffer> buffer = Filled(NumberOf(pin), 16, 0x5A, &data);
    if (written != nullptr) *written = data;
    const std::size_t before = chain_.In(pin).Samples().size();
    EXPECT_EQ(callback_->OnStreamSample(NumberOf(pin), time, duration, flags, buffer.Get(), nullptr), S_OK);
    EXPECT_TRUE(chain_.In(pin).WaitFor([&] { return chain_.In(pin).Samples().size() == before + 1; }));
    return chain_.In(pin).Samples().back();
  }

  ParserGraph chain_{fixtures::Path(Fixture::kAsfWmv2Wmav2)};
  ComPtr<IWMReaderCallbackAdvanced> callback_;
  int audio_ = -1;
  int video_ = -1;
};

TEST_F(Callbacks, TheReaderWritesIntoTheDownstreamBufferThatIsDeliveredUnchanged) {
  const BYTE* written = nullptr;
  const ReceivedSample got = Inject(video_, 5000000, 400000, WM_SF_CLEANPOINT, &written);
  EXPECT_EQ(got.data, written) << "no copy between the reader's buffer and the delivered sample";
  EXPECT_EQ(got.length, 16);
  const BYTE expected[16] = {0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A,
                             0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A};
  EXPECT_EQ(got.hash, HashBytes(expected, 16));
  EXPECT_EQ(got.start, 5000000);
  EXPECT_EQ(got.end, 5400000);
  EXPECT_TRUE(got.syncPoint);
  EXPECT_FALSE(got.discontinuity);
}

TEST_F(Callbacks, TheReadersDiscontinuityCountsOnAudioOnlyAfterDataLoss) {
  struct Case {
    bool audio;
    DWORD flags;
    bool discontinuity;
  } cases[] = {
      {true, WM_SF_DISCONTINUITY, false},
      {true, WM_SF_DATALOSS, true},
      {true, WM_SF_DISCONTINUITY | WM_SF_DATALOSS, true},
      {false, WM_SF_DISCONTINUITY, true},
      {false, WM_SF_DATALOSS, true},
      {false, 0, false},
  };
  for (const Case& c : cases) {
    const ReceivedSample got = Inject(c.audio ? audio_ : video_, 10000000, 0, c.flags);
    EXPECT_EQ(got.discontinuity, c.discontinuity) << (c.audio ? "audio " : "video ") << c.flags;
  }
  // Everything sent after the end went behind it in each queue: the end came once.
  for (int n = 0; n < chain_.OutputCount(); ++n) EXPECT_EQ(chain_.In(n).EndOfStreams(), 1);
}

TEST_F(Callbacks, RefuseWhatIsNotTheirs) {
  ComPtr<INSSBuffer> buffer;
  EXPECT_EQ(callback_->AllocateForStream(99, 16, buffer.Receive(), nullptr), E_INVALIDARG);
  EXPECT_FALSE(buffer);
  ComPtr<IMemAllocator> allocator;
  chain_.In(video_).GetAllocator(allocator.Receive());
  ALLOCATOR_PROPERTIES properties{};
  allocator->GetProperties(&properties);
  EXPECT_EQ(callback_->AllocateForStream(NumberOf(video_), static_cast<DWORD>(properties.cbBuffer) + 1,
                                         buffer.Receive(), nullptr),
            E_FAIL);
  EXPECT_FALSE(buffer);

  // A buffer that is not the filter's own, a stream without a pin, a buffer already delivered.
  ComPtr<INSSBuffer> foreign(new CNSSBuffer(16));
  EXPECT_EQ(callback_->OnStreamSample(NumberOf(video_), 0, 0, 0, foreign.Get(), nullptr), E_NOINTERFACE);
  BYTE* data = nullptr;
  const ComPtr<INSSBuffer> own = Filled(NumberOf(video_), 16, 1, &data);
  EXPECT_EQ(callback_->OnStreamSample(99, 0, 0, 0, own.Get(), nullptr), E_INVALIDARG);
  EXPECT_EQ(callback_->OnStreamSample(NumberOf(video_), 0, 0, 0, own.Get(), nullptr), S_OK);
  EXPECT_EQ(callback_->OnStreamSample(NumberOf(video_), 0, 0, 0, own.Get(), nullptr), E_INVALIDARG);
  DWORD length = 0;
  EXPECT_EQ(own->GetLength(&length), E_NOINTERFACE) << "the sample went downstream";

  // The end was delivered: the clock stops.
  EXPECT_EQ(callback_->OnTime(100000000, nullptr), S_FALSE);
  EXPECT_EQ(callback_->AllocateForOutput(0, 16, buffer.Receive(), nullptr), E_NOTIMPL);
  EXPECT_EQ(ComPtr<IBaseFilter>(chain_.parser.Get())
                .As<IWMReaderCallback>()
                ->OnSample(0, 0, 0, 0, nullptr, nullptr),
            S_FALSE);

  // Stopped, the allocators hand out nothing.
  ASSERT_EQ(chain_.graph->Stop(), S_OK);
  EXPECT_EQ(callback_->AllocateForStream(NumberOf(video_), 16, buffer.Receive(), nullptr),
            VFW_E_NOT_COMMITTED);
}

TEST_F(Callbacks, AReaderErrorAbortsTheGraphWithItsResult) {
  ComPtr<IWMStatusCallback> status = ComPtr<IBaseFilter>(chain_.parser.Get()).As<IWMStatusCallback>();
  ASSERT_EQ(status->OnStatus(WMT_ERROR, E_ACCESSDENIED, WMT_TYPE_DWORD, nullptr, nullptr), S_OK);
  long code = 0;
  ASSERT_EQ(chain_.graph->WaitForCompletion(0, &code), S_OK);
  EXPECT_EQ(code, EC_ERRORABORT);
  long event = 0;
  LONG_PTR param1 = 0;
  LONG_PTR param2 = 0;
  bool found = false;
  while (chain_.graph->GetEvent(&event, &param1, &param2, 0) == S_OK) {
    if (event == EC_ERRORABORT) found = param1 == E_ACCESSDENIED;
  }
  EXPECT_TRUE(found);
}

// The handshakes with the reader give up after their time limit; a status that comes later
// changes nothing.
TEST(Handshakes, AReaderThatDoesNotAnswerInTimeFailsTheOpenWithATimeout) {
  ComPtr<GatedSource> source(new GatedSource(SamplePath("glass_wmv1_wmav2.wmv")));
  source->Close(1000);
  ParserGraph chain(source.Get(), false, wmvparser::HandshakeLimits{50, 10000, 10000});
  EXPECT_EQ(chain.connected, VFW_E_TIMEOUT);
  EXPECT_EQ(chain.parser->GetPinCount(), 1);
  EXPECT_FALSE(chain.ParserInput()->IsConnected());
  source->Open();
}

TEST(Handshakes, StopAndCloseGoOnWhenTheReaderHangsAndTheFilterPlaysAgainAfterwards) {
  const std::string path = SamplePath("glass_wmv1_wmav2.wmv");
  const auto demuxed = DemuxAsf(path);
  ComPtr<GatedSource> source(new GatedSource(path));
  ParserGraph chain(source.Get(), true, wmvparser::HandshakeLimits{60000, 50, 50});
  ASSERT_EQ(chain.connected, S_OK);

  // The reader hangs in a read while playing: Stop gives up waiting for it.
  source->Close(30000);
  ASSERT_EQ(chain.graph->Run(), S_OK);
  ASSERT_TRUE(source->WaitUntilWaiting());
  EXPECT_EQ(chain.graph->Stop(), S_OK);
  EXPECT_EQ(source->Waiting(), 1) << "Stop did not wait for the reader";
  source->Open();

  // The late stop status completes nothing: the next play runs to the end.
  for (int n = 0; n < chain.OutputCount(); ++n) chain.In(n).Clear();
  ASSERT_EQ(chain.graph->Run(), S_OK);
  ASSERT_TRUE(chain.WaitForEnd());
  int n = 0;
  for (const auto& [number, packets] : demuxed) EXPECT_EQ(chain.In(n++).Samples().size(), packets.size());

  // Closing while the reader hangs: the file is closed and the pins removed all the same.
  ASSERT_EQ(chain.graph->Stop(), S_OK);
  source->Close(200);
  ASSERT_EQ(chain.graph->Run(), S_OK);
  ASSERT_TRUE(source->WaitUntilWaiting());
  ASSERT_EQ(chain.graph->Stop(), S_OK);
  ComPtr<IPin> upstream;
  ASSERT_EQ(chain.ParserInput()->ConnectedTo(upstream.Receive()), S_OK);
  upstream->Disconnect();
  EXPECT_EQ(chain.ParserInput()->Disconnect(), S_OK);
  EXPECT_EQ(chain.parser->GetPinCount(), 1);
  EXPECT_FALSE(chain.In(0).IsConnected());
  source->Open();
}

}  // namespace
}  // namespace quorbel::testing
