// Whether two names reach the same file, so that writing one would destroy the other.
#pragma once

#include <string>

namespace quorbel {

// Whether `name` and `other` are both the existing regular file, by device and inode: also through
// hard and symbolic links, relative parts and the libraries' "file:" URLs. False when either does
// not exist yet.
bool IsSameFile(const std::string& name, const std::string& other);

}  // namespace quorbel
