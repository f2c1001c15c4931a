// CAsyncFileSource: a source filter that offers a file's bytes on one output pin ("Output")
// through IAsyncReader, for a parser to pull. Its output type is MEDIATYPE_Stream with a
// subtype from the file name's extension (".wmv", ".asf", ".wma": MEDIASUBTYPE_Asf; anything
// else MEDIASUBTYPE_NULL), or the type given to Load. Reads are synchronous (pread); queued
// asynchronous requests are not provided.
#pragma once

#include <string>

#include "dshow/base_filter.h"
#include "dshow/base_pin.h"

namespace quorbel::dshow {

inline constexpr CLSID CLSID_AsyncReader = MakeGuid("{E436EBB5-524F-11CE-9F53-0020AF0BA770}");

// The stream subtype a file of this name is offered as.
GUID StreamSubtypeForFile(const std::string& fileName);

class CAsyncFileSource;

class CAsyncOutputPin final : public CBasePin, public IAsyncReader {
 public:
  CAsyncOutputPin(CAsyncFileSource* filter, CCritSec* lock, HRESULT* hr);
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  HRESULT EndOfStream() override;
  HRESULT BeginFlush() override;
  HRESULT EndFlush() override;

  HRESULT SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
  HRESULT Length(LONGLONG* total, LONGLONG* available) override;

 private:
  CAsyncFileSource* const source_;
};

class CAsyncFileSource final : public CBaseFilter, public IFileSourceFilter {
 public:
  CAsyncFileSource();
  ~CAsyncFileSource() override;
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  int GetPinCount() override;
  CBasePin* GetPin(int index) override;

  // Opens the file; E_UNEXPECTED when one is loaded already, HRESULT_FROM_WIN32-style
  // codes (file not found, access denied) or E_FAIL when it does not open.
  HRESULT Load(const WCHAR* fileName, const AM_MEDIA_TYPE* type) override;
  HRESULT GetCurFile(WCHAR** fileName, AM_MEDIA_TYPE* type) override;

 private:
  friend class CAsyncOutputPin;

  CCritSec filterLock_;
  CAsyncOutputPin pin_;
  // Set once by Load, before any connection; read-only afterwards.
  int fd_ = -1;
  LONGLONG size_ = 0;
  std::u16string fileName_;
  CMediaType type_;
};

}  // namespace quorbel::dshow
