// Generic options: option names the engine does not handle itself, passed to the libraries' own
// named options. They are set in the job's option templates (five codec contexts, a container
// context, a scaler context) and their names recorded; ApplyRecordedOptions later copies them into
// the real contexts. Options of one encoder's or muxer's own option class (libx264 "preset",
// "crf", mpeg "muxrate", mp4 "movflags") are kept as private options and handed over in the
// options dictionary when the codec or file is opened.
#pragma once

#include <string>

#include "job/custom_ffmpeg.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorbel {

// Option flag masks (the libraries' AV_OPT_FLAG_* values).
inline constexpr int kEncodingMask = AV_OPT_FLAG_ENCODING_PARAM;
inline constexpr int kDecodingMask = AV_OPT_FLAG_DECODING_PARAM;
inline constexpr int kAudioMask = AV_OPT_FLAG_AUDIO_PARAM;
inline constexpr int kVideoMask = AV_OPT_FLAG_VIDEO_PARAM;
inline constexpr int kSubtitleMask = AV_OPT_FLAG_SUBTITLE_PARAM;

// Sets a library option by name. Returns false (and drops the option) when the name or value is
// blank or no library option of that name exists; a known option whose value the library rejects
// is also dropped, with a level-0 log line. Setting a non-zero "debug" or "fdebug" raises the
// job's Verbosity to 2.
bool SetGenericOption(TCustomFFmpeg& job, const std::string& name, const std::string& value);

// Copies every recorded option that the template has with all bits of mask set from the template
// into target (an AVCodecContext or AVFormatContext, the template of the same kind).
void ApplyRecordedOptions(const TCustomFFmpeg& job, void* target, void* templateContext, int mask);

// The private options for the given targets (PrivateOptionTarget bits) as an options dictionary;
// none when there are none.
DictionaryPtr PrivateOptionsFor(const TCustomFFmpeg& job, uint32_t targets);

// A copy of options to hand to avcodec_open2 / avformat_write_header (which consume it).
DictionaryPtr CopyOptions(const AVDictionary* options);

// Logs, at level 0, every option left in unused after an open call: "Option 'preset' was not
// used by <owner>".
void LogUnusedOptions(TCustomFFmpeg& job, const AVDictionary* unused, const std::string& owner);

}  // namespace quorbel
