// TLogList: the libraries' log text per thread, cut into lines. The libraries often write one line
// in several calls ("Stream #0:0", then ": Video: ..."), so text without a closing "\n" is held
// for its thread and leads that thread's next message.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace quorbel {

class TLogList {
 public:
  // The line buffer: a line is at most kLineBytes - 1 bytes; longer lines are cut there.
  static constexpr size_t kLineBytes = 2048;

  // Adds a message of `thread`: it follows the thread's held text, or, when none is held,
  // `prefix`. Returns every line the text now completes, without their "\n", and holds the rest.
  std::vector<std::string> Add(std::thread::id thread, std::string_view prefix, std::string_view message);
  // Forgets the held text of every thread.
  void Clear();

 private:
  std::mutex mutex_;
  std::unordered_map<std::thread::id, std::string> pending_;  // guarded by mutex_
};

}  // namespace quorbel
