#include <algorithm>
#include <map>
#include <vector>

#include "base/text.h"
#include "commands.h"
#include "json.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace quorbel::cli {

namespace {

constexpr const char* kListEncodersUsage =
    "Usage: quorbel-cli list-encoders [video|audio|subtitle] [--json]\n"
    "\n"
    "Lists the encoders of the linked libraries, the names -O vcodec=NAME, acodec=NAME and\n"
    "scodec=NAME take: one line per encoder with its kind (V, A or S), name and description.\n"
    "A kind lists only the encoders of that kind. With --json each line is a JSON object with\n"
    "\"name\", \"kind\" (\"video\", \"audio\", \"subtitle\") and \"description\".\n"
    "\n"
    "Examples:\n"
    "  quorbel-cli list-encoders audio\n"
    "  quorbel-cli list-encoders --json\n"
    "\n"
    "Exit status: 0 listed; 2 bad usage.\n";

constexpr const char* kListFormatsUsage =
    "Usage: quorbel-cli list-formats [--json]\n"
    "\n"
    "Lists the container formats of the linked libraries: one line per format with D when it\n"
    "can be read, E when it can be written (-O f=NAME, or an output extension it owns), its\n"
    "name and description; the extensions of a writable format follow in brackets. With --json\n"
    "each line is a JSON object with \"name\", \"read\", \"write\", \"extensions\" and\n"
    "\"description\".\n"
    "\n"
    "Example:\n"
    "  quorbel-cli list-formats | grep ' E'\n"
    "\n"
    "Exit status: 0 listed; 2 bad usage.\n";

const char* KindName(AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return "video";
    case AVMEDIA_TYPE_AUDIO:
      return "audio";
    case AVMEDIA_TYPE_SUBTITLE:
      return "subtitle";
    default:
      return nullptr;
  }
}

std::string Text(const char* text) {
  return text != nullptr ? text : "";
}

std::vector<std::string> Names(const char* list) {
  std::vector<std::string> names;
  std::string name;
  for (const char* c = list; *c != '\0'; ++c) {
    if (*c == ',') {
      names.push_back(name);
      name.clear();
    } else {
      name += *c;
    }
  }
  names.push_back(name);
  return names;
}

bool IsHelp(const Arguments& args) {
  return std::find(args.begin(), args.end(), "--help") != args.end() ||
         std::find(args.begin(), args.end(), "-h") != args.end();
}

}  // namespace

int ListEncodersCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (IsHelp(args)) {
    out << kListEncodersUsage;
    return kExitDone;
  }
  bool json = false;
  std::string kind;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (kind.empty() && (arg == "video" || arg == "audio" || arg == "subtitle")) {
      kind = arg;
    } else {
      err << "quorbel-cli list-encoders: unknown argument '" << arg << "'\n\n" << kListEncodersUsage;
      return kExitBadUsage;
    }
  }
  // Sorted by kind, then name, so that the list reads like a table.
  std::map<std::pair<std::string, std::string>, std::string> encoders;
  void* cursor = nullptr;
  while (const AVCodec* codec = av_codec_iterate(&cursor)) {
    const char* codecKind = KindName(codec->type);
    if (!av_codec_is_encoder(codec) || codecKind == nullptr) continue;
    if (!kind.empty() && kind != codecKind) continue;
    encoders[{codecKind, codec->name}] = Text(codec->long_name);
  }
  for (const auto& [key, description] : encoders) {
    if (json) {
      out << JsonObject()
                 .Add("name", key.second)
                 .Add("kind", key.first)
                 .Add("description", description)
                 .Text()
          << '\n';
    } else {
      out << static_cast<char>(key.first[0] - 'a' + 'A') << ' ' << StrPrintf("%-20s", key.second.c_str())
          << ' ' << description << '\n';
    }
  }
  return kExitDone;
}

int ListFormatsCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (IsHelp(args)) {
    out << kListFormatsUsage;
    return kExitDone;
  }
  bool json = false;
  for (const std::string& arg : args) {
    if (arg != "--json") {
      err << "quorbel-cli list-formats: unknown argument '" << arg << "'\n\n" << kListFormatsUsage;
      return kExitBadUsage;
    }
    json = true;
  }
  struct Format {
    bool read = false;
    bool write = false;
    std::string extensions;  // of the muxer
    std::string description;
  };
  std::map<std::string, Format> formats;
  void* cursor = nullptr;
  while (const AVInputFormat* demuxer = av_demuxer_iterate(&cursor)) {
    // A demuxer may answer to several names ("mov,mp4,m4a,3gp,3g2,mj2").
    for (const std::string& name : Names(demuxer->name)) {
      Format& format = formats[name];
      format.read = true;
      if (format.description.empty()) format.description = Text(demuxer->long_name);
    }
  }
  cursor = nullptr;
  while (const AVOutputFormat* muxer = av_muxer_iterate(&cursor)) {
    Format& format = formats[muxer->name];
    format.write = true;
    format.extensions = Text(muxer->extensions);
    format.description = Text(muxer->long_name);
  }
  for (const auto& [name, format] : formats) {
    if (json) {
      out << JsonObject()
                 .Add("name", name)
                 .Add("read", format.read)
                 .Add("write", format.write)
                 .Add("extensions", format.extensions)
                 .Add("description", format.description)
                 .Text()
          << '\n';
    } else {
      out << (format.read ? 'D' : ' ') << (format.write ? 'E' : ' ') << ' '
          << StrPrintf("%-16s", name.c_str()) << ' ' << format.description;
      if (!format.extensions.empty()) out << " [" << format.extensions << ']';
      out << '\n';
    }
  }
  return kExitDone;
}

}  // namespace quorbel::cli
