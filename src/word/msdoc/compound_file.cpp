#include "word/msdoc/compound_file.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "text/text_utils.h"
namespace tomeshift::word {
namespace {

constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kMiniSector = 64;
constexpr std::uint32_t kMiniCutoff = 4096;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint32_t kHeaderDifat = 109;
constexpr std::uint32_t kPerSector = kSector / 4;
constexpr std::size_t kMaxSectors = 0xFFFFFFFA;

void Put16(std::string& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint16_t Get16(std::string_view in, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(in[at]) | (static_cast<std::uint8_t>(in[at + 1]) << 8));
}
std::uint32_t Get32(std::string_view in, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(in[at + static_cast<std::size_t>(i)]);
  return v;
}

// The order the directory tree is sorted by: shorter names first, then by upper-cased units.
bool NameLess(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpperChar(a[i]) != AsciiUpperChar(b[i])) return AsciiUpperChar(a[i]) < AsciiUpperChar(b[i]);
  }
  return false;
}

std::size_t SectorsFor(std::uint64_t bytes, std::uint32_t unit) {
  return static_cast<std::size_t>((bytes + unit - 1) / unit);
}

}  // namespace

void TCompoundFile::AddStream(std::u16string name, std::string bytes) {
  if (name.empty() || name.size() > 31)
    throw std::invalid_argument("compound file: stream name must have 1 to 31 characters");
  for (char16_t c : name) {
    if (c == u'/' || c == u'\\' || c == u':' || c == u'!')
      throw std::invalid_argument("compound file: bad character in stream name");
  }
  if (bytes.size() >= 0xFFFFFFFFull) throw std::invalid_argument("compound file: stream too large");
  for (const auto& s : streams_) {
    if (!NameLess(s.name, name) && !NameLess(name, s.name))
      throw std::invalid_argument("compound file: duplicate stream name");
  }
  streams_.push_back({std::move(name), std::move(bytes)});
}

