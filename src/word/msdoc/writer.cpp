#include "word/msdoc/writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <unordered_map>

#include "platform/atomic_save.h"
#include "platform/cancellation.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "text/unicode.h"
#include "word/image/gif_decoder.h"
#include "word/image/image_info.h"
#include "word/image/png_encoder.h"
#include "word/model/toc_builder.h"
#include "word/msdoc/builder.h"
#include "word/msdoc/list_table.h"
#include "word/msdoc/picture.h"

namespace tomeshift::word {
namespace {

constexpr int kMaxColumns = 63;     // the format's limit for cells in a row
constexpr int kMaxTableDepth = 12;  // deeper tables are written as paragraphs of the enclosing cell
constexpr std::size_t kMaxBookmarkName = 40;

std::uint32_t ColorRef(std::int32_t rgb) {
  if (rgb == kAutoColor) return 0xFF000000u;
  const auto v = static_cast<std::uint32_t>(rgb);
  return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
}

std::uint8_t HighlightIco(const std::string& name) {
  static const char* kNames[] = {
      "",         "black",    "blue",      "cyan",        "green",   "magenta",    "red",      "yellow",   "white",
      "darkBlue", "darkCyan", "darkGreen", "darkMagenta", "darkRed", "darkYellow", "darkGray", "lightGray"};
  for (std::uint8_t i = 1; i < 17; ++i) {
    if (name == kNames[i]) return i;
  }
  return 0;
}

std::uint16_t S16(int v) { return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(v, -31680, 31680))); }

// Maps the document model onto the builder, story by story.
class ModelMapper {
 public:
  explicit ModelMapper(const DocModel& doc) : doc_(doc) {}

  std::string Run() {
    MapStyles();
    MapBookmarkNames();
    TDocListTable::Encode(doc_.lists, b_.fonts(), b_.list_table, b_.list_overrides);
    b_.title = doc_.properties.title;
    TGrpprl spec;
    spec.Add8(sprm::kCFSpec, 1);
    field_chpx_ = b_.Chpx(spec);
    text_width_ =
        std::max(1440, doc_.final_section.page.width - doc_.final_section.page.left - doc_.final_section.page.right);

    WriteStory(doc_.main, 0, true);
    b_.FinalSection(Sepx(doc_.final_section), Stories(doc_.final_section));
    return b_.Build();
  }

 private:
  // ---- styles ----
  void MapStyles() {
    auto& out = b_.styles();
    istd_.assign(doc_.styles.size(), -1);
    // Fixed slots first, so that references resolve in one pass.
    for (std::size_t i = 0; i < doc_.styles.size(); ++i) {
      const StyleDef& s = doc_.styles[i];
      if (s.type == StyleType::kParagraph && s.builtin == builtin::kNormal)
        istd_[i] = 0;
      else if (s.type == StyleType::kParagraph && s.builtin <= builtin::kHeading1 &&
               s.builtin >= builtin::kHeading1 - 8)
        istd_[i] = builtin::kHeading1 + 1 - s.builtin;
      else if (s.type == StyleType::kCharacter && s.builtin == builtin::kDefaultParagraphFont)
        istd_[i] = 10;
    }
    for (std::size_t i = 0; i < doc_.styles.size(); ++i) {
      const StyleDef& s = doc_.styles[i];
      if (istd_[i] >= 0 || (s.type != StyleType::kParagraph && s.type != StyleType::kCharacter)) continue;
      if (out.size() >= 4000) break;
      istd_[i] = static_cast<int>(out.size());
      out.emplace_back();
    }
    for (std::size_t i = 0; i < doc_.styles.size(); ++i) {
      if (istd_[i] < 0) continue;
      const StyleDef& s = doc_.styles[i];
      TDocStyle& d = out[static_cast<std::size_t>(istd_[i])];
      d.used = true;
      d.character = s.type == StyleType::kCharacter;
      d.name = s.name;
      d.sti = s.builtin < 0 && -s.builtin - 1 < 0x0FFE ? static_cast<std::uint16_t>(-s.builtin - 1) : 0x0FFE;
      const int base =
          s.based_on >= 0 && s.based_on < static_cast<int>(istd_.size()) && s.based_on != static_cast<int>(i)
              ? istd_[static_cast<std::size_t>(s.based_on)]
              : -1;
      d.base = base >= 0 ? static_cast<std::uint16_t>(base) : 0x0FFF;
      const int next =
          s.next >= 0 && s.next < static_cast<int>(istd_.size()) ? istd_[static_cast<std::size_t>(s.next)] : -1;
      d.next = next >= 0 ? static_cast<std::uint16_t>(next) : static_cast<std::uint16_t>(istd_[i]);
      if (!d.character) {
        ParaProps p = s.para;
        if (s.num_id > 0) p.num_id = s.num_id;
        d.papx = ParaSprms(p).bytes();
      }
      RunProps r = s.run;
      r.char_style = -1;
      d.chpx = RunSprms(r).bytes();
      if (s.builtin == builtin::kNormal && !s.run.font.empty()) b_.default_font = b_.fonts().Intern(s.run.font);
    }
  }

