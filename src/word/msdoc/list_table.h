// List definitions (PlfLst with its LVLs) and list instances (PlfLfo): list n of the model becomes
// list instance n, which paragraphs name with sprmPIlfo.
#pragma once

#include <string>
#include <vector>

#include "word/model/document_model.h"
#include "word/msdoc/font_table.h"

namespace tomeshift::word {

class TDocListTable {
 public:
  // Fills `lists` (the length of the PlfLst part in four bytes, then PlfLst and the LVLs) and
  // `overrides` (PlfLfo); both empty when there are no lists.
  static void Encode(const std::vector<ListDef>& defs, TDocFontTable& fonts, std::string& lists,
                     std::string& overrides);
};

}  // namespace tomeshift::word
