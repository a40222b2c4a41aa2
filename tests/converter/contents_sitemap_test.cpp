#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "converter/chm_decompile.h"
#include "converter/code_page_detection.h"
#include "converter/title_list.h"
#include "platform/errors.h"
#include "platform/user_interaction.h"
#include "support/recording_interaction.h"
#include "support/scratch_dir.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

using testing::ScratchDir;

std::string Item(const std::string& params) { return "<LI> <OBJECT type=\"text/sitemap\">" + params + "</OBJECT>\n"; }
std::string Param(const std::string& name, const std::string& value) {
  return "<param name=\"" + name + "\" value=\"" + value + "\">";
}

// "level|status|url|topic|index|context" per entry.
std::vector<std::string> Load(const std::string& sitemap, std::uint32_t code_page = 1252) {
  ScratchDir scratch;
  TCHMDecompile help;
  help.hhcFile = U16(scratch.Write("contents.hhc", sitemap).string());
  help.CodePage = code_page;
  help.LoadContentsSitemap();
  std::vector<std::string> lines;
  for (const auto& e : help.List) {
    lines.push_back(std::to_string(e->Level) + "|" + std::to_string(e->Status) + "|" + U8(e->Url) + "|" + U8(e->Topic) +
                    "|" + std::to_string(e->Index) + "|" + U8(e->ContextNumber));
  }
  return lines;
}

struct SitemapCase {
  const char* label;
  std::string sitemap;
  std::vector<std::string> expected;
};

class ContentsLoader : public ::testing::TestWithParam<SitemapCase> {};

TEST_P(ContentsLoader, MarkerRules) { EXPECT_EQ(Load(GetParam().sitemap), GetParam().expected); }

const std::string kA = Item(Param("Name", "A") + Param("Local", "a.htm"));
const std::string kB = Item(Param("Name", "B") + Param("Local", "b.htm"));

