// The mapper's stories: text, paragraph and cell marks, fields, bookmarks and pictures.
#include <algorithm>
#include <functional>

#include "platform/cancellation.h"
#include "word/image/gif_decoder.h"
#include "word/image/image_info.h"
#include "word/image/png_encoder.h"
#include "word/model/twips.h"
#include "word/msdoc/model_mapper.h"
#include "word/msdoc/picture.h"

namespace tomeshift::word {

void ModelMapper::WriteStory(const Story& s, int depth, bool main) {
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
        if (f.kind == FieldKind::kToc && main && depth == 0 && !para_has_content && i >= 2 &&
            text[i - 1] == ch::kParagraph && text[i - 2] != ch::kParagraph && text[i - 2] != ch::kSection) {
          // LibreOffice reads the paragraph right before a contents field in this format without its
          // character formatting (the 28 pt caption came out at the default size): a hair-thin empty
          // paragraph stands between them instead.
          TGrpprl hair_run, hair_para;
          hair_run.Add16(sprm::kCHps, 2);
          hair_para.Add32(sprm::kPDyaLine, static_cast<std::uint16_t>(-20));  // exactly 1 pt
          hair_para.Add16(sprm::kPDyaBefore, 0);
          hair_para.Add16(sprm::kPDyaAfter, 0);
          b_.EndParagraph(u'\r', b_.Chpx(hair_run), b_.Papx(0, hair_para));
        }
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

void ModelMapper::EndCell(int depth, std::uint32_t fmt, std::uint32_t chpx) {
  if (depth <= 1 || depth > kMaxTableDepth) {
    b_.EndParagraph(depth == 1 ? u'\x07' : u'\r', chpx, ParaPapx(fmt, std::min(depth, kMaxTableDepth)));
  } else {
    TGrpprl inner;
    inner.Add8(sprm::kPFInnerTableCell, 1);
    b_.EndParagraph(u'\r', chpx, ParaPapx(fmt, depth, &inner));
  }
}

void ModelMapper::WriteLinkedPicture(const Picture& p, std::uint32_t chpx, bool nested) {
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

void ModelMapper::WritePicture(const Picture& p, std::uint32_t chpx, bool in_field) {
  if (p.bytes.empty()) {
    if (p.linked && !p.link_path.empty()) WriteLinkedPicture(p, chpx, in_field);
    return;
  }
  const int w = Twips(std::max(p.width, 1.0));
  const int h = Twips(std::max(p.height, 1.0));
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
  const std::string key = std::to_string(std::hash<std::string>()(*bytes)) + ':' + std::to_string(bytes->size()) + ':' +
                          std::to_string(w) + 'x' + std::to_string(h);
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

}  // namespace tomeshift::word
