// The files a job has opened: its inputs with their streams' decoder settings and its outputs
// with one encoder context beside each stream. File setup fills them; the run reads them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/av_ptr.h"

namespace quorbel {

struct InputStream {
  AVStream* stream = nullptr;  // owned by the file's container
  // Decoder settings: filled from the stream's parameters with the recorded decoding options
  // applied; not opened (the run opens it when the stream is decoded). Its codec is the forced
  // decoder of the stream's kind or the default decoder of the codec id, when there is one.
  CodecContextPtr decoder;
  bool rateEmulation = false;  // deliver packets no faster than real time ("re")
};

struct InputFile {
  std::string fileName;
  InputFormatContextPtr context;
  // Added to every timestamp read from the file; "itsoffset" minus the start position.
  int64_t timestampOffsetUs = 0;
  std::vector<InputStream> streams;  // by stream index
};

// Closes the byte stream (unless the format writes none) before freeing the container.
struct OutputFormatContextDeleter {
  void operator()(AVFormatContext* context) const;
};
using OutputFormatContextPtr = std::unique_ptr<AVFormatContext, OutputFormatContextDeleter>;

struct OutputStream {
  AVStream* stream = nullptr;  // owned by the file's container
  // Encoder settings for the stream. For an encoded stream its codec is the chosen encoder
  // (none when the library has no encoder for the codec id); it is opened by the run, which then
  // copies its parameters into the stream. For a copied stream it only carries the kind and the
  // few fields file setup sets (codec tag, flags); the run fills the rest from the source.
  CodecContextPtr encoder;
  bool streamCopy = false;
  // Fixed quantiser as a quality value (quantiser x 118) for every coded picture; 0 = none.
  float quality = 0.0f;
  // Encoder-private options ("preset", "crf", ...) of the stream's kind, for avcodec_open2.
  DictionaryPtr encoderOptions;
};

struct OutputFile {
  std::string fileName;
  OutputFormatContextPtr context;
  std::vector<OutputStream> streams;  // by stream index
  // Muxer-private options ("muxrate", "preload", "movflags", ...) for avformat_write_header.
  DictionaryPtr muxerOptions;
  // Set when the run that wrote the file failed: the file lacks its trailer and is removed.
  bool incomplete = false;
};

// Frees the streams' encoder contexts, closes the byte stream, frees the container and deletes
// the file when it exists and is empty, or is a regular file marked incomplete.
void CloseOutputFile(OutputFile& file);

}  // namespace quorbel
