#include "word/msdoc/fib.h"

#include "word/msdoc/grpprl.h"

namespace tomeshift::word {

std::string TDocFib::Serialize() const {
  std::string out;
  out.reserve(kSize);
  // FibBase.
  PutLe16(out, 0xA5EC);  // wIdent
  PutLe16(out, 0x00C1);  // nFib
  PutLe16(out, 0);       // unused
  PutLe16(out, 0x0409);  // lid
  PutLe16(out, 0);       // pnNext
  // fExtChar (always set for Unicode-capable files) and fWhichTblStm: the tables are in "1Table".
  std::uint16_t flags = 0x1000 | 0x0200;
  if (has_pictures) flags |= 0x0008;
  PutLe16(out, flags);
  PutLe16(out, 0x00BF);  // nFibBack
  PutLe32(out, 0);       // lKey
  out.push_back(0);      // envr
  out.push_back(0);      // fMac etc.
  PutLe16(out, 0);
  PutLe16(out, 0);
  // Where older readers look for the text: first and last text byte (fcMin, fcMac).
  PutLe32(out, fc_min);
  PutLe32(out, fc_mac);
  // FibRgW97: 14 reserved words, the last being lidFE.
  PutLe16(out, 14);
  for (int i = 0; i < 13; ++i) PutLe16(out, 0);
  PutLe16(out, 0x0409);
  // FibRgLw97.
  PutLe16(out, 22);
  const std::uint32_t lw[22] = {cb_mac, 0, 0, ccp_text, 0, ccp_hdd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (std::uint32_t v : lw) PutLe32(out, v);
  // FibRgFcLcb97.
  PutLe16(out, static_cast<std::uint16_t>(kPairCount));
  for (const auto& [fc, lcb] : pairs_) {
    PutLe32(out, fc);
    PutLe32(out, lcb);
  }
  PutLe16(out, 0);  // cswNew
  return out;
}

}  // namespace tomeshift::word
