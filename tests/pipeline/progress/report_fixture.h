// Run tables built by hand, so that a report can be made from exactly chosen values: output
// streams with their positions and coded-frame statistics, a first output file whose byte stream
// has a known write position, and the job's clock.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/av_ptr.h"
#include "job/custom_ffmpeg.h"
#include "pipeline/run_tables.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
#include <libavutil/time.h>
}

namespace quorbel::testing {

struct ProgressCall {
  int32_t frame;
  int32_t fps;
  int32_t durationMs;
  float quality;
  float bitRate;
  int64_t sizeBytes;
  int32_t totalDurationMs;
};

class ReportFixture : public ::testing::Test {
 protected:
  ReportFixture() : container_(avformat_alloc_context()) {
    job.LogCallback = [this](TCustomFFmpeg&, int level, const std::string& text) {
      EXPECT_EQ(level, 1);
      lines.push_back(text);
    };
    job.SetVerbosity(1);
    job.run.TimerStart = av_gettime();
  }
  ~ReportFixture() override {
    if (bytes_ != nullptr) {
      av_freep(&bytes_->buffer);
      avio_context_free(&bytes_);
    }
    if (!job.outputFiles.empty()) job.outputFiles.front().context->pb = nullptr;
    job.SetVerbosity(0);
  }

  void WireProgress() {
    job.ProgressCallback = [this](TCustomFFmpeg&, int32_t frame, int32_t fps, int32_t durationMs,
                                  float quality, float bitRate, int64_t size, int32_t totalMs) {
      calls.push_back({frame, fps, durationMs, quality, bitRate, size, totalMs});
    };
  }

  // The first output file, its byte stream at write position `sizeBytes` (a stream that cannot
  // tell its size, so the position is what counts).
  void SetOutputSize(int sizeBytes) {
    constexpr int kBufferBytes = 4096;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
    bytes_ = avio_alloc_context(buffer, kBufferBytes, 1, nullptr, nullptr, &Discard, nullptr);
    const std::vector<unsigned char> data(static_cast<size_t>(sizeBytes), 0);
    avio_write(bytes_, data.data(), sizeBytes);
    OutputFile file;
    file.context.reset(avformat_alloc_context());
    file.context->pb = bytes_;
    job.outputFiles.push_back(std::move(file));
  }

  // An output stream whose latest packet ends at `endTs` (time base 1/1000).
  TOutputStreamState& AddStream(AVMediaType type, bool encoded, int64_t endTs, int32_t frames = 0,
                                float quantiser = 0.0f) {
    auto output = std::make_unique<OutputStream>();
    output->encoder.reset(avcodec_alloc_context3(nullptr));
    output->encoder->codec_type = type;
    output->encoder->width = 64;
    output->encoder->height = 48;
    output->encoder->time_base = {1, 25};
    output->stream = avformat_new_stream(container_.get(), nullptr);
    output->stream->time_base = {1, 1000};
    auto ost = std::make_unique<TOutputStreamState>();
    ost->Output = output.get();
    ost->Stream = output->stream;
    ost->EncodingNeeded = encoded;
    ost->EndTs = endTs;
    ost->FrameNumber = frames;
    ost->CodedQuality = static_cast<int32_t>(quantiser * FF_QP2LAMBDA);
    outputs_.push_back(std::move(output));
    tables.OutputStreams.push_back(std::move(ost));
    return *tables.OutputStreams.back();
  }

  TCustomFFmpeg job;
  RunTables tables;
  std::vector<ProgressCall> calls;
  std::vector<std::string> lines;

 private:
  static int Discard(void*, uint8_t*, int size) { return size; }

  FormatContextPtr container_;
  std::vector<std::unique_ptr<OutputStream>> outputs_;
  AVIOContext* bytes_ = nullptr;
};

}  // namespace quorbel::testing
