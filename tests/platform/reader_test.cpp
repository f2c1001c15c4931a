// The Windows Media reader on real ASF files and on files it must refuse.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "asf_scan.h"
#include "com/com_ptr.h"
#include "file_stream.h"
#include "quorbel/fixtures.h"
#include "reader_probe.h"
#include "wmsdk/format_blocks.h"
#include "wmsdk/interfaces.h"

namespace quorbel::testing {
namespace {

using namespace wmsdk;

std::string Sample(const std::string& name) {
  return std::string(QUORBEL_SAMPLES_DIR) + "/" + name;
}

// A reader with a probe as its callback; the reader is released before the probe.
struct OpenedReader {
  ComPtr<ReaderProbe> probe;
  ComPtr<IWMReader> reader;
  ComPtr<IWMReaderAdvanced2> advanced;
  HRESULT openResult = E_FAIL;

  explicit OpenedReader(const std::string& path) {
    auto* created = new ReaderProbe();
    created->NonDelegatingAddRef();
    probe = ComPtr<ReaderProbe>::Attach(created);
    EXPECT_EQ(WMCreateReader(nullptr, 0, reader.Receive()), S_OK);
    advanced = reader.As<IWMReaderAdvanced2>();
    ComPtr<IStream> stream = ComPtr<IStream>::Attach(OpenFileStream(path));
    EXPECT_TRUE(stream) << path;
    EXPECT_EQ(advanced->OpenStream(stream.Get(), probe.Get(), nullptr), S_OK);
    EXPECT_TRUE(probe->WaitUntil([&] { return probe->StatusCount(WMT_OPENED) == 1; })) << "no WMT_OPENED";
    openResult = probe->LastResult(WMT_OPENED);
  }
  ~OpenedReader() {
    advanced = nullptr;
    reader = nullptr;
  }

  std::vector<WORD> StreamNumbers() {
    std::vector<WORD> numbers;
    ComPtr<IWMProfile> profile = reader.As<IWMProfile>();
    DWORD count = 0;
    EXPECT_EQ(profile->GetStreamCount(&count), S_OK);
    for (DWORD i = 0; i < count; ++i) {
      ComPtr<IWMStreamConfig> config;
      EXPECT_EQ(profile->GetStream(i, config.Receive()), S_OK);
      WORD number = 0;
      config->GetStreamNumber(&number);
      numbers.push_back(number);
    }
    return numbers;
  }

  // Receives compressed samples of every stream into buffers from AllocateForStream, on the
  // user-provided clock.
  void PrepareDelivery(QWORD start) {
    for (WORD number : StreamNumbers()) {
      EXPECT_EQ(advanced->SetReceiveStreamSamples(number, TRUE), S_OK);
      EXPECT_EQ(advanced->SetAllocateForStream(number, TRUE), S_OK);
    }
    EXPECT_EQ(advanced->SetUserProvidedClock(TRUE), S_OK);
    probe->DriveClock(advanced.Get(), start);
  }

