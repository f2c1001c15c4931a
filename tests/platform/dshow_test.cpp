// Media types, the memory allocator, the output queue, pin connection, graph state and events,
// the file source and the graph builder's choice among registered filters.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "com/com_ptr.h"
#include "com/memory.h"
#include "com/servers.h"
#include "com/wide_text.h"
#include "dshow/base_filter.h"
#include "dshow/file_source.h"
#include "dshow/graph.h"
#include "dshow/input_pin.h"
#include "dshow/mem_allocator.h"
#include "dshow/output_pin.h"
#include "dshow/output_queue.h"
#include "test_filters_ids.h"

namespace quorbel::testing {
namespace {

using namespace dshow;
namespace fs = std::filesystem;

constexpr GUID kSubtypeA = MakeGuid("{B0000000-0000-4000-8000-00000000000A}");
constexpr GUID kSubtypeB = MakeGuid("{B0000000-0000-4000-8000-00000000000B}");

CMediaType TypeWithFormat(const GUID& subtype, std::vector<BYTE> format) {
  CMediaType type(MEDIATYPE_Video, subtype);
  type.formattype = FORMAT_VideoInfo;
  type.SetFormat(format.data(), static_cast<ULONG>(format.size()));
  return type;
}

TEST(MediaType, CopiesOwnTheirFormatAndCompareByAllFourParts) {
  CMediaType original = TypeWithFormat(kSubtypeA, {1, 2, 3});
  CMediaType copy = original;
  ASSERT_NE(copy.pbFormat, original.pbFormat);
  EXPECT_TRUE(copy.MatchesExactly(original));
  copy.pbFormat[2] = 9;
  EXPECT_FALSE(copy.MatchesExactly(original));
  EXPECT_FALSE(TypeWithFormat(kSubtypeB, {1, 2, 3}).MatchesExactly(original));
  EXPECT_FALSE(TypeWithFormat(kSubtypeA, {1, 2}).MatchesExactly(original));

  AM_MEDIA_TYPE* created = CreateMediaType(&original);
  ASSERT_NE(created, nullptr);
  EXPECT_TRUE(original.MatchesExactly(*created));
  DeleteMediaType(created);

  // A partial type: GUID_NULL parts match anything.
  const CMediaType anyVideo(MEDIATYPE_Video, GUID_NULL);
  EXPECT_TRUE(anyVideo.IsPartiallySpecified());
  EXPECT_TRUE(original.MatchesPartial(anyVideo));
  EXPECT_FALSE(CMediaType(MEDIATYPE_Audio, kSubtypeA).MatchesPartial(anyVideo));
  EXPECT_FALSE(original.IsPartiallySpecified());
}

ComPtr<CMemAllocator> MakeAllocator(LONG count, LONG size) {
  ComPtr<CMemAllocator> allocator(new CMemAllocator());
  ALLOCATOR_PROPERTIES request{count, size, 16, 0};
  ALLOCATOR_PROPERTIES actual{};
  EXPECT_EQ(allocator->SetProperties(&request, &actual), S_OK);
  return allocator;
}

TEST(MemAllocator, RefusesBadPropertiesAndUncommittedUse) {
  ComPtr<CMemAllocator> allocator(new CMemAllocator());
  ALLOCATOR_PROPERTIES actual{};
  ALLOCATOR_PROPERTIES badAlign{2, 100, 3, 0};
  EXPECT_EQ(allocator->SetProperties(&badAlign, &actual), VFW_E_BADALIGN);
  EXPECT_EQ(allocator->Commit(), VFW_E_SIZENOTSET);
  ComPtr<IMediaSample> sample;
  EXPECT_EQ(allocator->GetBuffer(sample.Receive(), nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);

  allocator = MakeAllocator(2, 100);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ALLOCATOR_PROPERTIES again{4, 100, 1, 0};
  EXPECT_EQ(allocator->SetProperties(&again, &actual), VFW_E_ALREADY_COMMITTED);
  ASSERT_EQ(allocator->GetBuffer(sample.Receive(), nullptr, nullptr, 0), S_OK);
  BYTE* data = nullptr;
  ASSERT_EQ(sample->GetPointer(&data), S_OK);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % 16, 0u);
  EXPECT_EQ(sample->GetSize(), 100);
  EXPECT_EQ(sample->SetActualDataLength(101), VFW_E_BUFFER_OVERFLOW);
  REFERENCE_TIME start = 5;
  EXPECT_EQ(sample->GetTime(&start, nullptr), VFW_E_SAMPLE_TIME_NOT_SET);
  EXPECT_EQ(sample->SetTime(&start, nullptr), S_OK);
  REFERENCE_TIME end = 0;
  EXPECT_EQ(sample->GetTime(&start, &end), VFW_S_NO_STOP_TIME);
}

TEST(MemAllocator, GetBufferWaitsForAReturnAndADecommitWakesIt) {
  ComPtr<CMemAllocator> allocator = MakeAllocator(2, 64);
  ASSERT_EQ(allocator->Commit(), S_OK);
  ComPtr<IMediaSample> first;
  ComPtr<IMediaSample> second;
  ASSERT_EQ(allocator->GetBuffer(first.Receive(), nullptr, nullptr, 0), S_OK);
  ASSERT_EQ(allocator->GetBuffer(second.Receive(), nullptr, nullptr, 0), S_OK);
  first->SetSyncPoint(TRUE);
  BYTE* firstBuffer = nullptr;
  first->GetPointer(&firstBuffer);

  // Every buffer is out: the next GetBuffer waits until one comes back, and gets that one
  // with its flags cleared.
  ComPtr<IMediaSample> third;
  HRESULT thirdResult = E_FAIL;
  std::thread waiter([&] { thirdResult = allocator->GetBuffer(third.Receive(), nullptr, nullptr, 0); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(allocator->Outstanding(), 2);
  first = nullptr;
  waiter.join();
  ASSERT_EQ(thirdResult, S_OK);
  BYTE* thirdBuffer = nullptr;
  third->GetPointer(&thirdBuffer);
  EXPECT_EQ(thirdBuffer, firstBuffer);
  EXPECT_EQ(third->IsSyncPoint(), S_FALSE);

  // A decommit wakes a waiter with VFW_E_NOT_COMMITTED.
  ComPtr<IMediaSample> fourth;
  HRESULT fourthResult = S_OK;
  std::thread blocked([&] { fourthResult = allocator->GetBuffer(fourth.Receive(), nullptr, nullptr, 0); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(allocator->Decommit(), S_OK);
  blocked.join();
  EXPECT_EQ(fourthResult, VFW_E_NOT_COMMITTED);

  // Samples out keep the allocator alive after its last other reference goes.
  IMediaSample* survivor = second.Detach();
  allocator = nullptr;
  third = nullptr;
  EXPECT_EQ(survivor->GetSize(), 64);
  survivor->Release();
}

// The downstream end of the tests: records what arrives, can hold Receive until released,
// and raises EC_COMPLETE at end of stream.
class RecordingInputPin final : public CBaseInputPin {
 public:
  RecordingInputPin(CBaseFilter* filter, CCritSec* lock, GUID accepted)
      : CBaseInputPin(u"In", filter, lock, nullptr), accepted_(accepted) {}

  HRESULT CheckMediaType(const CMediaType* type) override {
    return type->subtype == accepted_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT ReceiveMultiple(IMediaSample** samples, long count, long* processed) override {
    Log("batch " + std::to_string(count));
    return CBaseInputPin::ReceiveMultiple(samples, count, processed);
  }
  HRESULT Receive(IMediaSample* sample) override {
    const HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    std::unique_lock lock(mutex_);
    holding_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !hold_ || flushing_.load(); });
    holding_ = false;
    ++received_;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    values_.push_back(data[0]);
    if (keep_) kept_.emplace_back(sample);
    return refuse_ ? S_FALSE : S_OK;
  }
  HRESULT EndOfStream() override {
    Log("eos");
    return filter_->NotifyEvent(EC_COMPLETE, S_OK, 0);
  }
  HRESULT BeginFlush() override {
    Log("begin flush");
    const std::lock_guard lock(mutex_);
    CBaseInputPin::BeginFlush();
    changed_.notify_all();
    return S_OK;
  }
  HRESULT EndFlush() override {
    Log("end flush");
    return CBaseInputPin::EndFlush();
  }
  HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override {
    Log("segment " + std::to_string(start) + " " + std::to_string(stop) + " " +
        std::to_string(rate).substr(0, 3));
    return CBasePin::NewSegment(start, stop, rate);
  }

  void Hold(bool hold) {
    {
      const std::lock_guard lock(mutex_);
      hold_ = hold;
    }
    changed_.notify_all();
  }
  void Keep(bool keep) {
    const std::lock_guard lock(mutex_);
    keep_ = keep;
    if (!keep) kept_.clear();
  }
  void Refuse(bool refuse) {
    const std::lock_guard lock(mutex_);
    refuse_ = refuse;
  }
  bool WaitFor(const std::function<bool()>& condition) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), condition);
  }
  bool WaitForLog(const std::string& line) {
    return WaitFor([&] { return std::find(log_.begin(), log_.end(), line) != log_.end(); });
  }
  bool Holding() {
    const std::lock_guard lock(mutex_);
    return holding_;
  }
  std::vector<std::string> LogLines() {
    const std::lock_guard lock(mutex_);
    return log_;
  }
  std::vector<int> Values() {
    const std::lock_guard lock(mutex_);
    return values_;
  }
  void ClearLog() {
    const std::lock_guard lock(mutex_);
    log_.clear();
    values_.clear();
  }

 private:
  void Log(const std::string& line) {
    {
      const std::lock_guard lock(mutex_);
      log_.push_back(line);
    }
    changed_.notify_all();
  }

  const GUID accepted_;
  // Recursive: WaitFor conditions use the accessors, which lock again.
  std::recursive_mutex mutex_;
  std::condition_variable_any changed_;
  std::vector<std::string> log_;
  std::vector<int> values_;
  std::vector<ComPtr<IMediaSample>> kept_;
  bool hold_ = false;
  bool holding_ = false;
  bool keep_ = false;
  bool refuse_ = false;
  int received_ = 0;
};

class SinkFilter final : public CBaseFilter {
 public:
  explicit SinkFilter(GUID accepted)
      : CBaseFilter(u"Sink", nullptr, &filterLock_, GUID_NULL), pin_(this, &filterLock_, accepted) {}
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }
  RecordingInputPin& Pin() { return pin_; }

