// One job's option state ("settings"): what the option handlers write and file setup and the run
// read. Defaults are the member initialisers; TCustomFFmpeg::ResetOptionState re-establishes them.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/av_ptr.h"

namespace quorbel {

// Table sizes of the option state; maps beyond them are rejected by their handlers.
inline constexpr int kMaxFiles = 20;
inline constexpr int kMaxStreams = 20;
inline constexpr int kMaxStreamMaps = 20;
inline constexpr int kMaxMetaDataMaps = 20;

// Not set, for the audio quality scale ("aq").
inline constexpr float kAudioQScaleUnset = -99999.0f;

// "map": output stream n takes stream (file, stream) and synchronises to (syncFile, syncStream).
struct TStreamMap {
  int32_t file = 0;
  int32_t stream = 0;
  int32_t syncFile = 0;
  int32_t syncStream = 0;
  bool operator==(const TStreamMap&) const = default;
};

// "map_meta_data": the output file's metadata comes from the input file.
struct TMetaDataMap {
  int32_t outputFile = 0;
  int32_t inputFile = 0;
  bool operator==(const TMetaDataMap&) const = default;
};

// Who takes a private option: encoders of a media kind or muxers.
enum PrivateOptionTarget : uint32_t {
  kVideoEncoders = 1u << 0,
  kAudioEncoders = 1u << 1,
  kSubtitleEncoders = 1u << 2,
  kMuxers = 1u << 3,
};

// An option of some encoder's or muxer's own option class (libx264 "preset", mpeg "muxrate"),
// handed over when the codec or file is opened.
struct PrivateOption {
  std::string name;
  std::string value;
  uint32_t targets = 0;  // PrivateOptionTarget bits
};

// Option templates are indexed by media type (AVMEDIA_TYPE_VIDEO 0 ... AVMEDIA_TYPE_ATTACHMENT 4).
inline constexpr int kCodecTemplateCount = 5;

struct OptionState {
  // Per input file (by the number of the file that is opened next) and stream: "itsscale".
  std::array<std::array<double, kMaxStreams>, kMaxFiles> timestampScales{};  // 0 = not set
  std::vector<TStreamMap> streamMaps;
  std::vector<TMetaDataMap> metaDataMaps;

  const AVInputFormat* forcedInputFormat = nullptr;
  const AVOutputFormat* forcedOutputFormat = nullptr;

  // Frame geometry: set by the input, then by "s", crops and pads.
  int32_t frameWidth = 0;
  int32_t frameHeight = 0;
  float frameAspectRatio = 0.0f;
  int32_t framePixelFormat = -1;  // AVPixelFormat; -1 none
  int32_t padTop = 0, padBottom = 0, padLeft = 0, padRight = 0;
  std::array<int32_t, 3> padColor{16, 128, 128};  // Y, Cb, Cr
  int32_t cropTop = 0, cropBottom = 0, cropLeft = 0, cropRight = 0;

  int32_t maxVideoFrames = std::numeric_limits<int32_t>::max();
  int32_t maxAudioFrames = std::numeric_limits<int32_t>::max();
  int32_t maxDataFrames = std::numeric_limits<int32_t>::max();
  int32_t maxSubtitleFrames = std::numeric_limits<int32_t>::max();

  AVRational frameRate{0, 0};
  float videoQScale = 0.0f;
  AvMemoryPtr<uint16_t> intraMatrix;  // 64 coefficients
  AvMemoryPtr<uint16_t> interMatrix;
  std::string rcOverrideText;  // parsed when the video stream is created

  bool videoDisable = false;
  int32_t videoDiscard = 0;  // AVDiscard for the input's video streams; 0 keeps the default
  std::string videoCodecName;
  uint32_t videoCodecTag = 0;
  bool sameQuality = false;
  bool deinterlace = false;
  int32_t topFieldFirst = -1;
  int32_t meThreshold = 0;
  int32_t intraDcPrecision = 8;
  bool loopInput = false;
  int32_t loopOutput = -1;
  bool qpHistogram = false;
  bool intraOnly = false;

  int32_t audioSampleRate = 44100;
  float audioQScale = kAudioQScaleUnset;
  bool audioDisable = false;
  int32_t audioChannels = 2;
  std::string audioCodecName;
  uint32_t audioCodecTag = 0;
  std::string audioLanguage;

  bool subtitleDisable = false;
  std::string subtitleCodecName;
  std::string subtitleLanguage;

  bool audioStreamCopy = false;
  bool videoStreamCopy = false;
  bool subtitleStreamCopy = false;

  float muxPreload = 0.5f;   // s
  float muxMaxDelay = 0.7f;  // s

  int64_t recordingTimeUs = std::numeric_limits<int64_t>::max();  // "t"; no limit
  int64_t startTimeUs = 0;                                        // "ss"
  int64_t recordTimestamp = 0;                                    // s since 1970 UTC; 0 none
  int64_t inputTsOffsetUs = 0;                                    // "itsoffset"

  std::string title, author, copyright, comment, genre, album;
  int32_t year = 0;
  int32_t track = 0;

  bool hexDump = false;
  bool packetDump = false;
  bool doPsnr = false;
  int32_t pass = 0;
  std::string passLogFileName;
  int32_t videoSyncMethod = -1;
  int32_t audioSyncMethod = 0;
  float audioDriftThreshold = 0.1f;
  bool copyTimestamps = false;
  bool shortest = false;
  int32_t videoGlobalHeader = 0;  // bit 0 global headers, bit 1 local headers
  std::string vstatsFileName;
  int32_t programId = 0;  // 0 all programs
  bool rateEmulation = false;
  int32_t videoChannel = 0;
  std::string videoStandard;
  int32_t audioVolume = 256;  // 256 unchanged
  int32_t threadCount = 1;    // decoder and encoder threads ("threads" is not an option)
  bool inputSync = false;
  int64_t outputSizeLimit = 0;  // bytes; 0 none
  bool imageSequenceCompat = false;
  float dtsDeltaThreshold = 10.0f;  // s
  int32_t scalerFlags = 4;          // SWS_BICUBIC

  // Generic options: names of the options set in the templates, applied to the real contexts.
  std::vector<std::string> recordedOptionNames;
  std::vector<PrivateOption> privateOptions;
  std::array<CodecContextPtr, kCodecTemplateCount> codecTemplates;
  FormatContextPtr formatTemplate;
  SwsContextPtr scalerTemplate;
};

}  // namespace quorbel
