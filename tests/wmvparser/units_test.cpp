// The pieces the filter is made of, on their own: the byte stream over IAsyncReader, the
// sample buffer lent to the reader, and the timing rules.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "com/wide_text.h"
#include "dshow/file_source.h"
#include "dshow/mem_allocator.h"
#include "filter/async_reader_stream.h"
#include "filter/media_sample_buffer.h"
#include "filter/timing.h"
#include "wmsdk/interfaces.h"

namespace quorbel::testing {
namespace {

using namespace dshow;
using namespace wmvparser;
using namespace wmsdk;
namespace fs = std::filesystem;

TEST(AsyncReaderStream, ReadsSeeksAndStatsTheUpstreamBytes) {
  const fs::path path = fs::temp_directory_path() / ("quorbel-stream-" + std::to_string(::getpid()) + ".wmv");
  std::ofstream(path, std::ios::binary) << "0123456789";
  ComPtr<CAsyncFileSource> source(new CAsyncFileSource());
  ASSERT_EQ(source->Load(Utf8ToWide(path.string()).c_str(), nullptr), S_OK);
  ComPtr<IAsyncReader> reader = ComPtr<IPin>(source->GetPin(0)).As<IAsyncReader>();
  ComPtr<AsyncReaderStream> stream(new AsyncReaderStream(reader.Get(), 0));

  char buffer[16] = {};
  ULONG read = 99;
  EXPECT_EQ(stream->Read(buffer, 4, &read), S_OK);
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  // Shortened to what is left, then nothing at and past the end.
  EXPECT_EQ(stream->Read(buffer, 16, &read), S_OK);
  EXPECT_EQ(read, 6u);
  EXPECT_EQ(std::string(buffer, 6), "456789");
  EXPECT_EQ(stream->Read(buffer, 16, &read), S_OK);
  EXPECT_EQ(read, 0u);
  QWORD position = 0;
  EXPECT_EQ(stream->Seek(5, STREAM_SEEK_END, &position), S_OK);
  EXPECT_EQ(position, 15u);
  EXPECT_EQ(stream->Read(buffer, 4, nullptr), S_OK);

  EXPECT_EQ(stream->Seek(-3, STREAM_SEEK_END, &position), S_OK);
  EXPECT_EQ(position, 7u);
  EXPECT_EQ(stream->Seek(-2, STREAM_SEEK_CUR, &position), S_OK);
  EXPECT_EQ(position, 5u);
  EXPECT_EQ(stream->Seek(2, STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(stream->Seek(0, 3, &position), E_INVALIDARG);
  ComPtr<IStream> clone;
  ASSERT_EQ(stream->Clone(clone.Receive()), S_OK);
  EXPECT_EQ(clone->Read(buffer, 3, &read), S_OK);
  EXPECT_EQ(std::string(buffer, 3), "234");
  EXPECT_EQ(stream->Read(buffer, 1, &read), S_OK);
  EXPECT_EQ(buffer[0], '2') << "the clone moves on its own";

  STATSTG stat{};
  stat.grfMode = 7;
  stat.pwcsName = reinterpret_cast<WCHAR*>(buffer);
  ASSERT_EQ(stream->Stat(&stat, STATFLAG_DEFAULT), S_OK);
  EXPECT_EQ(stat.type, STGTY_STREAM);
  EXPECT_EQ(stat.cbSize, 10u);
  EXPECT_EQ(stat.pwcsName, nullptr);
  EXPECT_EQ(stat.grfMode, 0u);

  ULONG written = 0;
  EXPECT_EQ(stream->Write(buffer, 1, &written), E_NOTIMPL);
  EXPECT_EQ(stream->SetSize(1), E_NOTIMPL);
  EXPECT_EQ(stream->CopyTo(clone.Get(), 1, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(stream->Commit(0), E_NOTIMPL);
  EXPECT_EQ(stream->Revert(), E_NOTIMPL);
  EXPECT_EQ(stream->LockRegion(0, 1, 0), E_NOTIMPL);
  EXPECT_EQ(stream->UnlockRegion(0, 1, 0), E_NOTIMPL);

  stream->Abort();
  EXPECT_EQ(stream->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
  EXPECT_EQ(stream->Read(buffer, 4, &read), E_ABORT);
  EXPECT_EQ(read, 0u);
  fs::remove(path);
}

TEST(MediaSampleBuffer, StandsForItsSampleUntilTheSampleIsTakenBack) {
  ComPtr<CMemAllocator> allocator(new CMemAllocator());
  ALLOCATOR_PROPERTIES request{1, 64, 1, 0};
  ALLOCATOR_PROPERTIES actual{};
  ASSERT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ComPtr<IMediaSample> sample;
  ASSERT_EQ(allocator->GetBuffer(sample.Receive(), nullptr, nullptr, 0), S_OK);
  sample->SetActualDataLength(3);
  BYTE* data = nullptr;
  sample->GetPointer(&data);

  ComPtr<MediaSampleBuffer> buffer(new MediaSampleBuffer(sample.Get()));
  DWORD length = 0;
  EXPECT_EQ(buffer->GetLength(&length), S_OK);
  EXPECT_EQ(length, 64u) << "the whole sample until the reader sets the length";
  EXPECT_EQ(buffer->SetLength(10), S_OK);
  EXPECT_EQ(sample->GetActualDataLength(), 10);
  EXPECT_EQ(buffer->SetLength(65), VFW_E_BUFFER_OVERFLOW);
  EXPECT_EQ(buffer->GetMaxLength(&length), S_OK);
  EXPECT_EQ(length, 64u);
  BYTE* pointer = nullptr;
  EXPECT_EQ(buffer->GetBuffer(&pointer), S_OK);
  EXPECT_EQ(pointer, data);
  pointer = nullptr;
  EXPECT_EQ(buffer->GetBufferAndLength(&pointer, &length), S_OK);
  EXPECT_EQ(pointer, data);
  EXPECT_EQ(length, 10u);

  ComPtr<IMediaSampleOwner> owner = ComPtr<INSSBuffer>(buffer.Get()).As<IMediaSampleOwner>();
  ASSERT_TRUE(owner);
  ComPtr<IMediaSample> taken;
  ASSERT_EQ(owner->DetachSample(taken.Receive()), S_OK);
  EXPECT_EQ(taken.Get(), sample.Get());
  ASSERT_EQ(owner->DetachSample(taken.Receive()), S_OK);
  EXPECT_FALSE(taken) << "nothing left to take";
  EXPECT_EQ(buffer->GetLength(&length), E_NOINTERFACE);
  EXPECT_EQ(buffer->SetLength(1), E_NOINTERFACE);
  EXPECT_EQ(buffer->GetMaxLength(&length), E_NOINTERFACE);
  EXPECT_EQ(buffer->GetBuffer(&pointer), E_NOINTERFACE);
  EXPECT_EQ(buffer->GetBufferAndLength(&pointer, &length), E_NOINTERFACE);
}

TEST(Timing, StampsSamplesFromTheStartPositionAtTheRate) {
  struct Case {
    const char* what;
    QWORD time;
    QWORD duration;
    DWORD flags;
    REFERENCE_TIME start;
    double rate;
    bool first;
    bool audio;
    SampleStamp expected;
  } cases[] = {
      {"rate 1", 5000000, 400000, 0, 0, 1.0, false, false, {5000000, 5400000, false, false, false}},
      {"before a seek target: preroll",
       19600000,
       400000,
       WM_SF_CLEANPOINT,
       20000000,
       1.0,
       false,
       false,
       {-400000, 0, true, true, false}},
      {"rate 2 halves", 5000001, 400001, 0, 0, 2.0, false, false, {2500000, 2700001, false, false, false}},
      {"truncated toward zero", 0, 1, 0, 3, 2.0, false, false, {-1, -1, true, false, false}},
      {"rate 0.5 doubles", 3, 1, 0, 0, 0.5, false, false, {6, 8, false, false, false}},
      {"audio: the reader's discontinuity only first",
       0,
       0,
       WM_SF_DISCONTINUITY,
       0,
       1.0,
       false,
       true,
       {0, 0, false, false, false}},
      {"audio, first sample", 0, 0, WM_SF_DISCONTINUITY, 0, 1.0, true, true, {0, 0, false, false, true}},
      {"audio, data loss", 0, 0, WM_SF_DATALOSS, 0, 1.0, false, true, {0, 0, false, false, true}},
      {"video discontinuity", 0, 0, WM_SF_DISCONTINUITY, 0, 1.0, false, false, {0, 0, false, false, true}},
      {"a tiny rate stops at the range",
       900000000000000000,
       0,
       0,
       0,
       1e-3,
       false,
       false,
       {INT64_MAX, INT64_MAX, false, false, false}},
  };
  for (const Case& c : cases) {
    const SampleStamp got = StampSample(c.time, c.duration, c.flags, c.start, c.rate, c.first, c.audio);
    EXPECT_EQ(got.start, c.expected.start) << c.what;
    EXPECT_EQ(got.end, c.expected.end) << c.what;
    EXPECT_EQ(got.preroll, c.expected.preroll) << c.what;
    EXPECT_EQ(got.syncPoint, c.expected.syncPoint) << c.what;
    EXPECT_EQ(got.discontinuity, c.expected.discontinuity) << c.what;
  }
}

TEST(Timing, TheReaderPlaysBetweenOneAndTenTimesInEitherDirection) {
  const std::pair<double, float> cases[] = {{1.0, 1.0f},   {0.5, 1.0f},   {0.0, 1.0f},   {2.5, 2.5f},
                                            {11.0, 10.0f}, {-0.5, -1.0f}, {-3.0, -3.0f}, {-11.0, -10.0f}};
  for (const auto& [rate, expected] : cases) EXPECT_EQ(ReaderRate(rate), expected) << rate;
}

}  // namespace
}  // namespace quorbel::testing
