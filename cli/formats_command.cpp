#include "catalogue_convert.h"
#include "core/format_catalogue.h"

namespace quorbel::cli {

int FormatsCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    out << "Usage: quorbel-cli formats\n"
           "\n"
           "Lists the output formats in the order of the converter's list, with its separator lines.\n"
           "Give a line, exactly as shown, to convert --format.\n";
    return 0;
  }
  if (!args.empty()) {
    err << "quorbel-cli formats: takes no arguments\n";
    return 2;
  }
  for (const std::string_view line : app::OutputFormatLines()) out << line << '\n';
  return 0;
}

}  // namespace quorbel::cli
