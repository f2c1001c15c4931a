// What the converter window does for the batch controller: its message boxes, dialogs and list
// scrolling, and a way to run engine notifications on the window's (user-interface) thread. A
// widget layer implements it; so do the command line and the tests.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorbel::app {

class BatchView {
 public:
  virtual ~BatchView() = default;

  // Everything below except PostToUiThread is called on the user-interface thread.

  // A message box titled "Information" with the information icon and an OK button.
  virtual void ShowInformation(const std::string& text) = 0;
  // A message box titled "Information" with the question icon and Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // The folder picker with `headline` (folders only); the chosen folder, or nothing when the
  // user cancels.
  virtual std::optional<std::string> BrowseForFolder(const std::string& headline) = 0;
  // The open dialog with kOpenDialogFilter, several files selectable, each of which must exist;
  // the chosen files in the dialog's order, none when the user cancels.
  virtual std::vector<std::string> ChooseSourceFiles() = 0;
  // Handles the window's pending events, so that it stays responsive during a long step.
  virtual void ProcessPendingMessages() = 0;

  // Runs `task` on the user-interface thread after the events already pending. May be called
  // from any thread, also while the user-interface thread waits in this view.
  virtual void PostToUiThread(std::function<void()> task) = 0;

  // Notifications; the view reads the new state from the controller.
  virtual void StopPreview() {}
  // Scrolls the source list so that `row` is at least partly visible.
  virtual void ScrollToRow(int /*row*/) {}
  // Rows were added or removed.
  virtual void RowsChanged() {}
  // A cell or the check box of `row` changed.
  virtual void RowChanged(int /*row*/) {}
  // The progress bar or the status bar's file size changed.
  virtual void StatusChanged() {}
  // The batch controls were disabled or enabled (SetControlsEnabled).
  virtual void ControlsEnabledChanged(bool /*enabled*/) {}
  virtual void OutputFolderChanged() {}
};

}  // namespace quorbel::app