std::string TCompoundFile::Serialize() const {
  const std::size_t n = streams_.size();
  // Directory entry 0 is the root; stream i is entry i + 1.
  std::vector<std::uint32_t> start(n, kEndOfChain);

  // Mini stream: small streams, each padded to 64 bytes, chained in the mini FAT.
  std::string mini;
  std::vector<std::uint32_t> mini_fat;
  for (std::size_t i = 0; i < n; ++i) {
    const auto& b = streams_[i].bytes;
    if (b.empty() || b.size() >= kMiniCutoff) continue;
    const std::size_t first = mini_fat.size();
    const std::size_t count = SectorsFor(b.size(), kMiniSector);
    start[i] = static_cast<std::uint32_t>(first);
    for (std::size_t k = 0; k < count; ++k)
      mini_fat.push_back(k + 1 < count ? static_cast<std::uint32_t>(first + k + 1) : kEndOfChain);
    mini += b;
    mini.resize(mini.size() + (count * kMiniSector - b.size()), '\0');
  }

  // Regular sectors in file order: big streams, mini stream, mini FAT, directory, FAT, DIFAT.
  std::vector<std::uint32_t> fat;
  auto allocate = [&](std::size_t count) -> std::uint32_t {
    if (count == 0) return kEndOfChain;
    const std::size_t first = fat.size();
    for (std::size_t k = 0; k < count; ++k)
      fat.push_back(k + 1 < count ? static_cast<std::uint32_t>(first + k + 1) : kEndOfChain);
    return static_cast<std::uint32_t>(first);
  };
  for (std::size_t i = 0; i < n; ++i) {
    const auto& b = streams_[i].bytes;
    if (b.size() >= kMiniCutoff) start[i] = allocate(SectorsFor(b.size(), kSector));
  }
  const std::uint32_t mini_stream_start = allocate(SectorsFor(mini.size(), kSector));
  const std::size_t mini_fat_sectors = SectorsFor(mini_fat.size() * 4, kSector);
  const std::uint32_t mini_fat_start = allocate(mini_fat_sectors);
  const std::size_t dir_entries = ((n + 1 + 3) / 4) * 4;
  const std::size_t dir_sectors = dir_entries / 4;
  const std::uint32_t dir_start = allocate(dir_sectors);

  // The FAT must also describe its own sectors and the DIFAT's.
  std::size_t fat_sectors = 1, difat_sectors = 0;
  for (;;) {
    difat_sectors = fat_sectors <= kHeaderDifat ? 0 : SectorsFor(fat_sectors - kHeaderDifat, kPerSector - 1);
    const std::size_t need = SectorsFor((fat.size() + fat_sectors + difat_sectors) * 4, kSector);
    if (need <= fat_sectors) break;
    fat_sectors = need;
  }
  const std::size_t fat_first = fat.size();
  for (std::size_t k = 0; k < fat_sectors; ++k) fat.push_back(kFatSect);
  const std::size_t difat_first = fat.size();
  for (std::size_t k = 0; k < difat_sectors; ++k) fat.push_back(kDifSect);
  if (fat.size() > kMaxSectors) throw std::length_error("compound file: too large");
  fat.resize(fat_sectors * kPerSector, kFree);

  std::string out;
  out.reserve(kSector * (1 + difat_first + difat_sectors));
  out.resize(kSector, '\0');

  // Header.
  const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  for (int i = 0; i < 8; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>(sig[i]);
  Put16(out, 0x18, 0x003E);
  Put16(out, 0x1A, 0x0003);
  Put16(out, 0x1C, 0xFFFE);
  Put16(out, 0x1E, 9);
  Put16(out, 0x20, 6);
  Put32(out, 0x2C, static_cast<std::uint32_t>(fat_sectors));
  Put32(out, 0x30, dir_start);
  Put32(out, 0x38, kMiniCutoff);
  Put32(out, 0x3C, mini_fat_sectors ? mini_fat_start : kEndOfChain);
  Put32(out, 0x40, static_cast<std::uint32_t>(mini_fat_sectors));
  Put32(out, 0x44, difat_sectors ? static_cast<std::uint32_t>(difat_first) : kEndOfChain);
  Put32(out, 0x48, static_cast<std::uint32_t>(difat_sectors));
  for (std::uint32_t k = 0; k < kHeaderDifat; ++k) {
    Put32(out, 0x4C + 4 * k, k < fat_sectors ? static_cast<std::uint32_t>(fat_first + k) : kFree);
  }

  auto append_padded = [&](std::string_view bytes) {
    out.append(bytes);
    const std::size_t rem = out.size() % kSector;
    if (rem) out.append(kSector - rem, '\0');
  };
  for (std::size_t i = 0; i < n; ++i) {
    if (streams_[i].bytes.size() >= kMiniCutoff) append_padded(streams_[i].bytes);
  }
  append_padded(mini);
  {
    std::string mf(mini_fat_sectors * kSector, '\0');
    for (std::size_t k = 0; k < mini_fat_sectors * kPerSector; ++k)
      Put32(mf, 4 * k, k < mini_fat.size() ? mini_fat[k] : kFree);
    append_padded(mf);
  }

  // Directory: the streams form one binary search tree under the root, balanced, all black (readers
  // only search it; colour is not checked by any reader we know of, and all-black is what others write).
  std::vector<std::uint32_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i + 1);
  std::sort(order.begin(), order.end(),
            [&](std::uint32_t a, std::uint32_t b) { return NameLess(streams_[a - 1].name, streams_[b - 1].name); });
  std::vector<std::uint32_t> left(n + 1, kNoStream), right(n + 1, kNoStream);
  std::function<std::uint32_t(std::size_t, std::size_t)> build = [&](std::size_t lo, std::size_t hi) -> std::uint32_t {
    if (lo >= hi) return kNoStream;
    const std::size_t mid = lo + (hi - lo) / 2;
    const std::uint32_t node = order[mid];
    left[node] = build(lo, mid);
    right[node] = build(mid + 1, hi);
    return node;
  };
  const std::uint32_t tree_root = build(0, n);

  std::string dir(dir_entries * 128, '\0');
  auto entry = [&](std::size_t idx, std::u16string_view name, std::uint8_t type, std::uint32_t l, std::uint32_t r,
                   std::uint32_t child, std::uint32_t first, std::uint64_t size) {
    const std::size_t at = idx * 128;
    for (std::size_t k = 0; k < name.size(); ++k) Put16(dir, at + 2 * k, name[k]);
    Put16(dir, at + 0x40, static_cast<std::uint16_t>(name.empty() ? 0 : (name.size() + 1) * 2));
    dir[at + 0x42] = static_cast<char>(type);
    dir[at + 0x43] = 1;  // black
    Put32(dir, at + 0x44, l);
    Put32(dir, at + 0x48, r);
    Put32(dir, at + 0x4C, child);
    Put32(dir, at + 0x74, first);
    Put32(dir, at + 0x78, static_cast<std::uint32_t>(size));
  };
  entry(0, u"Root Entry", 5, kNoStream, kNoStream, tree_root, mini.empty() ? kEndOfChain : mini_stream_start,
        mini.size());
  for (std::size_t i = 0; i < n; ++i) {
    entry(i + 1, streams_[i].name, 2, left[i + 1], right[i + 1], kNoStream, start[i], streams_[i].bytes.size());
  }
  for (std::size_t i = n + 1; i < dir_entries; ++i) entry(i, u"", 0, kNoStream, kNoStream, kNoStream, 0, 0);
  append_padded(dir);

  {
    std::string f(fat.size() * 4, '\0');
    for (std::size_t k = 0; k < fat.size(); ++k) Put32(f, 4 * k, fat[k]);
    append_padded(f);
  }
  for (std::size_t d = 0; d < difat_sectors; ++d) {
    std::string s(kSector, '\0');
    for (std::uint32_t k = 0; k < kPerSector - 1; ++k) {
      const std::size_t fat_index = kHeaderDifat + d * (kPerSector - 1) + k;
      Put32(s, 4 * k, fat_index < fat_sectors ? static_cast<std::uint32_t>(fat_first + fat_index) : kFree);
    }
    Put32(s, kSector - 4, d + 1 < difat_sectors ? static_cast<std::uint32_t>(difat_first + d + 1) : kEndOfChain);
    append_padded(s);
  }
  return out;
}

