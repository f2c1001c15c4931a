// How the media fuzzers read their input: the first byte picks the input file's extension (some
// demuxers are chosen by it) and, for the conversion, the output; the rest is the file. The seed
// generator writes its files in the same layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace quorbel::fuzz {

inline constexpr const char* kInputExtensions[] = {
    "",     ".avi", ".mp4",  ".mov", ".asf", ".wmv", ".mpg", ".ts",  ".flv", ".3gp", ".wav", ".mp3",
    ".ac3", ".mkv", ".flac", ".au",  ".rm",  ".dv",  ".m4a", ".ogg", ".aac", ".amr", ".vob", ".wma"};
inline constexpr size_t kInputExtensionCount = std::size(kInputExtensions);

inline const char* InputExtension(uint8_t first) {
  return kInputExtensions[first % kInputExtensionCount];
}
// How many outputs the conversion fuzzer chooses from.
inline constexpr size_t kTranscodeOutputCount = 10;

// Which output of a list of `count` the conversion fuzzer writes.
inline size_t OutputChoice(uint8_t first, size_t count) {
  return (first / kInputExtensionCount) % count;
}

// The first byte that selects `extension` (".avi") and output `output`; extension 0 when unknown.
inline uint8_t FirstByteFor(std::string_view extension, size_t output) {
  size_t index = 0;
  for (size_t i = 0; i < kInputExtensionCount; ++i) {
    if (extension == kInputExtensions[i]) index = i;
  }
  return static_cast<uint8_t>((index + output * kInputExtensionCount) & 0xFF);
}

}  // namespace quorbel::fuzz