INSTANTIATE_TEST_SUITE_P(
    Sitemaps, ContentsLoader,
    ::testing::Values(
        SitemapCase{"outermost_items_are_level_0_nested_level_1",
                    "<UL>" + kA + "<UL>" + kB + "</UL></UL>",
                    {"0|0|a.htm|A|0|1000", "1|0|b.htm|B|1|1001"}},
        SitemapCase{"lower_case_markers",
                    "<ul>" + std::string("<li> <object>") + Param("Name", "A") + Param("Local", "a.htm") +
                        "</object><ul>" + "<li>" + Param("Name", "B") + "</ul></ul>",
                    {"0|0|a.htm|A|0|1000", "1|2||B|1|1001"}},
        SitemapCase{
            "first_name_and_first_local_win",
            "<UL>" +
                Item(Param("Name", "One") + Param("Name", "Two") + Param("Local", "1.htm") + Param("Local", "2.htm")) +
                "</UL>",
            {"0|0|1.htm|One|0|1000"}},
        SitemapCase{"entity_in_name_and_space_escape_in_local",
                    "<UL>" + Item(Param("Name", "Tips &amp; Tricks") + Param("Local", "my%20page.htm")) + "</UL>",
                    {"0|0|my page.htm|Tips & Tricks|0|1000"}},
        SitemapCase{"dashes_only_item_makes_no_entry_and_takes_no_index",
                    "<UL>" + kA + Item(Param("Name", "-----") + Param("Local", "sep.htm")) + kB + "</UL>",
                    {"0|0|a.htm|A|0|1000", "0|0|b.htm|B|1|1001"}},
        SitemapCase{"item_without_name_makes_no_entry",
                    "<UL>" + Item(Param("Local", "x.htm")) + kA + "</UL>",
                    {"0|0|a.htm|A|0|1000"}},
        SitemapCase{"first_name_without_value_blocks_the_second",
                    "<UL>" + Item("<param name=\"Name\">" + Param("Name", "Late") + Param("Local", "x.htm")) + "</UL>",
                    {}},
        SitemapCase{"empty_first_local_makes_a_heading",
                    "<UL>" + Item(Param("Name", "H") + Param("Local", "") + Param("Local", "x.htm")) + "</UL>",
                    {"0|2||H|0|1000"}},
        SitemapCase{"last_item_without_closing_marker_is_added",
                    "<UL>" + kA + kB,
                    {"0|0|a.htm|A|0|1000", "0|0|b.htm|B|1|1001"}},
        SitemapCase{"hexadecimal_references_in_names",
                    "<UL>" + Item(Param("Name", "``Second Edition&#x27;&#x27;")) + "</UL>",
                    {"0|2||``Second Edition''|0|1000"}},
        SitemapCase{"li_with_attributes_is_not_a_marker",
                    "<UL>" + kA + "<LI class=\"x\"><OBJECT>" + Param("Name", "Hidden") + "</OBJECT></UL>",
                    {"0|0|a.htm|A|0|1000"}},
        SitemapCase{"ul_with_attributes_is_not_a_marker",
                    "<UL>" + kA + "<UL class=\"x\">" + kB + "</UL>",
                    {"0|0|a.htm|A|0|1000", "0|0|b.htm|B|1|1001"}},
        SitemapCase{"text_before_the_first_li_is_ignored",
                    "<UL><OBJECT>" + Param("Name", "Ghost") + "</OBJECT>" + kA + "</UL>",
                    {"0|0|a.htm|A|0|1000"}},
        SitemapCase{"param_without_closing_bracket_stops_the_object",
                    "<UL><LI><OBJECT>" + Param("Name", "A") + "<param name=\"Local\" value=\"a.htm\"</UL>",
                    {"0|2||A|0|1000"}},
        SitemapCase{
            "mixed_case_param_forms",
            "<UL><LI><OBJECT><PARAM NAME=\"NAME\" VALUE=\"Upper\"><Param Name=\"local\" Value=\"u.htm\"></OBJECT></UL>",
            {"0|0|u.htm|Upper|0|1000"}},
        SitemapCase{"single_quoted_values_are_not_recognised",
                    "<UL><LI><OBJECT><param name=\"Name\" value='Quoted'>" + Param("Local", "q.htm") + "</OBJECT></UL>",
                    {}},
        SitemapCase{"item_closed_by_ul_end_keeps_its_level",
                    "<UL><UL>" + kA + "</UL>" + kB + "</UL>",
                    {"1|0|a.htm|A|0|1000", "0|0|b.htm|B|1|1001"}},
        SitemapCase{"empty_file", "", {}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ContentsLoaderFile, ImageNumberBecomesTheIconAndANonNumberIsZeroWithAWarning) {
  ScratchDir scratch;
  TCHMDecompile help;
  help.hhcFile =
      U16(scratch.Write("c.hhc", "<UL>" + Item(Param("Name", "A") + Param("ImageNumber", "7")) + "</UL>").string());
  help.LoadContentsSitemap();
  ASSERT_EQ(help.List.Count(), 1);
  EXPECT_EQ(help.List[0].Icon, 7u);

  testing::RecordingInteraction user;
  ScopedUserInteraction scope(user);
  TCHMDecompile bad;
  bad.chmFile = u"/home/u/Guide.chm";
  bad.hhcFile = U16(scratch
                        .Write("bad.hhc", "<UL>" + Item(Param("ImageNumber", "abc") + Param("Name", "A")) +
                                              Item(Param("Name", "B")) + "</UL>")
                        .string());
  bad.LoadContentsSitemap();
  ASSERT_EQ(bad.List.Count(), 2);
  EXPECT_EQ(bad.List[0].Icon, 0u);
  const auto warnings = user.warnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].page, u"/home/u/Guide.chm");
  EXPECT_EQ(U8(warnings[0].text),
            "the contents entry \"A\" has the ImageNumber \"abc\", which is not a whole number; 0 is used");
}

