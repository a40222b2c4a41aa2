#include "converter/topic_comparison.h"

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "converter/chm_topic_file.h"
#include "platform/cancellation.h"
#include "text/text_utils.h"

namespace tomeshift {

namespace {

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
  ComparisonPasses(std::span<TChmTopicFile* const> pages, std::size_t contentsCount)
      : pages_(pages),
        contents_(contentsCount < pages.size() ? contentsCount : pages.size()),
        threshold_(SharedBlockThreshold(contents_)),
        lowered_(pages.size()) {}

  void Run() {
    if (threshold_ == 0) return;  // no contents page: every block would count as shared
    for (std::size_t n = 0; n < pages_.size(); ++n) {
      TChmTopicFile& page = *pages_[n];
      page.IniticalizeTags();
      page.i = page.h;
      page.SearchUp();
      Lower(n);
    }
    Pass(/*up=*/true);

    for (std::size_t n = 0; n < pages_.size(); ++n) {
      TChmTopicFile& page = *pages_[n];
      page.IniticalizeTags();
      page.i = 1;
      page.SearchDown();
      Lower(n);
    }
    Pass(/*up=*/false);

    std::size_t titles = 0;
    for (std::size_t n = 0; n < contents_; ++n)
      if (pages_[n]->IsTitle()) ++titles;
    if (titles * 5 <= contents_ * 4) return;  // not above 80 percent
    for (std::size_t n = 0; n < pages_.size(); ++n) {
      TChmTopicFile& page = *pages_[n];
      if (page.IsTitle()) page.TitleFound = true;
      page.Title3 = page.Text;
      page.SearchDown();
      Lower(n);
    }
    Pass(/*up=*/false);
  }

 private:
  void Lower(std::size_t n) {
    if (n < contents_) blocks_.Remove(lowered_[n]);
    lowered_[n] = LowerCase(pages_[n]->Text);
    if (n < contents_) blocks_.Add(lowered_[n]);
  }
  bool Similar(std::size_t a, std::size_t b) const { return IsSimilarLowered(lowered_[a], lowered_[b]); }

  // Whether at least threshold other contents pages have a block similar to page j's.
  bool SharedByEnough(std::size_t j) const {
    const std::u16string& a = lowered_[j];
    std::size_t equal = blocks_.Equal(a);
    if (j < contents_) --equal;  // the page itself
    return blocks_.SimilarToAtLeast(a, equal, static_cast<std::size_t>(threshold_));
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
      if (!SharedByEnough(j)) {
        ++j;
        continue;
      }
      for (std::size_t l = 0; l < pages_.size(); ++l) {
        if (l == j || !Similar(j, l)) continue;
        TChmTopicFile& page = *pages_[l];
        if (up) {
          page.SamePointH = page.i - 1;
          page.SearchUp();
        } else {
          page.SamePointL = page.i;
          page.SearchDown();
        }
        Lower(l);
      }
      if (up)
        pages_[j]->SearchUp();
      else
        pages_[j]->SearchDown();
      Lower(j);
    }
  }

  std::span<TChmTopicFile* const> pages_;
  std::size_t contents_;
  int threshold_;
  std::vector<std::u16string> lowered_;
  ContentsBlocks blocks_;
};

}  // namespace

int SharedBlockThreshold(std::size_t contentsCount) {
  // 0.8 x N to the nearest integer; 4N/5 never ends in exactly .5, so no tie needs breaking.
  return static_cast<int>((4 * contentsCount + 2) / 5);
}

void RunComparisonPasses(std::span<TChmTopicFile* const> pages, std::size_t contentsCount) {
  ComparisonPasses(pages, contentsCount).Run();
}

}  // namespace tomeshift
