#include "word/automation/word_style.h"

#include "word/model/word_error.h"

namespace tomeshift::word {

int ResolveStyle(const DocModel& doc, int index) {
  if (index < 0) {
    int i = doc.StyleByBuiltin(index);
    if (i >= 0) return i;
  } else if (index >= 1 && index <= static_cast<int>(doc.styles.size())) {
    return index - 1;
  }
  throw WordError(kNoSuchMember);
}

void Style::LinkToListTemplate(const void* list_template) {
  // Only unlinking is asked of us; a style linked to no list keeps no numbering.
  if (list_template == nullptr) doc_->styles[static_cast<std::size_t>(index_)].num_id = 0;
}

Style Styles::Item(int index) const { return Style(doc_, ResolveStyle(*doc_, index)); }

Style Styles::Item(std::u16string_view name) const {
  int i = doc_->StyleByName(name);
  if (i < 0) throw WordError(kNoSuchMember);
  return Style(doc_, i);
}

Style Styles::Item(const Style& style) const {
  if (style.doc() == doc_) return style;
  return Item(std::u16string_view(style.NameLocal()));
}

}  // namespace tomeshift::word
