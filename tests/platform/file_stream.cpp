#include "file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quorbel::testing {

using namespace com;

namespace {

class FileStream final : public IStream, public CUnknown {
 public:
  explicit FileStream(int fd) : CUnknown(nullptr), fd_(fd) {}
  ~FileStream() override { ::close(fd_); }
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IStream || iid == IID_ISequentialStream)
      return GetInterface(static_cast<IStream*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }

  HRESULT Read(void* buffer, ULONG count, ULONG* read) override {
    const ssize_t n = ::pread(fd_, buffer, count, static_cast<off_t>(position_));
    if (n < 0) return E_FAIL;
    position_ += static_cast<QWORD>(n);
    if (read != nullptr) *read = static_cast<ULONG>(n);
    return S_OK;
  }
  HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT Seek(LONGLONG move, DWORD origin, QWORD* newPosition) override {
    struct stat info {};
    ::fstat(fd_, &info);
    switch (origin) {
      case STREAM_SEEK_SET:
        position_ = static_cast<QWORD>(move);
        break;
      case STREAM_SEEK_CUR:
        position_ += static_cast<QWORD>(move);
        break;
      case STREAM_SEEK_END:
        position_ = static_cast<QWORD>(info.st_size + move);
        break;
      default:
        return E_INVALIDARG;
    }
    if (newPosition != nullptr) *newPosition = position_;
    return S_OK;
  }
  HRESULT SetSize(QWORD) override { return E_NOTIMPL; }
  HRESULT CopyTo(IStream*, QWORD, QWORD*, QWORD*) override { return E_NOTIMPL; }
  HRESULT Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT Revert() override { return E_NOTIMPL; }
  HRESULT LockRegion(QWORD, QWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT UnlockRegion(QWORD, QWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT Stat(STATSTG* statstg, DWORD) override {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return E_FAIL;
    *statstg = STATSTG{};
    statstg->type = STGTY_STREAM;
    statstg->cbSize = static_cast<QWORD>(info.st_size);
    return S_OK;
  }
  HRESULT Clone(IStream**) override { return E_NOTIMPL; }

 private:
  const int fd_;
  QWORD position_ = 0;
};

}  // namespace

IStream* OpenFileStream(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  auto* stream = new FileStream(fd);
  IStream* result = nullptr;
  stream->NonDelegatingQueryInterface(IID_IStream, reinterpret_cast<void**>(&result));
  return result;
}

}  // namespace quorbel::testing
