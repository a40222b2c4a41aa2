// Pages that declare no charset are read in the help file's own code page (the one its language
// gives, the one the user chose, or, when it names none, the one its text shows), not in this
// machine's ANSI code page; pages that declare one or carry a byte order mark keep theirs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "converter/chm_to_doc.h"
#include "platform/temp_files.h"
#include "support/docx_reader.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

namespace fs = std::filesystem;
using testing::DocxReader;
using testing::ScratchDir;

// The body text of the converted document, or the reason there is none.
struct Result {
  std::uint32_t code_page = 0;  // what the help file's language gave
  std::string text;
  std::string error;
  bool failed = true;
};

Result Convert(const fs::path& chm, const fs::path& out, std::optional<std::uint32_t> chosen_code_page) {
  Result r;
  TChmToDocPDF c;
  c.pdf = U16(out.string());
  c.SetOnError([&](const std::u16string& e) { r.error = U8(e); });
  c.SetOnDenied([&](const std::u16string&) { c.Abort = true; });
  c.SetOnMsg([](const std::u16string&) {});
  c.LoadFromCHM(U16(chm.string()));
  r.code_page = c.CodePage;
  if (chosen_code_page) c.CodePage = *chosen_code_page;  // as the language list or --language does
  c.Title = c.Title.empty() ? u"Untitled" : c.Title;
  c.rootFolder = NewTempFolderName();
  c.UpdateSettings();
  c.decompile();
  c.Execute();
  c.OutputWord();
  r.failed = c.Failed;
  if (!r.failed) r.text = DocxReader(out).Xml("word/document.xml").AllText();
  return r;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(HelpFileCodePage, UndeclaredPagesAreReadInTheChosenCodePage) {
  struct Case {
    const char* what;
    std::optional<std::uint32_t> chosen;
    const char* undeclared;  // the body of the page without a charset, as it must come out
  };
  const Case cases[] = {
      {"the language's code page", std::nullopt, "Программа стоит 10 € «без скидки»."},
      {"a Russian language chosen", 1251, "Программа стоит 10 € «без скидки»."},
      // Choosing a Western language reads the same bytes as Western text: the choice is obeyed.
      {"a Western language chosen", 1252, "Ïðîãðàììà ñòîèò 10 ˆ «áåç ñêèäêè»."},
  };
  const fs::path chm = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter" / "russian-cp1251.chm";
  ScratchDir out;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = Convert(chm, out.path() / "russian.docx", c.chosen);
    EXPECT_EQ(r.code_page, 1251u);
    ASSERT_FALSE(r.failed) << r.error;
    EXPECT_TRUE(Contains(r.text, c.undeclared)) << r.text;
    // Declared charset and byte order mark decide whatever the help file's code page is.
    EXPECT_TRUE(Contains(r.text, "Откройте окно параметров.")) << r.text;
    EXPECT_TRUE(Contains(r.text, "Выберите принтер.")) << r.text;
  }
}

// The corpus sits beside the main checkout; a worktree finds it two levels up.
fs::path Corpus(const char* name) {
  const char* env = std::getenv("TOMESHIFT_CORPUS_DIR");
  for (const fs::path& dir :
       {fs::path(env && *env ? env : TOMESHIFT_CORPUS_DIR), fs::path(TOMESHIFT_SOURCE_DIR) / "../../shared/corpus"}) {
    if (fs::exists(dir / name)) return dir / name;
  }
  return fs::path(TOMESHIFT_CORPUS_DIR) / name;
}

TEST(HelpFileCodePage, HelpFilesThatNameNoCodePageAreReadInTheOneTheirTextShows) {
  struct Case {
    fs::path chm;
    std::uint32_t detected;
    std::vector<const char*> texts;  // titles and a sentence of every page
  };
  const fs::path fixtures = fs::path(TOMESHIFT_FIXTURES_DIR) / "converter";
  const Case cases[] = {
      // Raw cp1251 page names; names raw and written as Latin-1 references; pages without charset.
      {fixtures / "russian-no-language.chm",
       1251,
       {"Введение", "Работа с файлами", "Печать документов", "не называет своей кодовой страницы.",
        "Откройте файл и нажмите «Преобразовать».", "Выберите принтер и число копий."}},
      {fixtures / "japanese-no-language.chm",
       932,
       {"はじめに", "操作方法", "このヘルプは言語を名乗っていません。", "ファイルを開いて「変換」を押します。"}},
      // No system record at all; its compiler wrote the names as references and the pages' names raw.
      {Corpus("gh-taper-help.chm"),
       1251,
       {"1. Taper", "2. Работа с проектом", "3. Импорт из WAV", "4. Реставрация записей",
        "О главном: для чего нужна эта программа", "Элементы редактирования", "Поддерживаемые форматы",
        "Как работает распознавание"}},
  };
  ScratchDir out;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chm.string());
    if (!fs::exists(c.chm)) continue;  // a corpus file that is not there
    const Result r = Convert(c.chm, out.path() / "out.docx", std::nullopt);
    EXPECT_EQ(r.code_page, c.detected);
    ASSERT_FALSE(r.failed) << r.error;
    for (const char* text : c.texts) EXPECT_TRUE(Contains(r.text, text)) << text << "\n" << r.text.substr(0, 3000);
    EXPECT_FALSE(Contains(r.text, "&Dstrok;"));
  }
}

// A real Russian help file whose pages declare no charset.
TEST(HelpFileCodePage, RealRussianHelpFileReadsAsRussian) {
  const fs::path chm = Corpus("gh-blaze-help.chm");
  if (!fs::exists(chm)) GTEST_SKIP() << "no corpus file " << chm;
  ScratchDir out;
  const Result r = Convert(chm, out.path() / "blaze.docx", std::nullopt);
  EXPECT_EQ(r.code_page, 1251u);
  ASSERT_FALSE(r.failed) << r.error;
  EXPECT_TRUE(Contains(r.text, "Инструмент программирования")) << r.text.substr(0, 2000);
  EXPECT_FALSE(Contains(r.text, "î")) << "Russian read as Western text";
}

}  // namespace
}  // namespace tomeshift
