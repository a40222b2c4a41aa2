#include "word/model/toc_builder.h"

#include <algorithm>
#include <unordered_map>

#include "text/unicode.h"
#include "word/model/page_estimator.h"
#include "word/model/story_edit.h"
#include "word/model/word_error.h"

namespace tomeshift::word {

namespace {

struct Heading {
  std::size_t start;
  int level;
  std::u16string text;
  std::u16string bookmark;
};

std::pair<std::size_t, std::size_t> FindField(const Story& s, std::uint32_t id) {
  std::size_t b = std::string::npos, e = std::string::npos;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s.at(i) == ch::kFieldBegin && s.attr(i).obj == id) b = i;
    if (s.at(i) == ch::kFieldEnd && s.attr(i).obj == id && b != std::string::npos) {
      e = i;
      break;
    }
  }
  if (b == std::string::npos || e == std::string::npos)
    throw WordError("The table of contents is no longer in the document.");
  return {b, e};
}

}  // namespace

std::u16string TocBuilder::FieldCode(const Field& f) {
  std::u16string code =
      u" TOC \\o \"" + U16(std::to_string(f.toc_upper)) + u"-" + U16(std::to_string(f.toc_lower)) + u"\"";
  if (f.toc_hyperlinks) code += u" \\h";
  code += u" \\z \\u ";
  return code;
}

void TocBuilder::Update(DocModel& doc, std::uint32_t field_id) {
  Story& s = doc.main;
  Field spec = doc.fields[field_id];
  auto [b, e] = FindField(s, field_id);

  // Headings outside the field, with their hidden bookmarks.
  std::vector<Heading> headings;
  int next_toc = 0;
  for (const auto& bm : s.bookmarks())
    if (bm.name.starts_with(u"_Toc")) ++next_toc;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t c = s.at(i);
    if (!IsBlockEnd(c)) continue;
    std::size_t pstart = start;
    start = i + 1;
    if (c == ch::kTable || (pstart > b && pstart <= e)) continue;
    int level = doc.EffectiveOutlineLevel(doc.para(s.attr(i).fmt));
    if (level < spec.toc_upper || level > spec.toc_lower) continue;
    std::u16string text = PlainText(s, pstart, i);
    while (!text.empty() && text.back() == u' ') text.pop_back();
    while (!text.empty() && text.front() == u' ') text.erase(0, 1);
    if (text.empty()) continue;
    headings.push_back(Heading{pstart, level, std::move(text), {}});
  }
  // The last hidden bookmark at each heading's start, found in one pass over the bookmarks.
  std::unordered_map<std::size_t, const std::u16string*> toc_at;
  for (const auto& bm : s.bookmarks())
    if (bm.name.starts_with(u"_Toc")) toc_at[bm.start] = &bm.name;
  for (auto& h : headings)
    if (auto it = toc_at.find(h.start); it != toc_at.end()) h.bookmark = *it->second;
  for (auto& h : headings) {
    if (h.bookmark.empty()) {
      h.bookmark = u"_Toc" + U16(std::to_string(100000001 + next_toc++));
      std::size_t mark = s.BlockEnd(h.start);
      s.bookmarks().push_back(Bookmark{h.bookmark, h.start, mark});
    }
  }

  const PageSetupProps& page = doc.SectionAt(b).page;
  int tab = std::max(page.width - page.left - page.right, 1440);
  auto build = [&](const std::vector<int>& pages, std::u16string& text, std::vector<CharAttr>& attrs) {
    text.clear();
    attrs.clear();
    auto put = [&](char16_t c, CharAttr a) {
      text += c;
      attrs.push_back(a);
    };
    auto add_field = [&](Field f) {
      doc.fields.push_back(std::move(f));
      return static_cast<std::uint32_t>(doc.fields.size() - 1);
    };
    if (headings.empty()) {
      for (const char16_t* p = kNoEntries; *p; ++p) put(*p, CharAttr{0, 0});
      return;
    }
    for (std::size_t k = 0; k < headings.size(); ++k) {
      const Heading& h = headings[k];
      std::uint32_t link = 0;
      if (spec.toc_hyperlinks) {
        Field f;
        f.kind = FieldKind::kHyperlink;
        f.sub_address = h.bookmark;
        link = add_field(f);
        put(ch::kFieldBegin, CharAttr{0, link});
      }
      for (char16_t c : h.text) put(c, CharAttr{0, 0});
      if (spec.toc_page_numbers) {
        put(ch::kTab, CharAttr{0, 0});
        Field f;
        f.kind = FieldKind::kPageRef;
        f.sub_address = h.bookmark;
        f.code = u" PAGEREF " + h.bookmark + u" \\h ";
        std::uint32_t ref = add_field(f);
        put(ch::kFieldBegin, CharAttr{0, ref});
        for (char16_t c : U16(std::to_string(pages[k]))) put(c, CharAttr{0, 0});
        put(ch::kFieldEnd, CharAttr{0, ref});
      }
      if (spec.toc_hyperlinks) put(ch::kFieldEnd, CharAttr{0, link});
      ParaProps pp;
      int toc_style = doc.StyleByBuiltin(builtin::kToc1 + 1 - std::clamp(h.level, 1, 9));
      pp.style = toc_style < 0 ? 0 : toc_style;
      if (spec.toc_page_numbers && spec.toc_right_align) pp.tabs = {TabStop{tab, 2, 1}};
      put(ch::kParagraph, CharAttr{doc.InternPara(pp), 0});
    }
  };

  std::u16string text;
  std::vector<CharAttr> attrs;
  std::vector<int> pages(headings.size(), 0);
  auto replace = [&] {
    auto [fb, fe] = FindField(s, field_id);
    s.Erase(fb + 1, fe - fb - 1);
    build(pages, text, attrs);
    s.Insert(fb + 1, text, attrs.data());
  };
  replace();
  if (!headings.empty() && spec.toc_page_numbers) {
    // Numbers from a layout estimate that includes the contents themselves.
    PageEstimator estimate(doc);
    for (std::size_t k = 0; k < headings.size(); ++k) {
      const Bookmark* bm = s.FindBookmark(headings[k].bookmark);
      pages[k] = bm ? estimate.DisplayedPageAt(bm->start) : 1;
    }
    replace();
  }
  doc.properties.update_fields_on_open = true;
}

}  // namespace tomeshift::word
