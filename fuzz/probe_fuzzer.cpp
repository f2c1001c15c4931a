// TAVProbe on arbitrary bytes, laid out as input_layout.h says.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "input_layout.h"
#include "quorbel/library_binding.h"
#include "quorbel/probe.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quorbel::fuzz::SilenceLibraries();
  quorbel::binding::LoadLibraries(true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return -1;
  const char* extension = quorbel::fuzz::InputExtension(data[0]);
  const std::string path =
      quorbel::fuzz::WriteScratchFile(std::string("input") + extension, data + 1, size - 1);

  quorbel::TAVProbe probe;
  if (probe.LoadFile(path)) {
    quorbel::TAVFileInfo file;
    probe.GetFileInfo(file);
    quorbel::TAVVideoInfo video;
    probe.GetVideoInfo(video);
    for (int32_t stream = -1; stream <= probe.StreamCount(); ++stream)
      probe.GetVideoStreamInfo(stream, video);
    (void)probe.ContainerName();
    probe.Close();
  }
  quorbel::fuzz::ClearScratchDir();
  return 0;
}
