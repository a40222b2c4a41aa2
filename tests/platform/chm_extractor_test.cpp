#include "platform/chm_extractor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "support/scratch_dir.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::ReadBinaryFile;
using testing::ScratchDir;

const fs::path kFixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter";

// Relative path -> content of every file below a folder.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    if (it->is_regular_file()) files[fs::relative(it->path(), root).string()] = ReadBinaryFile(it->path());
  }
  return files;
}

// The corpus sits beside the main checkout; a worktree finds it two levels up.
fs::path CorpusDir() {
  for (const fs::path& p : {fs::path(TOMESHIFT_CORPUS_DIR), fs::path(TOMESHIFT_SOURCE_DIR) / "../../shared/corpus"}) {
    if (fs::exists(p)) return p;
  }
  return TOMESHIFT_CORPUS_DIR;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

class ExtractorMatchesChmls : public ::testing::TestWithParam<const char*> {};

TEST_P(ExtractorMatchesChmls, EveryOrdinaryFileIsByteIdentical) {
  if (std::system("command -v chmls >/dev/null 2>&1") != 0) GTEST_SKIP() << "chmls (fp-utils) is not installed";
  const fs::path chm = kFixtures / GetParam();
  ScratchDir scratch;
  const fs::path ours = scratch.path() / "ours";
  const fs::path theirs = scratch.path() / "theirs";
  fs::create_directories(ours);
  fs::create_directories(theirs);

  const ChmExtractReport report = ChmExtractor().ExtractFile(chm.string(), ours.string());
  EXPECT_TRUE(report.problems.empty()) << report.problems.front();
  EXPECT_FALSE(report.truncated);

  const std::string command = "chmls extractall " + Quote(chm) + " " + Quote(theirs) + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::map<std::string, std::string> expected = Tree(theirs);
  // chmls also writes the compiler's own records (#SYSTEM, $OBJINST ...), which are not pages.
  std::erase_if(expected, [](const auto& kv) { return kv.first[0] == '#' || kv.first[0] == '$'; });
  const std::map<std::string, std::string> actual = Tree(ours);

  EXPECT_EQ(report.files_written, expected.size());
  EXPECT_EQ(report.entries, report.files_written);
  ASSERT_EQ(actual.size(), expected.size());
  for (const auto& [name, bytes] : expected) {
    auto it = actual.find(name);
    ASSERT_NE(it, actual.end()) << name << " missing";
    EXPECT_TRUE(it->second == bytes) << name << " differs";
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ExtractorMatchesChmls,
                         ::testing::Values("nested-contents.chm", "linked-target.chm", "japanese-shift-jis.chm",
                                           "sitemap-in-subfolder.chm", "stray-hha-before-system.chm", "many-pages.chm",
                                           "many-directory-chunks.chm"));

TEST(ChmExtractor, EveryCorpusFileExtractsWithoutProblems) {
  const fs::path corpus = CorpusDir();
  if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  int seen = 0;
  for (const auto& item : fs::directory_iterator(corpus)) {
    if (item.path().extension() != ".chm") continue;
    ++seen;
    ScratchDir scratch;
    const ChmExtractReport report = ChmExtractor().ExtractFile(item.path().string(), scratch.path().string());
    EXPECT_GT(report.files_written, 0u) << item.path();
    EXPECT_EQ(report.files_written, report.entries) << item.path();
    EXPECT_TRUE(report.problems.empty()) << item.path() << ": " << report.problems.front();
  }
  EXPECT_GT(seen, 0);
}

// Hostile input: whatever happens, nothing may appear outside the target folder, and the outcome
// is the documented one.
struct HostileCase {
  const char* file;
  const char* error;  // start of the exception message behind the file name, or null
  bool truncated;
  bool damaged;
  int min_problems;
  std::size_t min_files;
};

class HostileFixture : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileFixture, StaysInsideTheTargetAndEndsAsDocumented) {
  const HostileCase& c = GetParam();
  const fs::path chm = kFixtures / c.file;
  ScratchDir scratch;
  const fs::path root = scratch.path() / "a" / "root";
  fs::create_directories(root);
  const bool tmp_had_escapee = fs::exists("/tmp/escaped-second.htm");

  if (c.error) {
    try {
      ChmExtractor().ExtractFile(chm.string(), root.string());
      FAIL() << "no error for " << c.file;
    } catch (const NotAHelpFileError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(chm.string() + " " + c.error, 0), 0u) << e.what();
    }
    EXPECT_TRUE(fs::is_empty(root));
  } else {
    const ChmExtractReport report = ChmExtractor().ExtractFile(chm.string(), root.string());
    EXPECT_EQ(report.truncated, c.truncated);
    EXPECT_EQ(report.damaged_directory, c.damaged);
    EXPECT_GE(static_cast<int>(report.problems.size()), c.min_problems);
    EXPECT_GE(report.files_written, c.min_files);
    EXPECT_LT(report.files_written, report.entries);
  }
  // The only thing in the scratch folder is the target's own parent chain.
  std::size_t outside = 0;
  for (const auto& item : fs::recursive_directory_iterator(scratch.path())) {
    const fs::path rel = fs::relative(item.path(), root);
    if (rel.string().rfind("..", 0) == 0 && item.path() != root.parent_path()) ++outside;
  }
  EXPECT_EQ(outside, 0u);
  EXPECT_EQ(fs::exists("/tmp/escaped-second.htm"), tmp_had_escapee);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, HostileFixture,
    ::testing::Values(HostileCase{"not-a-help-file.chm", "is not a compiled HTML Help file", false, false, 0, 0},
                      HostileCase{"truncated-directory.chm", "is not a compiled HTML Help file:", false, false, 0, 0},
                      HostileCase{"bad-directory-lengths.chm", nullptr, false, true, 1, 1},
                      HostileCase{"truncated-content.chm", nullptr, true, false, 1, 20},
                      HostileCase{"entry-length-beyond-file.chm", nullptr, false, false, 1, 19},
                      HostileCase{"dotdot-entry.chm", nullptr, false, false, 5, 15}),
    [](const auto& info) {
      std::string name = info.param.file;
      name = name.substr(0, name.find('.'));
      std::erase(name, '-');
      return name;
    });

