#include "word/docx/docx_story_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "platform/cancellation.h"
#include "text/unicode.h"
#include "word/model/table_grid.h"

namespace tomeshift::word {

namespace {

constexpr long long kEmuPerPoint = 12700;

std::string Hex(std::int32_t rgb) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(rgb) & 0xFFFFFFu);
  return buf;
}

const char* Jc(int a) {
  switch (a) {
    case 1:
      return "center";
    case 2:
      return "right";
    case 3:
      return "both";
    default:
      return "left";
  }
}

void OnOff(XmlWriter& x, const char* name, std::int8_t v) {
  if (v == kUnset) return;
  if (v)
    x.Empty(name);
  else
    x.Empty(name, "w:val", "0");
}

std::string FileUri(const std::u16string& path) {
  std::string p = U8(path);
  std::string out = p.starts_with("/") ? "file://" : "file:///";
  for (unsigned char c : p) {
    if (c == '\\')
      out += '/';
    else if (c == ' ' || c == '#' || c == '%' || c == '?') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    } else
      out += static_cast<char>(c);
  }
  return out;
}

}  // namespace

struct DocxStoryWriter::Marks {
  struct Mark {
    std::size_t pos;
    int id;
    const std::u16string* name;
  };
  std::vector<Mark> starts, ends;
  mutable std::size_t next_start = 0, next_end = 0;
};

DocxStoryWriter::DocxStoryWriter(const DocModel& doc, XmlWriter& xml, DocxRelationships& rels, DocxMedia& media,
                                 DocxCounters& counters)
    : doc_(doc), x_(xml), rels_(rels), media_(media), counters_(counters) {}

void DocxStoryWriter::WriteRunProps(XmlWriter& x, const DocModel& doc, const RunProps& p) {
  if (p == RunProps{}) return;
  x.Start("w:rPr");
  if (p.char_style >= 0 && p.char_style < static_cast<int>(doc.styles.size()))
    x.Empty("w:rStyle", "w:val", U8(doc.style(p.char_style).style_id));
  if (!p.font.empty()) {
    x.Start("w:rFonts");
    x.Attr("w:ascii", p.font);
    x.Attr("w:hAnsi", p.font);
    x.Attr("w:cs", p.font);
    x.End();
  }
  OnOff(x, "w:b", p.bold);
  OnOff(x, "w:i", p.italic);
  OnOff(x, "w:strike", p.strike);
  if (p.color != RunProps::kInheritColor) x.Empty("w:color", "w:val", p.color == kAutoColor ? "auto" : Hex(p.color));
  if (p.size > 0) {
    x.Empty("w:sz", "w:val", p.size);
    x.Empty("w:szCs", "w:val", p.size);
  }
  if (!p.highlight.empty()) x.Empty("w:highlight", "w:val", p.highlight);
  if (p.underline != kUnset) x.Empty("w:u", "w:val", p.underline ? "single" : "none");
  if (p.vert_align) x.Empty("w:vertAlign", "w:val", p.vert_align == 1 ? "superscript" : "subscript");
  x.End();
}

