#include "com/hresult.h"

#include <cstdio>

namespace quorbel::com {

std::string HresultToString(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

}  // namespace quorbel::com
