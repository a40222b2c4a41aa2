#include "converter/topic_comparison.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <map>
#include <optional>
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

// The work one direction's passes may do, in steps of the character walk (a character compared; the
// look at a candidate is charged in the same steps). Once it is spent, a block counts as like another
// only when the two are equal: what is left is decided without the walks, keeping text rather than
// cutting it on a guess.
class WalkBudget {
 public:
  explicit WalkBudget(std::size_t steps) : left_(steps), spent_(steps == 0) {}

  bool Spent() const { return spent_; }
  void Charge(std::size_t steps) {
    if (steps < left_) {
      left_ -= steps;
    } else {
      left_ = 0;
      spent_ = true;
    }
  }
  bool Similar(std::u16string_view a, std::u16string_view b) {
    if (!spent_) {
      std::size_t steps = 0;
      const std::optional<bool> similar = IsSimilarLoweredWithin(a, b, left_, steps);
      Charge(steps);
      if (similar) return *similar;
      spent_ = true;
    }
    return !a.empty() && a == b;
  }

 private:
  std::size_t left_;
  bool spent_;
};

// Characters counted by class, for bounds on how many of one text's characters another can hold:
// the walk counts only characters it finds in the other text, each at a place of its own there.
class CharacterCounts {
 public:
  static constexpr std::size_t kClasses = 64;

  explicit CharacterCounts(std::u16string_view text) : length_(text.size()), usable_(text.size() <= 0xFFFF) {
    for (const char16_t c : text) mask_ |= std::uint64_t{1} << Class(c);
    if (!usable_) return;
    for (const char16_t c : text) ++counts_[Class(c)];
  }

  // The classes the text holds.
  std::uint64_t Mask() const { return mask_; }

  // Whether a text holding the classes of mask can have more than 80 percent of the shorter text
  // (of `shorter` characters) in common with this one: none of this text's characters of a class the
  // other lacks is found. Cheap, and enough to rule out most short texts.
  bool MayBeSimilar(std::uint64_t mask, std::size_t shorter) const {
    if (!usable_) return true;
    std::size_t lost = 0;
    for (std::uint64_t missing = mask_ & ~mask; missing != 0; missing &= missing - 1)
      lost += counts_[static_cast<std::size_t>(std::countr_zero(missing))];
    return 5 * (length_ - lost) > 4 * shorter;
  }

  // The same with the other text's counts: no more than the smaller count per class is found.
  static bool MayBeSimilar(const CharacterCounts& a, const CharacterCounts& b, std::size_t shorter) {
    if (!a.usable_ || !b.usable_) return true;
    std::size_t common = 0;
    for (std::size_t n = 0; n < kClasses; ++n) common += std::min(a.counts_[n], b.counts_[n]);
    return 5 * common > 4 * shorter;
  }

 private:
  // Letters, digits and the space each have a class of their own; other characters share the rest.
  static std::size_t Class(char16_t c) {
    if (c >= u'a' && c <= u'z') return c - u'a';
    if (c >= u'0' && c <= u'9') return 26 + (c - u'0');
    if (c == u' ') return 36;
    if (c < 0x80) return 37 + c % 11;
    return 48 + c % 16;
  }
  std::array<std::uint16_t, kClasses> counts_{};
  std::uint64_t mask_ = 0;
  std::size_t length_;
  bool usable_;
};

// Small help files get the budget of this many pages.
constexpr std::size_t kMinBudgetPages = 5000;

// What looking at a candidate and comparing its classes, or its counts, costs, in walk steps (mostly
// reading its entry from memory).
constexpr std::size_t kCandidateSteps = 10;
constexpr std::size_t kCountsSteps = 20;

// The current blocks of the contents pages, which alone vote on what is shared: counted by text and
// grouped by length. A block can be similar to another only when the two are equal, or both have at
// least five characters and lengths at most 50 apart; so most pages are settled by counting, and the
// character walk runs once per distinct text of a nearby length instead of once per page, and only
// when the character counts leave it a chance.
class ContentsBlocks {
 public:
  void Add(const std::u16string& text) { Change(text, +1); }
  void Remove(const std::u16string& text) { Change(text, -1); }

  // How many blocks equal text.
  std::size_t Equal(const std::u16string& text) const {
    const auto bucket = by_length_.find(text.size());
    if (bucket == by_length_.end()) return 0;
    const auto it = bucket->second.index.find(text);
    return it == bucket->second.index.end() ? 0 : bucket->second.counts[it->second];
  }

