#include "word/automation/word_range.h"

#include <algorithm>

#include "word/automation/engine_clipboard.h"
#include "word/model/story_builder.h"
#include "word/model/story_edit.h"
#include "word/model/word_error.h"

namespace tomeshift::word {

Range::Range(DocModel* doc, Story* story, std::size_t start, std::size_t end) : doc_(doc), story_(story) {
  end = std::min(end, story->size());
  start = std::min(start, end);
  pos_ = story->Track(start, end);
}

void Range::SetStart(std::size_t v) {
  pos_->start = std::min(v, story_->size());
  if (pos_->end < pos_->start) pos_->end = pos_->start;
}

void Range::SetEnd(std::size_t v) {
  pos_->end = std::min(v, story_->size());
  if (pos_->start > pos_->end) pos_->start = pos_->end;
}

std::u16string Range::Text() const { return story_->text().substr(Start(), End() - Start()); }

std::size_t Range::InsertText(std::size_t pos, std::u16string_view text) {
  Story& s = *story_;
  // Nothing lies after a story's final paragraph mark: text for there goes before it.
  pos = std::min(pos, s.size() - 1);
  // The paragraph that an inserted mark splits gives it its props.
  std::size_t holder = s.BlockEnd(pos);
  std::uint32_t para_fmt = s.at(holder) == ch::kTable ? 0 : s.attr(holder).fmt;
  std::uint32_t run_fmt = InsertionRunFormat(s, pos);
  std::u16string out;
  std::vector<CharAttr> attrs;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\n' && i > 0 && text[i - 1] == u'\r') continue;
      out += ch::kParagraph;
      attrs.push_back(CharAttr{para_fmt, 0});
    } else if (c == ch::kLineBreak || c == ch::kTab || c >= 0x20) {
      out += c;
      attrs.push_back(CharAttr{run_fmt, 0});
    }
  }
  s.Insert(pos, out, attrs.data());
  return out.size();
}

void Range::SetText(std::u16string_view text) {
  std::size_t start = Start(), end = std::min(End(), story_->size() - 1);
  if (end > start) story_->Erase(start, end - start);
  std::size_t n = InsertText(start, text);
  pos_->start = start;
  pos_->end = start + n;
}

void Range::Collapse(int direction) {
  std::size_t p = direction == wd::kCollapseEnd ? End() : Start();
  p = std::min(p, story_->size() - 1);
  pos_->start = pos_->end = p;
}

void Range::InsertAfter(std::u16string_view text) {
  std::size_t start = Start(), p = End();
  bool covers_final = p >= story_->size();
  std::size_t n = InsertText(p, text);
  pos_->start = start;
  pos_->end = covers_final ? story_->size() : p + n;
}

void Range::InsertBefore(std::u16string_view text) {
  std::size_t p = Start(), end = End();
  std::size_t n = InsertText(p, text);
  pos_->start = p;
  pos_->end = end + n;
}

void Range::InsertParagraphAfter() { InsertAfter(u"\r"); }

void Range::InsertBreak(int type) {
  Story& s = *story_;
  std::size_t p = std::min(Start(), s.size() - 1);
  std::size_t end = std::min(End(), s.size() - 1);
  if (end > p) s.Erase(p, end - p);
  char16_t c;
  CharAttr a{0, 0};
  if (type == wd::kSectionBreakNextPage) {
    if (story_ != &doc_->main) throw WordError("This command is not available in headers and footers.");
    c = ch::kSection;
    std::size_t holder = s.BlockEnd(p);
    a.fmt = s.at(holder) == ch::kTable ? 0 : s.attr(holder).fmt;
    SectionProps& container = doc_->SectionAt(p);
    SectionProps first = container;
    // The part after the break is a new section linked to the one before it.
    container.header = container.footer = -1;
    container.numbering = PageNumberProps{};
    doc_->sections.push_back(first);
    a.obj = static_cast<std::uint32_t>(doc_->sections.size() - 1);
  } else if (type == wd::kPageBreak) {
    c = ch::kPageBreak;
  } else if (type == wd::kLineBreak) {
    c = ch::kLineBreak;
    a.fmt = InsertionRunFormat(s, p);
  } else {
    throw WordError("This break type is not supported.");
  }
  s.Insert(p, std::u16string_view(&c, 1), a);
  pos_->start = p;
  pos_->end = p + 1;
}

int Range::Expand(int unit) {
  const Story& s = *story_;
  std::size_t start = Start(), end = End(), old = end - start;
  switch (unit) {
    case wd::kCharacter:
      if (end == start) end = std::min(start + 1, s.size());
      break;
    case wd::kParagraph: {
      std::size_t last = end > start ? end - 1 : start;
      start = s.BlockStart(start);
      end = std::min(s.BlockEnd(std::min(last, s.size() - 1)) + 1, s.size());
      break;
    }
    case wd::kStory:
      start = 0;
      end = s.size();
      break;
    default:
      throw WordError("This unit is not supported.");
  }
  pos_->start = start;
  pos_->end = end;
  return static_cast<int>(end - start) - static_cast<int>(old);
}

std::size_t FindHeading(const DocModel& doc, const Story& s, std::size_t from, int which) {
  const auto& t = s.text();
  auto is_heading = [&](std::size_t mark) {
    return t[mark] != ch::kTable && doc.EffectiveOutlineLevel(doc.para(s.attr(mark).fmt)) < 10;
  };
  std::size_t here = s.BlockStart(std::min(from, t.size() - 1));
  std::size_t found = std::string::npos;
  std::size_t start = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!IsBlockEnd(t[i])) continue;
    if (is_heading(i)) {
      if (which == wd::kGoToFirst) return start;
      if (which == wd::kGoToNext && start > here) return start;
      if (which == wd::kGoToPrevious && start < here) found = start;
      if (which == wd::kGoToLast) found = start;
    }
    start = i + 1;
  }
  return found;
}

