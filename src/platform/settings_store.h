// The per-user settings store: typed values under one key, the way the program has always kept its
// settings. On Linux the values live in a text file in the registry editor's export format, so a user
// can read and edit it, and every value keeps its type (a number stays a number).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace tomeshift {

// A value read with the wrong type, or a number that is not there. The caller decides whether that
// means "use the factory settings".
class SettingsValueError : public TomeshiftError {
 public:
  SettingsValueError(std::string name, std::string reason)
      : TomeshiftError(reason + ": \"" + name + "\""), name_(std::move(name)) {}
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;

  virtual bool ValueExists(std::u16string_view name) = 0;
  // A missing string reads as empty text; a value of another type throws SettingsValueError.
  virtual std::u16string ReadString(std::u16string_view name) = 0;
  // A missing value or one of another type throws SettingsValueError.
  virtual std::int32_t ReadInteger(std::u16string_view name) = 0;
  bool ReadBool(std::u16string_view name) { return ReadInteger(name) != 0; }

  // Each write reaches the disk before it returns; a failure throws FileError.
  virtual void WriteString(std::u16string_view name, std::u16string_view value) = 0;
  virtual void WriteInteger(std::u16string_view name, std::int32_t value) = 0;
  void WriteBool(std::u16string_view name, bool value) { WriteInteger(name, value ? 1 : 0); }
  virtual bool DeleteValue(std::u16string_view name) = 0;

  // Writes between these two reach the disk together, at the end; nothing if the update is dropped.
  virtual void BeginUpdate() {}
  virtual void EndUpdate(bool commit) {}
};

// Groups the writes of one save so that the whole save is stored at once or not at all.
class SettingsUpdate {
 public:
  explicit SettingsUpdate(ISettingsStore& store) : store_(store) { store_.BeginUpdate(); }
  ~SettingsUpdate() {
    if (!done_) store_.EndUpdate(false);
  }
  SettingsUpdate(const SettingsUpdate&) = delete;
  SettingsUpdate& operator=(const SettingsUpdate&) = delete;
  // Stores the grouped writes; throws FileError when that fails.
  void Commit() {
    done_ = true;
    store_.EndUpdate(true);
  }

 private:
  ISettingsStore& store_;
  bool done_ = false;
};

// Registry value types as the export format spells them.
enum RegistryType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
};

struct RegistryValue {
  std::u16string name;  // empty for the key's default value ("@")
  std::uint32_t type = kRegSz;
  std::u16string text;       // kRegSz, kRegExpandSz
  std::uint32_t number = 0;  // kRegDword
  std::string bytes;         // every other type, kept as found
};

struct RegistryKey {
  std::u16string path;  // "HKEY_CURRENT_USER\Software\..."
  std::vector<RegistryValue> values;
};

// The text form ("REGEDIT4", then "[key]" sections of "name"=value lines), as its own small codec so
// that tests can check it without a disk.
struct RegistryFile {
  std::vector<RegistryKey> keys;

  // Throws FormatError (with the line number as offset) on anything that is not the export format.
  static RegistryFile Parse(std::string_view text, const std::string& path_for_errors);
  std::string Serialize() const;
};

// The file-backed store for one key of the current user.
class RegistryFileStore final : public ISettingsStore {
 public:
  enum class Access { kReadWrite, kReadOnly };
  // key is written as the program names it: "\Software\Quorvel\Tomeshift". A read-only store never
  // changes the file: writes throw, and a damaged file is reported (FormatError), not moved aside.
  RegistryFileStore(std::string file_path, std::u16string_view key, Access access = Access::kReadWrite);

  // $XDG_CONFIG_HOME/Quorvel/Tomeshift.reg, ~/.config when the variable is unset or not absolute.
  static std::string DefaultPath();

  bool ValueExists(std::u16string_view name) override;
  std::u16string ReadString(std::u16string_view name) override;
  std::int32_t ReadInteger(std::u16string_view name) override;
  void WriteString(std::u16string_view name, std::u16string_view value) override;
  void WriteInteger(std::u16string_view name, std::int32_t value) override;
  bool DeleteValue(std::u16string_view name) override;
  void BeginUpdate() override;
  void EndUpdate(bool commit) override;

  const std::string& file_path() const { return file_path_; }
  // Where a damaged file was moved aside during this store's life; empty when none was.
  const std::string& moved_aside() const { return moved_aside_; }

 private:
  // The file as it is on disk now (read once by a read-only store); an unparsable file is moved aside
  // and counts as empty.
  RegistryFile Load();
  void Store(const RegistryFile& file);
  const RegistryValue* Find(const RegistryFile& file, std::u16string_view name) const;
  void Put(RegistryValue value);

  std::string file_path_;
  std::u16string key_path_;
  std::string moved_aside_;
  Access access_;
  std::optional<RegistryFile> read_;  // what a read-only store read
  int update_depth_ = 0;
  std::optional<RegistryFile> pending_;  // the file with the writes of the open update
};

}  // namespace tomeshift