 private:
  CCritSec filterLock_;
  RecordingInputPin pin_;
};

// An output pin offering subtype A then B, 3 buffers of 100 bytes, with IMediaSeeking that
// records SetPositions.
class SourceOutputPin final : public CBaseOutputPin, public IMediaSeeking {
 public:
  SourceOutputPin(CBaseFilter* filter, CCritSec* lock) : CBaseOutputPin(u"Out", filter, lock, nullptr) {}
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
    return CBaseOutputPin::NonDelegatingQueryInterface(iid, object);
  }
  HRESULT CheckMediaType(const CMediaType* type) override {
    return type->subtype == kSubtypeA || type->subtype == kSubtypeB ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT GetMediaType(int position, CMediaType* type) override {
    if (position > 1) return VFW_S_NO_MORE_ITEMS;
    *type = TypeWithFormat(position == 0 ? kSubtypeA : kSubtypeB, {7});
    return S_OK;
  }
  HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* properties) override {
    properties->cBuffers = 3;
    properties->cbBuffer = 100;
    ALLOCATOR_PROPERTIES actual{};
    return allocator->SetProperties(properties, &actual);
  }
  // A sample whose first byte is value.
  HRESULT DeliverValue(int value) {
    ComPtr<IMediaSample> sample;
    const HRESULT hr = GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    data[0] = static_cast<BYTE>(value);
    return Deliver(sample.Get());
  }
  ComPtr<IMediaSample> Buffer(int value) {
    ComPtr<IMediaSample> sample;
    EXPECT_EQ(GetDeliveryBuffer(sample.Receive(), nullptr, nullptr, 0), S_OK);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    data[0] = static_cast<BYTE>(value);
    return sample;
  }

