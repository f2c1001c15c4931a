// GUIDs, reference counting with aggregation, class factories, the registry file, loading
// registered modules, and quorbel-regsvr.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "com/class_factory.h"
#include "com/com_ptr.h"
#include "com/registry.h"
#include "com/servers.h"
#include "dshow/filter_mapper.h"
#include "dshow/interfaces.h"
#include "test_filters_ids.h"

namespace quorbel::testing {
namespace {

using namespace com;
namespace fs = std::filesystem;

TEST(Guid, ParsesAndFormatsBraceText) {
  constexpr GUID kAsf = MakeGuid("{6B6D0801-9ADA-11D0-A520-00A0D10129C0}");
  EXPECT_EQ(kAsf.Data1, 0x6B6D0801u);
  EXPECT_EQ(kAsf.Data2, 0x9ADA);
  EXPECT_EQ(kAsf.Data3, 0x11D0);
  EXPECT_EQ(kAsf.Data4[0], 0xA5);
  EXPECT_EQ(kAsf.Data4[7], 0xC0);
  EXPECT_EQ(GuidToString(kAsf), "{6B6D0801-9ADA-11D0-A520-00A0D10129C0}");
  EXPECT_EQ(ParseGuid("{6b6d0801-9ada-11d0-a520-00a0d10129c0}"), kAsf);

  for (const char* bad : {"", "6B6D0801-9ADA-11D0-A520-00A0D10129C0", "{6B6D0801-9ADA-11D0-A520-00A0D10129C}",
                          "{6B6D0801-9ADA-11D0-A520+00A0D10129C0}", "{6B6D0801-9ADA-11D0-A520-00A0D10129CG}",
                          "{6B6D0801-9ADA-11D0-A520-00A0D10129C0} "}) {
    EXPECT_FALSE(ParseGuid(bad)) << bad;
  }
  // Byte order of files: the first three fields little-endian.
  BYTE bytes[16];
  GuidToBytes(kAsf, bytes);
  EXPECT_EQ(bytes[0], 0x01);
  EXPECT_EQ(bytes[3], 0x6B);
  EXPECT_EQ(bytes[8], 0xA5);
  EXPECT_EQ(GuidFromBytes(bytes), kAsf);
}

struct IProbe : IUnknown {
  static constexpr IID kIid = MakeGuid("{C0000000-0000-4000-8000-00000000000A}");
  virtual int Value() = 0;
};

std::atomic<int> innerAlive{0};

class Inner final : public IProbe, public CUnknown {
 public:
  explicit Inner(IUnknown* outer) : CUnknown(outer) { ++innerAlive; }
  ~Inner() override { --innerAlive; }
  QUORBEL_DECLARE_IUNKNOWN
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IProbe::kIid) return GetInterface(static_cast<IProbe*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }
  int Value() override { return 42; }
};

// Aggregates an Inner and exposes its IProbe as its own.
class Outer final : public CUnknown {
 public:
  Outer() : CUnknown(nullptr) {
    auto* inner = new Inner(GetOwner());
    inner->NonDelegatingAddRef();
    inner_ = inner->NonDelegatingUnknown();
  }
  ~Outer() override { inner_->Release(); }
  HRESULT NonDelegatingQueryInterface(REFIID iid, void** object) override {
    if (iid == IProbe::kIid) return inner_->QueryInterface(iid, object);
    return CUnknown::NonDelegatingQueryInterface(iid, object);
  }

