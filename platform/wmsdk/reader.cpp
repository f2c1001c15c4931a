#include "wmsdk/reader.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/av_ptr.h"
#include "com/com_ptr.h"
#include "wmsdk/asf_header.h"
#include "wmsdk/sample_buffer.h"
#include "wmsdk/stream_info.h"
#include "wmsdk/stream_io.h"

namespace quorbel::wmsdk {

namespace {

constexpr AVRational kHundredNanoseconds{1, 10000000};
// Demuxer errors in a row after which the rest of the file counts as unreadable.
constexpr int kMaxConsecutiveReadErrors = 64;

// The state of a reader, shared by the COM object and the reader's two threads; it lives until
// the last of them lets go.
class ReaderCore : public std::enable_shared_from_this<ReaderCore> {
 public:
  static std::shared_ptr<ReaderCore> Create();
  // Ends both threads (joining them, or letting the calling one run out) and drops the
  // callbacks.
  void Shutdown();

  HRESULT OpenStream(IStream* stream, IWMReaderCallback* callback, void* context);
  HRESULT Start(QWORD start, QWORD duration, float rate, void* context);
  HRESULT Stop();
  HRESULT Close();

  HRESULT SetUserProvidedClock(BOOL userClock);
  HRESULT DeliverTime(QWORD time);
  HRESULT SetReceiveStreamSamples(WORD streamNumber, BOOL receive);
  HRESULT SetAllocateForStream(WORD streamNumber, BOOL allocate);
  HRESULT GetStreamSelected(WORD streamNumber, WMT_STREAM_SELECTION* selection);
  HRESULT GetMaxStreamSampleSize(WORD streamNumber, DWORD* size);

  HRESULT GetStreamCount(DWORD* count);
  HRESULT GetStream(DWORD index, IWMStreamConfig** config);
  HRESULT GetAttributeByName(WORD* streamNumber, const WCHAR* name, WMT_ATTR_DATATYPE* type, BYTE* value,
                             WORD* length);

 private:
  enum class Phase { kClosed, kOpening, kOpen };
  enum class Callout { kNone, kAllocate, kOther };
  enum class ReadResult { kPacket, kEnd, kFailed };

  // Per stream, guarded by mutex_.
  struct StreamSettings {
    bool receiveSamples = false;
    bool allocate = false;
  };
  // Per stream, the sample thread's own.
  struct RunState {
    bool first = true;
    bool dataLoss = false;
    bool waitForCleanPoint = false;
  };
  struct Status {
    ComPtr<IWMReaderCallback> callback;
    WMT_STATUS status;
    HRESULT hr;
    void* context;
  };

  void SampleThreadMain();
  void StatusThreadMain();
  void PostStatusLocked(WMT_STATUS status, HRESULT hr);
  StreamSettings* FindSettingsLocked(WORD streamNumber, std::size_t* index = nullptr);

  // Sample thread, called without mutex_.
  HRESULT OpenFile(IStream* stream);
  HRESULT PrepareRun(QWORD start);
  ReadResult ReadNext(HRESULT* failure);
  // The pending packet's presentation time (decoding time when it has none) in 100 ns.
  int64_t PendingTime() const;
  void DeliverPending(std::unique_lock<std::mutex>& lock);
  // Calls f(callback) with mutex_ released and the call recorded as kind.
  template <typename F>
  HRESULT CallOut(std::unique_lock<std::mutex>& lock, Callout kind, F f);

