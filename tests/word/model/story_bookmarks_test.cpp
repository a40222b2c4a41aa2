// Bookmarks of a story under long edit sequences: name look-ups and positions checked against a
// plain list that is searched and moved the slow way, so that look-up indexes and shortcuts for
// text added at the end cannot drift from what the edits mean.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/unicode.h"
#include "word/model/story.h"

namespace tomeshift::word {
namespace {

struct Mark {
  std::u16string name;
  std::size_t start, end;
};

// The meaning of an insert, written out plainly.
void MoveForInsert(std::vector<Mark>& marks, std::size_t pos, std::size_t len) {
  for (auto& m : marks) {
    if (m.start == m.end) {
      if (pos <= m.start) m.start = m.end = m.start + len;
    } else {
      if (pos <= m.start) m.start += len;
      if (pos < m.end) m.end += len;
    }
  }
}

const Mark* Find(const std::vector<Mark>& marks, std::u16string_view name) {
  auto fold = [](std::u16string s) {
    for (auto& c : s)
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    return s;
  };
  for (const auto& m : marks)
    if (fold(m.name) == fold(std::u16string(name))) return &m;
  return nullptr;
}

void ExpectSame(const Story& story, const std::vector<Mark>& marks, int step) {
  ASSERT_EQ(story.bookmarks().size(), marks.size()) << "step " << step;
  for (std::size_t i = 0; i < marks.size(); ++i) {
    EXPECT_EQ(story.bookmarks()[i].start, marks[i].start) << "step " << step << ", " << U8(marks[i].name);
    EXPECT_EQ(story.bookmarks()[i].end, marks[i].end) << "step " << step << ", " << U8(marks[i].name);
  }
}

TEST(StoryBookmarks, RandomEditsKeepNamesAndPositionsAsTheSlowWayDoes) {
  std::mt19937 rng(20000);
  Story story;
  std::vector<Mark> marks;
  auto name_of = [](unsigned k) { return U16("Mark" + std::to_string(k % 40) + (k % 3 ? "a" : "A")); };
  for (int step = 0; step < 4000; ++step) {
    const unsigned op = rng() % 10;
    const std::size_t size = story.size();
    if (op < 4) {  // text, mostly at the end as a document is built
      const std::size_t pos = rng() % 4 ? size - 1 : rng() % size;
      const std::size_t len = 1 + rng() % 5;
      story.Insert(pos, std::u16string(len, u'x'), CharAttr{});
      MoveForInsert(marks, pos, len);
    } else if (op < 6) {  // a new bookmark, possibly repeating a name in another case
      const std::size_t a = rng() % size, b = a + rng() % (size - a);
      const std::u16string name = name_of(rng());
      story.bookmarks().push_back(Bookmark{name, a, b});
      marks.push_back(Mark{name, a, b});
    } else if (op < 8) {  // an existing bookmark moved through the look-up, as Bookmarks.Add does
      const std::u16string name = name_of(rng());
      Bookmark* found = story.FindBookmark(name);
      const Mark* expected = Find(marks, name);
      ASSERT_EQ(found != nullptr, expected != nullptr) << "step " << step << ", " << U8(name);
      if (found) {
        EXPECT_EQ(found->name, expected->name);
        const std::size_t at = size - 1;  // beyond every other position: text inserted there must move it
        found->start = found->end = at;
        const_cast<Mark*>(expected)->start = const_cast<Mark*>(expected)->end = at;
      }
    } else if (op < 9) {  // a read-only look-up
      const std::u16string name = name_of(rng());
      const Story& view = story;
      const Bookmark* found = view.FindBookmark(name);
      const Mark* expected = Find(marks, name);
      ASSERT_EQ(found != nullptr, expected != nullptr) << "step " << step;
      if (found) {
        EXPECT_EQ(found->name, expected->name) << "step " << step;
      }
    } else if (rng() % 20 == 0) {  // refilled, or replaced by a copy
      if (rng() % 2) {
        story.Clear();
        story.Insert(0, u"\r", CharAttr{});
        marks.clear();
      } else {
        Story copy = story;
        story = copy;
      }
    }
    ExpectSame(story, marks, step);
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(StoryBookmarks, MovedFromStoryStartsAfresh) {
  Story a;
  a.Insert(0, u"abc", CharAttr{});
  a.bookmarks().push_back(Bookmark{u"One", 1, 2});
  ASSERT_NE(a.FindBookmark(u"one"), nullptr);
  Story b = std::move(a);
  EXPECT_NE(b.FindBookmark(u"ONE"), nullptr);
  a = Story();
  a.Insert(0, u"abc", CharAttr{});
  a.bookmarks().push_back(Bookmark{u"Two", 3, 3});
  EXPECT_EQ(a.FindBookmark(u"one"), nullptr);
  ASSERT_NE(a.FindBookmark(u"two"), nullptr);
  a.Insert(3, u"zz", CharAttr{});
  EXPECT_EQ(a.FindBookmark(u"two")->start, 5u);
}

}  // namespace
}  // namespace tomeshift::word
