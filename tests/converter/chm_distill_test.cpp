// The distiller's stages over an in-memory scratch folder: the topic list is built by hand, as the
// contents loader would leave it, and Execute runs on it.
#include "converter/chm_distill.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/user_interaction.h"
#include "support/memory_file_system.h"
#include "support/recording_interaction.h"
#include "text/text_utils.h"
#include "text/unicode.h"

namespace tomeshift {
namespace {

constexpr char16_t kRoot[] = u"/scratch/root/";
const std::string kFooter = "<p>Copyright 2026 Example Corporation. All rights reserved worldwide.</p>";

std::string Page(const std::string& title, const std::string& body, const std::string& footer = kFooter) {
  return "<html><head><title>" + title + "</title></head><body><h1>" + title + "</h1>" + body + footer +
         "</body></html>";
}
// A paragraph that shares no run of letters with the paragraph of another n: the sentence is
// shifted through the alphabet.
std::string Unique(int n) {
  std::string sentence = "the quick brown fox jumps over the lazy dog while reading long manuals";
  for (char& c : sentence) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>('a' + (c - 'a' + n * 5) % 26);
  }
  return "<p>Paragraph " + std::to_string(n) + " " + sentence + ".</p>";
}

class Distill : public ::testing::Test {
 protected:
  Distill() : fsScope_(fs_), uiScope_(ui_) {
    fs_.AddFile(u"/help/main.chm", "ITSF");
    distill_.rootFolder = kRoot;
    distill_.chmFile = u"/help/main.chm";
    distill_.SetOnChange([this](const std::u16string& info, int persent) {
      progress_.push_back(U8(info) + " " + std::to_string(persent));
    });
  }
  void File(const std::string& relative, const std::string& text) { fs_.AddFile(kRoot + U16(relative), text); }
  std::string Read(const std::string& relative) { return fs_.ReadFile(kRoot + U16(relative)).value_or("<missing>"); }
  TTitleList& Entry(const std::u16string& topic, int level, const std::u16string& url) {
    TTitleList& entry = distill_.List.Add();
    entry.Topic = topic;
    entry.Level = level;
    entry.Url = url;
    entry.Status = url.empty() ? kStatusHeading : kStatusPage;
    return entry;
  }
  // Ten contents pages that share the footer.
  void TenPages() {
    for (int n = 0; n < 10; ++n) {
      File("p" + std::to_string(n) + ".htm", Page("Topic " + std::to_string(n), Unique(n)));
      Entry(u"Topic " + U16(std::to_string(n)), 0, u"p" + U16(std::to_string(n)) + u".htm");
    }
  }

