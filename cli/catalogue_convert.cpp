#include "catalogue_convert.h"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "core/additional_options.h"
#include "core/batch/batch_controller.h"
#include "core/batch/ui_task_queue.h"
#include "core/format_catalogue.h"
#include "core/main_settings.h"
#include "core/setting_labels.h"
#include "core/volume.h"

namespace quorbel::cli {

namespace {

constexpr const char* kCatalogueUsage =
    "Usage: quorbel-cli convert --format LINE [--set \"LIST=ITEM\"]... [--volume 0..10]\n"
    "                           [--aspect Original|4:3|16:9] [--overwrite] -d OUTDIR INPUT...\n"
    "\n"
    "Converts each INPUT into OUTDIR as the converter's window does with the same choices, one\n"
    "file after another, and prints each file's result: Done, Fail (with the reason) or Abort.\n"
    "  --format LINE      a line of `quorbel-cli formats`, e.g. \"MP4 - MPEG4 Video (*.mp4)\"; its\n"
    "                     profile selects the defaults of every list\n"
    "  --set LIST=ITEM    picks ITEM in a list of the format's profile, e.g.\n"
    "                     --set \"Video Size=320 x 240 (VGA)\"; the lists are Video Quality,\n"
    "                     Video Codec, Video Size, Framerate, Audio Quality, Audio Codec,\n"
    "                     Audio Channels and Sampling Rate\n"
    "  --volume N         0 (silent) to 10 (twice as loud) in steps of 20 %; 5, the default, keeps\n"
    "                     the level\n"
    "  --aspect A         Original (the source's width to height, the default), 4:3 or 16:9\n"
    "  --overwrite        replaces an output of the same name; otherwise a free name is chosen\n"
    "                     (clip.mp4, clip-1.mp4, ...)\n"
    "  -d OUTDIR          the output folder; it must exist\n"
    "Ctrl-C stops the conversions; a second Ctrl-C ends the program at once.\n"
    "\n"
    "Exit status: 0 every file done, 1 a file failed, 2 bad usage or a refused batch, 3 stopped.\n";

constexpr int kVolumeSteps = app::kVolumeBottom - app::kVolumeTop;

struct CatalogueArguments {
  std::string format;
  std::vector<std::pair<std::string, std::string>> settings;  // list name, item, in the given order
  std::optional<int> volume;                                  // 0..10, counted upwards
  int aspectIndex = 0;                                        // of the options dialog's list
  bool overwrite = false;
  std::string folder;
  std::vector<std::string> inputs;
};

// Blanks trimmed and runs of blanks made one: "8000 Hz" finds the item "8000  Hz".
std::string SingleBlanks(std::string_view text) {
  std::string result;
  bool blank = false;
  for (const char c : text) {
    if (c == ' ') {
      blank = !result.empty();
      continue;
    }
    if (blank) result += ' ';
    blank = false;
    result += c;
  }
  return result;
}

// A list's label as the help names it: "Audio  Quality : " gives "Audio Quality".
std::string ListName(std::string_view label) {
  std::string text(label);
  text.erase(std::remove(text.begin(), text.end(), ':'), text.end());
  return SingleBlanks(text);
}

std::string Parse(const Arguments& args, CatalogueArguments& parsed) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue =
        arg == "--format" || arg == "--set" || arg == "--volume" || arg == "--aspect" || arg == "-d";
    if (takesValue && i + 1 >= args.size()) return arg + " needs a value";
    if (arg == "--format") {
      parsed.format = args[++i];
    } else if (arg == "--set") {
      const std::string& setting = args[++i];
      const size_t equals = setting.find('=');
      if (equals == std::string::npos) return "--set needs LIST=ITEM, not '" + setting + "'";
      parsed.settings.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
    } else if (arg == "--volume") {
      const std::string& text = args[++i];
      if (text.empty() || text.size() > 2 ||
          !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; }) ||
          std::stoi(text) > kVolumeSteps) {
        return "--volume takes 0 to 10, not '" + text + "'";
      }
      parsed.volume = std::stoi(text);
    } else if (arg == "--aspect") {
      const std::string& text = args[++i];
      static const char* const kAspects[] = {"Original", "4:3", "16:9"};
      const auto found = std::find(std::begin(kAspects), std::end(kAspects), text);
      if (found == std::end(kAspects)) return "--aspect takes Original, 4:3 or 16:9, not '" + text + "'";
      parsed.aspectIndex = static_cast<int>(found - std::begin(kAspects));
    } else if (arg == "--overwrite") {
      parsed.overwrite = true;
    } else if (arg == "-d") {
      parsed.folder = args[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown argument '" + arg + "'";
    } else {
      parsed.inputs.push_back(arg);
    }
  }
  if (parsed.format.empty()) return "no --format";
  if (parsed.folder.empty()) return "no -d OUTDIR";
  if (parsed.inputs.empty()) return "no INPUT";
  return "";
}

