// quorbel-cli: the headless front end. Each command lives in a file of its own.
#include <iostream>
#include <string>
#include <vector>

#include "binding/log_level.h"
#include "commands.h"

namespace {

struct Command {
  const char* name;
  const char* summary;
  int (*run)(const quorbel::cli::Arguments& args, std::ostream& out, std::ostream& err);
};

constexpr Command kCommands[] = {
    {"probe", "print what is in media files, one JSON line per file", quorbel::cli::ProbeCommand},
    {"convert", "convert a media file into another with the engine", quorbel::cli::ConvertCommand},
};

void PrintUsage(std::ostream& stream) {
  stream << "Usage: quorbel-cli COMMAND [ARGS...]\n"
            "\n"
            "Commands:\n";
  for (const Command& command : kCommands) {
    stream << "  " << command.name << std::string(12 - std::string(command.name).size(), ' ')
           << command.summary << '\n';
  }
  stream << "\n"
            "quorbel-cli --help shows this text; quorbel-cli COMMAND --help explains a command.\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintUsage(std::cerr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h") {
    PrintUsage(std::cout);
    return 0;
  }
  // Library warnings about damaged files go to stderr; notices would only clutter it.
  quorbel::binding::SetLibraryLogLevel(0);
  for (const Command& command : kCommands) {
    if (args[0] == command.name) {
      return command.run(quorbel::cli::Arguments(args.begin() + 1, args.end()), std::cout, std::cerr);
    }
  }
  std::cerr << "quorbel-cli: unknown command '" << args[0] << "'\n";
  PrintUsage(std::cerr);
  return 2;
}
