#include <unistd.h>

#include <array>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "base/text.h"
#include "options/handlers.h"
#include "quorbel/exceptions.h"

extern "C" {
#include <libavutil/log.h>
}

namespace quorbel {

namespace {

// The token table of a "vhook" value: the module path and at most 63 arguments. A longer value
// is rejected rather than cut, so that a plug-in never runs with arguments silently missing.
constexpr size_t kMaxHookTokens = 64;

// The folder of the running program, with a trailing separator.
std::string ProgramFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::string();
  return program.parent_path().string() + "/";
}

}  // namespace

void SetPass(TCustomFFmpeg& job, const std::string& value) {
  const int32_t pass = StrToInt(value);
  if (pass != 1 && pass != 2) throw FFMpegException("pass number can be only 1 or 2");
  job.settings.pass = pass;
}

void SetVstats(TCustomFFmpeg& job) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::array<char, 16> clock{};
  std::strftime(clock.data(), clock.size(), "%H%M%S", &local);
  job.settings.vstatsFileName = StrPrintf("%svstats_%s.log", ProgramFolder().c_str(), clock.data());
}

void SetVstatsFile(TCustomFFmpeg& job, const std::string& value) {
  job.settings.vstatsFileName = value;
}

void AddVideoHook(TCustomFFmpeg& job, const std::string& value) {
  // A "|" in the value separates the arguments, so that a path with blanks can be given.
  const char* separator = value.find('|') != std::string::npos ? "|" : " ";
  std::string text = value;
  std::vector<std::string> tokens;
  char* state = nullptr;
  for (char* token = strtok_r(text.data(), separator, &state); token != nullptr;
       token = strtok_r(nullptr, separator, &state)) {
    if (tokens.size() == kMaxHookTokens) {
      av_log(nullptr, AV_LOG_ERROR, "Too many arguments for a video hook (at most %zu)\n", kMaxHookTokens);
      throw FFMpegException("Failed to add video hook function: " + value);
    }
    tokens.emplace_back(token);
  }
  if (AddPluginHook(job.hooks.PluginHooks, tokens) != 0) {
    throw FFMpegException("Failed to add video hook function: " + value);
  }
  job.hooks.UsePluginHooks = true;
}

}  // namespace quorbel
