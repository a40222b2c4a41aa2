// tomeshift-cli converting: the document it writes, the settings it starts from and its exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "job/stored_settings.h"
#include "platform/settings_store.h"
#include "support/docx_reader.h"
#include "support/scratch_dir.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::DocxReader;
using testing::ReadBinaryFile;
using testing::ScratchDir;

struct CliResult {
  int status = -1;
  std::string out, err;
};

// The program with its temporary folder and settings home inside the test's scratch folder; env goes
// before it on the shell's command line ("env -u NAME", "NAME=value").
CliResult Cli(const ScratchDir& scratch, const std::string& args, const std::string& env = "") {
  const fs::path tmp = scratch.path() / "tmp";
  fs::create_directories(tmp);
  const fs::path err = scratch.path() / "stderr.txt";
  const std::string command = env + " TMPDIR='" + tmp.string() + "' XDG_CONFIG_HOME='" +
                              (scratch.path() / "config").string() + "' '" + std::string(TOMESHIFT_CLI_PATH) + "' " +
                              args + " 2>'" + err.string() + "' </dev/null";
  CliResult r;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
  const int raw = ::pclose(pipe);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.err = ReadBinaryFile(err);
  return r;
}

const std::string kManual = (fs::path(TOMESHIFT_SOURCE_DIR) / "docs/help/tomeshift.chm").string();
const std::string kNested = (fs::path(TOMESHIFT_FIXTURES_DIR) / "converter/nested-contents.chm").string();

