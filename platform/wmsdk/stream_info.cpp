#include "wmsdk/stream_info.h"

#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include "com/wide_text.h"
#include "wmsdk/format_blocks.h"

namespace quorbel::wmsdk {

namespace {

constexpr std::size_t kMaxNameLength = 1024;

void Append(std::vector<BYTE>& block, const void* bytes, std::size_t count) {
  const auto* begin = static_cast<const BYTE*>(bytes);
  block.insert(block.end(), begin, begin + count);
}

void DescribeAudio(const AVCodecParameters& codec, StreamInfo& info) {
  info.type.majortype = WMMEDIATYPE_Audio;
  info.type.subtype = WMMediaSubtypeFromFourCC(codec.codec_tag);
  info.type.bFixedSizeSamples = TRUE;
  info.type.bTemporalCompression = FALSE;
  info.type.lSampleSize = static_cast<ULONG>(codec.block_align);
  info.type.formattype = WMFORMAT_WaveFormatEx;
  WAVEFORMATEX format{};
  format.wFormatTag = static_cast<WORD>(codec.codec_tag);
  format.nChannels = static_cast<WORD>(codec.ch_layout.nb_channels);
  format.nSamplesPerSec = static_cast<DWORD>(codec.sample_rate);
  format.nAvgBytesPerSec = static_cast<DWORD>(codec.bit_rate / 8);
  format.nBlockAlign = static_cast<WORD>(codec.block_align);
  format.wBitsPerSample = static_cast<WORD>(codec.bits_per_coded_sample);
  format.cbSize = static_cast<WORD>(codec.extradata_size);
  Append(info.formatBlock, &format, sizeof format);
}

void DescribeVideo(const AVStream& stream, StreamInfo& info) {
  const AVCodecParameters& codec = *stream.codecpar;
  info.isVideo = true;
  info.type.majortype = WMMEDIATYPE_Video;
  info.type.subtype = WMMediaSubtypeFromFourCC(codec.codec_tag);
  info.type.bFixedSizeSamples = FALSE;
  info.type.bTemporalCompression = TRUE;
  info.type.lSampleSize = 0;
  info.type.formattype = WMFORMAT_VideoInfo;
  VIDEOINFOHEADER format{};
  format.rcSource = {0, 0, codec.width, codec.height};
  format.rcTarget = format.rcSource;
  format.dwBitRate = static_cast<DWORD>(codec.bit_rate);
  const AVRational rate = stream.avg_frame_rate;
  format.AvgTimePerFrame = rate.num > 0 && rate.den > 0 ? 10000000LL * rate.den / rate.num : 0;
  BITMAPINFOHEADER& bitmap = format.bmiHeader;
  bitmap.biSize = static_cast<DWORD>(sizeof(BITMAPINFOHEADER) + codec.extradata_size);
  bitmap.biWidth = codec.width;
  bitmap.biHeight = codec.height;
  bitmap.biPlanes = 1;
  bitmap.biBitCount = static_cast<WORD>(codec.bits_per_coded_sample > 0 ? codec.bits_per_coded_sample : 24);
  bitmap.biCompression = codec.codec_tag;
  Append(info.formatBlock, &format, sizeof format);
}

}  // namespace

StreamInfo DescribeStream(const AVStream& stream, int demuxerIndex) {
  StreamInfo info;
  info.number = static_cast<WORD>(stream.id);
  info.demuxerIndex = demuxerIndex;
  if (const AVDictionaryEntry* title = av_dict_get(stream.metadata, "title", nullptr, 0)) {
    info.name = Utf8ToWide(title->value);
    // Names are counted in 16-bit lengths.
    if (info.name.size() > kMaxNameLength) info.name.resize(kMaxNameLength);
  }
  const AVCodecParameters& codec = *stream.codecpar;
  if (codec.codec_type == AVMEDIA_TYPE_AUDIO) {
    DescribeAudio(codec, info);
  } else if (codec.codec_type == AVMEDIA_TYPE_VIDEO) {
    DescribeVideo(stream, info);
  } else {
    return info;
  }
  info.selected = true;
  if (codec.extradata_size > 0)
    Append(info.formatBlock, codec.extradata, static_cast<std::size_t>(codec.extradata_size));
  info.type.cbFormat = static_cast<ULONG>(info.formatBlock.size());
  return info;
}

CWMStreamConfig::CWMStreamConfig(std::shared_ptr<const StreamInfo> info)
    : CUnknown(nullptr), info_(std::move(info)) {}

HRESULT CWMStreamConfig::NonDelegatingQueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IWMStreamConfig) return GetInterface(static_cast<IWMStreamConfig*>(this), object);
  if (iid == IID_IWMMediaProps) return GetInterface(static_cast<IWMMediaProps*>(this), object);
  return CUnknown::NonDelegatingQueryInterface(iid, object);
}

HRESULT CWMStreamConfig::GetStreamNumber(WORD* streamNumber) {
  if (streamNumber == nullptr) return E_POINTER;
  *streamNumber = info_->number;
  return S_OK;
}

HRESULT CWMStreamConfig::GetStreamName(WCHAR* name, WORD* length) {
  if (length == nullptr) return E_POINTER;
  const WORD needed = static_cast<WORD>(info_->name.size() + 1);
  if (name == nullptr) {
    *length = needed;
    return S_OK;
  }
  if (*length < needed) {
    *length = needed;
    return E_INVALIDARG;
  }
  CopyWide(info_->name, name, needed);
  *length = needed;
  return S_OK;
}

HRESULT CWMStreamConfig::GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) {
  if (size == nullptr) return E_POINTER;
  const DWORD needed = static_cast<DWORD>(sizeof(WM_MEDIA_TYPE) + info_->formatBlock.size());
  if (type == nullptr) {
    *size = needed;
    return S_OK;
  }
  if (*size < needed) {
    *size = needed;
    return E_INVALIDARG;
  }
  *type = info_->type;
  type->pUnk = nullptr;
  type->pbFormat = info_->formatBlock.empty() ? nullptr : reinterpret_cast<BYTE*>(type + 1);
  if (!info_->formatBlock.empty())
    std::memcpy(type + 1, info_->formatBlock.data(), info_->formatBlock.size());
  *size = needed;
  return S_OK;
}

}  // namespace quorbel::wmsdk
