// tomeshift-cli as a user runs it: output, exit status, and what it leaves behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/scratch_dir.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::ReadBinaryFile;
using testing::ScratchDir;

const fs::path kFixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter";

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program with its temporary folder in tmp, so that scratch folders can be checked.
CliRun Cli(const std::string& args, const fs::path& tmp) {
  const fs::path err_file = tmp.parent_path() / "stderr.txt";
  const std::string command = "TMPDIR='" + tmp.string() + "' '" + std::string(TOMESHIFT_CLI_PATH) + "' " + args +
                              " 2>'" + err_file.string() + "'";
  CliRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = ReadBinaryFile(err_file);
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct CliFixture : ::testing::Test {
  ScratchDir scratch;
  fs::path tmp = scratch.path() / "tmp";
  void SetUp() override { fs::create_directories(tmp); }
  CliRun Call(const std::string& args) { return Cli(args, tmp); }
};

TEST_F(CliFixture, InfoPrintsTheFourFields) {
  const CliRun run = Call("--info '" + (fs::path(TOMESHIFT_SOURCE_DIR) / "docs/help/tomeshift.chm").string() + "'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Title: Tomeshift User Manual\nDefault topic: index.htm\nLanguage: 0x0409\nCode page: 1252\n");
}

TEST_F(CliFixture, InfoOfAJapaneseHelpFilePrintsUtf8AndMarksADetectedCodePage) {
  const struct {
    const char* file;
    const char* title;
    const char* code_page;
  } cases[] = {{"japanese-shift-jis.chm", "Title: 日本語のヘルプ", "Code page: 932"},
               {"japanese-no-language.chm", "Title: 言語のないヘルプ", "Code page: 932 (detected)"}};
  for (const auto& c : cases) {
    const CliRun run = Call("--info '" + (kFixtures / c.file).string() + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.out).at(0), c.title);
    EXPECT_EQ(Lines(run.out).at(3), c.code_page);
  }
}

TEST_F(CliFixture, ListTocPrintsTabSeparatedEntriesAndRemovesItsScratchFolder) {
  const CliRun run = Call("--list-toc '" + (kFixtures / "nested-contents.chm").string() + "'");
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[0], "0\t0\tintro.htm\tIntroduction");
  EXPECT_EQ(lines[1], "0\t2\t\tGetting Started");
  EXPECT_EQ(lines[6], "3\t0\tsetup/deep/level4.htm#bottom\tFourth Level");
  EXPECT_TRUE(fs::is_empty(tmp)) << "scratch folder left in " << tmp;
}