 private:
  IUnknown* inner_;
};

TEST(Unknown, AggregatedObjectSharesTheOuterIdentityAndCount) {
  auto* outer = new Outer();
  IUnknown* outerUnknown = outer->NonDelegatingUnknown();
  outerUnknown->AddRef();
  ASSERT_EQ(innerAlive, 1);

  IProbe* probe = nullptr;
  ASSERT_EQ(outerUnknown->QueryInterface(IProbe::kIid, reinterpret_cast<void**>(&probe)), S_OK);
  EXPECT_EQ(probe->Value(), 42);
  // The inner interface answers IUnknown with the outer object's identity.
  IUnknown* identity = nullptr;
  ASSERT_EQ(probe->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, outerUnknown);
  identity->Release();

  // References on the inner interface are references on the outer object.
  outerUnknown->Release();
  EXPECT_EQ(innerAlive, 1) << "the probe still holds the outer object";
  EXPECT_EQ(probe->Release(), 0u);
  EXPECT_EQ(innerAlive, 0);
}

TEST(Unknown, CountsStayExactUnderConcurrentAddRefAndRelease) {
  auto* object = new Inner(nullptr);
  object->NonDelegatingAddRef();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([object] {
      for (int i = 0; i < 10000; ++i) {
        object->AddRef();
        object->Release();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(innerAlive, 1);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(innerAlive, 0);
}

CUnknown* CreateInner(IUnknown* outer, HRESULT*) {
  return new Inner(outer);
}

TEST(ClassFactory, CreatesObjectsAndCountsLocks) {
  ComPtr<CClassFactory> factory(new CClassFactory(CreateInner));
  const long objectsBefore = CBaseObject::ObjectsActive();

  ComPtr<IProbe> probe;
  ASSERT_EQ(factory->CreateInstance(nullptr, IProbe::kIid, probe.ReceiveVoid()), S_OK);
  EXPECT_EQ(probe->Value(), 42);
  EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore + 1);
  probe = nullptr;
  EXPECT_EQ(CBaseObject::ObjectsActive(), objectsBefore);

  // An aggregated object is handed out only as its IUnknown; a failed query frees it.
  auto* outer = new Inner(nullptr);
  outer->NonDelegatingAddRef();
  void* refused = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(outer, IProbe::kIid, &refused), E_NOINTERFACE);
  EXPECT_EQ(refused, nullptr);
  void* unknown = nullptr;
  EXPECT_EQ(factory->CreateInstance(nullptr, dshow::IID_IPin, &unknown), E_NOINTERFACE);
  EXPECT_EQ(innerAlive, 1);
  outer->Release();

  EXPECT_EQ(CClassFactory::Locks(), 0);
  factory->LockServer(TRUE);
  EXPECT_EQ(CanUnloadModule(), S_FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(CClassFactory::Locks(), 0);
}

class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/quorbel-registry-XXXXXX";
    path_ = ::mkdtemp(name);
  }
  ~TempDir() { fs::remove_all(path_); }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Registry, RoundTripsKeysAndValuesThroughItsFile) {
  TempDir dir;
  Registry registry(dir / "sub" / "registry");
  RegistryKey empty;
  ASSERT_EQ(registry.Read(empty), S_OK) << "a missing file is an empty tree";
  EXPECT_TRUE(empty.Subkeys().empty());

  ASSERT_EQ(registry.Update([](RegistryKey& root) {
    RegistryKey& key = root.CreateKey("CLSID\\{0}\\InprocServer32");
    key.SetValue("", "/path with spaces/\"quoted\"\\lib.so");
    key.SetValue("Multi\nLine", "a\r\nb");
    key.SetValue("Merit", DWORD{0x00600000});
    root.CreateKey("Empty");
    root.SetValue("AtRoot", DWORD{7});
  }),
            S_OK);
  RegistryKey read;
  ASSERT_EQ(registry.Read(read), S_OK);
  const RegistryKey* key = read.FindKey("CLSID\\{0}\\InprocServer32");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(*key->FindText(""), "/path with spaces/\"quoted\"\\lib.so");
  EXPECT_EQ(*key->FindText("Multi\nLine"), "a\r\nb");
  EXPECT_EQ(*key->FindNumber("Merit"), 0x00600000u);
  EXPECT_EQ(key->FindText("Merit"), nullptr);
  EXPECT_NE(read.FindKey("Empty"), nullptr);
  EXPECT_EQ(*read.FindNumber("AtRoot"), 7u);

  // Deleting removes the subtree; an invalid name fails the update and writes nothing.
  ASSERT_EQ(registry.Update([](RegistryKey& root) { EXPECT_TRUE(root.DeleteKey("CLSID\\{0}")); }), S_OK);
  const std::string before = ReadText(dir / "sub" / "registry");
  EXPECT_EQ(registry.Update([](RegistryKey& root) { root.CreateKey("bad]name"); }), E_INVALIDARG);
  EXPECT_EQ(ReadText(dir / "sub" / "registry"), before);
  ASSERT_EQ(registry.Read(read), S_OK);
  EXPECT_EQ(read.FindKey("CLSID\\{0}\\InprocServer32"), nullptr);
  EXPECT_NE(read.FindKey("CLSID"), nullptr);
}

TEST(Registry, MalformedFilesAreReportedAndLeftAlone) {
  TempDir dir;
  const fs::path file = dir / "registry";
  for (const char* text : {"not a registry\n", "QUORBEL-REGISTRY 1\n\"a\"=\"b\"\n",
                           "QUORBEL-REGISTRY 1\n[k]\n\"a\"=\"unterminated\n",
                           "QUORBEL-REGISTRY 1\n[k]\n\"a\"=dword:12\n", "QUORBEL-REGISTRY 1\n[k\n",
                           "QUORBEL-REGISTRY 1\n[k]\n\"a\"=\"b\\q\"\n", "QUORBEL-REGISTRY 1\n[a\\\\b]\n"}) {
    std::ofstream(file) << text;
    Registry registry(file);
    RegistryKey root;
    std::string error;
    EXPECT_EQ(registry.Read(root, &error), REGDB_E_READREGDB) << text;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(registry.Update([](RegistryKey& r) { r.CreateKey("x"); }), REGDB_E_READREGDB) << text;
    EXPECT_EQ(ReadText(file), text);
  }
}

TEST(Registry, ConcurrentUpdatesAreAllKeptAndLeaveNoTemporaryFiles) {
  TempDir dir;
  const fs::path file = dir / "registry";
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&file, t] {
      Registry registry(file);
      for (int i = 0; i < 25; ++i) {
        EXPECT_EQ(registry.Update([&](RegistryKey& root) {
          root.CreateKey("Writer" + std::to_string(t)).SetValue(std::to_string(i), DWORD(i));
        }),
                  S_OK);
      }
    });
  }
  std::atomic<bool> done{false};
  std::thread reader([&] {
    Registry registry(file);
    while (!done) {
      RegistryKey root;
      EXPECT_EQ(registry.Read(root), S_OK) << "a reader saw a half-written file";
    }
  });
  for (std::thread& writer : writers) writer.join();
  done = true;
  reader.join();

  RegistryKey root;
  ASSERT_EQ(Registry(file).Read(root), S_OK);
  for (int t = 0; t < 4; ++t) {
    const RegistryKey* key = root.FindKey("Writer" + std::to_string(t));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Values().size(), 25u);
  }
  for (const auto& entry : fs::directory_iterator(dir / "")) {
    EXPECT_EQ(entry.path().string().find(".tmp."), std::string::npos) << entry.path();
  }
}

