// Opening the run's encoders and decoders. Opening holds CodecLock and registers the context
// in the same step, so a failure later in the run still finds every open codec.
#include <cstring>
#include <mutex>
#include <new>

#include "base/text.h"
#include "job/codec_lock.h"
#include "options/generic_options.h"
#include "pipeline/run_setup.h"
#include "quorbel/exceptions.h"

namespace quorbel {

namespace {

// What the encoder tells the muxer about its stream, e.g. the buffer sizes an MPEG program stream
// needs for its header; without it the muxer guesses.
void CopyCodedSideData(const AVCodecContext& encoder, AVStream& stream) {
  for (int i = 0; i < encoder.nb_coded_side_data; ++i) {
    const AVPacketSideData& data = encoder.coded_side_data[i];
    uint8_t* copy = av_stream_new_side_data(&stream, data.type, data.size);
    if (copy == nullptr) throw std::bad_alloc();
    std::memcpy(copy, data.data, data.size);
  }
}

// Opens context with codec and registers its owner slot; returns the library's result.
int OpenAndRegister(CodecContextPtr& context, const AVCodec* codec, AVDictionary** options,
                    std::vector<CodecContextPtr*>& registry) {
  const std::lock_guard<std::mutex> guard(CodecLock());
  const int opened = avcodec_open2(context.get(), codec, options);
  if (opened >= 0) registry.push_back(&context);
  return opened;
}

}  // namespace

void OpenEncoders(TCustomFFmpeg& job, RunTables& tables) {
  for (const auto& ost : tables.OutputStreams) {
    if (!ost->EncodingNeeded) continue;
    CodecContextPtr& encoder = ost->Output->encoder;
    const AVCodec* codec =
        encoder->codec != nullptr ? encoder->codec : avcodec_find_encoder(encoder->codec_id);
    if (codec == nullptr) {
      throw FFMpegException(
          StrPrintf("Unsupported codec for output stream #%d.%d", ost->FileIndex, ost->StreamIndex));
    }
    encoder->thread_count = job.CodecThreads;
    AVDictionary* options = CopyOptions(ost->Output->encoderOptions.get()).release();
    const int opened = OpenAndRegister(encoder, codec, &options, job.run.OpenEncoders);
    const DictionaryPtr unused(options);
    if (opened < 0) {
      throw FFMpegException(StrPrintf(
          "Error while opening codec for output stream #%d.%d - maybe incorrect parameters such as bit_rate, "
          "rate, width or height",
          ost->FileIndex, ost->StreamIndex));
    }
    LogUnusedOptions(job, unused.get(),
                     StrPrintf("the encoder of output stream #%d.%d", ost->FileIndex, ost->StreamIndex));
    if (avcodec_parameters_from_context(ost->Stream->codecpar, encoder.get()) < 0) throw std::bad_alloc();
    CopyCodedSideData(*encoder, *ost->Stream);
    ost->Stream->time_base = encoder->time_base;
    job.run.HeaderBytes += encoder->extradata_size;
  }
}

void OpenDecoders(TCustomFFmpeg& job, RunTables& tables) {
  for (const auto& ist : tables.InputStreams) {
    if (!ist->DecodingNeeded) continue;
    CodecContextPtr& decoder = ist->Input->decoder;
    const AVCodec* codec =
        decoder->codec != nullptr ? decoder->codec : avcodec_find_decoder(decoder->codec_id);
    if (codec == nullptr) {
      throw FFMpegException(StrPrintf("Unsupported codec (id=%d) for input stream #%d.%d",
                                      static_cast<int>(decoder->codec_id), ist->FileIndex, ist->StreamIndex));
    }
    decoder->thread_count = job.CodecThreads;
    if (OpenAndRegister(decoder, codec, nullptr, job.run.OpenDecoders) < 0) {
      throw FFMpegException(
          StrPrintf("Error while opening codec for input stream #%d.%d", ist->FileIndex, ist->StreamIndex));
    }
  }
}

}  // namespace quorbel
