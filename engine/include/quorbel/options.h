// The two option records a caller fills for a job: TInputOptions for AddJob, TOutputOptions
// for SetJobOutput. Each also carries ExtOptions, free option text with one name=value per line
// ("vcodec=mpeg4\nab=128000"), applied before the record's own fields.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quorbel {

// A colour as red in bits 0-7, green in bits 8-15 and blue in bits 16-23.
using TColor = uint32_t;

// Fixed-capacity, zero-terminated text for the container metadata fields.
template <size_t Capacity>
struct FixedText {
  std::array<char, Capacity> chars{};

  // Copies at most Capacity - 1 bytes of text.
  void Assign(const std::string& text);
  std::string Str() const;
  bool Empty() const { return chars[0] == '\0'; }
};

struct TInputOptions {
  std::string FileName;     // empty: the AddJob argument
  std::string ForceFormat;  // forced input format, when not empty
  int32_t StartTime = -1;   // ms; start offset when > 0
  int32_t ProgramID = -1;   // program to read, when >= 0
  std::string ExtOptions;   // option text, applied first

  void Reset() { *this = TInputOptions(); }
};

// Integer fields apply when > 0 (or >= 0 where noted), strings when not empty; see the
// engine's option documentation for the exact rule of each field.
struct TOutputOptions {
  std::string FileName;  // empty: the SetJobOutput argument
  std::string ForceFormat;
  int32_t PacketSize = -1;
  int32_t MuxRate = -1;
  float MuxDelay = -1.0f;    // s
  float MuxPreload = -1.0f;  // s

  std::string AudioCodec;
  bool DisableAudio = false;
  int32_t AudioVolume = -1;  // applies when >= 0; 256 = unchanged
  int32_t AudioChannels = -1;
  int32_t AudioSampleRate = -1;
  int32_t AudioBitrate = -1;  // bit/s
  int32_t AudioBitrateTolerance = -1;
  std::string AudioLanguage;  // always applied; empty clears
  int32_t AudioSyncMethod = 0;
  std::string AudioTag;

  std::string VideoCodec;
  bool DisableVideo = false;
  std::string FrameRate;
  std::string FrameSize;
  std::string FrameAspectRatio;
  int32_t CropTop = -1, CropBottom = -1, CropLeft = -1, CropRight = -1;  // apply when >= 0
  int32_t PadTop = -1, PadBottom = -1, PadLeft = -1, PadRight = -1;      // apply when >= 0
  TColor PadColor = 0;                                                   // black
  int32_t GOPSize = -1;
  int32_t VideoBitrate = -1;  // bit/s
  int32_t VideoMaxRate = -1;
  int32_t VideoMinRate = -1;
  int32_t VideoBitrateTolerance = -1;
  int32_t VideoBufSize = -1;
  int32_t VideoSyncMethod = -1;  // always applied
  std::string VideoTag;

  bool DisableSubtitle = false;
  std::string SubtitleLanguage;  // always applied; empty clears

  bool CopyTimestamps = false;
  int32_t RecordingTime = -1;  // ms
  double Timestamp = -1.0;     // local date-time in days since 1899-12-30; 0 = now

  int32_t Year = -1, Track = -1;
  FixedText<512> Title, Author, Rights, Comment, Album;
  FixedText<32> Genre;

  int32_t Target = 0;             // 1 vcd, 2 svcd, 3 dvd; other values: none
  int32_t TargetNorm = 0;         // 1 pal, 2 ntsc, otherwise auto
  int32_t TargetNormDefault = 1;  // 1 pal, otherwise ntsc

  bool CustomHook = false;
  bool BeforeHook = false;
  std::string HookRangeText;  // "start-end,start-end" in ms

  std::string ExtOptions;

  void Reset() { *this = TOutputOptions(); }
};

template <size_t Capacity>
void FixedText<Capacity>::Assign(const std::string& text) {
  chars.fill('\0');
  text.copy(chars.data(), Capacity - 1);
}

template <size_t Capacity>
std::string FixedText<Capacity>::Str() const {
  size_t length = 0;
  while (length < Capacity && chars[length] != '\0') ++length;
  return std::string(chars.data(), length);
}

}  // namespace quorbel
