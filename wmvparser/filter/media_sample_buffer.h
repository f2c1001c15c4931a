// MediaSampleBuffer lends a downstream media sample to the Windows Media reader as an
// INSSBuffer, so that the reader writes each compressed sample straight into the buffer that
// then travels downstream. IMediaSampleOwner hands the sample back to the filter.
#pragma once

#include "com/com_ptr.h"
#include "dshow/interfaces.h"
#include "wmsdk/interfaces.h"

namespace quorbel::wmvparser {

using com::HRESULT;
using com::IID;
using com::IUnknown;
using com::REFIID;

struct IMediaSampleOwner : IUnknown {
  static constexpr IID kIid = com::MakeGuid("{D6839DF3-34B3-42A7-9288-D94EEE378822}");
  // Hands over the wrapped sample (the caller owns the reference) and leaves the buffer empty;
  // *sample is null when it was taken before.
  virtual HRESULT DetachSample(dshow::IMediaSample** sample) = 0;
};
inline constexpr IID IID_IMediaSampleOwner = IMediaSampleOwner::kIid;

class MediaSampleBuffer final : public wmsdk::INSSBuffer, public IMediaSampleOwner, public com::CUnknown {
 public:
  // Holds a reference on sample and sets its data length to its size.
  explicit MediaSampleBuffer(dshow::IMediaSample* sample);
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override;

  // Each answers from the sample; E_NOINTERFACE once it was detached.
  HRESULT GetLength(com::DWORD* length) override;
  HRESULT SetLength(com::DWORD length) override;
  HRESULT GetMaxLength(com::DWORD* length) override;
  HRESULT GetBuffer(com::BYTE** buffer) override;
  HRESULT GetBufferAndLength(com::BYTE** buffer, com::DWORD* length) override;

  HRESULT DetachSample(dshow::IMediaSample** sample) override;

 private:
  // Used by one thread at a time: the reader's, from allocation to delivery.
  com::ComPtr<dshow::IMediaSample> sample_;
};

}  // namespace quorbel::wmvparser
