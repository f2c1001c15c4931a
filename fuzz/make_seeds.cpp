// quorbel-fuzz-seeds OUT_DIR [SAMPLES_DIR]: writes the seed corpora of the fuzz targets into
// OUT_DIR/{probe,transcode,asf,options}: shortened, shrunk versions of the test suite's media
// fixtures, the small real-world samples, and typical option texts. Nothing here is committed:
// the seeds are made again on every machine from the same deterministic generator.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "input_layout.h"
#include "media_writer.h"
#include "quorbel/fixtures.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

namespace fs = std::filesystem;
using namespace quorbel;

constexpr int64_t kSeedLengthMs = 400;
constexpr uintmax_t kLargestSampleBytes = 200 * 1024;

// Typical option texts, input part and output part separated by a NUL byte.
const char* const kOptionTexts[] = {
    "ss=1.5\nitsoffset=0.2",
    "f=avi\nss=00:00:01",
    "programid=1\nitsscale=2",
    "",
    "vcodec=mpeg4\nb=800000\nr=25\ns=320x240\naspect=4:3",
    "acodec=mp2\nab=128000\nar=44100\nac=2\nvol=512",
    "target=pal-dvd",
    "target=ntsc-vcd\nvn",
    "croptop=8\ncropbottom=8\npadleft=16\npadright=16\npadcolor=255",
    "vcodec=copy\nacodec=copy\nmap=0.0\nmap=0.1",
    "t=5\nfs=100000\ncopyts\nshortest",
    "pass=1\npasslogfile=stats\nqscale=3\nintra",
    "vtag=XVID\natag=0x55\nalang=eng\ntitle=a\nauthor=b",
    "newaudio\nacodec=aac\nnewvideo\nvcodec=h263",
    "g=12\nbf=2\nflags=+qscale\nme_method=epzs\nmbd=2",
    "intra_matrix=8,16,19,22,26,27,29,34\nrc_override=0,100,2/200,300,-10",
    "s=qcif\npix_fmt=yuv420p\ndeinterlace\nvsync=1\nasync=1",
    "timestamp=2008-05-01 12:00:00\nmap_meta_data=0:0",
};

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool IsAsf(const std::string& extension) {
  return extension == ".asf" || extension == ".wmv" || extension == ".wma";
}

// One media file into every corpus that reads it.
void AddMedia(const fs::path& out, const std::string& name, const std::string& bytes, size_t seedNumber) {
  const std::string extension = fs::path(name).extension().string();
  WriteBytes(out / "probe" / name,
             std::string(1, static_cast<char>(fuzz::FirstByteFor(extension, 0))) + bytes);
  const uint8_t first = fuzz::FirstByteFor(extension, seedNumber % fuzz::kTranscodeOutputCount);
  WriteBytes(out / "transcode" / name, std::string(1, static_cast<char>(first)) + bytes);
  if (IsAsf(extension)) WriteBytes(out / "asf" / name, bytes);
}

fixtures::FixtureInfo Shortened(fixtures::FixtureInfo info, bool shrink) {
  info.lengthMs = std::min(info.lengthMs, kSeedLengthMs);
  for (fixtures::FixtureStream& stream : info.streams) {
    if (shrink && stream.width > 0 && stream.codec != "h263") {
      stream.width = 64;
      stream.height = 48;
    }
  }
  return info;
}

// The fixtures written by a muxer, shortened and, where the codec allows it, made 64x48.
void AddFixtures(const fs::path& out) {
  const fs::path scratch = out / "scratch";
  fs::create_directories(scratch);
  size_t seedNumber = 0;
  for (const fixtures::FixtureInfo& info : fixtures::AllFixtures()) {
    if (info.muxer.empty()) continue;
    const fs::path file = scratch / info.fileName;
    bool written = false;
    for (const bool shrink : {true, false}) {
      try {
        fixtures::WriteMedia(Shortened(info, shrink), file.string(), fixtures::TimestampJump{});
        written = true;
        break;
      } catch (const std::exception& failure) {
        std::fprintf(stderr, "%s%s: %s\n", info.fileName.c_str(), shrink ? " (64x48)" : "", failure.what());
      }
    }
    if (written) AddMedia(out, info.fileName, ReadBytes(file), seedNumber++);
  }
  fs::remove_all(scratch);
}

void AddSamples(const fs::path& out, const fs::path& samples) {
  if (!fs::is_directory(samples)) return;
  size_t seedNumber = 0;
  for (const auto& entry : fs::directory_iterator(samples)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
    if (entry.file_size() > kLargestSampleBytes) continue;
    AddMedia(out, entry.path().filename().string(), ReadBytes(entry.path()), seedNumber++);
  }
}

void AddOptionTexts(const fs::path& out) {
  size_t number = 0;
  for (const char* input : kOptionTexts) {
    for (const char* output : kOptionTexts) {
      // Each text once as the input part and once as the output part, not every pair.
      if (input != kOptionTexts[3] && output != kOptionTexts[3]) continue;
      WriteBytes(out / "options" / ("text" + std::to_string(number++)), std::string(input) + '\0' + output);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT_DIR [SAMPLES_DIR]\n", argv[0]);
    return 2;
  }
  av_log_set_level(AV_LOG_ERROR);
  const fs::path out = argv[1];
  for (const char* corpus : {"probe", "transcode", "asf", "options"}) fs::create_directories(out / corpus);
  AddFixtures(out);
  if (argc > 2) AddSamples(out, argv[2]);
  AddOptionTexts(out);
  return 0;
}