TEST(CliConvert, WritesTheDocxBesideOrWhereToldAndPrintsItsPath) {
  ScratchDir scratch;
  const fs::path out = scratch.path() / "made" / "manual.docx";
  const CliResult r = Cli(scratch, "--factory '" + kManual + "' -o '" + out.string() + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, out.string() + "\n");
  EXPECT_NE(r.err.find("[100%] OK!"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Processing (1 of "), std::string::npos);
  EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp")) << "scratch files left";
  DocxReader docx(out);
  EXPECT_FALSE(docx.Headings().empty());
}

TEST(CliConvert, OptionsReachTheDocument) {
  ScratchDir scratch;
  const fs::path out = scratch.path() / "nested.docx";
  const CliResult r = Cli(scratch,
                          "--factory --quiet --no-cover --no-header --paper 200x250 --margins 20,22,24,26 "
                          "--no-title-number --start-new-page each --toc-caption Inhalt '" +
                              kNested + "' -o '" + out.string() + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
  DocxReader docx(out);
  const auto sections = docx.Sections();
  ASSERT_GT(sections.size(), 3u);
  EXPECT_EQ(sections[0].width, 570 * 20);
  EXPECT_EQ(sections[0].height, 712 * 20);
  EXPECT_EQ(sections[0].left, 68 * 20);
  EXPECT_FALSE(sections[0].has_header);
  EXPECT_TRUE(sections[0].has_footer);
  EXPECT_EQ(docx.Headings().front().text, "Introduction");
  EXPECT_NE(docx.Part("word/document.xml").find("Inhalt"), std::string::npos);
}

TEST(CliConvert, OutputInUseIsGivenUpWithoutATerminal) {
  ScratchDir scratch;
  const fs::path out = scratch.path() / "busy.docx";
  scratch.Write(".~lock.busy.docx#", "someone");
  const CliResult r = Cli(scratch, "--factory '" + kNested + "' -o '" + out.string() + "'");
  EXPECT_EQ(r.status, 4) << r.err;
  EXPECT_NE(r.err.find("access denied! It probably has been opened."), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp"));
}

// A help file that names no code page is read in the one its text shows, and says so; a language
// the user chooses wins, and the contents still finds the pages its bytes name.
TEST(CliConvert, AChosenLanguageWinsOverTheCodePageTheTextShows) {
  const std::string chm = (fs::path(TOMESHIFT_FIXTURES_DIR) / "converter/russian-no-language.chm").string();
  const struct {
    const char* options;
    const char* text;
    bool warned;
  } cases[] = {{"", "Выберите принтер и число копий.", true},
               {"--language English ", "Âûáåðèòå ïðèíòåð è ÷èñëî êîïèé.", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    ScratchDir scratch;
    const fs::path out = scratch.path() / "russian.docx";
    const CliResult r =
        Cli(scratch, "--factory --quiet " + std::string(c.options) + "'" + chm + "' -o '" + out.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("names no code page (its language 0x0000 is not in the language table), so it is read in "
                         "code page 1251") != std::string::npos,
              c.warned)
        << r.err;
    EXPECT_NE(DocxReader(out).Xml("word/document.xml").AllText().find(c.text), std::string::npos);
  }
}

TEST(CliConvert, PrintsThePathItWroteAndRefusesAFolder) {
  struct Case {
    const char* output;   // under the scratch folder
    const char* written;  // "" when refused
  } cases[] = {{"x.rtf", "x.doc"},       {"y.docm", "y.doc"}, {"z.", "z.doc"},
               {"Big.DOCX", "Big.DOCX"}, {"out/", ""},        {"folder", ""}};
  ScratchDir scratch;
  fs::create_directories(scratch.path() / "out");
  fs::create_directories(scratch.path() / "folder");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    const std::string asked = (scratch.path() / c.output).string();
    const CliResult r = Cli(scratch, "--factory --quiet '" + kNested + "' -o '" + asked + "'");
    if (*c.written) {
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_EQ(r.out, (scratch.path() / c.written).string() + "\n");
      EXPECT_TRUE(fs::exists(scratch.path() / c.written));
    } else {
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.err.find("is a folder: name the document to write in it"), std::string::npos) << r.err;
      EXPECT_TRUE(r.out.empty());
    }
  }
  EXPECT_FALSE(fs::exists(scratch.path() / "x.rtf"));
  EXPECT_TRUE(fs::is_empty(scratch.path() / "out")) << "a hidden .doc in the folder";
}

TEST(CliConvert, LibreOfficeNumbersThePagesAndMakesThePdf) {
  const bool office = std::system("command -v soffice >/dev/null 2>&1") == 0;
  const std::string hidden = "env -u TOMESHIFT_SOFFICE PATH=/nonexistent";
  struct Case {
    std::string env;
    const char* output;
    int status;
    const char* said;  // on stderr
  } cases[] = {
      {hidden, "estimated.docx", 0, "estimates: LibreOffice, which would number the pages exactly, is not installed"},
      {hidden, "refused.pdf", 1, "not installed. Install it (apt-get install libreoffice-writer-nogui)"},
      {"TOMESHIFT_SOFFICE=soffice", "laid.docx", 0, "Numbering the pages in LibreOffice..."},
      {"TOMESHIFT_SOFFICE=soffice", "manual.PDF", 0, "Making the PDF in LibreOffice..."},
  };
  ScratchDir scratch;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    if (c.env != hidden && !office) continue;
    const fs::path out = scratch.path() / c.output;
    const CliResult r = Cli(scratch, "--factory '" + kNested + "' -o '" + out.string() + "'", c.env);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_EQ(fs::exists(out), c.status == 0);
    EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp")) << "scratch files left";
    if (c.status != 0) continue;
    if (out.extension() == ".PDF") {
      const std::string pdf = ReadBinaryFile(out);
      EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
      EXPECT_NE(pdf.find("/Outlines"), std::string::npos);
      EXPECT_NE(pdf.find("/Subtype/Link"), std::string::npos);
    } else {
      // The office's document replaced the estimate, or the estimate stayed.
      const bool laid = DocxReader(out).Part("docProps/app.xml").find("LibreOffice") != std::string::npos;
      EXPECT_EQ(laid, c.env != hidden);
    }
  }
  if (!office) GTEST_SKIP() << "no LibreOffice: only the runs without it";
}

TEST(CliConvert, StoredValuesOutOfRangeFallBackWithAWarningNamingTheFile) {
  ScratchDir scratch;
  const fs::path reg = scratch.path() / "config" / "Quorvel" / "Tomeshift.reg";
  {
    RegistryFileStore store(reg.string(), kSettingsKey);
    TStoredSettings(store).WriteDefaultSettings();
    store.WriteInteger(u"Top", -100);
    store.WriteInteger(u"PaperSize", 6);
    store.WriteInteger(u"Width", 2147483647);
    store.WriteInteger(u"Height", 250);
    store.WriteString(u"Heading2", u"Calibri,99999999,0,[]");
  }
  const fs::path out = scratch.path() / "nested.docx";
  const CliResult r = Cli(scratch, "--quiet '" + kNested + "' -o '" + out.string() + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  for (const std::string note : {"\"Top\"=-100 is out of range (0 to 999); 25 is used",
                                 "\"Width\"=2147483647 is out of range (50 to 558); 220 is used",
                                 "\"Heading2\"=\"Calibri,99999999,0,[]\" is out of range"})
    EXPECT_NE(r.err.find("warning: " + reg.string() + ": " + note), std::string::npos) << r.err;
  DocxReader docx(out);
  EXPECT_EQ(docx.Sections().front().width, 627 * 20);  // 220 mm
}

}  // namespace
}  // namespace tomeshift
