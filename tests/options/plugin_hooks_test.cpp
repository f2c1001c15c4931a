#include "job/plugin_hooks.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>

#include "options/option_parser.h"
#include "quorbel/exceptions.h"
#include "test_job.h"

namespace quorbel {
namespace {

const std::string kValid = QUORBEL_TEST_HOOK_VALID;
const std::string kNoProcess = QUORBEL_TEST_HOOK_NO_PROCESS;
const std::string kFailing = QUORBEL_TEST_HOOK_FAILING;
const std::string kProcessOnly = QUORBEL_TEST_HOOK_PROCESS_ONLY;

std::vector<std::string> libraryLines;

void CaptureLibraryLog(void*, int level, const char* format, va_list arguments) {
  if (level > AV_LOG_ERROR) return;
  char line[1024];
  std::vsnprintf(line, sizeof line, format, arguments);
  libraryLines.emplace_back(line);
}

// Collects the library's error lines while a test runs.
class PluginHooksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    libraryLines.clear();
    av_log_set_callback(CaptureLibraryLog);
  }
  void TearDown() override { av_log_set_callback(av_log_default_callback); }
};

// Reads a counter or text the valid test plug-in exports.
template <typename Result>
Result Query(const char* name) {
  void* module = dlopen(kValid.c_str(), RTLD_NOW);
  EXPECT_NE(module, nullptr);
  const auto function = reinterpret_cast<Result (*)()>(dlsym(module, name));
  const Result result = function();
  dlclose(module);
  return result;
}

std::string Failure(TCustomFFmpeg& job, const std::string& value) {
  try {
    HandleOption(job, "vhook", value);
  } catch (const FFMpegException& error) {
    return error.what();
  }
  return "";
}

TEST_F(PluginHooksTest, VhookAddsAConfiguredPluginThatProcessesPictures) {
  TCustomFFmpeg job;
  HandleOption(job, "vhook", kValid + "  7 extra");
  EXPECT_TRUE(job.hooks.UsePluginHooks);
  ASSERT_EQ(job.hooks.PluginHooks.size(), 1u);
  EXPECT_EQ(Query<const char*>("TestHookLastArguments"), kValid + "|7|extra");

  uint8_t pixels[4 * 3] = {};
  QuorbelVhookPicture picture{{pixels, nullptr, nullptr, nullptr}, {4, 0, 0, 0}};
  RunPluginHooks(job.hooks.PluginHooks, picture, AV_PIX_FMT_GRAY8, 3, 2, 0);
  EXPECT_EQ(pixels[0], 7);
  EXPECT_EQ(pixels[6], 7);
  EXPECT_EQ(pixels[3], 0);  // padding at the end of a line stays
  EXPECT_EQ(pixels[8], 0);  // the third row is outside the picture

  const int released = Query<int>("TestHookReleaseCount");
  ReleasePluginHooks(job.hooks.PluginHooks);
  EXPECT_TRUE(job.hooks.PluginHooks.empty());
  EXPECT_EQ(Query<int>("TestHookReleaseCount"), released + 1);
}

TEST_F(PluginHooksTest, ABarSeparatesArgumentsSoPathsMayHoldBlanks) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quorbel hook test";
  std::filesystem::create_directories(folder);
  const std::filesystem::path copy = folder / "valid hook.so";
  std::filesystem::copy_file(kValid, copy, std::filesystem::copy_options::overwrite_existing);
  TCustomFFmpeg job;
  HandleOption(job, "vhook", copy.string() + "|3|two words|");
  ASSERT_EQ(job.hooks.PluginHooks.size(), 1u);
  EXPECT_EQ(job.hooks.PluginHooks[0]->arguments, (std::vector<std::string>{copy.string(), "3", "two words"}));
  std::filesystem::remove_all(folder);
}

