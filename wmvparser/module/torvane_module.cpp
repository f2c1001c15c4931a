// libtorvane.so: the plug-in's COM exports, its registration record and its table of classes.
// It links its own copy of the platform libraries and keeps them private.
#include "dshow/module_entry.h"
#include "filter/ids.h"
#include "filter/wmv_parser_filter.h"

namespace quorbel::wmvparser {
namespace {

using namespace dshow;

constexpr MediaTypeSetup kInputTypes[] = {{MEDIATYPE_Stream, MEDIASUBTYPE_Asf}};
constexpr MediaTypeSetup kVideoTypes[] = {{MEDIATYPE_Video, MEDIASUBTYPE_NULL}};
constexpr MediaTypeSetup kAudioTypes[] = {{MEDIATYPE_Audio, MEDIASUBTYPE_NULL}};

// For graph building only: at run time the output pins carry the streams' names and types.
constexpr PinSetup kPins[] = {
    {u"Input", FALSE, FALSE, FALSE, FALSE, GUID_NULL, nullptr, 1, kInputTypes},
    {u"Video Output", FALSE, TRUE, FALSE, FALSE, GUID_NULL, nullptr, 1, kVideoTypes},
    {u"Audio Output", FALSE, TRUE, FALSE, FALSE, GUID_NULL, nullptr, 1, kAudioTypes},
};

constexpr FilterSetup kSetup{CLSID_WmvParser, kWmvParserName, MERIT_NORMAL, 3, kPins};

const CFactoryTemplate kTemplates[] = {
    {kSetup.name, &kSetup.clsid, WmvParserFilter::CreateInstance, &kSetup}};

}  // namespace
}  // namespace quorbel::wmvparser

using quorbel::com::HRESULT;

extern "C" HRESULT DllRegisterServer() {
  return quorbel::dshow::RegisterModuleServers(quorbel::wmvparser::kTemplates, quorbel::com::TRUE,
                                               reinterpret_cast<const void*>(&DllRegisterServer));
}

extern "C" HRESULT DllUnregisterServer() {
  return quorbel::dshow::RegisterModuleServers(quorbel::wmvparser::kTemplates, quorbel::com::FALSE,
                                               reinterpret_cast<const void*>(&DllUnregisterServer));
}

extern "C" HRESULT DllGetClassObject(quorbel::com::REFCLSID clsid, quorbel::com::REFIID iid, void** object) {
  return quorbel::dshow::GetClassObjectFromTemplates(quorbel::wmvparser::kTemplates, clsid, iid, object);
}

extern "C" HRESULT DllCanUnloadNow() {
  return quorbel::com::CanUnloadModule();
}
