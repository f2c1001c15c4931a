// IStream: a seekable byte stream, as the media reader consumes one. Only reading, seeking,
// size and cloning are part of it here; the other methods exist so that a stream can refuse
// them.
#pragma once

#include "com/unknown.h"

namespace quorbel::com {

inline constexpr DWORD STREAM_SEEK_SET = 0;
inline constexpr DWORD STREAM_SEEK_CUR = 1;
inline constexpr DWORD STREAM_SEEK_END = 2;

inline constexpr DWORD STGTY_STREAM = 2;
inline constexpr DWORD STATFLAG_DEFAULT = 0;
inline constexpr DWORD STATFLAG_NONAME = 1;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct STATSTG {
  WCHAR* pwcsName;
  DWORD type;
  QWORD cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  CLSID clsid;
  DWORD grfStateBits;
  DWORD reserved;
};

struct ISequentialStream : IUnknown {
  static constexpr IID kIid = MakeGuid("{0C733A30-2A1C-11CE-ADE5-00AA0044773D}");
  // Reads up to count bytes; *read (when given) receives how many were read.
  virtual HRESULT Read(void* buffer, ULONG count, ULONG* read) = 0;
  virtual HRESULT Write(const void* buffer, ULONG count, ULONG* written) = 0;
};

struct IStream : ISequentialStream {
  static constexpr IID kIid = MakeGuid("{0000000C-0000-0000-C000-000000000046}");
  virtual HRESULT Seek(LONGLONG move, DWORD origin, QWORD* newPosition) = 0;
  virtual HRESULT SetSize(QWORD size) = 0;
  virtual HRESULT CopyTo(IStream* target, QWORD count, QWORD* read, QWORD* written) = 0;
  virtual HRESULT Commit(DWORD flags) = 0;
  virtual HRESULT Revert() = 0;
  virtual HRESULT LockRegion(QWORD offset, QWORD count, DWORD lockType) = 0;
  virtual HRESULT UnlockRegion(QWORD offset, QWORD count, DWORD lockType) = 0;
  virtual HRESULT Stat(STATSTG* statstg, DWORD flags) = 0;
  virtual HRESULT Clone(IStream** stream) = 0;
};
inline constexpr IID IID_ISequentialStream = ISequentialStream::kIid;
inline constexpr IID IID_IStream = IStream::kIid;

}  // namespace quorbel::com