  bool WaitForEnd() {
    return probe->WaitUntil([&] { return probe->StatusCount(WMT_EOF) >= 1; });
  }
};

std::vector<BYTE> MediaTypeOf(IWMReader* reader, DWORD index) {
  ComPtr<IWMStreamConfig> config;
  ComPtr<IWMProfile> profile = ComPtr<IWMReader>(reader).As<IWMProfile>();
  EXPECT_EQ(profile->GetStream(index, config.Receive()), S_OK);
  ComPtr<IWMMediaProps> props = config.As<IWMMediaProps>();
  DWORD size = 0;
  EXPECT_EQ(props->GetMediaType(nullptr, &size), S_OK);
  std::vector<BYTE> bytes(size);
  DWORD small = size - 1;
  EXPECT_EQ(props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(bytes.data()), &small), E_INVALIDARG);
  EXPECT_EQ(small, size);
  EXPECT_EQ(props->GetMediaType(reinterpret_cast<WM_MEDIA_TYPE*>(bytes.data()), &size), S_OK);
  return bytes;
}

// An ASF file of the real-world samples or of the generated fixtures.
struct AsfFile {
  const char* label;
  const char* sample;  // null for a fixture
  fixtures::Fixture fixture;
};

std::string PathOf(const AsfFile& file) {
  return file.sample != nullptr ? Sample(file.sample) : fixtures::Path(file.fixture);
}

const AsfFile kAsfFiles[] = {
    {"glass", "glass_wmv1_wmav2.wmv", {}},
    {"tiny", "tiny_wmv2_wmav2.asf", {}},
    {"mp4s", "mp4s_wmav2.wmv", {}},
    {"fixture_av", nullptr, fixtures::Fixture::kAsfWmv2Wmav2},
    {"fixture_audio_only", nullptr, fixtures::Fixture::kAsfAudioOnly},
    {"fixture_video_only", nullptr, fixtures::Fixture::kAsfVideoOnly},
    {"fixture_truncated", nullptr, fixtures::Fixture::kAsfTruncated},
};

std::string LabelOf(const ::testing::TestParamInfo<AsfFile>& param) {
  return param.param.label;
}

class ReaderOnFile : public ::testing::TestWithParam<AsfFile> {};

TEST_P(ReaderOnFile, DescribesStreamsAndDeliversEveryPacketOnTheClock) {
  const std::string path = PathOf(GetParam());
  const ScannedFile expected = ScanAsf(path);
  ASSERT_TRUE(expected.opened);
  OpenedReader opened(path);
  ASSERT_EQ(opened.openResult, S_OK);

  // Streams: numbers as in the file, types like a filter graph's.
  const std::vector<WORD> numbers = opened.StreamNumbers();
  ASSERT_EQ(numbers.size(), expected.streams.size());
  for (DWORD index = 0; index < numbers.size(); ++index) {
    ASSERT_EQ(expected.streams.count(numbers[index]), 1u);
    const ScannedStream& stream = expected.streams.at(numbers[index]);
    WMT_STREAM_SELECTION selection = WMT_OFF;
    EXPECT_EQ(opened.advanced->GetStreamSelected(numbers[index], &selection), S_OK);
    EXPECT_EQ(selection, WMT_ON);
    DWORD maxSize = 0;
    EXPECT_EQ(opened.advanced->GetMaxStreamSampleSize(numbers[index], &maxSize), S_OK);
    EXPECT_EQ(maxSize, static_cast<DWORD>(stream.maxSize));

    const std::vector<BYTE> bytes = MediaTypeOf(opened.reader.Get(), index);
    WM_MEDIA_TYPE type;
    std::memcpy(&type, bytes.data(), sizeof type);
    EXPECT_EQ(type.subtype, WMMediaSubtypeFromFourCC(stream.codecTag));
    EXPECT_EQ(type.pbFormat, bytes.data() + sizeof(WM_MEDIA_TYPE));
    const BYTE* format = bytes.data() + sizeof(WM_MEDIA_TYPE);
    if (stream.video) {
      EXPECT_EQ(type.majortype, WMMEDIATYPE_Video);
      EXPECT_EQ(type.formattype, WMFORMAT_VideoInfo);
      ASSERT_EQ(type.cbFormat, sizeof(VIDEOINFOHEADER) + stream.extradata.size());
      VIDEOINFOHEADER header;
      std::memcpy(&header, format, sizeof header);
      EXPECT_EQ(header.bmiHeader.biWidth, stream.width);
      EXPECT_EQ(header.bmiHeader.biHeight, stream.height);
      EXPECT_EQ(header.bmiHeader.biCompression, stream.codecTag);
      EXPECT_EQ(std::vector<BYTE>(format + sizeof header, format + type.cbFormat), stream.extradata);
    } else {
      EXPECT_EQ(type.majortype, WMMEDIATYPE_Audio);
      EXPECT_EQ(type.formattype, WMFORMAT_WaveFormatEx);
      ASSERT_EQ(type.cbFormat, sizeof(WAVEFORMATEX) + stream.extradata.size());
      WAVEFORMATEX wave;
      std::memcpy(&wave, format, sizeof wave);
      EXPECT_EQ(wave.wFormatTag, stream.codecTag);
      EXPECT_EQ(wave.nChannels, stream.channels);
      EXPECT_EQ(wave.nSamplesPerSec, static_cast<DWORD>(stream.sampleRate));
      EXPECT_EQ(wave.cbSize, stream.extradata.size());
      EXPECT_EQ(std::vector<BYTE>(format + sizeof wave, format + type.cbFormat), stream.extradata);
    }
  }

  // "Duration": 8 bytes, the file's play duration less its preroll.
  ComPtr<IWMHeaderInfo> header = opened.reader.As<IWMHeaderInfo>();
  WORD streamZero = 0;
  WMT_ATTR_DATATYPE attributeType;
  WORD length = 0;
  ASSERT_EQ(header->GetAttributeByName(&streamZero, u"Duration", &attributeType, nullptr, &length), S_OK);
  EXPECT_EQ(attributeType, WMT_TYPE_QWORD);
  ASSERT_EQ(length, 8);
  QWORD duration = 0;
  ASSERT_EQ(header->GetAttributeByName(&streamZero, u"Duration", &attributeType,
                                       reinterpret_cast<BYTE*>(&duration), &length),
            S_OK);
  int64_t lastTime = 0;
  for (const auto& [number, stream] : expected.streams) {
    for (const ScannedPacket& packet : stream.packets) lastTime = std::max(lastTime, packet.timeHns);
  }
  EXPECT_GE(static_cast<int64_t>(duration), lastTime);
  EXPECT_LE(static_cast<int64_t>(duration), lastTime + 10000000);

  // Delivery: every packet once, in the demuxer's order per stream, with its time and key flag.
  opened.PrepareDelivery(0);
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  ASSERT_TRUE(opened.WaitForEnd());
  const std::vector<ReaderProbe::Sample> samples = opened.probe->Samples();
  ASSERT_EQ(samples.size(), expected.PacketCount());
  std::map<WORD, std::size_t> seen;
  for (const ReaderProbe::Sample& sample : samples) {
    const ScannedStream& stream = expected.streams.at(sample.stream);
    const std::size_t n = seen[sample.stream]++;
    ASSERT_LT(n, stream.packets.size());
    EXPECT_EQ(static_cast<int64_t>(sample.time), std::max<int64_t>(0, stream.packets[n].timeHns)) << n;
    EXPECT_EQ(sample.size, static_cast<DWORD>(stream.packets[n].size));
    EXPECT_EQ((sample.flags & WM_SF_CLEANPOINT) != 0, stream.packets[n].key);
    EXPECT_EQ((sample.flags & WM_SF_DISCONTINUITY) != 0, n == 0) << "only the first sample after Start";
    EXPECT_EQ(sample.flags & WM_SF_DATALOSS, 0u);
    // The clock: a sample goes only when the horizon (one second per OnTime) covers it.
    EXPECT_LE(sample.time, (sample.timesBefore + 1) * 10000000ull);
  }
  const std::vector<QWORD> times = opened.probe->Times();
  for (std::size_t i = 0; i < times.size(); ++i) EXPECT_EQ(times[i], (i + 1) * 10000000ull);
  EXPECT_EQ(opened.probe->StatusCount(WMT_END_OF_STREAMING), 1);
  EXPECT_EQ(opened.probe->StatusCount(WMT_EOF), 1);
  EXPECT_EQ(opened.probe->StatusCount(WMT_STARTED), 1);

  ASSERT_EQ(opened.reader->Close(), S_OK);
  ASSERT_TRUE(opened.probe->WaitUntil([&] { return opened.probe->StatusCount(WMT_CLOSED) == 1; }));
}

INSTANTIATE_TEST_SUITE_P(AsfFiles, ReaderOnFile, ::testing::ValuesIn(kAsfFiles), LabelOf);

TEST(ReaderRefusal, FilesThatAreNotPlayableAsfFailToOpen) {
  const std::string glass = Sample("glass_wmv1_wmav2.wmv");
  const std::string cutHeader = TruncatedCopy(glass, 1500);
  struct Case {
    std::string path;
    HRESULT expected;  // S_FALSE: any failure
  } cases[] = {
      {Sample("drm_protected.wma"), E_ACCESSDENIED},
      {Sample("mpeg4_mp3.avi"), VFW_E_INVALID_FILE_FORMAT},
      {Sample("broken_crafted_loop.wma"), S_FALSE},
      {cutHeader, S_FALSE},
  };
  for (const Case& c : cases) {
    OpenedReader opened(c.path);
    if (c.expected == S_FALSE) {
      EXPECT_TRUE(FAILED(opened.openResult)) << c.path;
    } else {
      EXPECT_EQ(opened.openResult, c.expected) << c.path;
    }
    DWORD count = 0;
    EXPECT_EQ(opened.reader.As<IWMProfile>()->GetStreamCount(&count), E_UNEXPECTED);
  }
  std::remove(cutHeader.c_str());
}

TEST(Reader, FileCutInItsDataEndsWithOneEndOfFile) {
  const std::string glass = Sample("glass_wmv1_wmav2.wmv");
  const std::string cut = TruncatedCopy(glass, 200000);
  const ScannedFile expected = ScanAsf(cut);
  OpenedReader opened(cut);
  ASSERT_EQ(opened.openResult, S_OK);
  opened.PrepareDelivery(0);
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  ASSERT_TRUE(opened.WaitForEnd());
  EXPECT_EQ(opened.probe->Samples().size(), expected.PacketCount());
  EXPECT_GT(expected.PacketCount(), 0u);
  EXPECT_EQ(opened.probe->StatusCount(WMT_END_OF_STREAMING), 1);
  EXPECT_EQ(opened.probe->StatusCount(WMT_EOF), 1);
  std::remove(cut.c_str());
}

class ReaderSeek : public ::testing::TestWithParam<std::pair<AsfFile, QWORD>> {};

TEST_P(ReaderSeek, StartAfterSeekBeginsVideoAtAKeyFrameMarkedDiscontinuous) {
  const std::string path = PathOf(GetParam().first);
  const ScannedFile expected = ScanAsf(path);
  const QWORD kTarget = GetParam().second;
  OpenedReader opened(path);
  ASSERT_EQ(opened.openResult, S_OK);
  opened.PrepareDelivery(kTarget);
  ASSERT_EQ(opened.reader->Start(kTarget, 0, 1.0f, nullptr), S_OK);
  ASSERT_TRUE(opened.WaitForEnd());

  std::map<WORD, std::vector<ReaderProbe::Sample>> byStream;
  for (const ReaderProbe::Sample& sample : opened.probe->Samples()) byStream[sample.stream].push_back(sample);
  for (const auto& [number, stream] : expected.streams) {
    const std::vector<ReaderProbe::Sample>& got = byStream[number];
    ASSERT_FALSE(got.empty());
    EXPECT_NE(got.front().flags & WM_SF_DISCONTINUITY, 0u);
    EXPECT_LE(got.front().time, kTarget + 10000000);
    EXPECT_GE(static_cast<int64_t>(got.front().time), static_cast<int64_t>(kTarget) - 50000000);
    if (stream.video) {
      EXPECT_NE(got.front().flags & WM_SF_CLEANPOINT, 0u);
      // From that key frame on, every packet of the stream.
      std::size_t first = 0;
      while (first < stream.packets.size() &&
             stream.packets[first].timeHns != static_cast<int64_t>(got.front().time)) {
        ++first;
      }
      EXPECT_EQ(got.size(), stream.packets.size() - first);
    }
  }
  EXPECT_EQ(opened.probe->StatusCount(WMT_EOF), 1);
}

INSTANTIATE_TEST_SUITE_P(AsfFiles, ReaderSeek,
                         ::testing::Values(std::make_pair(kAsfFiles[0], QWORD{100000000}),
                                           std::make_pair(kAsfFiles[3], QWORD{10000000})),
                         [](const auto& param) { return std::string(param.param.first.label); });

TEST(Reader, StopWhileHeldInAllocateCompletesAndARestartDeliversEverything) {
  const std::string path = Sample("glass_wmv1_wmav2.wmv");
  const ScannedFile expected = ScanAsf(path);
  OpenedReader opened(path);
  ASSERT_EQ(opened.openResult, S_OK);
  opened.PrepareDelivery(0);
  opened.probe->HoldAllocation(20);
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  ASSERT_TRUE(opened.probe->WaitUntil([&] { return opened.probe->AllocationHeld(); }));

  ASSERT_EQ(opened.reader->Stop(), S_OK);
  ASSERT_TRUE(opened.probe->WaitUntil([&] { return opened.probe->StatusCount(WMT_STOPPED) == 1; }));
  EXPECT_TRUE(opened.probe->AllocationHeld()) << "the stop did not wait for the allocation";
  const std::size_t deliveredBeforeStop = opened.probe->Samples().size();
  EXPECT_EQ(deliveredBeforeStop, 19u);

  // Restart from the beginning once the held allocation returns; its buffer is dropped.
  opened.probe->DriveClock(opened.advanced.Get(), 0);
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  opened.probe->ReleaseHeldAllocation();
  ASSERT_TRUE(opened.WaitForEnd());
  const std::vector<ReaderProbe::Sample> samples = opened.probe->Samples();
  ASSERT_EQ(samples.size(), deliveredBeforeStop + expected.PacketCount());
  EXPECT_NE(samples[deliveredBeforeStop].flags & WM_SF_DISCONTINUITY, 0u);
  const std::vector<WMT_STATUS> statuses = opened.probe->Statuses();
  const std::vector<WMT_STATUS> expectedOrder = {WMT_OPENED,  WMT_STARTED,          WMT_STOPPED,
                                                 WMT_STARTED, WMT_END_OF_STREAMING, WMT_EOF};
  EXPECT_EQ(statuses, expectedOrder);
}

TEST(Reader, CloseWhileBlockedInAllocateDoesNotHang) {
  OpenedReader opened(Sample("glass_wmv1_wmav2.wmv"));
  ASSERT_EQ(opened.openResult, S_OK);
  opened.PrepareDelivery(0);
  opened.probe->HoldAllocation(5);
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  ASSERT_TRUE(opened.probe->WaitUntil([&] { return opened.probe->AllocationHeld(); }));
  ASSERT_EQ(opened.reader->Close(), S_OK);
  ASSERT_TRUE(opened.probe->WaitUntil([&] { return opened.probe->StatusCount(WMT_CLOSED) == 1; }));
  EXPECT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), E_UNEXPECTED);
  opened.probe->ReleaseHeldAllocation();
  // Releasing the reader joins its threads: the allocation has returned and no sample follows.
  opened.advanced = nullptr;
  opened.reader = nullptr;
  EXPECT_EQ(opened.probe->Samples().size(), 4u);
  EXPECT_EQ(opened.probe->Allocations(), 5);
}

