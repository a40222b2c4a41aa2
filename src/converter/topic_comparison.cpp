#include "converter/topic_comparison.h"

#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "converter/chm_topic_file.h"
#include "platform/cancellation.h"
#include "text/text_utils.h"

namespace tomeshift {

namespace {

// Whether the markup holds a link start tag: only such blocks have a shape worth working out.
bool HoldsLink(std::u16string_view markup) {
  for (std::size_t at = markup.find(u'<'); at != std::u16string_view::npos; at = markup.find(u'<', at + 1)) {
    if (at + 2 < markup.size() && (markup[at + 1] == u'a' || markup[at + 1] == u'A') &&
        (IsWhitespace(markup[at + 2]) || markup[at + 2] == u'>'))
      return true;
  }
  return false;
}

// Pages whose navigation differs a little (the first page has no "previous") fall out of step with
// the others; blocks already found shared are looked for again this many times.
constexpr int kMaxRounds = 8;
// Bounds the blocks remembered as shared, and so the work of looking for them again.
constexpr std::size_t kMaxKnownBlocks = 64;

// The current blocks of the contents pages, which alone vote on what is shared: counted by text and
// grouped by length. A block can be similar to another only when the two are equal, or both have at
// least five characters and lengths at most 50 apart; so most pages are settled by counting, and the
// character walk runs once per distinct text of a nearby length instead of once per page.
class ContentsBlocks {
 public:
  void Add(const std::u16string& text) { Change(text, +1); }
  void Remove(const std::u16string& text) { Change(text, -1); }

  // How many blocks equal text.
  std::size_t Equal(const std::u16string& text) const {
    const auto bucket = by_length_.find(text.size());
    if (bucket == by_length_.end()) return 0;
    const auto it = bucket->second.texts.find(text);
    return it == bucket->second.texts.end() ? 0 : it->second;
  }

  // Whether at least `needed` blocks are similar to a, given that `equal` of them equal it (the
  // caller leaves a's own page out of that count). Only the answer matters, and the walks have no
  // side effects: they stop as soon as it is settled either way.
  bool SimilarToAtLeast(const std::u16string& a, std::size_t equal, std::size_t needed) const {
    if (equal >= needed) return true;
    if (a.size() < 5) return false;  // only equal blocks are similar to a short one
    const std::size_t low = a.size() < 55 ? 5 : a.size() - 50;
    const auto first = by_length_.lower_bound(low), last = by_length_.upper_bound(a.size() + 50);
    std::size_t left = 0;  // blocks near in length, not equal to a, not yet walked
    for (auto it = first; it != last; ++it) left += it->second.total;
    left -= Equal(a);
    std::size_t similar = equal;
    if (similar + left < needed) return false;
    for (auto it = first; it != last; ++it) {
      for (const auto& [text, count] : it->second.texts) {
        if (text == a) continue;
        if (similar + left < needed) return false;
        left -= count;
        if (IsSimilarLowered(a, text) && (similar += count) >= needed) return true;
      }
    }
    return similar >= needed;
  }

 private:
  struct Bucket {
    std::size_t total = 0;
    std::unordered_map<std::u16string, std::size_t> texts;
  };
  void Change(const std::u16string& text, int delta) {
    if (text.empty()) return;  // an empty block is never similar
    Bucket& bucket = by_length_[text.size()];
    std::size_t& count = bucket.texts[text];
    count += delta;
    bucket.total += delta;
    if (count == 0) bucket.texts.erase(text);
    if (bucket.total == 0) by_length_.erase(text.size());
  }
  std::map<std::size_t, Bucket> by_length_;
};

// Drives the block scanners of all pages in step. Each page's current block is lowered once, when the
// page moves to it, rather than in every one of the many comparisons it takes part in.
class ComparisonPasses {
 public:
  ComparisonPasses(std::span<TChmTopicFile* const> pages, std::size_t contentsCount, bool byShape)
      : byShape_(byShape),
        pages_(pages),
        contents_(contentsCount < pages.size() ? contentsCount : pages.size()),
        threshold_(SharedBlockThreshold(contents_)),
        lowered_(pages.size()),
        shapes_(pages.size()) {
    if (!byShape_) return;
    for (std::size_t n = 0; n < contents_; ++n) {
      std::u16string key = TitleKey(pages_[n]->Title1);
      if (!key.empty()) titles_.insert(std::move(key));
    }
  }

