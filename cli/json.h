// Just enough JSON for one-line records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorbel::cli {

// `text` as a JSON string literal, quotes included. Bytes that are not valid UTF-8 (a metadata
// text cut short, a file name in another encoding) become U+FFFD.
std::string JsonString(std::string_view text);

// Builds {"key":value,...} in the order the members are added.
class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view text);
  JsonObject& Add(std::string_view key, const char* text) { return Add(key, std::string_view(text)); }
  JsonObject& Add(std::string_view key, bool value);
  JsonObject& Add(std::string_view key, int64_t value);
  JsonObject& Add(std::string_view key, int32_t value) { return Add(key, static_cast<int64_t>(value)); }
  // A real number with four decimals; null when it is not finite.
  JsonObject& AddReal(std::string_view key, double value);
  JsonObject& AddNull(std::string_view key);
  JsonObject& Add(std::string_view key, const JsonObject& object);

  std::string Text() const { return body_ + "}"; }

 private:
  JsonObject& AddRaw(std::string_view key, std::string_view json);

  std::string body_ = "{";
};

}  // namespace quorbel::cli