  std::mutex mutex_;
  std::condition_variable wake_;                // the sample thread: a request, a new horizon or quit
  bool quit_ = false;                           // guarded by mutex_
  Phase phase_ = Phase::kClosed;                // guarded by mutex_
  ComPtr<IWMReaderCallback> callback_;          // guarded by mutex_
  ComPtr<IWMReaderCallbackAdvanced> advanced_;  // guarded by mutex_
  void* context_ = nullptr;                     // guarded by mutex_
  ComPtr<IStream> stream_;                      // guarded by mutex_
  std::vector<std::shared_ptr<const StreamInfo>> streams_;  // guarded by mutex_
  std::vector<StreamSettings> settings_;                    // parallel to streams_; guarded by mutex_
  std::optional<QWORD> durationHns_;                        // guarded by mutex_
  bool openRequested_ = false;                              // guarded by mutex_
  bool closeRequested_ = false;                             // guarded by mutex_
  bool closeStatusOwed_ = false;                            // guarded by mutex_
  bool stopStatusOwed_ = false;                             // guarded by mutex_
  // Every Start, Stop and Close begins a new generation; work of an older one is dropped.
  uint64_t generation_ = 0;           // guarded by mutex_
  bool runRequested_ = false;         // guarded by mutex_
  QWORD runStart_ = 0;                // guarded by mutex_
  void* runContext_ = nullptr;        // guarded by mutex_
  bool running_ = false;              // guarded by mutex_
  bool userClock_ = false;            // guarded by mutex_
  int64_t horizon_ = -1;              // -1: no DeliverTime yet in this run; guarded by mutex_
  bool onTimeSent_ = false;           // OnTime reported the current horizon; guarded by mutex_
  Callout callout_ = Callout::kNone;  // guarded by mutex_

  // The sample thread's own.
  std::unique_ptr<StreamDemuxer> demuxer_;
  std::vector<int> streamOfDemuxerIndex_;  // demuxer index -> index into streams_, or -1
  std::vector<RunState> runStates_;
  PacketPtr pending_ = MakePacket();
  bool hasPending_ = false;
  bool delivered_ = false;  // the demuxer has moved since it was opened

  std::mutex statusMutex_;
  std::condition_variable statusArrived_;
  std::deque<Status> statuses_;  // guarded by statusMutex_
  bool statusQuit_ = false;      // guarded by statusMutex_

