#include "filter/async_reader_stream.h"

#include <algorithm>
#include <cstdint>
#include <new>

namespace quorbel::wmvparser {

using namespace com;

AsyncReaderStream::AsyncReaderStream(dshow::IAsyncReader* source, QWORD position)
    : CUnknown(nullptr), source_(source), position_(position) {}

HRESULT AsyncReaderStream::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IStream || iid == IID_ISequentialStream)
    return GetInterface(static_cast<IStream*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT AsyncReaderStream::Read(void* buffer, ULONG count, ULONG* read) {
  if (read != nullptr) *read = 0;
  if (aborted_.load()) return E_ABORT;
  LONGLONG total = 0;
  LONGLONG available = 0;
  HRESULT hr = source_->Length(&total, &available);
  if (FAILED(hr)) return hr;
  ULONG done = 0;
  if (total > 0 && position_ < static_cast<QWORD>(total)) {
    // One source read takes at most what a LONG can count.
    const QWORD left = static_cast<QWORD>(total) - position_;
    done = static_cast<ULONG>(std::min<QWORD>({count, left, static_cast<QWORD>(INT32_MAX)}));
    hr = source_->SyncRead(static_cast<LONGLONG>(position_), static_cast<LONG>(done),
                           static_cast<BYTE*>(buffer));
    if (FAILED(hr)) done = 0;
  }
  position_ += done;
  if (read != nullptr) *read = done;
  return hr;
}

HRESULT AsyncReaderStream::Seek(LONGLONG move, DWORD origin, QWORD* newPosition) {
  switch (origin) {
    case STREAM_SEEK_SET:
      position_ = static_cast<QWORD>(move);
      break;
    case STREAM_SEEK_CUR:
      position_ += static_cast<QWORD>(move);
      break;
    case STREAM_SEEK_END: {
      LONGLONG total = 0;
      LONGLONG available = 0;
      const HRESULT hr = source_->Length(&total, &available);
      if (FAILED(hr)) return hr;
      position_ = static_cast<QWORD>(total) + static_cast<QWORD>(move);
      break;
    }
    default:
      return E_INVALIDARG;
  }
  if (newPosition != nullptr) *newPosition = position_;
  return S_OK;
}

HRESULT AsyncReaderStream::Stat(STATSTG* statstg, DWORD) {
  if (statstg == nullptr) return E_POINTER;
  LONGLONG total = 0;
  LONGLONG available = 0;
  const HRESULT hr = source_->Length(&total, &available);
  if (FAILED(hr)) return hr;
  *statstg = STATSTG{};
  statstg->type = STGTY_STREAM;
  statstg->cbSize = static_cast<QWORD>(total);
  return S_OK;
}

HRESULT AsyncReaderStream::Clone(IStream** stream) {
  if (stream == nullptr) return E_POINTER;
  *stream = nullptr;
  auto* clone = new (std::nothrow) AsyncReaderStream(source_.Get(), position_);
  if (clone == nullptr) return E_OUTOFMEMORY;
  return clone->NonDelegatingQueryInterface(IID_IStream, reinterpret_cast<void**>(stream));
}

HRESULT AsyncReaderStream::Write(const void*, ULONG, ULONG*) {
  return E_NOTIMPL;
}

HRESULT AsyncReaderStream::SetSize(QWORD) {
  return E_NOTIMPL;
}

HRESULT AsyncReaderStream::CopyTo(IStream*, QWORD, QWORD*, QWORD*) {
  return E_NOTIMPL;
}

HRESULT AsyncReaderStream::Commit(DWORD) {
  return E_NOTIMPL;
}

HRESULT AsyncReaderStream::Revert() {
  return E_NOTIMPL;
}

HRESULT AsyncReaderStream::LockRegion(QWORD, QWORD, DWORD) {
  return E_NOTIMPL;
}

HRESULT AsyncReaderStream::UnlockRegion(QWORD, QWORD, DWORD) {
  return E_NOTIMPL;
}

void AsyncReaderStream::Abort() {
  aborted_.store(true);
}

}  // namespace quorbel::wmvparser
