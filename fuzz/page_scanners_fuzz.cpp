// Drives the scanners that read page text: authoring-tool clean-up, body split, the block scanners
// in both directions, anchors and bookmarks, the shared-block comparison over several pages, link
// attribute scanning and rewriting. Up to four pages per input, separated by form feeds.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "converter/authoring_tools.h"
#include "converter/chm_topic_file.h"
#include "converter/link_rewriting.h"
#include "converter/topic_comparison.h"
#include "fuzz_support.h"
#include "platform/errors.h"
#include "text/html_tag_tree.h"
#include "text/text_utils.h"
#include "text/unicode.h"

using tomeshift::fuzzing::Fail;
using tomeshift::fuzzing::SplitParts;

namespace {

constexpr char16_t kRoot[] = u"\\scratch\\root\\";

// Walks the blocks of a page both ways: each walk ends at its end of the body in a bounded number
// of steps.
void WalkBlocks(tomeshift::TChmTopicFile& page) {
  const int limit = page.h + 2;
  page.IniticalizeTags();
  page.i = 1;
  int steps = 0;
  for (page.SearchDown(); page.FindText; page.SearchDown()) {
    if (++steps > limit) Fail("SearchDown does not reach the end of the body");
  }
  if (page.i != page.h + 1) Fail("SearchDown stops before the end of the body");
  page.IniticalizeTags();
  page.i = page.h;
  steps = 0;
  for (page.SearchUp(); page.i > 0; page.SearchUp()) {
    if (++steps > limit) Fail("SearchUp does not reach the start of the body");
  }
  if (page.i != 0) Fail("SearchUp stops past the start of the body");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::unique_ptr<tomeshift::TChmTopicFile>> pages;
  std::vector<tomeshift::TChmTopicFile*> pointers;
  try {
    for (std::string_view part : SplitParts(input, "\f", 4)) {
      const std::u16string text = tomeshift::U16(part);
      auto page = std::make_unique<tomeshift::TChmTopicFile>();
      page->Filename =
          std::u16string(kRoot) + u"page" + tomeshift::IntToStr(static_cast<std::int64_t>(pages.size())) + u".htm";
      page->Title1 = u"Topic";
      page->LoadPageText(tomeshift::PreprocessForSpecialHelpAuthoringTools(text));
      page->FindAnchors();
      WalkBlocks(*page);
      (void)page->Distiller();
      (void)tomeshift::DistillSection(page->Body, page->Title1);

      tomeshift::TLinkContext links;
      links.rootFolder = kRoot;
      links.chmFile = u"\\help\\main.chm";
      links.ExtractHelpFile = [](const std::u16string&, const std::u16string&) {};
      (void)tomeshift::ProcessSCR(links, text, page->Filename);
      const std::u16string folder = tomeshift::ExtractFolder(page->Filename);
      tomeshift::ScanLinkValues(text, [&](std::u16string_view value) {
        // A path the scratch folder accepts lies below it, in every spelling of the check.
        const std::u16string inside = tomeshift::CanonicalPathInRoot(kRoot, folder + std::u16string(value));
        if (inside.empty()) return;
        if (inside.compare(0, std::u16string_view(kRoot).size(), kRoot) != 0) Fail("a canonical path outside the root");
        if (tomeshift::IsOutOfRootfolder(kRoot, inside)) Fail("a canonical path the root check refuses");
      });

      page->Bookmarks.Add(u"x", u"X");
      page->Bookmarks.Add(u"y", u"Y");
      page->ProcessBookmarks();
      for (int n = 0; n < page->Bookmarks.Count(); ++n) {
        if (page->Bookmarks[n].Position > static_cast<std::uint32_t>(page->h) + 1u) Fail("a bookmark beyond the body");
      }

      tomeshift::TBookmarkContext bookmarks;
      bookmarks.AddHint = true;
      bookmarks.HintFormat = u"See [Title No.]";
      bookmarks.FindEntry = [](std::u16string_view url, tomeshift::TLinkTopic& entry) {
        if (url.empty() || url.size() % 2 == 1) return false;
        entry.Url = std::u16string(url);
        entry.Bookmark = u"_Toc1";
        entry.ChapterNumber = u"1.2";
        return true;
      };
      bookmarks.HasAnchor = [](std::u16string_view, std::u16string_view anchor) { return anchor.size() % 3 == 0; };
      tomeshift::TLinkTopic base{u"page0.htm", u"_Toc0", u"1"};
      (void)tomeshift::ChangeUrlBookmark(bookmarks, page->Body, base);

      if (!pages.empty()) (void)tomeshift::IsSimilarText(page->Body, pages.back()->Body);
      pointers.push_back(page.get());
      pages.push_back(std::move(page));
    }
    for (auto* page : pointers) {
      page->IniticalizeTags();
      page->i = 1;
      page->h = static_cast<std::int32_t>(page->Body.size());
    }
    tomeshift::RunComparisonPasses(pointers, pointers.size() > 1 ? pointers.size() - 1 : pointers.size());
    for (auto* page : pointers) {
      if (page->SamePointL < 0 || page->SamePointH > static_cast<std::int32_t>(page->Body.size()) + 1) {
        Fail("shared-block bounds outside the body");
      }
      (void)page->Distiller();
    }
  } catch (const tomeshift::TomeshiftError&) {
  }
  return 0;
}
