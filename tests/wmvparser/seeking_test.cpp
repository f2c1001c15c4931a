// IMediaSeeking on the output pins: the shared positions, the seeking role, the flags of
// SetPositions, the rate, and seeking while playing.
#include <gtest/gtest.h>

#include <cmath>

#include "parser_graph.h"
#include "quorbel/fixtures.h"

namespace quorbel::testing {
namespace {

using fixtures::Fixture;

TEST(Seeking, AnswersForTheFilesPositionsInMediaTime) {
  const std::string path = fixtures::Path(Fixture::kAsfWmv2Wmav2);
  ParserGraph chain(path, false);
  ASSERT_EQ(chain.connected, S_OK);
  IMediaSeeking& seeking = chain.Out(0);

  DWORD capabilities = 0;
  ASSERT_EQ(seeking.GetCapabilities(&capabilities), S_OK);
  EXPECT_EQ(capabilities, 0x37u);
  struct CapabilityCase {
    DWORD asked;
    HRESULT expected;
  } capabilityCases[] = {{AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration, S_OK},
                         {0x37, S_OK},
                         {AM_SEEKING_CanGetCurrentPos, S_FALSE},
                         {AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanPlayBackwards, S_FALSE},
                         {AM_SEEKING_CanDoSegments, S_FALSE}};
  for (const CapabilityCase& c : capabilityCases) {
    DWORD asked = c.asked;
    EXPECT_EQ(seeking.CheckCapabilities(&asked), c.expected) << c.asked;
    EXPECT_EQ(asked, c.asked) << "left unchanged";
  }

  const GUID frame = MakeGuid("{7B785570-8C82-11CF-BC0C-00AA00AC74F6}");
  EXPECT_EQ(seeking.IsFormatSupported(&TIME_FORMAT_MEDIA_TIME), S_OK);
  EXPECT_EQ(seeking.IsFormatSupported(&frame), S_FALSE);
  EXPECT_EQ(seeking.IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME), S_OK);
  EXPECT_EQ(seeking.IsUsingTimeFormat(&frame), S_FALSE);
  GUID format = GUID_NULL;
  EXPECT_EQ(seeking.QueryPreferredFormat(&format), S_OK);
  EXPECT_EQ(format, TIME_FORMAT_MEDIA_TIME);
  format = GUID_NULL;
  EXPECT_EQ(seeking.GetTimeFormat(&format), S_OK);
  EXPECT_EQ(format, TIME_FORMAT_MEDIA_TIME);
  EXPECT_EQ(seeking.SetTimeFormat(&frame), E_NOTIMPL);
  LONGLONG converted = 0;
  EXPECT_EQ(seeking.ConvertTimeFormat(&converted, nullptr, 1234, &TIME_FORMAT_MEDIA_TIME), S_OK);
  EXPECT_EQ(converted, 1234);
  EXPECT_EQ(seeking.ConvertTimeFormat(&converted, &frame, 1234, nullptr), E_INVALIDARG);
  EXPECT_EQ(seeking.ConvertTimeFormat(&converted, nullptr, 1234, &frame), E_INVALIDARG);