TEST(ChmExtractor, DotDotEntriesAreNamedInTheProblems) {
  ScratchDir scratch;
  const ChmExtractReport report =
      ChmExtractor().ExtractFile((kFixtures / "dotdot-entry.chm").string(), scratch.path().string());
  std::string all;
  for (const std::string& p : report.problems) all += p + "\n";
  for (const char* name : {"/../escaped-appendix.htm", "/setup/../../escaped-first.htm", "//tmp/escaped-second.htm",
                           "/..\\escaped-tips.htm"}) {
    EXPECT_NE(all.find(std::string(name) + ": refused"), std::string::npos) << name << "\n" << all;
  }
  EXPECT_NE(all.find("/nul: refused, the name contains a NUL character"), std::string::npos) << all;
  EXPECT_FALSE(fs::exists(scratch.path() / "nul"));
  EXPECT_TRUE(fs::exists(scratch.path() / "intro.htm"));
}

TEST(ChmExtractor, HeaderGuidQuirkOfFreeCompilersIsAccepted) {
  std::string bytes = ReadBinaryFile(kFixtures / "nested-contents.chm");
  // chmcmd writes the first header GUID twice.
  ASSERT_EQ(bytes.substr(0x18, 16), bytes.substr(0x28, 16));
  ScratchDir quirky;
  const ChmExtractReport a = ChmExtractor().ExtractMemory(bytes, "quirky.chm", quirky.path().string());

  bytes[0x28] = 0x11;  // as Microsoft's compiler writes it
  ScratchDir proper;
  const ChmExtractReport b = ChmExtractor().ExtractMemory(bytes, "proper.chm", proper.path().string());
  EXPECT_EQ(a.files_written, b.files_written);
  EXPECT_GT(a.files_written, 15u);
  EXPECT_EQ(Tree(quirky.path()), Tree(proper.path()));

  bytes[0x18] = 0x12;  // any other GUID is still refused
  ScratchDir refused;
  EXPECT_THROW(ChmExtractor().ExtractMemory(bytes, "other.chm", refused.path().string()), NotAHelpFileError);
}