namespace {

// Visits the paragraphs of a story in reading order, going into the cells of its tables where the
// tables stand; visit(story, paragraph start, mark) returns false to stop. Returns false when stopped.
template <typename Visit>
bool WalkParagraphs(DocModel& doc, Story& s, Visit& visit) {
  const auto& t = s.text();
  std::size_t start = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (!IsBlockEnd(t[i])) continue;
    if (!visit(s, start, i)) return false;
    if (t[i] == ch::kTable && s.attr(i).obj < doc.tables.size()) {
      for (auto& row : doc.tables[s.attr(i).obj].rows)
        for (auto& cell : row.cells)
          if (!WalkParagraphs(doc, cell.story, visit)) return false;
    }
    start = i + 1;
  }
  return true;
}

}  // namespace

HeadingSpot FindHeadingInDocument(DocModel& doc, const Story* here_story, std::size_t here, int which) {
  HeadingSpot found;
  bool passed = here_story == nullptr;
  bool seen_here_story = false;
  auto visit = [&](Story& s, std::size_t start, std::size_t mark) {
    const bool is_here = &s == here_story && start == here;
    seen_here_story = seen_here_story || &s == here_story;
    if (s.at(mark) != ch::kTable && doc.EffectiveOutlineLevel(doc.para(s.attr(mark).fmt)) < 10) {
      if (which == wd::kGoToFirst || (which == wd::kGoToNext && passed)) {
        found = HeadingSpot{&s, start};
        return false;
      }
      if ((which == wd::kGoToPrevious && !passed && !is_here) || which == wd::kGoToLast) found = HeadingSpot{&s, start};
    }
    passed = passed || is_here;
    return true;
  };
  WalkParagraphs(doc, doc.main, visit);
  if (here_story && !seen_here_story) {
    // A header or footer: its own headings only.
    Story& own = const_cast<Story&>(*here_story);
    std::size_t p = FindHeading(doc, own, here, which);
    return p == std::string::npos ? HeadingSpot{} : HeadingSpot{&own, p};
  }
  return found;
}

Range Range::GoTo(int what, int which) const {
  if (what != wd::kGoToHeading) throw WordError("This GoTo target is not supported.");
  const std::size_t here = story_->BlockStart(std::min(Start(), story_->size() - 1));
  const HeadingSpot spot = FindHeadingInDocument(*doc_, story_, here, which);
  if (!spot.story) return Range(doc_, story_, Start(), Start());
  return Range(doc_, spot.story, spot.start, spot.start);
}

Style Range::GetStyle() const { return GetParagraphFormat().GetStyle(); }

void Range::ApplyStyleIndex(int i) {
  if (doc_->style(i).type == StyleType::kCharacter) {
    ApplyRunProps(*doc_, *story_, Start(), End(), [&](RunProps& p) { p.char_style = i; });
    return;
  }
  // A paragraph style replaces the paragraphs' own formatting, as in the word processor.
  ApplyParaProps(*doc_, *story_, Start(), End(), [&](ParaProps& p) {
    ParaProps fresh;
    fresh.style = i;
    p = fresh;
  });
}

void Range::SetStyle(int builtin_index) { ApplyStyleIndex(ResolveStyle(*doc_, builtin_index)); }

void Range::SetStyle(std::u16string_view name) { ApplyStyleIndex(Styles(doc_).Item(name).index()); }

void Range::SetStyle(const Style& style) { ApplyStyleIndex(Styles(doc_).Item(style).index()); }

void Range::Copy() const {
  auto clip = std::make_shared<DocModel>();
  clip->main.Clear();
  CopySlice(*doc_, *story_, Start(), End(), *clip, clip->main, 0);
  EngineClipboard::Put(std::move(clip));
}

void Range::Paste() {
  auto clip = EngineClipboard::Get();
  if (!clip) throw WordError("This method or property is not available because the Clipboard is empty or not valid.");
  Story& s = *story_;
  std::size_t p = std::min(Start(), s.size() - 1);
  std::size_t end = std::min(End(), s.size() - 1);
  if (end > p) s.Erase(p, end - p);
  std::size_t n = CopySlice(*clip, clip->main, 0, clip->main.size(), *doc_, s, p);
  pos_->start = p;
  pos_->end = p + n;
}

Range Range::Duplicate() const { return Range(doc_, story_, Start(), End()); }

int Paragraphs::Count() const {
  return static_cast<int>(ParagraphMarksIn(*t_.story, t_.pos->start, t_.pos->end).size());
}

int Paragraphs::Alignment() const {
  int result = -2;
  for (std::size_t m : ParagraphMarksIn(*t_.story, t_.pos->start, t_.pos->end)) {
    int a = ParagraphFormat(FormatTarget{t_.doc, t_.story, t_.story->Track(m, m), -1}).Alignment();
    if (result != -2 && a != result) return kWdUndefined;
    result = a;
  }
  return result == -2 ? 0 : result;
}

void Paragraphs::SetAlignment(int a) { ParagraphFormat(t_).SetAlignment(a); }

Range Paragraphs::Item(int index) const {
  auto marks = ParagraphMarksIn(*t_.story, t_.pos->start, t_.pos->end);
  if (index < 1 || index > static_cast<int>(marks.size())) throw WordError(kNoSuchMember);
  std::size_t m = marks[static_cast<std::size_t>(index - 1)];
  return Range(t_.doc, t_.story, t_.story->BlockStart(m), m + 1);
}

}  // namespace tomeshift::word
