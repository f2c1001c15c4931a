#include "dshow/output_queue.h"

#include <utility>

namespace quorbel::dshow {

namespace {

void ReleaseAll(std::vector<IMediaSample*>& samples) {
  for (IMediaSample* sample : samples) sample->Release();
  samples.clear();
}

}  // namespace

COutputQueue::COutputQueue(IPin* inputPin, HRESULT* hr, bool automatic, bool queued, long batchSize,
                           bool batchExact, long, int)
    : pin_(inputPin), batchSize_(batchSize < 1 ? 1 : batchSize), batchExact_(batchExact) {
  if (inputPin == nullptr || FAILED(inputPin->QueryInterface(IID_IMemInputPin, inputPin_.ReceiveVoid()))) {
    if (hr != nullptr) *hr = E_NOINTERFACE;
    return;
  }
  queued_ = automatic ? inputPin_->ReceiveCanBlock() == S_OK : queued;
  held_.reserve(static_cast<std::size_t>(batchSize_));
  if (queued_) thread_ = std::thread([this] { ThreadMain(); });
}

COutputQueue::~COutputQueue() {
  {
    const std::lock_guard lock(mutex_);
    terminate_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  for (const Entry& entry : queue_) {
    if (entry.kind == Kind::kSample) entry.sample->Release();
  }
  ReleaseAll(held_);
}

HRESULT COutputQueue::Receive(IMediaSample* sample) {
  long processed = 0;
  return ReceiveMultiple(&sample, 1, &processed);
}

HRESULT COutputQueue::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
  if (samples == nullptr || processed == nullptr) return E_POINTER;
  if (count < 0) return E_INVALIDARG;
  if (!inputPin_) return VFW_E_NOT_CONNECTED;
  if (!queued_) return DirectReceive(samples, count, processed);
  HRESULT hr;
  {
    const std::lock_guard lock(mutex_);
    hr = hr_;
    if (hr == S_OK) {
      for (long i = 0; i < count; ++i) queue_.push_back(Entry{Kind::kSample, samples[i], 0, 0, 0});
    }
  }
  if (hr != S_OK) {
    for (long i = 0; i < count; ++i) samples[i]->Release();
    *processed = 0;
    return hr;
  }
  wake_.notify_one();
  *processed = count;
  return S_OK;
}

void COutputQueue::ThreadMain() {
  std::vector<IMediaSample*> batch;
  batch.reserve(static_cast<std::size_t>(batchSize_));
  std::unique_lock lock(mutex_);
  while (!terminate_) {
    if (flushing_ && !flushAcknowledged_) {
      lock.unlock();
      ReleaseAll(batch);
      lock.lock();
      flushAcknowledged_ = true;
      flushDone_.notify_all();
      continue;
    }
    if (queue_.empty()) {
      // Without exact batching a partial batch goes as soon as nothing more is waiting.
      if (!batch.empty() && !batchExact_) {
        lock.unlock();
        SendBatch(batch);
        lock.lock();
      } else {
        wake_.wait(lock);
      }
      continue;
    }
    const Entry entry = queue_.front();
    queue_.pop_front();
    if (entry.kind == Kind::kSample) {
      batch.push_back(entry.sample);
      if (static_cast<long>(batch.size()) < batchSize_) continue;
    }
    lock.unlock();
    SendBatch(batch);
    if (entry.kind != Kind::kSample) SendControl(entry);
    lock.lock();
  }
  lock.unlock();
  ReleaseAll(batch);
}

void COutputQueue::SendBatch(std::vector<IMediaSample*>& batch) {
  if (batch.empty()) return;
  HRESULT hr;
  {
    const std::lock_guard lock(mutex_);
    hr = hr_;
  }
  if (hr == S_OK) {
    long processed = 0;
    hr = inputPin_->ReceiveMultiple(batch.data(), static_cast<long>(batch.size()), &processed);
    const std::lock_guard lock(mutex_);
    // A flush that began meanwhile has already set its own result.
    if (hr_ == S_OK) hr_ = hr;
  }
  ReleaseAll(batch);
}

void COutputQueue::SendControl(const Entry& entry) {
  HRESULT hr;
  {
    const std::lock_guard lock(mutex_);
    hr = hr_;
  }
  switch (entry.kind) {
    case Kind::kEndOfStream:
      // A pin that refused samples has ended the stream its own way.
      if (hr == S_OK) pin_->EndOfStream();
      break;
    case Kind::kNewSegment:
      pin_->NewSegment(entry.start, entry.stop, entry.rate);
      break;
    case Kind::kSample:
    case Kind::kSendAnyway:
      break;
  }
}

HRESULT COutputQueue::DirectReceive(IMediaSample** samples, long count, long* processed) {
  *processed = 0;
  std::vector<IMediaSample*> refused;
  std::vector<std::vector<IMediaSample*>> batches;
  HRESULT hr;
  {
    const std::lock_guard lock(mutex_);
    hr = flushing_ ? S_FALSE : hr_;
    if (hr != S_OK) {
      refused.assign(samples, samples + count);
    } else {
      for (long i = 0; i < count; ++i) {
        held_.push_back(samples[i]);
        if (static_cast<long>(held_.size()) == batchSize_) batches.push_back(std::exchange(held_, {}));
      }
      if (!batchExact_ && !held_.empty()) batches.push_back(std::exchange(held_, {}));
    }
  }
  if (hr != S_OK) {
    ReleaseAll(refused);
    return hr;
  }
  for (auto& batch : batches) SendBatch(batch);
  *processed = count;
  const std::lock_guard lock(mutex_);
  return hr_;
}

void COutputQueue::DirectSendHeld() {
  std::vector<IMediaSample*> batch;
  {
    const std::lock_guard lock(mutex_);
    batch.swap(held_);
  }
  SendBatch(batch);
}

void COutputQueue::SendAnyway() {
  if (!queued_) {
    DirectSendHeld();
    return;
  }
  {
    const std::lock_guard lock(mutex_);
    if (flushing_) return;
    queue_.push_back(Entry{Kind::kSendAnyway, nullptr, 0, 0, 0});
  }
  wake_.notify_one();
}

void COutputQueue::EOS() {
  if (!queued_) {
    DirectSendHeld();
    SendControl(Entry{Kind::kEndOfStream, nullptr, 0, 0, 0});
    return;
  }
  {
    const std::lock_guard lock(mutex_);
    if (flushing_) return;
    queue_.push_back(Entry{Kind::kEndOfStream, nullptr, 0, 0, 0});
  }
  wake_.notify_one();
}

void COutputQueue::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (!queued_) {
    DirectSendHeld();
    SendControl(Entry{Kind::kNewSegment, nullptr, start, stop, rate});
    return;
  }
  {
    const std::lock_guard lock(mutex_);
    if (flushing_) return;
    queue_.push_back(Entry{Kind::kNewSegment, nullptr, start, stop, rate});
  }
  wake_.notify_one();
}

