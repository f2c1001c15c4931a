// WmvInputPin: takes the file's bytes as MEDIATYPE_Stream / ASF from an upstream pin with
// IAsyncReader. Completing the connection opens the file (and makes the output pins);
// breaking it closes the file (and removes them). Nothing is pushed into this pin.
#pragma once

#include "dshow/base_pin.h"

namespace quorbel::wmvparser {

using namespace quorbel::dshow;

class WmvParserFilter;

class WmvInputPin final : public CBasePin {
 public:
  WmvInputPin(WmvParserFilter* filter, CCritSec* lock, HRESULT* hr);

  // MEDIATYPE_Stream with the ASF subtype only.
  HRESULT CheckMediaType(const CMediaType* type) override;
  HRESULT GetMediaType(int position, CMediaType* type) override;
  // E_NOINTERFACE for a peer without IAsyncReader, else the result of opening the file.
  HRESULT CompleteConnect(IPin* receivePin) override;
  HRESULT BreakConnect() override;

  // The pin pulls its data: stream control from upstream has nothing to act on.
  HRESULT EndOfStream() override { return S_OK; }
  HRESULT BeginFlush() override { return S_OK; }
  HRESULT EndFlush() override { return S_OK; }

 private:
  WmvParserFilter* const parser_;
};

}  // namespace quorbel::wmvparser
