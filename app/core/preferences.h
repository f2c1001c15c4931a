// The five choices that survive between runs, under the names "Output Folder",
// "ComboOutputFormat", "Overwrite", "DropDownItems" and "LetterBox".
#pragma once

#include <memory>

class QSettings;

namespace quorbel::app {

class AdditionalOptions;
class MainSettings;

// The user's preferences: an INI file of organisation "Tamsery", application "Quorbel" in the
// user's configuration folder.
std::unique_ptr<QSettings> OpenUserPreferences();

// Loads the values in the order above into the window and the dialog. A missing "Output Folder"
// reads as the empty text; a stored format line selects that line without running the change
// handling (a line beyond the list selects none); "DropDownItems" is held to 26..47 and a changed
// value runs the dialog's change handling; negative integers are skipped. An integer that is
// missing or not a number ends the loading, and the values the controls hold then are saved at
// once, as on a first run.
void LoadSettings(QSettings& store, MainSettings& main, AdditionalOptions& dialog);

// Writes the five values; false when they could not be written.
bool SaveSettings(QSettings& store, const MainSettings& main, const AdditionalOptions& dialog);

}  // namespace quorbel::app
