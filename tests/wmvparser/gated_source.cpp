#include "gated_source.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>

namespace quorbel::testing {

GatedOutputPin::GatedOutputPin(GatedSource* source, CCritSec* lock)
    : CBasePin(u"Output", source, lock, nullptr, PINDIR_OUTPUT), source_(source) {}

HRESULT GatedOutputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IAsyncReader) return GetInterface(static_cast<IAsyncReader*>(this), object);
  return CBasePin::NonDelegatingQueryInterface(iid, object);
}

HRESULT GatedOutputPin::CheckMediaType(const CMediaType* type) {
  return type->majortype == MEDIATYPE_Stream && type->subtype == MEDIASUBTYPE_Asf ? S_OK
                                                                                  : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT GatedOutputPin::GetMediaType(int position, CMediaType* type) {
  if (position != 0) return VFW_S_NO_MORE_ITEMS;
  *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_Asf);
  return S_OK;
}

HRESULT GatedOutputPin::SyncRead(LONGLONG position, LONG length, BYTE* buffer) {
  {
    std::unique_lock lock(source_->mutex_);
    if (source_->gated_) {
      ++source_->waiting_;
      source_->changed_.notify_all();
      source_->changed_.wait_for(lock, std::chrono::milliseconds(source_->holdMs_),
                                 [this] { return !source_->gated_; });
      --source_->waiting_;
    }
  }
  const auto size = static_cast<LONGLONG>(source_->bytes_.size());
  if (position < 0 || length < 0) return E_INVALIDARG;
  const LONGLONG available = position >= size ? 0 : std::min<LONGLONG>(length, size - position);
  if (available > 0)
    std::memcpy(buffer, source_->bytes_.data() + position, static_cast<std::size_t>(available));
  return available == length ? S_OK : S_FALSE;
}

HRESULT GatedOutputPin::Length(LONGLONG* total, LONGLONG* available) {
  const auto size = static_cast<LONGLONG>(source_->bytes_.size());
  if (total != nullptr) *total = size;
  if (available != nullptr) *available = size;
  return S_OK;
}

GatedSource::GatedSource(const std::string& path)
    : CBaseFilter(u"Gated Source", nullptr, &filterLock_, GUID_NULL), pin_(this, &filterLock_) {
  std::ifstream in(path, std::ios::binary);
  bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void GatedSource::Close(int holdMs) {
  const std::lock_guard lock(mutex_);
  gated_ = true;
  holdMs_ = holdMs;
}

void GatedSource::Open() {
  {
    const std::lock_guard lock(mutex_);
    gated_ = false;
  }
  changed_.notify_all();
}

int GatedSource::Waiting() {
  const std::lock_guard lock(mutex_);
  return waiting_;
}

bool GatedSource::WaitUntilWaiting() {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::seconds(30), [this] { return waiting_ > 0; });
}

}  // namespace quorbel::testing