  std::uint16_t Istd(int style) const {
    if (style < 0 || style >= static_cast<int>(istd_.size()) || istd_[static_cast<std::size_t>(style)] < 0) return 0;
    return static_cast<std::uint16_t>(istd_[static_cast<std::size_t>(style)]);
  }

  TGrpprl RunSprms(const RunProps& p) {
    TGrpprl g;
    if (p.char_style >= 0) {
      const std::uint16_t istd = Istd(p.char_style);
      if (istd >= TDocStyleSheet::kFixedSlots) g.Add16(sprm::kCIstd, istd);
    }
    if (!p.font.empty()) {
      const std::uint16_t ftc = b_.fonts().Intern(p.font);
      g.Add16(sprm::kCRgFtc0, ftc);
      g.Add16(sprm::kCRgFtc1, ftc);
      g.Add16(sprm::kCRgFtc2, ftc);
    }
    if (p.bold != kUnset) g.Add8(sprm::kCFBold, p.bold ? 1 : 0);
    if (p.italic != kUnset) g.Add8(sprm::kCFItalic, p.italic ? 1 : 0);
    if (p.strike != kUnset) g.Add8(sprm::kCFStrike, p.strike ? 1 : 0);
    if (p.underline != kUnset) g.Add8(sprm::kCKul, p.underline ? 1 : 0);
    if (p.vert_align) g.Add8(sprm::kCIss, static_cast<std::uint8_t>(p.vert_align));
    if (p.size > 0) {
      const auto hps = static_cast<std::uint16_t>(std::clamp(p.size, 2, 3276));
      g.Add16(sprm::kCHps, hps);
      g.Add16(sprm::kCHpsBi, hps);
    }
    if (p.color != RunProps::kInheritColor) g.Add32(sprm::kCCv, ColorRef(p.color));
    if (const std::uint8_t ico = HighlightIco(p.highlight)) g.Add8(sprm::kCHighlight, ico);
    return g;
  }

  TGrpprl ParaSprms(const ParaProps& p) {
    TGrpprl g;
    if (p.alignment != kUnset) g.Add8(sprm::kPJc80, static_cast<std::uint8_t>(std::clamp<int>(p.alignment, 0, 3)));
    if (p.keep_next != kUnset) g.Add8(sprm::kPFKeepFollow, p.keep_next ? 1 : 0);
    if (p.page_break_before != kUnset) g.Add8(sprm::kPFPageBreakBefore, p.page_break_before ? 1 : 0);
    if (p.num_id > 0 && p.num_id <= static_cast<int>(doc_.lists.size())) {
      g.Add8(sprm::kPIlvl, static_cast<std::uint8_t>(std::clamp(p.num_level, 0, 8)));
      g.Add16(sprm::kPIlfo, static_cast<std::uint16_t>(p.num_id));
    }
    if (p.indent_right) g.Add16(sprm::kPDxaRight80, S16(*p.indent_right));
    if (p.indent_left) g.Add16(sprm::kPDxaLeft80, S16(*p.indent_left));
    if (p.indent_first) g.Add16(sprm::kPDxaLeft180, S16(*p.indent_first));
    if (p.line_spacing) {
      // Multiples of a line, in 240ths.
      g.Add32(sprm::kPDyaLine, static_cast<std::uint32_t>(std::clamp(*p.line_spacing, 1, 31680)) | (1u << 16));
    }
    if (p.space_before) g.Add16(sprm::kPDyaBefore, static_cast<std::uint16_t>(std::clamp(*p.space_before, 0, 31680)));
    if (p.space_after) g.Add16(sprm::kPDyaAfter, static_cast<std::uint16_t>(std::clamp(*p.space_after, 0, 31680)));
    if (!p.tabs.empty()) {
      const std::size_t n = std::min<std::size_t>(p.tabs.size(), 50);
      std::string op;
      op.push_back(0);
      op.push_back(static_cast<char>(n));
      for (std::size_t i = 0; i < n; ++i) PutLe16(op, S16(p.tabs[i].pos));
      for (std::size_t i = 0; i < n; ++i)
        op.push_back(static_cast<char>((p.tabs[i].align & 7) | ((p.tabs[i].leader ? 1 : 0) << 3)));
      g.AddVariable(sprm::kPChgTabsPapx, op);
    }
    if (p.outline_level >= 1 && p.outline_level <= 10)
      g.Add8(sprm::kPOutLvl, static_cast<std::uint8_t>(p.outline_level - 1));
    if (p.shading != kAutoColor) {
      std::string op;
      PutLe32(op, 0xFF000000u);
      PutLe32(op, ColorRef(p.shading));
      PutLe16(op, 0);
      g.AddVariable(sprm::kPShd, op);
    }
    return g;
  }

