#include <gtest/gtest.h>

#include <random>

#include "modrask/har/harread.h"
#include "modrask/har/harwrite.h"
#include "modrask/har/realwrite.h"
#include "har/writerecs_fixture.h"

namespace modrask {
namespace {

std::string TrimRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The set name a dimension shows: a generated "Unk" + size name of a 'u'
// dimension is no name.
std::string ShownSetName(const THeaderRec& h, int k) {
  const std::string& n = h.REDetails.StName[k];
  if (h.REDetails.RDelst[k] == 'u' && Lower(n) == Lower("Unk" + std::to_string(h.Dims[8 - k])))
    return "";
  return TrimRight(n);
}

std::vector<std::string> Elements(const PStrVec& v, int32_t n) {
  std::vector<std::string> out;
  if (v == nullptr) return out;
  for (int32_t i = 1; i <= n && static_cast<size_t>(i) < v->size(); ++i)
    out.push_back(TrimRight((*v)[static_cast<size_t>(i)]));
  return out;
}

void ExpectSameHeader(const THeaderRec& a, const THeaderRec& b) {
  SCOPED_TRACE("header " + a.Name);
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(TrimRight(a.LongName), TrimRight(b.LongName));
  EXPECT_EQ(a.HeadType, b.HeadType);
  EXPECT_EQ(a.StorageMethod, b.StorageMethod);
  if (a.HeadType == "1C") {
    EXPECT_EQ(a.NStrings, b.NStrings);
    EXPECT_EQ(a.LenString, b.LenString);
    EXPECT_EQ(Elements(a.StringRec, a.NStrings), Elements(b.StringRec, b.NStrings));
    return;
  }
  EXPECT_EQ(a.OrigNDim, b.OrigNDim);
  for (int i = 1; i <= 7; ++i) EXPECT_EQ(a.Dims[i], b.Dims[i]) << "slot " << i;
  if (a.HeadType == "2I") {
    ASSERT_EQ(a.NRows, b.NRows);
    ASSERT_EQ(a.NCols, b.NCols);
    ASSERT_TRUE(a.IntData && b.IntData);
    for (int32_t c = 1; c <= a.NCols; ++c)
      for (int32_t r = 1; r <= a.NRows; ++r) EXPECT_EQ(a.IntData->At(r, c), b.IntData->At(r, c));
    return;
  }
  const TValues none;
  EXPECT_EQ(a.HeadMat.Root ? *a.HeadMat.Root : none, b.HeadMat.Root ? *b.HeadMat.Root : none);
  ASSERT_EQ(a.REDetails.acdim, b.REDetails.acdim);
  EXPECT_EQ(TrimRight(a.REDetails.ArrayName), TrimRight(b.REDetails.ArrayName));
  for (int k = 1; k <= a.REDetails.acdim; ++k) {
    SCOPED_TRACE("dimension " + std::to_string(k));
    EXPECT_EQ(a.REDetails.RDelst[k], b.REDetails.RDelst[k]);
    EXPECT_EQ(ShownSetName(a, k), ShownSetName(b, k));
    EXPECT_EQ(TrimRight(a.SetNames[8 - k]), TrimRight(b.SetNames[8 - k]));
    EXPECT_EQ(Elements(a.SetElements[8 - k], a.Dims[8 - k]),
              Elements(b.SetElements[8 - k], b.Dims[8 - k]));
    if (a.REDetails.RDelst[k] == 'e') {
      EXPECT_EQ(a.REDetails.elno[k], b.REDetails.elno[k]);
    }
  }
}

void ExpectSameModel(const THarData& a, const THarData& b) {
  ASSERT_EQ(a.NHeads(), b.NHeads());
  for (size_t i = 0; i < a.Heads.size(); ++i) ExpectSameHeader(*a.Heads[i], *b.Heads[i]);
  for (auto slot :
       {&THarData::XXCDHead, &THarData::XXCRHead, &THarData::XXCPHead, &THarData::XXHSHead}) {
    ASSERT_TRUE(a.*slot && b.*slot);
    ExpectSameHeader(*(a.*slot), *(b.*slot));
  }
}

// Every kind of header that reading accepts, as the model holds it.
PHarData EveryKind(TFileFlavour flavour) {
  std::mt19937 rng(77);
  auto hd = std::make_unique<THarData>();
  hd->Flavour = flavour;
  hd->XXHSHead = wtest::Make1C("XXHS", "File History", {"first line", "second line"}, 60);
  hd->Heads.push_back(wtest::Make1C("XXQQ", "an ordinary XX header", {"q"}, 3));
  hd->Heads.push_back(wtest::Make1C("TXT", "strings", {"alpha", "be ta", "", "gamma"}, 12));
  hd->Heads.push_back(wtest::Make2I("MAT", 3, 4, {1, -2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 2147483647}));
  hd->Heads.push_back(wtest::Make2I("ROW", 1, 5, {5, 4, 3, 2, 1}));
  hd->Heads.push_back(wtest::Make2I("COL", 5, 1, {1, 0, 0, 0, -1}));

  std::vector<float> full(10000);
  for (float& v : full) v = static_cast<float>(rng() % 1000) / 8.0f - 60.0f;
  hd->Heads.push_back(wtest::MakeReal("FULL", {100, 100}, full));  // no set names: Unk

  std::vector<float> small(12);
  for (size_t i = 0; i < small.size(); ++i) small[i] = static_cast<float>(i) * 0.5f + 1.0f;
  PHeaderRec lab = wtest::MakeReal("LAB", {1, 3, 4}, small);
  wtest::SetSingleElement(*lab, 1, 2, "north");
  lab->REDetails.StName[1] = "REG";
  wtest::SetLabel(*lab, 2, "COM", {"food", "cars", "steel"});
  wtest::SetLabel(*lab, 3, "SEC", {});
  lab->REDetails.ArrayName = "labelled";
  hd->Heads.push_back(std::move(lab));

  PHeaderRec twice = wtest::MakeReal("TWIC", {3, 3}, std::vector<float>(9, 4.0f));
  wtest::SetLabel(*twice, 1, "REG", {"n", "s", "e"});
  wtest::SetLabel(*twice, 2, "REG", {"n", "s", "e"});
  hd->Heads.push_back(std::move(twice));

  std::vector<float> sparse(2 * 3 * 1 * 2 * 2 * 1 * 3, 0.0f);
  sparse[0] = 1.0f;
  sparse[17] = -2.5f;
  sparse[71] = 1e30f;
  hd->Heads.push_back(wtest::MakeReal("SPS7", {2, 3, 1, 2, 2, 1, 3}, sparse));

  std::vector<float> many(30000, 0.0f);
  for (size_t i = 0; i < 5000; ++i) many[i * 6] = static_cast<float>(i + 1);
  hd->Heads.push_back(wtest::MakeReal("SPSB", {30000}, many));

  hd->Heads.push_back(wtest::MakeReal("NONE", {4, 0}, {}));
  hd->Heads.push_back(wtest::MakeReal("ONE", {1}, {42.0f}));
  return hd;
}

class WriteRound : public ::testing::Test {
 protected:
  PHarData Read(const std::string& path) {
    PHarData hd;
    bool skipped = false;
    std::string msg;
    EXPECT_TRUE(ReadHarFile(path, hd, false, false, skipped, msg)) << msg;
    EXPECT_FALSE(skipped);
    return hd;
  }