void DocxStoryWriter::WriteParaProps(XmlWriter& x, const DocModel& doc, const ParaProps& p, bool in_style) {
  if (!in_style && p.style > 0 && p.style < static_cast<int>(doc.styles.size()))
    x.Empty("w:pStyle", "w:val", U8(doc.style(p.style).style_id));
  OnOff(x, "w:keepNext", p.keep_next);
  OnOff(x, "w:pageBreakBefore", p.page_break_before);
  if (p.num_id > 0) {
    x.Start("w:numPr");
    x.Empty("w:ilvl", "w:val", p.num_level);
    x.Empty("w:numId", "w:val", p.num_id);
    x.End();
  }
  if (p.border_bottom > 0) {
    x.Start("w:pBdr");
    x.Start("w:bottom");
    x.Attr("w:val", "single");
    x.Attr("w:sz", p.border_bottom);
    x.Attr("w:space", 1);
    x.Attr("w:color", p.border_bottom_color == kAutoColor ? std::string("auto") : Hex(p.border_bottom_color));
    x.End();
    x.End();
  }
  if (p.shading != kAutoColor) {
    x.Start("w:shd");
    x.Attr("w:val", "clear");
    x.Attr("w:color", "auto");
    x.Attr("w:fill", Hex(p.shading));
    x.End();
  }
  if (!p.tabs.empty()) {
    x.Start("w:tabs");
    for (const auto& t : p.tabs) {
      x.Start("w:tab");
      static const char* kAlign[] = {"left", "center", "right", "decimal"};
      x.Attr("w:val", kAlign[t.align & 3]);
      if (t.leader) x.Attr("w:leader", "dot");
      x.Attr("w:pos", t.pos);
      x.End();
    }
    x.End();
  }
  if (p.space_before || p.space_after || p.line_spacing) {
    x.Start("w:spacing");
    if (p.space_before) x.Attr("w:before", *p.space_before);
    if (p.space_after) x.Attr("w:after", *p.space_after);
    if (p.line_spacing) {
      x.Attr("w:line", *p.line_spacing);
      x.Attr("w:lineRule", "auto");
    }
    x.End();
  }
  if (p.indent_left || p.indent_right || p.indent_first) {
    x.Start("w:ind");
    if (p.indent_left) x.Attr("w:left", *p.indent_left);
    if (p.indent_right) x.Attr("w:right", *p.indent_right);
    if (p.indent_first) x.Attr(*p.indent_first < 0 ? "w:hanging" : "w:firstLine", std::abs(*p.indent_first));
    x.End();
  }
  if (p.alignment != kUnset) x.Empty("w:jc", "w:val", Jc(p.alignment));
  if (p.outline_level > 0) x.Empty("w:outlineLvl", "w:val", p.outline_level - 1);
}

void DocxStoryWriter::WriteStory(const Story& story) {
  complex_open_.clear();
  WriteBlocks(story);
}

void DocxStoryWriter::WriteBlocks(const Story& s) {
  Marks marks;
  for (const auto& b : s.bookmarks()) {
    if (b.name.empty()) continue;
    int id = counters_.bookmark++;
    marks.starts.push_back({b.start, id, &b.name});
    marks.ends.push_back({std::max(b.end, b.start), id, &b.name});
  }
  auto by_pos = [](const Marks::Mark& a, const Marks::Mark& b) { return a.pos < b.pos; };
  std::stable_sort(marks.starts.begin(), marks.starts.end(), by_pos);
  std::stable_sort(marks.ends.begin(), marks.ends.end(), by_pos);

  const auto& text = s.text();
  std::size_t pos = 0;
  bool wrote_paragraph_last = false;
  while (pos < text.size()) {
    std::size_t e = pos;
    while (e < text.size() && !IsBlockEnd(text[e])) ++e;
    if (e < text.size() && text[e] == ch::kTable && e == pos) {
      WriteBookmarks(s, pos, marks, true);
      WriteBookmarks(s, pos, marks, false);
      WriteTable(doc_.tables[s.attr(e).obj]);
      wrote_paragraph_last = false;
      pos = e + 1;
      continue;
    }
    if (e < text.size() && text[e] == ch::kTable) {
      // Text right before a table without its own mark: give it a paragraph.
      WriteParagraph(s, pos, e, marks, false);
      pos = e;
      continue;
    }
    bool last = e + 1 >= text.size();
    WriteParagraph(s, pos, std::min(e, text.size()), marks, last);
    wrote_paragraph_last = true;
    pos = e + 1;
  }
  if (!wrote_paragraph_last) {
    // Cells and stories end with a paragraph.
    x_.Start("w:p");
    WriteBookmarks(s, text.size(), marks, true);
    WriteBookmarks(s, text.size(), marks, false);
    x_.End();
  }
}

void DocxStoryWriter::WriteBookmarks(const Story& s, std::size_t pos, const Marks& m, bool starts) {
  auto& list = starts ? m.starts : m.ends;
  auto& next = starts ? m.next_start : m.next_end;
  while (next < list.size() && list[next].pos <= pos) {
    const auto& mk = list[next++];
    if (starts) {
      x_.Start("w:bookmarkStart");
      x_.Attr("w:id", mk.id);
      x_.Attr("w:name", *mk.name);
      x_.End();
    } else {
      x_.Empty("w:bookmarkEnd", "w:id", mk.id);
    }
  }
}

void DocxStoryWriter::OpenRun(std::uint32_t fmt) {
  if (run_open_ && run_fmt_ == fmt) return;
  CloseRun();
  x_.Start("w:r");
  WriteRunProps(x_, doc_, doc_.run(fmt));
  run_open_ = true;
  run_fmt_ = fmt;
}