// ---- reading back ----

TCompoundFileReader::TCompoundFileReader(std::string bytes) : bytes_(std::move(bytes)) {
  const std::string_view in(bytes_);
  if (in.size() < 512 || Get32(in, 0) != 0xE011CFD0u || Get32(in, 4) != 0xE11AB1A1u)
    throw std::runtime_error("not a compound file");
  const std::uint16_t shift = Get16(in, 0x1E);
  if (shift != 9 && shift != 12) throw std::runtime_error("compound file: bad sector size");
  sector_size_ = 1u << shift;
  if (Get16(in, 0x20) != 6) throw std::runtime_error("compound file: bad mini sector size");
  mini_cutoff_ = Get32(in, 0x38);
  const std::size_t sectors = (in.size() - 512 + sector_size_ - 1) / sector_size_;
  auto offset = [&](std::uint32_t s) -> std::size_t {
    if (s >= sectors) throw std::runtime_error("compound file: sector number out of range");
    return sector_size_ == 512 ? 512 + static_cast<std::size_t>(s) * 512
                               : static_cast<std::size_t>(s + 1) * sector_size_;
  };
  auto sector = [&](std::uint32_t s) {
    const std::size_t at = offset(s);
    if (at + sector_size_ > in.size()) throw std::runtime_error("compound file: truncated sector");
    return in.substr(at, sector_size_);
  };
  const std::uint32_t per = sector_size_ / 4;

  // FAT sector list from the header and the DIFAT chain.
  std::vector<std::uint32_t> fat_list;
  const std::uint32_t fat_count = Get32(in, 0x2C);
  for (std::uint32_t k = 0; k < kHeaderDifat && fat_list.size() < fat_count; ++k)
    fat_list.push_back(Get32(in, 0x4C + 4 * k));
  std::uint32_t difat = Get32(in, 0x44);
  for (std::uint32_t guard = 0; fat_list.size() < fat_count; ++guard) {
    if (difat >= kDifSect || guard > sectors) throw std::runtime_error("compound file: DIFAT chain too short");
    const auto s = sector(difat);
    for (std::uint32_t k = 0; k + 1 < per && fat_list.size() < fat_count; ++k) fat_list.push_back(Get32(s, 4 * k));
    difat = Get32(s, sector_size_ - 4);
  }
  for (std::uint32_t fs : fat_list) {
    const auto s = sector(fs);
    for (std::uint32_t k = 0; k < per; ++k) fat_.push_back(Get32(s, 4 * k));
  }
  for (std::uint32_t fs : fat_list) {
    if (fs >= fat_.size() || fat_[fs] != kFatSect)
      throw std::runtime_error("compound file: FAT sector not marked as such");
  }

  const std::string dir = Chain(fat_, Get32(in, 0x30), UINT64_MAX, false);
  for (std::size_t at = 0; at + 128 <= dir.size(); at += 128) {
    Entry e;
    const std::uint16_t len = Get16(dir, at + 0x40);
    if (len > 64 || len % 2) throw std::runtime_error("compound file: bad directory name length");
    for (std::size_t k = 0; k + 2 < len; k += 2) e.name.push_back(static_cast<char16_t>(Get16(dir, at + k)));
    e.type = static_cast<std::uint8_t>(dir[at + 0x42]);
    e.left = Get32(dir, at + 0x44);
    e.right = Get32(dir, at + 0x48);
    e.child = Get32(dir, at + 0x4C);
    e.start = Get32(dir, at + 0x74);
    e.size =
        Get32(dir, at + 0x78) | (sector_size_ == 512 ? 0 : static_cast<std::uint64_t>(Get32(dir, at + 0x7C)) << 32);
    entries_.push_back(std::move(e));
  }
  if (entries_.empty() || entries_[0].type != 5) throw std::runtime_error("compound file: no root entry");

  mini_fat_ = {};
  if (Get32(in, 0x40) > 0) {
    const std::string mf = Chain(fat_, Get32(in, 0x3C), UINT64_MAX, false);
    for (std::size_t k = 0; k + 4 <= mf.size(); k += 4) mini_fat_.push_back(Get32(mf, k));
  }
  mini_stream_ = entries_[0].size ? Chain(fat_, entries_[0].start, entries_[0].size, false) : std::string();

  // Walk the tree the way a reader searching by name would, checking the sort order on the way.
  std::vector<bool> seen(entries_.size(), false);
  std::function<void(std::uint32_t, const std::u16string*, const std::u16string*)> walk =
      [&](std::uint32_t i, const std::u16string* lo, const std::u16string* hi) {
        if (i == kNoStream) return;
        if (i >= entries_.size() || seen[i]) throw std::runtime_error("compound file: directory tree is not a tree");
        seen[i] = true;
        const auto& e = entries_[i];
        if ((lo && !NameLess(*lo, e.name)) || (hi && !NameLess(e.name, *hi)))
          throw std::runtime_error("compound file: directory tree out of order");
        walk(e.left, lo, &e.name);
        root_children_.push_back(i);
        walk(e.right, &e.name, hi);
      };
  walk(entries_[0].child, nullptr, nullptr);
}

