// IMediaSeeking of the output pins. Every pin answers from the filter's shared positions;
// only the pin holding the seeking role changes them, so that a request made on the audio and
// on the video path moves the reader once. Times are in 100 ns (TIME_FORMAT_MEDIA_TIME).
#include <cmath>
#include <cstdint>

#include "filter/wmv_output_pin.h"
#include "filter/wmv_parser_filter.h"

namespace quorbel::wmvparser {

namespace {

constexpr DWORD kCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                                AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetStopPos |
                                AM_SEEKING_CanGetDuration;
static_assert(kCapabilities == 0x37);

bool IsMediaTime(const GUID* format) {
  return format != nullptr && *format == TIME_FORMAT_MEDIA_TIME;
}

// Positions come from callers: a sum past the 64-bit range stops at its end.
LONGLONG Add(LONGLONG a, LONGLONG b) {
  LONGLONG sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? INT64_MAX : INT64_MIN;
}

LONGLONG StopOrDuration(const WmvParserFilter& filter) {
  const REFERENCE_TIME stop = filter.StopPosition();
  return stop >= 0 ? stop : filter.Duration();
}

}  // namespace

HRESULT WmvOutputPin::GetCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  *capabilities = kCapabilities;
  return S_OK;
}

HRESULT WmvOutputPin::CheckCapabilities(DWORD* capabilities) {
  if (capabilities == nullptr) return E_POINTER;
  return (*capabilities & ~kCapabilities) != 0 ? S_FALSE : S_OK;
}

HRESULT WmvOutputPin::IsFormatSupported(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return IsMediaTime(format) ? S_OK : S_FALSE;
}

HRESULT WmvOutputPin::QueryPreferredFormat(GUID* format) {
  if (format == nullptr) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

HRESULT WmvOutputPin::GetTimeFormat(GUID* format) {
  return QueryPreferredFormat(format);
}

HRESULT WmvOutputPin::IsUsingTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  return IsMediaTime(format) ? S_OK : S_FALSE;
}

HRESULT WmvOutputPin::SetTimeFormat(const GUID* format) {
  if (format == nullptr) return E_POINTER;
  if (*format == TIME_FORMAT_MEDIA_TIME) return parser_->ClaimSeekingRole(this) ? S_OK : E_NOTIMPL;
  if (*format == TIME_FORMAT_NONE) {
    parser_->ReleaseSeekingRole(this);
    return S_OK;
  }
  return E_NOTIMPL;
}

HRESULT WmvOutputPin::GetDuration(LONGLONG* duration) {
  if (duration == nullptr) return E_POINTER;
  *duration = parser_->Duration();
  return S_OK;
}

HRESULT WmvOutputPin::GetStopPosition(LONGLONG* stop) {
  if (stop == nullptr) return E_POINTER;
  *stop = StopOrDuration(*parser_);
  return S_OK;
}

HRESULT WmvOutputPin::GetCurrentPosition(LONGLONG*) {
  return E_NOTIMPL;
}

HRESULT WmvOutputPin::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                        const GUID* sourceFormat) {
  if (target == nullptr) return E_POINTER;
  if ((targetFormat != nullptr && !IsMediaTime(targetFormat)) ||
      (sourceFormat != nullptr && !IsMediaTime(sourceFormat))) {
    return E_INVALIDARG;
  }
  *target = source;
  return S_OK;
}

HRESULT WmvOutputPin::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
  if (!parser_->ClaimSeekingRole(this)) return S_OK;
  const DWORD currentMode = currentFlags & AM_SEEKING_PositioningBitsMask;
  const DWORD stopMode = stopFlags & AM_SEEKING_PositioningBitsMask;
  if ((currentMode != AM_SEEKING_NoPositioning && current == nullptr) ||
      (stopMode != AM_SEEKING_NoPositioning && stop == nullptr)) {
    return E_POINTER;
  }
  REFERENCE_TIME newStart = parser_->StartPosition();
  if (currentMode == AM_SEEKING_AbsolutePositioning) newStart = *current;
  if (currentMode == AM_SEEKING_RelativePositioning) newStart = Add(newStart, *current);

  REFERENCE_TIME newStop = parser_->StopPosition();
  if (stopMode == AM_SEEKING_AbsolutePositioning) newStop = *stop;
  if (stopMode == AM_SEEKING_IncrementalPositioning) newStop = Add(newStart, *stop);
  if (stopMode == AM_SEEKING_RelativePositioning) newStop = Add(StopOrDuration(*parser_), *stop);

  if (currentMode != AM_SEEKING_NoPositioning) return parser_->Seek(newStart, newStop, parser_->Rate());
  if (stopMode != AM_SEEKING_NoPositioning) {
    parser_->RecordStop(newStop);
    return S_OK;
  }
  return S_FALSE;
}

HRESULT WmvOutputPin::GetPositions(LONGLONG* current, LONGLONG* stop) {
  if (current != nullptr) *current = parser_->StartPosition();
  if (stop != nullptr) *stop = StopOrDuration(*parser_);
  return S_OK;
}

HRESULT WmvOutputPin::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  if (earliest != nullptr) *earliest = 0;
  if (latest != nullptr) *latest = parser_->Duration();
  return S_OK;
}

HRESULT WmvOutputPin::SetRate(double rate) {
  if (rate == 0 || !std::isfinite(rate)) return E_INVALIDARG;
  if (parser_->ClaimSeekingRole(this)) parser_->RecordRate(rate);
  return S_OK;
}

HRESULT WmvOutputPin::GetRate(double* rate) {
  if (rate == nullptr) return E_POINTER;
  *rate = parser_->Rate();
  return S_OK;
}

HRESULT WmvOutputPin::GetPreroll(LONGLONG* preroll) {
  if (preroll == nullptr) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

}  // namespace quorbel::wmvparser