  std::uint32_t RunChpx(std::uint32_t fmt) {
    auto it = chpx_of_run_.find(fmt);
    if (it != chpx_of_run_.end()) return it->second;
    const std::uint32_t id = fmt < doc_.run_count() ? b_.Chpx(RunSprms(doc_.run(fmt))) : 0;
    chpx_of_run_.emplace(fmt, id);
    return id;
  }

  // Paragraph properties, plus the table sprms for a paragraph at the given table depth.
  std::uint32_t ParaPapx(std::uint32_t fmt, int depth, const TGrpprl* extra = nullptr) {
    const std::uint64_t key = (static_cast<std::uint64_t>(fmt) << 8) | static_cast<std::uint64_t>(depth);
    if (!extra) {
      auto it = papx_of_para_.find(key);
      if (it != papx_of_para_.end()) return it->second;
    }
    const ParaProps& p = doc_.para(fmt);
    TGrpprl g = ParaSprms(p);
    if (depth > 0) {
      g.Add8(sprm::kPFInTable, 1);
      if (depth > 1) g.Add32(sprm::kPItap, static_cast<std::uint32_t>(depth));
    }
    if (extra) g.Append(*extra);
    const std::uint32_t id = b_.Papx(Istd(p.style), g);
    if (!extra) papx_of_para_.emplace(key, id);
    return id;
  }

  // ---- bookmarks ----
  static bool ValidBookmarkChar(char16_t c, bool first) {
    if (c == u'_') return true;
    if (c >= 0x80) return true;
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
    return !first && c >= u'0' && c <= u'9';
  }

