#include "word/msdoc/compound_file.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

namespace tomeshift::word {
namespace {

std::string Pattern(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

// Sizes around the mini-stream cutoff and the sector size, and one large enough to need DIFAT sectors
// (more than 109 FAT sectors, that is more than about 7 MB).
TEST(CompoundFile, StreamsOfEverySizeReadBackIntact) {
  const std::size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 513, 4095, 4096, 4097, 100000, 8u << 20};
  TCompoundFile file;
  unsigned seed = 1;
  for (std::size_t size : sizes)
    file.AddStream(u"s" + std::u16string(1, static_cast<char16_t>(u'A' + seed)), Pattern(size, seed)), ++seed;
  const std::string bytes = file.Serialize();
  EXPECT_EQ(bytes.size() % 512, 0u);
  TCompoundFileReader reader(bytes);
  seed = 1;
  for (std::size_t size : sizes) {
    const std::u16string name = u"s" + std::u16string(1, static_cast<char16_t>(u'A' + seed));
    ASSERT_TRUE(reader.HasStream(name));
    EXPECT_EQ(reader.ReadStream(name), Pattern(size, seed)) << size;
    ++seed;
  }
}

// Many entries need several directory sectors and a deep tree; names differ in length and case so the
// sort order (length first, then upper-cased) is exercised.
TEST(CompoundFile, ManyStreamsAreFoundByNameWithoutRegardToCase) {
  TCompoundFile file;
  std::vector<std::u16string> names;
  for (int i = 0; i < 57; ++i) {
    std::u16string name = u"Stream";
    for (int k = 0; k < i % 7; ++k) name += u'x';
    name += static_cast<char16_t>(u'a' + i / 7);
    names.push_back(name);
    file.AddStream(name, std::string(static_cast<std::size_t>(i) * 97, static_cast<char>(i)));
  }
  file.AddStream(u"\x05SummaryInformation", "si");
  TCompoundFileReader reader(file.Serialize());
  EXPECT_EQ(reader.StreamNames().size(), names.size() + 1);
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::u16string upper = names[i];
    for (auto& c : upper) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    EXPECT_EQ(reader.ReadStream(upper), std::string(i * 97, static_cast<char>(i)));
  }
  EXPECT_EQ(reader.ReadStream(u"\x05SummaryInformation"), "si");
}

TEST(CompoundFile, RejectsBadNamesAndDuplicates) {
  TCompoundFile file;
  file.AddStream(u"Data", "x");
  EXPECT_THROW(file.AddStream(u"DATA", "y"), std::invalid_argument);
  EXPECT_THROW(file.AddStream(u"", "y"), std::invalid_argument);
  EXPECT_THROW(file.AddStream(std::u16string(32, u'n'), "y"), std::invalid_argument);
  EXPECT_THROW(file.AddStream(u"a/b", "y"), std::invalid_argument);
}

TEST(CompoundFile, ReaderRejectsDamagedFiles) {
  TCompoundFile file;
  file.AddStream(u"WordDocument", Pattern(20000, 3));
  const std::string good = file.Serialize();
  EXPECT_THROW(TCompoundFileReader(good.substr(0, 100)), std::runtime_error);
  std::string truncated = good.substr(0, good.size() - 2048);
  EXPECT_THROW(TCompoundFileReader{truncated}, std::runtime_error);
  std::string looped = good;
  // Point the first FAT entry of the big stream at itself: a reader must not loop.
  const std::size_t fat_sector = static_cast<std::uint8_t>(good[0x4C]) | (static_cast<std::uint8_t>(good[0x4D]) << 8);
  const std::size_t at = 512 * (fat_sector + 1);
  looped[at] = 0;
  looped[at + 1] = looped[at + 2] = looped[at + 3] = 0;
  EXPECT_THROW(TCompoundFileReader(looped).ReadStream(u"WordDocument"), std::runtime_error);
}

}  // namespace
}  // namespace tomeshift::word
