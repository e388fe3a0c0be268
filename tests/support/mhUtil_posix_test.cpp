#include "modrask/support/mhUtil.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace modrask {
namespace {

namespace fs = std::filesystem;

// A fresh folder under the system temporary folder, removed afterwards.
class HostFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "mhutil_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Make(const std::string& name, size_t bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream out(path, std::ios::binary);
    out << std::string(bytes, 'x');
    return path;
  }
  fs::path dir_;
};

TEST_F(HostFiles, FileSizes) {
  const std::string missing = (dir_ / "missing.har").string();
  EXPECT_EQ(GetFileSize64(missing), -1);
  EXPECT_EQ(FileSizeKB(missing), -1);
  EXPECT_EQ(FileSizeKB(""), -1);
  EXPECT_EQ(FileSizeKB(Make("empty", 0)), 0);
  EXPECT_EQ(GetFileSize64(Make("b1023", 1023)), 1023);
  EXPECT_EQ(FileSizeKB(Make("b1023", 1023)), 0);
  EXPECT_EQ(FileSizeKB(Make("b1", 1)), 0);
  EXPECT_EQ(FileSizeKB(Make("b1024", 1024)), 1);
  EXPECT_EQ(FileSizeKB(Make("b2047", 2047)), 1);
  EXPECT_EQ(FileSizeKB(Make("b2048", 2048)), 2);
}

TEST_F(HostFiles, SizesBeyond32Bits) {
  // A sparse file of 5 GiB: no disk space is used.
  const std::string path = Make("big", 0);
  std::error_code ec;
  fs::resize_file(path, (uint64_t{5} << 30) + 1, ec);
  if (ec) GTEST_SKIP() << "cannot make a sparse file here: " << ec.message();
  EXPECT_EQ(GetFileSize64(path), (int64_t{5} << 30) + 1);
  EXPECT_EQ(FileSizeKB(path), 5 * 1024 * 1024);
  // From 2 TiB on the KiB count no longer fits: it stays at the largest
  // figure rather than turning negative and reading as a missing file.
  fs::resize_file(path, uint64_t{1} << 41, ec);
  if (ec) GTEST_SKIP() << "cannot make a 2 TiB sparse file here: " << ec.message();
  EXPECT_EQ(GetFileSize64(path), int64_t{1} << 41);
  EXPECT_EQ(FileSizeKB(path), INT32_MAX);
}

TEST_F(HostFiles, ExistingFileIsNotAFolder) {
  EXPECT_TRUE(IsExistingFile(Make("a.har", 3)));
  EXPECT_FALSE(IsExistingFile(dir_.string()));
  EXPECT_FALSE(IsExistingFile((dir_ / "none").string()));
  EXPECT_FALSE(IsExistingFile(""));
  EXPECT_GE(GetFileSize64(dir_.string()), 0);  // a folder is an entry too
}

