// Appends content to a story, front to back: what an importer uses to fill a document model.
// Bookmark names and link targets go through MapBookmarkName, so links and bookmarks always agree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "word/model/document_model.h"

namespace tomeshift::word {

class StoryBuilder {
 public:
  // Empties the story; Finish() (or the destructor) leaves it ending with a paragraph mark.
  StoryBuilder(DocModel& doc, Story& story);
  ~StoryBuilder();
  StoryBuilder(const StoryBuilder&) = delete;
  StoryBuilder& operator=(const StoryBuilder&) = delete;

  void Text(std::u16string_view text, const RunProps& run = {});
  void Tab(const RunProps& run = {});
  void LineBreak(const RunProps& run = {});
  void PageBreak();
  // Ends the current paragraph with these props.
  void EndParagraph(const ParaProps& para = {});
  // Ends the current paragraph and the section (the next one starts on a new page).
  void EndSection(const SectionProps& section, const ParaProps& para = {});
  // Returns the picture's id in DocModel::pictures.
  std::uint32_t AddPicture(Picture picture);
  // The table becomes one block; an open paragraph is ended first.
  void AddTable(Table table);
  // A link to an address, to a bookmark (sub_address), or both.
  void BeginHyperlink(std::u16string_view address, std::u16string_view sub_address);
  void EndHyperlink();
  // A bookmark covers what is appended between its begin and its end; one with nothing in between
  // stays where it was begun.
  void BeginBookmark(std::u16string_view name);
  void EndBookmark(std::u16string_view name);
  // Takes back the story's last character (a line break that turns out to end a paragraph);
  // bookmarks begun after it move back with it.
  void EraseLast();
  void AddField(Field field, std::u16string_view result, const RunProps& run = {});
  void Finish();

  std::size_t position() const { return story_.size(); }
  bool paragraph_open() const { return open_; }

 private:
  void Put(char16_t c, CharAttr a);
  void Append(std::u16string_view text, CharAttr a);
  void PlaceSettledBookmarks();
  bool Taken(std::u16string_view mapped) const;

  DocModel& doc_;
  Story& story_;
  bool open_ = false;
  bool finished_ = false;
  std::vector<std::uint32_t> open_links_;
  std::vector<std::pair<std::u16string, std::size_t>> open_bookmarks_;
  // Closed empty bookmarks at the story's end: the story moves an empty bookmark along when text is
  // inserted at its position, so they join the story only once something follows them.
  std::vector<Bookmark> settled_;
};

// Copies story[start, end) of src into dst_story at pos, with its pictures, tables, fields, lists,
// styles (by name: the target's own definition wins) and the bookmarks that lie wholly inside
// (a name that exists in the target keeps the target's). Returns the number of characters inserted.
std::size_t CopySlice(const DocModel& src, const Story& src_story, std::size_t start, std::size_t end, DocModel& dst,
                      Story& dst_story, std::size_t pos);

}  // namespace tomeshift::word
