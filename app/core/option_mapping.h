// How the texts selected in the setting lists become the fields of a job's TOutputOptions. Each
// output format uses one of three mappings; codec texts map to the engine's encoder names.
#pragma once

#include <string>
#include <string_view>

#include "core/setting_controls.h"
#include "quorbel/options.h"

namespace quorbel::app {

class MainSettings;

enum class OptionMapping {
  kNone,       // no format applied yet: the job gets only the volume and the aspect ratio
  kGeneral,    // GeneralMapping
  kAmr,        // AmrMapping
  kAacDevice,  // AacDeviceMapping
};

// The mapping of a catalogue row. The iPod Video For TV and the three iPod Touch formats use
// AacDeviceMapping, as the other iPod formats do.
OptionMapping MappingForFormat(int typeNo);

// A size text as the engine's frame size: the part before a "(", blanks removed ("176 x 144 (QCIF)"
// gives "176x144", "320 x 240 " gives "320x240"); "Original Video Size" gives "original" and "Auto"
// stays "Auto".
std::string FrameSizeArgument(std::string_view text);

// Encoder names of the codec list texts, compared in lower case.
std::string GeneralVideoCodecName(std::string_view text);  // h264, xvid, wmv2x, mpeg4_qt mapped
std::string DeviceVideoCodecName(std::string_view text);   // h264, xvid mapped
std::string GeneralAudioCodecName(std::string_view text);

// The three mappings; they write only the fields they name. A selected text that does not read as
// the number it should (an empty audio bit-rate or sampling rate) throws ConversionError before
// any field is written.
void GeneralMapping(const SettingControls& controls, const std::string& outputTag, TOutputOptions& options);
void AmrMapping(const SettingControls& controls, TOutputOptions& options);
void AacDeviceMapping(const SettingControls& controls, TOutputOptions& options);

// Runs the mapping of the format whose profile main applied last.
void ApplyProfileOptions(const MainSettings& main, TOutputOptions& options);

}  // namespace quorbel::app
