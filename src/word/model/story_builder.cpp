#include "word/model/story_builder.h"

#include <algorithm>
#include <unordered_map>

#include "text/text_utils.h"
#include "word/model/bookmark_names.h"

namespace tomeshift::word {

StoryBuilder::StoryBuilder(DocModel& doc, Story& story) : doc_(doc), story_(story) { story_.Clear(); }

StoryBuilder::~StoryBuilder() {
  try {
    Finish();
  } catch (...) {
  }
}

void StoryBuilder::Append(std::u16string_view text, CharAttr a) {
  story_.Insert(story_.size(), text, a);
  PlaceSettledBookmarks();
}

void StoryBuilder::PlaceSettledBookmarks() {
  if (settled_.empty()) return;
  for (auto& b : settled_) story_.bookmarks().push_back(std::move(b));
  settled_.clear();
}

void StoryBuilder::Put(char16_t c, CharAttr a) {
  Append(std::u16string_view(&c, 1), a);
  open_ = !IsBlockEnd(c);
}

void StoryBuilder::Text(std::u16string_view text, const RunProps& run) {
  if (text.empty()) return;
  CharAttr a{doc_.InternRun(run), 0};
  std::u16string clean(text);
  // Structural codes cannot come in as text.
  for (auto& c : clean)
    if (c < 0x20 && c != ch::kTab) c = u' ';
  Append(clean, a);
  open_ = true;
}

void StoryBuilder::Tab(const RunProps& run) { Put(ch::kTab, CharAttr{doc_.InternRun(run), 0}); }
void StoryBuilder::LineBreak(const RunProps& run) { Put(ch::kLineBreak, CharAttr{doc_.InternRun(run), 0}); }
void StoryBuilder::PageBreak() { Put(ch::kPageBreak, CharAttr{0, 0}); }

void StoryBuilder::EndParagraph(const ParaProps& para) { Put(ch::kParagraph, CharAttr{doc_.InternPara(para), 0}); }

void StoryBuilder::EndSection(const SectionProps& section, const ParaProps& para) {
  doc_.sections.push_back(section);
  Put(ch::kSection, CharAttr{doc_.InternPara(para), static_cast<std::uint32_t>(doc_.sections.size() - 1)});
}

std::uint32_t StoryBuilder::AddPicture(Picture picture) {
  doc_.pictures.push_back(std::move(picture));
  auto id = static_cast<std::uint32_t>(doc_.pictures.size() - 1);
  Put(ch::kPicture, CharAttr{0, id});
  return id;
}

void StoryBuilder::AddTable(Table table) {
  if (open_) EndParagraph();
  doc_.tables.push_back(std::move(table));
  Put(ch::kTable, CharAttr{0, static_cast<std::uint32_t>(doc_.tables.size() - 1)});
}

void StoryBuilder::BeginHyperlink(std::u16string_view address, std::u16string_view sub_address) {
  Field f;
  f.kind = FieldKind::kHyperlink;
  f.address = address;
  if (!sub_address.empty()) f.sub_address = MapBookmarkName(sub_address);
  doc_.fields.push_back(std::move(f));
  auto id = static_cast<std::uint32_t>(doc_.fields.size() - 1);
  Put(ch::kFieldBegin, CharAttr{0, id});
  open_links_.push_back(id);
}

void StoryBuilder::EndHyperlink() {
  if (open_links_.empty()) return;
  Put(ch::kFieldEnd, CharAttr{0, open_links_.back()});
  open_links_.pop_back();
}

bool StoryBuilder::Taken(std::u16string_view mapped) const {
  if (story_.FindBookmark(mapped)) return true;
  for (const auto& [n, start] : open_bookmarks_)
    if (AsciiEqualsNoCase(n, mapped)) return true;
  for (const auto& b : settled_)
    if (AsciiEqualsNoCase(b.name, mapped)) return true;
  return false;
}

void StoryBuilder::BeginBookmark(std::u16string_view name) {
  auto mapped = MapBookmarkName(name);
  if (Taken(mapped)) return;  // the first of two equal names wins
  open_bookmarks_.emplace_back(mapped, story_.size());
}

void StoryBuilder::EndBookmark(std::u16string_view name) {
  auto mapped = MapBookmarkName(name);
  for (auto it = open_bookmarks_.begin(); it != open_bookmarks_.end(); ++it)
    if (AsciiEqualsNoCase(it->first, mapped)) {
      // Added only now: text appended meanwhile must not push a still empty bookmark along.
      Bookmark b{it->first, std::min(it->second, story_.size()), story_.size()};
      open_bookmarks_.erase(it);
      if (b.start == b.end)
        settled_.push_back(std::move(b));
      else
        story_.bookmarks().push_back(std::move(b));
      return;
    }
}

void StoryBuilder::EraseLast() {
  if (story_.size() == 0) return;
  const std::size_t last = story_.size() - 1;
  story_.Erase(last, 1);
  for (auto& [name, start] : open_bookmarks_) start = std::min(start, last);
  for (auto& b : settled_) b.start = b.end = std::min(b.start, last);
  open_ = last > 0 && !IsBlockEnd(story_.at(last - 1));
}

void StoryBuilder::AddField(Field field, std::u16string_view result, const RunProps& run) {
  doc_.fields.push_back(std::move(field));
  auto id = static_cast<std::uint32_t>(doc_.fields.size() - 1);
  Put(ch::kFieldBegin, CharAttr{0, id});
  Text(result, run);
  Put(ch::kFieldEnd, CharAttr{0, id});
}

void StoryBuilder::Finish() {
  if (finished_) return;
  while (!open_links_.empty()) EndHyperlink();
  while (!open_bookmarks_.empty()) EndBookmark(open_bookmarks_.back().first);
  if (open_ || story_.size() == 0 || story_.at(story_.size() - 1) != ch::kParagraph) EndParagraph();
  // Nothing lies after the final paragraph mark: bookmarks begun at the very end sit before it.
  for (auto& b : settled_) b.start = b.end = std::min(b.start, story_.size() - 1);
  PlaceSettledBookmarks();
  finished_ = true;
}

namespace {

class SliceCopier {
 public:
  SliceCopier(const DocModel& src, DocModel& dst) : src_(src), dst_(dst) {}

