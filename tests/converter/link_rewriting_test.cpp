#include "converter/link_rewriting.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/file_system.h"
#include "support/memory_file_system.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

constexpr char16_t kRoot[] = u"/scratch/root/";

class LinkRewriting : public ::testing::Test {
 protected:
  LinkRewriting() : scope_(fs_) {
    fs_.AddFile(u"/help/main.chm", "ITSF");
    fs_.AddFile(u"/help/other.chm", "ITSF");
    fs_.AddFile(u"/scratch/root/index.htm", "");
    context_.rootFolder = kRoot;
    context_.chmFile = u"/help/main.chm";
    context_.ExtractHelpFile = [this](const std::u16string& chm, const std::u16string& folder) {
      extracted_.push_back(U8(chm) + " -> " + U8(folder));
      fs_.CreateDirectories(folder);
    };
  }
  std::string Url(std::u16string_view url, std::u16string_view page = u"/scratch/root/index.htm") {
    return U8(ProcessDecompiledUrl(context_, url, page));
  }

  testing::MemoryFileSystem fs_;
  ScopedFileSystem scope_;
  TLinkContext context_;
  std::vector<std::string> extracted_;
};

TEST_F(LinkRewriting, ProcessDecompiledUrlKeepsLinksInsideTheFolder) {
  struct Case {
    const char16_t* url;
    const char16_t* page;
    const char* expected;
  } cases[] = {
      {u"ms-its:main.chm::/topics/a.htm", u"/scratch/root/index.htm", "topics/a.htm"},
      {u"MS-ITS:MAIN.CHM::/topics/a.htm#x", u"/scratch/root/topics/b.htm", "a.htm#x"},
      {u"mk:@MSITStore:C:\\Program Files\\main.chm::/a.htm", u"/scratch/root/sub/p.htm", "../a.htm"},
      {u"  /images/logo.gif  ", u"/scratch/root/sub/p.htm", "../images/logo.gif"},
      {u"\\b.htm", u"/scratch/root/index.htm", "b.htm"},
      {u"../../../etc/passwd", u"/scratch/root/sub/p.htm", "passwd"},
      {u"../x/../../y.htm", u"/scratch/root/index.htm", "y.htm"},
      {u"../shared/c.htm", u"/scratch/root/sub/p.htm", "../shared/c.htm"},
      {u"C:\\Windows\\win.ini", u"/scratch/root/index.htm", "win.ini"},
      {u"d:/pages/t.htm", u"/scratch/root/index.htm", "t.htm"},
      {u"/../../../etc/passwd", u"/scratch/root/index.htm", "passwd"},
      {u"/sub/..", u"/scratch/root/index.htm", ""},  // the folder itself, relative to the page
      {u"http://example.com/../a.htm", u"/scratch/root/index.htm", "http://example.com/../a.htm"},
      {u"mailto:someone@example.com", u"/scratch/root/index.htm", "mailto:someone@example.com"},
      {u"plain/page.htm", u"/scratch/root/index.htm", "plain/page.htm"},
      {u"/a", u"/scratch/root/index.htm", "/a"},  // two characters are left alone
      // Escapes and character references hide the same paths; what leaves the folder is cut to its name.
      {u"%2e%2e/%2e%2e/%2e%2e/etc/passwd", u"/scratch/root/sub/p.htm", "passwd"},
      {u"..%2f..%2f..%2fetc%2fpasswd", u"/scratch/root/index.htm", "passwd"},
      {u"file:///etc/passwd", u"/scratch/root/index.htm", "passwd"},
      {u"%66ile:/etc/hosts", u"/scratch/root/index.htm", "hosts"},
      {u"/%2e%2e/%2e%2e/etc/shadow", u"/scratch/root/index.htm", "shadow"},
      {u"&#46;&#46;/&#46;&#46;/x.png", u"/scratch/root/index.htm", "x.png"},
      {u"&#47;etc&#47;group", u"/scratch/root/sub/p.htm", "../etc/group"},
      {u"../../%22onload=x.gif", u"/scratch/root/index.htm", "%22onload=x.gif"},
      {u"a%20b.htm#top", u"/scratch/root/index.htm", "a%20b.htm#top"},
      {u"", u"/scratch/root/index.htm", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Url(c.url, c.page), c.expected) << U8(c.url);
  EXPECT_TRUE(extracted_.empty());
}

TEST_F(LinkRewriting, OtherHelpFileIsExtractedOnceBesideTheRoot) {
  EXPECT_EQ(Url(u"ms-its:other.chm::/intro.htm"), "other.chm/intro.htm");
  EXPECT_EQ(Url(u"ms-its:Other.CHM::/b/c.htm", u"/scratch/root/sub/p.htm"), "../Other.CHM/b/c.htm");
  EXPECT_EQ(Url(u"mk:@MSITStore:other.chm::x.htm"), "other.chm/x.htm");
  ASSERT_EQ(extracted_.size(), 1u);
  EXPECT_EQ(extracted_[0], "/help/other.chm -> /scratch/root/other.chm\\");
}

TEST_F(LinkRewriting, HelpFileLinksWithOddNamesAreEmptied) {
  const char16_t* links[] = {
      u"ms-its:missing.chm::/a.htm", u"ms-its:..::/a.htm",
      u"ms-its:.::/a.htm",           u"ms-its:::/a.htm",
      u"ms-its:c:::/a.htm",          u"mk:@msitstore:../../::/x.htm",
      u"ms-its:main.htm::/a.htm",    u"ms-its:..%2fbait%2fp.png::/x",
  };
  for (const char16_t* link : links) EXPECT_EQ(Url(link), "") << U8(link);
  EXPECT_TRUE(extracted_.empty());
  // A path to the help file's neighbour through other folders still names only that neighbour.
  EXPECT_EQ(Url(u"ms-its:../../elsewhere/other.chm::/a.htm"), "other.chm/a.htm");
  ASSERT_EQ(extracted_.size(), 1u);
  EXPECT_EQ(extracted_[0], "/help/other.chm -> /scratch/root/other.chm\\");
}

TEST(LinkPaths, IsOutOfRootfolder) {
  struct Case {
    const char16_t* path;
    bool outside;
  } cases[] = {
      {u"/scratch/root/a.htm", false},
      {u"/SCRATCH/Root/sub/../a.htm", false},
      {u"/scratch/root/sub/../../a.htm", true},
      {u"/scratch/rootx/a.htm", true},
      {u"/scratch/root", true},
      {u"/scratch/root/..", true},
      {u"\\scratch\\root\\b\\c.htm", false},
      {u"C:\\scratch\\root\\a.htm", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsOutOfRootfolder(kRoot, c.path), c.outside) << U8(c.path);
  EXPECT_EQ(U8(CanonicalPathInRoot(kRoot, u"/scratch/ROOT/sub/./x/../a.htm")), "/scratch/root/sub\\a.htm");
  EXPECT_EQ(CanonicalPathInRoot(kRoot, u"/scratch/root/../a.htm"), u"");
}

TEST_F(LinkRewriting, ProcessScrRewritesLinkAttributesOnly) {
  struct Case {
    const char16_t* in;
    const char* out;
  } cases[] = {
      {u"<a href=\"ms-its:main.chm::/x.htm\">x</a>", "<a href=\"x.htm\">x</a>"},
      {u"<IMG SRC='C:\\pics\\p.gif' alt=\"C:\\pics\\p.gif\">", "<IMG SRC='p.gif' alt=\"C:\\pics\\p.gif\">"},
      {u"<td background=/bg.gif>", "<td background=bg.gif>"},
      {u"<link rel=stylesheet media=\"screen\" href=\"/s.css\">", "<link rel=stylesheet media=\"all\" href=\"s.css\">"},
      {u"<link media=SCREEN>", "<link media=all>"},
      {u"<link media=\"print\">", "<link media=\"print\">"},
      // spaces around '=' break the attribute apart: the value stays as written
      {u"<a href = \"/x.htm\">", "<a href = \"/x.htm\">"},
      // a quoted value ends at '>' in this scan
      {u"<a href=\"/ab>c.htm\">", "<a href=\"ab>c.htm\">"},
      // the tag name is not an attribute
      {u"<href=/x.htm>", "<href=/x.htm>"},
      {u"text href=\"/x.htm\" more", "text href=\"/x.htm\" more"},
      // a value cut short by a new tag or the end of the text is kept
      {u"<a href=\"/x.htm<b>", "<a href=\"/x.htm<b>"},
      {u"<a href=\"/x.htm", "<a href=\"/x.htm"},
      {u"<a title=\"t\"href=\"/y.htm\">", "<a title=\"t\"href=\"y.htm\">"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(U8(ProcessSCR(context_, c.in, u"/scratch/root/index.htm")), c.out) << U8(c.in);
  }
}

TEST(LinkScan, ScanLinkValuesHandsOnLinkValues) {
  std::vector<std::string> values;
  ScanLinkValues(u"<a HREF=\"a.htm\" name=n><img src=b.gif><body background='c.jpg'><p class=\"x.htm\">",
                 [&](std::u16string_view v) { values.push_back(U8(v)); });
  EXPECT_EQ(values, (std::vector<std::string>{"a.htm", "b.gif", "c.jpg"}));
}

// Contents entries for ChangeUrlBookmark: by Url, with the anchors their pages hold.
class BookmarkRewriting : public ::testing::Test {
 protected:
  BookmarkRewriting() {
    Add(u"index.htm", u"Bookmark0", u"1.", {u"top"});
    Add(u"guide\\install.htm", u"Bookmark1", u"1.1", {u"steps", u"Notes"});
    Add(u"guide\\remove.htm", u"Bookmark2", u"", {});
    Add(u"guide\\split.htm#second", u"Bookmark3", u"1.2", {});
    context_.HintFormat = u"See [Title No.]";
    context_.FindEntry = [this](std::u16string_view url, TLinkTopic& entry) {
      const auto it = entries_.find(LowerCase(url));
      if (it == entries_.end()) return false;
      entry = it->second;
      return true;
    };
    context_.HasAnchor = [this](std::u16string_view url, std::u16string_view anchor) {
      for (const auto& a : anchors_[LowerCase(url)])
        if (SameText(a, anchor)) return true;
      return false;
    };
  }
  void Add(std::u16string url, std::u16string bookmark, std::u16string chapter, std::vector<std::u16string> anchors) {
    entries_[LowerCase(url)] = TLinkTopic{url, bookmark, chapter};
    anchors_[LowerCase(url)] = std::move(anchors);
  }
  std::string Rewrite(std::u16string_view text, const char16_t* base = u"guide\\install.htm") {
    return U8(ChangeUrlBookmark(context_, text, entries_.at(LowerCase(base))));
  }

  std::map<std::u16string, TLinkTopic> entries_;
  std::map<std::u16string, std::vector<std::u16string>> anchors_;
  TBookmarkContext context_;
};

TEST_F(BookmarkRewriting, LinksBecomeBookmarkReferences) {
  struct Case {
    const char16_t* in;
    const char* out;
  } cases[] = {
      {u"<a href=\"../index.htm\">i</a>", "<a href=\"#Bookmark0\">i</a>"},
      {u"<a href=\"../index.htm#TOP\">i</a>", "<a href=\"#Bookmark0_TOP\">i</a>"},
      {u"<a href='../index.htm#missing'>i</a>", "<a href='#Bookmark0'>i</a>"},
      {u"<A HREF=remove.htm>r</A>", "<A HREF=#Bookmark2>r</A>"},
      {u"<a href=\"/guide/remove.htm\">r</a>", "<a href=\"#Bookmark2\">r</a>"},
      {u"<a href=\"#steps\">s</a>", "<a href=\"#Bookmark1_steps\">s</a>"},
      {u"<a href=\"#nowhere\">s</a>", "<a href=\"#Bookmark1\">s</a>"},
      {u"<a href=\"notlisted.htm#a\">n</a>", "<a href=\"notlisted.htm#a\">n</a>"},
      // a section of a split page is found by its page and anchor
      {u"<a href=\"split.htm#Second\">s</a>", "<a href=\"#Bookmark3\">s</a>"},
      {u"<a href=\"split.htm#first\">s</a>", "<a href=\"split.htm#first\">s</a>"},
      {u"<a href=\"http://example.com/index.htm\">w</a>", "<a href=\"http://example.com/index.htm\">w</a>"},
      {u"<a name=\"#steps\"></a><a name=notes></a><a name=\"\"></a>",
       "<a name=\"Bookmark1_steps\"></a><a name=Bookmark1_notes></a><a name=\"\"></a>"},
      // only A elements are touched; '>' inside a quoted value does not end the tag here
      {u"<img src=\"remove.htm\"><area href=\"remove.htm\">", "<img src=\"remove.htm\"><area href=\"remove.htm\">"},
      {u"<a title=\"a>b\" href=\"remove.htm\">r</a>", "<a title=\"a>b\" href=\"#Bookmark2\">r</a>"},
      {u"<abbr href=\"remove.htm\">", "<abbr href=\"remove.htm\">"},
  };
  for (const Case& c : cases) EXPECT_EQ(Rewrite(c.in), c.out) << U8(c.in);
}

TEST_F(BookmarkRewriting, HintsFollowLinksToNumberedEntries) {
  const char16_t* page =
      u"<p><a href=\"../index.htm\">Start</a>, <a href=\"remove.htm\">Remove</a>, "
      u"<a href=\"#steps\">here</a>, <a href=\"x.htm\">x</a></p>";
  EXPECT_EQ(Rewrite(page),
            "<p><a href=\"#Bookmark0\">Start</a>, <a href=\"#Bookmark2\">Remove</a>, "
            "<a href=\"#Bookmark1_steps\">here</a>, <a href=\"x.htm\">x</a></p>");
  context_.AddHint = true;
  EXPECT_EQ(Rewrite(page),
            "<p><a href=\"#Bookmark0\">Start</a><span data-tomeshift-hint>(See 1.)</span>, <a "
            "href=\"#Bookmark2\">Remove</a>, "
            "<a href=\"#Bookmark1_steps\">here</a>, <a href=\"x.htm\">x</a></p>");
  context_.HintFormat = u"[title no.] / p. [Title No.]";
  EXPECT_EQ(Rewrite(u"<a href=\"../index.htm\">S</a >."),
            "<a href=\"#Bookmark0\">S</a ><span data-tomeshift-hint>(1. / p. 1.)</span>.");
}

}  // namespace
}  // namespace tomeshift
