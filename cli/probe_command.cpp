#include <exception>

#include "commands.h"
#include "json.h"
#include "quorbel/library_binding.h"
#include "quorbel/probe.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/pixdesc.h>
}

namespace quorbel::cli {

namespace {

constexpr const char* kProbeUsage =
    "Usage: quorbel-cli probe FILE...\n"
    "\n"
    "Opens each FILE with the media probe and prints one JSON object per line:\n"
    "  file, ok, error     the file, whether it opened, and why not\n"
    "  format              the demuxer that reads it\n"
    "  stream_count, program_count, video_streams, audio_streams, subtitle_streams\n"
    "  start_us, duration_us, bit_rate\n"
    "                      container start and duration in microseconds (null when unknown)\n"
    "                      and total bit rate in bit/s\n"
    "  title, author, rights, comment, album, genre, year, track\n"
    "                      container metadata (year and track 0 when absent)\n"
    "  video               the first video stream, when there is one: width, height,\n"
    "                      frame_rate_num, frame_rate_den, aspect (display aspect), pixel_format,\n"
    "                      codec, duration_us\n"
    "A file that does not open gives only file, ok (false) and error.\n"
    "\n"
    "Exit status: 0 when every file opened, 1 when any did not, 2 on bad usage.\n";

void AddMicroseconds(JsonObject& json, const char* key, int64_t us) {
  if (us == AV_NOPTS_VALUE || us < 0) {
    json.AddNull(key);
  } else {
    json.Add(key, us);
  }
}

JsonObject VideoJson(const TAVVideoInfo& video) {
  JsonObject json;
  json.Add("width", video.Width).Add("height", video.Height);
  json.Add("frame_rate_num", video.FrameRateNum).Add("frame_rate_den", video.FrameRateDen);
  json.AddReal("aspect", video.AspectRatio);
  if (const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(video.PixelFormat))) {
    json.Add("pixel_format", name);
  } else {
    json.AddNull("pixel_format");
  }
  json.Add("codec", video.CodecName.Str());
  AddMicroseconds(json, "duration_us", video.DurationUs);
  return json;
}

std::string ProbeJson(TAVProbe& probe, const std::string& fileName, bool& opened) {
  JsonObject json;
  json.Add("file", fileName);
  opened = probe.LoadFile(fileName);
  json.Add("ok", opened);
  if (!opened) return json.Add("error", probe.LastError()).Text();

  json.Add("error", "");
  json.Add("format", probe.ContainerName());
  json.Add("stream_count", probe.StreamCount()).Add("program_count", probe.ProgramCount());
  json.Add("video_streams", probe.VideoStreamCount());
  json.Add("audio_streams", probe.AudioStreamCount());
  json.Add("subtitle_streams", probe.SubtitleStreamCount());
  TAVFileInfo file;
  probe.GetFileInfo(file);
  AddMicroseconds(json, "start_us", file.StartTime);
  AddMicroseconds(json, "duration_us", file.Duration);
  json.Add("bit_rate", file.BitRate);
  json.Add("title", file.Title.Str()).Add("author", file.Author.Str()).Add("rights", file.Rights.Str());
  json.Add("comment", file.Comment.Str()).Add("album", file.Album.Str()).Add("genre", file.Genre.Str());
  json.Add("year", file.Year).Add("track", file.Track);
  if (probe.VideoStreamCount() > 0) {
    TAVVideoInfo video;
    probe.GetVideoInfo(video);
    json.Add("video", VideoJson(video));
  }
  probe.Close();
  return json.Text();
}

}  // namespace

int ProbeCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  Arguments files;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && arg == "--help") {
      out << kProbeUsage;
      return kExitDone;
    }
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      err << "quorbel-cli probe: unknown option '" << arg << "'\n" << kProbeUsage;
      return kExitBadUsage;
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) {
    err << "quorbel-cli probe: no file given\n" << kProbeUsage;
    return kExitBadUsage;
  }
  if (!binding::LoadLibraries(true)) {
    err << "quorbel-cli: " << binding::LibraryLoadError() << '\n';
    return kExitFailed;
  }

  TAVProbe probe;
  bool allOpened = true;
  for (const std::string& file : files) {
    bool opened = false;
    try {
      out << ProbeJson(probe, file, opened) << '\n';
    } catch (const std::exception& e) {
      out << JsonObject().Add("file", file).Add("ok", false).Add("error", e.what()).Text() << '\n';
    }
    allOpened = allOpened && opened;
  }
  out.flush();
  return allOpened ? kExitDone : kExitFailed;
}

}  // namespace quorbel::cli
