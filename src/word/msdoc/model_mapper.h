// Maps the document model onto the .doc builder, story by story: styles and the formatting of runs and
// paragraphs, bookmark names the format can hold, fields, sections, stories and tables.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "word/model/document_model.h"
#include "word/model/table_grid.h"
#include "word/msdoc/builder.h"

namespace tomeshift::word {

class ModelMapper {
 public:
  explicit ModelMapper(const DocModel& doc) : doc_(doc) {}

  std::string Run();

 private:
  static constexpr int kMaxColumns = 63;     // the format's limit for cells in a row
  static constexpr int kMaxTableDepth = 12;  // deeper tables are written as paragraphs of the enclosing cell
  static constexpr std::size_t kMaxBookmarkName = 40;

  // A colour as the format stores it (0x00BBGGRR; automatic is 0xFF000000).
  static std::uint32_t ColorRef(std::int32_t rgb) {
    if (rgb == kAutoColor) return 0xFF000000u;
    const auto v = static_cast<std::uint32_t>(rgb);
    return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
  }
  // The nearest of the format's sixteen border colours (ico); 0 is automatic.
  static std::uint32_t Ico(std::int32_t rgb);
  // A single line of `size` eighths of a point (Brc80); 0 when there is none.
  static std::uint32_t Brc80(int size, std::int32_t colour);
  // A signed twips value, clamped to what the format's 16-bit fields hold.
  static std::uint16_t S16(int v) {
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(v, -31680, 31680)));
  }

  // Styles and the formatting of runs and paragraphs.
  void MapStyles();
  std::uint16_t Istd(int style) const;
  TGrpprl RunSprms(const RunProps& p);
  TGrpprl ParaSprms(const ParaProps& p);
  std::uint32_t RunChpx(std::uint32_t fmt);
  // Paragraph properties, plus the table sprms for a paragraph at the given table depth.
  std::uint32_t ParaPapx(std::uint32_t fmt, int depth, const TGrpprl* extra = nullptr);

  // Bookmarks.
  static bool ValidBookmarkChar(char16_t c, bool first);
  void CollectBookmarks(const Story& s, std::vector<std::u16string>& names);
  // Names the format cannot hold (too long, odd characters) get a unique stand-in; links follow.
  void MapBookmarkNames();
  std::u16string BookmarkName(const std::u16string& n) const;

  // Fields.
  static std::uint8_t FieldType(const Field& f, std::u16string_view code);
  std::u16string FieldCode(const Field& f) const;

  // Sections.
  TGrpprl Sepx(const SectionProps& s) const;
  std::int32_t StoryFor(int hf);
  std::vector<std::int32_t> Stories(const SectionProps& s);

  // Stories.
  // Writes a story. depth > 0: the story is a table cell's, and its last paragraph mark becomes the
  // cell mark.
  void WriteStory(const Story& s, int depth, bool main);
  void EndCell(int depth, std::uint32_t fmt, std::uint32_t chpx);
  // A picture linked to a file and not stored with the document: a field that names the file, as
  // Word writes it; readers show the picture from the file.
  void WriteLinkedPicture(const Picture& p, std::uint32_t chpx, bool nested);
  void WritePicture(const Picture& p, std::uint32_t chpx, bool in_field);

  // Tables.
  void WriteTable(const Table& t, int depth);
  // A cell's paragraphs without making it a cell: for tables nested deeper than the format allows.
  void WriteFlattened(const Story& s, int depth);
  void EndRow(const Table& t, std::size_t r, const std::vector<TableGrid::Slot>& row, std::size_t shown,
              const std::vector<int>& bounds, int depth);

  const DocModel& doc_;
  TDocBuilder b_;
  std::vector<int> istd_;
  std::unordered_map<std::u16string, std::u16string> renamed_;
  std::unordered_map<std::uint32_t, std::uint32_t> chpx_of_run_;
  std::unordered_map<std::uint64_t, std::uint32_t> papx_of_para_;
  std::map<int, std::int32_t> hf_story_;
  std::unordered_map<std::string, std::uint32_t> picture_at_;
  std::vector<int> cell_width_stack_;
  std::unordered_map<const TableCell*, std::size_t> cell_start_row_;  // of cells with their own lines
  std::uint32_t field_chpx_ = 0;
  int text_width_ = 9026;
};

}  // namespace tomeshift::word
