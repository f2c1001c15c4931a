// A memory allocator: a fixed set of equal buffers handed out as media samples. GetBuffer
// blocks while every buffer is out, which is how a consumer that holds samples slows its
// producer down. A sample goes back to the free list when its last reference goes; each
// sample that is out keeps the allocator alive.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "dshow/interfaces.h"

namespace quorbel::dshow {

class CMemAllocator;

class CMediaSample final : public IMediaSample {
 public:
  CMediaSample(CMemAllocator* allocator, BYTE* buffer, LONG size);

  HRESULT QueryInterface(REFIID iid, void** object) override;
  ULONG AddRef() override;
  // At 0 the sample returns to its allocator.
  ULONG Release() override;

  HRESULT GetPointer(BYTE** buffer) override;
  LONG GetSize() override;
  HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override;
  HRESULT IsSyncPoint() override;
  HRESULT SetSyncPoint(BOOL syncPoint) override;
  HRESULT IsPreroll() override;
  HRESULT SetPreroll(BOOL preroll) override;
  LONG GetActualDataLength() override;
  HRESULT SetActualDataLength(LONG length) override;
  HRESULT IsDiscontinuity() override;
  HRESULT SetDiscontinuity(BOOL discontinuity) override;

  // Clears times and flags and sets the data length to the size, for the next user.
  void ResetProperties();

 private:
  CMemAllocator* const allocator_;
  BYTE* const buffer_;
  const LONG size_;
  std::atomic<ULONG> references_{0};
  // The fields below belong to whoever holds the sample; one thread at a time.
  LONG actualLength_;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME end_ = 0;
  bool hasStart_ = false;
  bool hasEnd_ = false;
  bool syncPoint_ = false;
  bool preroll_ = false;
  bool discontinuity_ = false;
};

class CMemAllocator final : public IMemAllocator, public CUnknown {
 public:
  CMemAllocator();
  ~CMemAllocator() override;
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  HRESULT GetProperties(ALLOCATOR_PROPERTIES* properties) override;
  HRESULT Commit() override;
  HRESULT Decommit() override;
  HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end, DWORD flags) override;
  HRESULT ReleaseBuffer(IMediaSample* sample) override;

  // Buffers handed out and not yet returned.
  LONG Outstanding();

 private:
  void FreeMemoryLocked();

  std::mutex mutex_;
  std::condition_variable bufferReturned_;
  ALLOCATOR_PROPERTIES properties_{0, 0, 1, 0};         // guarded by mutex_
  bool committed_ = false;                              // guarded by mutex_
  std::unique_ptr<BYTE[]> memory_;                      // guarded by mutex_
  std::vector<std::unique_ptr<CMediaSample>> samples_;  // guarded by mutex_
  std::vector<CMediaSample*> free_;                     // guarded by mutex_
};

}  // namespace quorbel::dshow