  void CollectBookmarks(const Story& s, std::vector<std::u16string>& names) {
    for (const auto& bm : s.bookmarks()) names.push_back(bm.name);
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s.at(i) != ch::kTable || s.attr(i).obj >= doc_.tables.size()) continue;
      for (const auto& row : doc_.tables[s.attr(i).obj].rows) {
        for (const auto& cell : row.cells) CollectBookmarks(cell.story, names);
      }
    }
  }

  static std::u16string Lower(std::u16string s) {
    for (auto& c : s) c = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    return s;
  }

  // Names the format cannot hold (too long, odd characters) get a unique stand-in; links follow.
  void MapBookmarkNames() {
    std::vector<std::u16string> names;
    CollectBookmarks(doc_.main, names);
    std::unordered_map<std::u16string, bool> taken;
    for (const auto& n : names) taken[Lower(n)] = true;
    int counter = 0;
    for (const auto& n : names) {
      bool ok = !n.empty() && n.size() <= kMaxBookmarkName;
      for (std::size_t i = 0; ok && i < n.size(); ++i) ok = ValidBookmarkChar(n[i], i == 0);
      if (ok || renamed_.count(Lower(n))) continue;
      std::u16string base;
      for (char16_t c : n) {
        if (base.size() >= kMaxBookmarkName - 8) break;
        if (ValidBookmarkChar(c, base.empty())) base.push_back(c);
      }
      if (base.empty()) base = u"B";
      std::u16string fresh;
      do {
        fresh = base + u"_" + U16(std::to_string(++counter));
      } while (taken.count(Lower(fresh)));
      taken[Lower(fresh)] = true;
      renamed_[Lower(n)] = fresh;
    }
  }

  std::u16string BookmarkName(const std::u16string& n) const {
    auto it = renamed_.find(Lower(n));
    return it == renamed_.end() ? n : it->second;
  }

  // ---- fields ----
  static std::uint8_t FieldType(const Field& f, std::u16string_view code) {
    switch (f.kind) {
      case FieldKind::kToc:
        return flt::kToc;
      case FieldKind::kPage:
        return flt::kPage;
      case FieldKind::kPageRef:
        return flt::kPageRef;
      case FieldKind::kHyperlink:
        return flt::kHyperlink;
      default:
        break;
    }
    std::size_t a = code.find_first_not_of(u' ');
    if (a == std::u16string_view::npos) return 0;
    std::size_t e = code.find_first_of(u" \\", a);
    std::u16string word(code.substr(a, e == std::u16string_view::npos ? std::u16string_view::npos : e - a));
    for (auto& c : word) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    static const std::pair<const char16_t*, std::uint8_t> kTypes[] = {
        {u"REF", 3},   {u"SEQ", 12},     {u"TOC", 13},       {u"NUMPAGES", 26}, {u"DATE", 31},        {u"TIME", 32},
        {u"PAGE", 33}, {u"PAGEREF", 37}, {u"HYPERLINK", 88}, {u"TC", 9},        {u"SECTIONPAGES", 66}};
    for (const auto& [name, type] : kTypes) {
      if (word == name) return type;
    }
    return 0;
  }

  std::u16string FieldCode(const Field& f) const {
    const bool renamed = !f.sub_address.empty() && BookmarkName(f.sub_address) != f.sub_address;
    if (!f.code.empty() && !renamed) return f.code;
    const std::u16string sub = BookmarkName(f.sub_address);
    switch (f.kind) {
      case FieldKind::kHyperlink: {
        std::u16string code = u" HYPERLINK";
        if (!f.address.empty()) code += u" \"" + f.address + u"\"";
        if (!sub.empty()) code += u" \\l \"" + sub + u"\"";
        return code + u" ";
      }
      case FieldKind::kPageRef:
        return u" PAGEREF " + sub + u" \\h ";
      case FieldKind::kPage:
        return f.code.empty() ? u" PAGE " : f.code;
      case FieldKind::kToc:
        return f.code.empty() ? TocBuilder::FieldCode(f) : f.code;
      default:
        return f.code;
    }
  }

  // ---- sections ----
  TGrpprl Sepx(const SectionProps& s) const {
    TGrpprl g;
    g.Add8(sprm::kSBkc, 2);  // next page
    const auto& p = s.page;
    g.Add16(sprm::kSXaPage, static_cast<std::uint16_t>(std::clamp(p.width, 144, 31680)));
    g.Add16(sprm::kSYaPage, static_cast<std::uint16_t>(std::clamp(p.height, 144, 31680)));
    if (p.width > p.height) g.Add8(0x301D, 2);  // sprmSBOrientation: landscape
    g.Add16(sprm::kSDxaLeft, static_cast<std::uint16_t>(std::clamp(p.left, 0, 31680)));
    g.Add16(sprm::kSDxaRight, static_cast<std::uint16_t>(std::clamp(p.right, 0, 31680)));
    g.Add16(sprm::kSDyaTop, S16(p.top));
    g.Add16(sprm::kSDyaBottom, S16(p.bottom));
    g.Add16(sprm::kSDyaHdrTop, static_cast<std::uint16_t>(std::clamp(p.header_distance, 0, 31680)));
    g.Add16(sprm::kSDyaHdrBottom, static_cast<std::uint16_t>(std::clamp(p.footer_distance, 0, 31680)));
    if (s.numbering.restart) {
      g.Add8(sprm::kSFPgnRestart, 1);
      g.Add16(sprm::kSPgnStart97, static_cast<std::uint16_t>(std::clamp(s.numbering.start, 0, 32767)));
    }
    return g;
  }

  std::int32_t StoryFor(int hf) {
    if (hf < 0 || hf >= static_cast<int>(doc_.hf_stories.size())) return -1;
    auto it = hf_story_.find(hf);
    if (it != hf_story_.end()) return it->second;
    const std::int32_t id = b_.BeginHeaderStory();
    WriteStory(doc_.hf_stories[static_cast<std::size_t>(hf)], 0, false);
    b_.EndHeaderStory();
    hf_story_[hf] = id;
    return id;
  }

  std::vector<std::int32_t> Stories(const SectionProps& s) {
    // Slots: even header, odd header, even footer, odd footer, first-page header, first-page footer.
    return {-1, StoryFor(s.header), -1, StoryFor(s.footer), -1, -1};
  }

  // ---- stories ----
  // Writes a story. depth > 0: the story is a table cell's, and its last paragraph mark becomes the
  // cell mark.
  void WriteStory(const Story& s, int depth, bool main) {
    const auto& text = s.text();
    const bool bookmarks = !b_.in_header_story();
    std::vector<std::uint32_t> cp_at;
    if (bookmarks && !s.bookmarks().empty()) cp_at.assign(text.size() + 1, 0);
    std::u16string pending;
    std::uint32_t pending_chpx = 0, last_chpx = 0;
    auto flush = [&] {
      if (!pending.empty()) b_.AppendText(pending, pending_chpx);
      pending.clear();
    };
    auto put = [&](char16_t c, std::uint32_t chpx) {
      if (chpx != pending_chpx) flush();
      pending_chpx = chpx;
      pending.push_back(c);
      last_chpx = chpx;
    };
    // The last paragraph mark of a cell story is the cell mark.
    std::size_t last_mark = text.size();
    if (depth > 0) {
      for (std::size_t i = text.size(); i-- > 0;) {
        if (text[i] == ch::kParagraph || text[i] == ch::kSection) {
          last_mark = i;
          break;
        }
        if (text[i] == ch::kTable) break;
      }
    }
    std::vector<std::uint32_t> open_fields;
    bool para_has_content = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if ((i & 0xFFFF) == 0) CheckCancel();  // a large document takes a while to write
      if (!cp_at.empty()) {
        flush();
        cp_at[i] = b_.Cp();
      }
      const char16_t c = text[i];
      const CharAttr& a = s.attr(i);
      switch (c) {
        case ch::kParagraph:
        case ch::kSection: {
          flush();
          if (i + 1 >= text.size() || i == last_mark) {
            // Fields left open by a cut-off copy end with the story.
            while (!open_fields.empty()) {
              b_.FieldEnd(field_chpx_, open_fields.size() > 1);
              open_fields.pop_back();
            }
          }
          if (i == last_mark) {
            EndCell(depth, a.fmt, last_chpx);
          } else if (c == ch::kSection && main && depth == 0 && a.obj < doc_.sections.size()) {
            b_.EndParagraph(u'\x0C', last_chpx, ParaPapx(a.fmt, depth));
            const SectionProps& sp = doc_.sections[a.obj];
            b_.EndSection(Sepx(sp), Stories(sp));
          } else {
            b_.EndParagraph(u'\r', last_chpx, ParaPapx(a.fmt, depth));
          }
          last_chpx = 0;
          para_has_content = false;
          break;
        }
        case ch::kTable: {
          flush();
          if (para_has_content) {
            // Text right before a table without its own mark gets a paragraph.
            b_.EndParagraph(u'\r', last_chpx, ParaPapx(0, depth));
            para_has_content = false;
          }
          if (a.obj < doc_.tables.size()) WriteTable(doc_.tables[a.obj], depth + 1);
          break;
        }
        case ch::kPicture:
          flush();
          if (a.obj < doc_.pictures.size()) WritePicture(doc_.pictures[a.obj], RunChpx(a.fmt), !open_fields.empty());
          para_has_content = true;
          break;
        case ch::kFieldBegin: {
          flush();
          if (a.obj >= doc_.fields.size()) break;
          const Field& f = doc_.fields[a.obj];
          const std::u16string code = FieldCode(f);
          const std::uint8_t type = FieldType(f, code);
          if (type == 0 || code.empty()) break;  // unknown field: its result stays as plain text
          b_.FieldBegin(type, field_chpx_);
          b_.AppendText(code, RunChpx(a.fmt));
          b_.FieldSeparator(field_chpx_);
          open_fields.push_back(a.obj);
          para_has_content = true;
          break;
        }
        case ch::kFieldEnd: {
          flush();
          auto it = std::find(open_fields.rbegin(), open_fields.rend(), a.obj);
          if (it == open_fields.rend()) break;
          const std::size_t n = static_cast<std::size_t>(it - open_fields.rbegin()) + 1;
          for (std::size_t k = 0; k < n; ++k) {
            b_.FieldEnd(field_chpx_, open_fields.size() > 1);
            open_fields.pop_back();
          }
          break;
        }
        case ch::kPageBreak:
          // Inside a section, the section character is a manual page break.
          put(depth == 0 ? u'\x0C' : u'\x0B', 0);
          para_has_content = true;
          break;
        case ch::kTab:
        case ch::kLineBreak:
          put(c, RunChpx(a.fmt));
          para_has_content = true;
          break;
        default:
          // Other control characters have meanings of their own in the format.
          put(c < 0x20 ? u' ' : c, RunChpx(a.fmt));
          para_has_content = true;
      }
    }
    flush();
    if (depth > 0 && last_mark == text.size()) EndCell(depth, 0, last_chpx);  // a cell without paragraphs
    if (!cp_at.empty()) {
      cp_at[text.size()] = b_.Cp();
      for (const auto& bm : s.bookmarks()) {
        const std::size_t st = std::min(bm.start, text.size()), en = std::min(std::max(bm.end, bm.start), text.size());
        b_.AddBookmark(BookmarkName(bm.name), cp_at[st], cp_at[en]);
      }
    }
  }

  void EndCell(int depth, std::uint32_t fmt, std::uint32_t chpx) {
    if (depth <= 1 || depth > kMaxTableDepth) {
      b_.EndParagraph(depth == 1 ? u'\x07' : u'\r', chpx, ParaPapx(fmt, std::min(depth, kMaxTableDepth)));
    } else {
      TGrpprl inner;
      inner.Add8(sprm::kPFInnerTableCell, 1);
      b_.EndParagraph(u'\r', chpx, ParaPapx(fmt, depth, &inner));
    }
  }

  // A picture linked to a file and not stored with the document: a field that names the file, as
  // Word writes it; readers show the picture from the file.
  void WriteLinkedPicture(const Picture& p, std::uint32_t chpx, bool nested) {
    std::u16string path;
    for (char16_t c : p.link_path) {
      if (c == u'"') continue;
      path += c;
      if (c == u'\\') path += c;
    }
    b_.FieldBegin(flt::kIncludePicture, field_chpx_);
    b_.AppendText(u" INCLUDEPICTURE \"" + path + u"\" \\d ", chpx);
    b_.FieldSeparator(field_chpx_);
    b_.FieldEnd(field_chpx_, nested);
  }

  void WritePicture(const Picture& p, std::uint32_t chpx, bool in_field) {
    if (p.bytes.empty()) {
      if (p.linked && !p.link_path.empty()) WriteLinkedPicture(p, chpx, in_field);
      return;
    }
    const int w = static_cast<int>(std::lround(std::max(p.width, 1.0) * 20));
    const int h = static_cast<int>(std::lround(std::max(p.height, 1.0) * 20));
    std::string format = p.format;
    const std::string* bytes = &p.bytes;
    std::string converted;
    if (!TDocPicture::Supports(format)) {
      std::optional<std::string> png;
      if (format == "gif") {
        if (auto img = TDocGifDecoder::Decode(p.bytes)) png = EncodePng(img->rgba, img->width, img->height);
      } else {
        png = ConvertToPng(p.bytes, format);
      }
      if (!png) return;
      converted = std::move(*png);
      bytes = &converted;
      format = "png";
    }
    // Equal pictures at equal sizes share one copy in the Data stream.
    const std::string key = std::to_string(std::hash<std::string>()(*bytes)) + ':' + std::to_string(bytes->size()) +
                            ':' + std::to_string(w) + 'x' + std::to_string(h);
    std::uint32_t at = 0;
    if (auto it = picture_at_.find(key); it != picture_at_.end()) {
      at = it->second;
    } else {
      auto encoded = TDocPicture::Encode(*bytes, format, w, h);
      if (!encoded) return;
      at = b_.AddData(*encoded);
      picture_at_[key] = at;
    }
    b_.AppendPicture(at, TGrpprl());
  }

  // ---- tables ----
  void WriteTable(const Table& t, int depth) {
    if (depth > kMaxTableDepth) {
      // Too deep: the cells' content as paragraphs of the enclosing cell.
      for (const auto& row : t.rows) {
        for (const auto& cell : row.cells) WriteFlattened(cell.story, depth - 1);
      }
      return;
    }
    struct Slot {
      const TableCell* cell;
      int col;
      bool continuation;
    };
    std::vector<std::vector<Slot>> grid(t.rows.size());
    std::vector<int> busy;
    int columns = 0;
    for (std::size_t r = 0; r < t.rows.size(); ++r) {
      int col = 0;
      for (const auto& cell : t.rows[r].cells) {
        while (col < static_cast<int>(busy.size()) && busy[static_cast<std::size_t>(col)] > 0) ++col;
        const int span = std::clamp(cell.col_span, 1, kMaxColumns);
        grid[r].push_back(Slot{&cell, col, false});
        if (static_cast<int>(busy.size()) < col + span) busy.resize(static_cast<std::size_t>(col + span), 0);
        for (int k = 0; k < span; ++k) busy[static_cast<std::size_t>(col + k)] = std::max(1, cell.row_span);
        col += span;
      }
      columns = std::max(columns, static_cast<int>(busy.size()));
      for (auto& b : busy) b = std::max(0, b - 1);
    }
    for (std::size_t r = 0; r < grid.size(); ++r) {
      const std::vector<Slot> originals = grid[r];
      for (const Slot& sl : originals) {
        for (int k = 1; k < sl.cell->row_span && r + static_cast<std::size_t>(k) < grid.size(); ++k)
          grid[r + static_cast<std::size_t>(k)].push_back(Slot{sl.cell, sl.col, true});
      }
    }
    for (auto& row : grid)
      std::stable_sort(row.begin(), row.end(), [](const Slot& a, const Slot& b) { return a.col < b.col; });
    columns = std::max(columns, 1);

    // Column widths: given, else from single cells, else shared equally.
    const int avail =
        depth == 1 ? text_width_ : std::max(720, cell_width_stack_.empty() ? text_width_ : cell_width_stack_.back());
    std::vector<int> widths(static_cast<std::size_t>(columns), 0);
    if (static_cast<int>(t.column_widths.size()) == columns) {
      widths = t.column_widths;
    } else {
      for (const auto& row : grid) {
        for (const Slot& sl : row) {
          if (!sl.continuation && sl.cell->col_span <= 1 && sl.cell->width > 0 && sl.col < columns)
            widths[static_cast<std::size_t>(sl.col)] =
                std::max(widths[static_cast<std::size_t>(sl.col)], sl.cell->width);
        }
      }
    }
    const int total = t.width > 0 ? t.width : t.width < 0 ? avail * (-t.width) / 5000 : avail;
    int known = 0, unknown = 0;
    for (int w : widths) w > 0 ? known += w : ++unknown;
    for (int& w : widths) {
      if (w <= 0) w = unknown ? std::max(144, (total - known) / unknown) : 144;
    }
    // Never wider than the format's coordinates allow.
    long long sum = 0;
    for (int w : widths) sum += w;
    if (sum > 31000) {
      for (int& w : widths) w = static_cast<int>(std::max<long long>(30, w * 31000LL / sum));
    }

    for (std::size_t r = 0; r < grid.size(); ++r) {
      const auto& row = grid[r];
      if (row.empty()) continue;
      // Cells beyond the format's limit join the last cell.
      const std::size_t shown = std::min<std::size_t>(row.size(), kMaxColumns);
      std::vector<int> cell_widths;
      int x = 0;
      std::vector<int> bounds{0};
      for (std::size_t k = 0; k < shown; ++k) {
        const Slot& sl = row[k];
        const int span = std::clamp(sl.cell->col_span, 1, columns - std::min(sl.col, columns - 1));
        int w = 0;
        const int last_col = k + 1 == shown ? columns : std::min(columns, sl.col + span);
        for (int c = sl.col; c < last_col; ++c) w += widths[static_cast<std::size_t>(std::min(c, columns - 1))];
        if (sl.col > 0 && k == 0) {
          // A row that starts with a covered column: give its width to the first cell.
          for (int c = 0; c < sl.col; ++c) w += widths[static_cast<std::size_t>(c)];
        }
        w = std::max(w, 30);
        x += w;
        bounds.push_back(x);
        cell_widths.push_back(w);
      }
      for (std::size_t k = 0; k < shown; ++k) {
        const Slot& sl = row[k];
        cell_width_stack_.push_back(cell_widths[k]);
        if (sl.continuation) {
          EndCell(depth, 0, 0);
        } else if (k + 1 == shown && row.size() > shown) {
          for (std::size_t extra = k; extra < row.size(); ++extra) {
            if (row[extra].continuation) continue;
            if (extra + 1 < row.size())
              WriteFlattened(row[extra].cell->story, depth);
            else
              WriteStory(row[extra].cell->story, depth, false);
          }
          if (row.back().continuation) EndCell(depth, 0, 0);
        } else {
          WriteStory(sl.cell->story, depth, false);
        }
        cell_width_stack_.pop_back();
      }
      EndRow(t, r, row, shown, bounds, depth);
    }
  }

  // A cell's paragraphs without making it a cell: for tables nested deeper than the format allows.
  void WriteFlattened(const Story& s, int depth) {
    const auto& text = s.text();
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      const CharAttr& a = s.attr(i);
      if (c == ch::kParagraph || c == ch::kSection) {
        b_.EndParagraph(u'\r', 0, ParaPapx(a.fmt, std::min(depth, kMaxTableDepth)));
      } else if (c == ch::kTable) {
        if (a.obj < doc_.tables.size()) {
          for (const auto& row : doc_.tables[a.obj].rows) {
            for (const auto& cell : row.cells) WriteFlattened(cell.story, depth);
          }
        }
      } else if (c >= 0x20 || c == ch::kTab) {
        b_.AppendText(std::u16string_view(&c, 1), RunChpx(a.fmt));
      }
    }
  }

  template <typename Row>
  void EndRow(const Table& t, std::size_t r, const Row& row, std::size_t shown, const std::vector<int>& bounds,
              int depth) {
    TGrpprl g;
    g.Add8(sprm::kPFInTable, 1);
    if (depth > 1) {
      g.Add32(sprm::kPItap, static_cast<std::uint32_t>(depth));
      g.Add8(sprm::kPFInnerTableCell, 1);
      g.Add8(sprm::kPFInnerTtp, 1);
    } else {
      g.Add8(sprm::kPFTtp, 1);
    }
    if (t.alignment) g.Add16(sprm::kTJc90, static_cast<std::uint16_t>(std::clamp<int>(t.alignment, 0, 2)));
    g.Add16(sprm::kTDxaGapHalf,
            static_cast<std::uint16_t>(std::clamp(t.cell_padding > 0 ? t.cell_padding : 108, 0, 1440)));
    if (t.rows[r].height > 0) g.Add16(sprm::kTDyaRowHeight, S16(t.rows[r].height));
    if (t.rows[r].header) g.Add8(sprm::kTTableHeader, 1);
    const std::uint8_t line = static_cast<std::uint8_t>(std::clamp(t.border_size, 0, 255));
    const std::uint32_t brc = line ? (line | (1u << 8)) : 0;  // single line, automatic colour
    {
      std::string op;
      for (int k = 0; k < 6; ++k) PutLe32(op, brc);
      g.AddVariable(sprm::kTTableBorders80, op);
    }
    std::string def;
    def.push_back(static_cast<char>(shown));
    for (int b : bounds) PutLe16(def, S16(b));
    for (std::size_t k = 0; k < shown; ++k) {
      const auto& sl = row[k];
      std::uint16_t tcgrf = 0;
      if (sl.continuation)
        tcgrf |= 1 << 5;  // merged with the cell above
      else if (sl.cell->row_span > 1)
        tcgrf |= 3 << 5;  // first of a vertical merge
      tcgrf |= static_cast<std::uint16_t>((std::clamp<int>(sl.cell->valign, 0, 2)) << 7);
      tcgrf |= 3 << 9;  // width in twips
      PutLe16(def, tcgrf);
      PutLe16(def, S16(bounds[k + 1] - bounds[k]));
      for (int side = 0; side < 4; ++side) PutLe32(def, brc);
    }
    g.AddTableDefinition(def);
    // Cell shading (at most as many cells as one operand holds).
    bool shaded = false;
    for (std::size_t k = 0; k < shown; ++k) shaded |= !row[k].continuation && row[k].cell->shading != kAutoColor;
    if (shaded && shown <= 25) {
      std::string op;
      for (std::size_t k = 0; k < shown; ++k) {
        PutLe32(op, 0xFF000000u);
        PutLe32(op, row[k].continuation || row[k].cell->shading == kAutoColor ? 0xFF000000u
                                                                              : ColorRef(row[k].cell->shading));
        PutLe16(op, 0);
      }
      g.AddVariable(0xD612, op);  // sprmTDefTableShd
    }
    b_.EndParagraph(depth > 1 ? u'\r' : u'\x07', 0, b_.Papx(0, g));
  }

  const DocModel& doc_;
  TDocBuilder b_;
  std::vector<int> istd_;
  std::unordered_map<std::u16string, std::u16string> renamed_;
  std::unordered_map<std::uint32_t, std::uint32_t> chpx_of_run_;
  std::unordered_map<std::uint64_t, std::uint32_t> papx_of_para_;
  std::map<int, std::int32_t> hf_story_;
  std::unordered_map<std::string, std::uint32_t> picture_at_;
  std::vector<int> cell_width_stack_;
  std::uint32_t field_chpx_ = 0;
  int text_width_ = 9026;
};

}  // namespace

std::string TDocWriter::Serialize(const DocModel& doc) { return ModelMapper(doc).Run(); }

void TDocWriter::Save(const DocModel& doc, const std::u16string& path) {
  const std::string native = FileSystem().NativePath(path);
  std::filesystem::path target(native);
  std::error_code ec;
  if (target.has_parent_path() && !std::filesystem::is_directory(target.parent_path(), ec))
    throw FileError(native, "the folder " + target.parent_path().string() + " does not exist");
  if (std::filesystem::is_directory(target, ec)) throw FileError(native, "a folder of that name exists");
  std::string bytes;
  try {
    bytes = Serialize(doc);
  } catch (const EUserCancel&) {
    throw;
  } catch (const std::exception& e) {
    throw FileError(native, std::string("cannot write the document: ") + e.what());
  }
  AtomicSave file(native);
  file.Write(bytes);
  file.Commit();
}

}  // namespace tomeshift::word
