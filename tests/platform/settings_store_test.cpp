#include "platform/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "support/scratch_dir.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

using testing::ReadBinaryFile;
using testing::ScratchDir;
namespace fs = std::filesystem;

constexpr std::u16string_view kKey = u"\\Software\\Quorvel\\Tomeshift";

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(SettingsStore, ValuesSurviveANewStoreWithTheirTypes) {
  ScratchDir dir;
  const std::string path = (dir.path() / "Quorvel/Tomeshift.reg").string();
  struct Text {
    const char16_t* name;
    std::u16string value;
  };
  const Text texts[] = {
      {u"TOCCaption", u"Table of Contents"},
      {u"Empty", u""},
      {u"Quoted", u"say \"hi\" \\ back\\"},
      {u"SourceFile", U16("/home/\xC3\xA9t\xC3\xA9/\xE6\x89\x8B\xE5\x86\x8C.chm")},  // été/手册.chm
      {u"Lines", u"first\nsecond\r\nthird\ttab"},
      {u"Heading1", u"Calibri,27,0,[BU]"},
      {u"Surrogates", u"\U0001F600 smile"},
  };
  const std::pair<const char16_t*, std::int32_t> numbers[] = {
      {u"PaperSize", 4}, {u"Zero", 0}, {u"Negative", -16777208}, {u"Max", 0x7FFFFFFF}, {u"Min", INT32_MIN}};
  {
    RegistryFileStore store(path, kKey);
    for (const auto& t : texts) store.WriteString(t.name, t.value);
    for (const auto& [name, n] : numbers) store.WriteInteger(name, n);
    store.WriteBool(u"Cover", true);
    store.WriteBool(u"Discard", false);
  }
  RegistryFileStore again(path, kKey);
  for (const auto& t : texts) EXPECT_EQ(again.ReadString(t.name), t.value) << U8(t.name);
  for (const auto& [name, n] : numbers) EXPECT_EQ(again.ReadInteger(name), n) << U8(name);
  EXPECT_TRUE(again.ReadBool(u"Cover"));
  EXPECT_FALSE(again.ReadBool(u"Discard"));
  // Readable by a person: plain lines for plain values.
  const std::string text = ReadBinaryFile(path);
  EXPECT_EQ(text.rfind("REGEDIT4\n", 0), 0u);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Quorvel\\Tomeshift]\n"), std::string::npos);
  EXPECT_NE(text.find("\"TOCCaption\"=\"Table of Contents\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"PaperSize\"=dword:00000004\n"), std::string::npos);
  EXPECT_NE(text.find("\"Quoted\"=\"say \\\"hi\\\" \\\\ back\\\\\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Lines\"=hex(1):"), std::string::npos);
  // No temporary files left beside.
  EXPECT_EQ(FilesIn(dir.path() / "Quorvel"), std::vector<std::string>{"Tomeshift.reg"});
}

TEST(SettingsStore, MissingAndMistypedValues) {
  ScratchDir dir;
  RegistryFileStore store((dir.path() / "s.reg").string(), kKey);
  // Nothing there yet: a string reads empty, a number is a failure.
  EXPECT_EQ(store.ReadString(u"SourceFile"), u"");
  EXPECT_FALSE(store.ValueExists(u"SourceFile"));
  EXPECT_THROW(store.ReadInteger(u"PaperSize"), SettingsValueError);
  EXPECT_THROW(store.ReadBool(u"Cover"), SettingsValueError);

  store.WriteInteger(u"SourceFile", 3);
  store.WriteString(u"PaperSize", u"4");
  EXPECT_TRUE(store.ValueExists(u"SourceFile"));
  EXPECT_THROW(store.ReadString(u"SourceFile"), SettingsValueError);
  try {
    store.ReadInteger(u"PaperSize");
    FAIL() << "a string must not read as a number";
  } catch (const SettingsValueError& e) {
    EXPECT_EQ(e.name(), "PaperSize");
  }
  // Names compare without regard to case and keep their first spelling.
  store.WriteInteger(u"papersize", 7);
  EXPECT_EQ(store.ReadInteger(u"PAPERSIZE"), 7);
  EXPECT_NE(ReadBinaryFile(dir.path() / "s.reg").find("\"PaperSize\"=dword:00000007"), std::string::npos);
  EXPECT_TRUE(store.DeleteValue(u"PaperSize"));
  EXPECT_FALSE(store.DeleteValue(u"PaperSize"));
  EXPECT_FALSE(store.ValueExists(u"PaperSize"));
}

