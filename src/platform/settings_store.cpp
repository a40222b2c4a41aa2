#include "platform/settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <vector>

#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::u16string_view kRoot = u"HKEY_CURRENT_USER";
constexpr size_t kHexBytesPerLine = 25;
// A settings file holds some thirty values; anything near this size is not one.
constexpr off_t kMaxSettingsBytes = off_t{16} << 20;

// Registry names compare without regard to case; the program's names are ASCII.
bool SameName(std::u16string_view a, std::u16string_view b) { return AsciiEqualsNoCase(a, b); }

std::u16string Folded(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& c : out) c = AsciiUpperChar(c);
  return out;
}

[[noreturn]] void Fail(const std::string& path, size_t line, const std::string& reason) {
  throw FormatError(path, "line " + std::to_string(line) + ": " + reason, line);
}

// A quoted token starting at text[pos] == '"'; returns the unescaped content and moves pos past the
// closing quote.
std::optional<std::string> ReadQuoted(std::string_view text, size_t& pos) {
  std::string out;
  for (++pos; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '"') {
      ++pos;
      return out;
    }
    if (c == '\\') {
      if (++pos >= text.size()) return std::nullopt;
      if (text[pos] != '\\' && text[pos] != '"') return std::nullopt;
    }
    out += text[pos];
  }
  return std::nullopt;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> ParseHexBytes(std::string_view list) {
  std::string bytes;
  size_t pos = 0;
  auto skip_blanks = [&] {
    while (pos < list.size() && (list[pos] == ' ' || list[pos] == '\t')) ++pos;
  };
  skip_blanks();
  if (pos == list.size()) return bytes;
  while (true) {
    skip_blanks();
    if (pos + 2 > list.size()) return std::nullopt;
    const int hi = HexDigit(list[pos]);
    const int lo = HexDigit(list[pos + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes += static_cast<char>(hi * 16 + lo);
    pos += 2;
    skip_blanks();
    if (pos == list.size()) return bytes;
    if (list[pos] != ',') return std::nullopt;
    ++pos;
  }
}

std::optional<std::u16string> Utf16LeText(const std::string& bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::u16string text;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    text +=
        static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  return text;
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// Text that a quoted line cannot carry (line breaks and other control characters) goes out as hex(1),
// as the registry editor does.
bool NeedsHex(std::u16string_view text) {
  for (char16_t c : text) {
    if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF)) return true;
  }
  return false;
}

void AppendHex(std::string& out, std::string_view prefix, std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  out += prefix;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) {
      out += ',';
      if (i % kHexBytesPerLine == 0) out += "\\\n  ";
    }
    const auto b = static_cast<unsigned char>(bytes[i]);
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
}

std::string Utf16LeBytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  bytes.append(2, '\0');
  return bytes;
}

std::u16string FullKeyPath(std::u16string_view key) {
  std::u16string path(kRoot);
  if (key.empty() || key.front() != u'\\') path += u'\\';
  path += key;
  while (!path.empty() && path.back() == u'\\') path.pop_back();
  return path;
}

std::string ErrnoText() { return std::strerror(errno); }

// The first free name of "<file>.bak", "<file>.1.bak", ... so that no earlier copy is overwritten.
std::string FreeBackupName(const std::string& path) {
  std::string candidate = path + ".bak";
  for (int n = 1; fs::exists(fs::symlink_status(candidate)); ++n) {
    candidate = path + "." + std::to_string(n) + ".bak";
  }
  return candidate;
}

}  // namespace