  // The duration from the file header: at least up to its last packet, not a second longer.
  int64_t lastTime = 0;
  for (const auto& [number, packets] : DemuxAsf(path)) {
    for (const DemuxedPacket& packet : packets) lastTime = std::max(lastTime, packet.timeHns);
  }
  LONGLONG duration = 0;
  ASSERT_EQ(seeking.GetDuration(&duration), S_OK);
  EXPECT_GE(duration, lastTime);
  EXPECT_LE(duration, lastTime + 10000000);
  LONGLONG stop = 0;
  EXPECT_EQ(seeking.GetStopPosition(&stop), S_OK);
  EXPECT_EQ(stop, duration) << "no stop position: the duration";
  LONGLONG current = -1;
  EXPECT_EQ(seeking.GetCurrentPosition(&current), E_NOTIMPL);
  EXPECT_EQ(seeking.GetPositions(&current, &stop), S_OK);
  EXPECT_EQ(current, 0);
  LONGLONG earliest = -1;
  LONGLONG latest = -1;
  EXPECT_EQ(seeking.GetAvailable(&earliest, &latest), S_OK);
  EXPECT_EQ(earliest, 0);
  EXPECT_EQ(latest, duration);
  EXPECT_EQ(seeking.GetAvailable(nullptr, &latest), S_OK);
  LONGLONG preroll = -1;
  EXPECT_EQ(seeking.GetPreroll(&preroll), S_OK);
  EXPECT_EQ(preroll, 0);
  double rate = 0;
  EXPECT_EQ(seeking.GetRate(&rate), S_OK);
  EXPECT_EQ(rate, 1.0);
}

TEST(Seeking, OnlyThePinHoldingTheRoleMovesThePositions) {
  ParserGraph chain(fixtures::Path(Fixture::kAsfWmv2Wmav2), false);
  ASSERT_EQ(chain.OutputCount(), 2);
  IMediaSeeking& first = chain.Out(0);
  IMediaSeeking& second = chain.Out(1);

  LONGLONG position = 5000000;
  ASSERT_EQ(first.SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
  position = 9000000;
  EXPECT_EQ(second.SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
  EXPECT_EQ(second.SetRate(2.0), S_OK);
  LONGLONG current = 0;
  EXPECT_EQ(second.GetPositions(&current, nullptr), S_OK);
  EXPECT_EQ(current, 5000000) << "the second pin changed nothing";
  double rate = 0;
  second.GetRate(&rate);
  EXPECT_EQ(rate, 1.0);

  EXPECT_EQ(second.SetTimeFormat(&TIME_FORMAT_MEDIA_TIME), E_NOTIMPL);
  EXPECT_EQ(first.SetTimeFormat(&TIME_FORMAT_NONE), S_OK);
  EXPECT_EQ(second.SetTimeFormat(&TIME_FORMAT_MEDIA_TIME), S_OK);
  EXPECT_EQ(first.SetTimeFormat(&TIME_FORMAT_MEDIA_TIME), E_NOTIMPL);
  EXPECT_EQ(second.SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
  EXPECT_EQ(first.GetPositions(&current, nullptr), S_OK);
  EXPECT_EQ(current, 9000000);
}

TEST(Seeking, PositioningFlagsAndTheRate) {
  ParserGraph chain(fixtures::Path(Fixture::kAsfWmv2Wmav2), false);
  IMediaSeeking& seeking = chain.Out(0);
  LONGLONG duration = 0;
  seeking.GetDuration(&duration);

  struct Case {
    const char* what;
    LONGLONG current;
    DWORD currentFlags;
    LONGLONG stop;
    DWORD stopFlags;
    HRESULT result;
    LONGLONG expectedStart;
    LONGLONG expectedStop;  // -1: none set (GetStopPosition reports the duration)
  } cases[] = {
      {"relative stop counts from the duration", 0, 0, -1000000, AM_SEEKING_RelativePositioning, S_OK, 0,
       duration - 1000000},
      {"absolute start, absolute stop", 4000000, AM_SEEKING_AbsolutePositioning, 9000000,
       AM_SEEKING_AbsolutePositioning, S_OK, 4000000, 9000000},
      {"relative start, stop unchanged", 1000000, AM_SEEKING_RelativePositioning, 0, AM_SEEKING_NoPositioning,
       S_OK, 5000000, 9000000},
      {"incremental start keeps it, incremental stop counts from it", 7, AM_SEEKING_IncrementalPositioning,
       2000000, AM_SEEKING_IncrementalPositioning, S_OK, 5000000, 7000000},
      {"relative stop counts from the stop", 0, AM_SEEKING_NoPositioning, 500000,
       AM_SEEKING_RelativePositioning, S_OK, 5000000, 7500000},
      {"other bits alone ask for nothing", 1, AM_SEEKING_SeekToKeyFrame | AM_SEEKING_ReturnTime, 1,
       AM_SEEKING_ReturnTime, S_FALSE, 5000000, 7500000},
  };
  for (const Case& c : cases) {
    LONGLONG current = c.current;
    LONGLONG stop = c.stop;
    EXPECT_EQ(seeking.SetPositions(&current, c.currentFlags, &stop, c.stopFlags), c.result) << c.what;
    EXPECT_EQ(current, c.current) << "no time is written back";
    LONGLONG start = -1;
    LONGLONG reported = -1;
    EXPECT_EQ(seeking.GetPositions(&start, &reported), S_OK);
    EXPECT_EQ(start, c.expectedStart) << c.what;
    EXPECT_EQ(reported, c.expectedStop) << c.what;
  }

  // A rate the reader cannot play is recorded for stamping; the reader plays at 1.
  EXPECT_EQ(seeking.SetRate(0.5), S_OK);
  double rate = 0;
  seeking.GetRate(&rate);
  EXPECT_EQ(rate, 0.5);
  ASSERT_EQ(chain.parser->Pause(), S_OK);
  ASSERT_EQ(chain.parser->Stop(), S_OK);
  // Backwards is refused by the reader when it starts.
  EXPECT_EQ(seeking.SetRate(-2.0), S_OK);
  EXPECT_EQ(chain.parser->Pause(), E_NOTIMPL);
  ASSERT_EQ(chain.parser->Stop(), S_OK);
  // Stamps are divided by the rate: 0 and values that are not finite are refused.
  EXPECT_EQ(seeking.SetRate(0.0), E_INVALIDARG);
  EXPECT_EQ(seeking.SetRate(std::nan("")), E_INVALIDARG);
  seeking.GetRate(&rate);
  EXPECT_EQ(rate, -2.0);
}

TEST(Seeking, TheRoleGoesWithThePinsWhenTheInputIsDisconnected) {
  ParserGraph chain(fixtures::Path(Fixture::kAsfWmv2Wmav2), false);
  ComPtr<IMediaSeeking> old(static_cast<IMediaSeeking*>(&chain.Out(0)));
  ASSERT_EQ(old->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME), S_OK);
  ComPtr<IPin> upstream;
  ASSERT_EQ(chain.ParserInput()->ConnectedTo(upstream.Receive()), S_OK);
  upstream->Disconnect();
  ASSERT_EQ(chain.ParserInput()->Disconnect(), S_OK);
  ASSERT_EQ(chain.graph->ConnectDirect(upstream.Get(), chain.ParserInput(), nullptr), S_OK);

  // A pin of the new file can take the role; the removed one cannot take it back.
  IMediaSeeking& fresh = chain.Out(1);
  EXPECT_EQ(fresh.SetTimeFormat(&TIME_FORMAT_MEDIA_TIME), S_OK);
  EXPECT_EQ(fresh.SetTimeFormat(&TIME_FORMAT_NONE), S_OK);
  EXPECT_EQ(old->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME), E_NOTIMPL);
  LONGLONG position = 3000000;
  EXPECT_EQ(old->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
  LONGLONG current = -1;
  fresh.GetPositions(&current, nullptr);
  EXPECT_EQ(current, 0) << "positions survive a new file; the removed pin changed nothing";
}

TEST(Seeking, WhilePlayingFlushesRestartsAtTheNewPositionAndAStopAloneDoesNotFlush) {
  const std::string path = SamplePath("glass_wmv1_wmav2.wmv");
  const auto demuxed = DemuxAsf(path);
  ParserGraph chain(path);
  // Downstream keeps every sample: the reader waits for buffers part way through the file.
  for (int n = 0; n < chain.OutputCount(); ++n) chain.In(n).Keep(true);
  ASSERT_EQ(chain.graph->Run(), S_OK);
  int video = chain.Out(0).IsAudio() ? 1 : 0;
  ASSERT_TRUE(chain.In(video).WaitFor([&] { return chain.In(video).Samples().size() >= 200; }));
  // What the queues held when the flush came is dropped: let the audio queue deliver some first.
  ASSERT_TRUE(chain.In(1 - video).WaitFor([&] { return !chain.In(1 - video).Samples().empty(); }));

  // A stop alone: recorded without a flush; the streams end at the clock step that reaches it.
  LONGLONG stop = 250000000;
  ASSERT_EQ(chain.Out(0).SetPositions(nullptr, 0, &stop, AM_SEEKING_AbsolutePositioning), S_OK);
  EXPECT_EQ(chain.In(0).BeginFlushes(), 0);

  // A seek: every pin is flushed, then the streams start again at the new position.
  // Back to 10 s, before the reader's position: glass has a key frame at 6 s.
  constexpr LONGLONG kStart = 100000000;
  LONGLONG start = kStart;
  ASSERT_EQ(chain.Out(0).SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
  for (int n = 0; n < chain.OutputCount(); ++n) {
    EXPECT_EQ(chain.In(n).BeginFlushes(), 1);
    EXPECT_EQ(chain.In(n).EndFlushes(), 1);
    chain.In(n).Keep(false);
  }
  ASSERT_TRUE(chain.WaitForEnd());
  for (int n = 0; n < chain.OutputCount(); ++n) {
    const std::vector<ReceivedSegment> segments = chain.In(n).Segments();
    ASSERT_EQ(segments.size(), 2u) << "pin " << n << " first segment at " << segments.at(0).start
                                   << " samples " << chain.In(n).Samples().size();
    EXPECT_EQ(segments[1].start, kStart);
    EXPECT_EQ(segments[1].stop, 250000000);
    const std::vector<ReceivedSample> samples = chain.In(n).Samples();
    const auto restarted = std::find_if(samples.begin(), samples.end(),
                                        [](const ReceivedSample& s) { return s.segmentsBefore == 2; });
    ASSERT_NE(restarted, samples.end());
    EXPECT_TRUE(restarted->discontinuity);
    EXPECT_LE(restarted->start, 0);
    // The stop position ends the streams at the 25 s clock step, 15 s after the start.
    EXPECT_LE(samples.back().start, 150000000);
    EXPECT_GT(samples.back().start, 140000000);
  }
  ASSERT_EQ(chain.graph->Stop(), S_OK);
  for (int n = 0; n < chain.OutputCount(); ++n) EXPECT_EQ(chain.In(n).EndOfStreams(), 1);
}

}  // namespace
}  // namespace quorbel::testing