TEST(ChmExtractor, MisnumberedFirstDirectoryChunkLosesNoEntry) {
  const std::string bytes = ReadBinaryFile(kFixtures / "many-directory-chunks.chm");
  // The fixture really has the quirk: its directory header names chunk 1 as the first.
  const auto le32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8 |
                                      static_cast<unsigned char>(bytes[at + 2]) << 16 |
                                      static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24);
  };
  const std::size_t itsp = le32(0x48);
  ASSERT_EQ(bytes.substr(itsp, 4), "ITSP");
  ASSERT_EQ(le32(itsp + 0x20), 1u);
  ScratchDir scratch;
  const ChmExtractReport report = ChmExtractor().ExtractMemory(bytes, "chunks.chm", scratch.path().string());
  EXPECT_EQ(report.entries, 402u);  // 400 pages, the sitemap and chmcmd's read-me
  EXPECT_EQ(report.files_written, 402u);
  EXPECT_TRUE(fs::exists(scratch.path() / "entries" / "entry-000.htm"));
}

TEST(ChmExtractor, ReadingInMemoryGivesEveryNameAndTheChosenDataWithinItsBudget) {
  const std::string bytes = ReadBinaryFile(kFixtures / "nested-contents.chm");
  ScratchDir extracted;
  ChmExtractor().ExtractMemory(bytes, "nested.chm", extracted.path().string());
  const std::map<std::string, std::string> files = Tree(extracted.path());
  const auto pages = [](std::string_view name) { return name.ends_with(".htm"); };
  for (const std::uint64_t budget : {std::uint64_t{1} << 20, std::uint64_t{600}}) {
    SCOPED_TRACE(budget);
    std::uint64_t read = 0;
    std::size_t named = 0;
    for (const ChmExtractor::Entry& entry : ChmExtractor().ReadMemory(bytes, "nested.chm", pages, budget)) {
      if (entry.name.back() == '/') continue;
      ++named;
      const std::string& file = files.at(entry.name.substr(1));
      if (!pages(entry.name) || (budget < 1000 && read + file.size() > budget)) {
        EXPECT_TRUE(entry.data.empty()) << entry.name;
      } else {
        EXPECT_EQ(entry.data, file) << entry.name;
      }
      read += entry.data.size();
    }
    EXPECT_EQ(named, files.size());
    EXPECT_LE(read, budget);
  }
  EXPECT_THROW(ChmExtractor().ReadMemory("ITSF", "tiny.chm", pages, 100), NotAHelpFileError);
}

TEST(ChmExtractor, TinyInputsAreNotHelpFiles) {
  for (const std::string& bytes : {std::string(), std::string("I"), std::string("ITSF"), std::string(200, '\0')}) {
    ScratchDir scratch;
    try {
      ChmExtractor().ExtractMemory(bytes, "tiny.chm", scratch.path().string());
      ADD_FAILURE() << "accepted " << bytes.size() << " bytes";
    } catch (const NotAHelpFileError& e) {
      EXPECT_EQ(std::string(e.what()), "tiny.chm is not a compiled HTML Help file");
      EXPECT_EQ(e.path(), "tiny.chm");
    }
  }
}

TEST(ChmExtractor, SymbolicLinkInTheTargetIsNotFollowed) {
  ScratchDir scratch;
  const fs::path root = scratch.path() / "root";
  const fs::path elsewhere = scratch.path() / "elsewhere";
  fs::create_directories(root);
  fs::create_directories(elsewhere);
  fs::create_directory_symlink(elsewhere, root / "images");
  const ChmExtractReport report =
      ChmExtractor().ExtractFile((kFixtures / "nested-contents.chm").string(), root.string());
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_EQ(report.problems.size(), 2u);  // logo.gif and photo.png
  EXPECT_TRUE(fs::exists(root / "intro.htm"));
}