RegistryFile RegistryFile::Parse(std::string_view text, const std::string& path) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  RegistryFile file;
  bool header_seen = false;
  RegistryKey* key = nullptr;
  // Keys and values by folded name, so that a file of many values is read in one pass.
  std::unordered_map<std::u16string, std::size_t> key_at;
  std::vector<std::unordered_map<std::u16string, std::size_t>> value_at;
  size_t pos = 0;
  size_t line_no = 0;
  while (pos < text.size()) {
    // One logical line: a trailing backslash continues a hex list on the next physical line.
    std::string line;
    const size_t first_line = line_no + 1;
    while (true) {
      size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      std::string_view physical = text.substr(pos, end - pos);
      pos = end + 1;
      ++line_no;
      if (!physical.empty() && physical.back() == '\r') physical.remove_suffix(1);
      if (!line.empty()) {
        while (!physical.empty() && (physical.front() == ' ' || physical.front() == '\t')) physical.remove_prefix(1);
      }
      line += physical;
      const bool hex_value = line.find("=hex") != std::string::npos;
      if (hex_value && !line.empty() && line.back() == '\\' && pos < text.size()) {
        line.pop_back();
        continue;
      }
      break;
    }
    std::string_view l = line;
    while (!l.empty() && (l.back() == ' ' || l.back() == '\t')) l.remove_suffix(1);
    while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
    if (l.empty() || l.front() == ';') continue;
    if (!header_seen) {
      if (l != kHeader4 && l != kHeader5) Fail(path, first_line, "not a registry export (\"REGEDIT4\" expected)");
      header_seen = true;
      continue;
    }
    if (l.front() == '[') {
      if (l.back() != ']' || l.size() < 3 || l[1] == '-') Fail(path, first_line, "malformed key line");
      RegistryKey k;
      k.path = Utf8ToUtf16(l.substr(1, l.size() - 2));
      const auto [at, added] = key_at.emplace(Folded(k.path), file.keys.size());
      if (added) {
        file.keys.push_back(std::move(k));
        value_at.emplace_back();
      }
      key = &file.keys[at->second];
      continue;
    }
    if (!key) Fail(path, first_line, "value outside a key");
    RegistryValue value;
    size_t p = 0;
    if (l.front() == '@') {
      p = 1;
    } else if (l.front() == '"') {
      auto name = ReadQuoted(l, p);
      if (!name) Fail(path, first_line, "malformed value name");
      value.name = Utf8ToUtf16(*name);
    } else {
      Fail(path, first_line, "unexpected text");
    }
    while (p < l.size() && (l[p] == ' ' || l[p] == '\t')) ++p;
    if (p >= l.size() || l[p] != '=') Fail(path, first_line, "'=' expected");
    ++p;
    while (p < l.size() && (l[p] == ' ' || l[p] == '\t')) ++p;
    std::string_view data = l.substr(p);
    if (data.starts_with('"')) {
      size_t q = 0;
      auto str = ReadQuoted(data, q);
      if (!str || q != data.size()) Fail(path, first_line, "malformed string value");
      value.type = kRegSz;
      value.text = Utf8ToUtf16(*str);
    } else if (data.starts_with("dword:")) {
      std::string_view digits = data.substr(6);
      if (digits.empty() || digits.size() > 8) Fail(path, first_line, "malformed dword value");
      std::uint32_t n = 0;
      for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) Fail(path, first_line, "malformed dword value");
        n = n * 16 + static_cast<std::uint32_t>(d);
      }
      value.type = kRegDword;
      value.number = n;
    } else if (data.starts_with("hex")) {
      std::uint32_t type = kRegBinary;
      size_t colon = data.find(':');
      if (colon == std::string_view::npos) Fail(path, first_line, "malformed hex value");
      std::string_view spec = data.substr(3, colon - 3);
      if (!spec.empty()) {
        if (spec.size() < 3 || spec.front() != '(' || spec.back() != ')') Fail(path, first_line, "malformed hex type");
        type = 0;
        for (char c : spec.substr(1, spec.size() - 2)) {
          const int d = HexDigit(c);
          if (d < 0 || type > 0x0FFFFFFF) Fail(path, first_line, "malformed hex type");
          type = type * 16 + static_cast<std::uint32_t>(d);
        }
      }
      auto bytes = ParseHexBytes(data.substr(colon + 1));
      if (!bytes) Fail(path, first_line, "malformed hex bytes");
      value.type = type;
      if (type == kRegSz || type == kRegExpandSz) {
        auto t = Utf16LeText(*bytes);
        if (!t) Fail(path, first_line, "odd length of a text value");
        value.text = *t;
      } else if (type == kRegDword && bytes->size() == 4) {
        for (int i = 3; i >= 0; --i) value.number = value.number * 256 + static_cast<unsigned char>((*bytes)[i]);
      } else {
        if (type == kRegDword) value.type = kRegBinary;  // a number of the wrong width is kept, not read as one
        value.bytes = std::move(*bytes);
      }
    } else {
      Fail(path, first_line, "unknown value type");
    }
    auto& values_of_key = value_at[static_cast<std::size_t>(key - file.keys.data())];
    const auto [at, added] = values_of_key.emplace(Folded(value.name), key->values.size());
    if (added)
      key->values.push_back(std::move(value));
    else
      key->values[at->second] = std::move(value);  // a later line wins, as on import
  }
  if (!header_seen && !text.empty()) {
    // Only blank lines: treat as empty, nothing to lose.
    for (char c : text) {
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') Fail(path, 1, "not a registry export");
    }
  }
  return file;
}

