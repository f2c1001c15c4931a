// Test harness: a graph of file source (or any given source) -> a WMV Parser made directly ->
// one recording sink per output pin, and what libavformat reads from the same file.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "com/com_ptr.h"
#include "dshow/graph.h"
#include "filter/wmv_parser_filter.h"
#include "recording_sink.h"

namespace quorbel::testing {

using wmvparser::WmvOutputPin;
using wmvparser::WmvParserFilter;

// A new filter, as the class factory makes it.
ComPtr<WmvParserFilter> MakeParser();

struct ParserGraph {
  ComPtr<CFilterGraph> graph{new CFilterGraph(Registry("/nonexistent/registry"))};
  ComPtr<WmvParserFilter> parser = MakeParser();
  ComPtr<IBaseFilter> source;
  std::vector<ComPtr<RecordingSink>> sinks;  // one per output pin, in pin order
  HRESULT connected = E_FAIL;                // of the parser's input

  // A file source on path, connected to the parser; with sinks, a sink on every output pin.
  explicit ParserGraph(const std::string& path, bool withSinks = true);
  // source (already loaded) connected to the parser.
  ParserGraph(IBaseFilter* upstream, bool withSinks, const wmvparser::HandshakeLimits& limits);
  ~ParserGraph();

  void ConnectSinks();
  int OutputCount() { return parser->GetPinCount() - 1; }
  // n from 0, in ascending stream number.
  WmvOutputPin& Out(int n) { return *static_cast<WmvOutputPin*>(parser->GetPin(n + 1)); }
  RecordingPin& In(int n) { return sinks[static_cast<std::size_t>(n)]->Pin(); }
  CBasePin* ParserInput() { return parser->GetPin(0); }
  // Until every sink had an end of stream (EC_COMPLETE from all).
  bool WaitForEnd();

 private:
  void Connect(IBaseFilter* upstream, bool withSinks);
};

// The packets libavformat's ASF demuxer reads from a file, by stream number.
struct DemuxedPacket {
  int64_t timeHns;  // presentation time (else decoding time), 100 ns
  int64_t durationHns;
  bool key;
  int size;
  uint64_t hash;
  std::size_t fileOrder;  // position among all packets of the file
};
std::map<int, std::vector<DemuxedPacket>> DemuxAsf(const std::string& path);

std::string SamplePath(const std::string& name);

}  // namespace quorbel::testing
