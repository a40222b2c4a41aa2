#include "platform/code_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <set>
#include <thread>
#include <vector>

#include "lang/language_tables.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

// A sample in the script of each code page that the charset table can name (UTF-8 source text).
const std::map<std::uint32_t, const char*>& Samples() {
  static const std::map<std::uint32_t, const char*> samples = {
      {708, "مرحبا بالعالم"},
      {720, "مرحبا بالعالم"},
      {852, "Příliš žluťoučký kůň"},
      {862, "שלום עולם"},
      {866, "Съешь же ещё этих булок"},
      {874, "สวัสดีชาวโลก"},
      {932, "日本語のテキスト、ｶﾀｶﾅ"},
      {936, "简体中文测试"},
      {949, "한국어 시험 문장"},
      {950, "繁體中文測試"},
      {1250, "Zażółć gęślą jaźń, Příliš"},
      {1251, "Съешь же ещё этих булок"},
      {1252, "Café déjà vu – €5 “quoted”"},
      {1253, "Καλημέρα κόσμε"},
      {1254, "Şişli ğüzel İstanbul ıı"},
      {1255, "שלום עולם"},
      {1256, "مرحبا بالعالم"},
      {1257, "Ąžuolas ėjo į ūkį"},
      {1258, "Tiê\xCC\x81ng Viê\xCC\xA3t Đươ\xCC\x80ng"},  // decomposed tone marks, as the code page stores them
      {20866, "Съешь же ещё этих булок"},
      {20932, "日本語のテキスト"},
      {21866, "Привіт, їжак і ґанок"},
      {28591, "Café naïve ©"},
      {28592, "Zażółć gęślą jaźń"},
      {28593, "Ħaġar Qim, Ġgantija, żebbuġ"},
      {28594, "Ģirts ķēķis ļoti ņem"},
      {28595, "Съешь же ещё этих булок"},
      {28596, "مرحبا بالعالم"},
      {28597, "Καλημέρα κόσμε"},
      {28598, "שלום עולם"},
      {38598, "שלום עולם"},
      {50000, "Café déjà vu"},
      {50001, "Mixed 日本語 Ελληνικά"},
      {50220, "日本語のテキスト"},
      {50221, "日本語のテキスト"},
      {50222, "日本語のテキスト"},
      {50225, "한국어 시험 문장"},
      {50932, "日本語のテキスト"},
      {50949, "한국어 시험 문장"},
      {51932, "日本語のテキスト"},
      {52936, "简体中文测试"},
      {65000, "Hello 世界 + ~ \\ mixed"},
      {65001, "Grüße 世界 😀"},
  };
  return samples;
}

TEST(CodePages, EveryCharsetTableCodePageRoundTripsItsScript) {
  std::set<std::uint32_t> code_pages;
  const TCharsetTable& table = CharsetTable();
  for (int i = 0; i < table.Count(); ++i) {
    const std::u16string& line = table.Line(i);
    code_pages.insert(*table.CodePageOf(line.substr(0, line.find(u'|'))));
  }
  for (std::uint32_t cp : code_pages) {
    SCOPED_TRACE("code page " + std::to_string(cp));
    const auto sample = Samples().find(cp);
    ASSERT_NE(sample, Samples().end()) << "no sample";
    const std::u16string text = U16(sample->second);
    bool lossless = false;
    const std::string bytes = TextToCodePage(text, cp, &lossless);
    EXPECT_TRUE(lossless);
    EXPECT_EQ(U8(CodePageToText(bytes, cp)), sample->second);
    // The script really went through the code page: 8-bit pages use high bytes, 7-bit ones escapes.
    bool marked = false;
    for (char c : bytes)
      marked = marked || static_cast<unsigned char>(c) >= 0x80 || c == '\x1B' || c == '~' || c == '+';
    EXPECT_TRUE(marked);
  }
}

TEST(CodePages, KnownBytes) {
  struct Case {
    std::uint32_t code_page;
    const char* text;
    std::string bytes;
  };
  const Case cases[] = {
      {1252, "é€", "\xE9\x80"},
      {28591, "é", "\xE9"},
      {1251, "Ж", "\xC6"},
      {866, "Ж", "\x86"},
      {20866, "Ж", "\xF6"},
      {932, "日本", "\x93\xFA\x96\x7B"},
      {936, "中", "\xD6\xD0"},
      {950, "中", "\xA4\xA4"},
      {949, "한", "\xC7\xD1"},
      {874, "ก", "\xA1"},
      {1200, "Aé", std::string("A\0\xE9\0", 4)},
      {1201, "Aé", std::string("\0A\0\xE9", 4)},
      {65000, "A~", "A+AH4-"},
      {437, "Çü", "\x80\x81"},
      {850, "Çø", "\x80\x9B"},
      {10000, "é", "\x8E"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.code_page));
    EXPECT_EQ(TextToCodePage(U16(c.text), c.code_page), c.bytes);
    EXPECT_EQ(U8(CodePageToText(c.bytes, c.code_page)), c.text);
  }
}

