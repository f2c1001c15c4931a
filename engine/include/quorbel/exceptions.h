// Exceptions the engine raises. Configuration calls of the component never let them escape:
// they become LastError; a failure during a run ends the job and reaches OnTerminate.
#pragma once

#include <stdexcept>
#include <string>

namespace quorbel {

// A rejected option, a failed setup step or a failed run.
class FFMpegException : public std::runtime_error {
 public:
  explicit FFMpegException(const std::string& message) : std::runtime_error(message) {}
};

// Text that does not convert to the number an option expects, e.g.
// "'abc' is not a valid integer value".
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(const std::string& message) : std::runtime_error(message) {}
};

// A violated precondition on option text (the codec tag length checks).
class AssertionFailure : public std::runtime_error {
 public:
  explicit AssertionFailure(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace quorbel
