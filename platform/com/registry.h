// The registry: a small persistent tree of keys and values kept in one text file, where
// modules record their COM servers and filters and from where hosts find them.
//
// Location: the file named by QUORBEL_REGISTRY, else $XDG_DATA_HOME/quorbel/registry, else
// ~/.local/share/quorbel/registry. Every change is a read-modify-write under an exclusive
// lock of "<file>.lock", written to a temporary file and renamed over the old one, so readers
// see the old or the new tree, never a half-written one. Key and value names are compared
// case-sensitively. Values are text or 32-bit numbers; there is no change notification.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <variant>

#include "com/hresult.h"
#include "com/types.h"

namespace quorbel::com {

using RegistryValue = std::variant<std::string, DWORD>;

class RegistryKey {
 public:
  // The key at a '\'-separated path below this one, created when missing. Throws
  // std::invalid_argument for an empty path part or a name with '[', ']', '\' or a control
  // character.
  RegistryKey& CreateKey(std::string_view path);
  // The key at path, or null.
  const RegistryKey* FindKey(std::string_view path) const;
  // Removes the key at path with everything below it; false when there was none.
  bool DeleteKey(std::string_view path);

  // Name "" is the key's default value.
  void SetValue(const std::string& name, RegistryValue value);
  const RegistryValue* FindValue(const std::string& name) const;
  // The value as text / number, or nothing when missing or of the other kind.
  const std::string* FindText(const std::string& name) const;
  const DWORD* FindNumber(const std::string& name) const;

  const std::map<std::string, RegistryKey>& Subkeys() const { return subkeys_; }
  const std::map<std::string, RegistryValue>& Values() const { return values_; }

  friend bool operator==(const RegistryKey&, const RegistryKey&) = default;

 private:
  std::map<std::string, RegistryKey> subkeys_;
  std::map<std::string, RegistryValue> values_;
};

// The text form of a tree, and back. Parsing throws std::runtime_error with the line number
// on malformed text.
std::string SerializeRegistry(const RegistryKey& root);
RegistryKey ParseRegistry(std::string_view text);

class Registry {
 public:
  explicit Registry(std::filesystem::path file);
  // The registry of this user (see the file comment for where it lives).
  static Registry Default();
  static std::filesystem::path DefaultPath();

  const std::filesystem::path& Path() const { return file_; }

  // Reads the tree; a missing file is an empty tree. REGDB_E_READREGDB when the file cannot
  // be read or is malformed (error, when given, receives why).
  HRESULT Read(RegistryKey& root, std::string* error = nullptr) const;
  // Applies edit to the current tree and stores the result atomically. A malformed file is
  // left untouched (REGDB_E_READREGDB); a failed write gives REGDB_E_WRITEREGDB. Exceptions of
  // edit are returned as E_INVALIDARG and nothing is written.
  HRESULT Update(const std::function<void(RegistryKey& root)>& edit, std::string* error = nullptr);

 private:
  std::filesystem::path file_;
};

}  // namespace quorbel::com
