// The tables of one transcode run: a state per input file, per input stream and per output
// stream. Transcode builds them at its start and frees them at its end; every Part of the
// pipeline works on them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "base/av_ptr.h"
#include "job/job_files.h"
#include "pipeline/pipeline_owners.h"
#include "pipeline/sample_converter.h"

namespace quorbel {

struct TInputFileState {
  bool EofReached = false;  // reading failed or ended; the file is not chosen again
  int32_t FirstStream = 0;  // index of the file's first stream in the input-stream table
  int32_t StreamCount = 0;  // streams of the file when the run began
};

struct TInputStreamState {
  int32_t FileIndex = 0;
  int32_t StreamIndex = 0;
  AVStream* Stream = nullptr;        // owned by the input file's container
  InputStream* Input = nullptr;      // the job's entry: decoder context, rate emulation
  bool Discard = true;               // no output stream takes this stream; its packets are dropped
  bool DecodingNeeded = false;       // some output stream re-encodes from it
  int64_t ReadStart = 0;             // wall clock (us) at the start, with rate emulation
  int32_t EmuFrames = 0;             // frames delivered under rate emulation
  int64_t NextPts = AV_NOPTS_VALUE;  // us: expected time of the next decoded data
  int64_t Pts = 0;                   // us: time of the data being processed
  // dts (stream time base) of the packet behind the last decoded frame; frame-threaded decoders
  // return frames some packets after the one that carried them.
  int64_t LastFramePacketDts = AV_NOPTS_VALUE;
  bool IsStart = true;  // cleared by the audio path once the stream is aligned
  // Channels decoded audio is delivered in (0: the decoder's own); set by an audio encoder.
  int32_t RequestedChannels = 0;
  float Quality = 0.0f;  // quality of the last decoded picture

  SampleConverter Samples;  // decoded audio -> interleaved s16
  FramePtr DecodedFrame;    // reused for every frame the decoder returns

  AVCodecContext* Decoder() const { return Input->decoder.get(); }
};

struct TOutputStreamState {
  int32_t FileIndex = 0;
  int32_t StreamIndex = 0;         // stream number within the output file
  int32_t SourceIndex = -1;        // feeding entry of the input-stream table
  AVStream* Stream = nullptr;      // owned by the output file's container
  OutputStream* Output = nullptr;  // the job's entry: encoder context, options, fixed quality
  bool EncodingNeeded = false;
  // Frames handed to the video encoder (duplicates included), or packets copied.
  int32_t FrameNumber = 0;
  TInputStreamState* SyncStream = nullptr;  // clock that drives this stream's synchronisation
  int64_t SyncPos = 0;                      // next output frame (video) or sample (audio), encoder time base

  // Video: crop, pad and rescale to the encoder's picture.
  bool VideoResample = false;
  FramePtr TempPicture;  // encoder width, height and pixel format
  SwsContextPtr Scaler;
  int32_t ResampleHeight = 0;  // source rows given to the scaler
  bool VideoCrop = false;
  int32_t CropTopBand = 0;
  int32_t CropLeftBand = 0;
  bool VideoPad = false;
  int32_t PadTopBand = 0;
  int32_t PadBottomBand = 0;
  int32_t PadLeftBand = 0;
  int32_t PadRightBand = 0;

  // Audio: rate and channel conversion and whole encoder frames.
  bool AudioResample = false;
  SwrContextPtr Resampler;  // made by the audio path when first needed
  FifoPtr AudioFifo;        // bytes of interleaved s16 samples

  FilePtr PassLogFile;  // pass-1 statistics

  // Stream copy: puts the stream's headers in front of key packets ("vglobal" bit 1).
  BsfContextPtr HeaderInserter;
  // End (pts + duration) of the latest packet written, output stream time base.
  int64_t EndTs = AV_NOPTS_VALUE;

  // The last coded packet's statistics (AV_PKT_DATA_QUALITY_STATS).
  int32_t CodedQuality = 0;      // lambda
  int32_t CodedPictureType = 0;  // AVPictureType
  std::array<int64_t, 3> CodedError{};
  PacketPtr OutputPacket;  // reused for every packet written to this stream

  AVCodecContext* Encoder() const { return Output->encoder.get(); }
};

struct RunTables {
  std::vector<TInputFileState> InputFiles;
  std::vector<std::unique_ptr<TInputStreamState>> InputStreams;
  std::vector<std::unique_ptr<TOutputStreamState>> OutputStreams;
};

}  // namespace quorbel
