#include "dshow/file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "com/memory.h"
#include "com/wide_text.h"

namespace quorbel::dshow {

GUID StreamSubtypeForFile(const std::string& fileName) {
  const std::size_t dot = fileName.find_last_of('.');
  const std::size_t slash = fileName.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return MEDIASUBTYPE_NULL;
  std::string extension = fileName.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".wmv" || extension == ".asf" || extension == ".wma") return MEDIASUBTYPE_Asf;
  return MEDIASUBTYPE_NULL;
}

CAsyncOutputPin::CAsyncOutputPin(CAsyncFileSource* filter, CCritSec* lock, HRESULT* hr)
    : CBasePin(u"Output", filter, lock, hr, PINDIR_OUTPUT), source_(filter) {}

HRESULT CAsyncOutputPin::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IAsyncReader) return GetInterface(static_cast<IAsyncReader*>(this), object);
  return CBasePin::NonDelegatingQueryInterface(iid, object);
}

HRESULT CAsyncOutputPin::CheckMediaType(const CMediaType* type) {
  if (source_->fd_ < 0) return E_UNEXPECTED;
  const CMediaType& own = source_->type_;
  return type->majortype == own.majortype && type->subtype == own.subtype ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CAsyncOutputPin::GetMediaType(int position, CMediaType* type) {
  if (position < 0) return E_INVALIDARG;
  if (position > 0 || source_->fd_ < 0) return VFW_S_NO_MORE_ITEMS;
  *type = source_->type_;
  return S_OK;
}

HRESULT CAsyncOutputPin::EndOfStream() {
  return E_UNEXPECTED;
}

HRESULT CAsyncOutputPin::BeginFlush() {
  return E_UNEXPECTED;
}

HRESULT CAsyncOutputPin::EndFlush() {
  return E_UNEXPECTED;
}

HRESULT CAsyncOutputPin::SyncRead(LONGLONG position, LONG length, BYTE* buffer) {
  if (buffer == nullptr && length > 0) return E_POINTER;
  if (position < 0 || length < 0) return E_INVALIDARG;
  if (source_->fd_ < 0) return E_UNEXPECTED;
  LONG done = 0;
  while (done < length) {
    const ssize_t n =
        ::pread(source_->fd_, buffer + done, static_cast<std::size_t>(length - done), position + done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return E_FAIL;
    if (n == 0) return S_FALSE;
    done += static_cast<LONG>(n);
  }
  return S_OK;
}

HRESULT CAsyncOutputPin::Length(LONGLONG* total, LONGLONG* available) {
  if (source_->fd_ < 0) return E_UNEXPECTED;
  if (total != nullptr) *total = source_->size_;
  if (available != nullptr) *available = source_->size_;
  return S_OK;
}

CAsyncFileSource::CAsyncFileSource()
    : CBaseFilter(u"File Source (Async.)", nullptr, &filterLock_, CLSID_AsyncReader),
      pin_(this, &filterLock_, nullptr) {}

CAsyncFileSource::~CAsyncFileSource() {
  if (fd_ >= 0) ::close(fd_);
}

HRESULT CAsyncFileSource::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IFileSourceFilter) return GetInterface(static_cast<IFileSourceFilter*>(this), object);
  return CBaseFilter::NonDelegatingQueryInterface(iid, object);
}

int CAsyncFileSource::GetPinCount() {
  return 1;
}

CBasePin* CAsyncFileSource::GetPin(int index) {
  return index == 0 ? &pin_ : nullptr;
}

HRESULT CAsyncFileSource::Load(const WCHAR* fileName, const AM_MEDIA_TYPE* type) {
  if (fileName == nullptr) return E_POINTER;
  const CAutoLock lock(filterLock_);
  if (fd_ >= 0) return E_UNEXPECTED;
  const std::string path = WideToUtf8(fileName);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return errno == EACCES ? E_ACCESSDENIED : E_FAIL;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return E_FAIL;
  }
  fd_ = fd;
  size_ = info.st_size;
  fileName_ = fileName;
  if (type != nullptr) {
    type_ = *type;
  } else {
    type_ = CMediaType(MEDIATYPE_Stream, StreamSubtypeForFile(path));
  }
  return S_OK;
}

HRESULT CAsyncFileSource::GetCurFile(WCHAR** fileName, AM_MEDIA_TYPE* type) {
  if (fileName == nullptr) return E_POINTER;
  const CAutoLock lock(filterLock_);
  *fileName = nullptr;
  if (fd_ < 0) return E_FAIL;
  *fileName = static_cast<WCHAR*>(CoTaskMemAlloc((fileName_.size() + 1) * sizeof(WCHAR)));
  if (*fileName == nullptr) return E_OUTOFMEMORY;
  CopyWide(fileName_, *fileName, fileName_.size() + 1);
  if (type != nullptr) return CopyMediaType(type, &type_);
  return S_OK;
}

}  // namespace quorbel::dshow
