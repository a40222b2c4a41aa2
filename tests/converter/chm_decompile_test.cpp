#include "converter/chm_decompile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/chm_extractor.h"
#include "platform/errors.h"
#include "platform/user_interaction.h"
#include "support/recording_interaction.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::ReadBinaryFile;
using testing::RecordingInteraction;
using testing::ScratchDir;

const fs::path kFixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter";

fs::path CorpusDir() {
  for (const fs::path& p : {fs::path(TOMESHIFT_CORPUS_DIR), fs::path(TOMESHIFT_SOURCE_DIR) / "../../shared/corpus"}) {
    if (fs::exists(p)) return p;
  }
  return TOMESHIFT_CORPUS_DIR;
}

std::string Entry(std::uint16_t code, const std::string& data) {
  std::string e;
  e += static_cast<char>(code & 0xFF);
  e += static_cast<char>(code >> 8);
  e += static_cast<char>(data.size() & 0xFF);
  e += static_cast<char>(data.size() >> 8);
  return e + data;
}

// The uncompressed system record as Microsoft's compiler lays it out: version, locale, default
// topic, title; strings end with a zero byte.
std::string SystemRecord(std::uint16_t language, const std::string& page, const std::string& title) {
  std::string locale(0x24, '\0');
  locale[0] = static_cast<char>(language & 0xFF);
  locale[1] = static_cast<char>(language >> 8);
  return Entry(9, std::string("HHA Version 4.74.8702") + '\0') + Entry(4, locale) + Entry(2, page + '\0') +
         Entry(3, title + '\0');
}

struct SystemCase {
  const char* label;
  std::string bytes;
  const char* lang_id;
  std::uint32_t code_page;
  const char* title;  // UTF-8
  const char* page;
};

class SystemRecordScan : public ::testing::TestWithParam<SystemCase> {};

