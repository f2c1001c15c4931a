#include "fuzz_support.h"

#include <stdlib.h>

#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>

extern "C" {
#include <libavutil/log.h>
}

namespace quorbel::fuzz {

namespace {

void RemoveScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(ScratchDir(), ignored);
}

void DropLine(void*, int, const char*, va_list) {}

}  // namespace

const std::string& ScratchDir() {
  // Never destroyed: the exit handler that removes the folder still needs its name.
  static const std::string* const dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "quorbel-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create " + pattern);
    std::atexit(RemoveScratchDir);
    return new std::string(std::move(pattern));
  }();
  return *dir;
}

std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = ScratchDir() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

void ClearScratchDir() {
  for (const auto& entry : std::filesystem::directory_iterator(ScratchDir())) {
    std::error_code ignored;
    std::filesystem::remove_all(entry.path(), ignored);
  }
}

void SilenceLibraries() {
  av_log_set_level(AV_LOG_QUIET);
  av_log_set_callback(DropLine);
}

}  // namespace quorbel::fuzz
