#include "word/msdoc/model_mapper.h"

#include <algorithm>

#include "text/text_utils.h"
#include "text/unicode.h"
#include "word/model/toc_builder.h"
#include "word/msdoc/list_table.h"

namespace tomeshift::word {

namespace {

std::uint8_t HighlightIco(const std::string& name) {
  static const char* kNames[] = {
      "",         "black",    "blue",      "cyan",        "green",   "magenta",    "red",      "yellow",   "white",
      "darkBlue", "darkCyan", "darkGreen", "darkMagenta", "darkRed", "darkYellow", "darkGray", "lightGray"};
  for (std::uint8_t i = 1; i < 17; ++i) {
    if (name == kNames[i]) return i;
  }
  return 0;
}

}  // namespace

std::string ModelMapper::Run() {
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

void ModelMapper::MapStyles() {
  auto& out = b_.styles();
  istd_.assign(doc_.styles.size(), -1);
  // Fixed slots first, so that references resolve in one pass.
  for (std::size_t i = 0; i < doc_.styles.size(); ++i) {
    const StyleDef& s = doc_.styles[i];
    if (s.type == StyleType::kParagraph && s.builtin == builtin::kNormal)
      istd_[i] = 0;
    else if (s.type == StyleType::kParagraph && s.builtin <= builtin::kHeading1 && s.builtin >= builtin::kHeading1 - 8)
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
    const int base = s.based_on >= 0 && s.based_on < static_cast<int>(istd_.size()) && s.based_on != static_cast<int>(i)
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

std::uint16_t ModelMapper::Istd(int style) const {
  if (style < 0 || style >= static_cast<int>(istd_.size()) || istd_[static_cast<std::size_t>(style)] < 0) return 0;
  return static_cast<std::uint16_t>(istd_[static_cast<std::size_t>(style)]);
}

TGrpprl ModelMapper::RunSprms(const RunProps& p) {
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

std::uint32_t ModelMapper::Ico(std::int32_t rgb) {
  if (rgb == kAutoColor) return 0;
  static constexpr std::uint32_t kColours[] = {0x000000, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000,
                                               0xFFFF00, 0xFFFFFF, 0x000080, 0x008080, 0x008000, 0x800080,
                                               0x800000, 0x808000, 0x808080, 0xC0C0C0};
  std::uint32_t best = 1;
  long best_distance = -1;
  for (std::uint32_t k = 0; k < 16; ++k) {
    long distance = 0;
    for (int shift : {16, 8, 0}) {
      const long d = static_cast<long>((static_cast<std::uint32_t>(rgb) >> shift) & 0xFF) -
                     static_cast<long>((kColours[k] >> shift) & 0xFF);
      distance += d * d;
    }
    if (best_distance < 0 || distance < best_distance) best = k + 1, best_distance = distance;
  }
  return best;
}

std::uint32_t ModelMapper::Brc80(int size, std::int32_t colour) {
  if (size <= 0) return 0;
  return static_cast<std::uint32_t>(std::clamp(size, 1, 255)) | (1u << 8) | (Ico(colour) << 16);
}

TGrpprl ModelMapper::ParaSprms(const ParaProps& p) {
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
  // A web page's horizontal rule.
  if (p.border_bottom > 0) g.Add32(sprm::kPBrcBottom80, Brc80(p.border_bottom, p.border_bottom_color));
  return g;
}

std::uint32_t ModelMapper::RunChpx(std::uint32_t fmt) {
  auto it = chpx_of_run_.find(fmt);
  if (it != chpx_of_run_.end()) return it->second;
  const std::uint32_t id = fmt < doc_.run_count() ? b_.Chpx(RunSprms(doc_.run(fmt))) : 0;
  chpx_of_run_.emplace(fmt, id);
  return id;
}

std::uint32_t ModelMapper::ParaPapx(std::uint32_t fmt, int depth, const TGrpprl* extra) {
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

bool ModelMapper::ValidBookmarkChar(char16_t c, bool first) {
  if (c == u'_') return true;
  if (c >= 0x80) return true;
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
  return !first && c >= u'0' && c <= u'9';
}

void ModelMapper::CollectBookmarks(const Story& s, std::vector<std::u16string>& names) {
  for (const auto& bm : s.bookmarks()) names.push_back(bm.name);
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s.at(i) != ch::kTable || s.attr(i).obj >= doc_.tables.size()) continue;
    for (const auto& row : doc_.tables[s.attr(i).obj].rows) {
      for (const auto& cell : row.cells) CollectBookmarks(cell.story, names);
    }
  }
}

void ModelMapper::MapBookmarkNames() {
  std::vector<std::u16string> names;
  CollectBookmarks(doc_.main, names);
  std::unordered_map<std::u16string, bool> taken;
  for (const auto& n : names) taken[AsciiLower(n)] = true;
  int counter = 0;
  for (const auto& n : names) {
    bool ok = !n.empty() && n.size() <= kMaxBookmarkName;
    for (std::size_t i = 0; ok && i < n.size(); ++i) ok = ValidBookmarkChar(n[i], i == 0);
    if (ok || renamed_.count(AsciiLower(n))) continue;
    std::u16string base;
    for (char16_t c : n) {
      if (base.size() >= kMaxBookmarkName - 8) break;
      if (ValidBookmarkChar(c, base.empty())) base.push_back(c);
    }
    if (base.empty()) base = u"B";
    std::u16string fresh;
    do {
      fresh = base + u"_" + U16(std::to_string(++counter));
    } while (taken.count(AsciiLower(fresh)));
    taken[AsciiLower(fresh)] = true;
    renamed_[AsciiLower(n)] = fresh;
  }
}

std::u16string ModelMapper::BookmarkName(const std::u16string& n) const {
  auto it = renamed_.find(AsciiLower(n));
  return it == renamed_.end() ? n : it->second;
}

std::uint8_t ModelMapper::FieldType(const Field& f, std::u16string_view code) {
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
  for (auto& c : word) c = AsciiUpperChar(c);
  static const std::pair<const char16_t*, std::uint8_t> kTypes[] = {
      {u"REF", 3},   {u"SEQ", 12},     {u"TOC", 13},       {u"NUMPAGES", 26}, {u"DATE", 31},        {u"TIME", 32},
      {u"PAGE", 33}, {u"PAGEREF", 37}, {u"HYPERLINK", 88}, {u"TC", 9},        {u"SECTIONPAGES", 66}};
  for (const auto& [name, type] : kTypes) {
    if (word == name) return type;
  }
  return 0;
}

std::u16string ModelMapper::FieldCode(const Field& f) const {
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

TGrpprl ModelMapper::Sepx(const SectionProps& s) const {
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

std::int32_t ModelMapper::StoryFor(int hf) {
  if (hf < 0 || hf >= static_cast<int>(doc_.hf_stories.size())) return -1;
  auto it = hf_story_.find(hf);
  if (it != hf_story_.end()) return it->second;
  const std::int32_t id = b_.BeginHeaderStory();
  WriteStory(doc_.hf_stories[static_cast<std::size_t>(hf)], 0, false);
  b_.EndHeaderStory();
  hf_story_[hf] = id;
  return id;
}

std::vector<std::int32_t> ModelMapper::Stories(const SectionProps& s) {
  // Slots: even header, odd header, even footer, odd footer, first-page header, first-page footer.
  return {-1, StoryFor(s.header), -1, StoryFor(s.footer), -1, -1};
}

}  // namespace tomeshift::word
