// Random 1C and 2I headers written and read back in both framings; the seed
// is fixed and printed when a case fails.
#include <gtest/gtest.h>

#include <random>

#include "modrask/har/chars1c.h"
#include "modrask/har/descriptor.h"
#include "modrask/har/ints2i.h"
#include "har_fixture.h"
#include "modrask/records/recbuf.h"

namespace modrask {
namespace {

constexpr uint32_t kSeed = 20261209;

// Writes `h` with `write`, reads the name and descriptor back into `back`
// and then the data with `read`.
template <class W, class R>
void RoundTrip(THeaderRec& h, TFileFlavour flavour, W write, R read, THeaderRec& back) {
  const std::string path = test::ScratchPath("round");
  std::string msg;
  ASSERT_TRUE(test::WriteRecFile(
      path, flavour, [&](TRecFile& f, std::string& m) { return write(f, &h, flavour, m); }, msg))
      << msg;
  TRecFile f;
  ASSERT_TRUE(test::OpenRecFile(path, flavour, f, msg)) << msg;
  bool found = false;
  TDescInts ints{};
  ASSERT_TRUE(GetHead(f, back.Name, found, flavour, msg)) << msg;
  ASSERT_TRUE(found);
  ASSERT_TRUE(GetDesc(f, back.HeadType, back.StorageMethod, back.LongName, ints, flavour, msg))
      << msg;
  back.NStrings = back.NRows = ints[2];
  back.LenString = back.NCols = ints[3];
  ASSERT_TRUE(read(f, &back, flavour, msg)) << msg;
  CloseLaheyFile(f);
  EXPECT_EQ(back.Name, h.Name);
  EXPECT_EQ(back.LongName, h.LongName);
}

TEST(ModelRoundTrip, RandomCharacterHeaders) {
  std::mt19937 rng(kSeed);
  for (int iter = 0; iter < 40; ++iter) {
    SCOPED_TRACE("seed " + std::to_string(kSeed) + " case " + std::to_string(iter));
    const TFileFlavour flavour = iter % 2 ? TFileFlavour::NewFujitsu : TFileFlavour::OldLahey;
    const auto n = static_cast<int32_t>(rng() % 60);
    const auto len = static_cast<int32_t>(1 + rng() % 300);
    std::string msg;
    PStrVec v;
    ASSERT_TRUE(AllocPStrVec(v, n, msg));
    for (int32_t i = 1; i <= n; ++i) {
      std::string& s = (*v)[static_cast<size_t>(i)];
      s.resize(rng() % static_cast<uint32_t>(len + 1));
      for (char& c : s) c = static_cast<char>(32 + rng() % 95);
      while (!s.empty() && s.back() == ' ') s.pop_back();  // stored without trailing blanks
    }
    PHeaderRec h;
    ASSERT_TRUE(
        Create1C(h, "R" + std::to_string(iter % 10) + "CX", "random strings", v, n, len, msg));
    THeaderRec back;
    RoundTrip(*h, flavour, Write1CData, Get1CData, back);
    ASSERT_NE(back.StringRec, nullptr);
    EXPECT_EQ(*back.StringRec, *h->StringRec);
  }
}

TEST(ModelRoundTrip, RandomIntegerHeaders) {
  std::mt19937 rng(kSeed);
  for (int iter = 0; iter < 40; ++iter) {
    SCOPED_TRACE("seed " + std::to_string(kSeed) + " case " + std::to_string(iter));
    const TFileFlavour flavour = iter % 2 ? TFileFlavour::NewFujitsu : TFileFlavour::OldLahey;
    // Mostly small, now and then a column longer than one 7,000-value block.
    const auto rows = static_cast<int32_t>(iter % 7 == 0 ? 6990 + rng() % 20 : rng() % 90);
    const auto cols = static_cast<int32_t>(rng() % 200);
    std::string msg;
    THeaderRec h;
    h.Name = "INTR";
    h.LongName = "random integers";
    h.HeadType = "2I";
    h.StorageMethod = "FULL";
    h.NRows = rows;
    h.NCols = cols;
    ASSERT_TRUE(AllocArr4(h.IntData, rows, cols, msg)) << msg;
    for (int32_t c = 1; c <= cols; ++c) {
      for (int32_t r = 1; r <= rows; ++r) h.IntData->At(r, c) = static_cast<int32_t>(rng());
    }
    THeaderRec back;
    RoundTrip(h, flavour, Write2IData, Get2IData, back);
    ASSERT_NE(back.IntData, nullptr);
    EXPECT_EQ(back.IntData->Cells, h.IntData->Cells);
  }
}

}  // namespace
}  // namespace modrask
