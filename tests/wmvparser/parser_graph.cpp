#include "parser_graph.h"

#include <gtest/gtest.h>

#include "base/av_ptr.h"
#include "com/wide_text.h"

namespace quorbel::testing {

ComPtr<WmvParserFilter> MakeParser() {
  HRESULT hr = S_OK;
  CUnknown* created = WmvParserFilter::CreateInstance(nullptr, &hr);
  EXPECT_NE(created, nullptr);
  return ComPtr<WmvParserFilter>(static_cast<WmvParserFilter*>(created));
}

ParserGraph::ParserGraph(const std::string& path, bool withSinks) {
  EXPECT_EQ(graph->AddSourceFilter(Utf8ToWide(path).c_str(), source.Receive()), S_OK) << path;
  Connect(source.Get(), withSinks);
}

ParserGraph::ParserGraph(IBaseFilter* upstream, bool withSinks, const wmvparser::HandshakeLimits& limits)
    : source(upstream) {
  parser->SetHandshakeLimits(limits);
  EXPECT_EQ(graph->AddFilter(upstream, u"Source"), S_OK);
  Connect(upstream, withSinks);
}

void ParserGraph::Connect(IBaseFilter* upstream, bool withSinks) {
  EXPECT_EQ(graph->AddFilter(parser.Get(), u"WMV Parser"), S_OK);
  ComPtr<IPin> output;
  EXPECT_EQ(upstream->FindPin(u"Output", output.Receive()), S_OK);
  connected = graph->ConnectDirect(output.Get(), ParserInput(), nullptr);
  if (SUCCEEDED(connected) && withSinks) ConnectSinks();
}

void ParserGraph::ConnectSinks() {
  for (int n = 0; n < OutputCount(); ++n) {
    CMediaType type;
    EXPECT_EQ(Out(n).GetMediaType(0, &type), S_OK);
    ComPtr<RecordingSink> sink(new RecordingSink(type));
    EXPECT_EQ(graph->AddFilter(sink.Get(), u"Sink"), S_OK);
    EXPECT_EQ(graph->ConnectDirect(&Out(n), &sink->Pin(), nullptr), S_OK);
    sinks.push_back(sink);
  }
}

ParserGraph::~ParserGraph() {
  graph->Stop();
  // Disconnecting the parser's input closes the file and removes its output pins.
  for (const ComPtr<IBaseFilter>& filter : graph->Filters()) graph->RemoveFilter(filter.Get());
}

bool ParserGraph::WaitForEnd() {
  for (const ComPtr<RecordingSink>& sink : sinks) {
    if (!sink->Pin().WaitFor([&] { return sink->Pin().EndOfStreams() >= 1; })) return false;
  }
  return true;
}

std::map<int, std::vector<DemuxedPacket>> DemuxAsf(const std::string& path) {
  std::map<int, std::vector<DemuxedPacket>> streams;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), av_find_input_format("asf"), nullptr) < 0) return streams;
  InputFormatContextPtr context(raw);
  for (unsigned i = 0; i < context->nb_streams; ++i) streams[context->streams[i]->id];
  PacketPtr packet = MakePacket();
  std::size_t order = 0;
  while (av_read_frame(context.get(), packet.get()) >= 0) {
    const AVStream& stream = *context->streams[packet->stream_index];
    const int64_t timestamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    constexpr AVRational kHns{1, 10000000};
    streams[stream.id].push_back(DemuxedPacket{
        av_rescale_q(timestamp, stream.time_base, kHns),
        av_rescale_q(packet->duration, stream.time_base, kHns), (packet->flags & AV_PKT_FLAG_KEY) != 0,
        packet->size, HashBytes(packet->data, static_cast<std::size_t>(packet->size)), order++});
    av_packet_unref(packet.get());
  }
  return streams;
}

std::string SamplePath(const std::string& name) {
  return std::string(QUORBEL_SAMPLES_DIR) + "/" + name;
}

}  // namespace quorbel::testing
