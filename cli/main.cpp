// quorbel-cli: the headless front end. Each command lives in a file of its own.
#include <iostream>
#include <string>
#include <vector>

#include "binding/log_level.h"
#include "catalogue_convert.h"
#include "commands.h"

namespace {

struct Command {
  const char* name;
  const char* summary;
  int (*run)(const quorbel::cli::Arguments& args, std::ostream& out, std::ostream& err);
};

constexpr Command kCommands[] = {
    {"convert", "convert media files with the engine, with progress", quorbel::cli::ConvertCommand},
    {"probe", "print what is in media files, one JSON line per file", quorbel::cli::ProbeCommand},
    {"list-encoders", "list the encoders the libraries offer", quorbel::cli::ListEncodersCommand},
    {"list-formats", "list the container formats the libraries read and write",
     quorbel::cli::ListFormatsCommand},
    {"formats", "list the output formats of convert --format", quorbel::cli::FormatsCommand},
};

void PrintUsage(std::ostream& stream) {
  stream << "Usage: quorbel-cli COMMAND [ARGS...]\n"
            "       quorbel-cli help [COMMAND]\n"
            "\n"
            "Commands:\n";
  for (const Command& command : kCommands) {
    const std::string name = command.name;
    stream << "  " << name << std::string(name.size() < 15 ? 15 - name.size() : 1, ' ') << command.summary
           << '\n';
  }
  stream << "\n"
            "Examples:\n"
            "  quorbel-cli convert clip.avi -o clip.mp4 -O vcodec=mpeg4 -O acodec=aac\n"
            "  quorbel-cli convert *.wav -d mp3 --ext mp3 -j 2 -O ab=192000\n"
            "  quorbel-cli probe clip.avi\n"
            "  quorbel-cli list-encoders audio\n"
            "\n"
            "quorbel-cli COMMAND --help (or quorbel-cli help COMMAND) explains a command and its\n"
            "exit status. Every command exits with 2 on bad usage.\n";
}

const Command* Find(const std::string& name) {
  for (const Command& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

int UnknownCommand(const std::string& name) {
  std::cerr << "quorbel-cli: unknown command '" << name << "'\n\n";
  PrintUsage(std::cerr);
  return quorbel::cli::kExitBadUsage;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintUsage(std::cerr);
    return quorbel::cli::kExitBadUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || (args[0] == "help" && args.size() == 1)) {
    PrintUsage(std::cout);
    return 0;
  }
  if (args[0] == "help") {
    const Command* command = Find(args[1]);
    if (command == nullptr) return UnknownCommand(args[1]);
    return command->run({"--help"}, std::cout, std::cerr);
  }
  // Library warnings about damaged files go to stderr; notices would only clutter it.
  quorbel::binding::SetLibraryLogLevel(0);
  const Command* command = Find(args[0]);
  if (command == nullptr) return UnknownCommand(args[0]);
  return command->run(quorbel::cli::Arguments(args.begin() + 1, args.end()), std::cout, std::cerr);
}