  LONGLONG lastPosition = -1;
  HRESULT GetCapabilities(DWORD* capabilities) override {
    *capabilities = AM_SEEKING_CanSeekAbsolute;
    return S_OK;
  }
  HRESULT CheckCapabilities(DWORD*) override { return S_OK; }
  HRESULT IsFormatSupported(const GUID*) override { return S_OK; }
  HRESULT QueryPreferredFormat(GUID* format) override {
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
  }
  HRESULT GetTimeFormat(GUID* format) override { return QueryPreferredFormat(format); }
  HRESULT IsUsingTimeFormat(const GUID*) override { return S_OK; }
  HRESULT SetTimeFormat(const GUID*) override { return S_OK; }
  HRESULT GetDuration(LONGLONG* duration) override {
    *duration = 1234;
    return S_OK;
  }
  HRESULT GetStopPosition(LONGLONG*) override { return E_NOTIMPL; }
  HRESULT GetCurrentPosition(LONGLONG*) override { return E_NOTIMPL; }
  HRESULT ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override { return E_NOTIMPL; }
  HRESULT SetPositions(LONGLONG* current, DWORD, LONGLONG*, DWORD) override {
    lastPosition = *current;
    return S_OK;
  }
  HRESULT GetPositions(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
  HRESULT GetAvailable(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
  HRESULT SetRate(double) override { return S_OK; }
  HRESULT GetRate(double*) override { return E_NOTIMPL; }
  HRESULT GetPreroll(LONGLONG*) override { return E_NOTIMPL; }
};

class SourceFilter final : public CBaseFilter {
 public:
  SourceFilter() : CBaseFilter(u"Source", nullptr, &filterLock_, GUID_NULL), pin_(this, &filterLock_) {}
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }
  SourceOutputPin& Pin() { return pin_; }

 private:
  CCritSec filterLock_;
  SourceOutputPin pin_;
};

// A source connected to a sink that takes subtype B, in a graph.
struct Chain {
  ComPtr<CFilterGraph> graph{new CFilterGraph(Registry("/nonexistent/registry"))};
  ComPtr<SourceFilter> source{new SourceFilter()};
  ComPtr<SinkFilter> sink{new SinkFilter(kSubtypeB)};