TEST(CodePages, InvalidSequencesBecomeReplacementCharacters) {
  struct Case {
    std::uint32_t code_page;
    std::string bytes;
    const char* text;
  };
  const Case cases[] = {
      {65001,
       "a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},
      {65001, "\xE6\x97", "\xEF\xBF\xBD"},  // truncated at the end
      {932, "a\x81", "a\xEF\xBF\xBD"},      // lead byte without its trail byte
      {936, "\xD6", "\xEF\xBF\xBD"},
      {1253, "\xD2", "\xEF\xBF\xBD"},  // a byte the Greek page leaves undefined
      {20127, "A\xC0", "A\xEF\xBF\xBD"},
      {65000, "+\xFF-", "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.code_page));
    const std::u16string text = CodePageToText(c.bytes, c.code_page);
    EXPECT_NE(text.find(u'\uFFFD'), std::u16string::npos) << U8(text);
    if (c.code_page != 65000) {
      EXPECT_EQ(U8(text), c.text);
    }
  }
}

TEST(CodePages, AnsiBytesSurviveARoundTrip) {
  // Pages without a declaration are read and written in the ANSI code page; no byte may change on the way.
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  bool lossless = false;
  EXPECT_EQ(TextToCodePage(CodePageToText(all, 0), 0, &lossless), all);
  EXPECT_TRUE(lossless);
}

TEST(CodePages, MissingCharactersBecomeQuestionMarks) {
  bool lossless = true;
  EXPECT_EQ(TextToCodePage(u"a\u4E2Db", 1252, &lossless), "a?b");
  EXPECT_FALSE(lossless);
  lossless = true;
  EXPECT_EQ(TextToCodePage(u"\u0416", 28591, &lossless), "?");
  EXPECT_FALSE(lossless);
}

TEST(CodePages, Utf7HoldsTheWholeText) {
  // Every character here needs several bytes in UTF-7: far more than two bytes a character.
  std::u16string text;
  for (int i = 0; i < 5000; ++i) text += (i % 2) ? u"~" : u"\u4E2D\U0001F600";
  const std::string bytes = TextToCodePage(text, kCodePageUtf7);
  EXPECT_GT(bytes.size(), text.size() * 2 + 1);
  EXPECT_EQ(CodePageToText(bytes, kCodePageUtf7), text);
}

TEST(CodePages, DetectionNamesWindowsCodePagesAmongTheCandidatesOnly) {
  const std::uint32_t candidates[] = {932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 65001};
  const struct {
    std::uint32_t written;
    const char* text;
    std::uint32_t first;
  } cases[] = {
      {1251, "Выберите принтер и число копий, затем нажмите кнопку.", 1251},
      {1253, Samples().at(1253), 1253},
      {1255, Samples().at(1255), 1255},
      {1256, Samples().at(1256), 1256},
      {65001, Samples().at(65001), 65001},
      {28597, Samples().at(28597), 1253},  // ISO Greek counts for the Windows code page of the same letters
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    const std::vector<CodePageMatch> matches = DetectCodePages(TextToCodePage(U16(c.text), c.written), candidates);
    ASSERT_FALSE(matches.empty());
    EXPECT_EQ(matches[0].code_page, c.first);
    for (const CodePageMatch& m : matches) {
      EXPECT_NE(std::find(std::begin(candidates), std::end(candidates), m.code_page), std::end(candidates));
    }
  }
  EXPECT_TRUE(DetectCodePages("", candidates).empty());
}

TEST(CodePages, ReportsHowEachCodePageIsServed) {
  struct Case {
    std::uint32_t code_page;
    CodePageSupport support;
  };
  const Case cases[] = {
      {1252, CodePageSupport::kExact},        {65000, CodePageSupport::kExact},
      {437, CodePageSupport::kExact},         {38598, CodePageSupport::kExact},
      {708, CodePageSupport::kSubstitute},    {50000, CodePageSupport::kSubstitute},
      {50932, CodePageSupport::kGuessed},     {50949, CodePageSupport::kGuessed},
      {50001, CodePageSupport::kGuessed},     {1361, CodePageSupport::kUnsupported},
      {12345, CodePageSupport::kUnsupported}, {0, CodePageSupport::kExact},
      {1, CodePageSupport::kExact},           {2, CodePageSupport::kExact},
  };
  for (const auto& c : cases) EXPECT_EQ(GetCodePageSupport(c.code_page), c.support) << c.code_page;
}

TEST(CodePages, WarnsWhenACodePageIsNotServedExactly) {
  std::u16string warning;
  CodePageToText("abc", 1252, &warning);
  EXPECT_TRUE(warning.empty());

  EXPECT_EQ(U8(CodePageToText("a\xC7\xD1", 1361, &warning)), "a\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_NE(U8(warning).find("1361"), std::string::npos);
  bool lossless = true;
  EXPECT_EQ(TextToCodePage(u"a\uD55C", 1361, &lossless), "a?");
  EXPECT_FALSE(lossless);

  warning.clear();
  EXPECT_EQ(U8(CodePageToText("\x93\xFA\x96\x7B", 50932, &warning)), "日本");  // Shift-JIS
  EXPECT_NE(U8(warning).find("932"), std::string::npos);
  EXPECT_EQ(U8(CodePageToText("\xC6\xFC\xCB\xDC", 50932)), "日本");   // EUC-JP
  EXPECT_EQ(U8(CodePageToText("\x1B$BF|K\\\x1B(B", 50932)), "日本");  // ISO-2022-JP
  EXPECT_EQ(U8(CodePageToText("\xE6\x97\xA5", 50001)), "日");

  warning.clear();
  CodePageToText("\xE9", 50000, &warning);
  EXPECT_NE(U8(warning).find("50000"), std::string::npos);
}

class AnsiCodePageEnvironment : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("TOMESHIFT_ANSI_CODEPAGE"); }
};

TEST_F(AnsiCodePageEnvironment, NamesTheSystemCodePage) {
  unsetenv("TOMESHIFT_ANSI_CODEPAGE");
  EXPECT_EQ(AnsiCodePage(), 1252u);
  EXPECT_EQ(OemCodePage(), 437u);
  EXPECT_EQ(U8(CodePageToText("\xE9", 0)), "é");

  setenv("TOMESHIFT_ANSI_CODEPAGE", "1251", 1);
  EXPECT_EQ(AnsiCodePage(), 1251u);
  EXPECT_EQ(OemCodePage(), 866u);
  EXPECT_EQ(U8(CodePageToText("\xC6", 0)), "Ж");
  EXPECT_EQ(TextToCodePage(u"\u0416", 0), "\xC6");
  EXPECT_EQ(TextToCodePage(u"\u0416", kCodePageOem), "\x86");

  setenv("TOMESHIFT_ANSI_CODEPAGE", "932", 1);
  EXPECT_EQ(U8(CodePageToText("\x93\xFA", 0)), "日");

  for (const char* bad : {"abc", "1252x", "99999", "1361", "1", "1200", "37", "-1"}) {
    setenv("TOMESHIFT_ANSI_CODEPAGE", bad, 1);
    EXPECT_EQ(AnsiCodePage(), 1252u) << bad;
  }
}

TEST_F(AnsiCodePageEnvironment, AScopeStandsInForTheSystemCodePageOnItsThread) {
  struct Case {
    std::uint32_t code_page;
    std::uint32_t ansi;  // what AnsiCodePage() answers inside the scope
  };
  const Case cases[] = {
      {1251, 1251},  {932, 932}, {1256, 1256}, {0, 1252},  // no code page known: the system's
      {1200, 1252},                                        // UTF-16 would hide every declaration
      {37, 1252},                                          // EBCDIC likewise
      {1361, 1252},                                        // not converted exactly
      {70000, 1252},
  };
  for (const auto& c : cases) {
    const ScopedAnsiCodePage scope(c.code_page);
    EXPECT_EQ(AnsiCodePage(), c.ansi) << c.code_page;
  }
  EXPECT_EQ(AnsiCodePage(), 1252u);

  setenv("TOMESHIFT_ANSI_CODEPAGE", "932", 1);
  {
    const ScopedAnsiCodePage outer(1251);
    EXPECT_EQ(U8(CodePageToText("\xCF\xF0\xE8", 0)), "При");
    EXPECT_EQ(TextToCodePage(u"\u0416", 0), "\xC6");
    EXPECT_EQ(OemCodePage(), 866u);
    {
      const ScopedAnsiCodePage inner(1250);
      EXPECT_EQ(AnsiCodePage(), 1250u);
    }
    EXPECT_EQ(AnsiCodePage(), 1251u);
    std::uint32_t elsewhere = 0;
    std::thread([&elsewhere] { elsewhere = AnsiCodePage(); }).join();
    EXPECT_EQ(elsewhere, 932u);  // another conversion's thread keeps its own
  }
  EXPECT_EQ(AnsiCodePage(), 932u);
}

TEST(CodePages, ConvertsOnSeveralThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&failures, t] {
      const std::uint32_t cps[] = {932, 936, 1251, 50220};
      for (int i = 0; i < 200; ++i) {
        const std::uint32_t cp = cps[(i + t) % 4];
        if (cp == 1251) {
          if (CodePageToText(TextToCodePage(u"\u0442\u0435", cp), cp) != u"\u0442\u0435") ++failures;
        } else if (CodePageToText(TextToCodePage(u"\u65E5\u672C", cp), cp) != u"\u65E5\u672C") {
          ++failures;
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace tomeshift