TEST(Reader, FailedAllocationLosesOneSampleAndFlagsTheNextOfItsStream) {
  const std::string path = Sample("glass_wmv1_wmav2.wmv");
  const ScannedFile expected = ScanAsf(path);
  OpenedReader opened(path);
  ASSERT_EQ(opened.openResult, S_OK);
  opened.PrepareDelivery(0);
  opened.probe->FailAllocation(3);
  ASSERT_EQ(opened.reader->Start(0, 0, 1.0f, nullptr), S_OK);
  ASSERT_TRUE(opened.WaitForEnd());
  const std::vector<ReaderProbe::Sample> samples = opened.probe->Samples();
  ASSERT_EQ(samples.size(), expected.PacketCount() - 1);
  // The lost one was the third allocation; the next sample of its stream carries the loss.
  int flagged = 0;
  for (const ReaderProbe::Sample& sample : samples) flagged += (sample.flags & WM_SF_DATALOSS) != 0 ? 1 : 0;
  EXPECT_EQ(flagged, 1);
}

TEST(Reader, RefusesRequestsItCannotServe) {
  OpenedReader opened(Sample("tiny_wmv2_wmav2.asf"));
  ASSERT_EQ(opened.openResult, S_OK);
  EXPECT_EQ(opened.reader->Start(0, 0, 0.5f, nullptr), E_INVALIDARG);
  EXPECT_EQ(opened.reader->Start(0, 0, 11.0f, nullptr), E_INVALIDARG);
  EXPECT_EQ(opened.reader->Start(0, 0, -2.0f, nullptr), E_NOTIMPL);
  EXPECT_EQ(opened.reader->Start(0, 10000000, 1.0f, nullptr), E_NOTIMPL);
  EXPECT_EQ(opened.advanced->SetReceiveStreamSamples(99, TRUE), E_INVALIDARG);
  DWORD size = 0;
  EXPECT_EQ(opened.advanced->GetMaxStreamSampleSize(99, &size), E_INVALIDARG);
  WORD streamZero = 0;
  WMT_ATTR_DATATYPE type;
  WORD length = 0;
  EXPECT_EQ(
      opened.reader.As<IWMHeaderInfo>()->GetAttributeByName(&streamZero, u"Title", &type, nullptr, &length),
      E_INVALIDARG);
  ComPtr<IStream> again = ComPtr<IStream>::Attach(OpenFileStream(Sample("tiny_wmv2_wmav2.asf")));
  EXPECT_EQ(opened.advanced->OpenStream(again.Get(), opened.probe.Get(), nullptr), E_UNEXPECTED);

  ComPtr<IWMReader> fresh;
  ASSERT_EQ(WMCreateReader(nullptr, 0, fresh.Receive()), S_OK);
  EXPECT_EQ(fresh->Start(0, 0, 1.0f, nullptr), E_UNEXPECTED);
  EXPECT_EQ(fresh->Close(), E_UNEXPECTED);
}

}  // namespace
}  // namespace quorbel::testing
