// A run whose output does not fit on a real, full filesystem fails with the
// no-space chain and leaves nothing behind.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "mardex/mardex_fixture.h"

namespace modrask {
namespace {

bool ErrorLineSaysNoSpace(const std::string& out) {
  for (const std::string& line : test::Lines(out)) {
    if (line.rfind("Error: cannot write to disk (probably no space) [", 0) == 0 &&
        line.ends_with("[WriteHarFile]"))
      return true;
  }
  return false;
}

// A size-limited filesystem mounted in a mount namespace of a child process;
// the run's output goes there and does not fit. Skipped where the host does
// not let the test mount one.
TEST(FullFilesystem, RunFailsAndLeavesNothing) {
  test::TTempDir dir_;
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
