// The profile filler of each catalogue row, with the family keys.
#include "core/format_catalogue.h"
#include "core/profile_routines.h"
#include "core/profiles.h"

namespace quorbel::app {

void RunProfileFiller(int typeNo, SettingControls& c) {
  using F = FormatType;
  using namespace profiles;
  switch (static_cast<F>(typeNo)) {
    case F::k3gp:
    case F::k3g2:
      return Profile3gp(c);
    case F::kIPod:
      return ProfileIPod(c, "Normal");
    case F::kIPodExtra:
    case F::kIPodVideoForTv:
      return ProfileIPod(c, "Extra");
    case F::kAppleTv:
      return ProfileAppleTv(c, "Good");
    case F::kAppleTvH264_320x240:
      return ProfileAppleTvH264(c, "320 x 240");
    case F::kAppleTvH264_640x480:
      return ProfileAppleTvH264(c, "640 x 480");
    case F::kAppleTvH264_1280x720:
      return ProfileAppleTvH264(c, "1280 x 720");
    case F::kIPodTouch:
      return ProfileIPodTouch(c, "Normal");
    case F::kIPodTouchExtra:
      return ProfileIPodTouch(c, "Extra");
    case F::kIPodTouchWideScreen:
      return ProfileIPodTouch(c, "Wide Screen");
    case F::kIPhone:
      return ProfileIPhone(c, "480 x 320");
    case F::kIPhoneExtra:
      return ProfileIPhone(c, "640 x 480");
    case F::kIPhoneWideScreen:
      return ProfileIPhone(c, "720 x 480");
    case F::kAvi:
      return ProfileAvi(c, "normal");
    case F::kAviDivx:
      return ProfileAvi(c, "divx");
    case F::kAviXvid:
      return ProfileAvi(c, "xvid");
    case F::kAviUncompress:
      return ProfileAvi(c, "uncompress");
    case F::kMov:
      return ProfileMov(c);
    case F::kMp4:
      return ProfileMp4(c);
    case F::kMpeg1:
      return ProfileMpeg(c, "mpeg1");
    case F::kMpeg2:
      return ProfileMpeg(c, "mpeg2");
    case F::kRm:
      return ProfileRm(c);
    case F::kWmv:
      return ProfileWmv(c);
    case F::kSwf:
    case F::kFlv:
      return ProfileFlash(c);
    case F::kVideoCd:
      return ProfileVideoCd(c);
    case F::kSuperVideoCd:
      return ProfileSuperVideoCd(c);
    case F::kDvd:
      return ProfileDvd(c);
    case F::kAac:
      return ProfileAac(c);
    case F::kAsf:
      return ProfileAsf(c);
    case F::kAu:
      return ProfileAu(c);
    case F::kM4a:
      return ProfileM4a(c);
    case F::kMp3:
      return ProfileMpegAudio(c, "mp3");
    case F::kOgg:
      return ProfileOgg(c);
    case F::kRa:
      return ProfileRa(c);
    case F::kWav:
      return ProfileWav(c);
    case F::kWma:
      return ProfileWma(c);
    case F::kMp2:
      return ProfileMpegAudio(c, "mp2");
    case F::kZuneMpeg4:
      return ProfileZuneMpeg4(c);
    case F::kZuneWmv:
      return ProfileZuneWmv(c);
    case F::kPsp:
      return ProfilePsp(c, "Good Quality");
    case F::kPs3:
    case F::kPs3_480p:
      return ProfilePs3(c);
    case F::kPs3_720p:
      return ProfilePs3_720p(c);
    case F::kPs3_1080p:
      return ProfilePs3_1080p(c);
    case F::kArchosAv500:
      return ProfileArchosAv500(c);
    case F::kArchosAv700:
      return ProfileArchosAv700(c);
    case F::kCreativeZenVision:
    case F::kIRiverPmp100:
      return ProfilePlayer640x480(c);
    case F::kBlackBerryMpeg4:
      return ProfileBlackBerryMpeg4(c);
    case F::kBlackBerryAvi:
      return ProfileBlackBerryAvi(c);
    case F::kBlackBerry3gp:
      return ProfileBlackBerry3gp(c);
  }
}

}  // namespace quorbel::app
