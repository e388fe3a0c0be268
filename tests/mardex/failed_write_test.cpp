// A run whose output cannot be written: at every record boundary of the new
// file (and inside a record marker) the write fails as a full disk would,
// and nothing is lost: no temporary file stays, an existing output, also the
// input itself, keeps every byte. And once on a real, full filesystem.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "har/harwrite.h"
#include "mardex/mardex_fixture.h"
#include "mardex/rename_run.h"
#include "records/bytefile.h"

namespace modrask {
namespace {

constexpr char kNoSpace[] = "Error: cannot write to disk (probably no space) [";

// The offsets at which the records of a New Fujitsu file begin (its end
// included).
std::vector<int64_t> RecordStarts(const std::string& file) {
  std::vector<int64_t> starts;
  size_t pos = 0;
  while (pos + 4 <= file.size()) {
    starts.push_back(static_cast<int64_t>(pos));
    uint32_t len = 0;
    std::memcpy(&len, file.data() + pos, 4);
    pos += 8 + len;
  }
  EXPECT_EQ(pos, file.size()) << "the framing of the new file";
  starts.push_back(static_cast<int64_t>(file.size()));
  return starts;
}

bool ErrorLineSaysNoSpace(const std::string& out) {
  for (const std::string& line : test::Lines(out)) {
    if (line.rfind(kNoSpace, 0) == 0 && line.ends_with("[WriteHarFile]")) return true;
  }
  return false;
}

class FailedWrite : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureHarBuf();
    ForceDefaultFlavour = true;
    in_ = dir_.File("in.har");
    test::StandardFile(TFileFlavour::OldLahey).Save(in_);
    input_ = test::ReadFileBytes(in_);
    // The new file as a sound run writes it.
    const std::string probe = dir_.File("probe.har");
    std::ostringstream out;
    ASSERT_EQ(RunMardex({in_, probe, "REG", "ZONE"}, out), 0) << out.str();
    const std::string written = test::ReadFileBytes(probe);
    std::filesystem::remove(probe);
    for (const int64_t s : RecordStarts(written)) {
      points_.push_back(s);
      if (s + 2 < static_cast<int64_t>(written.size())) points_.push_back(s + 2);
    }
    points_.pop_back();  // the end itself: there the write succeeds
    size_ = static_cast<int64_t>(written.size());
  }
  void TearDown() override { ClearWriteFailure(); }

  // Runs with the write failing after each point in turn; `expected` are
  // the folder's entries and `keep` a file that must keep `bytes`.
  void FailEverywhere(const std::string& outFile, const std::string& keep,
                      const std::string& bytes) {
    const std::vector<std::string> before = dir_.Entries();
    ASSERT_GT(points_.size(), 20u);
    for (const int64_t k : points_) {
      SCOPED_TRACE("failing after " + std::to_string(k) + " of " + std::to_string(size_));
      InjectWriteFailureAfter(k);
      std::ostringstream out;
      EXPECT_EQ(RunMardex({in_, outFile, "REG", "ZONE"}, out), 1);
      ClearWriteFailure();
      EXPECT_TRUE(ErrorLineSaysNoSpace(out.str())) << out.str();
      EXPECT_EQ(dir_.Entries(), before);
      EXPECT_EQ(test::ReadFileBytes(keep), bytes);
      EXPECT_EQ(test::ReadFileBytes(in_), input_);
    }
  }

  test::TTempDir dir_;
  std::string in_;
  std::string input_;
  std::vector<int64_t> points_;
  int64_t size_ = 0;
};

TEST_F(FailedWrite, NewOutputIsNotLeftBehind) {
  FailEverywhere(dir_.File("new.har"), in_, input_);
}

TEST_F(FailedWrite, ExistingOutputKeepsItsBytes) {
  const std::string old = dir_.File("old.har");
  test::WriteFileBytes(old, "an earlier output\n");
  FailEverywhere(old, old, "an earlier output\n");
}

TEST_F(FailedWrite, OutputThatIsTheInputKeepsItsBytes) {
  FailEverywhere(in_, in_, input_);
}

// A size-limited filesystem mounted in a mount namespace of a child process;
// the run's output goes there and does not fit. Skipped where the host does
// not let the test mount one.
TEST_F(FailedWrite, RealFullFilesystem) {
  // An input whose new file is far larger than the 64 KiB filesystem.
  const std::string big = dir_.File("big.har");
  test::THarBytes f(TFileFlavour::NewFujitsu);
  std::vector<float> values(40000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(i) + 0.5f;
  f.Header1C("REG", "Set REG regions", test::RegElements(), 12);
  f.HeaderRE("BIG", "Many values", {{"REG", test::RegElements()}, {"YR", {}, 8000}}, values);
  f.Save(big);
  const std::string bigBytes = test::ReadFileBytes(big);
  const std::string full = dir_.File("full");
  const std::string report = dir_.File("report.txt");
  std::filesystem::create_directory(full);

  // Child exit codes: 0 the run failed soundly, 77 mounting not permitted,
  // others a fault found in the child.
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", full.c_str(), "tmpfs", 0, "size=64k") != 0) {
      ::_exit(77);
    }
    const std::string outFile = full + "/new.har";
    const pid_t run = ::fork();
    if (run == 0) {
      FILE* r = std::freopen(report.c_str(), "w", stdout);
      if (r == nullptr) ::_exit(90);
      ::execl(MARDEX_BIN, MARDEX_BIN, big.c_str(), outFile.c_str(), "REG", "ZONE",
              static_cast<char*>(nullptr));
      ::_exit(91);
    }
    int status = 0;
    if (run < 0 || ::waitpid(run, &status, 0) != run) ::_exit(92);
    const bool empty = std::filesystem::is_empty(full);
    ::umount(full.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 1) ::_exit(93);
    ::_exit(empty ? 0 : 94);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "this host does not permit mounting a tmpfs";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "93: exit code not 1, 94: a file left in the full folder";
  const std::string out = test::ReadFileBytes(report);
  EXPECT_TRUE(ErrorLineSaysNoSpace(out)) << out;
  EXPECT_EQ(test::ReadFileBytes(big), bigBytes);
  EXPECT_TRUE(std::filesystem::is_empty(full));
}

}  // namespace
}  // namespace modrask