  testing::MemoryFileSystem fs_;
  testing::RecordingInteraction ui_;
  ScopedFileSystem fsScope_;
  ScopedUserInteraction uiScope_;
  TCHMDistill distill_;
  std::vector<std::string> progress_;
};

TEST_F(Distill, SharedFooterIsCutFromContentsAndAddendaPages) {
  TenPages();
  File("p0.htm", Page("Topic 0", Unique(0) + "<p><a href=\"extra.htm\">more</a></p>"));
  File("extra.htm", Page("Extra page", Unique(99)));
  distill_.Execute();
  for (int n = 0; n < 10; ++n) {
    const std::string page = Read("p" + std::to_string(n) + ".htm");
    EXPECT_EQ(page.find("Copyright"), std::string::npos) << page;
    EXPECT_NE(page.find("Paragraph " + std::to_string(n) + " "), std::string::npos) << page;
  }
  EXPECT_EQ(Read("extra.htm").find("Copyright"), std::string::npos) << Read("extra.htm");
  EXPECT_EQ(progress_,
            (std::vector<std::string>{"Analyzing... 5", "Preparing to distill pages... 10", "Distilling pages... 15"}));
}

TEST_F(Distill, ASingleContentsPageKeepsItsBlocks) {
  File("only.htm", Page("Only", Unique(1)));
  Entry(u"Only", 0, u"only.htm");
  distill_.Execute();
  EXPECT_NE(Read("only.htm").find("Copyright"), std::string::npos);
}

TEST_F(Distill, OnlyContentsPagesVoteOnSharedBlocks) {
  // Five contents pages (threshold 4), two of them with the footer, and twenty linked pages with it: the
  // linked pages do not count, so the footer stays.
  std::string links;
  for (int n = 0; n < 20; ++n) {
    File("x" + std::to_string(n) + ".htm", Page("Extra " + std::to_string(n), Unique(20 + n)));
    links += "<a href=\"x" + std::to_string(n) + ".htm\">x</a>";
  }
  File("a.htm", Page("A", Unique(1) + "<p>" + links + "</p>"));
  File("b.htm", Page("B", Unique(2)));
  Entry(u"A", 0, u"a.htm");
  Entry(u"B", 0, u"b.htm");
  for (int n = 0; n < 3; ++n) {
    File("c" + std::to_string(n) + ".htm", Page("C" + std::to_string(n), Unique(10 + n), ""));
    Entry(u"C", 0, u"c" + U16(std::to_string(n)) + u".htm");
  }
  distill_.Execute();
  EXPECT_EQ(distill_.NonTocicFiles.Count(), 20);
  EXPECT_NE(Read("b.htm").find("Copyright"), std::string::npos) << Read("b.htm");
}

TEST_F(Distill, NavigationWithChangingLinkTextsAndPageContentsListsAreCut) {
  // Node headers as a manual generator writes them: the same words, other links on every page, at the
  // top and again inside the page; the chapter's own list of its sections; the title with a number
  // and a permalink sign.
  const auto nav = [](int n) {
    const std::string next = "p" + std::to_string((n + 1) % 6) + ".htm",
                      prev = "p" + std::to_string((n + 5) % 6) + ".htm";
    return "<div class=header><p>Next: <a href=\"" + next + "\">Topic " + std::to_string((n + 1) % 6) +
           "</a>, Previous: <a href=\"" + prev + "\">Topic " + std::to_string((n + 5) % 6) +
           "</a>, Up: <a href=\"p0.htm\">Topic 0</a> [<a href=\"p0.htm#toc\">Contents</a>]</p></div><hr>";
  };
  // At the bottom, a trail of parent pages whose length differs from page to page.
  const auto trail = [](int n) {
    std::string items =
        "<ul class=related><li><a href=\"index.htm\">index</a></li><li><a href=\"p1.htm\">next</a> "
        "|</li><li><a href=\"p0.htm\">Manual 1.0</a> &raquo;</li>";
    for (int level = 0; level < n % 3; ++level)
      items += "<li><a href=\"p" + std::to_string(level) + ".htm\">Part " + std::to_string(level) + "</a> &raquo;</li>";
    return items + "</ul>";
  };
  for (int n = 0; n < 6; ++n) {
    std::string body =
        nav(n) + "<h2>" + std::to_string(n + 1) + " Topic " + std::to_string(n) + " &para;</h2>" + Unique(n);
    if (n == 2)
      body += "<ul class=toc><li><a href=\"p3.htm\">Topic 3</a></li><li><a href=\"p4.htm\">Topic 4</a></li></ul>" +
              nav(n) + "<p>Read <a href=\"p5.htm\">Topic 5</a> before the next release reaches the users.</p>" +
              "<ul><li><a href=\"http://example.com/a\">Mirror A</a></li><li><a href=\"http://example.com/b\">"
              "Mirror B</a></li></ul>";
    body += trail(n);
    File("p" + std::to_string(n) + ".htm",
         "<html><head><title>Topic " + std::to_string(n) + "</title></head><body>" + body + "</body></html>");
    Entry(u"Topic " + U16(std::to_string(n)), 0, u"p" + U16(std::to_string(n)) + u".htm");
  }
  distill_.Execute();
  for (int n = 0; n < 6; ++n) {
    const std::string page = Read("p" + std::to_string(n) + ".htm");
    SCOPED_TRACE(page);
    EXPECT_EQ(page.find("Next:"), std::string::npos);
    EXPECT_EQ(page.find("Previous:"), std::string::npos);
    EXPECT_EQ(page.find("&para;"), std::string::npos) << "the title heading is still there";
    EXPECT_EQ(page.find("&raquo;"), std::string::npos) << "the trail of parent pages is still there";
    EXPECT_NE(page.find("Paragraph " + std::to_string(n) + " "), std::string::npos);
  }
  const std::string chapter = Read("p2.htm");
  EXPECT_EQ(chapter.find("class=toc"), std::string::npos) << chapter;
  // A sentence with a link in it and links that lead out of the help file are content.
  EXPECT_NE(chapter.find("before the next release"), std::string::npos) << chapter;
  EXPECT_NE(chapter.find("Mirror B"), std::string::npos) << chapter;
}

TEST_F(Distill, PagesSplitAtTheAnchorsOfSeveralEntries) {
  TenPages();
  File("guide.htm", Page("Guide",
                         "<p><a name=\"install\"></a>Installing the program takes three careful steps.</p>"
                         "<h2><a name=setup>Setup</a></h2><p>Setting it up afterwards is quick.</p>"));
  File("single.htm", Page("Single", "<h2><a name=\"only\"></a>One</h2>" + Unique(50)));
  Entry(u"Install", 0, u"guide.htm#install");
  Entry(u"Setup", 0, u"guide.htm#setup");
  Entry(u"Single", 0, u"single.htm#only");
  distill_.Execute();
  EXPECT_EQ(U8(distill_.List[10].Url), "guide_0.htm");
  EXPECT_EQ(U8(distill_.List[11].Url), "guide_1.htm");
  EXPECT_EQ(U8(distill_.List[12].Url), "single.htm");
  EXPECT_NE(Read("guide_0.htm").find("three careful steps"), std::string::npos) << Read("guide_0.htm");
  EXPECT_EQ(Read("guide_0.htm").find("quick"), std::string::npos);
  EXPECT_NE(Read("guide_1.htm").find("quick"), std::string::npos) << Read("guide_1.htm");
  EXPECT_EQ(Read("single_0.htm"), "<missing>");
}

TEST_F(Distill, PartsOfASplitPageHaveTheirLinksRewrittenToo) {
  TenPages();
  File("guide.htm", Page("Guide",
                         "<h2><a name=\"install\"></a>Install</h2><p>Three careful steps, see <a href=\"p3.htm\">p3</a>"
                         " and <a href=\"#later\">later</a>.</p>"
                         "<h2><a name=\"setup\"></a>Setup</h2><p>Quick, unlike <a href=\"#install\">installing</a>."
                         " <a name=\"later\"></a>More.</p>"));
  Entry(u"Install", 0, u"guide.htm#install");
  Entry(u"Setup", 0, u"guide.htm#setup");
  distill_.AddHint = true;
  distill_.HintFormat = u"p. [Title No.]";
  distill_.Execute();
  ASSERT_EQ(U8(distill_.List[11].Url), "guide_1.htm");
  const std::string first = Read("guide_0.htm"), second = Read("guide_1.htm");
  // To another topic, and to the anchor that begins the other part: that part's entry.
  EXPECT_NE(first.find("<a href=\"#Bookmark3\">p3</a><span data-tomeshift-hint>(p. 4.)</span>"), std::string::npos)
      << first;
  EXPECT_NE(second.find("<a href=\"#Bookmark10\">installing</a><span data-tomeshift-hint>(p. 11.)</span>"),
            std::string::npos)
      << second;
  // An anchor inside a part is named after the part's entry, and links from the other part follow.
  EXPECT_NE(second.find("<a name=\"Bookmark11_later\"></a>"), std::string::npos) << second;
  EXPECT_NE(first.find("<a href=\"#Bookmark11_later\">later</a><span data-tomeshift-hint>(p. 12.)</span>"),
            std::string::npos)
      << first;
}

TEST_F(Distill, AChapterPageAndItsSectionsHoldEachTextOnce) {
  TenPages();
  File("guide.htm", Page("Guide",
                         "<p>The chapter's own introduction belongs to it alone.</p>"
                         "<h2><a name=\"install\"></a>Install</h2><p>Installing takes three careful steps.</p>"
                         "<div class=\"section\" id=\"setup\"><h2>Setup</h2><p>Setting up is quick."
                         " <a name=\"later\"></a>More notes follow.</p></div>"));
  File("p3.htm", Page("Topic 3", Unique(3) + "<p><a href=\"guide.htm#setup\">s</a> <a href=\"guide.htm#later\">l</a>"
                                             " <a href=\"guide.htm\">g</a> <a href=\"guide.htm#nowhere\">n</a></p>"));
  Entry(u"Guide", 0, u"guide.htm");
  Entry(u"Install", 1, u"guide.htm#install");
  Entry(u"Setup", 1, u"guide.htm#setup");
  Entry(u"Setup, listed again", 1, u"guide.htm#setup");
  Entry(u"Guide, listed again", 0, u"guide.htm");
  distill_.AddHint = true;
  distill_.Execute();
  const auto& list = distill_.List;
  const char* urls[] = {"guide.htm", "guide_0.htm", "guide_1.htm", "guide_1.htm", "guide.htm"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(U8(list[10 + i].Url), urls[i]);
  // The chapter keeps the text before its first section; the sections the rest.
  const std::string chapter = Read("guide.htm"), install = Read("guide_0.htm"), setup = Read("guide_1.htm");
  EXPECT_NE(chapter.find("own introduction"), std::string::npos) << chapter;
  EXPECT_EQ(chapter.find("careful"), std::string::npos) << chapter;
  EXPECT_NE(install.find("careful"), std::string::npos) << install;
  EXPECT_EQ(install.find("introduction"), std::string::npos) << install;
  EXPECT_NE(setup.find("quick"), std::string::npos) << setup;
  // Entries that name the same page or section again refer to the first.
  EXPECT_EQ(list[13].BodyEntry, &list[12]);
  EXPECT_EQ(list[14].BodyEntry, &list[10]);
  EXPECT_EQ(list[12].BodyEntry, nullptr);
  // Links lead to the entry whose part holds the anchor, and hints name its number.
  const std::string links = Read("p3.htm");
  EXPECT_NE(links.find("<a href=\"#Bookmark12\">s</a><span data-tomeshift-hint>(See 11.2)</span>"), std::string::npos)
      << links;
  EXPECT_NE(links.find("<a href=\"#Bookmark12_later\">l</a><span data-tomeshift-hint>(See 11.2)</span>"),
            std::string::npos)
      << links;
  EXPECT_NE(links.find("<a href=\"#Bookmark10\">g</a><span data-tomeshift-hint>(See 11.)</span>"), std::string::npos)
      << links;
  EXPECT_NE(links.find("<a href=\"#Bookmark10\">n</a><span data-tomeshift-hint>(See 11.)</span>"), std::string::npos)
      << links;
  EXPECT_NE(setup.find("<a name=\"Bookmark12_later\"></a>"), std::string::npos) << setup;
}

TEST_F(Distill, TitlesWithTheirOwnNumbersKeepThem) {
  File("a.htm", Page("Intro", Unique(1)));
  File("b.htm", Page("Details", Unique(2) + "<p><a href=\"c.htm\">c</a></p>"));
  File("c.htm", Page("Index", Unique(3) + "<p><a href=\"b.htm\">b</a></p>"));
  Entry(u"1. Intro", 0, u"a.htm");
  Entry(u"1.1 Details", 1, u"b.htm");
  Entry(u"Index", 0, u"c.htm");
  distill_.AddHint = true;
  distill_.Execute();
  EXPECT_TRUE(distill_.TitlesNumbered);
  EXPECT_EQ(U8(distill_.List[0].ChapterNumber), "1");
  EXPECT_EQ(U8(distill_.List[1].ChapterNumber), "1.1");
  EXPECT_EQ(U8(distill_.List[2].ChapterNumber), "");
  // The hint shows the number the heading shows; a title without one gets no hint.
  EXPECT_NE(Read("c.htm").find("<a href=\"#Bookmark1\">b</a><span data-tomeshift-hint>(See 1.1)</span>"),
            std::string::npos)
      << Read("c.htm");
  EXPECT_NE(Read("b.htm").find("<a href=\"#Bookmark2\">c</a></p>"), std::string::npos) << Read("b.htm");
}

TEST_F(Distill, StatusesNumbersAndBookmarks) {
  TenPages();
  File("frames.htm", "<html><frameset cols=\"50%,50%\"><frame src=\"p1.htm\"></frameset></html>");
  Entry(u"Chapter", 0, u"");
  Entry(u"Web", 1, u"HTTP://example.com/x.htm");
  Entry(u"Frames", 1, u"frames.htm");
  Entry(u"Missing help file", 1, u"ms-its:nowhere.chm::/a.htm");
  distill_.Execute();
  const TTitleList& web = distill_.List[11];
  EXPECT_EQ(web.Status, kStatusWebAddress);
  EXPECT_EQ(U8(web.Url), "HTTP://example.com/x.htm");
  EXPECT_EQ(distill_.List[12].Status, kStatusHeading);
  EXPECT_EQ(distill_.List[13].Status, kStatusHeading);
  EXPECT_EQ(U8(distill_.List[13].Url), "");
  for (int i = 0; i < distill_.List.Count(); ++i) {
    EXPECT_EQ(U8(distill_.List[i].Bookmark), "Bookmark" + std::to_string(i));
  }
  EXPECT_EQ(U8(distill_.List[10].ChapterNumber), "11.");
  EXPECT_EQ(U8(distill_.List[13].ChapterNumber), "11.3");
}

TEST_F(Distill, AddendaGathersLinkedPagesWithTheirTitles) {
  TenPages();
  File("p3.htm", Page("Topic 3", Unique(3) + "<p><a href=\"sub/b.htm\">b</a> <a href=\"sub/a.htm#x\">a</a></p>"));
  File("sub/b.htm", Page("  Second &amp; last  ", Unique(40) + "<a href=\"a.htm\">a</a> <a href=\"c.htm\">c</a>"));
  File("sub/a.htm", Page("First", Unique(41)));
  File("sub/c.htm", "<html><body><p>No title here, just a block of text.</p></body></html>");
  distill_.AddHint = true;
  distill_.Execute();
  ASSERT_EQ(distill_.List.Count(), 14);
  EXPECT_EQ(U8(distill_.List[10].Topic), "Addenda");
  EXPECT_EQ(distill_.List[10].Status, kStatusHeading);
  EXPECT_EQ(U8(distill_.List[10].ChapterNumber), "11.");
  const char* urls[] = {"sub\\a.htm", "sub\\b.htm", "sub\\c.htm"};
  const char* topics[] = {"First", "Second & last", ""};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(U8(distill_.List[11 + i].Url), urls[i]);
    EXPECT_EQ(distill_.List[11 + i].Level, 1);
    if (i < 2) {
      EXPECT_EQ(U8(distill_.List[11 + i].Topic), topics[i]);
    }
  }
  EXPECT_EQ(U8(distill_.List[13].Topic),
            U8(distill_.TopicList.GetItemByFilename(kRoot + std::u16string(u"sub\\c.htm"))->Title3));
  EXPECT_EQ(distill_.NonTocicFiles.ObjectAs<TTitleList>(0), &distill_.List[11]);
  // links into the Addenda pages are bookmark references with hints
  EXPECT_NE(Read("p3.htm").find("<a href=\"#Bookmark12\">b</a><span data-tomeshift-hint>(See 11.2)</span>"),
            std::string::npos)
      << Read("p3.htm");
  EXPECT_NE(Read("p3.htm").find("<a href=\"#Bookmark11\">a</a><span data-tomeshift-hint>(See 11.1)</span>"),
            std::string::npos)
      << Read("p3.htm");
}

TEST_F(Distill, DiscardLeavesOutsidePagesOut) {
  TenPages();
  File("p3.htm", Page("Topic 3", Unique(3) + "<p><a href=\"sub/b.htm\">b</a></p>"));
  File("sub/b.htm", Page("Second", Unique(40)));
  distill_.Discard = true;
  distill_.Execute();
  EXPECT_EQ(distill_.List.Count(), 10);
  EXPECT_EQ(distill_.NonTocicFiles.Count(), 1);
  EXPECT_EQ(Read("sub/b.htm").find("Copyright"), std::string::npos);  // still distilled
  EXPECT_NE(Read("p3.htm").find("<a href=\"sub/b.htm\">b</a>"), std::string::npos);
}

TEST_F(Distill, LinksAnchorsAndFixesInPages) {
  TenPages();
  File("p1.htm",
       Page("Topic 1", "<p><a name=\"here\"></a>" + Unique(1).substr(3) +
                           "<p><a href=\"p2.htm#there\">t</a> "
                           "<a href=\"p2.htm#nothere\">n</a> <a href=\"#here\">h</a> <a href='/p4.htm'>f</a></p>"
                           "<div style=\"display: none\" align=\"justify\">hidden</div>"));
  File("p2.htm", Page("Topic 2", "<p><a name=there></a>" + Unique(2).substr(3)));
  File("p1.htm", Read("p1.htm").insert(12, "<link rel=\"stylesheet\" media=\"screen\" href=\"s.css\">"));
  File("s.css", "div{DISPLAY:none}");
  distill_.AddHint = true;
  distill_.HintFormat = u"p. [Title No.]";
  distill_.Execute();
  const std::string p1 = Read("p1.htm");
  EXPECT_NE(p1.find("<a name=\"Bookmark1_here\"></a>"), std::string::npos) << p1;
  EXPECT_NE(p1.find("<a href=\"#Bookmark2_there\">t</a><span data-tomeshift-hint>(p. 3.)</span>"), std::string::npos)
      << p1;
  EXPECT_NE(p1.find("<a href=\"#Bookmark2\">n</a><span data-tomeshift-hint>(p. 3.)</span>"), std::string::npos) << p1;
  EXPECT_NE(p1.find("<a href=\"#Bookmark1_here\">h</a> "), std::string::npos) << p1;
  EXPECT_NE(p1.find("<a href='#Bookmark4'>f</a><span data-tomeshift-hint>(p. 5.)</span>"), std::string::npos) << p1;
  EXPECT_NE(p1.find("style=\"display:block\" Align=\"left\""), std::string::npos) << p1;
  EXPECT_NE(p1.find("media=\"all\""), std::string::npos) << p1;
  EXPECT_EQ(Read("s.css"), "div{display:block}");
  EXPECT_EQ(distill_.CSSFiles.Count(), 1);
}

TEST_F(Distill, LinksNeverLeaveTheScratchFolder) {
  TenPages();
  fs_.AddFile(u"/scratch/outside.htm", Page("Outside", Unique(77)));
  fs_.AddFile(u"/scratch/outside.css", "p{display:none}");
  fs_.AddFile(u"/etc/secret.htm", "secret");
  File("p5.htm",
       Page("Topic 5", Unique(5) + "<a href=\"../outside.htm\">o</a><a href=\"..\\..\\etc\\secret.htm\">s</a>"
                                   "<link href=\"../outside.css\" rel=stylesheet><a href=\"/../outside.htm\">r</a>"
                                   "<img src=\"C:/Windows/x.htm\">"));
  Entry(u"Escape", 0, u"../outside.htm");
  Entry(u"Escape 2", 0, u"/../../etc/secret.htm");
  distill_.Execute();
  EXPECT_EQ(*fs_.ReadFile(u"/scratch/outside.htm"), Page("Outside", Unique(77)));
  EXPECT_EQ(*fs_.ReadFile(u"/scratch/outside.css"), "p{display:none}");
  EXPECT_EQ(*fs_.ReadFile(u"/etc/secret.htm"), "secret");
  for (const std::u16string& file : fs_.AllFiles()) {
    const bool inside = StartsText(u"/scratch/root/", file) || file == u"/help/main.chm" ||
                        file == u"/scratch/outside.htm" || file == u"/scratch/outside.css" ||
                        file == u"/etc/secret.htm";
    EXPECT_TRUE(inside) << U8(file);
  }
  EXPECT_EQ(U8(distill_.List[10].Url), "outside.htm");
  EXPECT_EQ(U8(distill_.List[11].Url), "secret.htm");
  EXPECT_TRUE(distill_.NonTocicFiles.Empty());
  EXPECT_TRUE(distill_.CSSFiles.Empty());
  const std::string p5 = Read("p5.htm");
  // the links now name the entries' (missing) pages inside the folder
  EXPECT_NE(p5.find("<a href=\"#Bookmark10\">o</a><a href=\"#Bookmark11\">s</a>"), std::string::npos) << p5;
  EXPECT_NE(p5.find("<link href=\"outside.css\""), std::string::npos) << p5;
  EXPECT_NE(p5.find("src=\"x.htm\""), std::string::npos) << p5;
}

TEST(TopicFileList, FindsTheFirstPageOfANameIgnoringCase) {
  testing::MemoryFileSystem fs;
  ScopedFileSystem scope(fs);
  TChmTopicFileList list;
  list.Add(std::make_unique<TChmTopicFile>(u"/r/A.htm", nullptr, u"one"));
  list.Add(std::make_unique<TChmTopicFile>(u"/r/a.HTM", nullptr, u"two"));
  ASSERT_NE(list.GetItemByFilename(u"/R/a.htm"), nullptr);
  EXPECT_EQ(list.GetItemByFilename(u"/R/a.htm")->Title1, u"one");
  EXPECT_EQ(list.GetItemByFilename(u"/r/b.htm"), nullptr);
  list.Clear();
  EXPECT_EQ(list.GetItemByFilename(u"/r/A.htm"), nullptr);
}

}  // namespace
}  // namespace tomeshift