// Restores an environment variable when it goes.
class SavedVariable {
 public:
  explicit SavedVariable(const char* name) : name_(name) {
    if (const char* value = std::getenv(name)) value_ = value;
  }
  ~SavedVariable() {
    if (value_) {
      ::setenv(name_, value_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> value_;
};

TEST(Registry, DefaultPathFollowsTheEnvironment) {
  const SavedVariable savedRegistry("QUORBEL_REGISTRY");
  const SavedVariable savedData("XDG_DATA_HOME");
  const SavedVariable savedHome("HOME");
  ::setenv("QUORBEL_REGISTRY", "/somewhere/registry", 1);
  EXPECT_EQ(Registry::DefaultPath(), "/somewhere/registry");
  ::unsetenv("QUORBEL_REGISTRY");
  ::setenv("XDG_DATA_HOME", "/data", 1);
  EXPECT_EQ(Registry::DefaultPath(), "/data/quorbel/registry");
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", "/home/user", 1);
  EXPECT_EQ(Registry::DefaultPath(), "/home/user/.local/share/quorbel/registry");
}

struct CommandResult {
  int exitCode;
  std::string output;
};

CommandResult RunCommand(const std::string& command) {
  CommandResult result{-1, {}};
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) result.output += chunk;
  const int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TEST(Regsvr, RegistersAndUnregistersAModule) {
  TempDir dir;
  const std::string registryFile = (dir / "registry").string();
  const std::string tool = std::string("QUORBEL_REGISTRY=") + registryFile + " " + QUORBEL_REGSVR;

  CommandResult run = RunCommand(tool + " " + QUORBEL_TEST_MODULE);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("DllRegisterServer in"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("succeeded"), std::string::npos) << run.output;

  RegistryKey root;
  ASSERT_EQ(Registry(registryFile).Read(root), S_OK);
  const auto server = FindComServer(root, kTestAsfParser);
  ASSERT_TRUE(server);
  EXPECT_EQ(server->modulePath, fs::canonical(QUORBEL_TEST_MODULE).string());
  EXPECT_EQ(server->threadingModel, "Both");
  EXPECT_EQ(server->name, "Test ASF Parser");
  const std::vector<dshow::RegisteredFilter> filters = dshow::ListFilters(root);
  ASSERT_EQ(filters.size(), 5u);
  const auto asf =
      std::find_if(filters.begin(), filters.end(), [](const auto& f) { return f.clsid == kTestAsfParser; });
  ASSERT_NE(asf, filters.end());
  EXPECT_EQ(asf->name, "Test ASF Parser");
  EXPECT_EQ(asf->merit, dshow::MERIT_NORMAL);
  ASSERT_EQ(asf->pins.size(), 1u);
  EXPECT_EQ(asf->pins[0].name, "Input");
  EXPECT_FALSE(asf->pins[0].output);
  ASSERT_EQ(asf->pins[0].types.size(), 1u);
  EXPECT_EQ(asf->pins[0].types[0].majorType, dshow::MEDIATYPE_Stream);
  EXPECT_EQ(asf->pins[0].types[0].minorType, dshow::MEDIASUBTYPE_Asf);

  run = RunCommand(tool + " -u " + QUORBEL_TEST_MODULE);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("DllUnregisterServer in"), std::string::npos) << run.output;
  ASSERT_EQ(Registry(registryFile).Read(root), S_OK);
  EXPECT_FALSE(FindComServer(root, kTestAsfParser));
  EXPECT_TRUE(dshow::ListFilters(root).empty());
}

TEST(Regsvr, ReportsEachFailureWithItsOwnExitCode) {
  TempDir dir;
  const std::string tool =
      std::string("QUORBEL_REGISTRY=") + (dir / "registry").string() + " " + QUORBEL_REGSVR;
  struct Case {
    std::string arguments;
    int exitCode;
    const char* message;
  } cases[] = {
      {"", 2, "usage: quorbel-regsvr [-u] MODULE.so"},
      {"-u -u x.so", 2, "usage"},
      {(dir / "missing.so").string(), 3, "cannot load"},
      {QUORBEL_EMPTY_MODULE, 4, "does not export DllRegisterServer"},
  };
  for (const Case& c : cases) {
    const CommandResult run = RunCommand(tool + " " + c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << ": " << run.output;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
  }
  // A registry that cannot be written: the module's DllRegisterServer fails.
  const CommandResult run = RunCommand(std::string("QUORBEL_REGISTRY=/proc/quorbel/registry ") +
                                       QUORBEL_REGSVR + " " + QUORBEL_TEST_MODULE);
  EXPECT_EQ(run.exitCode, 5) << run.output;
  EXPECT_NE(run.output.find("failed: 0x80040151"), std::string::npos) << run.output;
}

TEST(CoCreateInstance, LoadsTheRegisteredModuleAndCountsItsObjects) {
  TempDir dir;
  Registry registry(dir / "registry");
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(registry, kTestAsfParser, nullptr, IID_IUnknown, object.ReceiveVoid()),
            REGDB_E_CLASSNOTREG);

  void* module = ::dlopen(QUORBEL_TEST_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr);
  const auto registerServer =
      reinterpret_cast<DllRegisterServerFunction>(::dlsym(module, "DllRegisterServer"));
  const auto canUnload = reinterpret_cast<DllCanUnloadNowFunction>(::dlsym(module, "DllCanUnloadNow"));
  const auto getClassObject =
      reinterpret_cast<DllGetClassObjectFunction>(::dlsym(module, "DllGetClassObject"));
  {
    const SavedVariable saved("QUORBEL_REGISTRY");
    ::setenv("QUORBEL_REGISTRY", (dir / "registry").c_str(), 1);
    ASSERT_EQ(registerServer(), S_OK);
  }

  ComPtr<dshow::IBaseFilter> filter;
  ASSERT_EQ(CoCreateInstance(registry, kTestAsfParser, nullptr, dshow::IID_IBaseFilter, filter.ReceiveVoid()),
            S_OK);
  CLSID clsid;
  ASSERT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, kTestAsfParser);
  // The module counts its own objects, not this program's.
  EXPECT_EQ(canUnload(), S_FALSE);
  filter = nullptr;
  EXPECT_EQ(canUnload(), S_OK);

  void* factory = nullptr;
  EXPECT_EQ(getClassObject(MakeGuid("{A0000001-0000-4000-8000-0000000000FF}"), IID_IClassFactory, &factory),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(getClassObject(kTestAsfParser, dshow::IID_IPin, &factory), E_NOINTERFACE);

  // A registered module path that does not load.
  ASSERT_EQ(registry.Update([](RegistryKey& root) {
    AddComServer(root, ComServerEntry{kTestOtherParser, "x", "/nonexistent/module.so", "Both"});
  }),
            S_OK);
  EXPECT_EQ(CoCreateInstance(registry, kTestOtherParser, nullptr, IID_IUnknown, object.ReceiveVoid()),
            CO_E_DLLNOTFOUND);
  ::dlclose(module);
}

}  // namespace
}  // namespace quorbel::testing