std::string RegistryFile::Serialize() const {
  std::string out(kHeader4);
  out += "\n";
  for (const auto& key : keys) {
    out += "\n[" + Utf16ToUtf8(key.path) + "]\n";
    for (const auto& v : key.values) {
      out += v.name.empty() ? std::string("@") : "\"" + Escape(Utf16ToUtf8(v.name)) + "\"";
      out += '=';
      if (v.type == kRegSz && !NeedsHex(v.text)) {
        out += "\"" + Escape(Utf16ToUtf8(v.text)) + "\"";
      } else if (v.type == kRegSz || v.type == kRegExpandSz) {
        AppendHex(out, v.type == kRegSz ? "hex(1):" : "hex(2):", Utf16LeBytes(v.text));
      } else if (v.type == kRegDword) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", v.number);
        out += buf;
      } else {
        char buf[24];
        if (v.type == kRegBinary) {
          std::snprintf(buf, sizeof buf, "hex:");
        } else {
          std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        }
        AppendHex(out, buf, v.bytes);
      }
      out += '\n';
    }
  }
  return out;
}

RegistryFileStore::RegistryFileStore(std::string file_path, std::u16string_view key, Access access)
    : file_path_(std::move(file_path)), key_path_(FullKeyPath(key)), access_(access) {}

std::string RegistryFileStore::DefaultPath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* pw = ::getpwuid(::getuid());
      home = pw ? pw->pw_dir : "/tmp";
    }
    base = std::string(home) + "/.config";
  }
  return base + "/Quorvel/Tomeshift.reg";
}

void RegistryFileStore::BeginUpdate() {
  if (update_depth_++ == 0) pending_.reset();
}

void RegistryFileStore::EndUpdate(bool commit) {
  if (update_depth_ == 0) return;
  if (--update_depth_ > 0) return;
  std::optional<RegistryFile> file = std::move(pending_);
  pending_.reset();
  if (commit && file) Store(*file);
}

RegistryFile RegistryFileStore::Load() {
  if (pending_) return *pending_;
  if (read_) return *read_;
  // O_NONBLOCK: a FIFO put in the file's place must not hang the program.
  const int fd = ::open(file_path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT) return {};
    throw FileError(file_path_, "cannot read the settings: " + ErrnoText());
  }
  struct stat st;
  std::string refused;
  if (::fstat(fd, &st) != 0)
    refused = ErrnoText();
  else if (!S_ISREG(st.st_mode))
    refused = "it is not a regular file";
  else if (st.st_size > kMaxSettingsBytes)
    refused = "it is larger than a settings file can be";
  if (!refused.empty()) {
    ::close(fd);
    throw FileError(file_path_, "cannot read the settings: " + refused);
  }
  std::string text;
  char buf[8192];
  while (true) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      const std::string reason = ErrnoText();
      ::close(fd);
      throw FileError(file_path_, "cannot read the settings: " + reason);
    }
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  if (access_ == Access::kReadOnly) {
    read_ = RegistryFile::Parse(text, file_path_);
    return *read_;
  }
  try {
    return RegistryFile::Parse(text, file_path_);
  } catch (const FormatError&) {
    // The values are lost to us, but the file is the user's: keep it beside for inspection.
    const std::string backup = FreeBackupName(file_path_);
    if (::rename(file_path_.c_str(), backup.c_str()) != 0) {
      throw FileError(file_path_, "damaged settings file could not be moved aside: " + ErrnoText());
    }
    moved_aside_ = backup;
    return {};
  }
}