TEST(ContentsLoaderFile, CodePageDecodesUnlessAByteOrderMarkSaysOtherwise) {
  const std::string cyrillic = "<UL>" + Item(Param("Name", "\xCF\xF0\xE8\xE2\xE5\xF2")) + "</UL>";
  EXPECT_EQ(Load(cyrillic, 1251), std::vector<std::string>{"0|2||Привет|0|1000"});
  const std::string utf8 = "\xEF\xBB\xBF<UL>" + Item(Param("Name", "Привет")) + "</UL>";
  EXPECT_EQ(Load(utf8, 1251), std::vector<std::string>{"0|2||Привет|0|1000"});
  // Well-formed UTF-8 without the mark is read as UTF-8, not as the help file's code page.
  const std::string unmarked = "<UL>" + Item(Param("Name", "We Haven\u2019t Fixed Yet")) + "</UL>";
  EXPECT_EQ(Load(unmarked, 1252), std::vector<std::string>{"0|2||We Haven\u2019t Fixed Yet|0|1000"});
  const std::string ill_formed = "<UL>" + Item(Param("Name", "Caf\xE9 \u2019")) + "</UL>";
  EXPECT_EQ(Load(ill_formed, 1252), std::vector<std::string>{"0|2||Caf\u00E9 \u00E2\u20AC\u2122|0|1000"});
}

TEST(ContentsLoaderFile, MissingOrUnsetSitemapGivesNoEntries) {
  TCHMDecompile help;
  help.LoadContentsSitemap();
  help.hhcFile = u"/nonexistent/contents.hhc";
  help.LoadContentsSitemap();
  EXPECT_EQ(help.List.Count(), 0);
}

TEST(ContentsNames, LatinReferencesGiveTheBytesTheyStandFor) {
  const struct {
    const char* value;
    std::optional<std::string> bytes;
  } cases[] = {
      {"&Dstrok;&agrave; &ntilde;", "\xD0\xE0 \xF1"},  // as one compiler writes Cyrillic names
      {"&#208;&#xE0;", "\xD0\xE0"},
      {"AT&T &amp; Caf&eacute;", "AT&T & Caf\xE9"},
      {"Tips &amp; Tricks", std::nullopt},  // nothing above ASCII: nothing to re-read
      {"&eacute; Привет", std::nullopt},    // text of the sitemap's own code page
      {"&mdash; &eacute;", std::nullopt},   // beyond Latin-1: a real reference
      {"&bogus; &eacute;", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(CharacterReferenceBytes(U16(c.value)), c.bytes) << c.value;
}

TEST(TitleLists, UrlLookUpIgnoresCaseButNotAnchorsAndFindsTheFirst) {
  TTitleLists list;
  const char* urls[] = {"Setup\\Install.htm", "other.htm", "setup\\install.htm", "", "page.htm#part"};
  for (const char* url : urls) list.Add().Url = U16(url);
  list.initializeUrls();
  EXPECT_EQ(list.Urls.Count(), 4);  // the two spellings of one page share a line
  EXPECT_EQ(list.GetItemByUrl(u"SETUP\\INSTALL.HTM"), &list[0]);
  EXPECT_EQ(list.GetItemByUrl(u"setup\\install.htm#steps"), nullptr);
  EXPECT_EQ(list.GetItemByUrl(u"setup/install.htm"), nullptr);
  EXPECT_EQ(list.GetItemByUrl(u"page.htm#PART"), &list[4]);
  EXPECT_EQ(list.GetItemByUrl(u""), &list[3]);
  EXPECT_EQ(list.GetItemByUrl(u"missing.htm"), nullptr);
}

TEST(TitleLists, IndexOutOfRangeThrows) {
  TTitleLists list;
  list.Add();
  EXPECT_NO_THROW(list[0]);
  EXPECT_THROW(list[1], std::out_of_range);
  EXPECT_THROW(list[-1], std::out_of_range);
}

}  // namespace
}  // namespace tomeshift