  std::vector<TBlockShape> Run() {
    if (threshold_ == 0) return {};  // no contents page: every block would count as shared
    for (std::size_t n = 0; n < pages_.size(); ++n) {
      TChmTopicFile& page = *pages_[n];
      page.IniticalizeTags();
      page.i = page.h;
      page.SearchUp();
      Lower(n);
    }
    Passes(/*up=*/true);

    for (std::size_t n = 0; n < pages_.size(); ++n) {
      TChmTopicFile& page = *pages_[n];
      page.IniticalizeTags();
      page.i = 1;
      page.SearchDown();
      Lower(n);
    }
    known_.clear();
    Passes(/*up=*/false);

    std::size_t titles = 0;
    for (std::size_t n = 0; n < contents_; ++n)
      if (pages_[n]->IsTitle()) ++titles;
    if (titles * 5 <= contents_ * 4) return std::move(recognised_);  // not above 80 percent
    for (std::size_t n = 0; n < pages_.size(); ++n) {
      TChmTopicFile& page = *pages_[n];
      if (page.IsTitle()) page.TitleFound = true;
      page.Title3 = page.Text;
      page.SearchDown();
      Lower(n);
    }
    Passes(/*up=*/false);
    return std::move(recognised_);
  }

 private:
  struct Known {
    std::u16string lowered;
    TBlockShape shape;
  };

  void Lower(std::size_t n) {
    const TChmTopicFile& page = *pages_[n];
    if (n < contents_) {
      blocks_.Remove(lowered_[n]);
      if (shapes_[n].LinkLine) shapeBlocks_.Remove(shapes_[n].Text);
    }
    lowered_[n] = LowerCase(page.Text);
    shapes_[n] = TBlockShape();
    if (byShape_ && page.FindText) {
      const std::u16string_view block = page.CurrentBlock();
      if (HoldsLink(block)) {
        shapes_[n] = ShapeOfBlock(block);
      } else if (titles_.count(TitleKey(page.Text)) != 0 && !RepeatsTitle(page)) {
        // Another topic's title standing alone, as in "Chapter 3. Troubleshooting" below a "Next" link,
        // is a reference to it like a link.
        shapes_[n].Text.assign(1, kLinkMark);
        shapes_[n].LinkLine = true;
      }
    }
    if (n < contents_) {
      blocks_.Add(lowered_[n]);
      if (shapes_[n].LinkLine) shapeBlocks_.Add(shapes_[n].Text);
    }
  }
  bool Similar(std::size_t a, std::size_t b) const { return IsSimilarLowered(lowered_[a], lowered_[b]); }

  // The current block repeats the page's own title, bar a number before it or a permalink sign after it.
  static bool RepeatsTitle(const TChmTopicFile& page) {
    if (!page.FindText) return false;
    const std::u16string key = TitleKey(page.Text);
    return !key.empty() && (key == TitleKey(page.Title1) || key == TitleKey(page.Title2));
  }

  enum class Shared { No, ByText, ByShape };

  // Whether at least threshold other contents pages have a block like page j's: alike in text, or else,
  // for a line of links, alike in shape (the same similarity rule on the masked texts, kept in an index
  // of their own). The two are counted apart: a vote of a few pages with similar words and a few with a
  // similar row of links is no agreement.
  Shared SharedByEnough(std::size_t j) const {
    const auto threshold = static_cast<std::size_t>(threshold_);
    const std::u16string& a = lowered_[j];
    std::size_t equal = blocks_.Equal(a);
    if (j < contents_ && !a.empty()) --equal;  // the page itself
    if (blocks_.SimilarToAtLeast(a, equal, threshold)) return Shared::ByText;
    const TBlockShape& shape = shapes_[j];
    if (!shape.LinkLine) return Shared::No;
    equal = shapeBlocks_.Equal(shape.Text);
    if (j < contents_ && !shape.Text.empty()) --equal;
    return shapeBlocks_.SimilarToAtLeast(shape.Text, equal, threshold) ? Shared::ByShape : Shared::No;
  }

