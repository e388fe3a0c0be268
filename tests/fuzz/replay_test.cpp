// The fuzz targets' runs in the ordinary suite: every regression file kept
// under data/fuzz (inputs that once failed) and every seed file goes through
// the reader, the rename round trip and harinfo's commands.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzzrun_fixture.h"
#include "seeds_fixture.h"
#include "modrask/support/memstat.h"

namespace modrask::fuzz {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RunBoth(const fs::path& p) {
  SCOPED_TRACE(p.string());
  const std::string bytes = Bytes(p);
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  std::string msg;
  ReadOne(data, bytes.size(), msg);  // must end, whatever it says
  std::string fault;
  EXPECT_TRUE(RenameOne(data, bytes.size(), fault)) << fault;
  for (int turn = 0; turn < InfoTurns; ++turn) {
    EXPECT_TRUE(InfoOne(data, bytes.size(), fault, turn)) << fault;
  }
}

// The runs change process-wide settings; the other suites do not share the
// process, but the memory figure is put back all the same.
class FuzzReplay : public ::testing::Test {
 protected:
  // Another suite may have cleared the memory figure the runs work under.
  void SetUp() override {
    SetUpOnce();
    OverrideAvailMemKB(FuzzAvailMemKB);
  }
  static void TearDownTestSuite() { OverrideAvailMemKB(std::nullopt); }
};

TEST_F(FuzzReplay, RegressionFiles) {
  const fs::path dir = fs::path(MODRASK_TEST_DATA) / "fuzz";
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.is_regular_file() && e.path().filename() != "README") files.push_back(e.path());
  }
  ASSERT_FALSE(files.empty()) << "no regression files in " << dir;
  for (const fs::path& p : files) RunBoth(p);
}

TEST_F(FuzzReplay, SeedFilesReadAndRoundTrip) {
  const fs::path dir = fs::temp_directory_path() / ("modrask-seeds-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::vector<std::string> files;
  std::string msg;
  ASSERT_TRUE(MakeSeedFiles(dir.string(), files, msg)) << msg;
  EXPECT_EQ(files.size(), 8u);
  for (const std::string& f : files) {
    const std::string bytes = Bytes(f);
    std::string readMsg;
    EXPECT_TRUE(ReadOne(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), readMsg))
        << f << ": " << readMsg;
    RunBoth(f);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace modrask::fuzz
