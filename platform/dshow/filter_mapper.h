// The filter mapper: filters recorded in the registry with their merit, pins and media
// types, under "Filters\{clsid}", and the search a graph builder makes among them.
#pragma once

#include <string>
#include <vector>

#include "com/registry.h"
#include "dshow/media_type.h"

namespace quorbel::dshow {

inline constexpr DWORD MERIT_PREFERRED = 0x800000;
inline constexpr DWORD MERIT_NORMAL = 0x600000;
inline constexpr DWORD MERIT_UNLIKELY = 0x400000;
inline constexpr DWORD MERIT_DO_NOT_USE = 0x200000;

// Registration records as modules declare them. A GUID_NULL major type or subtype stands for
// any.
struct MediaTypeSetup {
  GUID majorType;
  GUID minorType;
};

struct PinSetup {
  const WCHAR* name;
  BOOL rendered;
  BOOL output;
  BOOL zero;
  BOOL many;
  CLSID connectsToFilter;
  const WCHAR* connectsToPin;
  unsigned typeCount;
  const MediaTypeSetup* types;
};

struct FilterSetup {
  CLSID clsid;
  const WCHAR* name;
  DWORD merit;
  unsigned pinCount;
  const PinSetup* pins;
};

// A filter as the registry holds it (names in UTF-8).
struct RegisteredPin {
  std::string name;
  bool rendered = false;
  bool output = false;
  bool zero = false;
  bool many = false;
  CLSID connectsToFilter;
  std::string connectsToPin;
  std::vector<MediaTypeSetup> types;
};

struct RegisteredFilter {
  CLSID clsid;
  std::string name;
  DWORD merit = 0;
  std::vector<RegisteredPin> pins;
};

void AddFilterEntry(RegistryKey& root, const FilterSetup& setup);
void RemoveFilterEntry(RegistryKey& root, REFCLSID clsid);
// Every readable filter entry; entries without a CLSID key name or merit are skipped.
std::vector<RegisteredFilter> ListFilters(const RegistryKey& root);

// The filters with an input pin that takes (major, minor), best first: highest merit, then
// name, then CLSID. Filters of merit MERIT_DO_NOT_USE or less are never offered.
std::vector<RegisteredFilter> FindFiltersForInput(const RegistryKey& root, const GUID& major,
                                                  const GUID& minor);

}  // namespace quorbel::dshow
