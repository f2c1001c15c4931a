// Owners the benchmark programs need beside the engine's (base/av_ptr.h), and the one way they
// turn a library error code into an exception.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/error.h>
}

namespace quorbel::bench {

struct AudioFifoDeleter {
  void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

// A muxer context together with the file it writes: closes the file, then frees the context.
struct OutputFileDeleter {
  void operator()(AVFormatContext* context) const {
    if (context->pb != nullptr && (context->oformat->flags & AVFMT_NOFILE) == 0) avio_closep(&context->pb);
    avformat_free_context(context);
  }
};
using OutputFilePtr = std::unique_ptr<AVFormatContext, OutputFileDeleter>;

// Throws "what: <library text>" when result is a library error; returns result otherwise.
inline int Check(int result, const std::string& what) {
  if (result >= 0) return result;
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(result, text, sizeof(text));
  throw std::runtime_error(what + ": " + text);
}

template <typename T>
T* CheckAllocated(T* object, const std::string& what) {
  if (object == nullptr) throw std::runtime_error(what + ": out of memory");
  return object;
}

}  // namespace quorbel::bench
