#include "wmsdk/stream_io.h"

#include <cstdio>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/mem.h>
}

namespace quorbel::wmsdk {

namespace {
constexpr int kBufferSize = 64 * 1024;
}  // namespace

void StreamDemuxer::AvioDeleter::operator()(AVIOContext* context) const {
  // libavformat may have replaced the buffer it was given; free the current one.
  av_freep(&context->buffer);
  avio_context_free(&context);
}

StreamDemuxer::~StreamDemuxer() = default;

int StreamDemuxer::Read(void* opaque, uint8_t* buffer, int size) {
  auto* io = static_cast<IoState*>(opaque);
  ULONG read = 0;
  const HRESULT hr = io->stream->Read(buffer, static_cast<ULONG>(size), &read);
  if (FAILED(hr)) {
    if (io->error == S_OK) io->error = hr;
    return read > 0 ? static_cast<int>(read) : AVERROR(EIO);
  }
  return read == 0 ? AVERROR_EOF : static_cast<int>(read);
}

int64_t StreamDemuxer::Seek(void* opaque, int64_t offset, int whence) {
  auto* io = static_cast<IoState*>(opaque);
  if (whence & AVSEEK_SIZE) {
    STATSTG stat{};
    if (FAILED(io->stream->Stat(&stat, STATFLAG_NONAME))) return AVERROR(ENOSYS);
    return static_cast<int64_t>(stat.cbSize);
  }
  DWORD origin;
  switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
      origin = STREAM_SEEK_SET;
      break;
    case SEEK_CUR:
      origin = STREAM_SEEK_CUR;
      break;
    case SEEK_END:
      origin = STREAM_SEEK_END;
      break;
    default:
      return AVERROR(EINVAL);
  }
  QWORD position = 0;
  const HRESULT hr = io->stream->Seek(offset, origin, &position);
  if (FAILED(hr)) {
    if (io->error == S_OK) io->error = hr;
    return AVERROR(EIO);
  }
  return static_cast<int64_t>(position);
}

std::unique_ptr<StreamDemuxer> StreamDemuxer::Open(IStream* stream, const char* formatName, HRESULT* hr) {
  *hr = E_OUTOFMEMORY;
  std::unique_ptr<StreamDemuxer> demuxer(new (std::nothrow) StreamDemuxer());
  if (!demuxer) return nullptr;
  demuxer->io_.stream = ComPtr<IStream>(stream);
  if (FAILED(*hr = stream->Seek(0, STREAM_SEEK_SET, nullptr))) return nullptr;
  *hr = E_OUTOFMEMORY;

  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
  if (buffer == nullptr) return nullptr;
  demuxer->avio_.reset(avio_alloc_context(buffer, kBufferSize, 0, &demuxer->io_, &StreamDemuxer::Read,
                                          nullptr, &StreamDemuxer::Seek));
  if (!demuxer->avio_) {
    av_free(buffer);
    return nullptr;
  }
  AVFormatContext* context = avformat_alloc_context();
  if (context == nullptr) return nullptr;
  context->pb = demuxer->avio_.get();
  context->flags |= AVFMT_FLAG_CUSTOM_IO;
  // avformat_open_input frees the context when it fails.
  if (avformat_open_input(&context, nullptr, av_find_input_format(formatName), nullptr) < 0) {
    *hr = FAILED(demuxer->io_.error) ? demuxer->io_.error : VFW_E_INVALID_FILE_FORMAT;
    return nullptr;
  }
  demuxer->context_.reset(context);
  *hr = S_OK;
  return demuxer;
}

}  // namespace quorbel::wmsdk