void DocxStoryWriter::CloseRun() {
  if (run_open_) {
    x_.End();
    run_open_ = false;
  }
}

void DocxStoryWriter::WriteParagraph(const Story& s, std::size_t start, std::size_t end, const Marks& marks,
                                     bool last) {
  const auto& text = s.text();
  bool has_mark = end < text.size() && (text[end] == ch::kParagraph || text[end] == ch::kSection);
  x_.Start("w:p");
  if (has_mark) {
    const ParaProps& pp = doc_.para(s.attr(end).fmt);
    bool section = text[end] == ch::kSection && section_writer_;
    if (!(pp == ParaProps{}) || section) {
      x_.Start("w:pPr");
      WriteParaProps(x_, doc_, pp, false);
      if (pp.num_id > 0) WriteMarkerRunProps(s, start, end);
      if (section) section_writer_(doc_.sections[s.attr(end).obj]);
      x_.End();
    }
  }
  std::vector<std::uint32_t> inline_links;  // hyperlink fields written as w:hyperlink in this paragraph
  std::u16string pending;
  auto flush = [&] {
    if (pending.empty()) return;
    x_.Start("w:t");
    if (pending.front() == u' ' || pending.back() == u' ' || pending.find(u"  ") != std::u16string::npos)
      x_.Attr("xml:space", "preserve");
    x_.Text(pending);
    x_.End();
    pending.clear();
  };
  auto close_all = [&] {
    flush();
    CloseRun();
  };
  for (std::size_t i = start; i < end; ++i) {
    if ((i & 0xFFFF) == 0) CheckCancel();  // a large document takes a while to write
    if ((marks.next_start < marks.starts.size() && marks.starts[marks.next_start].pos <= i) ||
        (marks.next_end < marks.ends.size() && marks.ends[marks.next_end].pos <= i)) {
      close_all();
      WriteBookmarks(s, i, marks, true);
      WriteBookmarks(s, i, marks, false);
    }
    char16_t c = text[i];
    const CharAttr& a = s.attr(i);
    switch (c) {
      case ch::kTab:
      case ch::kLineBreak:
      case ch::kPageBreak:
        flush();
        OpenRun(c == ch::kPageBreak ? 0 : a.fmt);
        if (c == ch::kTab)
          x_.Empty("w:tab");
        else if (c == ch::kLineBreak)
          x_.Empty("w:br");
        else
          x_.Empty("w:br", "w:type", "page");
        break;
      case ch::kPicture:
        close_all();
        if (a.obj < doc_.pictures.size()) WritePicture(doc_.pictures[a.obj]);
        break;
      case ch::kFieldBegin: {
        close_all();
        const Field& f = doc_.fields[a.obj];
        std::size_t j = i + 1;
        while (j < end && !(text[j] == ch::kFieldEnd && s.attr(j).obj == a.obj)) ++j;
        if (f.kind == FieldKind::kHyperlink && j < end && inline_links.empty()) {
          x_.Start("w:hyperlink");
          if (!f.address.empty()) {
            std::string target = U8(f.address);
            if (!f.sub_address.empty()) target += "#" + U8(f.sub_address);
            x_.Attr("r:id", rels_.Add(rel::kHyperlink, target, true));
          } else {
            x_.Attr("w:anchor", f.sub_address);
          }
          x_.Attr("w:history", "1");
          inline_links.push_back(a.obj);
          break;
        }
        std::u16string code = f.code;
        if (code.empty() && f.kind == FieldKind::kHyperlink)
          code =
              f.address.empty() ? u" HYPERLINK \\l \"" + f.sub_address + u"\" " : u" HYPERLINK \"" + f.address + u"\" ";
        x_.Start("w:r");
        x_.Empty("w:fldChar", "w:fldCharType", "begin");
        x_.End();
        x_.Start("w:r");
        x_.Start("w:instrText");
        x_.Attr("xml:space", "preserve");
        x_.Text(code);
        x_.End();
        x_.End();
        x_.Start("w:r");
        x_.Empty("w:fldChar", "w:fldCharType", "separate");
        x_.End();
        complex_open_.push_back(a.obj);
        break;
      }
      case ch::kFieldEnd: {
        close_all();
        if (!inline_links.empty() && inline_links.back() == a.obj) {
          x_.End();
          inline_links.pop_back();
        } else if (auto it = std::find(complex_open_.rbegin(), complex_open_.rend(), a.obj);
                   it != complex_open_.rend()) {
          // Inner fields left open are ended with it (a cut-off copy may leave one unbalanced).
          std::size_t n = static_cast<std::size_t>(it - complex_open_.rbegin()) + 1;
          for (std::size_t k = 0; k < n; ++k) {
            x_.Start("w:r");
            x_.Empty("w:fldChar", "w:fldCharType", "end");
            x_.End();
            complex_open_.pop_back();
          }
        }
        break;
      }
      case ch::kSection:
      case ch::kParagraph:
      case ch::kTable:
        break;
      default:
        if (!run_open_ || run_fmt_ != a.fmt) {
          flush();
          OpenRun(a.fmt);
        }
        pending += c;
    }
  }
  close_all();
  while (!inline_links.empty()) {
    x_.End();
    inline_links.pop_back();
  }
  if (last) {
    WriteBookmarks(s, static_cast<std::size_t>(-1), marks, true);
    WriteBookmarks(s, static_cast<std::size_t>(-1), marks, false);
    while (!complex_open_.empty()) {
      x_.Start("w:r");
      x_.Empty("w:fldChar", "w:fldCharType", "end");
      x_.End();
      complex_open_.pop_back();
    }
  } else {
    WriteBookmarks(s, end, marks, true);
    WriteBookmarks(s, end, marks, false);
    // Field ends that open the next paragraph close here instead (the table of contents ends right
    // before a section break): LibreOffice reads a section's header and footer while it still
    // thinks the field is open, and loses their fields.
    for (std::size_t k = end + 1; k < text.size() && text[k] == ch::kFieldEnd; ++k) {
      if (complex_open_.empty() || complex_open_.back() != s.attr(k).obj) break;
      x_.Start("w:r");
      x_.Empty("w:fldChar", "w:fldCharType", "end");
      x_.End();
      complex_open_.pop_back();
    }
  }
  x_.End();
}

