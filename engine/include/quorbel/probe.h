// TAVProbe: opens one media file at a time and answers what is in it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "quorbel/options.h"  // FixedText

struct AVFormatContext;

namespace quorbel {

// Container information. A missing start or duration keeps the libraries' no-value marker
// (INT64_MIN), so a negative Duration means "unknown".
struct TAVFileInfo {
  int64_t StartTime = -1;  // us
  int64_t Duration = -1;   // us
  int32_t BitRate = -1;    // bit/s
  int64_t Timestamp = -1;  // creation time, s since 1970-01-01 UTC; 0 when the file has none
  FixedText<512> Title, Author, Rights, Comment, Album;
  int32_t Year = -1, Track = -1;  // 0 when the file has none
  FixedText<32> Genre;

  void Reset() { *this = TAVFileInfo(); }
};

// One video stream.
struct TAVVideoInfo {
  FixedText<4> Language;
  FixedText<32> CodecName;
  int64_t StartTime = -1;  // stream time base
  int64_t StartTimeUs = -1;
  int64_t Duration = -1;  // stream time base
  int64_t DurationUs = -1;
  int32_t BitRate = -1;  // bit/s
  int32_t Height = -1;
  int32_t Width = -1;
  // width * sample aspect / height: 0.0 for an unknown (0/1) sample aspect, NaN for 0/0.
  float AspectRatio = -1.0f;
  int32_t PixelFormat = -1;  // AVPixelFormat
  int32_t FrameRateNum = -1, FrameRateDen = -1;

  void Reset() { *this = TAVVideoInfo(); }
};

class TAVProbe {
 public:
  TAVProbe();
  ~TAVProbe();
  TAVProbe(const TAVProbe&) = delete;
  TAVProbe& operator=(const TAVProbe&) = delete;

  // Opens `FileName`, with the named input format when `ForceFormat` is not empty. Throws
  // FFMpegException ("LibAVCodec not loaded." ...) when the libraries are not bound; any other
  // failure returns false with the reason in LastError() and leaves no file open.
  bool LoadFile(const std::string& FileName, const std::string& ForceFormat = "");
  void Close();

  // Without an open file these leave the record's defaults (-1) and log "file not loaded.".
  void GetFileInfo(TAVFileInfo& info) const;
  // The first video stream.
  void GetVideoInfo(TAVVideoInfo& info) const;
  // Stream `StreamIndex`, or the first video stream when it is negative. A missing or non-video
  // stream leaves the defaults and logs why.
  void GetVideoStreamInfo(int32_t StreamIndex, TAVVideoInfo& info) const;

  const std::string& LastError() const { return lastError_; }
  // The forced format of the open file; empty when none was forced.
  const std::string& FormatName() const { return formatName_; }
  // The short name of the demuxer that reads the open file ("avi", "mov,mp4,m4a,3gp,3g2,mj2"...);
  // empty without a file.
  std::string ContainerName() const;

  // All -1 without an open file.
  int32_t StreamCount() const { return streamCount_; }
  int32_t ProgramCount() const { return programCount_; }
  int32_t AudioStreamCount() const { return audioStreamCount_; }
  int32_t VideoStreamCount() const { return videoStreamCount_; }
  int32_t SubtitleStreamCount() const { return subtitleStreamCount_; }
  int32_t FirstAudioStream() const { return firstAudioStream_; }
  int32_t FirstVideoStream() const { return firstVideoStream_; }
  int32_t FirstSubtitleStream() const { return firstSubtitleStream_; }

 private:
  struct FileCloser {
    void operator()(AVFormatContext* context) const;
  };

  void CountStreams();

  std::unique_ptr<AVFormatContext, FileCloser> file_;
  std::string lastError_;
  std::string formatName_;
  int32_t streamCount_ = -1;
  int32_t programCount_ = -1;
  int32_t audioStreamCount_ = -1;
  int32_t videoStreamCount_ = -1;
  int32_t subtitleStreamCount_ = -1;
  int32_t firstAudioStream_ = -1;
  int32_t firstVideoStream_ = -1;
  int32_t firstSubtitleStream_ = -1;
};

}  // namespace quorbel
