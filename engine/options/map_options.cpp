#include <cstdlib>

#include "base/text.h"
#include "options/handlers.h"
#include "quorbel/exceptions.h"

namespace quorbel {

namespace {

// Reads numbers the way C's strtol with base 0 does (decimal, 0x hexadecimal, leading-0 octal),
// each followed by one separator character of any kind.
class NumberReader {
 public:
  explicit NumberReader(const std::string& text) : cursor_(text.c_str()) {}

  int32_t Next() {
    char* end = nullptr;
    const long value = std::strtol(cursor_, &end, 0);
    cursor_ = end;
    return static_cast<int32_t>(value);
  }
  void SkipSeparator() {
    if (*cursor_ != '\0') ++cursor_;
  }
  bool AtEnd() const { return *cursor_ == '\0'; }
  const char* Rest() const { return cursor_; }

 private:
  const char* cursor_;
};

}  // namespace

void AddStreamMap(TCustomFFmpeg& job, const std::string& value) {
  auto& maps = job.settings.streamMaps;
  // Run setup pairs maps with output streams; the tables of a job hold 20 of each.
  if (maps.size() >= static_cast<size_t>(kMaxStreamMaps)) {
    throw FFMpegException(StrPrintf("Too many stream maps (at most %d)", kMaxStreamMaps));
  }
  NumberReader reader(value);
  TStreamMap map;
  map.file = reader.Next();
  reader.SkipSeparator();
  map.stream = reader.Next();
  if (!reader.AtEnd()) {
    reader.SkipSeparator();
    map.syncFile = reader.Next();
    reader.SkipSeparator();
    map.syncStream = reader.Next();
  } else {
    map.syncFile = map.file;
    map.syncStream = map.stream;
  }
  maps.push_back(map);
}

void AddMetaDataMap(TCustomFFmpeg& job, const std::string& value) {
  auto& maps = job.settings.metaDataMaps;
  if (maps.size() >= static_cast<size_t>(kMaxMetaDataMaps)) {
    throw FFMpegException(StrPrintf("Too many metadata maps (at most %d)", kMaxMetaDataMaps));
  }
  NumberReader reader(value);
  TMetaDataMap map;
  map.outputFile = reader.Next();
  reader.SkipSeparator();
  map.inputFile = reader.Next();
  maps.push_back(map);
}

void SetTimestampScale(TCustomFFmpeg& job, const std::string& value) {
  NumberReader reader(value);
  const int32_t stream = reader.Next();
  reader.SkipSeparator();
  const double scale = std::strtod(reader.Rest(), nullptr);
  if (stream < 0 || stream >= kMaxStreams) {
    throw FFMpegException(StrPrintf("stream index over MAX_STREAMS(%d)", kMaxStreams));
  }
  // The scale belongs to the input opened next; once the input table is full there is none.
  const size_t nextInput = job.inputFiles.size();
  if (nextInput < static_cast<size_t>(kMaxFiles)) job.settings.timestampScales[nextInput][stream] = scale;
}

}  // namespace quorbel
