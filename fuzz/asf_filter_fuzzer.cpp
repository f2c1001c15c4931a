// The "WMV Parser" filter, and under it the Windows Media reader, on arbitrary bytes: file source
// -> parser -> one counting sink per output pin, played to its end (or for at most 10 s).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "com/registry.h"
#include "com/wide_text.h"
#include "counting_sink.h"
#include "dshow/graph.h"
#include "filter/wmv_parser_filter.h"
#include "fuzz_support.h"

namespace {

using namespace quorbel;
using namespace quorbel::dshow;

constexpr long kPlayLimitMs = 10000;

void Play(const std::string& path) {
  const ComPtr<CFilterGraph> graph(new CFilterGraph(com::Registry("/nonexistent/registry")));
  ComPtr<IBaseFilter> source;
  if (graph->AddSourceFilter(Utf8ToWide(path).c_str(), source.Receive()) != S_OK) return;
  HRESULT hr = S_OK;
  const ComPtr<wmvparser::WmvParserFilter> parser(
      static_cast<wmvparser::WmvParserFilter*>(wmvparser::WmvParserFilter::CreateInstance(nullptr, &hr)));
  if (!parser) return;
  graph->AddFilter(parser.Get(), u"WMV Parser");
  ComPtr<IPin> sourceOutput;
  if (source->FindPin(u"Output", sourceOutput.Receive()) == S_OK &&
      SUCCEEDED(graph->ConnectDirect(sourceOutput.Get(), parser->GetPin(0), nullptr))) {
    std::vector<ComPtr<graphtool::CountingSink>> sinks;
    for (int n = 1; n < parser->GetPinCount(); ++n) {
      CMediaType type;
      if (parser->GetPin(n)->GetMediaType(0, &type) != S_OK) continue;
      ComPtr<graphtool::CountingSink> sink(new graphtool::CountingSink(type));
      graph->AddFilter(sink.Get(), u"Counting Sink");
      graph->ConnectDirect(parser->GetPin(n), &sink->Pin(), nullptr);
      sinks.push_back(sink);
    }
    if (SUCCEEDED(graph->Run())) {
      long code = 0;
      graph->WaitForCompletion(kPlayLimitMs, &code);
    }
    graph->Stop();
  }
  // Disconnecting the parser's input closes the file and removes its output pins.
  for (const ComPtr<IBaseFilter>& filter : graph->Filters()) graph->RemoveFilter(filter.Get());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::SilenceLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Play(fuzz::WriteScratchFile("input.wmv", data, size));
  return 0;
}