void COutputQueue::BeginFlush() {
  if (!pin_) return;
  if (!queued_) {
    // Downstream first, so that a Receive blocked there returns.
    pin_->BeginFlush();
    std::vector<IMediaSample*> dropped;
    {
      const std::lock_guard lock(mutex_);
      flushing_ = true;
      if (hr_ == S_OK) hr_ = S_FALSE;
      dropped.swap(held_);
    }
    ReleaseAll(dropped);
    return;
  }
  std::deque<Entry> dropped;
  {
    const std::lock_guard lock(mutex_);
    flushing_ = true;
    flushAcknowledged_ = false;
    if (hr_ == S_OK) hr_ = S_FALSE;
    dropped.swap(queue_);
  }
  wake_.notify_one();
  for (const Entry& entry : dropped) {
    if (entry.kind == Kind::kSample) entry.sample->Release();
  }
  pin_->BeginFlush();
}

void COutputQueue::EndFlush() {
  if (!pin_) return;
  {
    std::unique_lock lock(mutex_);
    if (queued_) flushDone_.wait(lock, [this] { return flushAcknowledged_; });
    flushing_ = false;
  }
  pin_->EndFlush();
  const std::lock_guard lock(mutex_);
  hr_ = S_OK;
}

}  // namespace quorbel::dshow
