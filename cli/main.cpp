// quorbel-cli: the headless front end. Each command lives in a file of its own.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage: quorbel-cli COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  --help        this text\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsage, args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  std::fprintf(stderr, "quorbel-cli: unknown command '%s'\n%s", args[0].c_str(), kUsage);
  return 2;
}
