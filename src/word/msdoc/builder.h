// Assembles a Word 97-2003 binary document from text appended in reading order: the main text, then
// the header/footer stories. It owns the piece table, the FKPs, the field and bookmark tables and the
// section table, and produces the compound file. It knows nothing of the document model; the
// model is mapped onto it by TDocWriter.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "word/msdoc/font_table.h"
#include "word/msdoc/grpprl.h"
#include "word/msdoc/style_sheet.h"

namespace tomeshift::word {

// Field types as the binary format numbers them.
namespace flt {
constexpr std::uint8_t kRef = 3;
constexpr std::uint8_t kToc = 13;
constexpr std::uint8_t kPage = 33;
constexpr std::uint8_t kPageRef = 37;
constexpr std::uint8_t kIncludePicture = 67;
constexpr std::uint8_t kHyperlink = 88;
}  // namespace flt

class TDocBuilder {
 public:
  TDocBuilder();

  // Property lists are interned; id 0 is "no properties".
  std::uint32_t Chpx(const TGrpprl& g);
  // A paragraph's style (istd) and its own sprms.
  std::uint32_t Papx(std::uint16_t istd, const TGrpprl& g);

  // Text goes into the main part, or into the header story opened by BeginHeaderStory.
  bool in_header_story() const { return story_ >= 0; }
  // CP relative to the start of the current part (or story).
  std::uint32_t Cp() const;

  void AppendText(std::u16string_view text, std::uint32_t chpx);
  // Ends a paragraph with mark 0x0D (paragraph), 0x07 (table cell or row), or 0x0C (section end).
  void EndParagraph(char16_t mark, std::uint32_t chpx, std::uint32_t papx);
  // Field characters: 0x13 begin (with its type), 0x14 separator, 0x15 end. The chpx must carry sprmCFSpec.
  void FieldBegin(std::uint8_t type, std::uint32_t chpx);
  void FieldSeparator(std::uint32_t chpx);
  void FieldEnd(std::uint32_t chpx, bool nested);
  // Puts bytes into the Data stream; returns their offset there.
  std::uint32_t AddData(std::string_view bytes);
  // A picture character whose PICF is at `data_offset` in the Data stream.
  void AppendPicture(std::uint32_t data_offset, const TGrpprl& base_chpx);

  // Main-part CPs; names must already be valid and unique.
  void AddBookmark(std::u16string name, std::uint32_t cp_start, std::uint32_t cp_end);
  // Called after the 0x0C that ends a section; FinalSection describes the section that ends the text.
  void EndSection(const TGrpprl& sepx, const std::vector<std::int32_t>& header_stories);
  void FinalSection(const TGrpprl& sepx, const std::vector<std::int32_t>& header_stories);

  // Header stories: each gets an index; sections name six of them (even/odd header, even/odd
  // footer, first header, first footer), -1 for an empty one (inherited from the section before).
  // A story may be named by several sections; it is written once per use, as the format requires.
  std::int32_t BeginHeaderStory();
  void EndHeaderStory();

  TDocFontTable& fonts() { return fonts_; }
  std::vector<TDocStyle>& styles() { return styles_; }
  std::uint16_t default_font = 0;
  std::u16string title;
  // List tables, already encoded (PlfLst followed by its LVLs, and PlfLfo); empty: none.
  std::string list_table, list_overrides;

  // The whole document as a compound file.
  std::string Build();

 private:
  struct PartText {
    std::u16string text;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> chp;     // (cp, chpx) at each change
    std::vector<std::pair<std::uint32_t, std::uint32_t>> paras;   // (cp after the mark, papx)
    std::vector<std::pair<std::uint32_t, std::uint16_t>> fields;  // (cp, FLD)
  };
  struct Section {
    std::uint32_t cp_start = 0;
    std::string sepx;
    std::vector<std::int32_t> stories;
  };
  struct BookmarkSpan {
    std::u16string name;
    std::uint32_t start = 0, end = 0;
  };
  PartText& cur() { return story_ >= 0 ? stories_[static_cast<std::size_t>(story_)] : main_; }
  const PartText& cur() const { return story_ >= 0 ? stories_[static_cast<std::size_t>(story_)] : main_; }
  void Put(std::u16string_view text, std::uint32_t chpx);
  std::uint32_t Intern(std::vector<std::string>& list, std::unordered_map<std::string, std::uint32_t>& index,
                       std::string bytes);

  PartText main_;
  std::vector<PartText> stories_;
  std::int32_t story_ = -1;
  std::vector<std::string> chpx_, papx_;
  std::unordered_map<std::string, std::uint32_t> chpx_index_, papx_index_;
  std::string data_;
  std::vector<BookmarkSpan> bookmarks_;
  std::vector<Section> sections_;
  std::uint32_t next_section_cp_ = 0;
  bool final_section_ = false;
  TDocFontTable fonts_;
  std::vector<TDocStyle> styles_;
  bool has_pictures_ = false;
};

}  // namespace tomeshift::word
