// The file information block at the start of the WordDocument stream: where every structure of the
// document lives. Written for Word 97 (nFib 0x00C1), which every later reader understands.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tomeshift::word {

class TDocFib {
 public:
  // Indexes of the (fc, lcb) pairs in FibRgFcLcb97 that the writer fills.
  enum Pair : std::size_t {
    kStshfOrig = 0,
    kStshf = 1,
    kPlcfSed = 6,
    kPlcfHdd = 11,
    kPlcfBteChpx = 12,
    kPlcfBtePapx = 13,
    kSttbfFfn = 15,
    kPlcfFldMom = 16,
    kPlcfFldHdr = 17,
    kSttbfBkmk = 21,
    kPlcfBkf = 22,
    kPlcfBkl = 23,
    kDop = 31,
    kClx = 33,
    kPlfLst = 73,
    kPlfLfo = 74,
    kPairCount = 93,
  };
  static constexpr std::size_t kSize = 32 + 2 + 28 + 2 + 88 + 2 + kPairCount * 8 + 2;

  void Set(Pair pair, std::uint32_t fc, std::uint32_t lcb) { pairs_[pair] = {fc, lcb}; }
  std::uint32_t ccp_text = 0, ccp_hdd = 0, cb_mac = 0, fc_min = 0, fc_mac = 0;
  bool has_pictures = false;

  std::string Serialize() const;

 private:
  std::array<std::pair<std::uint32_t, std::uint32_t>, kPairCount> pairs_{};
};

}  // namespace tomeshift::word
