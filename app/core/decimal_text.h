// Real numbers as the converter window writes them: rounded to a few decimals and in the shortest
// form, with the current locale's decimal separator (the engine reads them back with the same one).
#pragma once

#include <string>

#include "base/text.h"

namespace quorbel::app {

// At most `decimals` decimals, trailing zeros and a bare decimal separator dropped: 25.00 gives
// "25", 29.970 gives "29.97".
inline std::string ShortestDecimal(double value, int decimals) {
  std::string text = StrPrintf("%.*f", decimals, value);
  if (decimals <= 0) return text;
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && (text.back() < '0' || text.back() > '9')) text.pop_back();
  return text;
}

}  // namespace quorbel::app