TEST_F(CliFixture, ListTocOfTheManualListsItsChapters) {
  const CliRun run = Call("--list-toc '" + (fs::path(TOMESHIFT_SOURCE_DIR) / "docs/help/tomeshift.chm").string() + "'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_GE(Lines(run.out).size(), 10u);
  EXPECT_NE(run.out.find("0\t0\tcommand-line.htm\tThe Command Line\n"), std::string::npos) << run.out;
}

struct Failure {
  const char* args;
  int status;
  const char* message;  // expected in stderr
};

class CliFailure : public CliFixture, public ::testing::WithParamInterface<Failure> {};

TEST_P(CliFailure, ExitsWithItsStatusAndMessage) {
  std::string args = GetParam().args;
  const std::string marker = "FIXTURES/";
  if (const auto at = args.find(marker); at != std::string::npos)
    args.replace(at, marker.size(), kFixtures.string() + "/");
  const CliRun run = Call(args);
  EXPECT_EQ(run.status, GetParam().status);
  EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
  EXPECT_TRUE(run.out.empty()) << run.out;
  EXPECT_TRUE(fs::is_empty(tmp));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliFailure,
    ::testing::Values(Failure{"", 2, "Usage: tomeshift-cli"}, Failure{"--info", 2, "missing FILE.chm"},
                      Failure{"--list-toc a.chm b.chm", 2, "too many arguments"},
                      Failure{"--bogus x.chm", 2, "unknown option --bogus"},
                      Failure{"--paper folio x.chm", 2, "--paper takes letter, tabloid"},
                      Failure{"--paper 5x300 x.chm", 2, "--paper width needs a whole number from 50 to 558"},
                      Failure{"--info --list-toc x.chm", 2, "--info and --list-toc cannot be used together"},
                      Failure{"--list-toc --title T x.chm", 2, "--title does not go with --list-toc"},
                      Failure{"--hint --info x.chm", 2, "--hint does not go with --info"},
                      Failure{"--distilled x.chm", 2, "--distilled goes with --list-toc"},
                      Failure{"--factory --margins 100,10,110,110 FIXTURES/nested-contents.chm -o x.docx", 2,
                              "(110 and 110 mm) leave no room for text on a page 210 mm wide"},
                      Failure{"--margins 10,10,10 x.chm", 2, "--margins takes TOP,BOTTOM,LEFT,RIGHT"},
                      Failure{"--margins 10,10,ten,10 x.chm", 2, "--margins needs a whole number"},
                      Failure{"--toc-level 0 x.chm", 2, "--toc-level needs a whole number from 1 to 9"},
                      Failure{"--start-new-page sometimes x.chm", 2, "continuous, first-level or each"},
                      Failure{"--heading-font 10=Arial,12,0,[] x.chm", 2, "--heading-font level needs"},
                      Failure{"--heading-font 1=Arial x.chm", 2, "is not a font such as"},
                      Failure{"--heading-font 1=Arial,99999999,0,[] x.chm", 2, "size 99999999 is out of range"},
                      Failure{"--language Klingon x.chm", 2, "unknown language \"Klingon\""},
                      Failure{"--cover=yes x.chm", 2, "--cover takes no value"},
                      Failure{"--title", 2, "--title needs a value"}, Failure{"--quiet", 2, "missing INPUT.chm"},
                      Failure{"a.chm b.chm", 2, "more than one input file"},
                      Failure{"/nonexistent/x.chm -o out.docx", 1, "/nonexistent/x.chm: cannot open the help file"},
                      Failure{"--info /nonexistent/x.chm", 1, "/nonexistent/x.chm: cannot open the help file"},
                      Failure{"--info FIXTURES/not-a-help-file.chm", 1,
                              "not-a-help-file.chm is not a compiled HTML Help file"},
                      Failure{"--list-toc FIXTURES/truncated-directory.chm", 1, "is not a compiled HTML Help file"}));

TEST_F(CliFixture, OptionsComeInAnyOrder) {
  const std::string chm = (kFixtures / "nested-contents.chm").string();
  const CliRun first = Call("--list-toc '" + chm + "'");
  for (const std::string& args : {"--factory --list-toc '" + chm + "'", "'" + chm + "' --list-toc --quiet"}) {
    const CliRun run = Call(args);
    EXPECT_EQ(run.status, 0) << args << "\n" << run.err;
    EXPECT_EQ(run.out, first.out) << args;
  }
  EXPECT_EQ(Call("--info --help").status, 0);
}

TEST_F(CliFixture, ControlCharactersInNamesAreShownEscaped) {
  const CliRun run = Call("--list-toc '" + (kFixtures / "../hostile/odd-contents.chm").string() + "'");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "0\t0\tpage0.htm\tRetitle \\x1B]0;pwned\\x07 here");
  EXPECT_EQ(lines[1], "0\t0\tpage1.htm\tClear \\x1B[2J\\x1B[H screen");
  EXPECT_EQ(lines[3], "0\t0\tpage3.htm\tTab\\there");
  EXPECT_NE(run.err.find("odd-contents.chm: the contents entry \"Icons\" has the ImageNumber \"abc\""),
            std::string::npos)
      << run.err;
}

TEST_F(CliFixture, HelpDocumentsEveryOption) {
  const CliRun run = Call("--help");
  EXPECT_EQ(run.status, 0);
  for (const char* option :
       {"--output",          "--factory",   "--title",       "--language",       "--paper",     "--margins",
        "--no-cover",        "--no-header", "--no-footer",   "--no-toc",         "--toc-level", "--toc-caption",
        "--no-title-number", "--no-hint",   "--hint-format", "--start-new-page", "--discard",   "--addenda",
        "--heading-font",    "--open",      "--quiet",       "--info",           "--list-toc",  "--no-exact-pages"})
    EXPECT_NE(run.out.find(option), std::string::npos) << option;
  EXPECT_NE(run.out.find("4 the output file was in use"), std::string::npos);
}

TEST_F(CliFixture, TruncatedHelpFileWarnsAndStillSucceeds) {
  const CliRun run = Call("--list-toc '" + (kFixtures / "truncated-content.chm").string() + "'");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("the help file is truncated"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_empty(tmp));
}

TEST_F(CliFixture, HostileEntriesAreRefusedAndNothingLandsOutside) {
  const CliRun run = Call("--list-toc '" + (kFixtures / "dotdot-entry.chm").string() + "'");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("/../escaped-appendix.htm: refused"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_empty(tmp));
  EXPECT_FALSE(fs::exists(scratch.path() / "escaped-appendix.htm"));
}

}  // namespace
}  // namespace tomeshift