TEST(SettingsStore, DamagedFileCountsAsEmptyAndIsKeptBeside) {
  ScratchDir dir;
  const fs::path path = dir.path() / "Tomeshift.reg";
  const std::string damaged[] = {"garbage\x01\x02",
                                 "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quorvel\\Tomeshift]\n\"A\"=dword:xyz\n"};
  dir.Write("Tomeshift.reg", damaged[0]);
  RegistryFileStore store(path.string(), kKey);
  EXPECT_THROW(store.ReadInteger(u"PaperSize"), SettingsValueError);
  EXPECT_EQ(store.moved_aside(), path.string() + ".bak");
  EXPECT_EQ(ReadBinaryFile(path.string() + ".bak"), damaged[0]);
  EXPECT_FALSE(fs::exists(path));
  store.WriteInteger(u"PaperSize", 4);
  EXPECT_EQ(store.ReadInteger(u"PaperSize"), 4);

  // A second damaged file does not replace the first copy.
  dir.Write("Tomeshift.reg", damaged[1]);
  RegistryFileStore second(path.string(), kKey);
  EXPECT_EQ(second.ReadString(u"A"), u"");
  EXPECT_EQ(second.moved_aside(), path.string() + ".1.bak");
  EXPECT_EQ(ReadBinaryFile(path.string() + ".bak"), damaged[0]);
  EXPECT_EQ(ReadBinaryFile(path.string() + ".1.bak"), damaged[1]);
}

TEST(SettingsStore, ReadOnlyStoreLeavesEveryFileAsItIs) {
  ScratchDir dir;
  const fs::path path = dir.path() / "Tomeshift.reg";
  // Damaged: reported, not moved aside.
  dir.Write("Tomeshift.reg", "garbage");
  RegistryFileStore damaged(path.string(), kKey, RegistryFileStore::Access::kReadOnly);
  EXPECT_THROW(damaged.ValueExists(u"PaperSize"), FormatError);
  EXPECT_THROW(damaged.WriteInteger(u"PaperSize", 4), FormatError);
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"Tomeshift.reg"});
  // Many values: read at once, and no write gets through.
  std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quorvel\\Tomeshift]\n";
  for (int n = 0; n < 50000; ++n) text += "\"V" + std::to_string(n) + "\"=dword:00000001\n";
  text += "\"v7\"=dword:00000007\n";  // the later spelling wins
  dir.Write("Tomeshift.reg", text);
  RegistryFileStore many(path.string(), kKey, RegistryFileStore::Access::kReadOnly);
  EXPECT_EQ(many.ReadInteger(u"V49999"), 1);
  EXPECT_EQ(many.ReadInteger(u"V7"), 7);
  EXPECT_THROW(many.WriteInteger(u"PaperSize", 4), FileError);
  EXPECT_EQ(ReadBinaryFile(path), text);
  // A FIFO in the file's place is refused at once instead of waiting for a writer.
  fs::remove(path);
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  RegistryFileStore fifo(path.string(), kKey, RegistryFileStore::Access::kReadOnly);
  EXPECT_THROW(fifo.ValueExists(u"PaperSize"), FileError);
}

TEST(SettingsStore, FailedWriteKeepsTheOldFile) {
  ScratchDir dir;
  {
    // The settings folder cannot be made: a file stands in its place.
    dir.Write("blocker", "x");
    RegistryFileStore blocked((dir.path() / "blocker/s.reg").string(), kKey);
    EXPECT_THROW(blocked.WriteInteger(u"PaperSize", 4), FileError);
    EXPECT_EQ(ReadBinaryFile(dir.path() / "blocker"), "x");
  }
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  const fs::path folder = dir.path() / "ro";
  fs::create_directories(folder);
  RegistryFileStore store((folder / "s.reg").string(), kKey);
  store.WriteString(u"Addenda", u"Addenda");
  const std::string before = ReadBinaryFile(folder / "s.reg");
  ::chmod(folder.c_str(), 0500);
  EXPECT_THROW(store.WriteString(u"Addenda", u"Other"), FileError);
  ::chmod(folder.c_str(), 0700);
  EXPECT_EQ(ReadBinaryFile(folder / "s.reg"), before);
  EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"s.reg"});
}

