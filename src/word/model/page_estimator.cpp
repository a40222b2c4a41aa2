#include "word/model/page_estimator.h"

#include <algorithm>
#include <cmath>

namespace tomeshift::word {

namespace {

int SpacingFromStyle(const DocModel& doc, const ParaProps& p, bool before) {
  auto own = before ? p.space_before : p.space_after;
  if (own) return *own;
  for (int s = p.style, guard = 0; s >= 0 && guard < 32; s = doc.style(s).based_on, ++guard) {
    auto v = before ? doc.style(s).para.space_before : doc.style(s).para.space_after;
    if (v) return *v;
  }
  return 0;
}

// Heights of the lines of one block, in twips, for the layout loop to place.
void BlockLines(const DocModel& doc, const Story& s, std::size_t start, std::size_t end, int width,
                std::vector<int>& lines, bool& page_break) {
  lines.clear();
  page_break = false;
  const auto& t = s.text();
  if (end < t.size() && t[end] == ch::kTable) {
    const Table& table = doc.tables[s.attr(end).obj];
    for (const auto& row : table.rows) {
      int h = std::max(row.height, 280);
      int n = std::max<std::size_t>(1, row.cells.size());
      for (const auto& cell : row.cells) {
        int w = cell.width > 0 ? cell.width : width * std::max(1, cell.col_span) / static_cast<int>(n);
        h = std::max(h, EstimateStoryHeight(doc, cell.story, std::max(w - 216, 400)) + 2 * table.cell_padding);
      }
      lines.push_back(h);
    }
    return;
  }
  const ParaProps& pp = end < t.size() ? doc.para(s.attr(end).fmt) : doc.para(0);
  int indent = pp.indent_left.value_or(0) + pp.indent_right.value_or(0);
  int avail = std::max(width - indent, 1000);
  int max_size = 0;
  double line_width = 0;
  int pictures = 0;
  auto new_line = [&](int size_hp) {
    int hp = std::max(size_hp, max_size > 0 ? max_size : doc.EffectiveFontSize(0, pp.style));
    double spacing = pp.line_spacing ? *pp.line_spacing / 240.0 : 1.08;
    lines.push_back(static_cast<int>(hp * 10 * 1.2 * spacing));
    line_width = 0;
  };
  for (std::size_t i = start; i < end; ++i) {
    char16_t c = t[i];
    if (c == ch::kPicture) {
      const Picture& p = doc.pictures[s.attr(i).obj];
      if (!p.floating) {
        if (line_width > 0) new_line(0);
        lines.push_back(static_cast<int>(p.height * 20));
        ++pictures;
      }
      continue;
    }
    if (c == ch::kPageBreak) {
      page_break = true;
      continue;
    }
    if (c == ch::kLineBreak) {
      new_line(0);
      continue;
    }
    if (c == ch::kFieldBegin || c == ch::kFieldEnd) continue;
    int size = doc.EffectiveFontSize(s.attr(i).fmt, pp.style);
    max_size = std::max(max_size, size);
    line_width += size * 10 * (c == ch::kTab ? 2.0 : 0.5);
    if (line_width > avail) {
      new_line(size);
      line_width = size * 10 * 0.5;
    }
  }
  if (line_width > 0 || lines.empty()) new_line(0);
  if (!lines.empty()) {
    lines.front() += SpacingFromStyle(doc, pp, true);
    lines.back() += SpacingFromStyle(doc, pp, false);
  }
  if (pp.page_break_before == 1) lines.insert(lines.begin(), -1);
}

}  // namespace

int EstimateStoryHeight(const DocModel& doc, const Story& s, int width) {
  int total = 0;
  std::vector<int> lines;
  bool brk = false;
  for (std::size_t pos = 0; pos < s.size();) {
    std::size_t e = pos;
    while (e < s.size() && !IsBlockEnd(s.at(e))) ++e;
    BlockLines(doc, s, pos, e, width, lines, brk);
    for (int h : lines) total += std::max(h, 0);
    pos = e + 1;
  }
  return total;
}

PageEstimator::PageEstimator(const DocModel& doc) {
  const Story& s = doc.main;
  const auto& t = s.text();
  // Sections in order: the props that apply up to each kSection, then the final ones.
  std::vector<std::pair<std::size_t, const SectionProps*>> sections;
  for (std::size_t i = 0; i < t.size(); ++i)
    if (t[i] == ch::kSection) sections.emplace_back(i, &doc.sections[s.attr(i).obj]);
  sections.emplace_back(t.size(), &doc.final_section);

  std::size_t si = 0;
  int page = 1, displayed = 1;
  const SectionProps* sec = sections[0].second;
  if (sec->numbering.restart) displayed = sec->numbering.start;
  int used = 0;
  std::vector<int> lines;
  bool brk = false;
  for (std::size_t pos = 0; pos < t.size();) {
    std::size_t e = pos;
    while (e < t.size() && !IsBlockEnd(t[e])) ++e;
    int width = sec->page.width - sec->page.left - sec->page.right;
    int height = std::max(sec->page.height - sec->page.top - sec->page.bottom, 2000);
    BlockLines(doc, s, pos, e, width, lines, brk);
    bool first = true;
    for (int h : lines) {
      if (h < 0 || (used > 0 && used + h > height)) {
        ++page, ++displayed;
        used = 0;
        if (h < 0) continue;
      }
      if (first) {
        marks_.push_back(Mark{pos, displayed});
        first = false;
      }
      used += std::min(h, height);
    }
    if (first) marks_.push_back(Mark{pos, displayed});
    if (brk) {
      ++page, ++displayed;
      used = 0;
    }
    if (e < t.size() && t[e] == ch::kSection && e + 1 < t.size()) {
      ++si;
      sec = sections[std::min(si, sections.size() - 1)].second;
      ++page;
      used = 0;
      displayed = sec->numbering.restart ? sec->numbering.start : displayed + 1;
    }
    pos = e + 1;
  }
  pages_ = page;
}

int PageEstimator::DisplayedPageAt(std::size_t pos) const {
  auto it = std::upper_bound(marks_.begin(), marks_.end(), pos, [](std::size_t p, const Mark& m) { return p < m.pos; });
  if (it == marks_.begin()) return marks_.empty() ? 1 : marks_.front().displayed;
  return std::prev(it)->displayed;
}

}  // namespace tomeshift::word
