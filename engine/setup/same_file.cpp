#include "setup/same_file.h"

#include <sys/stat.h>

#include <string_view>

namespace quorbel {

namespace {

// The file a name reaches: the libraries take "file:" URLs as well as paths.
std::string LocalPath(const std::string& name) {
  constexpr std::string_view kFileScheme = "file:";
  return name.starts_with(kFileScheme) ? name.substr(kFileScheme.size()) : name;
}

}  // namespace

bool IsSameFile(const std::string& name, const std::string& other) {
  struct stat nameStat {};
  struct stat otherStat {};
  if (stat(LocalPath(name).c_str(), &nameStat) != 0 || stat(LocalPath(other).c_str(), &otherStat) != 0) {
    return false;
  }
  return S_ISREG(nameStat.st_mode) && nameStat.st_dev == otherStat.st_dev &&
         nameStat.st_ino == otherStat.st_ino;
}

}  // namespace quorbel