TEST(RegistryFileFormat, ReadsWhatTheRegistryEditorWrites) {
  const std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; exported by hand\r\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
      "\"Keep\"=\"me\"\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Quorvel\\Tomeshift]\r\n"
      "@=\"default\"\r\n"
      "\"Multi\"=hex(1):41,00,0a,00,\\\r\n"
      "  42,00,00,00\r\n"
      "\"Expand\"=hex(2):25,00,48,00,25,00,00,00\r\n"
      "\"Raw\"=hex:01,02,ff\r\n"
      "\"Num\"=hex(4):78,56,34,12\r\n"
      "\"Short\"=dword:1f\r\n"
      "\"Short\"=dword:20\r\n";
  const RegistryFile file = RegistryFile::Parse(text, "x.reg");
  ASSERT_EQ(file.keys.size(), 2u);
  const auto& values = file.keys[1].values;
  ASSERT_EQ(values.size(), 6u);
  EXPECT_EQ(values[0].name, u"");
  EXPECT_EQ(values[0].text, u"default");
  EXPECT_EQ(values[1].text, u"A\nB");
  EXPECT_EQ(values[2].type, kRegExpandSz);
  EXPECT_EQ(values[2].text, u"%H%");
  EXPECT_EQ(values[3].type, kRegBinary);
  EXPECT_EQ(values[3].bytes, std::string("\x01\x02\xff", 3));
  EXPECT_EQ(values[4].number, 0x12345678u);
  EXPECT_EQ(values[5].number, 0x20u);  // the later line wins

  // Written back and read again, nothing changes (other keys and unknown types included).
  const RegistryFile again = RegistryFile::Parse(file.Serialize(), "y.reg");
  EXPECT_EQ(again.Serialize(), file.Serialize());
  ASSERT_EQ(again.keys.size(), 2u);
  EXPECT_EQ(again.keys[0].values[0].text, u"me");
  EXPECT_EQ(again.keys[1].values[3].bytes, values[3].bytes);
  EXPECT_EQ(again.keys[1].values[1].text, u"A\nB");
}

TEST(RegistryFileFormat, RejectsWhatItCannotRead) {
  const char* const bad[] = {
      "[HKEY_CURRENT_USER\\X]\n",             // no header
      "REGEDIT4\n\"A\"=\"b\"\n",              // value outside a key
      "REGEDIT4\n[HKEY_CURRENT_USER\\X\n",    // unclosed key
      "REGEDIT4\n[-HKEY_CURRENT_USER\\X]\n",  // deletion syntax
      "REGEDIT4\n[K]\n\"A\"=\"unterminated\n",
      "REGEDIT4\n[K]\n\"A\"=\"x\" trailing\n",
      "REGEDIT4\n[K]\n\"A\"=dword:123456789\n",  // more than 32 bits
      "REGEDIT4\n[K]\n\"A\"=dword:\n",
      "REGEDIT4\n[K]\n\"A\"=hex(1):41,00,42\n",  // odd length text
      "REGEDIT4\n[K]\n\"A\"=hex:4g\n",
      "REGEDIT4\n[K]\n\"A\"=hex(z):00\n",
      "REGEDIT4\n[K]\n\"A\"=-\n",
      "REGEDIT4\n[K]\n\"A\"\n",
      "REGEDIT4\n[K]\nA=\"b\"\n",
      "REGEDIT4\n[K]\n\"A\"=\"bad \\q escape\"\n",
  };
  for (const char* text : bad) {
    EXPECT_THROW(RegistryFile::Parse(text, "bad.reg"), FormatError) << text;
  }
  EXPECT_TRUE(RegistryFile::Parse("", "empty.reg").keys.empty());
  EXPECT_TRUE(RegistryFile::Parse("\n \n", "blank.reg").keys.empty());
}

TEST(SettingsStore, DefaultPathFollowsXdgConfigHome) {
  const char* old_xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old_xdg ? old_xdg : "";
  const char* home = std::getenv("HOME");
  ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(RegistryFileStore::DefaultPath(), "/cfg/Quorvel/Tomeshift.reg");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
  EXPECT_EQ(RegistryFileStore::DefaultPath(), std::string(home ? home : "") + "/.config/Quorvel/Tomeshift.reg");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(RegistryFileStore::DefaultPath(), std::string(home ? home : "") + "/.config/Quorvel/Tomeshift.reg");
  if (old_xdg) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace tomeshift

namespace tomeshift {
namespace {

TEST(SettingsStore, GroupedWritesLandTogetherOrNotAtAll) {
  ScratchDir dir;
  const std::string path = (dir.path() / "s.reg").string();
  RegistryFileStore store(path, kKey);
  store.WriteInteger(u"Top", 1);
  const std::string before = ReadBinaryFile(path);
  {
    SettingsUpdate update(store);
    store.WriteInteger(u"Top", 2);
    store.WriteString(u"Addenda", u"A");
    EXPECT_EQ(store.ReadInteger(u"Top"), 2);  // the open update reads its own writes
    EXPECT_EQ(ReadBinaryFile(path), before);  // nothing on disk yet
  }                                           // dropped (as when a write in the middle throws)
  EXPECT_EQ(ReadBinaryFile(path), before);
  EXPECT_EQ(store.ReadInteger(u"Top"), 1);
  {
    SettingsUpdate update(store);
    store.WriteInteger(u"Top", 3);
    store.WriteString(u"Addenda", u"B");
    update.Commit();
  }
  RegistryFileStore other(path, kKey);
  EXPECT_EQ(other.ReadInteger(u"Top"), 3);
  EXPECT_EQ(other.ReadString(u"Addenda"), u"B");
}

}  // namespace
}  // namespace tomeshift
