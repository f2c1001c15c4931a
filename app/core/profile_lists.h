// Item lists that several output profiles share. The texts are the contract with the option
// mapping, blanks included ("8000  Hz" has two).
#pragma once

#include <string>
#include <vector>

namespace quorbel::app {

using ItemList = std::vector<std::string>;

extern const ItemList StandardVideoSizes;     // 23, from "Original Video Size"
extern const ItemList StandardVideoBitrates;  // 13
extern const ItemList StandardFrameRates;     // 7, from "Auto"
extern const ItemList StandardAudioBitrates;  // 13
extern const ItemList StandardSamplingRates;  // 8
extern const ItemList PaddedSamplingRates;    // as StandardSamplingRates, first item "8000  Hz"
extern const ItemList DeviceVideoBitrates;    // 5
extern const ItemList HighVideoBitrates;      // 5
extern const ItemList BroadcastFrameRates;    // 7
extern const ItemList DiscVideoSizes;         // 8
extern const ItemList AmrBitrates;            // 8, in "bps"
extern const ItemList PlayerVideoSizes;       // 6, "Auto" first, "720 x 480" before "640 x 480"

}  // namespace quorbel::app
