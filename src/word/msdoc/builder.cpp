#include "word/msdoc/builder.h"

#include <algorithm>
#include <stdexcept>

#include "text/unicode.h"
#include "word/msdoc/compound_file.h"
#include "word/msdoc/fib.h"
#include "word/msdoc/fkp.h"
#include "word/msdoc/pieces.h"

namespace tomeshift::word {
namespace {

constexpr std::uint32_t kTextStart = 0x400;  // first text byte in the WordDocument stream
constexpr std::size_t kPage = 512;

void PadTo(std::string& s, std::size_t unit) {
  if (s.size() % unit) s.append(unit - s.size() % unit, '\0');
}

std::uint32_t U32(std::size_t v) {
  if (v > 0x7FFFFFFFu) throw std::length_error("document too large for the Word 97-2003 format");
  return static_cast<std::uint32_t>(v);
}

// Document properties: default tab stops every half inch, widow control, footnotes numbered from 1.
std::string Dop() {
  std::string dop(500, '\0');
  SetLe16(dop, 0, 0x0002);  // fWidowControl
  SetLe16(dop, 2, 1 << 2);  // nFtn = 1
  SetLe16(dop, 10, 720);    // dxaTab
  return dop;
}

// Identifies the file to OLE as a Word 97-2003 document.
std::string CompObj() {
  std::string out;
  const unsigned char head[28] = {0x01, 0x00, 0xFE, 0xFF, 0x03, 0x0A, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x06, 0x09,
                                  0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
  out.append(reinterpret_cast<const char*>(head), sizeof head);
  for (std::string_view s : {std::string_view("Microsoft Word 97-2003 Document"), std::string_view("MSWordDoc"),
                             std::string_view("Word.Document.8")}) {
    PutLe32(out, static_cast<std::uint32_t>(s.size() + 1));
    out.append(s);
    out.push_back('\0');
  }
  PutLe32(out, 0x71B239F4);
  for (int i = 0; i < 3; ++i) PutLe32(out, 0);
  return out;
}

constexpr unsigned char kSummaryFmtid[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                             0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
constexpr unsigned char kDocSummaryFmtid[16] = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                                                0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};

// A property set with the code page and, when given, the title (property 2 of the summary set).
std::string PropertySet(const unsigned char (&fmtid)[16], std::u16string_view title) {
  std::string props;
  std::vector<std::pair<std::uint32_t, std::string>> values;
  {
    std::string v;
    PutLe16(v, 0x0002);  // VT_I2
    PutLe16(v, 0);
    PutLe16(v, 65001);  // UTF-8 strings below
    PutLe16(v, 0);
    values.push_back({1, v});
  }
  if (!title.empty()) {
    std::string v;
    PutLe16(v, 0x001E);  // VT_LPSTR
    PutLe16(v, 0);
    const std::string utf8 = Utf16ToUtf8(title);
    PutLe32(v, static_cast<std::uint32_t>(utf8.size() + 1));
    v += utf8;
    v.push_back('\0');
    PadTo(v, 4);
    values.push_back({2, v});
  }
  std::string set;
  const std::size_t head = 8 + 8 * values.size();
  PutLe32(set, 0);
  PutLe32(set, static_cast<std::uint32_t>(values.size()));
  std::size_t offset = head;
  for (const auto& [id, v] : values) {
    PutLe32(set, id);
    PutLe32(set, static_cast<std::uint32_t>(offset));
    offset += v.size();
  }
  for (const auto& [id, v] : values) set += v;
  SetLe32(set, 0, static_cast<std::uint32_t>(set.size()));

  std::string out;
  PutLe16(out, 0xFFFE);
  PutLe16(out, 0);
  PutLe32(out, 0x00020006);
  out.append(16, '\0');
  PutLe32(out, 1);
  out.append(reinterpret_cast<const char*>(fmtid), sizeof fmtid);
  PutLe32(out, 48);
  out += set;
  return out;
}

}  // namespace

TDocBuilder::TDocBuilder() {
  chpx_.emplace_back();
  chpx_index_[std::string()] = 0;
  std::string normal_papx(2, '\0');
  papx_.push_back(normal_papx);
  papx_index_[normal_papx] = 0;
  // The fixed slots: Normal and Default Paragraph Font at least; the writer fills the headings.
  styles_.resize(TDocStyleSheet::kFixedSlots);
  styles_[0].used = true;
  styles_[0].name = u"Normal";
  styles_[0].sti = 0;
  styles_[10].used = true;
  styles_[10].character = true;
  styles_[10].name = u"Default Paragraph Font";
  styles_[10].sti = 65;
  styles_[10].next = 10;
}

std::uint32_t TDocBuilder::Intern(std::vector<std::string>& list, std::unordered_map<std::string, std::uint32_t>& index,
                                  std::string bytes) {
  auto it = index.find(bytes);
  if (it != index.end()) return it->second;
  const auto id = static_cast<std::uint32_t>(list.size());
  index.emplace(bytes, id);
  list.push_back(std::move(bytes));
  return id;
}

std::uint32_t TDocBuilder::Chpx(const TGrpprl& g) { return Intern(chpx_, chpx_index_, g.bytes()); }

std::uint32_t TDocBuilder::Papx(std::uint16_t istd, const TGrpprl& g) {
  std::string bytes;
  PutLe16(bytes, istd);
  bytes += g.bytes();
  if (bytes.size() > TDocFkp::kMaxProps) {
    // Too large for a page (a wide table's row definition): keep it in the Data stream.
    std::string in_data;
    PutLe16(in_data, static_cast<std::uint16_t>(g.size()));
    in_data += g.bytes();
    const std::uint32_t at = AddData(in_data);
    bytes.resize(2);
    TGrpprl huge;
    huge.Add32(0x6646, at);  // sprmPHugePapx
    bytes += huge.bytes();
  }
  return Intern(papx_, papx_index_, std::move(bytes));
}

std::uint32_t TDocBuilder::Cp() const { return static_cast<std::uint32_t>(cur().text.size()); }

void TDocBuilder::Put(std::u16string_view text, std::uint32_t chpx) {
  if (text.empty()) return;
  PartText& p = cur();
  if (p.chp.empty() || p.chp.back().second != chpx) {
    const auto cp = static_cast<std::uint32_t>(p.text.size());
    if (!p.chp.empty() && p.chp.back().first == cp) {
      p.chp.back().second = chpx;
    } else {
      p.chp.push_back({cp, chpx});
    }
  }
  p.text.append(text);
  U32(p.text.size());
}

void TDocBuilder::AppendText(std::u16string_view text, std::uint32_t chpx) { Put(text, chpx); }

void TDocBuilder::EndParagraph(char16_t mark, std::uint32_t chpx, std::uint32_t papx) {
  Put(std::u16string_view(&mark, 1), chpx);
  cur().paras.push_back({Cp(), papx});
}

void TDocBuilder::FieldBegin(std::uint8_t type, std::uint32_t chpx) {
  cur().fields.push_back({Cp(), static_cast<std::uint16_t>(0x13 | (type << 8))});
  Put(u"\x13", chpx);
}

void TDocBuilder::FieldSeparator(std::uint32_t chpx) {
  cur().fields.push_back({Cp(), static_cast<std::uint16_t>(0x14)});
  Put(u"\x14", chpx);
}

void TDocBuilder::FieldEnd(std::uint32_t chpx, bool nested) {
  // fHasSep, and fNested for a field inside another field's result.
  const std::uint8_t flags = 0x80 | (nested ? 0x40 : 0);
  cur().fields.push_back({Cp(), static_cast<std::uint16_t>(0x15 | (flags << 8))});
  Put(u"\x15", chpx);
}

std::uint32_t TDocBuilder::AddData(std::string_view bytes) {
  if (data_.empty()) data_.assign(8, '\0');  // offset 0 would read as "no data"
  const std::uint32_t at = U32(data_.size());
  data_.append(bytes);
  U32(data_.size());
  return at;
}

void TDocBuilder::AppendPicture(std::uint32_t data_offset, const TGrpprl& base_chpx) {
  TGrpprl g = base_chpx;
  g.Add32(sprm::kCPicLocation, data_offset);
  g.Add8(sprm::kCFSpec, 1);
  Put(u"\x01", Chpx(g));
  has_pictures_ = true;
}

void TDocBuilder::AddBookmark(std::u16string name, std::uint32_t cp_start, std::uint32_t cp_end) {
  bookmarks_.push_back({std::move(name), cp_start, std::max(cp_start, cp_end)});
}

void TDocBuilder::EndSection(const TGrpprl& sepx, const std::vector<std::int32_t>& header_stories) {
  sections_.push_back({next_section_cp_, sepx.bytes(), header_stories});
  next_section_cp_ = U32(main_.text.size());
}

void TDocBuilder::FinalSection(const TGrpprl& sepx, const std::vector<std::int32_t>& header_stories) {
  sections_.push_back({next_section_cp_, sepx.bytes(), header_stories});
  final_section_ = true;
}

std::int32_t TDocBuilder::BeginHeaderStory() {
  stories_.emplace_back();
  story_ = static_cast<std::int32_t>(stories_.size() - 1);
  return story_;
}

void TDocBuilder::EndHeaderStory() {
  // The guard mark that closes a non-empty story.
  if (!cur().text.empty()) EndParagraph(u'\r', 0, 0);
  story_ = -1;
}

std::string TDocBuilder::Build() {
  if (story_ >= 0) EndHeaderStory();
  // The main text ends with a paragraph mark, and the last section starts before the end.
  if (main_.text.empty() || main_.text.back() != u'\r') EndParagraph(u'\r', 0, 0);
  if (!final_section_) {
    Section last = sections_.empty() ? Section{} : sections_.back();
    last.cp_start = next_section_cp_;
    sections_.push_back(last);
    final_section_ = true;
  }
  const std::uint32_t ccp_text = U32(main_.text.size());

  // Lay the header document out in the order the story table needs.
  std::vector<const PartText*> parts{&main_};
  std::vector<std::uint32_t> part_cp{0};
  std::vector<std::uint32_t> hdd;
  std::uint32_t hdd_len = 0;
  bool any_story = false;
  for (const auto& s : sections_) {
    for (std::int32_t id : s.stories) any_story |= id >= 0 && !stories_[static_cast<std::size_t>(id)].text.empty();
  }
  PartText closing;
  if (any_story) {
    for (int i = 0; i < 6; ++i) hdd.push_back(0);
    for (const auto& s : sections_) {
      for (std::size_t slot = 0; slot < 6; ++slot) {
        hdd.push_back(hdd_len);
        const std::int32_t id = slot < s.stories.size() ? s.stories[slot] : -1;
        if (id < 0) continue;
        const PartText& story = stories_[static_cast<std::size_t>(id)];
        if (story.text.empty()) continue;
        parts.push_back(&story);
        part_cp.push_back(ccp_text + hdd_len);
        hdd_len = U32(hdd_len + story.text.size());
      }
    }
    hdd.push_back(hdd_len);
    closing.text = u"\r\r";  // ends the header document, then the whole text
    closing.chp.push_back({0, 0});
    closing.paras = {{1, 0}, {2, 0}};
    parts.push_back(&closing);
    part_cp.push_back(ccp_text + hdd_len);
    hdd_len += 1;
    hdd.push_back(hdd_len);
  }
  const std::uint32_t ccp_hdd = hdd_len;
  const std::uint32_t cp_total = ccp_text + (any_story ? ccp_hdd + 1 : 0);

  // WordDocument stream: FIB, text, FKPs, section properties.
  std::string word(TDocFib::kSize, '\0');
  word.resize(kTextStart, '\0');
  std::u16string all;
  all.reserve(cp_total);
  for (const PartText* p : parts) all += p->text;
  const TDocPieces pieces(all, kTextStart);
  pieces.Write(word);
  std::vector<TFkpRun> chp_runs, pap_runs;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    const PartText& p = *parts[k];
    for (const auto& [cp, id] : p.chp) {
      const std::uint32_t fc = pieces.Fc(part_cp[k] + cp);
      if (!chp_runs.empty() && chp_runs.back().fc == fc)
        chp_runs.back().props = id;
      else if (chp_runs.empty() || chp_runs.back().props != id)
        chp_runs.push_back({fc, id});
    }
    std::uint32_t para_start = part_cp[k];
    for (const auto& [cp_after, id] : p.paras) {
      pap_runs.push_back({pieces.Fc(para_start), id});
      para_start = part_cp[k] + cp_after;
    }
    if (para_start != part_cp[k] + p.text.size())
      throw std::logic_error("text part does not end with a paragraph mark");
  }
  const std::uint32_t fc_end = pieces.end();
  PadTo(word, kPage);
  std::string pages;
  const std::string bte_chpx =
      TDocFkp::Build(TDocFkp::Kind::kChpx, chp_runs, fc_end, chpx_, U32(word.size() / kPage), pages);
  word += pages;
  pages.clear();
  const std::string bte_papx =
      TDocFkp::Build(TDocFkp::Kind::kPapx, pap_runs, fc_end, papx_, U32(word.size() / kPage), pages);
  word += pages;
  std::vector<std::uint32_t> sepx_at;
  for (const auto& s : sections_) {
    PadTo(word, 2);
    sepx_at.push_back(U32(word.size()));
    PutLe16(word, static_cast<std::uint16_t>(s.sepx.size()));
    word += s.sepx;
  }

