// The filter's pins and their types, opening and closing with the input connection, and the
// plug-in registered and loaded as a module.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "asf_scan.h"
#include "com/class_factory.h"
#include "com/servers.h"
#include "com/wide_text.h"
#include "dshow/file_source.h"
#include "dshow/filter_mapper.h"
#include "filter/ids.h"
#include "parser_graph.h"
#include "quorbel/fixtures.h"

namespace quorbel::testing {
namespace {

using namespace wmsdk;
namespace fs = std::filesystem;

TEST(WmvInputPin, TakesOnlyAsfStreamsAndOffersThatType) {
  const ComPtr<WmvParserFilter> parser = MakeParser();
  EXPECT_EQ(parser->GetPinCount(), 1);
  EXPECT_EQ(parser->GetPin(1), nullptr);
  CBasePin& input = *parser->GetPin(0);
  PIN_DIRECTION direction;
  input.QueryDirection(&direction);
  EXPECT_EQ(direction, PINDIR_INPUT);
  EXPECT_EQ(input.Name(), u"Input");

  struct Case {
    GUID major;
    GUID sub;
    HRESULT expected;
  } cases[] = {
      {MEDIATYPE_Stream, MEDIASUBTYPE_Asf, S_OK},
      {MEDIATYPE_Stream, MEDIASUBTYPE_NULL, VFW_E_TYPE_NOT_ACCEPTED},
      {MEDIATYPE_Stream, MediaSubtypeFromFourCC(0x32564D57), VFW_E_TYPE_NOT_ACCEPTED},
      {MEDIATYPE_Video, MEDIASUBTYPE_Asf, VFW_E_TYPE_NOT_ACCEPTED},
      {GUID_NULL, GUID_NULL, VFW_E_TYPE_NOT_ACCEPTED},
  };
  for (const Case& c : cases) {
    const CMediaType type(c.major, c.sub);
    EXPECT_EQ(input.CheckMediaType(&type), c.expected) << GuidToString(c.major) << GuidToString(c.sub);
  }
  CMediaType offered;
  ASSERT_EQ(input.GetMediaType(0, &offered), S_OK);
  EXPECT_EQ(offered.majortype, MEDIATYPE_Stream);
  EXPECT_EQ(offered.subtype, MEDIASUBTYPE_Asf);
  EXPECT_EQ(offered.cbFormat, 0u);
  EXPECT_EQ(input.GetMediaType(1, &offered), VFW_S_NO_MORE_ITEMS);

  // Not connected, nothing to play: pausing is refused and the filter stays stopped.
  EXPECT_EQ(parser->Pause(), VFW_E_NOT_CONNECTED);
  FILTER_STATE state;
  parser->GetState(0, &state);
  EXPECT_EQ(state, State_Stopped);
  EXPECT_EQ(parser->Stop(), S_OK);
}

// Each selected stream of an ASF file, in ascending stream number, becomes an output pin with
// the reader's exact type, 200 buffers of the stream's largest sample.
class OutputPins : public ::testing::TestWithParam<std::string> {};

TEST_P(OutputPins, FollowTheStreamsInStreamNumberOrder) {
  const std::string path = GetParam();
  const auto demuxed = DemuxAsf(path);
  const ScannedFile scanned = ScanAsf(path);
  ParserGraph chain(path);
  ASSERT_EQ(chain.connected, S_OK);
  ASSERT_EQ(chain.OutputCount(), static_cast<int>(demuxed.size()));
  EXPECT_EQ(chain.parser->GetPin(chain.OutputCount() + 1), nullptr);
  int n = 0;
  for (const auto& [number, packets] : demuxed) {
    WmvOutputPin& pin = chain.Out(n);
    PIN_DIRECTION direction;
    pin.QueryDirection(&direction);
    EXPECT_EQ(direction, PINDIR_OUTPUT);
    CMediaType type;
    ASSERT_EQ(pin.GetMediaType(0, &type), S_OK);
    // The stream of this number, whatever the order the reader listed the streams in.
    const ScannedStream& stream = scanned.streams.at(number);
    EXPECT_EQ(type.majortype, stream.video ? MEDIATYPE_Video : MEDIATYPE_Audio) << "stream " << number;
    EXPECT_EQ(type.subtype, MediaSubtypeFromFourCC(stream.codecTag));
    EXPECT_GT(type.cbFormat, 0u);
    EXPECT_EQ(pin.GetMediaType(1, &type), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(pin.CheckMediaType(&type), S_OK);
    // Any difference in the four parts is refused.
    CMediaType otherFormat = type;
    otherFormat.pbFormat[0] ^= 1;
    CMediaType otherSubtype = type;
    otherSubtype.subtype = MEDIASUBTYPE_NULL;
    CMediaType otherFormatType = type;
    otherFormatType.formattype = FORMAT_None;
    for (const CMediaType* refused : {&otherFormat, &otherSubtype, &otherFormatType}) {
      EXPECT_EQ(pin.CheckMediaType(refused), VFW_E_TYPE_NOT_ACCEPTED);
    }

    int largest = 0;
    for (const DemuxedPacket& packet : packets) largest = std::max(largest, packet.size);
    ComPtr<IMemAllocator> allocator;
    ASSERT_EQ(chain.In(n).GetAllocator(allocator.Receive()), S_OK);
    ALLOCATOR_PROPERTIES properties{};
    allocator->GetProperties(&properties);
    EXPECT_EQ(properties.cBuffers, 200);
    EXPECT_EQ(properties.cbBuffer, largest);
    ++n;
  }
}

INSTANTIATE_TEST_SUITE_P(AsfFiles, OutputPins,
                         ::testing::Values(fixtures::Path(fixtures::Fixture::kAsfWmv2Wmav2),
                                           fixtures::Path(fixtures::Fixture::kAsfAudioOnly),
                                           fixtures::Path(fixtures::Fixture::kAsfVideoOnly),
                                           SamplePath("glass_wmv1_wmav2.wmv")),
                         [](const auto& param) { return std::to_string(param.index); });

TEST(WmvParser, ConnectionFailsForPeersAndFilesItCannotRead) {
  // A peer without IAsyncReader (a plain output pin that offers the ASF stream type).
  {
    const ComPtr<WmvParserFilter> parser = MakeParser();
    ComPtr<RecordingSink> other(new RecordingSink(CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_Asf)));
    EXPECT_EQ(parser->GetPin(0)->CompleteConnect(&other->Pin()), E_NOINTERFACE);
    EXPECT_EQ(parser->GetPinCount(), 1);
  }
  struct Case {
    std::string path;
    HRESULT expected;
  } cases[] = {
      {SamplePath("drm_protected.wma"), E_ACCESSDENIED},
      {SamplePath("broken_crafted_loop.wma"), VFW_E_INVALID_FILE_FORMAT},
  };
  for (const Case& c : cases) {
    ParserGraph chain(c.path, false);
    EXPECT_EQ(chain.connected, c.expected) << c.path;
    EXPECT_EQ(chain.parser->GetPinCount(), 1);
    EXPECT_FALSE(chain.parser->GetPin(0)->IsConnected());
  }
  // Not ASF, though named so.
  const fs::path disguised =
      fs::temp_directory_path() / ("quorbel-disguised-" + std::to_string(::getpid()) + ".wmv");
  fs::copy_file(SamplePath("mpeg4_mp3.avi"), disguised, fs::copy_options::overwrite_existing);
  {
    ParserGraph chain(disguised.string(), false);
    EXPECT_EQ(chain.connected, VFW_E_INVALID_FILE_FORMAT);
    EXPECT_EQ(chain.parser->GetPinCount(), 1);
  }
  fs::remove(disguised);
}

TEST(WmvParser, DisconnectingTheInputDisconnectsAndRemovesTheOutputPins) {
  ParserGraph chain(fixtures::Path(fixtures::Fixture::kAsfWmv2Wmav2));
  ASSERT_EQ(chain.connected, S_OK);
  ASSERT_EQ(chain.OutputCount(), 2);
  ASSERT_TRUE(chain.In(0).IsConnected());
  // A downstream filter that keeps a reference on an output pin.
  ComPtr<IPin> kept(&chain.Out(1));

  ASSERT_EQ(chain.graph->Pause(), S_OK);
  EXPECT_EQ(chain.ParserInput()->Disconnect(), VFW_E_NOT_STOPPED);
  ASSERT_EQ(chain.graph->Stop(), S_OK);
  ComPtr<IPin> upstream;
  ASSERT_EQ(chain.ParserInput()->ConnectedTo(upstream.Receive()), S_OK);
  ASSERT_EQ(upstream->Disconnect(), S_OK);
  ASSERT_EQ(chain.ParserInput()->Disconnect(), S_OK);

  EXPECT_EQ(chain.parser->GetPinCount(), 1);
  for (int n = 0; n < 2; ++n) EXPECT_FALSE(chain.In(n).IsConnected());
  // The kept pin lives on, disconnected, until its last reference goes.
  ComPtr<IPin> peer;
  EXPECT_EQ(kept->ConnectedTo(peer.Receive()), VFW_E_NOT_CONNECTED);
  PIN_INFO info{};
  ASSERT_EQ(kept->QueryPinInfo(&info), S_OK);
  EXPECT_EQ(info.pFilter, static_cast<IBaseFilter*>(chain.parser.Get()));
  info.pFilter->Release();
  const long objectsBefore = CBaseObject::ObjectsActive();
  kept = nullptr;
  EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore - 1);