  wtest::ScratchDir dir_;
  TWriteOptions options_{.SparseThreshold = 60};
};

TEST_F(WriteRound, EveryKindInBothFramings) {
  struct Config {
    bool force;
    TFileFlavour from;
    TFileFlavour written;
  };
  const Config configs[] = {
      {false, TFileFlavour::OldLahey, TFileFlavour::OldLahey},
      {false, TFileFlavour::NewFujitsu, TFileFlavour::NewFujitsu},
      {true, TFileFlavour::OldLahey, TFileFlavour::NewFujitsu},
  };
  for (const Config& c : configs) {
    SCOPED_TRACE(std::string("forced ") + (c.force ? "yes" : "no") + ", from " +
                 FlavourName(c.from));
    options_.ForceDefaultFlavour = c.force;
    PHarData model = EveryKind(c.from);
    std::string msg;
    const std::string f1 = dir_.Path("1.har"), f2 = dir_.Path("2.har"), f3 = dir_.Path("3.har");
    ASSERT_TRUE(WriteHarFile(f1, "RoundTrip", "09/12/2026", model.get(), options_, msg)) << msg;
    EXPECT_EQ(model->Flavour, c.written);
    EXPECT_EQ(model->Heads[5]->StorageMethod, "FULL");
    EXPECT_EQ(model->Heads[8]->StorageMethod, "SPSE");
    EXPECT_EQ(model->Heads[9]->StorageMethod, "SPSE");
    PHarData back = Read(f1);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Flavour, c.written);
    ExpectSameModel(*model, *back);

    // Written again, the model read back is a fixed point, byte for byte.
    ASSERT_TRUE(WriteHarFile(f2, "RoundTrip", "09/12/2026", back.get(), options_, msg)) << msg;
    PHarData again = Read(f2);
    ASSERT_NE(again, nullptr);
    ExpectSameModel(*back, *again);
    ASSERT_TRUE(WriteHarFile(f3, "RoundTrip", "09/12/2026", again.get(), options_, msg)) << msg;
    EXPECT_EQ(wtest::ReadBytes(f2), wtest::ReadBytes(f3));
    EXPECT_EQ(wtest::ReadBytes(f1), wtest::ReadBytes(f2));
  }
}

TEST_F(WriteRound, RejectedLabelsComeBackWithoutLabels) {
  PHarData model = std::make_unique<THarData>();
  model->Flavour = TFileFlavour::NewFujitsu;
  PHeaderRec head = wtest::MakeReal("REJ", {3, 2}, {1, 2, 3, 4, 5, 6});
  wtest::SetLabel(*head, 1, "REG", {"a", "b", "c"});
  wtest::SetLabel(*head, 2, "SEC", {"x", "y"});
  head->REDetails.acdmkn = false;
  model->Heads.push_back(std::move(head));
  std::string msg;
  ASSERT_TRUE(WriteHarFile(dir_.Path("r.har"), "P", "D", model.get(), options_, msg)) << msg;
  PHarData back = Read(dir_.Path("r.har"));
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->NHeads(), 1);
  const THeaderRec& h = *back->Heads[0];
  EXPECT_EQ(h.HeadType, "RE");
  EXPECT_EQ(h.REDetails.acdim, 2);
  EXPECT_EQ(h.REDetails.RDelst[1], 'u');
  EXPECT_EQ(TrimRight(h.REDetails.StName[1]), "");
  EXPECT_EQ(h.SetElements[7], nullptr);
  EXPECT_EQ(*h.HeadMat.Root, (TValues{1, 2, 3, 4, 5, 6}));
}

