// A libavformat demuxer that reads through an IStream: a custom AVIOContext whose reads and
// seeks go to the stream, and the demuxer context opened on it, owned together.
#pragma once

#include <memory>

#include "base/av_ptr.h"
#include "com/com_ptr.h"
#include "wmsdk/interfaces.h"

namespace quorbel::wmsdk {

class StreamDemuxer {
 public:
  // Opens the named demuxer ("asf") on stream from its start; null when that fails, with
  // *hr set to the stream's error or VFW_E_INVALID_FILE_FORMAT.
  static std::unique_ptr<StreamDemuxer> Open(IStream* stream, const char* formatName, HRESULT* hr);
  ~StreamDemuxer();
  StreamDemuxer(const StreamDemuxer&) = delete;
  StreamDemuxer& operator=(const StreamDemuxer&) = delete;

  AVFormatContext* Context() const { return context_.get(); }
  // The first failure the stream reported, S_OK while it has reported none.
  HRESULT StreamError() const { return io_.error; }

 private:
  struct IoState {
    ComPtr<IStream> stream;
    HRESULT error = S_OK;
  };
  struct AvioDeleter {
    void operator()(AVIOContext* context) const;
  };

  StreamDemuxer() = default;
  static int Read(void* opaque, uint8_t* buffer, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);

  IoState io_;
  std::unique_ptr<AVIOContext, AvioDeleter> avio_;  // outlives context_
  InputFormatContextPtr context_;
};

}  // namespace quorbel::wmsdk