void DocxStoryWriter::WriteMarkerRunProps(const Story& s, std::size_t start, std::size_t end) {
  // A list number takes the font of its paragraph mark: give it the font and size of the item's
  // text, as browsers draw the marker in the item's font (the mark would otherwise fall back to the
  // style's font beside text set in the page's own).
  for (std::size_t i = start; i < end; ++i) {
    const char16_t c = s.at(i);
    if (c < 0x20 || IsObjectChar(c)) continue;
    const RunProps& text = doc_.run(s.attr(i).fmt);
    RunProps mark;
    mark.font = text.font;
    mark.size = text.size;
    WriteRunProps(x_, doc_, mark);
    return;
  }
}

void DocxStoryWriter::WritePicture(const Picture& p) {
  const DocxMedia::Item* media = (!p.linked || p.save_with_document) ? media_.Embed(p) : nullptr;
  std::string link_id;
  if (p.linked && !p.link_path.empty()) link_id = rels_.Add(rel::kImage, FileUri(p.link_path), true);
  if (!media && link_id.empty()) return;
  std::string embed_id = media ? rels_.Add(rel::kImage, media->name) : std::string();
  long long cx = std::llround(std::max(p.width, 1.0) * kEmuPerPoint);
  long long cy = std::llround(std::max(p.height, 1.0) * kEmuPerPoint);
  int id = ++counters_.drawing;
  x_.Start("w:r");
  x_.Start("w:drawing");
  if (p.floating) {
    x_.Start("wp:anchor");
    x_.Attr("distT", "0");
    x_.Attr("distB", "0");
    x_.Attr("distL", "114300");
    x_.Attr("distR", "114300");
    x_.Attr("simplePos", "0");
    x_.Attr("relativeHeight", id);
    x_.Attr("behindDoc", "0");
    x_.Attr("locked", "0");
    x_.Attr("layoutInCell", "1");
    x_.Attr("allowOverlap", "1");
    x_.Start("wp:simplePos");
    x_.Attr("x", "0");
    x_.Attr("y", "0");
    x_.End();
    x_.Start("wp:positionH");
    x_.Attr("relativeFrom", "column");
    x_.Start("wp:align");
    x_.Text(p.float_align == 2 ? "right" : p.float_align == 1 ? "center" : "left");
    x_.End();
    x_.End();
    x_.Start("wp:positionV");
    x_.Attr("relativeFrom", "paragraph");
    x_.Start("wp:posOffset");
    x_.Text("0");
    x_.End();
    x_.End();
  } else {
    x_.Start("wp:inline");
    x_.Attr("distT", "0");
    x_.Attr("distB", "0");
    x_.Attr("distL", "0");
    x_.Attr("distR", "0");
  }
  x_.Start("wp:extent");
  x_.Attr("cx", cx);
  x_.Attr("cy", cy);
  x_.End();
  x_.Start("wp:effectExtent");
  x_.Attr("l", "0");
  x_.Attr("t", "0");
  x_.Attr("r", "0");
  x_.Attr("b", "0");
  x_.End();
  if (p.floating) {
    x_.Empty("wp:wrapSquare", "wrapText", "bothSides");
  }
  x_.Start("wp:docPr");
  x_.Attr("id", id);
  x_.Attr("name", "Picture " + std::to_string(id));
  if (!p.description.empty()) x_.Attr("descr", p.description);
  x_.End();
  x_.Start("wp:cNvGraphicFramePr");
  x_.Start("a:graphicFrameLocks");
  x_.Attr("noChangeAspect", "1");
  x_.End();
  x_.End();
  x_.Start("a:graphic");
  x_.Start("a:graphicData");
  x_.Attr("uri", "http://schemas.openxmlformats.org/drawingml/2006/picture");
  x_.Start("pic:pic");
  x_.Start("pic:nvPicPr");
  x_.Start("pic:cNvPr");
  x_.Attr("id", "0");
  x_.Attr("name", "image" + std::to_string(id));
  x_.End();
  x_.Empty("pic:cNvPicPr");
  x_.End();
  x_.Start("pic:blipFill");
  x_.Start("a:blip");
  if (!embed_id.empty()) x_.Attr("r:embed", embed_id);
  if (!link_id.empty()) x_.Attr("r:link", link_id);
  x_.End();
  x_.Start("a:stretch");
  x_.Empty("a:fillRect");
  x_.End();
  x_.End();
  x_.Start("pic:spPr");
  x_.Start("a:xfrm");
  x_.Start("a:off");
  x_.Attr("x", "0");
  x_.Attr("y", "0");
  x_.End();
  x_.Start("a:ext");
  x_.Attr("cx", cx);
  x_.Attr("cy", cy);
  x_.End();
  x_.End();
  x_.Start("a:prstGeom");
  x_.Attr("prst", "rect");
  x_.Empty("a:avLst");
  x_.End();
  x_.End();
  x_.End();  // pic:pic
  x_.End();  // a:graphicData
  x_.End();  // a:graphic
  x_.End();  // wp:inline / wp:anchor
  x_.End();  // w:drawing
  x_.End();  // w:r
}

