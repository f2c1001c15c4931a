// "map_meta_data": an output file takes the container metadata of an input file.
#include <cstdlib>
#include <string>

#include "base/text.h"
#include "pipeline/run_setup.h"
#include "quorbel/exceptions.h"

namespace quorbel {

namespace {

// The texts of a container's metadata and their capacities (terminator included).
struct MetadataText {
  const char* key;
  const char* alternativeKey;  // an older name some demuxers still use; may be null
  size_t capacity;
};
constexpr MetadataText kTexts[] = {
    {"title", nullptr, 512},   {"artist", "author", 512}, {"copyright", nullptr, 512},
    {"comment", nullptr, 512}, {"album", nullptr, 512},   {"genre", nullptr, 32},
};
// Year and track are numbers.
constexpr const char* kYearKeys[] = {"date", "year"};
constexpr const char* kTrackKeys[] = {"track"};

const char* Find(const AVDictionary* metadata, const char* key) {
  const AVDictionaryEntry* entry = key != nullptr ? av_dict_get(metadata, key, nullptr, 0) : nullptr;
  return entry != nullptr ? entry->value : nullptr;
}

template <size_t N>
int Number(const AVDictionary* metadata, const char* const (&keys)[N]) {
  for (const char* key : keys) {
    if (const char* value = Find(metadata, key)) return std::atoi(value);
  }
  return 0;
}

void CopyMetadata(const AVFormatContext* input, AVFormatContext* output) {
  for (const MetadataText& text : kTexts) {
    const char* value = Find(input->metadata, text.key);
    if (value == nullptr) value = Find(input->metadata, text.alternativeKey);
    if (value == nullptr) {
      av_dict_set(&output->metadata, text.key, nullptr, 0);
    } else {
      av_dict_set(&output->metadata, text.key, std::string(value).substr(0, text.capacity - 1).c_str(), 0);
    }
  }
  const int year = Number(input->metadata, kYearKeys);
  const int track = Number(input->metadata, kTrackKeys);
  av_dict_set(&output->metadata, "date", year > 0 ? std::to_string(year).c_str() : nullptr, 0);
  av_dict_set(&output->metadata, "track", track > 0 ? std::to_string(track).c_str() : nullptr, 0);
}

}  // namespace

void CopyMappedMetadata(TCustomFFmpeg& job) {
  const int outputs = static_cast<int>(job.outputFiles.size());
  const int inputs = static_cast<int>(job.inputFiles.size());
  for (const TMetaDataMap& map : job.settings.metaDataMaps) {
    if (map.outputFile < 0 || map.outputFile >= outputs) {
      throw FFMpegException(StrPrintf("Invalid output file index %d map_meta_data(%d,%d)", map.outputFile,
                                      map.outputFile, map.inputFile));
    }
    if (map.inputFile < 0 || map.inputFile >= inputs) {
      throw FFMpegException(StrPrintf("Invalid input file index %d map_meta_data(%d,%d)", map.inputFile,
                                      map.outputFile, map.inputFile));
    }
    CopyMetadata(job.inputFiles[static_cast<size_t>(map.inputFile)].context.get(),
                 job.outputFiles[static_cast<size_t>(map.outputFile)].context.get());
  }
}

}  // namespace quorbel