TEST_P(SystemRecordScan, ReadsTheRecordBehindTheFirstVersionEntry) {
  const SystemCase& c = GetParam();
  ScratchDir scratch;
  const std::u16string path = U16(scratch.Write("help.chm", c.bytes).string());
  TCHMDecompile help;
  help.LoadFromCHM(path);
  EXPECT_EQ(U8(help.LangID), c.lang_id);
  EXPECT_EQ(help.rCodePage, c.code_page);
  EXPECT_EQ(help.CodePage, c.code_page);
  EXPECT_EQ(U8(help.Title), c.title);
  EXPECT_EQ(U8(help.DefaultPage), c.page);
  EXPECT_EQ(help.chmFile, path);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, SystemRecordScan,
    ::testing::Values(
        SystemCase{"empty", "", "", 0, "", ""}, SystemCase{"one_byte", "H", "", 0, "", ""},
        SystemCase{"hha_at_start_has_no_entry_header", "HHA" + std::string(20, '\0'), "", 0, "", ""},
        SystemCase{"english", "ITSF" + SystemRecord(0x0409, "index.htm", "Caf\xE9"), "0x0409", 1252, "Café",
                   "index.htm"},
        SystemCase{"second_hha_is_skipped",
                   // a stray "HHA" whose entry code is 7, then the real record
                   "ITSF" + Entry(7, "HHA stray") + SystemRecord(0x0419, "a.htm", "\xCF\xF0\xE8\xE2\xE5\xF2"), "0x0419",
                   1251, "Привет", "a.htm"},
        SystemCase{"japanese", "xxxx" + SystemRecord(0x0411, "top.htm", "\x93\xfa\x96\x7b"), "0x0411", 932, "日本",
                   "top.htm"},
        SystemCase{"unknown_language", "xxxx" + SystemRecord(0x7A7A, "p.htm", "Title"), "0x7A7A", 0, "Title", "p.htm"},
        SystemCase{"record_cut_short", "ITSF" + SystemRecord(0x0409, "index.htm", "Long title").substr(0, 88), "0x0409",
                   1252, "Long", "index.htm"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(LoadFromCHM, MissingFileThrowsAndLeavesChmFileUnset) {
  TCHMDecompile help;
  EXPECT_THROW(help.LoadFromCHM(u"/nonexistent/help.chm"), FileError);
  EXPECT_TRUE(help.chmFile.empty());
}

struct FixtureInfo {
  const char* file;
  const char* title;
  const char* page;
  const char* lang_id;
  std::uint32_t code_page;
};

class FixtureSystemRecord : public ::testing::TestWithParam<FixtureInfo> {};

TEST_P(FixtureSystemRecord, MatchesTheProject) {
  const FixtureInfo& f = GetParam();
  TCHMDecompile help;
  help.LoadFromCHM(U16((kFixtures / f.file).string()));
  EXPECT_EQ(U8(help.Title), f.title);
  EXPECT_EQ(U8(help.DefaultPage), f.page);
  EXPECT_EQ(U8(help.LangID), f.lang_id);
  EXPECT_EQ(help.CodePage, f.code_page);
  // Only a help file that names no code page has its text looked at.
  EXPECT_EQ(help.DetectedCodePage, help.rCodePage == 0 ? f.code_page : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, FixtureSystemRecord,
    ::testing::Values(FixtureInfo{"nested-contents.chm", "Nested Contents Test", "intro.htm", "0x0409", 1252},
                      FixtureInfo{"japanese-shift-jis.chm", "日本語のヘルプ", "hajimeni.htm", "0x0411", 932},
                      FixtureInfo{"sitemap-in-subfolder.chm", "Inhalt im Unterordner", "page.htm", "0x0407", 1252},
                      FixtureInfo{"stray-hha-before-system.chm", "Stray HHA", "HHA.htm", "0x0409", 1252},
                      // No language named (0x0000) or one the table lacks: the code page is the one
                      // in which the contents names the stored pages.
                      FixtureInfo{"russian-no-language.chm", "Справка без языка", "Введение.htm", "0x0000", 1251},
                      FixtureInfo{"japanese-no-language.chm", "言語のないヘルプ", "はじめに.htm", "0x2000", 932}));

TEST(LoadFromCHM, StrayHhaFixtureReallyHasAnHhaBeforeTheRecord) {
  const std::string bytes = ReadBinaryFile(kFixtures / "stray-hha-before-system.chm");
  const std::size_t first = bytes.find("HHA");
  const std::size_t record = bytes.find("HHA Version");
  ASSERT_NE(record, std::string::npos);
  EXPECT_LT(first, record);
}

// decompile over the compiled fixtures.
struct Loaded {
  RecordingInteraction user;
  ScopedUserInteraction scope{user};
  ScratchDir scratch;
  TCHMDecompile help;
  std::vector<std::pair<std::u16string, int>> progress;

  explicit Loaded(const fs::path& chm) {
    help.SetOnChange([this](const std::u16string& info, int persent) { progress.emplace_back(info, persent); });
    help.LoadFromCHM(U16(chm.string()));
    help.rootFolder = U16(scratch.folder() + "root/");
    help.decompile();
  }
};

TEST(Decompile, NestedContentsGivesEveryEntryWithItsLevelAndPage) {
  Loaded loaded(kFixtures / "nested-contents.chm");
  struct Expected {
    int level;
    std::uint32_t status;
    const char* url;
    const char* topic;
  };
  const Expected expected[] = {
      {0, 0, "intro.htm", "Introduction"},
      {0, 2, "", "Getting Started"},
      {1, 0, "setup/install.htm#steps", "Installing"},
      {1, 0, "setup/install.htm#requirements", "Requirements"},
      {1, 0, "tips.htm", "Tips & Tricks"},
      {2, 0, "setup/deep/level3.htm", "Third Level"},
      {3, 0, "setup/deep/level4.htm#bottom", "Fourth Level"},
      {0, 0, "pictures.htm", "Pictures and Styles"},
      {0, 0, "western.htm", "Western Page"},
      {0, 0, "frames.htm", "Frameset"},
      {0, 0, "http://www.example.com/", "Vendor Web Site"},
      {0, 0, "links.htm", "Links to Another Help File"},
      {0, 0, "first.htm", "First Name"},
  };
  const TTitleLists& list = loaded.help.List;
  ASSERT_EQ(list.Count(), static_cast<int>(std::size(expected)));
  for (int i = 0; i < list.Count(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(list[i].Level, expected[i].level);
    EXPECT_EQ(list[i].Status, expected[i].status);
    EXPECT_EQ(U8(list[i].Url), expected[i].url);
    EXPECT_EQ(U8(list[i].Topic), expected[i].topic);
    // The separator made no entry and took no index or context number.
    EXPECT_EQ(list[i].Index, static_cast<std::uint32_t>(i));
    EXPECT_EQ(U8(list[i].ContextNumber), std::to_string(1000 + i));
  }
  EXPECT_EQ(list[0].Icon, 11u);
  EXPECT_EQ(U8(loaded.help.FileName), "nested-contents");
  EXPECT_EQ(loaded.help.hhcFile, loaded.help.rootFolder + u"nested-contents.hhc");
  ASSERT_FALSE(loaded.progress.empty());
  EXPECT_EQ(loaded.progress.front(), std::make_pair(std::u16string(u"Decompiling..."), 1));
  EXPECT_TRUE(loaded.user.warnings().empty());
  // Pictures, style sheet and pages outside the contents are all there.
  for (const char* f :
       {"images/logo.gif", "images/photo.png", "styles/main.css", "appendix.htm", "glossary/terms.htm"}) {
    EXPECT_TRUE(fs::exists(loaded.scratch.path() / "root" / f)) << f;
  }
}

TEST(Decompile, SitemapIsFoundInASubFolderAndTheFirstOfTwoWins) {
  Loaded loaded(kFixtures / "sitemap-in-subfolder.chm");
  EXPECT_EQ(loaded.help.hhcFile, loaded.help.rootFolder + u"toc/a-first.hhc");
  ASSERT_EQ(loaded.help.List.Count(), 2);
  EXPECT_EQ(U8(loaded.help.List[0].Topic), "From the first sitemap");
  EXPECT_EQ(U8(loaded.help.List[1].Topic), "Übersicht");  // windows-1252 sitemap read with the help file's code page
}

TEST(Decompile, ScratchCopyWithAnotherNameFindsTheSitemapBySearch) {
  ScratchDir copies;
  const fs::path copy = copies.path() / "~wi1234.tmp";
  fs::copy_file(kFixtures / "nested-contents.chm", copy);
  Loaded loaded(copy);
  EXPECT_EQ(loaded.help.hhcFile, loaded.help.rootFolder + u"nested-contents.hhc");
  EXPECT_EQ(loaded.help.List.Count(), 13);
}

TEST(Decompile, JapaneseSitemapIsReadWithShiftJis) {
  Loaded loaded(kFixtures / "japanese-shift-jis.chm");
  ASSERT_EQ(loaded.help.List.Count(), 3);
  EXPECT_EQ(U8(loaded.help.List[0].Topic), "はじめに");
  EXPECT_EQ(U8(loaded.help.List[1].Topic), "操作方法");
  EXPECT_EQ(loaded.help.List[1].Level, 1);
  EXPECT_EQ(loaded.help.List[2].Status, kStatusHeading);
}

TEST(Decompile, NotAHelpFileEndsWithAMessageNamingIt) {
  const fs::path chm = kFixtures / "not-a-help-file.chm";
  try {
    Loaded loaded(chm);
    FAIL() << "no error";
  } catch (const NotAHelpFileError& e) {
    EXPECT_EQ(std::string(e.what()), chm.string() + " is not a compiled HTML Help file");
  }
}

TEST(Decompile, TruncatedFileLoadsWhatItCanAndSaysSo) {
  Loaded loaded(kFixtures / "truncated-content.chm");
  const auto warnings = loaded.user.warnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(U8(warnings[0].text).find("the help file is truncated"), std::string::npos) << U8(warnings[0].text);
  EXPECT_TRUE(fs::exists(loaded.scratch.path() / "root" / "pages" / "page000.htm"));
}

TEST(Decompile, RootFolderThatCannotBeCreatedIsReportedAndLeavesTheListEmpty) {
  RecordingInteraction user;
  ScopedUserInteraction scope(user);
  ScratchDir scratch;
  scratch.Write("blocker", "a file where a folder should go");
  TCHMDecompile help;
  help.LoadFromCHM(U16((kFixtures / "nested-contents.chm").string()));
  help.rootFolder = U16(scratch.folder() + "blocker/root/");
  help.decompile();
  EXPECT_EQ(help.List.Count(), 0);
  EXPECT_TRUE(help.hhcFile.empty());
  const auto messages = user.messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, u"Cannot create " + help.rootFolder);
}

TEST(Decompile, EveryCorpusFileExtractsAndLoadsItsContents) {
  const fs::path corpus = CorpusDir();
  if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus";
  int files = 0;
  for (const auto& item : fs::directory_iterator(corpus)) {
    if (item.path().extension() != ".chm") continue;
    ++files;
    SCOPED_TRACE(item.path().string());
    Loaded loaded(item.path());
    EXPECT_GT(loaded.help.List.Count(), 0);
    // The record is found by its compiler tag "HHA"; other compilers (htm2chm) write none.
    const bool tagged = ReadBinaryFile(item.path()).find("HHA Version") != std::string::npos;
    EXPECT_EQ(loaded.help.LangID.empty(), !tagged);
    // A help file that names no code page is told which one its text showed; nothing else is said.
    EXPECT_EQ(loaded.user.warnings().size(), loaded.help.rCodePage == 0 ? 1u : 0u);
  }
  EXPECT_GE(files, 10);
}

TEST(FindFileByExtension, FirstInNameOrderWithSubFoldersSearchedWhenMet) {
  ScratchDir scratch;
  scratch.Write("b.hhc", "");
  scratch.Write("A/z.HHC", "");
  scratch.Write("c/a.hhc", "");
  EXPECT_EQ(FindFileByExtension(U16(scratch.folder()), u".hhc"), U16(scratch.folder() + "A/z.HHC"));
  EXPECT_EQ(FindFileByExtension(U16(scratch.folder()), u".hhk"), u"");
}

}  // namespace
}  // namespace tomeshift
