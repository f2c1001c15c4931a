// The profile routines behind RunProfileFiller. Families share a routine and differ by a key,
// compared exactly (case-sensitive).
#pragma once

#include <string_view>

#include "core/profile_lists.h"
#include "core/setting_controls.h"

namespace quorbel::app::profiles {

// Replaces the items of list and selects the item reading selected.
void Fill(SettingList& list, ItemList items, std::string_view selected);
void SelectStereoOriginal(SettingControls& controls);

// Containers and discs.
void Profile3gp(SettingControls& controls);
void ProfileAvi(SettingControls& controls, std::string_view key);   // normal, divx, xvid, uncompress
void ProfileMpeg(SettingControls& controls, std::string_view key);  // mpeg1, mpeg2
void ProfileMov(SettingControls& controls);
void ProfileMp4(SettingControls& controls);
void ProfileRm(SettingControls& controls);
void ProfileWmv(SettingControls& controls);
void ProfileFlash(SettingControls& controls);
void ProfileAsf(SettingControls& controls);
void ProfileVideoCd(SettingControls& controls);
void ProfileSuperVideoCd(SettingControls& controls);
void ProfileDvd(SettingControls& controls);

// Device presets.
void ProfileIPod(SettingControls& controls, std::string_view key);         // Normal, Extra
void ProfileIPodTouch(SettingControls& controls, std::string_view key);    // Normal, Extra, Wide Screen
void ProfileIPhone(SettingControls& controls, std::string_view key);       // the frame size
void ProfileAppleTv(SettingControls& controls, std::string_view key);      // Good
void ProfileAppleTvH264(SettingControls& controls, std::string_view key);  // the frame size
void ProfilePsp(SettingControls& controls, std::string_view key);          // Good Quality
void ProfilePs3(SettingControls& controls);                                // PS3 Video and PS3 Video(480P)
void ProfilePs3_720p(SettingControls& controls);
void ProfilePs3_1080p(SettingControls& controls);
void ProfileZuneMpeg4(SettingControls& controls);
void ProfileZuneWmv(SettingControls& controls);
void ProfileArchosAv500(SettingControls& controls);
void ProfileArchosAv700(SettingControls& controls);
void ProfilePlayer640x480(SettingControls& controls);  // Creative Zen Vision, iRiver PMP100
void ProfileBlackBerryMpeg4(SettingControls& controls);
void ProfileBlackBerryAvi(SettingControls& controls);
void ProfileBlackBerry3gp(SettingControls& controls);

// Audio-only formats.
void ProfileAac(SettingControls& controls);
void ProfileAu(SettingControls& controls);
void ProfileM4a(SettingControls& controls);
void ProfileMpegAudio(SettingControls& controls, std::string_view key);  // mp3, otherwise mp2
void ProfileOgg(SettingControls& controls);
void ProfileRa(SettingControls& controls);
void ProfileWav(SettingControls& controls);
void ProfileWma(SettingControls& controls);

}  // namespace quorbel::app::profiles