  std::thread sampleThread_;
  std::thread statusThread_;
};

std::shared_ptr<ReaderCore> ReaderCore::Create() {
  auto core = std::make_shared<ReaderCore>();
  core->sampleThread_ = std::thread([self = core] { self->SampleThreadMain(); });
  core->statusThread_ = std::thread([self = core] { self->StatusThreadMain(); });
  return core;
}

void ReaderCore::Shutdown() {
  {
    const std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  {
    const std::lock_guard lock(statusMutex_);
    statusQuit_ = true;
  }
  statusArrived_.notify_all();
  for (std::thread* thread : {&sampleThread_, &statusThread_}) {
    if (thread->get_id() == std::this_thread::get_id()) {
      // Released from one of its own callbacks: that thread ends when the callback returns.
      thread->detach();
    } else if (thread->joinable()) {
      thread->join();
    }
  }
  ComPtr<IWMReaderCallback> callback;
  ComPtr<IWMReaderCallbackAdvanced> advanced;
  ComPtr<IStream> stream;
  {
    const std::lock_guard lock(mutex_);
    callback.Swap(callback_);
    advanced.Swap(advanced_);
    stream.Swap(stream_);
  }
}

void ReaderCore::PostStatusLocked(WMT_STATUS status, HRESULT hr) {
  if (!callback_) return;
  {
    const std::lock_guard lock(statusMutex_);
    statuses_.push_back(Status{callback_, status, hr, status == WMT_STARTED ? runContext_ : context_});
  }
  statusArrived_.notify_one();
}

void ReaderCore::StatusThreadMain() {
  std::unique_lock lock(statusMutex_);
  while (true) {
    statusArrived_.wait(lock, [this] { return statusQuit_ || !statuses_.empty(); });
    if (statusQuit_) break;
    Status entry = std::move(statuses_.front());
    statuses_.pop_front();
    lock.unlock();
    entry.callback->OnStatus(entry.status, entry.hr, WMT_TYPE_DWORD, nullptr, entry.context);
    entry.callback = nullptr;
    lock.lock();
  }
  std::deque<Status> dropped;
  dropped.swap(statuses_);
  lock.unlock();
}

ReaderCore::StreamSettings* ReaderCore::FindSettingsLocked(WORD streamNumber, std::size_t* index) {
  for (std::size_t i = 0; i < streams_.size(); ++i) {
    if (streams_[i]->number != streamNumber) continue;
    if (index != nullptr) *index = i;
    return &settings_[i];
  }
  return nullptr;
}

HRESULT ReaderCore::OpenStream(IStream* stream, IWMReaderCallback* callback, void* context) {
  if (stream == nullptr || callback == nullptr) return E_POINTER;
  ComPtr<IWMReaderCallbackAdvanced> advanced;
  if (FAILED(callback->QueryInterface(IID_IWMReaderCallbackAdvanced, advanced.ReceiveVoid()))) {
    return E_NOINTERFACE;
  }
  {
    const std::lock_guard lock(mutex_);
    if (phase_ != Phase::kClosed || closeRequested_ || openRequested_) return E_UNEXPECTED;
    callback_ = ComPtr<IWMReaderCallback>(callback);
    advanced_ = std::move(advanced);
    context_ = context;
    stream_ = ComPtr<IStream>(stream);
    streams_.clear();
    settings_.clear();
    durationHns_.reset();
    phase_ = Phase::kOpening;
    openRequested_ = true;
  }
  wake_.notify_all();
  return S_OK;
}

HRESULT ReaderCore::Start(QWORD start, QWORD duration, float rate, void* context) {
  if (duration != 0) return E_NOTIMPL;
  if (rate <= -1.0f && rate >= -10.0f) return E_NOTIMPL;
  if (!(rate >= 1.0f && rate <= 10.0f)) return E_INVALIDARG;
  {
    const std::lock_guard lock(mutex_);
    if (phase_ != Phase::kOpen) return E_UNEXPECTED;
    ++generation_;
    running_ = false;
    runRequested_ = true;
    runStart_ = start;
    runContext_ = context;
    horizon_ = -1;
    onTimeSent_ = false;
  }
  wake_.notify_all();
  return S_OK;
}

HRESULT ReaderCore::Stop() {
  {
    const std::lock_guard lock(mutex_);
    if (phase_ != Phase::kOpen) return E_UNEXPECTED;
    ++generation_;
    running_ = false;
    runRequested_ = false;
    // A sample thread waiting in AllocateForStream cannot report; the stop is complete
    // already, since nothing follows that wait but the release of its buffer.
    if (callout_ == Callout::kAllocate) {
      PostStatusLocked(WMT_STOPPED, S_OK);
    } else {
      stopStatusOwed_ = true;
    }
  }
  wake_.notify_all();
  return S_OK;
}

HRESULT ReaderCore::Close() {
  {
    const std::lock_guard lock(mutex_);
    if (phase_ == Phase::kClosed && !openRequested_) return E_UNEXPECTED;
    if (closeRequested_) return E_UNEXPECTED;
    ++generation_;
    running_ = false;
    runRequested_ = false;
    phase_ = Phase::kClosed;
    closeRequested_ = true;
    if (callout_ == Callout::kAllocate) {
      PostStatusLocked(WMT_CLOSED, S_OK);
    } else {
      closeStatusOwed_ = true;
    }
  }
  wake_.notify_all();
  return S_OK;
}

HRESULT ReaderCore::SetUserProvidedClock(BOOL userClock) {
  const std::lock_guard lock(mutex_);
  userClock_ = userClock != FALSE;
  return S_OK;
}

HRESULT ReaderCore::DeliverTime(QWORD time) {
  {
    const std::lock_guard lock(mutex_);
    if (phase_ != Phase::kOpen) return E_UNEXPECTED;
    horizon_ = time > static_cast<QWORD>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(time);
    onTimeSent_ = false;
  }
  wake_.notify_all();
  return S_OK;
}

HRESULT ReaderCore::SetReceiveStreamSamples(WORD streamNumber, BOOL receive) {
  const std::lock_guard lock(mutex_);
  StreamSettings* settings = FindSettingsLocked(streamNumber);
  if (settings == nullptr) return E_INVALIDARG;
  settings->receiveSamples = receive != FALSE;
  return S_OK;
}

HRESULT ReaderCore::SetAllocateForStream(WORD streamNumber, BOOL allocate) {
  const std::lock_guard lock(mutex_);
  StreamSettings* settings = FindSettingsLocked(streamNumber);
  if (settings == nullptr) return E_INVALIDARG;
  settings->allocate = allocate != FALSE;
  return S_OK;
}

HRESULT ReaderCore::GetStreamSelected(WORD streamNumber, WMT_STREAM_SELECTION* selection) {
  if (selection == nullptr) return E_POINTER;
  const std::lock_guard lock(mutex_);
  std::size_t index = 0;
  if (FindSettingsLocked(streamNumber, &index) == nullptr) return E_INVALIDARG;
  *selection = streams_[index]->selected ? WMT_ON : WMT_OFF;
  return S_OK;
}

HRESULT ReaderCore::GetMaxStreamSampleSize(WORD streamNumber, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  const std::lock_guard lock(mutex_);
  std::size_t index = 0;
  if (FindSettingsLocked(streamNumber, &index) == nullptr) return E_INVALIDARG;
  *size = streams_[index]->maxSampleSize;
  return S_OK;
}

HRESULT ReaderCore::GetStreamCount(DWORD* count) {
  if (count == nullptr) return E_POINTER;
  const std::lock_guard lock(mutex_);
  if (phase_ != Phase::kOpen) return E_UNEXPECTED;
  *count = static_cast<DWORD>(streams_.size());
  return S_OK;
}

HRESULT ReaderCore::GetStream(DWORD index, IWMStreamConfig** config) {
  if (config == nullptr) return E_POINTER;
  *config = nullptr;
  std::shared_ptr<const StreamInfo> info;
  {
    const std::lock_guard lock(mutex_);
    if (phase_ != Phase::kOpen) return E_UNEXPECTED;
    if (index >= streams_.size()) return E_INVALIDARG;
    info = streams_[index];
  }
  auto* created = new (std::nothrow) CWMStreamConfig(std::move(info));
  if (created == nullptr) return E_OUTOFMEMORY;
  return created->NonDelegatingQueryInterface(IID_IWMStreamConfig, reinterpret_cast<void**>(config));
}

HRESULT ReaderCore::GetAttributeByName(WORD* streamNumber, const WCHAR* name, WMT_ATTR_DATATYPE* type,
                                       BYTE* value, WORD* length) {
  if (streamNumber == nullptr || name == nullptr || type == nullptr || length == nullptr) return E_POINTER;
  QWORD duration;
  {
    const std::lock_guard lock(mutex_);
    if (phase_ != Phase::kOpen) return E_UNEXPECTED;
    if (*streamNumber != 0 || std::u16string_view(name) != u"Duration" || !durationHns_) return E_INVALIDARG;
    duration = *durationHns_;
  }
  *type = WMT_TYPE_QWORD;
  if (value == nullptr) {
    *length = sizeof duration;
    return S_OK;
  }
  if (*length < sizeof duration) {
    *length = sizeof duration;
    return E_INVALIDARG;
  }
  std::memcpy(value, &duration, sizeof duration);
  *length = sizeof duration;
  return S_OK;
}

template <typename F>
HRESULT ReaderCore::CallOut(std::unique_lock<std::mutex>& lock, Callout kind, F f) {
  ComPtr<IWMReaderCallbackAdvanced> advanced = advanced_;
  if (!advanced) return E_UNEXPECTED;
  callout_ = kind;
  lock.unlock();
  const HRESULT hr = f(advanced.Get());
  advanced = nullptr;
  lock.lock();
  callout_ = Callout::kNone;
  return hr;
}

HRESULT ReaderCore::OpenFile(IStream* stream) {
  AsfHeaderFacts facts;
  HRESULT hr = ScanAsfHeader(stream, facts);
  if (FAILED(hr)) return hr;
  // Encrypted content cannot be demuxed into anything playable here.
  if (facts.encrypted) return E_ACCESSDENIED;

  // A first pass over the whole file finds each stream's largest sample; the second demuxer
  // delivers.
  std::unique_ptr<StreamDemuxer> scan = StreamDemuxer::Open(stream, "asf", &hr);
  if (!scan) return hr;
  AVFormatContext* context = scan->Context();
  std::vector<std::shared_ptr<StreamInfo>> streams;
  std::vector<int> streamOfDemuxerIndex(context->nb_streams, -1);
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    streamOfDemuxerIndex[i] = static_cast<int>(streams.size());
    streams.push_back(
        std::make_shared<StreamInfo>(DescribeStream(*context->streams[i], static_cast<int>(i))));
  }
  PacketPtr packet = MakePacket();
  if (!packet) return E_OUTOFMEMORY;
  int errors = 0;
  while (errors < kMaxConsecutiveReadErrors) {
    const int result = av_read_frame(context, packet.get());
    if (result == AVERROR_EOF) break;
    if (result < 0) {
      if (FAILED(scan->StreamError())) return scan->StreamError();
      if (result != AVERROR(EAGAIN)) ++errors;
      continue;
    }
    errors = 0;
    if (packet->stream_index >= 0 && static_cast<unsigned>(packet->stream_index) < streams.size()) {
      StreamInfo& info = *streams[static_cast<std::size_t>(packet->stream_index)];
      info.maxSampleSize = std::max(info.maxSampleSize, static_cast<DWORD>(packet->size));
    }
    av_packet_unref(packet.get());
  }
  scan.reset();
  for (auto& info : streams) {
    // A stream without samples still gets buffers that can be committed.
    if (info->maxSampleSize == 0) info->maxSampleSize = 1;
  }

  std::unique_ptr<StreamDemuxer> delivery = StreamDemuxer::Open(stream, "asf", &hr);
  if (!delivery) return hr;
  if (delivery->Context()->nb_streams != streams.size()) return VFW_E_INVALID_FILE_FORMAT;

  demuxer_ = std::move(delivery);
  streamOfDemuxerIndex_ = std::move(streamOfDemuxerIndex);
  runStates_.assign(streams.size(), RunState());
  hasPending_ = false;
  delivered_ = false;
  const std::lock_guard lock(mutex_);
  streams_.assign(streams.begin(), streams.end());
  settings_.assign(streams.size(), StreamSettings());
  durationHns_ = facts.durationHns;
  return S_OK;
}

HRESULT ReaderCore::PrepareRun(QWORD start) {
  if (!demuxer_) return E_UNEXPECTED;
  av_packet_unref(pending_.get());
  hasPending_ = false;
  if (start == 0) {
    // Back to the first packet: a fresh demuxer is the one sure way for files without an index.
    if (delivered_) {
      HRESULT hr;
      ComPtr<IStream> stream;
      {
        const std::lock_guard lock(mutex_);
        stream = stream_;
      }
      std::unique_ptr<StreamDemuxer> reopened = StreamDemuxer::Open(stream.Get(), "asf", &hr);
      if (!reopened) return hr;
      if (reopened->Context()->nb_streams != streamOfDemuxerIndex_.size()) return VFW_E_INVALID_FILE_FORMAT;
      demuxer_ = std::move(reopened);
    }
  } else {
    const int64_t target = av_rescale_q(static_cast<int64_t>(start), kHundredNanoseconds, AV_TIME_BASE_Q);
    if (av_seek_frame(demuxer_->Context(), -1, target, AVSEEK_FLAG_BACKWARD) < 0) {
      return FAILED(demuxer_->StreamError()) ? demuxer_->StreamError() : E_FAIL;
    }
  }
  delivered_ = start != 0;
  std::vector<std::shared_ptr<const StreamInfo>> streams;
  {
    const std::lock_guard lock(mutex_);
    streams = streams_;
  }
  for (std::size_t i = 0; i < runStates_.size(); ++i) {
    // After a seek a video stream starts at a key frame, so that it can be decoded.
    runStates_[i] = RunState{true, false, start != 0 && streams[i]->isVideo};
  }
  return S_OK;
}

ReaderCore::ReadResult ReaderCore::ReadNext(HRESULT* failure) {
  AVFormatContext* context = demuxer_->Context();
  int errors = 0;
  while (true) {
    const int result = av_read_frame(context, pending_.get());
    delivered_ = true;
    if (result == AVERROR_EOF) return ReadResult::kEnd;
    if (result < 0) {
      if (FAILED(demuxer_->StreamError())) {
        *failure = demuxer_->StreamError();
        return ReadResult::kFailed;
      }
      if (result == AVERROR(EAGAIN)) continue;
      // Damaged data: what follows may be incomplete.
      for (RunState& state : runStates_) state.dataLoss = true;
      if (++errors >= kMaxConsecutiveReadErrors) return ReadResult::kEnd;
      continue;
    }
    const int index = pending_->stream_index;
    if (index < 0 || static_cast<std::size_t>(index) >= streamOfDemuxerIndex_.size() ||
        streamOfDemuxerIndex_[static_cast<std::size_t>(index)] < 0) {
      av_packet_unref(pending_.get());
      continue;
    }
    hasPending_ = true;
    return ReadResult::kPacket;
  }
}

int64_t ReaderCore::PendingTime() const {
  const AVRational timeBase = demuxer_->Context()->streams[pending_->stream_index]->time_base;
  const int64_t timestamp = pending_->pts != AV_NOPTS_VALUE ? pending_->pts : pending_->dts;
  return timestamp == AV_NOPTS_VALUE ? 0 : av_rescale_q(timestamp, timeBase, kHundredNanoseconds);
}

void ReaderCore::DeliverPending(std::unique_lock<std::mutex>& lock) {
  const std::size_t streamIndex =
      static_cast<std::size_t>(streamOfDemuxerIndex_[static_cast<std::size_t>(pending_->stream_index)]);
  const std::shared_ptr<const StreamInfo> info = streams_[streamIndex];
  const StreamSettings settings = settings_[streamIndex];
  RunState& state = runStates_[streamIndex];
  const bool cleanPoint = (pending_->flags & AV_PKT_FLAG_KEY) != 0;
  hasPending_ = false;
  if (!info->selected || !settings.receiveSamples || (state.waitForCleanPoint && !cleanPoint)) {
    av_packet_unref(pending_.get());
    return;
  }
  state.waitForCleanPoint = false;

  const uint64_t generation = generation_;
  const DWORD size = static_cast<DWORD>(pending_->size);
  void* const context = context_;
  ComPtr<INSSBuffer> buffer;
  if (settings.allocate) {
    const HRESULT hr = CallOut(lock, Callout::kAllocate, [&](IWMReaderCallbackAdvanced* callback) {
      return callback->AllocateForStream(info->number, size, buffer.Receive(), context);
    });
    if (generation != generation_) {
      // Stopped or closed while waiting: the buffer goes back unused.
      lock.unlock();
      buffer = nullptr;
      av_packet_unref(pending_.get());
      lock.lock();
      return;
    }
    DWORD capacity = 0;
    if (FAILED(hr) || !buffer || FAILED(buffer->GetMaxLength(&capacity)) || capacity < size) {
      state.dataLoss = true;
      lock.unlock();
      buffer = nullptr;
      av_packet_unref(pending_.get());
      lock.lock();
      return;
    }
  } else {
    buffer = ComPtr<INSSBuffer>(new (std::nothrow) CNSSBuffer(size));
    if (!buffer) {
      state.dataLoss = true;
      av_packet_unref(pending_.get());
      return;
    }
  }

  DWORD flags = 0;
  if (cleanPoint) flags |= WM_SF_CLEANPOINT;
  if (state.first) flags |= WM_SF_DISCONTINUITY;
  if (state.dataLoss || (pending_->flags & AV_PKT_FLAG_CORRUPT) != 0) flags |= WM_SF_DATALOSS;
  state.first = false;
  state.dataLoss = false;

  const AVRational timeBase = demuxer_->Context()->streams[pending_->stream_index]->time_base;
  const int64_t time = PendingTime();
  const int64_t duration =
      pending_->duration > 0 ? av_rescale_q(pending_->duration, timeBase, kHundredNanoseconds) : 0;

  lock.unlock();
  // The one copy: from the demuxer's packet into the buffer the sample travels in.
  BYTE* data = nullptr;
  if (size > 0 && SUCCEEDED(buffer->GetBuffer(&data)) && data != nullptr)
    std::memcpy(data, pending_->data, size);
  buffer->SetLength(size);
  av_packet_unref(pending_.get());
  lock.lock();
  if (generation != generation_) {
    lock.unlock();
    buffer = nullptr;
    lock.lock();
    return;
  }
  CallOut(lock, Callout::kOther, [&](IWMReaderCallbackAdvanced* callback) {
    return callback->OnStreamSample(info->number, static_cast<QWORD>(time < 0 ? 0 : time),
                                    static_cast<QWORD>(duration), flags, buffer.Get(), context);
  });
  lock.unlock();
  buffer = nullptr;
  lock.lock();
}

void ReaderCore::SampleThreadMain() {
  std::unique_lock lock(mutex_);
  while (!quit_) {
    if (stopStatusOwed_) {
      stopStatusOwed_ = false;
      PostStatusLocked(WMT_STOPPED, S_OK);
      continue;
    }
    if (closeRequested_) {
      ComPtr<IWMReaderCallback> callback;
      ComPtr<IWMReaderCallbackAdvanced> advanced;
      ComPtr<IStream> stream;
      std::unique_ptr<StreamDemuxer> demuxer = std::move(demuxer_);
      lock.unlock();
      demuxer.reset();
      av_packet_unref(pending_.get());
      hasPending_ = false;
      lock.lock();
      // An open that never ran is reported as abandoned, so that no one waits for it.
      if (openRequested_) PostStatusLocked(WMT_OPENED, E_ABORT);
      if (closeStatusOwed_) PostStatusLocked(WMT_CLOSED, S_OK);
      closeStatusOwed_ = false;
      closeRequested_ = false;
      openRequested_ = false;
      streams_.clear();
      settings_.clear();
      // Dropped outside the lock: a last release may run the caller's destructor.
      callback.Swap(callback_);
      advanced.Swap(advanced_);
      stream.Swap(stream_);
      lock.unlock();
      callback = nullptr;
      advanced = nullptr;
      stream = nullptr;
      lock.lock();
      continue;
    }
    if (openRequested_) {
      openRequested_ = false;
      const ComPtr<IStream> stream = stream_;
      lock.unlock();
      const HRESULT hr = OpenFile(stream.Get());
      lock.lock();
      if (!closeRequested_) phase_ = SUCCEEDED(hr) ? Phase::kOpen : Phase::kClosed;
      PostStatusLocked(WMT_OPENED, hr);
      continue;
    }
    if (runRequested_) {
      runRequested_ = false;
      const uint64_t generation = generation_;
      const QWORD start = runStart_;
      lock.unlock();
      const HRESULT hr = PrepareRun(start);
      lock.lock();
      if (generation != generation_) continue;
      if (FAILED(hr)) {
        PostStatusLocked(WMT_ERROR, hr);
        continue;
      }
      running_ = true;
      PostStatusLocked(WMT_STARTED, S_OK);
      continue;
    }
    if (running_) {
      if (!hasPending_) {
        const uint64_t generation = generation_;
        HRESULT failure = S_OK;
        lock.unlock();
        const ReadResult result = ReadNext(&failure);
        lock.lock();
        if (generation != generation_) continue;
        if (result == ReadResult::kEnd) {
          running_ = false;
          PostStatusLocked(WMT_END_OF_STREAMING, S_OK);
          PostStatusLocked(WMT_EOF, S_OK);
        } else if (result == ReadResult::kFailed) {
          running_ = false;
          PostStatusLocked(WMT_ERROR, failure);
        }
        continue;
      }
      if (userClock_) {
        const int64_t time = PendingTime();
        if (horizon_ < 0 || time > horizon_) {
          if (horizon_ >= 0 && !onTimeSent_) {
            onTimeSent_ = true;
            const QWORD reached = static_cast<QWORD>(horizon_);
            void* const context = context_;
            CallOut(lock, Callout::kOther,
                    [&](IWMReaderCallbackAdvanced* callback) { return callback->OnTime(reached, context); });
          } else {
            wake_.wait(lock);
          }
          continue;
        }
      }
      DeliverPending(lock);
      continue;
    }
    wake_.wait(lock);
  }
}

class CWMReader final : public IWMReader,
                        public IWMReaderAdvanced2,
                        public IWMProfile,
                        public IWMHeaderInfo,
                        public CUnknown {
 public:
  CWMReader() : CUnknown(nullptr), core_(ReaderCore::Create()) {}
  ~CWMReader() override { core_->Shutdown(); }
  QUORBEL_DECLARE_IUNKNOWN

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IWMReader) return GetInterface(static_cast<IWMReader*>(this), object);
    if (iid == IID_IWMReaderAdvanced) return GetInterface(static_cast<IWMReaderAdvanced*>(this), object);
    if (iid == IID_IWMReaderAdvanced2) return GetInterface(static_cast<IWMReaderAdvanced2*>(this), object);
    if (iid == IID_IWMProfile) return GetInterface(static_cast<IWMProfile*>(this), object);
    if (iid == IID_IWMHeaderInfo) return GetInterface(static_cast<IWMHeaderInfo*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }

