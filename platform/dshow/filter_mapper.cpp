#include "dshow/filter_mapper.h"

#include <algorithm>
#include <cstdio>

#include "com/wide_text.h"

namespace quorbel::dshow {

namespace {

constexpr const char* kFiltersKey = "Filters";

std::string FilterKeyPath(REFCLSID clsid) {
  return std::string(kFiltersKey) + "\\" + GuidToString(clsid);
}

std::string Index(unsigned index) {
  char text[16];
  std::snprintf(text, sizeof text, "%03u", index);
  return text;
}

std::string Utf8(const WCHAR* text) {
  return text != nullptr ? WideToUtf8(text) : std::string();
}

GUID ReadGuid(const RegistryKey& key, const std::string& name) {
  const std::string* text = key.FindText(name);
  if (text == nullptr) return GUID_NULL;
  return ParseGuid(*text).value_or(GUID_NULL);
}

bool ReadFlag(const RegistryKey& key, const std::string& name) {
  const DWORD* value = key.FindNumber(name);
  return value != nullptr && *value != 0;
}

bool Accepts(const MediaTypeSetup& registered, const GUID& major, const GUID& minor) {
  return (registered.majorType == GUID_NULL || registered.majorType == major) &&
         (registered.minorType == GUID_NULL || registered.minorType == minor);
}

}  // namespace

void AddFilterEntry(RegistryKey& root, const FilterSetup& setup) {
  RemoveFilterEntry(root, setup.clsid);
  RegistryKey& filterKey = root.CreateKey(FilterKeyPath(setup.clsid));
  filterKey.SetValue("FriendlyName", Utf8(setup.name));
  filterKey.SetValue("Merit", setup.merit);
  for (unsigned p = 0; p < setup.pinCount; ++p) {
    const PinSetup& pin = setup.pins[p];
    RegistryKey& pinKey = filterKey.CreateKey("Pins\\" + Index(p));
    pinKey.SetValue("Name", Utf8(pin.name));
    pinKey.SetValue("Rendered", static_cast<DWORD>(pin.rendered != FALSE));
    pinKey.SetValue("Output", static_cast<DWORD>(pin.output != FALSE));
    pinKey.SetValue("Zero", static_cast<DWORD>(pin.zero != FALSE));
    pinKey.SetValue("Many", static_cast<DWORD>(pin.many != FALSE));
    pinKey.SetValue("ConnectsToFilter", GuidToString(pin.connectsToFilter));
    pinKey.SetValue("ConnectsToPin", Utf8(pin.connectsToPin));
    for (unsigned t = 0; t < pin.typeCount; ++t) {
      RegistryKey& typeKey = pinKey.CreateKey("Types\\" + Index(t));
      typeKey.SetValue("Major", GuidToString(pin.types[t].majorType));
      typeKey.SetValue("Minor", GuidToString(pin.types[t].minorType));
    }
  }
}

void RemoveFilterEntry(RegistryKey& root, REFCLSID clsid) {
  root.DeleteKey(FilterKeyPath(clsid));
}

std::vector<RegisteredFilter> ListFilters(const RegistryKey& root) {
  std::vector<RegisteredFilter> filters;
  const RegistryKey* filtersKey = root.FindKey(kFiltersKey);
  if (filtersKey == nullptr) return filters;
  for (const auto& [clsidText, filterKey] : filtersKey->Subkeys()) {
    const std::optional<GUID> clsid = ParseGuid(clsidText);
    const DWORD* merit = filterKey.FindNumber("Merit");
    if (!clsid || merit == nullptr) continue;
    RegisteredFilter filter;
    filter.clsid = *clsid;
    filter.merit = *merit;
    if (const std::string* name = filterKey.FindText("FriendlyName")) filter.name = *name;
    if (const RegistryKey* pinsKey = filterKey.FindKey("Pins")) {
      for (const auto& [pinIndex, pinKey] : pinsKey->Subkeys()) {
        RegisteredPin pin;
        if (const std::string* name = pinKey.FindText("Name")) pin.name = *name;
        pin.rendered = ReadFlag(pinKey, "Rendered");
        pin.output = ReadFlag(pinKey, "Output");
        pin.zero = ReadFlag(pinKey, "Zero");
        pin.many = ReadFlag(pinKey, "Many");
        pin.connectsToFilter = ReadGuid(pinKey, "ConnectsToFilter");
        if (const std::string* name = pinKey.FindText("ConnectsToPin")) pin.connectsToPin = *name;
        if (const RegistryKey* typesKey = pinKey.FindKey("Types")) {
          for (const auto& [typeIndex, typeKey] : typesKey->Subkeys()) {
            pin.types.push_back({ReadGuid(typeKey, "Major"), ReadGuid(typeKey, "Minor")});
          }
        }
        filter.pins.push_back(std::move(pin));
      }
    }
    filters.push_back(std::move(filter));
  }
  return filters;
}

std::vector<RegisteredFilter> FindFiltersForInput(const RegistryKey& root, const GUID& major,
                                                  const GUID& minor) {
  std::vector<RegisteredFilter> found;
  for (RegisteredFilter& filter : ListFilters(root)) {
    if (filter.merit <= MERIT_DO_NOT_USE) continue;
    const bool accepts = std::any_of(filter.pins.begin(), filter.pins.end(), [&](const RegisteredPin& pin) {
      return !pin.output && std::any_of(pin.types.begin(), pin.types.end(), [&](const MediaTypeSetup& type) {
        return Accepts(type, major, minor);
      });
    });
    if (accepts) found.push_back(std::move(filter));
  }
  std::sort(found.begin(), found.end(), [](const RegisteredFilter& a, const RegisteredFilter& b) {
    if (a.merit != b.merit) return a.merit > b.merit;
    if (a.name != b.name) return a.name < b.name;
    return a.clsid < b.clsid;
  });
  return found;
}

}  // namespace quorbel::dshow
