#include "com/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace quorbel::com {

namespace {

constexpr std::string_view kHeader = "QUORBEL-REGISTRY 1";

bool IsValidKeyName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    if (c == '[' || c == ']' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

// Splits "a\b\c" into its parts; throws on an empty or invalid part.
std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = path.find('\\', begin);
    const std::string_view part = path.substr(begin, end == std::string_view::npos ? end : end - begin);
    if (!IsValidKeyName(part))
      throw std::invalid_argument("invalid registry key name in \"" + std::string(path) + "\"");
    parts.push_back(part);
    if (end == std::string_view::npos) return parts;
    begin = end + 1;
  }
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out + '"';
}

// Reads a quoted string starting at text[index] ('"'); leaves index after the closing quote.
std::string Unquote(std::string_view text, std::size_t& index) {
  if (index >= text.size() || text[index] != '"') throw std::runtime_error("expected '\"'");
  std::string out;
  for (++index; index < text.size(); ++index) {
    const char c = text[index];
    if (c == '"') {
      ++index;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++index >= text.size()) break;
    switch (text[index]) {
      case '\\':
        out += '\\';
        break;
      case '"':
        out += '"';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        throw std::runtime_error("unknown escape");
    }
  }
  throw std::runtime_error("unterminated string");
}

void SerializeKey(const RegistryKey& key, const std::string& path, std::string& out) {
  // The root's own values go under "[]"; a root without values writes no header.
  if (!path.empty() || !key.Values().empty()) {
    out += '[' + path + "]\n";
    for (const auto& [name, value] : key.Values()) {
      out += name.empty() ? std::string("@") : Quote(name);
      out += '=';
      if (const auto* text = std::get_if<std::string>(&value)) {
        out += Quote(*text);
      } else {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08X", std::get<DWORD>(value));
        out += number;
      }
      out += '\n';
    }
  }
  for (const auto& [name, subkey] : key.Subkeys()) {
    SerializeKey(subkey, path.empty() ? name : path + '\\' + name, out);
  }
}

RegistryValue ParseValue(std::string_view text, std::size_t& index) {
  if (text.substr(index, 6) == "dword:") {
    const std::string digits(text.substr(index + 6));
    if (digits.size() != 8 || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      throw std::runtime_error("malformed dword");
    }
    index = text.size();
    return static_cast<DWORD>(std::stoul(digits, nullptr, 16));
  }
  return Unquote(text, index);
}

std::string ErrnoText(const std::string& what, const std::filesystem::path& path) {
  return what + " " + path.string() + ": " + std::strerror(errno);
}

// An open file descriptor closed on every path.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }

 private:
  int fd_;
};

// Holds flock(operation) on the registry's lock file for its lifetime.
class RegistryLock {
 public:
  RegistryLock(const std::filesystem::path& file, int operation)
      : fd_(::open((file.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    if (fd_.Get() < 0) {
      error_ = ErrnoText("cannot open the lock file of", file);
      return;
    }
    while (::flock(fd_.Get(), operation) != 0) {
      if (errno != EINTR) {
        error_ = ErrnoText("cannot lock", file);
        return;
      }
    }
  }
  bool Held() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

 private:
  FileDescriptor fd_;
  std::string error_;
};

void SetError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

// Reads the file into text; a missing file is empty text.
bool ReadFile(const std::filesystem::path& file, std::string& text, std::string* error) {
  text.clear();
  const FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) {
    if (errno == ENOENT) return true;
    SetError(error, ErrnoText("cannot read", file));
    return false;
  }
  char chunk[4096];
  while (true) {
    const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      SetError(error, ErrnoText("cannot read", file));
      return false;
    }
    if (n == 0) return true;
    text.append(chunk, static_cast<std::size_t>(n));
  }
}

bool WriteFileAtomically(const std::filesystem::path& file, const std::string& text, std::string* error) {
  const std::filesystem::path temporary = file.string() + ".tmp." + std::to_string(::getpid());
  {
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.Get() < 0) {
      SetError(error, ErrnoText("cannot create", temporary));
      return false;
    }
    std::size_t written = 0;
    while (written < text.size()) {
      const ssize_t n = ::write(fd.Get(), text.data() + written, text.size() - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        SetError(error, ErrnoText("cannot write", temporary));
        ::unlink(temporary.c_str());
        return false;
      }
      written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.Get()) != 0) {
      SetError(error, ErrnoText("cannot flush", temporary));
      ::unlink(temporary.c_str());
      return false;
    }
  }
  if (::rename(temporary.c_str(), file.c_str()) != 0) {
    SetError(error, ErrnoText("cannot replace", file));
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

RegistryKey& RegistryKey::CreateKey(std::string_view path) {
  RegistryKey* key = this;
  for (std::string_view part : SplitPath(path)) key = &key->subkeys_[std::string(part)];
  return *key;
}

const RegistryKey* RegistryKey::FindKey(std::string_view path) const {
  const RegistryKey* key = this;
  for (std::string_view part : SplitPath(path)) {
    const auto found = key->subkeys_.find(std::string(part));
    if (found == key->subkeys_.end()) return nullptr;
    key = &found->second;
  }
  return key;
}

bool RegistryKey::DeleteKey(std::string_view path) {
  const std::vector<std::string_view> parts = SplitPath(path);
  RegistryKey* parent = this;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    const auto found = parent->subkeys_.find(std::string(parts[i]));
    if (found == parent->subkeys_.end()) return false;
    parent = &found->second;
  }
  return parent->subkeys_.erase(std::string(parts.back())) != 0;
}

