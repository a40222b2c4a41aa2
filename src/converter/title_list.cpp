#include "converter/title_list.h"

#include <stdexcept>

#include "text/text_utils.h"

namespace tomeshift {

TTitleLists::TTitleLists() : Urls(TStringListOptions{.sorted = true, .case_sensitive = false}) {}

TTitleList& TTitleLists::operator[](int index) const {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  }
  return *items_[static_cast<std::size_t>(index)];
}

TTitleList& TTitleLists::Add(std::unique_ptr<TTitleList> item) {
  if (!item) item = std::make_unique<TTitleList>();
  items_.push_back(std::move(item));
  return *items_.back();
}

TTitleList& TTitleLists::Insert(int index, std::unique_ptr<TTitleList> item) {
  if (index < 0 || index > Count()) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  }
  if (!item) item = std::make_unique<TTitleList>();
  return **items_.insert(items_.begin() + index, std::move(item));
}

void TTitleLists::Delete(int index) {
  (void)(*this)[index];
  items_.erase(items_.begin() + index);
}

void TTitleLists::Clear() {
  Urls.Clear();
  items_.clear();
}

int TTitleLists::IndexOf(const TTitleList* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == item) return static_cast<int>(i);
  }
  return -1;
}

void TTitleLists::initializeUrls() {
  Urls.Clear();
  // A sorted list keeps the first line it was given, so the first entry in list order wins.
  for (const auto& item : items_) Urls.Add(LowerCase(item->Url), item.get());
}

TTitleList* TTitleLists::GetItemByUrl(std::u16string_view Url) const {
  const int i = Urls.IndexOf(LowerCase(Url));
  return i < 0 ? nullptr : Urls.ObjectAs<TTitleList>(i);
}

}  // namespace tomeshift