  // Whether at least `needed` blocks are similar to a, given that `equal` of them equal it (the
  // caller leaves a's own page out of that count). Only the answer matters, and the walks have no
  // side effects: they stop as soon as it is settled either way. Once the budget is spent, equal
  // blocks alone count.
  bool SimilarToAtLeast(const std::u16string& a, std::size_t equal, std::size_t needed, WalkBudget& budget) const {
    if (equal >= needed) return true;
    // Only equal blocks are similar to a short one, and once the budget is spent.
    if (a.size() < 5 || budget.Spent()) return false;
    const std::size_t low = a.size() < 55 ? 5 : a.size() - 50;
    const auto first = by_length_.lower_bound(low), last = by_length_.upper_bound(a.size() + 50);
    std::size_t left = 0;  // blocks near in length, not equal to a, not yet walked
    for (auto it = first; it != last; ++it) left += it->second.total;
    left -= Equal(a);
    std::size_t similar = equal;
    if (similar + left < needed) return false;
    const CharacterCounts counts(a);
    budget.Charge(a.size());
    for (auto it = first; it != last; ++it) {
      const Bucket& bucket = it->second;
      const std::size_t shorter = std::min(a.size(), it->first);
      const auto self = it->first == a.size() ? bucket.index.find(a) : bucket.index.end();
      const std::size_t skip = self == bucket.index.end() ? bucket.texts.size() : self->second;
      for (std::size_t e = 0; e < bucket.texts.size(); ++e) {
        if (e == skip) continue;
        if (similar + left < needed) return false;
        left -= bucket.counts[e];
        budget.Charge(kCandidateSteps);
        if (!counts.MayBeSimilar(bucket.masks[e], shorter)) continue;
        budget.Charge(kCountsSteps);
        if (CharacterCounts::MayBeSimilar(counts, bucket.characters[e], shorter) &&
            budget.Similar(a, *bucket.texts[e]) && (similar += bucket.counts[e]) >= needed)
          return true;
        if (budget.Spent()) return false;
      }
    }
    return similar >= needed;
  }

 private:
  // The distinct texts of one length, their counts and classes side by side, so that going through
  // them reads memory in order.
  struct Bucket {
    std::size_t total = 0;
    std::vector<const std::u16string*> texts;  // the keys of index
    std::vector<std::size_t> counts;
    std::vector<std::uint64_t> masks;
    std::vector<CharacterCounts> characters;
    std::unordered_map<std::u16string, std::size_t> index;  // text to its place in the vectors
  };
  void Change(const std::u16string& text, int delta) {
    if (text.empty()) return;  // an empty block is never similar
    Bucket& bucket = by_length_[text.size()];
    auto it = bucket.index.find(text);
    if (it == bucket.index.end()) {
      it = bucket.index.emplace(text, bucket.texts.size()).first;
      bucket.texts.push_back(&it->first);
      bucket.counts.push_back(0);
      bucket.characters.emplace_back(text);
      bucket.masks.push_back(bucket.characters.back().Mask());
    }
    const std::size_t at = it->second;
    bucket.counts[at] += delta;
    bucket.total += delta;
    if (bucket.counts[at] == 0) {
      if (at + 1 != bucket.texts.size()) {
        bucket.texts[at] = bucket.texts.back();
        bucket.counts[at] = bucket.counts.back();
        bucket.masks[at] = bucket.masks.back();
        bucket.characters[at] = bucket.characters.back();
        bucket.index[*bucket.texts[at]] = at;
      }
      bucket.texts.pop_back();
      bucket.counts.pop_back();
      bucket.masks.pop_back();
      bucket.characters.pop_back();
      bucket.index.erase(it);
    }
    if (bucket.total == 0) by_length_.erase(text.size());
  }
  std::map<std::size_t, Bucket> by_length_;
};

// Drives the block scanners of all pages in step. Each page's current block is lowered once, when the
// page moves to it, rather than in every one of the many comparisons it takes part in.
class ComparisonPasses {
 public:
  ComparisonPasses(std::span<TChmTopicFile* const> pages, std::size_t contentsCount, bool byShape,
                   std::size_t stepsPerPage)
      : byShape_(byShape),
        steps_(Budget(stepsPerPage, std::max<std::size_t>(pages.size(), kMinBudgetPages))),
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

  bool CutShort() const { return cutShort_; }