// Picks an item as the user would in the window; returns what is wrong, with the valid choices.
std::string SelectItem(app::MainSettings& main, const std::string& listName, const std::string& item) {
  const app::LabelledList* labelled = app::FindSettingLabel(listName);
  if (labelled == nullptr) {
    std::string problem = "unknown list '" + listName + "'; the lists are:";
    for (const app::LabelledList& label : app::SettingLabels()) problem += "\n  " + ListName(label.Label);
    return problem;
  }
  app::SettingList& list = main.Controls.*(labelled->List);
  const std::string name = ListName(labelled->Label);
  if (list.Count() == 0)
    return "the format \"" + main.ComboOutputFormat.Text() + "\" has no " + name + " list";
  const auto& items = list.Items();
  auto found = std::find(items.begin(), items.end(), item);
  if (found == items.end()) {
    found = std::find_if(items.begin(), items.end(),
                         [&](const std::string& text) { return SingleBlanks(text) == SingleBlanks(item); });
  }
  if (found == items.end()) {
    std::string problem = "no item '" + item + "' in " + name + "; its items are:";
    for (const std::string& text : items) problem += "\n  " + SingleBlanks(text);
    return problem;
  }
  list.SetItemIndex(static_cast<int>(found - items.begin()));
  return "";
}

// The window's choices from the arguments, in the order a user would make them: the format first,
// as its profile resets every list.
std::string ApplyChoices(const CatalogueArguments& arguments, app::MainSettings& main,
                         app::AdditionalOptions& dialog) {
  if (!main.SelectOutputFormat(arguments.format)) {
    std::string problem = "unknown format '" + arguments.format + "'; the formats are:";
    for (const std::string_view line : app::OutputFormatLines()) {
      if (!app::IsSeparatorLine(line)) problem += "\n  " + std::string(line);
    }
    return problem;
  }
  for (const auto& [listName, item] : arguments.settings) {
    if (std::string problem = SelectItem(main, listName, item); !problem.empty()) return problem;
  }
  if (arguments.volume) main.SetTrackBar1Position(app::kVolumeBottom - *arguments.volume);
  dialog.ComboAspectRatio4.SetItemIndex(arguments.aspectIndex);
  dialog.ComboAspectRatio4Change();
  dialog.CheckBoxOverWrite = arguments.overwrite;
  main.EditOutputFolder = arguments.folder;
  return "";
}

// The window's side of the batch: message boxes become lines on stderr, the open dialog returns
// the inputs, the only question (Stop) is answered Yes, and the calling thread is the
// user-interface thread.
class CommandLineView : public app::BatchView {
 public:
  CommandLineView(std::ostream& err, std::vector<std::string> inputs)
      : err_(err), inputs_(std::move(inputs)) {}