  // Connecting again opens the file again.
  ASSERT_EQ(chain.graph->ConnectDirect(upstream.Get(), chain.ParserInput(), nullptr), S_OK);
  EXPECT_EQ(chain.OutputCount(), 2);
}

// Registers the built module in a registry of the test's own, as reg.sh does.
class Plugin : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/quorbel-torvane-XXXXXX";
    dir_ = ::mkdtemp(name);
    registryPath_ = (dir_ / "registry").string();
    ::setenv("QUORBEL_REGISTRY", registryPath_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QUORBEL_REGISTRY");
    fs::remove_all(dir_);
  }
  int RunRegSh(const std::string& arguments) {
    return std::system((std::string(QUORBEL_REG_SH) + " " + arguments + " >/dev/null").c_str());
  }

  fs::path dir_;
  std::string registryPath_;
};

TEST_F(Plugin, RegSetsUpTheServerAndTheFilterRecordAndUnregisteringRemovesThem) {
  ASSERT_EQ(RunRegSh(""), 0);
  RegistryKey root;
  ASSERT_EQ(Registry(registryPath_).Read(root), S_OK);
  const std::optional<ComServerEntry> server = FindComServer(root, wmvparser::CLSID_WmvParser);
  ASSERT_TRUE(server);
  EXPECT_EQ(GuidToString(wmvparser::CLSID_WmvParser), "{1932C124-77DA-4151-99AA-234FEA09F463}");
  EXPECT_EQ(server->modulePath, fs::canonical(QUORBEL_TORVANE).string());
  EXPECT_EQ(server->threadingModel, "Both");
  EXPECT_EQ(server->name, "WMV Parser");

  const std::vector<RegisteredFilter> filters = ListFilters(root);
  ASSERT_EQ(filters.size(), 1u);
  const RegisteredFilter& filter = filters.front();
  EXPECT_EQ(filter.clsid, wmvparser::CLSID_WmvParser);
  EXPECT_EQ(filter.name, "WMV Parser");
  EXPECT_EQ(filter.merit, 0x00600000u);
  ASSERT_EQ(filter.pins.size(), 3u);
  struct PinRecord {
    const char* name;
    bool output;
    GUID major;
    GUID minor;
  } expected[] = {{"Input", false, MEDIATYPE_Stream, MakeGuid("{6B6D0801-9ADA-11D0-A520-00A0D10129C0}")},
                  {"Video Output", true, MakeGuid("{73646976-0000-0010-8000-00AA00389B71}"), GUID_NULL},
                  {"Audio Output", true, MakeGuid("{73647561-0000-0010-8000-00AA00389B71}"), GUID_NULL}};
  for (std::size_t i = 0; i < 3; ++i) {
    const RegisteredPin& pin = filter.pins[i];
    EXPECT_EQ(pin.name, expected[i].name);
    EXPECT_EQ(pin.output, expected[i].output);
    EXPECT_FALSE(pin.rendered || pin.zero || pin.many);
    EXPECT_EQ(pin.connectsToFilter, GUID_NULL);
    EXPECT_EQ(pin.connectsToPin, "");
    ASSERT_EQ(pin.types.size(), 1u);
    EXPECT_EQ(pin.types[0].majorType, expected[i].major);
    EXPECT_EQ(pin.types[0].minorType, expected[i].minor);
  }

  ASSERT_EQ(RunRegSh("-u"), 0);
  ASSERT_EQ(Registry(registryPath_).Read(root), S_OK);
  EXPECT_FALSE(FindComServer(root, wmvparser::CLSID_WmvParser));
  EXPECT_TRUE(ListFilters(root).empty());
}