TEST_F(WriteRound, OutputOverTheFileThatWasRead) {
  options_.ForceDefaultFlavour = true;
  const std::string path = dir_.Path("same.har");
  PHarData model = EveryKind(TFileFlavour::OldLahey);
  std::string msg;
  ASSERT_TRUE(WriteHarFile(path, "P", "D", model.get(), options_, msg)) << msg;
  const std::string before = wtest::ReadBytes(path);
  PHarData back = Read(path);
  ASSERT_NE(back, nullptr);
  back->Heads.push_back(wtest::Make1C("txt", "a twin of TXT", {"z"}, 1));
  EXPECT_FALSE(WriteHarFile(path, "P", "D", back.get(), options_, msg));
  EXPECT_EQ(wtest::ReadBytes(path), before);
  back->Heads.pop_back();
  back->XXHSHead->LenString = 80;
  EXPECT_FALSE(WriteHarFile(path, "P", "D", back.get(), options_, msg));
  EXPECT_EQ(msg, "History strings are of length 80 should be 60. [WriteHarFile]");
  EXPECT_EQ(wtest::ReadBytes(path), before);
  back->XXHSHead->LenString = 60;
  ASSERT_TRUE(WriteHarFile(path, "P", "D", back.get(), options_, msg)) << msg;
  EXPECT_EQ(wtest::ReadBytes(path), before);
  EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"same.har"});
}

}  // namespace
}  // namespace modrask
