// Result codes: 32-bit values whose sign bit marks failure. Every named code has the value
// the platform it stands in for gives it, so logs and tests can compare with that platform.
#pragma once

#include <cstdint>
#include <string>

namespace quorbel::com {

using HRESULT = int32_t;

constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

namespace detail {
constexpr HRESULT Code(uint32_t value) {
  return static_cast<HRESULT>(value);
}
}  // namespace detail

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;

inline constexpr HRESULT E_NOTIMPL = detail::Code(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = detail::Code(0x80004002);
inline constexpr HRESULT E_POINTER = detail::Code(0x80004003);
inline constexpr HRESULT E_ABORT = detail::Code(0x80004004);
inline constexpr HRESULT E_FAIL = detail::Code(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = detail::Code(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = detail::Code(0x80070005);
// A system error code as a result: 0x8007xxxx.
constexpr HRESULT HRESULT_FROM_WIN32(uint32_t code) {
  return code == 0 ? S_OK : detail::Code(0x80070000u | (code & 0xFFFF));
}
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr HRESULT E_OUTOFMEMORY = detail::Code(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = detail::Code(0x80070057);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = detail::Code(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = detail::Code(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = detail::Code(0x80040154);
inline constexpr HRESULT REGDB_E_READREGDB = detail::Code(0x80040150);
inline constexpr HRESULT REGDB_E_WRITEREGDB = detail::Code(0x80040151);
inline constexpr HRESULT CO_E_DLLNOTFOUND = detail::Code(0x800401F8);
inline constexpr HRESULT CO_E_ERRORINDLL = detail::Code(0x800401F9);

// Filter-graph codes.
inline constexpr HRESULT VFW_S_NO_MORE_ITEMS = detail::Code(0x00040103);
inline constexpr HRESULT VFW_S_NO_STOP_TIME = detail::Code(0x00040270);
inline constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = detail::Code(0x80040207);
inline constexpr HRESULT VFW_E_INVALID_DIRECTION = detail::Code(0x80040208);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = detail::Code(0x80040209);
inline constexpr HRESULT VFW_E_NO_ALLOCATOR = detail::Code(0x8004020A);
inline constexpr HRESULT VFW_E_BUFFER_OVERFLOW = detail::Code(0x8004020D);
inline constexpr HRESULT VFW_E_BADALIGN = detail::Code(0x8004020E);
inline constexpr HRESULT VFW_E_ALREADY_COMMITTED = detail::Code(0x8004020F);
inline constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = detail::Code(0x80040210);
inline constexpr HRESULT VFW_E_NOT_COMMITTED = detail::Code(0x80040211);
inline constexpr HRESULT VFW_E_SIZENOTSET = detail::Code(0x80040212);
inline constexpr HRESULT VFW_E_NOT_FOUND = detail::Code(0x80040216);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = detail::Code(0x80040218);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = detail::Code(0x80040204);
inline constexpr HRESULT VFW_E_NOT_STOPPED = detail::Code(0x80040224);
inline constexpr HRESULT VFW_E_WRONG_STATE = detail::Code(0x80040227);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = detail::Code(0x8004022A);
inline constexpr HRESULT VFW_E_TIMEOUT = detail::Code(0x8004022E);
inline constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = detail::Code(0x8004022F);
inline constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = detail::Code(0x80040240);
inline constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = detail::Code(0x80040249);

// "0x8004022A" style text for messages.
std::string HresultToString(HRESULT hr);

}  // namespace quorbel::com
