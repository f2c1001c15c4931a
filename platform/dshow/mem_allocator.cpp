#include "dshow/mem_allocator.h"

#include <cstdint>

namespace quorbel::dshow {

CMediaSample::CMediaSample(CMemAllocator* allocator, BYTE* buffer, LONG size)
    : allocator_(allocator), buffer_(buffer), size_(size), actualLength_(size) {}

HRESULT CMediaSample::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IMediaSample || iid == IID_IUnknown) return GetInterface(this, object);
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CMediaSample::AddRef() {
  return references_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG CMediaSample::Release() {
  const ULONG remaining = references_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (remaining == 0) allocator_->ReleaseBuffer(this);
  return remaining;
}

HRESULT CMediaSample::GetPointer(BYTE** buffer) {
  if (buffer == nullptr) return E_POINTER;
  *buffer = buffer_;
  return S_OK;
}

LONG CMediaSample::GetSize() {
  return size_;
}

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  if (!hasStart_) return VFW_E_SAMPLE_TIME_NOT_SET;
  if (start != nullptr) *start = start_;
  if (!hasEnd_) {
    if (end != nullptr) *end = start_ + 1;
    return VFW_S_NO_STOP_TIME;
  }
  if (end != nullptr) *end = end_;
  return S_OK;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) {
  hasStart_ = start != nullptr;
  hasEnd_ = hasStart_ && end != nullptr;
  start_ = hasStart_ ? *start : 0;
  end_ = hasEnd_ ? *end : 0;
  return S_OK;
}

HRESULT CMediaSample::IsSyncPoint() {
  return syncPoint_ ? S_OK : S_FALSE;
}

HRESULT CMediaSample::SetSyncPoint(BOOL syncPoint) {
  syncPoint_ = syncPoint != FALSE;
  return S_OK;
}

HRESULT CMediaSample::IsPreroll() {
  return preroll_ ? S_OK : S_FALSE;
}

HRESULT CMediaSample::SetPreroll(BOOL preroll) {
  preroll_ = preroll != FALSE;
  return S_OK;
}

LONG CMediaSample::GetActualDataLength() {
  return actualLength_;
}

HRESULT CMediaSample::SetActualDataLength(LONG length) {
  if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
  actualLength_ = length;
  return S_OK;
}

HRESULT CMediaSample::IsDiscontinuity() {
  return discontinuity_ ? S_OK : S_FALSE;
}

HRESULT CMediaSample::SetDiscontinuity(BOOL discontinuity) {
  discontinuity_ = discontinuity != FALSE;
  return S_OK;
}

void CMediaSample::ResetProperties() {
  actualLength_ = size_;
  hasStart_ = hasEnd_ = false;
  start_ = end_ = 0;
  syncPoint_ = preroll_ = discontinuity_ = false;
}

CMemAllocator::CMemAllocator() : CUnknown(nullptr) {}

CMemAllocator::~CMemAllocator() = default;

HRESULT CMemAllocator::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IMemAllocator) return GetInterface(static_cast<IMemAllocator*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
  if (request == nullptr || actual == nullptr) return E_POINTER;
  const std::lock_guard lock(mutex_);
  if (committed_) return VFW_E_ALREADY_COMMITTED;
  if (samples_.size() != free_.size()) return VFW_E_BUFFERS_OUTSTANDING;
  const LONG align = request->cbAlign;
  if (align <= 0 || (align & (align - 1)) != 0) return VFW_E_BADALIGN;
  if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0) return E_INVALIDARG;
  properties_ = *request;
  FreeMemoryLocked();
  *actual = properties_;
  return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties) {
  if (properties == nullptr) return E_POINTER;
  const std::lock_guard lock(mutex_);
  *properties = properties_;
  return S_OK;
}

HRESULT CMemAllocator::Commit() {
  const std::lock_guard lock(mutex_);
  if (committed_) return S_OK;
  if (properties_.cBuffers <= 0 || properties_.cbBuffer <= 0) return VFW_E_SIZENOTSET;
  // Memory survives a decommit while samples are out; it is reused when they come back.
  if (samples_.empty()) {
    const int64_t stride = (int64_t{properties_.cbPrefix} + properties_.cbBuffer + properties_.cbAlign - 1) /
                           properties_.cbAlign * properties_.cbAlign;
    const int64_t total = stride * properties_.cBuffers + properties_.cbAlign;
    memory_.reset(new (std::nothrow) BYTE[static_cast<std::size_t>(total)]);
    if (!memory_) return E_OUTOFMEMORY;
    const auto base = reinterpret_cast<std::uintptr_t>(memory_.get());
    const std::uintptr_t alignedBase =
        (base + properties_.cbPrefix + properties_.cbAlign - 1) / properties_.cbAlign * properties_.cbAlign;
    for (LONG i = 0; i < properties_.cBuffers; ++i) {
      BYTE* buffer = memory_.get() + (alignedBase - base) + i * stride;
      samples_.push_back(std::make_unique<CMediaSample>(this, buffer, properties_.cbBuffer));
      free_.push_back(samples_.back().get());
    }
  }
  committed_ = true;
  return S_OK;
}

HRESULT CMemAllocator::Decommit() {
  {
    const std::lock_guard lock(mutex_);
    committed_ = false;
    if (samples_.size() == free_.size()) FreeMemoryLocked();
  }
  bufferReturned_.notify_all();
  return S_OK;
}

HRESULT CMemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*, DWORD) {
  if (sample == nullptr) return E_POINTER;
  *sample = nullptr;
  std::unique_lock lock(mutex_);
  bufferReturned_.wait(lock, [this] { return !committed_ || !free_.empty(); });
  if (!committed_) return VFW_E_NOT_COMMITTED;
  CMediaSample* taken = free_.back();
  free_.pop_back();
  taken->ResetProperties();
  taken->AddRef();
  // The sample keeps the allocator alive while it is out.
  NonDelegatingAddRef();
  *sample = taken;
  return S_OK;
}

HRESULT CMemAllocator::ReleaseBuffer(IMediaSample* sample) {
  {
    const std::lock_guard lock(mutex_);
    free_.push_back(static_cast<CMediaSample*>(sample));
    if (!committed_ && samples_.size() == free_.size()) FreeMemoryLocked();
  }
  bufferReturned_.notify_one();
  NonDelegatingRelease();
  return S_OK;
}

LONG CMemAllocator::Outstanding() {
  const std::lock_guard lock(mutex_);
  return static_cast<LONG>(samples_.size() - free_.size());
}

void CMemAllocator::FreeMemoryLocked() {
  free_.clear();
  samples_.clear();
  memory_.reset();
}

}  // namespace quorbel::dshow