// Sets or clears one environment variable for the life of the object.
class EnvSetting {
 public:
  EnvSetting(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
      hadOld_ = true;
    }
    if (value == nullptr) {
      ::unsetenv(name);
    } else {
      ::setenv(name, value, 1);
    }
  }
  ~EnvSetting() {
    if (hadOld_) {
      ::setenv(name_, old_.c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  EnvSetting(const EnvSetting&) = delete;
  EnvSetting& operator=(const EnvSetting&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool hadOld_ = false;
};

TEST(ReadRegBool, UnsetGivesTheDefault) {
  EnvSetting unset("MODRASK_USESPARSE", nullptr);
  EXPECT_TRUE(ReadRegBool("UseSparse", true));
  EXPECT_FALSE(ReadRegBool("UseSparse", false));
}

TEST(ReadRegBool, IntegersAreNonZeroTrue) {
  {
    EnvSetting zero("MODRASK_USESPARSE", "0");
    EXPECT_FALSE(ReadRegBool("UseSparse", true));
  }
  {
    EnvSetting one("MODRASK_USESPARSE", "1");
    EXPECT_TRUE(ReadRegBool("UseSparse", false));
  }
  {
    EnvSetting negative("MODRASK_FLASHTASKBAR", "-7");
    EXPECT_TRUE(ReadRegBool("FlashTaskBar", false));
  }
  {
    EnvSetting largest("MODRASK_FLASHTASKBAR", "2147483647");
    EXPECT_TRUE(ReadRegBool("FlashTaskBar", false));
  }
  {
    // Each setting has its own variable.
    EnvSetting sparse("MODRASK_USESPARSE", "0");
    EnvSetting flash("MODRASK_FLASHTASKBAR", nullptr);
    EXPECT_TRUE(ReadRegBool("FlashTaskBar", true));
    EXPECT_FALSE(ReadRegBool("UseSparse", true));
  }
}

// Runs ReadRegBool in a child with its output moved to standard error.
void ReadWithOutputOnStderr(const char* name) {
  ::dup2(2, 1);
  ReadRegBool(name, true);
  ::_exit(0);
}

TEST(ReadRegBoolDeathTest, OtherTextsEndTheProcess) {
  for (const char* bad : {"yes", "", "1.5", " 1", "2147483648", "0x10"}) {
    EnvSetting setting("MODRASK_USESPARSE", bad);
    EXPECT_EXIT(ReadWithOutputOnStderr("UseSparse"), ::testing::ExitedWithCode(1),
                "^User setting MODRASK_USESPARSE has the wrong type: it must be an integer \\(0 is "
                "false\\)\\.\n$")
        << "[" << bad << "]";
  }
  EnvSetting flash("MODRASK_FLASHTASKBAR", "true");
  EXPECT_EXIT(ReadWithOutputOnStderr("FlashTaskBar"), ::testing::ExitedWithCode(1),
              "^User setting MODRASK_FLASHTASKBAR has the wrong type: it must be an integer \\(0 "
              "is false\\)\\.\n$");
}

void FatalWithOutputOnStderr() {
  ::dup2(2, 1);
  FatalError("Disk read error");
}

TEST(FatalErrorDeathTest, TextOnStandardOutputAndExitCode1) {
  EXPECT_EXIT(FatalWithOutputOnStderr(), ::testing::ExitedWithCode(1), "^Disk read error\n$");
}

TEST(Host, TickCounterCountsMilliseconds) {
  const uint32_t t0 = GetTickCount32();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const uint32_t elapsed = GetTickCount32() - t0;  // unsigned: right across a wrap
  EXPECT_GE(elapsed, 49u);
  EXPECT_LT(elapsed, 10000u);
}

TEST(Host, LocalTimeIsHoursMinutesSeconds) {
  const std::string t = LocalTimeText();
  ASSERT_EQ(t.size(), 8u) << t;
  for (const size_t i : {0u, 1u, 3u, 4u, 6u, 7u}) EXPECT_TRUE(t[i] >= '0' && t[i] <= '9') << t;
  EXPECT_EQ(t[2], ':');
  EXPECT_EQ(t[5], ':');
  EXPECT_LE(std::stoi(t.substr(0, 2)), 23);
  EXPECT_LE(std::stoi(t.substr(3, 2)), 59);
}

// Exit code of a forked child that reports DebuggerAttached(), traced or not.
int ChildDebuggerStatus(bool traced) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (traced) {
      if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(2);
      ::raise(SIGSTOP);
    }
    ::_exit(DebuggerAttached() ? 1 : 0);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  if (WIFSTOPPED(status)) {
    ::ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    if (::waitpid(pid, &status, 0) != pid) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Host, DebuggerAttached) {
  EXPECT_EQ(ChildDebuggerStatus(false), 0);
  const int traced = ChildDebuggerStatus(true);
  if (traced == 2) GTEST_SKIP() << "tracing is not permitted here";
  EXPECT_EQ(traced, 1);
}

}  // namespace
}  // namespace modrask
