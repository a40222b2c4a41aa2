#include "word/import/css/css_cascade.h"

#include <algorithm>

#include "text/text_utils.h"
#include "word/import/css/css_value.h"

namespace tomeshift::word {

void CssCascade::AddStyleSheet(CssStyleSheet sheet) {
  AddStyleSheet(std::make_shared<const CssStyleSheet>(std::move(sheet)));
}

void CssCascade::AddStyleSheet(std::shared_ptr<const CssStyleSheet> sheet) {
  for (const auto& rule : sheet->rules) {
    auto index = static_cast<std::uint32_t>(rules_.size());
    for (std::uint32_t s = 0; s < rule.selectors.size(); ++s) {
      const CssSelector& sel = rule.selectors[s];
      Entry e{index, s};
      switch (sel.key_kind()) {
        case '#':
          by_id_[AsciiLower(sel.key())].push_back(e);
          break;
        case '.':
          by_class_[AsciiLower(sel.key())].push_back(e);
          break;
        case 't':
          by_type_[sel.key()].push_back(e);
          break;
        default:
          universal_.push_back(e);
          break;
      }
    }
    rules_.push_back(&rule);
  }
  sheets_.push_back(std::move(sheet));
}

void CssCascade::Collect(const std::vector<Entry>& entries, const HtmlNode& element,
                         std::vector<std::pair<CssSpecificity, std::uint32_t>>& hits) const {
  for (const Entry& e : entries) {
    const CssSelector& sel = rules_[e.rule]->selectors[e.selector];
    if (sel.Matches(element, &match_cache_)) hits.emplace_back(sel.specificity(), e.rule);
  }
}

void CssCascade::Cascade(const HtmlNode& element, const std::vector<CssDeclaration>& defaults,
                         const std::vector<CssDeclaration>& hints, const std::vector<CssDeclaration>& inline_style,
                         CssDeclared& out) const {
  out.fill(nullptr);
  for (const auto& d : defaults) out[static_cast<std::size_t>(d.property)] = &d;
  for (const auto& d : hints) out[static_cast<std::size_t>(d.property)] = &d;

  std::vector<std::pair<CssSpecificity, std::uint32_t>> hits;
  if (!rules_.empty()) {
    Collect(universal_, element, hits);
    if (auto it = by_type_.find(element.tag); it != by_type_.end()) Collect(it->second, element, hits);
    std::string_view id = element.Attribute("id");
    if (!id.empty()) {
      if (auto it = by_id_.find(AsciiLower(id)); it != by_id_.end()) Collect(it->second, element, hits);
    }
    std::string_view classes = element.Attribute("class");
    std::size_t i = 0;
    std::vector<std::string> seen;
    while (i < classes.size()) {
      while (i < classes.size() && (classes[i] == ' ' || classes[i] == '\t' || classes[i] == '\n' ||
                                    classes[i] == '\r' || classes[i] == '\f'))
        ++i;
      std::size_t j = i;
      while (j < classes.size() && !(classes[j] == ' ' || classes[j] == '\t' || classes[j] == '\n' ||
                                     classes[j] == '\r' || classes[j] == '\f'))
        ++j;
      if (j > i) {
        std::string name = AsciiLower(classes.substr(i, j - i));
        if (std::find(seen.begin(), seen.end(), name) == seen.end()) {
          if (auto it = by_class_.find(name); it != by_class_.end()) Collect(it->second, element, hits);
          seen.push_back(std::move(name));
        }
      }
      i = j;
    }
    // A rule matched through several of its selectors counts once, with the strongest one.
    std::sort(hits.begin(), hits.end(), [](const auto& x, const auto& y) {
      return x.second != y.second ? x.second < y.second : x.first > y.first;
    });
    hits.erase(std::unique(hits.begin(), hits.end(), [](const auto& x, const auto& y) { return x.second == y.second; }),
               hits.end());
    std::stable_sort(hits.begin(), hits.end(), [](const auto& x, const auto& y) {
      return x.first != y.first ? x.first < y.first : x.second < y.second;
    });
  }
  for (const auto& hit : hits) {
    for (const auto& d : rules_[hit.second]->declarations) {
      if (!d.important) out[static_cast<std::size_t>(d.property)] = &d;
    }
  }
  for (const auto& d : inline_style) {
    if (!d.important) out[static_cast<std::size_t>(d.property)] = &d;
  }
  for (const auto& hit : hits) {
    for (const auto& d : rules_[hit.second]->declarations) {
      if (d.important) out[static_cast<std::size_t>(d.property)] = &d;
    }
  }
  for (const auto& d : inline_style) {
    if (d.important) out[static_cast<std::size_t>(d.property)] = &d;
  }
}

}  // namespace tomeshift::word
