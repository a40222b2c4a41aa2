#include "word/msdoc/fkp.h"

#include <stdexcept>
#include <unordered_map>

#include "word/msdoc/grpprl.h"

namespace tomeshift::word {
namespace {

constexpr std::size_t kPage = 512;

class Page {
 public:
  explicit Page(TDocFkp::Kind kind) : kind_(kind) {}

  // Bytes the entry needs in the data area (0 for a CHPX without properties).
  std::size_t DataSize(const std::string& p) const {
    if (kind_ == TDocFkp::Kind::kChpx) return p.empty() ? 0 : 1 + p.size();
    return p.size() % 2 ? 1 + p.size() : 2 + p.size();
  }
  std::size_t EntrySize() const { return kind_ == TDocFkp::Kind::kChpx ? 5 : 17; }

  bool TryAdd(std::uint32_t fc, std::uint32_t prop_id, const std::string& p) {
    std::size_t offset = 0;
    auto found = placed_.find(prop_id);
    std::size_t low = data_low_;
    if (found != placed_.end()) {
      offset = found->second;
    } else if (const std::size_t need = DataSize(p); need > 0) {
      if (need > low) return false;
      offset = (low - need) & ~static_cast<std::size_t>(1);
      low = offset;
    }
    // Offsets table: (n + 2) FCs after adding, plus the per-entry bytes, must stay below the data.
    const std::size_t n = fcs_.size();
    if (4 * (n + 2) + (EntrySize() - 4) * (n + 1) > low) return false;
    if (found == placed_.end() && offset) {
      placed_[prop_id] = offset;
      data_low_ = low;
      data_.push_back({offset, &p});
    }
    fcs_.push_back(fc);
    offsets_.push_back(static_cast<std::uint8_t>(offset / 2));
    return true;
  }
  bool empty() const { return fcs_.empty(); }

  std::string Finish(std::uint32_t fc_end) const {
    std::string page(kPage, '\0');
    const std::size_t n = fcs_.size();
    for (std::size_t i = 0; i < n; ++i) SetLe32(page, 4 * i, fcs_[i]);
    SetLe32(page, 4 * n, fc_end);
    const std::size_t base = 4 * (n + 1);
    for (std::size_t i = 0; i < n; ++i) page[base + i * (EntrySize() - 4)] = static_cast<char>(offsets_[i]);
    for (const auto& [offset, p] : data_) {
      std::size_t at = offset;
      if (kind_ == TDocFkp::Kind::kChpx) {
        page[at++] = static_cast<char>(p->size());
      } else if (p->size() % 2) {
        page[at++] = static_cast<char>((p->size() + 1) / 2);
      } else {
        page[at++] = 0;
        page[at++] = static_cast<char>(p->size() / 2);
      }
      page.replace(at, p->size(), *p);
    }
    page[kPage - 1] = static_cast<char>(n);
    return page;
  }

 private:
  TDocFkp::Kind kind_;
  std::vector<std::uint32_t> fcs_;
  std::vector<std::uint8_t> offsets_;
  std::vector<std::pair<std::size_t, const std::string*>> data_;
  std::unordered_map<std::uint32_t, std::size_t> placed_;
  std::size_t data_low_ = kPage - 1;
};

}  // namespace

std::string TDocFkp::Build(Kind kind, const std::vector<TFkpRun>& runs, std::uint32_t fc_end,
                           const std::vector<std::string>& props, std::uint32_t first_page, std::string& pages) {
  std::vector<std::uint32_t> bounds;  // first FC of every page
  std::vector<std::uint32_t> page_numbers;
  Page page(kind);
  std::uint32_t page_no = first_page;
  bounds.push_back(runs.empty() ? fc_end : runs.front().fc);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const std::string& p = props.at(runs[i].props);
    if (p.size() > 255 * 2 - 2) throw std::length_error("property list too long for a formatted disk page");
    if (!page.TryAdd(runs[i].fc, runs[i].props, p)) {
      pages += page.Finish(runs[i].fc);
      page_numbers.push_back(page_no++);
      bounds.push_back(runs[i].fc);
      page = Page(kind);
      if (!page.TryAdd(runs[i].fc, runs[i].props, p))
        throw std::length_error("property list does not fit a formatted disk page");
    }
  }
  if (!page.empty()) {
    pages += page.Finish(fc_end);
    page_numbers.push_back(page_no);
  }
  bounds.push_back(fc_end);
  std::string plc;
  for (std::size_t i = 0; i < page_numbers.size(); ++i) PutLe32(plc, bounds[i]);
  PutLe32(plc, fc_end);
  for (std::uint32_t pn : page_numbers) PutLe32(plc, pn);
  return plc;
}

}  // namespace tomeshift::word