  HRESULT Start(QWORD start, QWORD duration, float rate, void* context) override {
    return core_->Start(start, duration, rate, context);
  }
  HRESULT Stop() override { return core_->Stop(); }
  HRESULT Close() override { return core_->Close(); }

  HRESULT SetUserProvidedClock(BOOL userClock) override { return core_->SetUserProvidedClock(userClock); }
  HRESULT DeliverTime(QWORD time) override { return core_->DeliverTime(time); }
  HRESULT SetReceiveStreamSamples(WORD streamNumber, BOOL receive) override {
    return core_->SetReceiveStreamSamples(streamNumber, receive);
  }
  HRESULT SetAllocateForStream(WORD streamNumber, BOOL allocate) override {
    return core_->SetAllocateForStream(streamNumber, allocate);
  }
  HRESULT GetStreamSelected(WORD streamNumber, WMT_STREAM_SELECTION* selection) override {
    return core_->GetStreamSelected(streamNumber, selection);
  }
  HRESULT GetMaxStreamSampleSize(WORD streamNumber, DWORD* size) override {
    return core_->GetMaxStreamSampleSize(streamNumber, size);
  }
  HRESULT OpenStream(IStream* stream, IWMReaderCallback* callback, void* context) override {
    return core_->OpenStream(stream, callback, context);
  }

  HRESULT GetStreamCount(DWORD* count) override { return core_->GetStreamCount(count); }
  HRESULT GetStream(DWORD index, IWMStreamConfig** config) override {
    return core_->GetStream(index, config);
  }

  HRESULT GetAttributeByName(WORD* streamNumber, const WCHAR* name, WMT_ATTR_DATATYPE* type, BYTE* value,
                             WORD* length) override {
    return core_->GetAttributeByName(streamNumber, name, type, value, length);
  }

 private:
  const std::shared_ptr<ReaderCore> core_;
};

}  // namespace

HRESULT CreateReader(IWMReader** reader) {
  if (reader == nullptr) return E_POINTER;
  *reader = nullptr;
  CWMReader* created;
  try {
    created = new CWMReader();
  } catch (const std::exception&) {
    // No memory or no thread for it.
    return E_OUTOFMEMORY;
  }
  return created->NonDelegatingQueryInterface(IID_IWMReader, reinterpret_cast<void**>(reader));
}

HRESULT WMCreateReader(IUnknown* reserved, DWORD, IWMReader** reader) {
  if (reserved != nullptr) return E_INVALIDARG;
  return CreateReader(reader);
}

}  // namespace quorbel::wmsdk