  Chain() {
    EXPECT_EQ(graph->AddFilter(source.Get(), u"Source"), S_OK);
    EXPECT_EQ(graph->AddFilter(sink.Get(), u"Sink"), S_OK);
    EXPECT_EQ(graph->ConnectDirect(&source->Pin(), &sink->Pin(), nullptr), S_OK);
  }
  SourceOutputPin& Out() { return source->Pin(); }
  RecordingInputPin& In() { return sink->Pin(); }
};

TEST(Pins, ConnectionAgreesOnATypeBothAcceptAndOnTheAllocator) {
  Chain chain;
  AM_MEDIA_TYPE type{};
  ASSERT_EQ(chain.Out().ConnectionMediaType(&type), S_OK);
  EXPECT_EQ(type.subtype, kSubtypeB) << "the first type the sink takes";
  FreeMediaType(type);
  ComPtr<IPin> peer;
  ASSERT_EQ(chain.In().ConnectedTo(peer.Receive()), S_OK);
  EXPECT_EQ(peer.Get(), static_cast<IPin*>(&chain.Out()));

  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(chain.In().GetAllocator(allocator.Receive()), S_OK);
  ALLOCATOR_PROPERTIES properties{};
  allocator->GetProperties(&properties);
  EXPECT_EQ(properties.cBuffers, 3);
  EXPECT_EQ(properties.cbBuffer, 100);

  // Refusals.
  EXPECT_EQ(chain.Out().Connect(&chain.In(), nullptr), VFW_E_ALREADY_CONNECTED);
  ComPtr<SourceFilter> other(new SourceFilter());
  ComPtr<SinkFilter> picky(new SinkFilter(kSubtypeB));
  const CMediaType onlyA = TypeWithFormat(kSubtypeA, {7});
  EXPECT_EQ(other->Pin().Connect(&picky->Pin(), &onlyA), VFW_E_TYPE_NOT_ACCEPTED);
  ComPtr<SourceFilter> second(new SourceFilter());
  EXPECT_EQ(other->Pin().Connect(&second->Pin(), nullptr), VFW_E_INVALID_DIRECTION);
  EXPECT_FALSE(other->Pin().IsConnected());

  ASSERT_EQ(chain.graph->Pause(), S_OK);
  EXPECT_EQ(chain.Out().Disconnect(), VFW_E_NOT_STOPPED);
  ASSERT_EQ(chain.graph->Stop(), S_OK);

  // Removing a filter disconnects both sides.
  ASSERT_EQ(chain.graph->RemoveFilter(chain.sink.Get()), S_OK);
  EXPECT_FALSE(chain.Out().IsConnected());
  EXPECT_FALSE(chain.In().IsConnected());
  EXPECT_EQ(chain.graph->Filters().size(), 1u);
}

TEST(Graph, RunsDeliversAndCompletesWhenEveryRendererEnds) {
  Chain chain;
  ASSERT_EQ(chain.graph->Run(), S_OK);
  FILTER_STATE state;
  chain.sink->GetState(0, &state);
  EXPECT_EQ(state, State_Running);
  for (int value = 1; value <= 5; ++value) ASSERT_EQ(chain.Out().DeliverValue(value), S_OK);
  long code = 0;
  EXPECT_EQ(chain.graph->WaitForCompletion(0, &code), E_ABORT);
  ASSERT_EQ(chain.Out().DeliverEndOfStream(), S_OK);
  ASSERT_EQ(chain.graph->WaitForCompletion(20000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_EQ(chain.In().Values(), (std::vector<int>{1, 2, 3, 4, 5}));

  // An abort ends the wait at once and its parameters reach the event queue.
  chain.source->NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
  ASSERT_EQ(chain.graph->WaitForCompletion(20000, &code), S_OK);
  EXPECT_EQ(code, EC_ERRORABORT);
  long event = 0;
  LONG_PTR p1 = 0;
  LONG_PTR p2 = 0;
  ASSERT_EQ(chain.graph->GetEvent(&event, &p1, &p2, 0), S_OK);
  EXPECT_EQ(event, EC_COMPLETE);
  ASSERT_EQ(chain.graph->GetEvent(&event, &p1, &p2, 0), S_OK);
  EXPECT_EQ(event, EC_ERRORABORT);
  EXPECT_EQ(p1, E_FAIL);

  // Seeking reaches the output pin that feeds the renderer.
  LONGLONG position = 5000;
  LONGLONG stop = 0;
  EXPECT_EQ(chain.graph->SetPositions(&position, AM_SEEKING_AbsolutePositioning, &stop, 0), S_OK);
  EXPECT_EQ(chain.Out().lastPosition, 5000);
  LONGLONG duration = 0;
  EXPECT_EQ(chain.graph->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, 1234);
  ASSERT_EQ(chain.graph->Stop(), S_OK);
  EXPECT_EQ(chain.Out().DeliverValue(6), VFW_E_NOT_COMMITTED);
}

TEST(Graph, PausingTakesNoFilterLockWhileHoldingItsEventLock) {
  // A filter raises an event while it holds its own lock; the graph must not take that lock
  // (by enumerating pins) while it holds its event lock, or ThreadSanitizer sees the cycle.
  Chain chain;
  ASSERT_EQ(chain.graph->Pause(), S_OK);
  {
    const CAutoLock lock(*chain.sink->Lock());
    chain.sink->NotifyEvent(EC_COMPLETE, S_OK, 0);
  }
  long code = 0;
  ASSERT_EQ(chain.graph->WaitForCompletion(0, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  ASSERT_EQ(chain.graph->Stop(), S_OK);
  ASSERT_EQ(chain.graph->Pause(), S_OK);
  ASSERT_EQ(chain.graph->Stop(), S_OK);
}

TEST(Graph, StoppingWakesAProducerBlockedByAConsumerThatHoldsEveryBuffer) {
  Chain chain;
  chain.In().Keep(true);
  ASSERT_EQ(chain.graph->Pause(), S_OK);
  for (int value = 0; value < 3; ++value) ASSERT_EQ(chain.Out().DeliverValue(value), S_OK);
  HRESULT blocked = S_OK;
  std::thread producer([&] { blocked = chain.Out().DeliverValue(3); });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(chain.graph->Stop(), S_OK);
  producer.join();
  EXPECT_EQ(blocked, VFW_E_NOT_COMMITTED);
  chain.In().Keep(false);
}

struct QueueCase {
  const char* name;
  bool queued;
  long batchSize;
  bool exact;
};

class OutputQueueTest : public ::testing::TestWithParam<QueueCase> {};

TEST_P(OutputQueueTest, KeepsOrderAndBatchesAsConfigured) {
  const QueueCase& c = GetParam();
  Chain chain;
  ASSERT_EQ(chain.graph->Pause(), S_OK);
  HRESULT hr = S_OK;
  {
    COutputQueue queue(&chain.In(), &hr, false, c.queued, c.batchSize, c.exact);
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(queue.IsQueued(), c.queued);
    queue.NewSegment(0, 100, 1.0);
    for (int value = 1; value <= 2; ++value)
      EXPECT_EQ(queue.Receive(chain.Out().Buffer(value).Detach()), S_OK);
    if (c.exact) {
      // A partial batch waits for SendAnyway.
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_TRUE(chain.In().Values().empty());
      queue.SendAnyway();
    }
    ASSERT_TRUE(chain.In().WaitFor([&] { return chain.In().Values().size() == 2; }));
    EXPECT_EQ(queue.Receive(chain.Out().Buffer(3).Detach()), S_OK);
    queue.EOS();
    ASSERT_TRUE(chain.In().WaitForLog("eos"));
  }
  EXPECT_EQ(chain.In().Values(), (std::vector<int>{1, 2, 3}));
  const std::vector<std::string> log = chain.In().LogLines();
  const std::vector<std::string> batched = {"segment 0 100 1.0", "batch 2", "batch 1", "eos"};
  const std::vector<std::string> single = {"segment 0 100 1.0", "batch 1", "batch 1", "batch 1", "eos"};
  EXPECT_EQ(log, c.batchSize == 1 ? single : batched);
}

INSTANTIATE_TEST_SUITE_P(Modes, OutputQueueTest,
                         ::testing::Values(QueueCase{"queued_exact", true, 10, true},
                                           QueueCase{"queued_single", true, 1, false},
                                           QueueCase{"direct_exact", false, 10, true},
                                           QueueCase{"direct_single", false, 1, false}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(OutputQueue, FlushDropsWhatIsQueuedAndDownstreamFailureStopsSamplesAndEnd) {
  Chain chain;
  ASSERT_EQ(chain.graph->Pause(), S_OK);
  HRESULT hr = S_OK;
  COutputQueue queue(&chain.In(), &hr, false, true, 1, false);
  ASSERT_EQ(hr, S_OK);

  // Downstream holds the first sample; two more wait in the queue. A flush drops them and
  // returns their buffers.
  chain.In().Hold(true);
  EXPECT_EQ(queue.Receive(chain.Out().Buffer(1).Detach()), S_OK);
  ASSERT_TRUE(chain.In().WaitFor([&] { return chain.In().Holding(); }));
  EXPECT_EQ(queue.Receive(chain.Out().Buffer(2).Detach()), S_OK);
  EXPECT_EQ(queue.Receive(chain.Out().Buffer(3).Detach()), S_OK);
  queue.BeginFlush();
  EXPECT_EQ(queue.Receive(chain.Out().Buffer(4).Detach()), S_FALSE);
  queue.EOS();
  queue.EndFlush();
  chain.In().Hold(false);
  ComPtr<IMemAllocator> allocator;
  chain.In().GetAllocator(allocator.Receive());
  EXPECT_EQ(static_cast<CMemAllocator*>(allocator.Get())->Outstanding(), 0);
  std::vector<std::string> log = chain.In().LogLines();
  EXPECT_EQ(log, (std::vector<std::string>{"batch 1", "begin flush", "end flush"}));

  // After the flush samples flow again.
  chain.In().ClearLog();
  EXPECT_EQ(queue.Receive(chain.Out().Buffer(5).Detach()), S_OK);
  ASSERT_TRUE(chain.In().WaitFor([&] { return chain.In().Values() == std::vector<int>{5}; }));

  // A refusal downstream makes the queue drop samples and end of stream. The queue thread
  // handles entries in order, so once the segment after the refused sample has arrived the
  // refusal is known.
  chain.In().Refuse(true);
  EXPECT_EQ(queue.Receive(chain.Out().Buffer(6).Detach()), S_OK);
  queue.NewSegment(1, 1, 1.0);
  ASSERT_TRUE(chain.In().WaitForLog("segment 1 1 1.0"));
  EXPECT_EQ(queue.Receive(chain.Out().Buffer(7).Detach()), S_FALSE);
  queue.EOS();
  queue.NewSegment(0, 0, 1.0);
  ASSERT_TRUE(chain.In().WaitForLog("segment 0 0 1.0"));
  EXPECT_EQ(chain.In().Values(), (std::vector<int>{5, 6}));
  log = chain.In().LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "eos"), 0);
}

std::string WriteTemp(const std::string& name, const std::string& content) {
  const fs::path path = fs::temp_directory_path() / ("quorbel-" + std::to_string(::getpid()) + "-" + name);
  std::ofstream(path, std::ios::binary) << content;
  return path.string();
}

TEST(FileSource, ReadsTheFileAndNamesItsTypeByExtension) {
  EXPECT_EQ(StreamSubtypeForFile("/a/b.WMV"), MEDIASUBTYPE_Asf);
  EXPECT_EQ(StreamSubtypeForFile("x.wma"), MEDIASUBTYPE_Asf);
  EXPECT_EQ(StreamSubtypeForFile("x.asf"), MEDIASUBTYPE_Asf);
  EXPECT_EQ(StreamSubtypeForFile("x.avi"), MEDIASUBTYPE_NULL);
  EXPECT_EQ(StreamSubtypeForFile("/dir.wmv/file"), MEDIASUBTYPE_NULL);

  ComPtr<CAsyncFileSource> source(new CAsyncFileSource());
  EXPECT_EQ(source->Load(u"/nonexistent/file.wmv", nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  const std::string path = WriteTemp("source.wmv", "0123456789");
  ASSERT_EQ(source->Load(Utf8ToWide(path).c_str(), nullptr), S_OK);
  EXPECT_EQ(source->Load(Utf8ToWide(path).c_str(), nullptr), E_UNEXPECTED);

  ComPtr<IAsyncReader> reader = ComPtr<IPin>(source->GetPin(0)).As<IAsyncReader>();
  ASSERT_TRUE(reader);
  LONGLONG total = 0;
  LONGLONG available = 0;
  ASSERT_EQ(reader->Length(&total, &available), S_OK);
  EXPECT_EQ(total, 10);
  EXPECT_EQ(available, 10);
  BYTE bytes[8] = {};
  EXPECT_EQ(reader->SyncRead(2, 4, bytes), S_OK);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), "2345");
  EXPECT_EQ(reader->SyncRead(8, 4, bytes), S_FALSE);
  EXPECT_EQ(reader->SyncRead(10, 4, bytes), S_FALSE);
  EXPECT_EQ(reader->SyncRead(-1, 4, bytes), E_INVALIDARG);

  AM_MEDIA_TYPE type{};
  WCHAR* name = nullptr;
  ASSERT_EQ(source->GetCurFile(&name, &type), S_OK);
  EXPECT_EQ(WideToUtf8(name), path);
  CoTaskMemFree(name);
  EXPECT_EQ(type.majortype, MEDIATYPE_Stream);
  EXPECT_EQ(type.subtype, MEDIASUBTYPE_Asf);
  FreeMediaType(type);
  fs::remove(path);
}

// Registers the test filter module in a registry of its own for the graph builder.
class GraphBuilder : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/quorbel-builder-XXXXXX";
    dir_ = ::mkdtemp(name);
    registryPath_ = (dir_ / "registry").string();
    module_ = ::dlopen(QUORBEL_TEST_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr);
    const auto registerServer =
        reinterpret_cast<DllRegisterServerFunction>(::dlsym(module_, "DllRegisterServer"));
    ::setenv("QUORBEL_REGISTRY", registryPath_.c_str(), 1);
    ASSERT_EQ(registerServer(), S_OK);
    ::unsetenv("QUORBEL_REGISTRY");
  }
  void TearDown() override {
    if (module_ != nullptr) ::dlclose(module_);
    fs::remove_all(dir_);
  }
  HRESULT Build(const std::string& file, CLSID* chosen, std::size_t* filterCount) {
    ComPtr<CFilterGraph> graph(new CFilterGraph(Registry(registryPath_)));
    ComPtr<IBaseFilter> source;
    ComPtr<IBaseFilter> parser;
    const HRESULT hr =
        graph->AddSourceAndParser(Utf8ToWide(file).c_str(), source.Receive(), parser.Receive());
    if (parser) parser->GetClassID(chosen);
    *filterCount = graph->Filters().size();
    return hr;
  }

  fs::path dir_;
  std::string registryPath_;
  void* module_ = nullptr;
};

TEST_F(GraphBuilder, PicksTheHighestMeritFilterThatTakesTheSourceAndConnects) {
  // Preferred "Test Failing Parser" refuses the connection, preferred "Test Other Parser"
  // takes another subtype: "Test ASF Parser" (normal) wins over "Test Backup Parser".
  CLSID chosen = GUID_NULL;
  std::size_t filters = 0;
  ASSERT_EQ(Build(std::string(QUORBEL_SAMPLES_DIR) + "/tiny_wmv2_wmav2.asf", &chosen, &filters), S_OK);
  EXPECT_EQ(chosen, kTestAsfParser);
  EXPECT_EQ(filters, 2u) << "the failed candidate is removed again";
}

TEST_F(GraphBuilder, ReportsWhyNoFilterTookTheFile) {
  CLSID chosen = GUID_NULL;
  std::size_t filters = 0;
  // Not ASF, though named so: every candidate refuses; the last one's reason comes back.
  std::ifstream avi(std::string(QUORBEL_SAMPLES_DIR) + "/mpeg4_mp3.avi", std::ios::binary);
  const std::string disguised = (dir_ / "disguised.wmv").string();
  std::ofstream(disguised, std::ios::binary) << avi.rdbuf();
  EXPECT_EQ(Build(disguised, &chosen, &filters), VFW_E_INVALID_FILE_FORMAT);
  EXPECT_EQ(filters, 1u);
  // No registered filter for this stream type (the do-not-use one takes any, but is never offered).
  EXPECT_EQ(Build(std::string(QUORBEL_SAMPLES_DIR) + "/mpeg4_mp3.avi", &chosen, &filters),
            VFW_E_CANNOT_RENDER);
  EXPECT_EQ(Build("/nonexistent.wmv", &chosen, &filters), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace quorbel::testing
