#include "options/generic_options.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "base/text.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quorbel {

namespace {

// Option names of an earlier library generation, by the name the libraries now use.
struct RenamedOption {
  std::string_view name;
  std::string_view libraryName;
};
constexpr RenamedOption kRenamedOptions[] = {
    {"gop", "g"},
};

std::string LibraryOptionName(const std::string& name) {
  for (const RenamedOption& renamed : kRenamedOptions) {
    if (renamed.name == name) return std::string(renamed.libraryName);
  }
  return name;
}

// The codec templates in order, with the flags an option needs to be set in each; data and
// attachment take every codec option.
constexpr std::array<int, kCodecTemplateCount> kTemplateMasks = {kVideoMask, kAudioMask, 0, kSubtitleMask, 0};

enum class SetResult { kUnknown, kRejected, kSet };

// Sets name in context when lookIn (an object of the same class) has it with all mask bits.
SetResult SetIfKnown(void* lookIn, void* context, const std::string& name, const std::string& value, int mask,
                     const AVOption*& option) {
  const AVOption* found = av_opt_find(lookIn, name.c_str(), nullptr, mask, 0);
  if (found == nullptr) return SetResult::kUnknown;
  if (av_opt_set(context, name.c_str(), value.c_str(), 0) < 0) return SetResult::kRejected;
  option = found;
  return SetResult::kSet;
}

bool HasPrivateOption(const AVClass* const* privateClass, const std::string& name) {
  return *privateClass != nullptr && av_opt_find2(const_cast<const AVClass**>(privateClass), name.c_str(),
                                                  nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ, nullptr) != nullptr;
}

uint32_t EncoderTarget(AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return kVideoEncoders;
    case AVMEDIA_TYPE_AUDIO:
      return kAudioEncoders;
    case AVMEDIA_TYPE_SUBTITLE:
      return kSubtitleEncoders;
    default:
      return 0;
  }
}

// Which encoders (by kind) and muxers have an option of this name in their own option class.
uint32_t PrivateOptionTargets(const std::string& name) {
  uint32_t targets = 0;
  void* iterator = nullptr;
  while (const AVCodec* codec = av_codec_iterate(&iterator)) {
    const uint32_t target = EncoderTarget(codec->type);
    if (target != 0 && (targets & target) == 0 && av_codec_is_encoder(codec) &&
        HasPrivateOption(&codec->priv_class, name)) {
      targets |= target;
    }
  }
  iterator = nullptr;
  while (const AVOutputFormat* muxer = av_muxer_iterate(&iterator)) {
    if (HasPrivateOption(&muxer->priv_class, name)) {
      targets |= kMuxers;
      break;
    }
  }
  return targets;
}

void RecordPrivateOption(OptionState& settings, const std::string& name, const std::string& value,
                         uint32_t targets) {
  for (PrivateOption& option : settings.privateOptions) {
    if (option.name == name) {
      option.value = value;
      return;
    }
  }
  settings.privateOptions.push_back(PrivateOption{name, value, targets});
}

void RecordOptionName(OptionState& settings, const char* name) {
  auto& names = settings.recordedOptionNames;
  if (std::find(names.begin(), names.end(), name) == names.end()) names.emplace_back(name);
}

}  // namespace

bool SetGenericOption(TCustomFFmpeg& job, const std::string& givenName, const std::string& value) {
  OptionState& s = job.settings;
  // A released job has no templates until it is reset.
  if (Trim(givenName).empty() || Trim(value).empty() || !s.formatTemplate) return false;
  const std::string name = LibraryOptionName(givenName);
  const AVOption* option = nullptr;
  bool known = false;
  const auto attempt = [&](void* lookIn, void* context, const std::string& optionName, int mask) {
    const SetResult result = SetIfKnown(lookIn, context, optionName, value, mask, option);
    known = known || result != SetResult::kUnknown;
  };

  AVCodecContext* const codecOptions = s.codecTemplates[0].get();
  for (int type = 0; type < kCodecTemplateCount; ++type) {
    attempt(codecOptions, s.codecTemplates[type].get(), name, kTemplateMasks[type]);
  }
  if (option == nullptr) attempt(s.formatTemplate.get(), s.formatTemplate.get(), name, 0);
  if (option == nullptr) attempt(s.scalerTemplate.get(), s.scalerTemplate.get(), name, 0);
  if (option == nullptr && name.size() > 1 && (name[0] == 'a' || name[0] == 'v' || name[0] == 's')) {
    const int type = name[0] == 'a'   ? AVMEDIA_TYPE_AUDIO
                     : name[0] == 'v' ? AVMEDIA_TYPE_VIDEO
                                      : AVMEDIA_TYPE_SUBTITLE;
    AVCodecContext* const typed = s.codecTemplates[type].get();
    attempt(typed, typed, name.substr(1), 0);
  }
  if (option == nullptr && !known) {
    const uint32_t targets = PrivateOptionTargets(name);
    if (targets == 0) return false;
    RecordPrivateOption(s, name, value, targets);
    return true;
  }
  if (option == nullptr) {
    job.Log(0, StrPrintf("Invalid value '%s' for option '%s'", value.c_str(), givenName.c_str()));
    return false;
  }

  RecordOptionName(s, option->name);
  int64_t codecDebug = 0;
  int64_t formatDebug = 0;
  av_opt_get_int(codecOptions, "debug", 0, &codecDebug);
  av_opt_get_int(s.formatTemplate.get(), "fdebug", 0, &formatDebug);
  if (codecDebug != 0 || formatDebug != 0) job.SetVerbosity(2);
  return true;
}

void ApplyRecordedOptions(const TCustomFFmpeg& job, void* target, void* templateContext, int mask) {
  if (templateContext == nullptr) return;
  for (const std::string& name : job.settings.recordedOptionNames) {
    if (av_opt_find(templateContext, name.c_str(), nullptr, mask, 0) == nullptr) continue;
    uint8_t* text = nullptr;
    if (av_opt_get(templateContext, name.c_str(), 0, &text) < 0) continue;
    const AvStringPtr owned(reinterpret_cast<char*>(text));
    av_opt_set(target, name.c_str(), owned.get(), 0);
  }
}

DictionaryPtr PrivateOptionsFor(const TCustomFFmpeg& job, uint32_t targets) {
  AVDictionary* options = nullptr;
  for (const PrivateOption& option : job.settings.privateOptions) {
    if ((option.targets & targets) != 0) av_dict_set(&options, option.name.c_str(), option.value.c_str(), 0);
  }
  return DictionaryPtr(options);
}

DictionaryPtr CopyOptions(const AVDictionary* options) {
  AVDictionary* copy = nullptr;
  av_dict_copy(&copy, options, 0);
  return DictionaryPtr(copy);
}

void LogUnusedOptions(TCustomFFmpeg& job, const AVDictionary* unused, const std::string& owner) {
  const AVDictionaryEntry* entry = nullptr;
  while ((entry = av_dict_get(unused, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
    job.Log(0, StrPrintf("Option '%s' was not used by %s", entry->key, owner.c_str()));
  }
}

}  // namespace quorbel