  void ShowInformation(const std::string& text) override {
    std::string line = text;
    for (size_t at = line.find("\n\r"); at != std::string::npos; at = line.find("\n\r", at))
      line.erase(at + 1, 1);
    err_ << "quorbel-cli convert: " << line << '\n';
  }
  bool AskYesNo(const std::string&) override { return true; }
  std::optional<std::string> BrowseForFolder(const std::string&) override { return std::nullopt; }
  std::vector<std::string> ChooseSourceFiles() override { return inputs_; }
  void ProcessPendingMessages() override {}
  void PostToUiThread(std::function<void()> task) override { queue.Post(std::move(task)); }

  app::UiTaskQueue queue;

 private:
  std::ostream& err_;
  std::vector<std::string> inputs_;
};

// Set by the first Ctrl-C; the handler then returns to the default, so a second one ends the
// program.
std::atomic<bool> interruptRaised{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void RaiseInterrupt(int) {
  interruptRaised.store(true);
}

class InterruptFlag {
 public:
  InterruptFlag() {
    interruptRaised = false;
    struct sigaction action {};
    action.sa_handler = RaiseInterrupt;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
  }
  ~InterruptFlag() { sigaction(SIGINT, &previous_, nullptr); }
  InterruptFlag(const InterruptFlag&) = delete;
  InterruptFlag& operator=(const InterruptFlag&) = delete;

  // True once for each Ctrl-C.
  bool Take() { return interruptRaised.exchange(false); }

 private:
  struct sigaction previous_ {};
};

int PrintResults(const app::BatchController& controller, std::ostream& out) {
  int status = kExitDone;
  for (const app::SourceRow& row : controller.Rows()) {
    const std::string& result = row.Cells[app::kCellProgress];
    if (result == "Done") {
      out << "Done: " << row.Caption << " -> " << row.OutputFile << '\n';
    } else if (result == "Fail") {
      out << "Fail: " << row.Caption << ": " << row.FailReason << '\n';
      status = kExitFailed;
    } else if (result == "Abort") {
      out << "Abort: " << row.Caption << '\n';
      if (status == kExitDone) status = kExitStopped;
    } else {
      out << "Not converted: " << row.Caption << '\n';
      if (status == kExitDone) status = kExitStopped;
    }
  }
  return status;
}

}  // namespace

bool IsCatalogueConvert(const Arguments& args) {
  return std::find(args.begin(), args.end(), "--format") != args.end();
}

int CatalogueConvertCommand(const Arguments& args, std::ostream& out, std::ostream& err) {
  // Anywhere, since the mode is chosen by --format, which comes first.
  if (std::find(args.begin(), args.end(), "--help") != args.end() ||
      std::find(args.begin(), args.end(), "-h") != args.end()) {
    out << kCatalogueUsage;
    return kExitDone;
  }
  CatalogueArguments arguments;
  if (const std::string problem = Parse(args, arguments); !problem.empty()) {
    err << "quorbel-cli convert: " << problem << "\n\n" << kCatalogueUsage;
    return kExitBadUsage;
  }
  CommandLineView view(err, arguments.inputs);
  app::MainSettings main;
  app::AdditionalOptions dialog(main);
  if (const std::string problem = ApplyChoices(arguments, main, dialog); !problem.empty()) {
    err << "quorbel-cli convert: " << problem << '\n';
    return kExitBadUsage;
  }
  app::BatchController controller(main, dialog, view);
  if (!controller.LoadEngineLibraries("")) return kExitFailed;

  controller.ButtonAddFileClick();
  InterruptFlag interrupt;
  controller.ButtonConvertClick();
  const bool anyResult =
      std::any_of(controller.Rows().begin(), controller.Rows().end(),
                  [](const app::SourceRow& row) { return !row.Cells[app::kCellProgress].empty(); });
  // Convert refused (its message is out): no row was started.
  if (!controller.Busy() && !anyResult) return kExitBadUsage;
  view.queue.RunUntil([&] { return !controller.Busy(); },
                      [&] {
                        if (interrupt.Take()) controller.ButtonStopConvertClick();
                        controller.Tick();
                      },
                      std::chrono::milliseconds(app::BatchController::kTimerIntervalMs));
  return PrintResults(controller, out);
}

}  // namespace quorbel::cli
