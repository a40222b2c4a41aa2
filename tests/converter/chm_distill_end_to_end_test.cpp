// The distiller on real help files: the fixtures compiled with chmcmd, through the command line, and
// every help file of the shared corpus in-process.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "converter/chm_distill.h"
#include "platform/temp_files.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter" / "distill";

struct CliRun {
  int status = -1;
  std::string out;
};

CliRun RunCli(const std::string& arguments) {
  CliRun run;
  const std::string command = std::string(TOMESHIFT_CLI_PATH) + " " + arguments + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

TEST(DistillEndToEnd, DistilledContentsAndPagesMatchTheReviewedOnes) {
  testing::ScratchDir keep;
  const CliRun run = RunCli("--list-toc --distilled --hint --keep-scratch " + Quoted(keep.path() / "pages") + " " +
                            Quoted(kFixtures / "links-and-anchors.chm"));
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.out, testing::ReadBinaryFile(kFixtures / "expected" / "links-and-anchors.toc.txt"));
  for (const char* page : {"index.htm", "guide_0.htm", "guide_1.htm", "style.css", "sub/deep.htm"}) {
    EXPECT_EQ(testing::ReadBinaryFile(keep.path() / "pages" / page),
              testing::ReadBinaryFile(kFixtures / "expected" / page))
        << page;
  }
  // The companion help file was extracted beside the pages; the missing one left nothing.
  EXPECT_TRUE(fs::exists(keep.path() / "pages" / "other-help.chm" / "other.htm"));
  EXPECT_FALSE(fs::exists(keep.path() / "pages" / "missing-help.chm"));
}

TEST(DistillEndToEnd, AddendaOptions) {
  const std::string chm = Quoted(kFixtures / "links-and-anchors.chm");
  const CliRun discard = RunCli("--list-toc --distilled --discard " + chm);
  ASSERT_EQ(discard.status, 0);
  EXPECT_EQ(discard.out.find("Addenda"), std::string::npos);
  EXPECT_EQ(discard.out.find("extra.htm"), std::string::npos);
  const CliRun renamed = RunCli("--list-toc --distilled --addenda Appendix " + chm);
  ASSERT_EQ(renamed.status, 0);
  EXPECT_NE(renamed.out.find("0\t2\t5.\tBookmark12\t\tAppendix\n"), std::string::npos) << renamed.out;
  EXPECT_EQ(RunCli("--list-toc --distilled --addenda").status, 2);
}

TEST(DistillEndToEnd, EveryCorpusHelpFileDistills) {
  fs::path corpus(TOMESHIFT_CORPUS_DIR);
  // Worktrees sit one level deeper than the main checkout.
  if (!fs::is_directory(corpus)) corpus = fs::path(TOMESHIFT_SOURCE_DIR) / ".." / ".." / "shared" / "corpus";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  int count = 0;
  for (const auto& file : fs::directory_iterator(corpus)) {
    if (file.path().extension() != ".chm") continue;
    ++count;
    SCOPED_TRACE(file.path().string());
    testing::ScratchDir scratch;
    TCHMDistill distill;
    distill.LoadFromCHM(U16(file.path().string()));
    distill.rootFolder = U16(scratch.folder() + "root/");
    distill.AddHint = true;
    ASSERT_NO_THROW({
      distill.decompile();
      distill.Execute();
    });
    int pages = 0;
    for (const auto& entry : distill.List) {
      EXPECT_FALSE(entry->Bookmark.empty());
      EXPECT_FALSE(entry->ChapterNumber.empty());
      if (entry->Status == 0) ++pages;
    }
    EXPECT_GT(pages, 0);
    EXPECT_EQ(distill.TopicList.Count(), distill.Files.Count() + distill.NonTocicFiles.Count());
  }
  EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace tomeshift