  // Table stream.
  TDocFib fib;
  std::string table;
  auto put = [&](TDocFib::Pair pair, const std::string& bytes) {
    if (bytes.empty()) return;
    PadTo(table, 2);
    fib.Set(pair, U32(table.size()), U32(bytes.size()));
    table += bytes;
  };
  {
    const std::string stsh = TDocStyleSheet::Serialize(styles_, default_font);
    fib.Set(TDocFib::kStshfOrig, U32(table.size()), U32(stsh.size()));
    put(TDocFib::kStshf, stsh);
  }
  {
    std::string plc;
    for (const auto& s : sections_) PutLe32(plc, s.cp_start);
    PutLe32(plc, ccp_text);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
      PutLe16(plc, 0);
      PutLe32(plc, sepx_at[i]);
      PutLe16(plc, 0);
      PutLe32(plc, 0xFFFFFFFF);
    }
    put(TDocFib::kPlcfSed, plc);
  }
  if (any_story) {
    std::string plc;
    for (std::uint32_t cp : hdd) PutLe32(plc, cp);
    put(TDocFib::kPlcfHdd, plc);
  }
  put(TDocFib::kPlcfBteChpx, bte_chpx);
  put(TDocFib::kPlcfBtePapx, bte_papx);
  put(TDocFib::kSttbfFfn, fonts_.Serialize());
  {
    auto plcfld = [&](std::size_t first, std::size_t last, std::uint32_t base, std::uint32_t end) {
      std::vector<std::pair<std::uint32_t, std::uint16_t>> all;
      for (std::size_t k = first; k < last; ++k) {
        for (const auto& [cp, fld] : parts[k]->fields) all.push_back({part_cp[k] + cp - base, fld});
      }
      std::string plc;
      if (all.empty()) return plc;
      for (const auto& f : all) PutLe32(plc, f.first);
      PutLe32(plc, end);
      for (const auto& f : all) PutLe16(plc, f.second);
      return plc;
    };
    put(TDocFib::kPlcfFldMom, plcfld(0, 1, 0, ccp_text));
    if (any_story) put(TDocFib::kPlcfFldHdr, plcfld(1, parts.size(), ccp_text, ccp_hdd));
  }
  if (!bookmarks_.empty()) {
    std::vector<std::size_t> by_start(bookmarks_.size()), by_end(bookmarks_.size());
    for (std::size_t i = 0; i < bookmarks_.size(); ++i) by_start[i] = by_end[i] = i;
    std::stable_sort(by_start.begin(), by_start.end(),
                     [&](std::size_t a, std::size_t b) { return bookmarks_[a].start < bookmarks_[b].start; });
    std::stable_sort(by_end.begin(), by_end.end(),
                     [&](std::size_t a, std::size_t b) { return bookmarks_[a].end < bookmarks_[b].end; });
    std::vector<std::uint16_t> end_index(bookmarks_.size());
    for (std::size_t i = 0; i < by_end.size(); ++i) end_index[by_end[i]] = static_cast<std::uint16_t>(i);
    std::string names, bkf, bkl;
    PutLe16(names, 0xFFFF);
    PutLe16(names, static_cast<std::uint16_t>(bookmarks_.size()));
    PutLe16(names, 0);
    for (std::size_t i : by_start) {
      PutLe16(names, static_cast<std::uint16_t>(bookmarks_[i].name.size()));
      PutUtf16(names, bookmarks_[i].name);
      PutLe32(bkf, std::min(bookmarks_[i].start, ccp_text));
    }
    PutLe32(bkf, cp_total);
    for (std::size_t i : by_start) {
      PutLe16(bkf, end_index[i]);
      PutLe16(bkf, 0);
    }
    for (std::size_t i : by_end) PutLe32(bkl, std::min(bookmarks_[i].end, ccp_text));
    PutLe32(bkl, cp_total);
    put(TDocFib::kSttbfBkmk, names);
    put(TDocFib::kPlcfBkf, bkf);
    put(TDocFib::kPlcfBkl, bkl);
  }
  put(TDocFib::kDop, Dop());
  put(TDocFib::kClx, pieces.Clx());
  if (!list_table.empty()) {
    // The LVLs follow the list table but are not counted in its length; the caller encodes the
    // PlfLst part's length in the first four bytes of list_table.
    PadTo(table, 2);
    const std::uint32_t lst_len = static_cast<std::uint32_t>(
        static_cast<std::uint8_t>(list_table[0]) | (static_cast<std::uint8_t>(list_table[1]) << 8) |
        (static_cast<std::uint8_t>(list_table[2]) << 16) | (static_cast<std::uint8_t>(list_table[3]) << 24));
    fib.Set(TDocFib::kPlfLst, U32(table.size()), lst_len);
    table.append(list_table, 4, std::string::npos);
    put(TDocFib::kPlfLfo, list_overrides);
  }

  fib.ccp_text = ccp_text;
  fib.ccp_hdd = ccp_hdd;
  fib.has_pictures = has_pictures_;
  // Some readers (antiword) cannot read the main stream from the mini stream: keep it above 4 KB.
  if (word.size() < 4096) word.resize(4096, '\0');
  fib.cb_mac = U32(word.size());
  fib.fc_min = kTextStart;
  fib.fc_mac = fc_end;
  const std::string fib_bytes = fib.Serialize();
  word.replace(0, fib_bytes.size(), fib_bytes);

  TCompoundFile file;
  file.AddStream(u"WordDocument", std::move(word));
  file.AddStream(u"1Table", std::move(table));
  if (!data_.empty()) file.AddStream(u"Data", data_);
  file.AddStream(
      u"\x01"
      u"CompObj",
      CompObj());
  file.AddStream(
      u"\x05"
      u"SummaryInformation",
      PropertySet(kSummaryFmtid, title));
  file.AddStream(
      u"\x05"
      u"DocumentSummaryInformation",
      PropertySet(kDocSummaryFmtid, u""));
  return file.Serialize();
}

}  // namespace tomeshift::word
