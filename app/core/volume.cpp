#include "core/volume.h"

#include <algorithm>
#include <array>

namespace quorbel::app {

VolumeStep VolumeAt(int position) {
  static constexpr std::array<VolumeStep, kVolumeBottom + 1> kSteps = {{{"200%", 600},
                                                                        {"180%", 450},
                                                                        {"160%", 400},
                                                                        {"140%", 350},
                                                                        {"120%", 300},
                                                                        {"100%", 255},
                                                                        {"80%", 200},
                                                                        {"60%", 150},
                                                                        {"40%", 100},
                                                                        {"20%", 50},
                                                                        {"0%", 1}}};
  return kSteps[static_cast<size_t>(std::clamp(position, kVolumeTop, kVolumeBottom))];
}

}  // namespace quorbel::app