TEST_F(Plugin, TheGraphBuilderPicksItForWindowsMediaFilesAndItsExportsBehave) {
  ASSERT_EQ(RunRegSh(""), 0);
  const std::string asf = fixtures::Path(fixtures::Fixture::kAsfWmv2Wmav2);
  for (const char* extension : {".wmv", ".asf", ".wma"}) {
    const fs::path copy = dir_ / (std::string("file") + extension);
    fs::copy_file(asf, copy);
    ComPtr<CFilterGraph> graph(new CFilterGraph(Registry(registryPath_)));
    ComPtr<IBaseFilter> source;
    ComPtr<IBaseFilter> parser;
    ASSERT_EQ(
        graph->AddSourceAndParser(Utf8ToWide(copy.string()).c_str(), source.Receive(), parser.Receive()),
        S_OK)
        << extension;
    CLSID clsid;
    parser->GetClassID(&clsid);
    EXPECT_EQ(clsid, wmvparser::CLSID_WmvParser);
    FILTER_INFO info{};
    parser->QueryFilterInfo(&info);
    EXPECT_EQ(WideToUtf8(info.achName), "WMV Parser");
    info.pGraph->Release();
    graph->RemoveFilter(source.Get());
  }

  void* module = ::dlopen(QUORBEL_TORVANE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr);
  const auto getClassObject =
      reinterpret_cast<DllGetClassObjectFunction>(::dlsym(module, "DllGetClassObject"));
  const auto canUnloadNow = reinterpret_cast<DllCanUnloadNowFunction>(::dlsym(module, "DllCanUnloadNow"));
  ASSERT_NE(getClassObject, nullptr);
  ASSERT_NE(canUnloadNow, nullptr);
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(getClassObject(MakeGuid("{1932C124-77DA-4151-99AA-234FEA09F464}"), IID_IClassFactory,
                           factory.ReceiveVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(getClassObject(wmvparser::CLSID_WmvParser, IID_IClassFactory, factory.ReceiveVoid()), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
  factory = nullptr;
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  ComPtr<IWMReaderCallbackAdvanced> callback = filter.As<IWMReaderCallbackAdvanced>();
  EXPECT_TRUE(callback);
  EXPECT_TRUE(filter.As<IWMStatusCallback>());
  callback = nullptr;
  filter = nullptr;
  EXPECT_EQ(canUnloadNow(), S_OK);
  ::dlclose(module);
}

}  // namespace
}  // namespace quorbel::testing