void RegistryKey::SetValue(const std::string& name, RegistryValue value) {
  values_[name] = std::move(value);
}

const RegistryValue* RegistryKey::FindValue(const std::string& name) const {
  const auto found = values_.find(name);
  return found == values_.end() ? nullptr : &found->second;
}

const std::string* RegistryKey::FindText(const std::string& name) const {
  const RegistryValue* value = FindValue(name);
  return value == nullptr ? nullptr : std::get_if<std::string>(value);
}

const DWORD* RegistryKey::FindNumber(const std::string& name) const {
  const RegistryValue* value = FindValue(name);
  return value == nullptr ? nullptr : std::get_if<DWORD>(value);
}

std::string SerializeRegistry(const RegistryKey& root) {
  std::string out(kHeader);
  out += '\n';
  SerializeKey(root, "", out);
  return out;
}

RegistryKey ParseRegistry(std::string_view text) {
  RegistryKey root;
  RegistryKey* current = nullptr;
  std::size_t lineNumber = 0;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(begin, end - begin);
    begin = end + 1;
    ++lineNumber;
    try {
      if (lineNumber == 1) {
        if (line != kHeader) throw std::runtime_error("not a registry file");
        continue;
      }
      if (line.empty()) continue;
      if (line.front() == '[') {
        if (line.back() != ']') throw std::runtime_error("unterminated key");
        const std::string_view path = line.substr(1, line.size() - 2);
        current = path.empty() ? &root : &root.CreateKey(path);
        continue;
      }
      if (current == nullptr) throw std::runtime_error("value outside a key");
      std::size_t index = 0;
      std::string name;
      if (line.front() == '@') {
        index = 1;
      } else {
        name = Unquote(line, index);
      }
      if (index >= line.size() || line[index] != '=') throw std::runtime_error("expected '='");
      ++index;
      RegistryValue value = ParseValue(line, index);
      if (index != line.size()) throw std::runtime_error("text after the value");
      current->SetValue(name, std::move(value));
    } catch (const std::exception& e) {
      throw std::runtime_error("line " + std::to_string(lineNumber) + ": " + e.what());
    }
  }
  if (lineNumber == 0) throw std::runtime_error("not a registry file");
  return root;
}

Registry::Registry(std::filesystem::path file) : file_(std::move(file)) {}

Registry Registry::Default() {
  return Registry(DefaultPath());
}

std::filesystem::path Registry::DefaultPath() {
  if (const char* explicitPath = std::getenv("QUORBEL_REGISTRY"); explicitPath != nullptr && *explicitPath) {
    return explicitPath;
  }
  std::filesystem::path dataHome;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
    dataHome = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home) {
    dataHome = std::filesystem::path(home) / ".local" / "share";
  } else {
    dataHome = std::filesystem::temp_directory_path();
  }
  return dataHome / "quorbel" / "registry";
}

HRESULT Registry::Read(RegistryKey& root, std::string* error) const {
  const RegistryLock lock(file_, LOCK_SH);
  std::string text;
  // Without a lock file (read-only folder) the rename still keeps readers consistent.
  if (!ReadFile(file_, text, error)) return REGDB_E_READREGDB;
  if (text.empty()) {
    root = RegistryKey();
    return S_OK;
  }
  try {
    root = ParseRegistry(text);
  } catch (const std::exception& e) {
    SetError(error, file_.string() + ": " + e.what());
    return REGDB_E_READREGDB;
  }
  return S_OK;
}

HRESULT Registry::Update(const std::function<void(RegistryKey& root)>& edit, std::string* error) {
  std::error_code ignored;
  if (file_.has_parent_path()) std::filesystem::create_directories(file_.parent_path(), ignored);
  const RegistryLock lock(file_, LOCK_EX);
  if (!lock.Held()) {
    SetError(error, lock.Error());
    return REGDB_E_WRITEREGDB;
  }
  std::string text;
  if (!ReadFile(file_, text, error)) return REGDB_E_READREGDB;
  RegistryKey root;
  if (!text.empty()) {
    try {
      root = ParseRegistry(text);
    } catch (const std::exception& e) {
      SetError(error, file_.string() + ": " + e.what());
      return REGDB_E_READREGDB;
    }
  }
  try {
    edit(root);
  } catch (const std::exception& e) {
    SetError(error, e.what());
    return E_INVALIDARG;
  }
  if (!WriteFileAtomically(file_, SerializeRegistry(root), error)) return REGDB_E_WRITEREGDB;
  return S_OK;
}

}  // namespace quorbel::com