void RegistryFileStore::Store(const RegistryFile& file) {
  if (update_depth_ > 0) {
    pending_ = file;
    return;
  }
  if (access_ == Access::kReadOnly) throw FileError(file_path_, "the settings are open for reading only");
  const fs::path target(file_path_);
  std::error_code ec;
  if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
  if (ec) throw FileError(target.parent_path().string(), "cannot create the settings folder: " + ec.message());
  std::string temp = file_path_ + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw FileError(file_path_, "cannot write the settings: " + ErrnoText());
  const std::string text = file.Serialize();
  size_t done = 0;
  std::string failure;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      failure = ErrnoText();
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (failure.empty() && ::fsync(fd) != 0) failure = ErrnoText();
  if (::close(fd) != 0 && failure.empty()) failure = ErrnoText();
  if (failure.empty() && ::rename(temp.c_str(), file_path_.c_str()) != 0) failure = ErrnoText();
  if (!failure.empty()) {
    ::unlink(temp.c_str());
    throw FileError(file_path_, "cannot write the settings: " + failure);
  }
  const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
  if (const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

const RegistryValue* RegistryFileStore::Find(const RegistryFile& file, std::u16string_view name) const {
  for (const auto& key : file.keys) {
    if (!SameName(key.path, key_path_)) continue;
    for (const auto& v : key.values) {
      if (SameName(v.name, name)) return &v;
    }
  }
  return nullptr;
}

bool RegistryFileStore::ValueExists(std::u16string_view name) { return Find(Load(), name) != nullptr; }

std::u16string RegistryFileStore::ReadString(std::u16string_view name) {
  const RegistryFile file = Load();
  const RegistryValue* v = Find(file, name);
  if (!v) return {};
  if (v->type != kRegSz && v->type != kRegExpandSz) throw SettingsValueError(Utf16ToUtf8(name), "Invalid data type");
  return v->text;
}

std::int32_t RegistryFileStore::ReadInteger(std::u16string_view name) {
  const RegistryFile file = Load();
  const RegistryValue* v = Find(file, name);
  if (!v) throw SettingsValueError(Utf16ToUtf8(name), "Missing value");
  if (v->type != kRegDword) throw SettingsValueError(Utf16ToUtf8(name), "Invalid data type");
  return static_cast<std::int32_t>(v->number);
}

void RegistryFileStore::Put(RegistryValue value) {
  for (char16_t c : value.name) {
    if (c < 0x20) throw SettingsValueError(Utf16ToUtf8(value.name), "Invalid value name");
  }
  RegistryFile file = Load();
  RegistryKey* key = nullptr;
  for (auto& k : file.keys) {
    if (SameName(k.path, key_path_)) key = &k;
  }
  if (!key) {
    file.keys.push_back(RegistryKey{key_path_, {}});
    key = &file.keys.back();
  }
  bool replaced = false;
  for (auto& v : key->values) {
    if (SameName(v.name, value.name)) {
      value.name = v.name;  // keep the spelling already there
      v = value;
      replaced = true;
      break;
    }
  }
  if (!replaced) key->values.push_back(std::move(value));
  Store(file);
}

void RegistryFileStore::WriteString(std::u16string_view name, std::u16string_view value) {
  RegistryValue v;
  v.name = name;
  v.type = kRegSz;
  v.text = value;
  Put(std::move(v));
}

void RegistryFileStore::WriteInteger(std::u16string_view name, std::int32_t value) {
  RegistryValue v;
  v.name = name;
  v.type = kRegDword;
  v.number = static_cast<std::uint32_t>(value);
  Put(std::move(v));
}

bool RegistryFileStore::DeleteValue(std::u16string_view name) {
  RegistryFile file = Load();
  for (auto& key : file.keys) {
    if (!SameName(key.path, key_path_)) continue;
    for (auto it = key.values.begin(); it != key.values.end(); ++it) {
      if (SameName(it->name, name)) {
        key.values.erase(it);
        Store(file);
        return true;
      }
    }
  }
  return false;
}

}  // namespace tomeshift
