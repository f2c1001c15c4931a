// What the fuzz targets share: a scratch folder that lives as long as the process, writing the
// input bytes into it, and keeping the media libraries quiet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorbel::fuzz {

// A folder of this process's own under TMPDIR, created on first use and removed at exit.
const std::string& ScratchDir();
// Writes `size` bytes to ScratchDir()/name and returns the path.
std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size);
// Removes every file in ScratchDir(), so that no output of one input is seen by the next.
void ClearScratchDir();
// Drops every log line of the media libraries (the fuzzers print only their own findings).
void SilenceLibraries();

}  // namespace quorbel::fuzz