  void Advance(std::size_t n, bool up) {
    TChmTopicFile& page = *pages_[n];
    if (up)
      page.SearchUp();
    else
      page.SearchDown();
    Lower(n);
  }

  void Cut(std::size_t n, bool up) {
    TChmTopicFile& page = *pages_[n];
    if (up)
      page.SamePointH = page.i - 1;
    else
      page.SamePointL = page.i;
    Advance(n, up);
  }

  void Remember(std::size_t j) {
    if (!byShape_) return;
    const TBlockShape& shape = shapes_[j];
    if (shape.LinkLine && shape.FixedWords) {
      bool seen = false;
      for (const TBlockShape& known : recognised_) seen = seen || known.Text == shape.Text;
      if (!seen) recognised_.push_back(shape);
    }
    if (!shape.FixedMarks) return;
    for (const Known& known : known_)
      if (known.shape.Text == shape.Text) return;
    if (known_.size() < kMaxKnownBlocks) known_.push_back(Known{lowered_[j], shape});
  }

  // Only link lines with something fixed besides their links ("Next:", "Up:", the "»" of a trail of
  // parent pages, whose length differs from page to page) are looked for without a vote: a lone link
  // is too common in the pages' own text, and the text rule finds a short block inside any longer one.
  bool MatchesKnown(std::size_t n) const {
    for (const Known& known : known_)
      if (known.shape.FixedMarks && SimilarShapes(known.shape, shapes_[n])) return true;
    return false;
  }

  // A block that enough other contents pages share at the current place is cut from every page that
  // has it, and that page's scan moves on; the same page is then tested again with its next block.
  void Pass(bool up) {
    for (std::size_t j = 0; j < pages_.size();) {
      CheckCancel();
      if (lowered_[j].empty()) {
        ++j;
        continue;
      }
      const Shared shared = SharedByEnough(j);
      if (shared == Shared::No) {
        ++j;
        continue;
      }
      Remember(j);
      for (std::size_t l = 0; l < pages_.size(); ++l)
        if (l != j && (shared == Shared::ByText ? Similar(j, l) : SimilarShapes(shapes_[j], shapes_[l]))) Cut(l, up);
      Advance(j, up);
    }
  }

  // Pages that stopped at a block found shared elsewhere (out of step with the others) lose it, and
  // the pass runs again from where they are now.
  void Passes(bool up) {
    for (int round = 0; round < kMaxRounds; ++round) {
      Pass(up);
      if (!byShape_) return;
      bool moved = false;
      for (std::size_t n = 0; n < pages_.size(); ++n) {
        CheckCancel();
        while (!lowered_[n].empty() && MatchesKnown(n)) {
          Cut(n, up);
          moved = true;
        }
      }
      if (!moved) return;
    }
  }

  const bool byShape_;
  std::span<TChmTopicFile* const> pages_;
  std::size_t contents_;
  int threshold_;
  std::vector<std::u16string> lowered_;
  std::vector<TBlockShape> shapes_;
  ContentsBlocks blocks_;                      // the contents pages' current blocks
  ContentsBlocks shapeBlocks_;                 // the masked texts of those that are link lines
  std::unordered_set<std::u16string> titles_;  // the contents pages' titles as TitleKey has them
  std::vector<Known> known_;                   // blocks found shared in this direction
  std::vector<TBlockShape> recognised_;        // shared link lines with fixed words
};

}  // namespace

int SharedBlockThreshold(std::size_t contentsCount) {
  // 0.8 x N to the nearest integer; 4N/5 never ends in exactly .5, so no tie needs breaking.
  return static_cast<int>((4 * contentsCount + 2) / 5);
}

std::vector<TBlockShape> RunComparisonPasses(std::span<TChmTopicFile* const> pages, std::size_t contentsCount,
                                             bool byShape) {
  return ComparisonPasses(pages, contentsCount, byShape).Run();
}

}  // namespace tomeshift
