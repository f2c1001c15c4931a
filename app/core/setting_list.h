// A drop-down list control of the converter window as a plain model: its items, the selected
// item and whether the user may change it. Profiles and handlers change it; a window layer shows it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorbel::app {

class SettingList {
 public:
  SettingList() = default;
  // The items with the item at itemIndex selected (-1: none).
  SettingList(std::vector<std::string> items, int itemIndex);

  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }

  // Index of the selected item; -1 when nothing is selected.
  int ItemIndex() const { return itemIndex_; }
  // Selects the item at index; an index outside the list selects nothing.
  void SetItemIndex(int index);
  // Selects the item whose text equals text exactly (blanks count); nothing when there is none.
  void SelectText(std::string_view text);
  // The selected item's text; empty when nothing is selected.
  std::string Text() const;

  // Replaces the items; nothing is selected afterwards.
  void SetItems(std::vector<std::string> items);
  void Clear() { SetItems({}); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }

  bool operator==(const SettingList&) const = default;

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  bool enabled_ = true;
};

}  // namespace quorbel::app