void DocxStoryWriter::WriteTable(const Table& t) {
  const TableGrid layout(t);
  const auto& grid = layout.rows();
  const int columns = layout.columns();
  const std::vector<int> widths = layout.ColumnWidths(text_width_, 200);
  int saved_width = text_width_;
  std::unordered_map<const TableCell*, std::size_t> start_row;  // of cells that carry their own lines

  x_.Start("w:tbl");
  x_.Start("w:tblPr");
  x_.Start("w:tblW");
  if (t.width > 0) {
    x_.Attr("w:w", t.width);
    x_.Attr("w:type", "dxa");
  } else if (t.width < 0) {
    x_.Attr("w:w", -t.width);
    x_.Attr("w:type", "pct");
  } else {
    x_.Attr("w:w", "0");
    x_.Attr("w:type", "auto");
  }
  x_.End();
  if (t.alignment) x_.Empty("w:jc", "w:val", t.alignment == 1 ? "center" : "right");
  x_.Start("w:tblBorders");
  for (const char* side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
    x_.Start(side);
    x_.Attr("w:val", t.border_size > 0 ? "single" : "nil");
    if (t.border_size > 0) {
      x_.Attr("w:sz", t.border_size);
      x_.Attr("w:space", "0");
      x_.Attr("w:color", t.border_color == kAutoColor ? "auto" : Hex(t.border_color));
    }
    x_.End();
  }
  x_.End();
  x_.Empty("w:tblLayout", "w:type", "fixed");
  if (t.cell_padding > 0) {
    x_.Start("w:tblCellMar");
    for (const char* side : {"w:top", "w:left", "w:bottom", "w:right"}) {
      x_.Start(side);
      x_.Attr("w:w", t.cell_padding);
      x_.Attr("w:type", "dxa");
      x_.End();
    }
    x_.End();
  }
  x_.End();
  x_.Start("w:tblGrid");
  for (int w : widths) x_.Empty("w:gridCol", "w:w", w);
  x_.End();
  for (std::size_t r = 0; r < t.rows.size(); ++r) {
    x_.Start("w:tr");
    if (t.rows[r].header || t.rows[r].height > 0) {
      x_.Start("w:trPr");
      if (t.rows[r].height > 0) x_.Empty("w:trHeight", "w:val", t.rows[r].height);
      if (t.rows[r].header) x_.Empty("w:tblHeader");
      x_.End();
    }
    int col = 0;
    // A cell's own lines; in a cell that spans rows, its top in the first and its bottom in the last.
    auto cell_borders = [&](const TableGrid::Slot& sl) {
      if (!sl.cell->borders) return;
      const bool first = !sl.continuation;
      if (first) start_row[sl.cell] = r;
      const bool last = r + 1 >= start_row[sl.cell] + static_cast<std::size_t>(std::max(1, sl.cell->row_span));
      x_.Start("w:tcBorders");
      static const char* kSides[] = {"w:top", "w:left", "w:bottom", "w:right"};
      for (int k = 0; k < 4; ++k) {
        const BorderLine& line = (*sl.cell->borders)[static_cast<std::size_t>(k)];
        const bool shown = line.size > 0 && (k == 0 ? first : k == 2 ? last : true);
        x_.Start(kSides[k]);
        x_.Attr("w:val", shown ? "single" : "nil");
        if (shown) {
          x_.Attr("w:sz", line.size);
          x_.Attr("w:space", "0");
          x_.Attr("w:color", line.color == kAutoColor ? "auto" : Hex(line.color));
        }
        x_.End();
      }
      x_.End();
    };
    auto empty_cell = [&](int w) {
      x_.Start("w:tc");
      x_.Start("w:tcPr");
      x_.Start("w:tcW");
      x_.Attr("w:w", w);
      x_.Attr("w:type", "dxa");
      x_.End();
      x_.End();
      x_.Empty("w:p");
      x_.End();
    };
    for (const TableGrid::Slot& sl : grid[r]) {
      for (; col < sl.col; ++col) empty_cell(widths[static_cast<std::size_t>(col)]);
      int span = std::min(std::max(1, sl.cell->col_span), columns - sl.col);
      int w = 0;
      for (int k = 0; k < span; ++k) w += widths[static_cast<std::size_t>(sl.col + k)];
      x_.Start("w:tc");
      x_.Start("w:tcPr");
      x_.Start("w:tcW");
      x_.Attr("w:w", w);
      x_.Attr("w:type", "dxa");
      x_.End();
      if (span > 1) x_.Empty("w:gridSpan", "w:val", span);
      if (sl.cell->row_span > 1) {
        if (sl.continuation)
          x_.Empty("w:vMerge");
        else
          x_.Empty("w:vMerge", "w:val", "restart");
      }
      cell_borders(sl);
      if (sl.cell->shading != kAutoColor) {
        x_.Start("w:shd");
        x_.Attr("w:val", "clear");
        x_.Attr("w:color", "auto");
        x_.Attr("w:fill", Hex(sl.cell->shading));
        x_.End();
      }
      if (sl.cell->valign) x_.Empty("w:vAlign", "w:val", sl.cell->valign == 1 ? "center" : "bottom");
      x_.End();
      if (sl.continuation) {
        x_.Empty("w:p");
      } else {
        text_width_ = w;
        std::vector<std::uint32_t> outer;
        outer.swap(complex_open_);
        WriteBlocks(sl.cell->story);
        complex_open_.swap(outer);
        text_width_ = saved_width;
      }
      x_.End();
      col = sl.col + span;
    }
    for (; col < columns; ++col) empty_cell(widths[static_cast<std::size_t>(col)]);
    x_.End();
  }
  x_.End();
}

}  // namespace tomeshift::word