std::string TCompoundFileReader::Chain(const std::vector<std::uint32_t>& fat, std::uint32_t start, std::uint64_t size,
                                       bool mini) const {
  std::string out;
  const std::uint32_t unit = mini ? kMiniSector : sector_size_;
  std::uint32_t s = start;
  std::vector<bool> visited(fat.size(), false);
  while (s != kEndOfChain && out.size() < size) {
    if (s >= fat.size() || visited[s]) throw std::runtime_error("compound file: broken sector chain");
    visited[s] = true;
    if (mini) {
      const std::size_t at = static_cast<std::size_t>(s) * kMiniSector;
      if (at + kMiniSector > mini_stream_.size())
        throw std::runtime_error("compound file: mini sector outside the mini stream");
      out.append(mini_stream_, at, kMiniSector);
    } else {
      const std::size_t at = (static_cast<std::size_t>(s) + 1) * unit;
      if (at + unit > bytes_.size()) throw std::runtime_error("compound file: sector beyond the end of the file");
      out.append(bytes_, at, unit);
    }
    s = fat[s];
  }
  if (size != UINT64_MAX) {
    if (out.size() < size) throw std::runtime_error("compound file: stream chain shorter than its size");
    out.resize(static_cast<std::size_t>(size));
  }
  return out;
}

const TCompoundFileReader::Entry* TCompoundFileReader::Find(std::u16string_view name) const {
  for (std::uint32_t i : root_children_) {
    const auto& e = entries_[i];
    if (e.type == 2 && !NameLess(e.name, name) && !NameLess(name, e.name)) return &e;
  }
  return nullptr;
}

std::vector<std::u16string> TCompoundFileReader::StreamNames() const {
  std::vector<std::u16string> names;
  for (std::uint32_t i : root_children_) {
    if (entries_[i].type == 2) names.push_back(entries_[i].name);
  }
  return names;
}

bool TCompoundFileReader::HasStream(std::u16string_view name) const { return Find(name) != nullptr; }

std::string TCompoundFileReader::ReadStream(std::u16string_view name) const {
  const Entry* e = Find(name);
  if (!e) throw std::runtime_error("compound file: no stream " + std::string(name.begin(), name.end()));
  if (e->size == 0) return {};
  return e->size < mini_cutoff_ ? Chain(mini_fat_, e->start, e->size, true) : Chain(fat_, e->start, e->size, false);
}

}  // namespace tomeshift::word