  int Style(int s) {
    if (s < 0) return s;
    if (auto it = styles_.find(s); it != styles_.end()) return it->second;
    const StyleDef& def = src_.style(s);
    int found = dst_.StyleByName(def.name);
    if (found < 0 && def.builtin != 0) found = dst_.StyleByBuiltin(def.builtin);
    if (found < 0) {
      StyleDef copy = def;
      copy.builtin = 0;
      styles_[s] = 0;  // guards a cycle while the chain is mapped
      copy.based_on = Style(def.based_on);
      copy.next = def.next == s ? -1 : Style(def.next);
      copy.run.char_style = Style(def.run.char_style);
      copy.num_id = List(def.num_id);
      found = dst_.AddStyle(std::move(copy));
    }
    styles_[s] = found;
    return found;
  }

  int List(int id) {
    if (id <= 0 || id > static_cast<int>(src_.lists.size())) return 0;
    if (auto it = lists_.find(id); it != lists_.end()) return it->second;
    dst_.lists.push_back(src_.lists[static_cast<std::size_t>(id - 1)]);
    return lists_[id] = static_cast<int>(dst_.lists.size());
  }

  std::uint32_t Run(std::uint32_t id) {
    if (auto it = runs_.find(id); it != runs_.end()) return it->second;
    RunProps p = src_.run(id);
    p.char_style = Style(p.char_style);
    return runs_[id] = dst_.InternRun(p);
  }

  std::uint32_t Para(std::uint32_t id) {
    if (auto it = paras_.find(id); it != paras_.end()) return it->second;
    ParaProps p = src_.para(id);
    p.style = Style(p.style);
    if (p.style < 0) p.style = 0;
    p.num_id = List(p.num_id);
    return paras_[id] = dst_.InternPara(p);
  }

  std::size_t Copy(const Story& from, std::size_t start, std::size_t end, Story& to, std::size_t pos) {
    end = std::min(end, from.size());
    if (start >= end) return 0;
    std::u16string text = from.text().substr(start, end - start);
    std::vector<CharAttr> attrs(from.attrs().begin() + static_cast<std::ptrdiff_t>(start),
                                from.attrs().begin() + static_cast<std::ptrdiff_t>(end));
    for (std::size_t i = 0; i < text.size(); ++i) {
      CharAttr& a = attrs[i];
      switch (text[i]) {
        case ch::kParagraph:
          a.fmt = Para(a.fmt);
          break;
        case ch::kSection: {
          a.fmt = Para(a.fmt);
          SectionProps s = src_.sections[a.obj];
          s.header = s.footer = -1;  // header and footer stories stay with their document
          dst_.sections.push_back(s);
          a.obj = static_cast<std::uint32_t>(dst_.sections.size() - 1);
          break;
        }
        case ch::kPicture:
          dst_.pictures.push_back(src_.pictures[a.obj]);
          a.obj = static_cast<std::uint32_t>(dst_.pictures.size() - 1);
          break;
        case ch::kFieldBegin:
        case ch::kFieldEnd:
          if (auto it = fields_.find(a.obj); it != fields_.end()) {
            a.obj = it->second;
          } else {
            dst_.fields.push_back(src_.fields[a.obj]);
            a.obj = fields_[a.obj] = static_cast<std::uint32_t>(dst_.fields.size() - 1);
          }
          break;
        case ch::kTable: {
          Table t = src_.tables[a.obj];
          for (auto& row : t.rows)
            for (auto& cell : row.cells) {
              Story copy;
              copy.Clear();
              const Story& orig = cell.story;
              Copy(orig, 0, orig.size(), copy, 0);
              cell.story = std::move(copy);
            }
          dst_.tables.push_back(std::move(t));
          a.obj = static_cast<std::uint32_t>(dst_.tables.size() - 1);
          break;
        }
        default:
          a.fmt = Run(a.fmt);
      }
    }
    to.Insert(pos, text, attrs.data());
    for (const auto& b : from.bookmarks())
      if (b.start >= start && b.end <= end && !to.FindBookmark(b.name))
        to.bookmarks().push_back(Bookmark{b.name, b.start - start + pos, b.end - start + pos});
    return text.size();
  }

 private:
  const DocModel& src_;
  DocModel& dst_;
  std::unordered_map<int, int> styles_, lists_;
  std::unordered_map<std::uint32_t, std::uint32_t> runs_, paras_, fields_;
};

}  // namespace

std::size_t CopySlice(const DocModel& src, const Story& src_story, std::size_t start, std::size_t end, DocModel& dst,
                      Story& dst_story, std::size_t pos) {
  SliceCopier copier(src, dst);
  return copier.Copy(src_story, start, end, dst_story, pos);
}

}  // namespace tomeshift::word
