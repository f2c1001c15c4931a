#include "com/guid.h"

#include <cstdio>

namespace quorbel::com {

std::string GuidToString(const GUID& guid) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1,
                guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

void GuidToBytes(const GUID& guid, BYTE bytes[16]) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<BYTE>(guid.Data1 >> (8 * i));
  for (int i = 0; i < 2; ++i) bytes[4 + i] = static_cast<BYTE>(guid.Data2 >> (8 * i));
  for (int i = 0; i < 2; ++i) bytes[6 + i] = static_cast<BYTE>(guid.Data3 >> (8 * i));
  for (int i = 0; i < 8; ++i) bytes[8 + i] = guid.Data4[i];
}

GUID GuidFromBytes(const BYTE bytes[16]) {
  GUID guid;
  for (int i = 0; i < 4; ++i) guid.Data1 |= DWORD{bytes[i]} << (8 * i);
  guid.Data2 = static_cast<WORD>(bytes[4] | (bytes[5] << 8));
  guid.Data3 = static_cast<WORD>(bytes[6] | (bytes[7] << 8));
  for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
  return guid;
}

}  // namespace quorbel::com
