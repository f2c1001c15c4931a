#include "core/preferences.h"

#include <QSettings>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>

#include "core/additional_options.h"
#include "core/main_settings.h"

namespace quorbel::app {

namespace {

const QString kOutputFolder = QStringLiteral("Output Folder");
const QString kComboOutputFormat = QStringLiteral("ComboOutputFormat");
const QString kOverwrite = QStringLiteral("Overwrite");
const QString kDropDownItems = QStringLiteral("DropDownItems");
const QString kLetterBox = QStringLiteral("LetterBox");

// A 32-bit integer value; nothing when it is missing or not a number.
std::optional<int32_t> ReadInteger(const QSettings& store, const QString& name) {
  const QVariant value = store.value(name);
  if (!value.isValid()) return std::nullopt;
  bool ok = false;
  const int32_t number = value.toInt(&ok);
  if (!ok) return std::nullopt;
  return number;
}

// Reads the values after "Output Folder"; false at the first that cannot be read.
bool LoadIntegers(const QSettings& store, MainSettings& main, AdditionalOptions& dialog) {
  const std::optional<int32_t> format = ReadInteger(store, kComboOutputFormat);
  if (!format) return false;
  if (*format >= 0) main.ComboOutputFormat.SetItemIndex(*format);

  const std::optional<int32_t> overwrite = ReadInteger(store, kOverwrite);
  if (!overwrite) return false;
  dialog.CheckBoxOverWrite = *overwrite != 0;

  const std::optional<int32_t> dropDownItems = ReadInteger(store, kDropDownItems);
  if (!dropDownItems) return false;
  if (*dropDownItems >= 0) dialog.SetSpinEdit1(*dropDownItems);

  const std::optional<int32_t> letterBox = ReadInteger(store, kLetterBox);
  if (!letterBox) return false;
  if (*letterBox >= 0) dialog.ComboLetterBox.SetItemIndex(*letterBox);
  return true;
}

}  // namespace

std::unique_ptr<QSettings> OpenUserPreferences() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tamsery"),
                                     QStringLiteral("Quorbel"));
}

void LoadSettings(QSettings& store, MainSettings& main, AdditionalOptions& dialog) {
  main.EditOutputFolder = store.value(kOutputFolder).toString().toStdString();
  if (!LoadIntegers(store, main, dialog)) SaveSettings(store, main, dialog);
}

bool SaveSettings(QSettings& store, const MainSettings& main, const AdditionalOptions& dialog) {
  store.setValue(kOutputFolder, QString::fromStdString(main.EditOutputFolder));
  store.setValue(kComboOutputFormat, main.ComboOutputFormat.ItemIndex());
  store.setValue(kOverwrite, dialog.CheckBoxOverWrite ? 1 : 0);
  store.setValue(kDropDownItems, dialog.SpinEdit1());
  store.setValue(kLetterBox, dialog.ComboLetterBox.ItemIndex());
  store.sync();
  return store.status() == QSettings::NoError;
}

}  // namespace quorbel::app
