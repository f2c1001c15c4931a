// GatedSource: a source filter offering a file's bytes as MEDIATYPE_Stream / ASF through
// IAsyncReader, whose reads can be held: once gated, every read waits until the gate opens or
// holdMs passes, like a source on a stalled device.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "dshow/base_filter.h"
#include "dshow/base_pin.h"

namespace quorbel::testing {

using namespace dshow;

class GatedSource;

class GatedOutputPin final : public CBasePin, public IAsyncReader {
 public:
  GatedOutputPin(GatedSource* source, CCritSec* lock);
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;
  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT EndOfStream() override { return E_UNEXPECTED; }
  HRESULT BeginFlush() override { return E_UNEXPECTED; }
  HRESULT EndFlush() override { return E_UNEXPECTED; }
  HRESULT SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
  HRESULT Length(LONGLONG* total, LONGLONG* available) override;

 private:
  GatedSource* const source_;
};

class GatedSource final : public CBaseFilter {
 public:
  explicit GatedSource(const std::string& path);
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int index) override { return index == 0 ? &pin_ : nullptr; }

  // From now on every read waits for Open() or holdMs.
  void Close(int holdMs);
  void Open();
  // Reads waiting now.
  int Waiting();
  bool WaitUntilWaiting();

 private:
  friend class GatedOutputPin;

  CCritSec filterLock_;
  GatedOutputPin pin_;
  std::vector<BYTE> bytes_;  // read-only after construction
  std::mutex mutex_;
  std::condition_variable changed_;
  bool gated_ = false;  // guarded by mutex_
  int holdMs_ = 0;      // guarded by mutex_
  int waiting_ = 0;     // guarded by mutex_
};

}  // namespace quorbel::testing
