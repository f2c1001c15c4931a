// TLogList: text held per thread until its "\n", the context prefix of a thread's first text, and
// the line buffer's limit.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "component/log_list.h"

namespace quorbel {
namespace {

using Lines = std::vector<std::string>;

struct Call {
  int thread;  // 0 or 1
  std::string prefix;
  std::string message;
  Lines expected;
};

struct Case {
  const char* name;
  std::vector<Call> calls;
};

const std::string kLong(3000, 'x');
const std::string kCut(TLogList::kLineBytes - 1, 'x');

const Case kCases[] = {
    {"one line", {{0, "", "abc\n", {"abc"}}}},
    {"text without a newline is held for the next message",
     {{0, "", "Stream #0:0", {}}, {0, "", ": Video: mpeg4\n", {"Stream #0:0: Video: mpeg4"}}}},
    {"the prefix leads only a thread's first text",
     {{0, "[avi @ 00001234]", "a", {}}, {0, "[mp3 @ 00005678]", "b\n", {"[avi @ 00001234]ab"}}}},
    {"several lines in one message, the rest held", {{0, "", "a\nb\nc", {"a", "b"}}, {0, "", "\n", {"c"}}}},
    {"an empty line", {{0, "", "\n", {""}}}},
    {"threads hold their own text",
     {{0, "", "a", {}}, {1, "", "b", {}}, {1, "", "\n", {"b"}}, {0, "", "c\n", {"ac"}}}},
    {"a long line is cut at the buffer", {{0, "", kLong + "\n", {kCut}}}},
    {"long held text is cut and still ends at the next newline",
     {{0, "", kLong, {}}, {0, "", "tail\n", {kCut}}, {0, "", "next\n", {"next"}}}},
};

TEST(LogListTest, CutsTextIntoLinesPerThread) {
  std::thread::id other;
  std::thread([&] { other = std::this_thread::get_id(); }).join();
  const std::thread::id threads[] = {std::this_thread::get_id(), other};
  for (const Case& testCase : kCases) {
    SCOPED_TRACE(testCase.name);
    TLogList list;
    for (const Call& call : testCase.calls) {
      EXPECT_EQ(list.Add(threads[call.thread], call.prefix, call.message), call.expected) << call.message;
    }
  }
}

TEST(LogListTest, ClearForgetsHeldText) {
  TLogList list;
  const std::thread::id thread = std::this_thread::get_id();
  EXPECT_EQ(list.Add(thread, "", "old"), Lines{});
  list.Clear();
  EXPECT_EQ(list.Add(thread, "[x]", "new\n"), Lines{"[x]new"});
}

}  // namespace
}  // namespace quorbel
