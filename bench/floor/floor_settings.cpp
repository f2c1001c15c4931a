#include "floor/floor_settings.h"

#include <stdexcept>

extern "C" {
#include <libavutil/parseutils.h>
}

namespace quorbel::bench {

namespace {

int64_t ToInteger(const std::string& name, const std::string& value) {
  size_t used = 0;
  int64_t number = 0;
  try {
    number = std::stoll(value, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != value.size() || number < 0)
    throw std::invalid_argument(name + ": not a number: '" + value + "'");
  return number;
}

void SetNamed(FloorSettings& settings, const std::string& name, const std::string& value) {
  if (name.starts_with("v:")) {
    settings.videoOptions[name.substr(2)] = value;
  } else if (name.starts_with("a:")) {
    settings.audioOptions[name.substr(2)] = value;
  } else if (name == "f") {
    settings.formatName = value;
  } else if (name == "vcodec") {
    settings.videoCodec = value;
  } else if (name == "acodec") {
    settings.audioCodec = value;
  } else if (name == "s") {
    if (av_parse_video_size(&settings.width, &settings.height, value.c_str()) < 0)
      throw std::invalid_argument("s: not a frame size: '" + value + "'");
  } else if (name == "r") {
    if (av_parse_video_rate(&settings.frameRate, value.c_str()) < 0)
      throw std::invalid_argument("r: not a frame rate: '" + value + "'");
  } else if (name == "b") {
    settings.videoBitRate = ToInteger(name, value);
  } else if (name == "ab") {
    settings.audioBitRate = ToInteger(name, value);
  } else if (name == "ar") {
    settings.sampleRate = static_cast<int>(ToInteger(name, value));
  } else if (name == "ac") {
    settings.channels = static_cast<int>(ToInteger(name, value));
  } else {
    throw std::invalid_argument("unknown option '" + name + "'");
  }
}

}  // namespace

FloorSettings ParseFloorSettings(const std::vector<std::string>& args) {
  FloorSettings settings;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--threads" || arg == "--copy-to") {
      if (i + 1 >= args.size()) throw std::invalid_argument(arg + " needs a value");
      if (arg == "--threads") {
        settings.threads = static_cast<int>(ToInteger(arg, args[++i]));
      } else {
        settings.copyOutput = args[++i];
      }
    } else if (const size_t equals = arg.find('='); equals != std::string::npos && equals > 0) {
      SetNamed(settings, arg.substr(0, equals), arg.substr(equals + 1));
    } else if (settings.input.empty() && !arg.starts_with("-")) {
      settings.input = arg;
    } else {
      throw std::invalid_argument("unexpected argument '" + arg + "'");
    }
  }
  if (settings.input.empty()) throw std::invalid_argument("no INPUT");
  const bool copies = settings.videoCodec == "copy" || settings.audioCodec == "copy";
  if (copies != !settings.copyOutput.empty())
    throw std::invalid_argument("stream copy needs --copy-to FILE and vcodec/acodec=copy together");
  if (settings.videoCodec.empty() && settings.audioCodec.empty())
    throw std::invalid_argument("no vcodec or acodec: nothing to do");
  return settings;
}

}  // namespace quorbel::bench
