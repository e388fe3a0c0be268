// SIGINT and SIGTERM delivered to the built program while it writes its new
// file: it ends with exit code 1 and one line, and the folder is as it was.
// The test stops the program once its temporary file holds data, so the
// signal arrives during the writing however fast the machine is.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "mardex/mardex_fixture.h"

namespace modrask {
namespace {

namespace fs = std::filesystem;

// A temporary output file in `dir` that already holds data (so the program
// has registered it for removal), or "".
std::string TempWithData(const fs::path& dir) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(".mrtmp", 0) == 0 && fs::file_size(e.path(), ec) > 0 && !ec) {
      return e.path().string();
    }
  }
  return "";
}

enum class TOutcome { Interrupted, MissedTheWriting };

TOutcome InterruptOnce(const test::TTempDir& dir, const std::string& in, const std::string& report,
                       int sig, int& exitCode) {
  const std::string outFile = dir.File("new.har");
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (std::freopen(report.c_str(), "w", stdout) == nullptr) ::_exit(90);
    ::execl(MARDEX_BIN, MARDEX_BIN, in.c_str(), outFile.c_str(), "REG", "ZONE",
            static_cast<char*>(nullptr));
    ::_exit(91);
  }
  EXPECT_GT(pid, 0);
  int status = 0;
  for (;;) {
    if (::waitpid(pid, &status, WNOHANG) == pid) {  // done before we saw it write
      std::error_code ec;
      fs::remove(outFile, ec);
      return TOutcome::MissedTheWriting;
    }
    const std::string temp = TempWithData(dir.Path());
    if (!temp.empty()) {
      ::kill(pid, SIGSTOP);
      EXPECT_EQ(::waitpid(pid, &status, WUNTRACED), pid);
      if (!fs::exists(temp)) {  // finished just before it stopped
        ::kill(pid, SIGCONT);
        ::waitpid(pid, &status, 0);
        std::error_code ec;
        fs::remove(outFile, ec);
        return TOutcome::MissedTheWriting;
      }
      ::kill(pid, sig);  // pending while stopped; delivered mid-write
      ::kill(pid, SIGCONT);
      EXPECT_EQ(::waitpid(pid, &status, 0), pid);
      exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return TOutcome::Interrupted;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
}

TEST(Interruption, SignalWhileWritingLeavesTheFolderAsItWas) {
  test::TTempDir dir;
  test::TTempDir reports;
  const std::string in = dir.File("in.har");
  // About 36 MB in six arrays of 1.5 million values: writing takes a while.
  test::THarBytes f(TFileFlavour::NewFujitsu);
  f.Header1C("REG", "Set REG regions", test::RegElements(), 12);
  std::vector<float> values(5 * 300000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(i % 1000) + 0.5f;
  for (int a = 1; a <= 6; ++a) {
    f.HeaderRE("A" + std::to_string(a), "Values",
               {{"REG", test::RegElements()}, {"YR", {}, 300000}}, values);
  }
  f.Save(in);
  const std::string input = test::ReadFileBytes(in);
  const std::vector<std::string> before = dir.Entries();

  for (const int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig == SIGINT ? "SIGINT" : "SIGTERM");
    const std::string report = reports.File(sig == SIGINT ? "int.txt" : "term.txt");
    int exitCode = -1;
    int attempts = 0;
    while (InterruptOnce(dir, in, report, sig, exitCode) == TOutcome::MissedTheWriting) {
      ASSERT_LT(++attempts, 5) << "the run always ended before its writing was seen";
    }
    EXPECT_EQ(exitCode, 1);
    const std::vector<std::string> lines = test::Lines(test::ReadFileBytes(report));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Interrupted: output not written");
    EXPECT_EQ(dir.Entries(), before);
    EXPECT_EQ(test::ReadFileBytes(in), input);
  }
}

}  // namespace
}  // namespace modrask
