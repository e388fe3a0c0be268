// The rename with values left in the file against the rename with every
// value in memory: the same outcome and the same bytes for the fuzz seeds,
// the regression files, benchmark-shaped files of both framings, and files
// whose value records our writer would not have made; and, for those, which
// headers the check finds exactly as our writer makes them, so that the
// writer copies them, and which it must rebuild.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "benchgen.h"
#include "fuzzrun_fixture.h"
#include "modrask/har/harread.h"
#include "modrask/har/harwrite.h"
#include "modrask/har/history.h"
#include "modrask/har/realwrite.h"
#include "har/reading_fixture.h"
#include "seeds_fixture.h"
#include "modrask/support/memstat.h"

namespace modrask::fuzz {
namespace {

namespace fs = std::filesystem;
using readtest::Bytes;
using readtest::HarRecords;

class Differential : public ::testing::Test {
 protected:
  // Another suite may have cleared the memory figure the runs work under.
  void SetUp() override {
    SetUpOnce();
    OverrideAvailMemKB(FuzzAvailMemKB);
  }
  static void TearDownTestSuite() { OverrideAvailMemKB(std::nullopt); }

  static void ExpectSameAsOracle(const std::string& file) {
    std::string fault;
    EXPECT_TRUE(CompareFileWithOracle(file, readtest::TempPath("out"), fault)) << file << ": "
                                                                               << fault;
  }
};

TEST_F(Differential, SeedAndRegressionFiles) {
  const fs::path dir = fs::temp_directory_path() / ("modrask-diff-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::vector<std::string> files;
  std::string msg;
  ASSERT_TRUE(MakeSeedFiles(dir.string(), files, msg)) << msg;
  for (const auto& e : fs::directory_iterator(fs::path(MODRASK_TEST_DATA) / "fuzz")) {
    if (e.path().extension() == ".har") files.push_back(e.path().string());
  }
  ASSERT_GT(files.size(), 8u);
  for (const std::string& f : files) ExpectSameAsOracle(f);
  fs::remove_all(dir);
}

// Files of the benchmark's shape, small, in both framings, under the usable
// memory of the real machine rather than the fuzz targets' 16 MiB.
TEST_F(Differential, BenchmarkShapedFiles) {
  OverrideAvailMemKB(std::nullopt);
  for (const TFileFlavour flavour : readtest::BothFlavours) {
    SCOPED_TRACE(FlavourName(flavour));
    THarData h;
    h.Flavour = flavour;
    bench::TBenchTotals totals;
    std::string msg;
    ASSERT_TRUE(bench::MakeBenchData(h, 2.0 * 1048576, false, totals, msg)) << msg;
    ASSERT_TRUE(AddHistoryLines(&h, {"made by the differential test"}, msg)) << msg;
    const std::string file = readtest::TempPath("bench.har");
    TWriteOptions inOwnFraming = FuzzWriteOptions;
    inOwnFraming.ForceDefaultFlavour = false;
    ASSERT_TRUE(WriteHarFile(file, "test", "00:00:00", &h, inOwnFraming, msg)) << msg;
    ExpectSameAsOracle(file);
  }
  OverrideAvailMemKB(FuzzAvailMemKB);
}

// An RE header over the set REG (4 elements) and an unlabelled dimension of
// `cols`, whose data records the case adds; first a set the rename leaves
// alone.
HarRecords RealFile(const std::string& storage, const std::function<void(HarRecords&)>& data,
                    int32_t cols = 5) {
  HarRecords r;
  r.Header1C("SETS", {"x", "y"}, 12);
  readtest::Labels labels;
  labels.SetsToRead = 1;
  labels.ArrayName = "ARR";
  labels.Dims = {{"REG", 'k'}, {"OTHER", 'u'}};
  r.Head("ARR ").Desc("RE", storage, "array", {7, 4, cols, 1, 1, 1, 1, 1}).SetInfo(labels);
  r.Strings(1, 4, {"r1", "r2", "r3", "r4"}, 12);
  data(r);
  return r;
}

constexpr std::array<int32_t, 7> kSizes{4, 5, 1, 1, 1, 1, 1};

std::array<int32_t, 14> Whole() {
  return {1, 4, 1, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
}

std::vector<float> Values(int nonZero) {
  std::vector<float> v(20, 0.0f);
  for (int p = 0; p < nonZero; ++p) v[static_cast<size_t>(p * 20 / nonZero)] = readtest::TestValue(p + 1);
  return v;
}

struct TLayout {
  const char* Name;
  const char* Storage;
  std::function<void(HarRecords&)> Data;
  bool Canonical;  // records shaped as our writer makes them (SPSE: values too)
  bool Copied;     // exactly our writer's, in the storage it chooses: copied
};

const std::vector<TLayout>& Layouts() {
  static const std::vector<TLayout> layouts = {
      {"WritersFull", "FULL",
       [](HarRecords& r) { r.FullDims(3, kSizes).FullLimits(2, Whole()).FullValues(1, Values(20)); },
       true, true},
      {"OneLimitsRecordPerValue", "FULL",
       [](HarRecords& r) {
         int32_t krec = 41;
         r.FullDims(krec--, kSizes);
         for (int32_t j = 1; j <= 5; ++j)
           for (int32_t i = 1; i <= 4; ++i) {
             r.FullLimits(krec--, {i, i, j, j, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
             r.FullValues(krec--, {readtest::TestValue(i + 4 * (j - 1))});
           }
       },
       false, false},
      {"FullWhoseZerosMakeItSparse", "FULL",
       [](HarRecords& r) { r.FullDims(3, kSizes).FullLimits(2, Whole()).FullValues(1, Values(2)); },
       true, false},
      {"NaNInFull", "FULL",
       [](HarRecords& r) {
         std::vector<float> v = Values(20);
         v[7] = std::numeric_limits<float>::quiet_NaN();
         r.FullDims(3, kSizes).FullLimits(2, Whole()).FullValues(1, v);
       },
       true, false},
      {"DimensionRecordOfAnotherProgram", "FULL",
       [](HarRecords& r) { r.FullDims(0, kSizes).FullLimits(2, Whole()).FullValues(1, Values(20)); },
       false, false},
      {"HeadThatIsNotBlank", "FULL",
       [](HarRecords& r) {
         r.FullDims(3, kSizes).FullLimits(2, Whole());
         r.Rec(Bytes().Text("DATA", 4).Int(1).Reals(Values(20)));
       },
       false, false},
      {"JunkRecordAfterTheData", "FULL",
       [](HarRecords& r) {
         r.FullDims(3, kSizes).FullLimits(2, Whole()).FullValues(1, Values(20));
         r.Rec(Bytes().Text("not a header", 12));
       },
       true, true},
      {"WritersSparse", "SPSE",
       [](HarRecords& r) { r.SpseCount(2).SpseEntries(1, 2, {3, 17}, {1.5f, 2.5f}); }, true, true},
      {"SparseOutOfOrder", "SPSE",
       [](HarRecords& r) { r.SpseCount(2).SpseEntries(1, 2, {17, 3}, {2.5f, 1.5f}); }, false,
       false},
      {"SparseRepeated", "SPSE",
       [](HarRecords& r) { r.SpseCount(3).SpseEntries(1, 3, {3, 3, 17}, {1.5f, 9.5f, 2.5f}); },
       false, false},
      {"SparseHoldingAZero", "SPSE",
       [](HarRecords& r) { r.SpseCount(2).SpseEntries(1, 2, {3, 17}, {0.0f, 2.5f}); }, false,
       false},
      {"SparseInTwoRecords", "SPSE",
       [](HarRecords& r) {
         r.SpseCount(2).SpseEntries(2, 2, {3}, {1.5f}).SpseEntries(1, 2, {17}, {2.5f});
       },
       false, false},
      {"SparseWhoseValuesMakeItFull", "SPSE",
       [](HarRecords& r) {
         std::vector<int32_t> pos;
         std::vector<float> val;
         for (int32_t p = 1; p <= 20; ++p) {
           pos.push_back(p);
           val.push_back(readtest::TestValue(p));
         }
         r.SpseCount(20).SpseEntries(1, 20, pos, val);
       },
       true, false},
  };
  return layouts;
}

class Layout : public Differential, public ::testing::WithParamInterface<TLayout> {};

TEST_P(Layout, CheckedCopiedOrRebuiltLikeTheOracle) {
  const TLayout& layout = GetParam();
  for (const TFileFlavour flavour : readtest::BothFlavours) {
    SCOPED_TRACE(FlavourName(flavour));
    const std::string file = readtest::TempPath("layout.har");
    ASSERT_TRUE(RealFile(layout.Storage, layout.Data).Write(file, flavour));
    PHarData h;
    bool skipped = false;
    std::string msg;
    ASSERT_TRUE(ReadHarFile(file, h, false, false, TValueReading::Check, skipped, msg)) << msg;
    ASSERT_EQ(h->NHeads(), 2);
    const THeaderRec& arr = *h->Heads[1];
    ASSERT_TRUE(arr.Values.InFile());
    EXPECT_EQ(arr.HeadMat.Root, nullptr);
    EXPECT_EQ(arr.Values.Canonical, layout.Canonical);
    const uint8_t* run = nullptr;
    int64_t nnz = 0;
    EXPECT_EQ(ValuesCopyable(arr, FuzzWriteOptions.SparseThreshold, run, nnz), layout.Copied);
    h.reset();
    ExpectSameAsOracle(file);
  }
}

INSTANTIATE_TEST_SUITE_P(Records, Layout, ::testing::ValuesIn(Layouts()),
                         [](const auto& p) { return std::string(p.param.Name); });

// The last array's values in one record longer than the read buffer, which
// the reader takes straight into memory past its buffer, and the copy then
// takes again from the file.
TEST_F(Differential, SparseRecordLongerThanTheReadBuffer) {
  OverrideAvailMemKB(std::nullopt);
  const int32_t n = 150000;  // 1.2 MB of entries
  std::vector<int32_t> pos;
  std::vector<float> val;
  for (int32_t p = 1; p <= n; ++p) {
    pos.push_back(5 * p);
    val.push_back(readtest::TestValue(p));
  }
  for (const TFileFlavour flavour : readtest::BothFlavours) {
    SCOPED_TRACE(FlavourName(flavour));
    const std::string file = readtest::TempPath("long.har");
    ASSERT_TRUE(RealFile("SPSE", [&](HarRecords& r) { r.SpseCount(n).SpseEntries(1, n, pos, val); },
                         200000)
                    .Write(file, flavour));
    PHarData h;
    bool skipped = false;
    std::string msg;
    ASSERT_TRUE(ReadHarFile(file, h, false, false, TValueReading::Check, skipped, msg)) << msg;
    ASSERT_GT(fs::file_size(file), 1u << 20);
    h.reset();
    ExpectSameAsOracle(file);
  }
  OverrideAvailMemKB(FuzzAvailMemKB);
}

// Integer matrices: the writer's records are copied, any other blocking is
// rebuilt, and an empty matrix is its one record.
TEST_F(Differential, IntegerMatrixLayouts) {
  const std::vector<int32_t> cells{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const auto column = [&](int32_t c) {
    return std::vector<int32_t>(cells.begin() + 3 * (c - 1), cells.begin() + 3 * c);
  };
  struct TCase {
    const char* Name;
    int32_t Rows, Cols;
    std::function<void(HarRecords&)> Data;
    bool Canonical;
  };
  const std::vector<TCase> cases = {
      {"writer's", 3, 4, [&](HarRecords& r) { r.Block2I(1, 3, 4, 1, 3, 1, 4, cells); }, true},
      {"a record per column", 3, 4,
       [&](HarRecords& r) {
         for (int32_t c = 1; c <= 4; ++c) r.Block2I(5 - c, 3, 4, 1, 3, c, c, column(c));
       },
       false},
      {"empty", 0, 4, [](HarRecords& r) { r.Block2I(1, 0, 4, 1, 0, 1, 4, {}); }, true},
  };
  for (const TCase& c : cases) {
    for (const TFileFlavour flavour : readtest::BothFlavours) {
      SCOPED_TRACE(std::string(c.Name) + ", " + FlavourName(flavour));
      HarRecords r = RealFile("FULL", [](HarRecords& rr) {
        rr.FullDims(3, kSizes).FullLimits(2, Whole()).FullValues(1, Values(20));
      });
      r.Head("INT ").Desc("2I", "FULL", "integers", {2, c.Rows, c.Cols});
      c.Data(r);
      const std::string file = readtest::TempPath("ints.har");
      ASSERT_TRUE(r.Write(file, flavour));
      PHarData h;
      bool skipped = false;
      std::string msg;
      ASSERT_TRUE(ReadHarFile(file, h, false, false, TValueReading::Check, skipped, msg)) << msg;
      ASSERT_EQ(h->NHeads(), 3);
      EXPECT_EQ(h->Heads[2]->IntData, nullptr);
      EXPECT_EQ(h->Heads[2]->Values.Canonical, c.Canonical);
      h.reset();
      ExpectSameAsOracle(file);
    }
  }
}

}  // namespace
}  // namespace modrask::fuzz
