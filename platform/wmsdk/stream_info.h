// What the reader knows of one stream of an open file, and the stream description objects
// (IWMStreamConfig with IWMMediaProps) it hands out for it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "wmsdk/interfaces.h"

struct AVStream;

namespace quorbel::wmsdk {

struct StreamInfo {
  WORD number = 0;        // the stream number of the file
  int demuxerIndex = -1;  // the demuxer's index of the stream
  std::u16string name;
  bool selected = false;  // audio and video streams are played, others are not
  bool isVideo = false;
  // The media type record's fields; formatBlock is what pbFormat points to.
  WM_MEDIA_TYPE type{};
  std::vector<BYTE> formatBlock;
  DWORD maxSampleSize = 0;
};

// Describes a demuxer stream: number, name ("title" metadata, if any), selection and the media
// type (WAVEFORMATEX or VIDEOINFOHEADER with the codec's extra data, FourCC subtype).
StreamInfo DescribeStream(const AVStream& stream, int demuxerIndex);

class CWMStreamConfig final : public IWMStreamConfig, public IWMMediaProps, public CUnknown {
 public:
  explicit CWMStreamConfig(std::shared_ptr<const StreamInfo> info);
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  HRESULT GetStreamNumber(WORD* streamNumber) override;
  // E_INVALIDARG (with *length set to the length needed) when the buffer is too small.
  HRESULT GetStreamName(WCHAR* name, WORD* length) override;
  // E_INVALIDARG (with *size set to the size needed) when the buffer is too small.
  HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) override;

 private:
  const std::shared_ptr<const StreamInfo> info_;
};

}  // namespace quorbel::wmsdk
