// AsyncReaderStream: the byte stream the Windows Media reader reads a file through, served by
// the upstream filter's IAsyncReader.
#pragma once

#include <atomic>

#include "com/com_ptr.h"
#include "com/stream.h"
#include "dshow/interfaces.h"

namespace quorbel::wmvparser {

class AsyncReaderStream final : public com::IStream, public com::CUnknown {
 public:
  AsyncReaderStream(dshow::IAsyncReader* source, com::QWORD position);
  QUORBEL_DECLARE_IUNKNOWN
  com::HRESULT NonDelegatingQueryInterface(com::REFIID iid, void** object) override;

  // Reads from the position up to the source's total length: at or past it nothing is read
  // and the result is S_OK. A failed source read reads nothing and returns its error.
  com::HRESULT Read(void* buffer, com::ULONG count, com::ULONG* read) override;
  // STREAM_SEEK_SET, _CUR, _END (from the source's total); no bounds check.
  com::HRESULT Seek(com::LONGLONG move, com::DWORD origin, com::QWORD* newPosition) override;
  // Type STGTY_STREAM and the source's total size; no name.
  com::HRESULT Stat(com::STATSTG* statstg, com::DWORD flags) override;
  // A new stream on the same source at the same position.
  com::HRESULT Clone(com::IStream** stream) override;
  // The stream is read-only: E_NOTIMPL.
  com::HRESULT Write(const void* buffer, com::ULONG count, com::ULONG* written) override;
  com::HRESULT SetSize(com::QWORD size) override;
  com::HRESULT CopyTo(com::IStream* target, com::QWORD count, com::QWORD* read, com::QWORD* written) override;
  com::HRESULT Commit(com::DWORD flags) override;
  com::HRESULT Revert() override;
  com::HRESULT LockRegion(com::QWORD offset, com::QWORD count, com::DWORD lockType) override;
  com::HRESULT UnlockRegion(com::QWORD offset, com::QWORD count, com::DWORD lockType) override;

  // Every later Read fails with E_ABORT: a reader still reading a file that the filter gave up
  // waiting for stops at its next read instead of reading on to the end.
  void Abort();

 private:
  const com::ComPtr<dshow::IAsyncReader> source_;
  // The reader's own: one thread reads and seeks at a time.
  com::QWORD position_;
  std::atomic<bool> aborted_{false};
};

}  // namespace quorbel::wmvparser
