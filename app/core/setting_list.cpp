#include "core/setting_list.h"

#include <algorithm>
#include <utility>

namespace quorbel::app {

SettingList::SettingList(std::vector<std::string> items, int itemIndex) : items_(std::move(items)) {
  SetItemIndex(itemIndex);
}

void SettingList::SetItemIndex(int index) {
  itemIndex_ = index >= 0 && index < Count() ? index : -1;
}

void SettingList::SelectText(std::string_view text) {
  const auto found = std::find(items_.begin(), items_.end(), text);
  itemIndex_ = found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

std::string SettingList::Text() const {
  return itemIndex_ < 0 ? std::string() : items_[itemIndex_];
}

void SettingList::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  itemIndex_ = -1;
}

}  // namespace quorbel::app
