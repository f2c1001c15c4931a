#include "graph_run.h"

#include <cctype>
#include <cstdio>

#include "com/wide_text.h"
#include "dshow/graph.h"

namespace quorbel::graphtool {

namespace {

constexpr int64_t kHundredNanosecondsPerMs = 10000;
constexpr long kWaitStepMs = 60000;

// The first type the pin offers.
bool OfferedType(IPin* pin, CMediaType& type) {
  ComPtr<IEnumMediaTypes> types;
  if (FAILED(pin->EnumMediaTypes(types.Receive())) || !types) return false;
  AM_MEDIA_TYPE* offered = nullptr;
  ULONG fetched = 0;
  if (types->Next(1, &offered, &fetched) != S_OK || fetched != 1) return false;
  type = *offered;
  DeleteMediaType(offered);
  return true;
}

std::string PinName(IPin* pin) {
  PIN_INFO info{};
  if (FAILED(pin->QueryPinInfo(&info))) return {};
  if (info.pFilter != nullptr) info.pFilter->Release();
  return WideToUtf8(info.achName);
}

std::string FilterName(IBaseFilter* filter) {
  FILTER_INFO info{};
  if (FAILED(filter->QueryFilterInfo(&info))) return {};
  if (info.pGraph != nullptr) info.pGraph->Release();
  return WideToUtf8(info.achName);
}

std::string Describe(const char* what, HRESULT hr) {
  return std::string(what) + " (" + HresultToString(hr) + ")";
}

}  // namespace

std::string MajorTypeName(const GUID& major) {
  if (major == MEDIATYPE_Video) return "Video";
  if (major == MEDIATYPE_Audio) return "Audio";
  return GuidToString(major);
}

std::string SubtypeFormat(const GUID& subtype) {
  GUID base = subtype;
  base.Data1 = 0;
  if (base != MediaSubtypeFromFourCC(0)) return GuidToString(subtype);
  char text[16];
  const DWORD code = subtype.Data1;
  if (code <= 0xFFFF) {
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(code));
    return text;
  }
  std::string fourCC;
  for (int shift = 0; shift < 32; shift += 8) {
    const auto c = static_cast<unsigned char>(code >> shift);
    if (!std::isprint(c)) {
      std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
      return text;
    }
    fourCC += static_cast<char>(c);
  }
  return fourCC;
}

HRESULT RunGraph(const Registry& registry, const std::string& file, const GraphOptions& options,
                 GraphReport& report, std::string& error) {
  report = GraphReport{file, {}, {}};
  const ComPtr<CFilterGraph> graph(new CFilterGraph(registry));
  ComPtr<IBaseFilter> source;
  ComPtr<IBaseFilter> parser;
  HRESULT hr = graph->AddSourceAndParser(Utf8ToWide(file).c_str(), source.Receive(), parser.Receive());
  if (FAILED(hr)) {
    error = Describe(hr == VFW_E_CANNOT_RENDER ? "no registered filter takes the file"
                                               : "the file does not open, or no registered filter takes it",
                     hr);
    return hr;
  }
  report.filter = FilterName(parser.Get());

  std::vector<ComPtr<CountingSink>> sinks;
  for (const ComPtr<IPin>& output : dshow::PinsOf(parser.Get(), PINDIR_OUTPUT)) {
    PinReport pin;
    pin.name = PinName(output.Get());
    CMediaType type;
    if (!OfferedType(output.Get(), type)) {
      error = "output pin \"" + pin.name + "\" offers no media type";
      return VFW_E_NO_ACCEPTABLE_TYPES;
    }
    pin.major = type.majortype;
    pin.subtype = type.subtype;
    pin.format = SubtypeFormat(type.subtype);
    ComPtr<CountingSink> sink(new CountingSink(type));
    hr = graph->AddFilter(sink.Get(), u"Counting Sink");
    if (SUCCEEDED(hr)) hr = graph->ConnectDirect(output.Get(), &sink->Pin(), nullptr);
    if (FAILED(hr)) {
      error = Describe(("cannot connect output pin \"" + pin.name + "\"").c_str(), hr);
      return hr;
    }
    sinks.push_back(sink);
    report.pins.push_back(std::move(pin));
  }

  if (options.rate) {
    hr = graph->SetRate(*options.rate);
    if (FAILED(hr)) {
      error = Describe("the rate was refused", hr);
      return hr;
    }
  }
  if (options.startMs || options.stopMs) {
    LONGLONG start = options.startMs.value_or(0) * kHundredNanosecondsPerMs;
    LONGLONG stop = options.stopMs.value_or(0) * kHundredNanosecondsPerMs;
    hr = graph->SetPositions(
        &start, options.startMs ? AM_SEEKING_AbsolutePositioning : AM_SEEKING_NoPositioning, &stop,
        options.stopMs ? AM_SEEKING_AbsolutePositioning : AM_SEEKING_NoPositioning);
    if (FAILED(hr)) {
      error = Describe("the positions were refused", hr);
      return hr;
    }
  }

  hr = graph->Run();
  long code = 0;
  if (SUCCEEDED(hr)) {
    // No time limit: without a clock the graph plays as fast as the file reads.
    while ((hr = graph->WaitForCompletion(kWaitStepMs, &code)) == E_ABORT) {
    }
  }
  graph->Stop();
  for (std::size_t i = 0; i < sinks.size(); ++i) report.pins[i].counts = sinks[i]->Pin().Counts();
  if (FAILED(hr)) {
    error = Describe("playback failed", hr);
    return hr;
  }
  if (code != EC_COMPLETE) {
    long event = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    HRESULT reason = E_FAIL;
    while (graph->GetEvent(&event, &param1, &param2, 0) == S_OK) {
      if (event == code) reason = static_cast<HRESULT>(param1);
    }
    error = Describe("playback was aborted", reason);
    return reason;
  }
  return S_OK;
}

}  // namespace quorbel::graphtool
