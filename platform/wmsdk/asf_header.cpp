#include "wmsdk/asf_header.h"

#include <cstring>

namespace quorbel::wmsdk {

namespace {

constexpr GUID kHeaderObject = MakeGuid("{75B22630-668E-11CF-A6D9-00AA0062CE6C}");
constexpr GUID kFilePropertiesObject = MakeGuid("{8CABDCA1-A947-11CF-8EE4-00C00C205365}");
constexpr GUID kContentEncryptionObject = MakeGuid("{2211B3FB-BD23-11D2-B4B7-00A0C955FC6E}");
constexpr GUID kExtendedContentEncryptionObject = MakeGuid("{298AE614-2622-4C17-B935-DAE07EE9289C}");

constexpr QWORD kObjectHeaderSize = 24;  // GUID + 64-bit size
constexpr QWORD kHeaderObjectSize = 30;  // + 32-bit object count + 2 reserved bytes
// File properties: play duration and preroll after the object header, file ID, file size,
// creation date and packet count; preroll after play and send duration.
constexpr QWORD kPlayDurationOffset = 24 + 16 + 8 + 8 + 8;
constexpr QWORD kPrerollOffset = kPlayDurationOffset + 16;

QWORD ReadLe64(const BYTE* bytes) {
  QWORD value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

// Reads exactly count bytes at position; S_FALSE when the data ends first.
HRESULT ReadAt(IStream* stream, QWORD position, BYTE* buffer, ULONG count) {
  HRESULT hr = stream->Seek(static_cast<LONGLONG>(position), STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return hr;
  ULONG done = 0;
  while (done < count) {
    ULONG read = 0;
    hr = stream->Read(buffer + done, count - done, &read);
    if (FAILED(hr)) return hr;
    if (read == 0) return S_FALSE;
    done += read;
  }
  return S_OK;
}

}  // namespace

HRESULT ScanAsfHeader(IStream* stream, AsfHeaderFacts& facts) {
  facts = AsfHeaderFacts();
  BYTE header[kHeaderObjectSize];
  HRESULT hr = ReadAt(stream, 0, header, sizeof header);
  if (FAILED(hr)) return hr;
  if (hr != S_OK || GuidFromBytes(header) != kHeaderObject) return VFW_E_INVALID_FILE_FORMAT;
  const QWORD headerSize = ReadLe64(header + 16);
  if (headerSize < kHeaderObjectSize) return VFW_E_INVALID_FILE_FORMAT;

  for (QWORD position = kHeaderObjectSize; position + kObjectHeaderSize <= headerSize;) {
    BYTE object[kPrerollOffset + 8];
    hr = ReadAt(stream, position, object, kObjectHeaderSize);
    if (FAILED(hr)) return hr;
    // A header cut short ends the look; the demuxer judges what remains.
    if (hr != S_OK) break;
    const GUID id = GuidFromBytes(object);
    const QWORD size = ReadLe64(object + 16);
    if (size < kObjectHeaderSize || size > headerSize - position) return VFW_E_INVALID_FILE_FORMAT;
    if (id == kContentEncryptionObject || id == kExtendedContentEncryptionObject) facts.encrypted = true;
    if (id == kFilePropertiesObject && size >= sizeof object) {
      hr = ReadAt(stream, position, object, sizeof object);
      if (FAILED(hr)) return hr;
      if (hr == S_OK) {
        const QWORD playDuration = ReadLe64(object + kPlayDurationOffset);
        const QWORD prerollHns = ReadLe64(object + kPrerollOffset) * 10000;
        facts.durationHns = playDuration > prerollHns ? playDuration - prerollHns : 0;
      }
    }
    position += size;
  }
  return S_OK;
}

}  // namespace quorbel::wmsdk
