#include "quorbel/library_binding.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "binding/log_level.h"
#include "quorbel/exceptions.h"
#include "quorbel/probe.h"

extern "C" {
#include <libavutil/log.h>
}

namespace quorbel::binding {
namespace {

// Answers the build versions except where told otherwise, and records what it was asked.
class FakeVersions {
 public:
  void Set(Library library, unsigned version) { overrides_[library] = version; }
  const std::vector<Library>& Asked() const { return asked_; }

  VersionSource Source() {
    return [this](Library library) {
      asked_.push_back(library);
      const auto found = overrides_.find(library);
      return found != overrides_.end() ? found->second : BuildVersion(library);
    };
  }

 private:
  std::map<Library, unsigned> overrides_;
  std::vector<Library> asked_;
};

class LibraryBindingTest : public testing::Test {
 protected:
  void SetUp() override { UnloadLibraries(); }
  void TearDown() override { UnloadLibraries(); }
};

std::string LoadedCheckMessage() {
  try {
    CheckLibrariesLoaded();
  } catch (const FFMpegException& e) {
    return e.what();
  }
  return "";
}

TEST_F(LibraryBindingTest, LoadsTheLibrariesTheProcessRunsWith) {
  EXPECT_TRUE(LoadLibraries(true));
  EXPECT_TRUE(LibrariesLoaded());
  for (const Library library : kAllLibraries) EXPECT_TRUE(LibraryBound(library));
  EXPECT_EQ(LibraryLoadError(), "");
  EXPECT_NO_THROW(CheckLibrariesLoaded());
}

TEST_F(LibraryBindingTest, SuccessfulLoadRereadsTheLibraryLogLevel) {
  av_log_set_level(AV_LOG_DEBUG);
  FakeVersions versions;
  ASSERT_TRUE(LoadLibraries(true, versions.Source()));
  EXPECT_EQ(CachedLogLevel(), 2);
  av_log_set_level(AV_LOG_INFO);
  RefreshCachedLogLevel();
}

TEST_F(LibraryBindingTest, SecondLoadReturnsAtOnce) {
  FakeVersions first;
  ASSERT_TRUE(LoadLibraries(true, first.Source()));
  EXPECT_EQ(first.Asked().size(), kAllLibraries.size());

  FakeVersions second;
  second.Set(Library::kAvCodec, AV_VERSION_INT(1, 0, 0));  // would fail if it were asked
  EXPECT_TRUE(LoadLibraries(false, second.Source()));
  EXPECT_TRUE(second.Asked().empty());
}

TEST_F(LibraryBindingTest, MismatchNamesTheFileInTheFormAskedFor) {
  struct Case {
    bool numbered;
    const char* fileName;
  };
  for (const Case& c : {Case{true, "libavcodec.so.59"}, Case{false, "libavcodec.so"}}) {
    FakeVersions versions;
    versions.Set(Library::kAvCodec, AV_VERSION_INT(60, 3, 100));
    EXPECT_FALSE(LoadLibraries(c.numbered, versions.Source()));
    EXPECT_FALSE(LibrariesLoaded());
    EXPECT_EQ(LibraryLoadError(),
              std::string("Load libraray ") + c.fileName +
                  " error: version 60.3.100 found, the engine was built for major version 59");
  }
}

TEST_F(LibraryBindingTest, FailureStopsAtTheFailingLibraryAndUnbindsEverything) {
  FakeVersions versions;
  versions.Set(Library::kAvFormat, AV_VERSION_INT(58, 76, 100));
  EXPECT_FALSE(LoadLibraries(true, versions.Source()));

  EXPECT_EQ(versions.Asked(), (std::vector<Library>{Library::kAvCodec, Library::kAvFormat}));
  for (const Library library : kAllLibraries) EXPECT_FALSE(LibraryBound(library));
  EXPECT_EQ(LibraryError(Library::kAvFormat), LibraryLoadError());
  EXPECT_NE(LibraryLoadError().find("libavformat.so.59"), std::string::npos);
  // libavcodec was bound before libavformat failed, and unbound again with the rest.
  EXPECT_EQ(LoadedCheckMessage(), "LibAVCodec not loaded.");
  TAVProbe probe;
  try {
    probe.LoadFile("anything.avi");
    ADD_FAILURE() << "the probe opened a file without the libraries";
  } catch (const FFMpegException& e) {
    EXPECT_STREQ(e.what(), "LibAVCodec not loaded.");
  }
}

TEST_F(LibraryBindingTest, LaterLoadMaySucceedAndClearsTheSharedError) {
  FakeVersions failing;
  failing.Set(Library::kSwScale, AV_VERSION_INT(7, 0, 0));
  ASSERT_FALSE(LoadLibraries(true, failing.Source()));
  ASSERT_NE(LibraryLoadError(), "");

  FakeVersions passing;
  EXPECT_TRUE(LoadLibraries(false, passing.Source()));
  EXPECT_EQ(LibraryLoadError(), "");
  EXPECT_NE(LibraryError(Library::kSwScale), "") << "a library keeps the text of its own last failure";
}

TEST_F(LibraryBindingTest, LoadedCheckNamesTheFirstUnboundOfTheFourInOrder) {
  const std::pair<Library, const char*> steps[] = {{Library::kAvCodec, "LibAVFormat not loaded."},
                                                   {Library::kAvFormat, "LibAVUtil not loaded."},
                                                   {Library::kAvUtil, "LibSwScale not loaded."},
                                                   {Library::kSwScale, ""}};
  EXPECT_EQ(LoadedCheckMessage(), "LibAVCodec not loaded.");
  FakeVersions versions;
  for (const auto& [library, messageAfter] : steps) {
    ASSERT_TRUE(LoadLibrary(library, true, versions.Source()));
    EXPECT_EQ(LoadedCheckMessage(), messageAfter);
  }
  EXPECT_FALSE(LibrariesLoaded()) << "binding libraries one by one does not set the loaded flag";
}

TEST_F(LibraryBindingTest, UnloadClearsTheLoadedFlag) {
  ASSERT_TRUE(LoadLibraries(true));
  UnloadLibraries();
  EXPECT_FALSE(LibrariesLoaded());
  EXPECT_EQ(LoadedCheckMessage(), "LibAVCodec not loaded.");
}

TEST(LibraryFileNameTest, NumberedAndPlainForms) {
  EXPECT_EQ(LibraryFileName(Library::kAvCodec, true), "libavcodec.so.59");
  EXPECT_EQ(LibraryFileName(Library::kAvFormat, true), "libavformat.so.59");
  EXPECT_EQ(LibraryFileName(Library::kAvUtil, true), "libavutil.so.57");
  EXPECT_EQ(LibraryFileName(Library::kSwScale, true), "libswscale.so.6");
  EXPECT_EQ(LibraryFileName(Library::kSwResample, true), "libswresample.so.4");
  EXPECT_EQ(LibraryFileName(Library::kSwScale, false), "libswscale.so");
}

}  // namespace
}  // namespace quorbel::binding