  static std::size_t Budget(std::size_t stepsPerPage, std::size_t pages) {
    const std::size_t most = static_cast<std::size_t>(-1);
    return stepsPerPage > most / pages ? most : stepsPerPage * pages;
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
  bool Similar(std::size_t a, std::size_t b) { return budget_.Similar(lowered_[a], lowered_[b]); }
  bool SimilarShape(std::size_t a, std::size_t b) {
    return shapes_[a].LinkLine && shapes_[b].LinkLine && budget_.Similar(shapes_[a].Text, shapes_[b].Text);
  }

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
  Shared SharedByEnough(std::size_t j) {
    const auto threshold = static_cast<std::size_t>(threshold_);
    const std::u16string& a = lowered_[j];
    std::size_t equal = blocks_.Equal(a);
    if (j < contents_ && !a.empty()) --equal;  // the page itself
    if (blocks_.SimilarToAtLeast(a, equal, threshold, budget_)) return Shared::ByText;
    const TBlockShape& shape = shapes_[j];
    if (!shape.LinkLine) return Shared::No;
    equal = shapeBlocks_.Equal(shape.Text);
    if (j < contents_ && !shape.Text.empty()) --equal;
    return shapeBlocks_.SimilarToAtLeast(shape.Text, equal, threshold, budget_) ? Shared::ByShape : Shared::No;
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

  // Link lines with fixed words found shared, for cutting the same navigation inside the pages.
  void Recognise(const TBlockShape& shape) {
    if (!byShape_ || !shape.LinkLine || !shape.FixedWords || recognised_.size() >= kMaxKnownBlocks) return;
    for (const TBlockShape& known : recognised_)
      if (known.Text == shape.Text) return;
    recognised_.push_back(shape);
  }

  // A lone link that most pages hold with the same text ("Next", "Home").
  static bool LoneLink(const TBlockShape& shape) {
    return shape.LinkLine && !shape.FixedMarks && shape.Links.size() == 1;
  }

  void Remember(std::size_t j, Shared shared) {
    if (!byShape_) return;
    const TBlockShape& shape = shapes_[j];
    Recognise(shape);
    const bool loneLink = shared != Shared::No && LoneLink(shape);
    if (!shape.FixedMarks && !loneLink) return;
    for (const Known& known : known_)
      if (known.shape.Text == shape.Text && (!loneLink || known.lowered == lowered_[j])) return;
    if (known_.size() < kMaxKnownBlocks) known_.push_back(Known{lowered_[j], shape});
  }

  // Only link lines with something fixed besides their links ("Next:", "Up:", the "»" of a trail of
  // parent pages, whose length differs from page to page) are looked for without a vote, and lone links
  // with the very text most pages share ("Next" on the pages whose bar has no "Previous"): any lone
  // link is too common in the pages' own text, and the text rule finds a short block inside any longer
  // one.
  bool MatchesKnown(std::size_t n) const {
    for (const Known& known : known_) {
      if (known.shape.FixedMarks ? SimilarShapes(known.shape, shapes_[n])
                                 : LoneLink(shapes_[n]) && known.lowered == lowered_[n])
        return true;
    }
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
      Remember(j, shared);
      for (std::size_t l = 0; l < pages_.size(); ++l) {
        if (l == j || !(shared == Shared::ByText ? Similar(j, l) : SimilarShape(j, l))) continue;
        // Each page's form of the line ("Next: ◦, Up: ◦" where the others have a "Previous:" too) is
        // looked for inside the pages: a long page repeats its header at its bottom.
        Recognise(shapes_[l]);
        Cut(l, up);
      }
      Advance(j, up);
    }
  }

  // Pages that stopped at a block found shared elsewhere (out of step with the others) lose it, and
  // the pass runs again from where they are now.
  void Passes(bool up) {
    budget_ = WalkBudget(steps_);
    for (int round = 0; round < kMaxRounds; ++round) {
      Pass(up);
      if (!byShape_) break;
      bool moved = false;
      for (std::size_t n = 0; n < pages_.size(); ++n) {
        CheckCancel();
        while (!lowered_[n].empty() && MatchesKnown(n)) {
          // The variant (no "Previous:" on a first page) is looked for inside the pages too.
          Recognise(shapes_[n]);
          Cut(n, up);
          moved = true;
        }
      }
      if (!moved) break;
    }
    cutShort_ = cutShort_ || budget_.Spent();
  }

  const bool byShape_;
  const std::size_t steps_;  // the walks' budget in each direction
  WalkBudget budget_{0};
  bool cutShort_ = false;
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
                                             bool byShape, bool* cutShort, std::size_t stepsPerPage) {
  ComparisonPasses passes(pages, contentsCount, byShape, stepsPerPage);
  std::vector<TBlockShape> shapes = passes.Run();
  if (cutShort) *cutShort = passes.CutShort();
  return shapes;
}

}  // namespace tomeshift
