// A batch view the tests script: it records the messages, answers the question and the dialogs as
// told, and is the user-interface thread for the controller (tasks run in the test's thread).
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/batch/batch_controller.h"
#include "core/batch/batch_view.h"
#include "core/batch/ui_task_queue.h"

namespace quorbel::app::testing {

class ScriptedView : public BatchView {
 public:
  void ShowInformation(const std::string& text) override {
    messages.push_back(text);
    if (onMessage) onMessage(text);
  }
  bool AskYesNo(const std::string& text) override {
    questions.push_back(text);
    return answer ? answer() : false;
  }
  std::optional<std::string> BrowseForFolder(const std::string& headline) override {
    pickerHeadlines.push_back(headline);
    return pickedFolder;
  }
  std::vector<std::string> ChooseSourceFiles() override { return chosenFiles; }
  void ProcessPendingMessages() override {
    if (onPendingMessages) onPendingMessages();
  }
  void PostToUiThread(std::function<void()> task) override { queue.Post(std::move(task)); }
  void ScrollToRow(int row) override { scrolledTo.push_back(row); }
  void ControlsEnabledChanged(bool enabled) override { controlsEnabled.push_back(enabled); }
  void RowChanged(int row) override {
    if (onRowChanged) onRowChanged(row);
  }

  // Runs the user-interface thread with the batch timer until `done`. A fault that keeps `done`
  // from ever holding ends the test program instead of hanging it.
  void RunUntil(BatchController& controller, const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    queue.RunUntil(
        [&] {
          if (std::chrono::steady_clock::now() > giveUp) {
            std::fprintf(stderr, "gave up waiting for the batch\n");
            std::abort();
          }
          return done();
        },
        [&] { controller.Tick(); }, std::chrono::milliseconds(BatchController::kTimerIntervalMs));
  }
  void RunUntilIdle(BatchController& controller) {
    RunUntil(controller, [&] { return !controller.Busy(); });
  }

  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<std::string> pickerHeadlines;
  std::vector<int> scrolledTo;
  std::vector<bool> controlsEnabled;
  std::function<bool()> answer;  // to "Stop all conversions?"; No when unset
  std::optional<std::string> pickedFolder;
  std::vector<std::string> chosenFiles;
  std::function<void()> onPendingMessages;
  std::function<void(const std::string&)> onMessage;
  std::function<void(int)> onRowChanged;
  UiTaskQueue queue;
};

}  // namespace quorbel::app::testing