TEST_F(PluginHooksTest, TheSameModuleTwiceGivesTwoEntriesFromOneLoad) {
  TCustomFFmpeg job;
  const int configured = Query<int>("TestHookConfigureCount");
  const int released = Query<int>("TestHookReleaseCount");
  HandleOption(job, "vhook", kValid + " 1");
  HandleOption(job, "vhook", kValid + " 2");
  ASSERT_EQ(job.hooks.PluginHooks.size(), 2u);
  EXPECT_NE(job.hooks.PluginHooks[0]->Context, job.hooks.PluginHooks[1]->Context);
  EXPECT_EQ(Query<int>("TestHookConfigureCount"), configured + 2);
  const auto names = LoadedHookLibraryNames();
  EXPECT_EQ(std::count(names.begin(), names.end(), kValid), 1);

  uint8_t pixel = 0;
  QuorbelVhookPicture picture{{&pixel, nullptr, nullptr, nullptr}, {1, 0, 0, 0}};
  RunPluginHooks(job.hooks.PluginHooks, picture, AV_PIX_FMT_GRAY8, 1, 1, 0);
  EXPECT_EQ(pixel, 3);  // both ran, in order
  job.ResetOptionState();
  EXPECT_EQ(Query<int>("TestHookReleaseCount"), released + 2);
}

TEST_F(PluginHooksTest, ModulesThatCannotBeAddedFailTheOption) {
  TCustomFFmpeg job;
  EXPECT_EQ(Failure(job, kNoProcess + " 1"), "Failed to add video hook function: " + kNoProcess + " 1");
  EXPECT_EQ(libraryLines,
            std::vector<std::string>{"Failed to find Process entrypoint in " + kNoProcess + "\n"});
  const auto names = LoadedHookLibraryNames();
  EXPECT_NE(std::find(names.begin(), names.end(), kNoProcess), names.end());  // it stays loaded

  libraryLines.clear();
  EXPECT_EQ(Failure(job, kFailing), "Failed to add video hook function: " + kFailing);
  EXPECT_EQ(libraryLines, std::vector<std::string>{"Failed to Configure " + kFailing + "\n"});

  libraryLines.clear();
  EXPECT_EQ(Failure(job, kProcessOnly + " arg"),
            "Failed to add video hook function: " + kProcessOnly + " arg");
  EXPECT_EQ(libraryLines,
            std::vector<std::string>{"Failed to find Configure entrypoint in " + kProcessOnly + "\n"});

  libraryLines.clear();
  EXPECT_EQ(Failure(job, "/nonexistent/hook.so"), "Failed to add video hook function: /nonexistent/hook.so");
  ASSERT_EQ(libraryLines.size(), 1u);
  EXPECT_NE(libraryLines[0].find("/nonexistent/hook.so"), std::string::npos);

  EXPECT_FALSE(job.hooks.UsePluginHooks);
  EXPECT_TRUE(job.hooks.PluginHooks.empty());
}

TEST_F(PluginHooksTest, AddPluginHookResults) {
  TPluginHookList list;
  EXPECT_EQ(AddPluginHook(list, {}), -2);
  EXPECT_EQ(AddPluginHook(list, {"/nonexistent/hook.so"}), -1);
  EXPECT_EQ(AddPluginHook(list, {kNoProcess}), -2);
  EXPECT_EQ(AddPluginHook(list, {kProcessOnly, "x"}), -2);
  EXPECT_EQ(AddPluginHook(list, {kFailing}), -22);
  EXPECT_EQ(AddPluginHook(list, {kProcessOnly}), 0);
  ASSERT_EQ(list.size(), 1u);
  uint8_t pixel = 0;
  QuorbelVhookPicture picture{{&pixel, nullptr, nullptr, nullptr}, {1, 0, 0, 0}};
  RunPluginHooks(list, picture, AV_PIX_FMT_GRAY8, 1, 1, 0);
  EXPECT_EQ(pixel, 0xAB);
  ReleasePluginHooks(list);
}

TEST_F(PluginHooksTest, AValueHoldsAtMostSixtyFourTokens) {
  std::string value = kValid;
  for (int i = 1; i < 64; ++i) {
    value += ' ';
    value += std::to_string(i);
  }
  TCustomFFmpeg job;
  EXPECT_EQ(Failure(job, value), "");
  ASSERT_EQ(job.hooks.PluginHooks.size(), 1u);
  EXPECT_EQ(job.hooks.PluginHooks[0]->arguments.size(), 64u);
  EXPECT_EQ(Failure(job, value + " 64"), "Failed to add video hook function: " + value + " 64");
  EXPECT_EQ(job.hooks.PluginHooks.size(), 1u);
}

}  // namespace
}  // namespace quorbel