TEST(ChmExtractor, LimitsStopTheExtraction) {
  const std::string chm = (kFixtures / "nested-contents.chm").string();
  {
    ScratchDir scratch;
    ChmExtractLimits limits;
    limits.max_files = 3;
    const ChmExtractReport report = ChmExtractor(limits).ExtractFile(chm, scratch.path().string());
    EXPECT_EQ(report.files_written, 3u);
    ASSERT_FALSE(report.problems.empty());
    EXPECT_EQ(report.problems.back(), "stopped after 3 files");
    EXPECT_EQ(Tree(scratch.path()).size(), 3u);
  }
  {
    ScratchDir scratch;
    ChmExtractLimits limits;
    limits.max_total_bytes = 5000;
    const ChmExtractReport report = ChmExtractor(limits).ExtractFile(chm, scratch.path().string());
    EXPECT_LE(report.bytes_written, 5000u);
    EXPECT_GT(report.files_written, 0u);
    EXPECT_LT(report.files_written, report.entries);
    ASSERT_FALSE(report.problems.empty());
    EXPECT_NE(report.problems.back().find("exceed"), std::string::npos) << report.problems.back();
    std::uint64_t on_disk = 0;
    for (const auto& [name, bytes] : Tree(scratch.path())) on_disk += bytes.size();
    EXPECT_EQ(on_disk, report.bytes_written);
  }
}

TEST(ChmExtractor, EntryNameRules) {
  struct Case {
    const char* name;
    bool ordinary;
    bool safe;
  };
  const Case cases[] = {
      {"/a.htm", true, true},     {"/sub/dir/a.htm", true, true},
      {"/images/", true, true},   {"/#SYSTEM", false, true},
      {"/$OBJINST", false, true}, {"::DataSpace/NameList", false, false},
      {"/../a.htm", true, false}, {"/a/../../b", true, false},
      {"/a/..", true, false},     {"//etc/passwd", true, false},
      {"/a//b.htm", true, false}, {"/a\\b.htm", true, false},
      {"/./a.htm", true, false},  {"/", false, false},
      {"/..htm", true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChmExtractor::IsOrdinaryEntryName(c.name), c.ordinary) << c.name;
    EXPECT_EQ(ChmExtractor::IsSafeEntryName(c.name), c.safe) << c.name;
  }
  EXPECT_FALSE(ChmExtractor::IsSafeEntryName(std::string_view("/a\0b.htm", 8)));
}

}  // namespace
}  // namespace tomeshift

namespace tomeshift {
namespace {

// Damaged copies of a real help file, made by flipping bytes in its header, directory and data:
// every one either is refused as a whole or extracts, and none writes outside its folder.
TEST(ChmExtractor, RandomDamageNeverEscapesOrCrashes) {
  const std::string original = ReadBinaryFile(kFixtures / "nested-contents.chm");
  std::uint32_t seed = 20261208;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  ScratchDir scratch;
  int refused = 0;
  for (int round = 0; round < 150; ++round) {
    std::string bytes = original;
    const int flips = 1 + static_cast<int>(next() % 8);
    for (int i = 0; i < flips; ++i) {
      // Mostly the first 0x2000 bytes: headers, directory chunk and the uncompressed records.
      const std::size_t at = (next() % 4 == 0) ? next() % bytes.size() : next() % 0x2000;
      bytes[at] = static_cast<char>(next() & 0xFF);
    }
    if (round % 10 == 0) bytes.resize(next() % bytes.size());
    const fs::path root = scratch.path() / std::to_string(round) / "root";
    fs::create_directories(root);
    ChmExtractLimits limits;
    limits.max_files = 100;
    try {
      const ChmExtractReport report = ChmExtractor(limits).ExtractMemory(bytes, "damaged.chm", root.string());
      EXPECT_LE(report.files_written, 100u);
    } catch (const NotAHelpFileError&) {
      ++refused;
    }
    for (const auto& item : fs::directory_iterator(root.parent_path())) {
      EXPECT_EQ(item.path(), root) << "round " << round;
    }
    fs::remove_all(root.parent_path());
  }
  EXPECT_GT(refused, 0);
  EXPECT_LT(refused, 150);
}

}  // namespace
}  // namespace tomeshift
