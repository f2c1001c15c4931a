#include "filter/wmv_input_pin.h"

#include "filter/wmv_parser_filter.h"

namespace quorbel::wmvparser {

WmvInputPin::WmvInputPin(WmvParserFilter* filter, CCritSec* lock, HRESULT* hr)
    : CBasePin(u"Input", filter, lock, hr, PINDIR_INPUT), parser_(filter) {}

HRESULT WmvInputPin::CheckMediaType(const CMediaType* type) {
  return type->majortype == MEDIATYPE_Stream && type->subtype == MEDIASUBTYPE_Asf ? S_OK
                                                                                  : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT WmvInputPin::GetMediaType(int position, CMediaType* type) {
  if (position != 0) return VFW_S_NO_MORE_ITEMS;
  *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_Asf);
  return S_OK;
}

HRESULT WmvInputPin::CompleteConnect(IPin* receivePin) {
  const HRESULT hr = CBasePin::CompleteConnect(receivePin);
  if (FAILED(hr)) return hr;
  ComPtr<IAsyncReader> source;
  if (FAILED(receivePin->QueryInterface(IID_IAsyncReader, source.ReceiveVoid())) || !source) {
    return E_NOINTERFACE;
  }
  return parser_->OpenFile(source.Get());
}

HRESULT WmvInputPin::BreakConnect() {
  parser_->CloseFile();
  return CBasePin::BreakConnect();
}

}  // namespace quorbel::wmvparser
