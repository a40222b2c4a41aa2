#include "lang/language_tables.h"

#include <gtest/gtest.h>

#include <set>

#include "text/unicode.h"

namespace tomeshift {
namespace {

TEST(Languages, LookUpCodePagesAndEntriesById) {
  struct Case {
    const char16_t* id;
    std::uint32_t code_page;
    int index;  // -1: absent
    const char* name;
    const char* dictionary;
  };
  const Case cases[] = {
      {u"0x0409", 1252, 34, "English (United States)", "en_US"},
      {u"0x0411", 932, 66, "Japanese", "en_US"},
      {u"0x041e", 874, 112, "Thai", "en_US"},  // letters in lower case still match
      {u"0x0809", 1252, 35, "English (United Kingdom)", "en_GB"},
      {u"0x0c0a", 1252, 91, "Spanish (International Sort)", "es_ES"},
      {u"0x0436", 1252, 0, "Afrikaans", "en_US"},
      {u"0x0435", 1252, 121, "Zulu", "en_US"},
      {u"0x0804", 936, 25, "Chinese (China)", "en_US"},
      {u"0x0404", 950, 24, "Chinese (Taiwan)", "en_US"},
      {u"0x0412", 949, 67, "Korean", "en_US"},
      {u"0x0419", 1251, 82, "Russian", "ru_RU"},
      {u"0x042A", 1258, 118, "Vietnamese", "en_US"},
      {u"0x043A", 1254, 72, "Maltese", "en_US"},
      {u"0x0000", 0, -1, nullptr, nullptr},
      {u"0x0C08", 0, -1, nullptr, nullptr},  // a sub-language the table lacks
      {u"0409", 0, -1, nullptr, nullptr},
      {u"", 0, -1, nullptr, nullptr},
  };
  const TLanguages& languages = GlobalLanguages();
  for (const auto& c : cases) {
    SCOPED_TRACE(U8(c.id));
    EXPECT_EQ(languages.GetCodepageById(c.id), c.code_page);
    ASSERT_EQ(languages.GetIndexById(c.id), c.index);
    if (c.index < 0) continue;
    const TLanguage& entry = languages.GetItem(c.index);
    EXPECT_EQ(U8(entry.Name), c.name);
    EXPECT_EQ(U8(entry.Dictionary), c.dictionary);
    EXPECT_EQ(entry.CodePage, c.code_page);
  }
}

TEST(Languages, KeepsTableOrderAndWellFormedRows) {
  const TLanguages& languages = GlobalLanguages();
  ASSERT_EQ(languages.GetCount(), 122);
  const char* first[] = {"Afrikaans", "Albanian", "Arabic", "Arabic (Saudi Arabia)"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(U8(languages.GetItem(i).Name), first[i]);
  // Not alphabetical: Basque, Bulgarian, Belarusian.
  EXPECT_EQ(U8(languages.GetItem(19).Name), "Basque");
  EXPECT_EQ(U8(languages.GetItem(20).Name), "Bulgarian");
  EXPECT_EQ(U8(languages.GetItem(21).Name), "Belarusian");
  std::set<std::u16string> ids;
  for (int i = 0; i < languages.GetCount(); ++i) {
    const TLanguage& entry = languages.GetItem(i);
    EXPECT_EQ(entry.Id.size(), 6u) << i;
    EXPECT_EQ(entry.Id.substr(0, 2), u"0x") << i;
    EXPECT_EQ(entry.Id.substr(2).find_first_not_of(u"0123456789ABCDEF"), std::u16string::npos) << U8(entry.Id);
    EXPECT_TRUE(ids.insert(entry.Id).second) << "duplicate " << U8(entry.Id);
    EXPECT_NE(entry.CodePage, 0u) << U8(entry.Id);
    EXPECT_FALSE(entry.Name.empty());
    EXPECT_NE(entry.Name.front(), u' ');
    EXPECT_NE(entry.Dictionary.back(), u' ');
  }
  EXPECT_THROW(languages.GetItem(122), std::out_of_range);
  EXPECT_THROW(languages.GetItem(-1), std::out_of_range);
}

TEST(CharsetTable, LooksUpNamesWithoutRegardToCase) {
  struct Case {
    const char16_t* name;
    const char16_t* value;
  };
  const Case cases[] = {
      {u"UTF-8", u"65001"},
      {u"utf-8", u"65001"},
      {u"Shift_JIS", u"932"},
      {u"latin1", u"1252"},
      {u"ISO-8859-1", u"28591"},
      {u"iso-8859-15", u""},
      {u"ISO-8859-9", u"1254"},
      {u"iso-ir-111", u"28594"},
      {u"logical", u"1255"},
      {u"iso-8859-8-i", u"38598"},
      {u"ANSI_X3.4-1968", u"1252"},
      {u"_iso-2022-jp$SIO", u"50222"},
      {u"CSUNICODE11UTF7", u"65000"},
      {u"windows-1254", u"1254"},
      {u"unicode", u""},
      {u"", u""},
      {u"utf-8 ", u""},  // no trimming: the caller hands over the declared name as it is
  };
  const TCharsetTable& table = CharsetTable();
  for (const auto& c : cases) {
    EXPECT_EQ(U8(table.Values(c.name)), U8(c.value)) << U8(c.name);
  }
  EXPECT_EQ(table.CodePageOf(u"GB2312"), 936u);
  EXPECT_FALSE(table.CodePageOf(u"unicode").has_value());
}

TEST(CharsetTable, HoldsUniqueNamesInFixedOrder) {
  const TCharsetTable& table = CharsetTable();
  ASSERT_EQ(table.Count(), 150);
  EXPECT_EQ(U8(table.Line(0)), "ANSI_X3.4-1968|1252");
  EXPECT_EQ(U8(table.Line(149)), "_iso-2022-jp$SIO|50222");
  std::set<std::string> names;
  for (int i = 0; i < table.Count(); ++i) {
    const std::string line = U8(table.Line(i));
    const size_t bar = line.find('|');
    ASSERT_NE(bar, std::string::npos) << line;
    std::string name = line.substr(0, bar);
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_TRUE(names.insert(name).second) << "duplicate " << line;
    EXPECT_TRUE(table.CodePageOf(table.Line(i).substr(0, bar)).has_value()) << line;
  }
}

}  // namespace
}  // namespace tomeshift
