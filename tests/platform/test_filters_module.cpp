// A module of test parser filters, registered and loaded like a plug-in: it exports the four
// Dll* functions and links its own copy of the platform libraries.
//
//   "Test ASF Parser"       MERIT_NORMAL        takes Stream/ASF; connects when the source's
//                                                bytes start with an ASF header
//   "Test Backup Parser"    MERIT_UNLIKELY      the same, a lower merit
//   "Test Failing Parser"   MERIT_PREFERRED     takes Stream/ASF; never connects (E_FAIL)
//   "Test Other Parser"     MERIT_PREFERRED     takes Stream/another subtype
//   "Test Unused Parser"    MERIT_DO_NOT_USE    takes any stream
#include <cstring>

#include "com/com_ptr.h"
#include "dshow/base_filter.h"
#include "dshow/base_pin.h"
#include "dshow/module_entry.h"
#include "test_filters_ids.h"

namespace quorbel::testing {
namespace {

using namespace dshow;

constexpr GUID kOtherSubtype = MakeGuid("{11111111-2222-3333-4444-555555555555}");
constexpr GUID kAsfHeaderBytes = MakeGuid("{75B22630-668E-11CF-A6D9-00AA0062CE6C}");

class TestParser;

class TestParserInput final : public CBasePin {
 public:
  TestParserInput(TestParser* filter, CCritSec* lock, bool failAlways);
  HRESULT CheckMediaType(const CMediaType* type) override {
    return type->majortype == MEDIATYPE_Stream && type->subtype == MEDIASUBTYPE_Asf ? S_OK
                                                                                    : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT GetMediaType(int position, CMediaType* type) override {
    if (position != 0) return VFW_S_NO_MORE_ITEMS;
    *type = CMediaType(MEDIATYPE_Stream, MEDIASUBTYPE_Asf);
    return S_OK;
  }
  HRESULT CompleteConnect(IPin* peer) override {
    if (failAlways_) return E_FAIL;
    ComPtr<IAsyncReader> reader;
    if (FAILED(peer->QueryInterface(IID_IAsyncReader, reader.ReceiveVoid()))) return E_NOINTERFACE;
    BYTE bytes[16];
    if (reader->SyncRead(0, sizeof bytes, bytes) != S_OK) return VFW_E_INVALID_FILE_FORMAT;
    return GuidFromBytes(bytes) == kAsfHeaderBytes ? S_OK : VFW_E_INVALID_FILE_FORMAT;
  }
  HRESULT EndOfStream() override { return S_OK; }
  HRESULT BeginFlush() override { return S_OK; }
  HRESULT EndFlush() override { return S_OK; }

 private:
  const bool failAlways_;
};

class TestParser final : public CBaseFilter {
 public:
  TestParser(IUnknown* outer, const CLSID& clsid, bool failAlways)
      : CBaseFilter(u"Test Parser", outer, &filterLock_, clsid), input_(this, &filterLock_, failAlways) {}
  int GetPinCount() override { return 1; }
  CBasePin* GetPin(int index) override { return index == 0 ? &input_ : nullptr; }

 private:
  CCritSec filterLock_;
  TestParserInput input_;
};

TestParserInput::TestParserInput(TestParser* filter, CCritSec* lock, bool failAlways)
    : CBasePin(u"Input", filter, lock, nullptr, PINDIR_INPUT), failAlways_(failAlways) {}

template <const CLSID& kClsid, bool kFailAlways>
CUnknown* CreateParser(IUnknown* outer, HRESULT*) {
  return new TestParser(outer, kClsid, kFailAlways);
}

constexpr MediaTypeSetup kAsfStream[] = {{MEDIATYPE_Stream, MEDIASUBTYPE_Asf}};
constexpr MediaTypeSetup kOtherStream[] = {{MEDIATYPE_Stream, kOtherSubtype}};
constexpr MediaTypeSetup kAnyStream[] = {{MEDIATYPE_Stream, GUID_NULL}};
constexpr PinSetup kAsfInput[] = {{u"Input", FALSE, FALSE, FALSE, FALSE, GUID_NULL, nullptr, 1, kAsfStream}};
constexpr PinSetup kOtherInput[] = {
    {u"Input", FALSE, FALSE, FALSE, FALSE, GUID_NULL, nullptr, 1, kOtherStream}};
constexpr PinSetup kAnyInput[] = {{u"Input", FALSE, FALSE, FALSE, FALSE, GUID_NULL, nullptr, 1, kAnyStream}};

constexpr FilterSetup kAsfParser{kTestAsfParser, u"Test ASF Parser", MERIT_NORMAL, 1, kAsfInput};
constexpr FilterSetup kBackupParser{kTestBackupParser, u"Test Backup Parser", MERIT_UNLIKELY, 1, kAsfInput};
constexpr FilterSetup kFailingParser{kTestFailingParser, u"Test Failing Parser", MERIT_PREFERRED, 1,
                                     kAsfInput};
constexpr FilterSetup kOtherParser{kTestOtherParser, u"Test Other Parser", MERIT_PREFERRED, 1, kOtherInput};
constexpr FilterSetup kUnusedParser{kTestUnusedParser, u"Test Unused Parser", MERIT_DO_NOT_USE, 1, kAnyInput};

const CFactoryTemplate kTemplates[] = {
    {kAsfParser.name, &kAsfParser.clsid, CreateParser<kTestAsfParser, false>, &kAsfParser},
    {kBackupParser.name, &kBackupParser.clsid, CreateParser<kTestBackupParser, false>, &kBackupParser},
    {kFailingParser.name, &kFailingParser.clsid, CreateParser<kTestFailingParser, true>, &kFailingParser},
    {kOtherParser.name, &kOtherParser.clsid, CreateParser<kTestOtherParser, false>, &kOtherParser},
    {kUnusedParser.name, &kUnusedParser.clsid, CreateParser<kTestUnusedParser, false>, &kUnusedParser},
};

}  // namespace
}  // namespace quorbel::testing

using quorbel::com::HRESULT;

extern "C" HRESULT DllRegisterServer() {
  return quorbel::dshow::RegisterModuleServers(quorbel::testing::kTemplates, quorbel::com::TRUE,
                                               reinterpret_cast<const void*>(&DllRegisterServer));
}

extern "C" HRESULT DllUnregisterServer() {
  return quorbel::dshow::RegisterModuleServers(quorbel::testing::kTemplates, quorbel::com::FALSE,
                                               reinterpret_cast<const void*>(&DllUnregisterServer));
}

extern "C" HRESULT DllGetClassObject(quorbel::com::REFCLSID clsid, quorbel::com::REFIID iid, void** object) {
  return quorbel::dshow::GetClassObjectFromTemplates(quorbel::testing::kTemplates, clsid, iid, object);
}

extern "C" HRESULT DllCanUnloadNow() {
  return quorbel::com::CanUnloadModule();
}
