// The option handlers behind the option names that do more than store a value. Each validates
// its value and writes the job's option state; rejections throw FFMpegException (codec tags:
// AssertionFailure), values that do not convert throw ConversionError. Settings written before a
// failing check stay written.
#pragma once

#include <cstdint>
#include <string>

#include "job/custom_ffmpeg.h"

namespace quorbel {

enum class Band { kTop, kBottom, kLeft, kRight };

// Formats. An empty name does nothing; "pgmyuv" means "image2" with image-sequence compatibility.
void SetInputFormat(TCustomFFmpeg& job, const std::string& name);        // TInputOptions.ForceFormat
void SetOutputFormat(TCustomFFmpeg& job, const std::string& name);       // TOutputOptions.ForceFormat
void SetInputOutputFormat(TCustomFFmpeg& job, const std::string& name);  // "f"

// Picture geometry and quality.
void SetFrameRate(TCustomFFmpeg& job, const std::string& value);    // "r"
void SetFrameSize(TCustomFFmpeg& job, const std::string& value);    // "s"
void SetAspectRatio(TCustomFFmpeg& job, const std::string& value);  // "aspect"
void SetCrop(TCustomFFmpeg& job, Band band, int32_t size);          // "croptop" ...
void SetPad(TCustomFFmpeg& job, Band band, int32_t size);           // "padtop" ...
void SetPadColor(TCustomFFmpeg& job, int32_t rgb);                  // "padcolor"
void SetPixelFormat(TCustomFFmpeg& job, const std::string& value);  // "pix_fmt", also "list"
void SetVideoQScale(TCustomFFmpeg& job, const std::string& value);  // "qscale"

// Codecs. type is AVMEDIA_TYPE_VIDEO, _AUDIO or _SUBTITLE.
void SetCodecName(TCustomFFmpeg& job, AVMediaType type, const std::string& value);  // "vcodec" ...
void SetCodecTag(TCustomFFmpeg& job, AVMediaType type, const std::string& value);   // "vtag", "atag"
void SetQuantMatrix(TCustomFFmpeg& job, bool intra, const std::string& value);      // "intra_matrix" ...
// "b", "vb", "ab": generic option plus the low-bit-rate warning.
void SetBitRate(TCustomFFmpeg& job, const std::string& name, const std::string& value);

// Maps.
void AddStreamMap(TCustomFFmpeg& job, const std::string& value);       // "map"
void AddMetaDataMap(TCustomFFmpeg& job, const std::string& value);     // "map_meta_data"
void SetTimestampScale(TCustomFFmpeg& job, const std::string& value);  // "itsscale"

// Times. name is the option's name, for the message.
void SetRecordingTime(TCustomFFmpeg& job, const std::string& name, const std::string& value);  // "t"
void SetRecordingTimeMs(TCustomFFmpeg& job, int32_t milliseconds);  // TOutputOptions.RecordingTime
void SetStartTime(TCustomFFmpeg& job, const std::string& name, const std::string& value);      // "ss"
void SetInputTsOffset(TCustomFFmpeg& job, const std::string& name, const std::string& value);  // "itsoffset"
void SetRecordTimestamp(TCustomFFmpeg& job, const std::string& name,
                        const std::string& value);  // "timestamp"
// TOutputOptions.Timestamp: a local date-time in days since 1899-12-30, exactly 0 for now.
void SetRecordTimestampFromDateTime(TCustomFFmpeg& job, double dateTime);

// Two-pass, statistics, plug-ins.
void SetPass(TCustomFFmpeg& job, const std::string& value);        // "pass"
void SetVstats(TCustomFFmpeg& job);                                // "vstats"
void SetVstatsFile(TCustomFFmpeg& job, const std::string& value);  // "vstats_file"
void AddVideoHook(TCustomFFmpeg& job, const std::string& value);   // "vhook"

}  // namespace quorbel
