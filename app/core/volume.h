// The volume bar: eleven positions from 200 % at the top (0) to 0 % at the bottom (10).
#pragma once

#include <cstdint>
#include <string_view>

namespace quorbel::app {

inline constexpr int kVolumeTop = 0;
inline constexpr int kVolumeBottom = 10;
inline constexpr int kVolumeStartPosition = 5;  // "100%"

struct VolumeStep {
  std::string_view Label;  // "200%" ... "0%"
  int32_t Level;           // the job's AudioVolume; 255 at "100%" (256 would leave the level as is)
};

// The step of a bar position; positions beyond the bar are held at its ends.
VolumeStep VolumeAt(int position);

}  // namespace quorbel::app
