// The host services on Windows: sizes through a directory search, the user
// settings in the registry, the tick counter and the long time format.
#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <thread>

#include "modrask/support/mhUtil.h"

namespace modrask {
namespace {

namespace fs = std::filesystem;

class HostFilesWin : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("mhutil_" + std::to_string(random()));
    ASSERT_TRUE(fs::create_directory(dir_));
  }
  void TearDown() override {
    for (const auto& e : fs::directory_iterator(dir_)) {
      SetFileAttributesA(e.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
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

TEST_F(HostFilesWin, FileSizes) {
  const std::string missing = (dir_ / "missing.har").string();
  EXPECT_EQ(GetFileSize64(missing), -1);
  EXPECT_EQ(FileSizeKB(missing), -1);
  EXPECT_EQ(FileSizeKB(""), -1);
  EXPECT_EQ(FileSizeKB(Make("empty", 0)), 0);
  EXPECT_EQ(GetFileSize64(Make("b1023", 1023)), 1023);
  EXPECT_EQ(FileSizeKB(Make("b1023", 1023)), 0);
  EXPECT_EQ(FileSizeKB(Make("b1024", 1024)), 1);
  EXPECT_EQ(FileSizeKB(Make("b2048", 2048)), 2);
}

// The search takes every kind of entry: hidden, system and read-only files and folders.
TEST_F(HostFilesWin, EveryKindOfEntryIsFound) {
  const std::string hidden = Make("hidden.har", 1500);
  const std::string system = Make("system.har", 3000);
  const std::string readOnly = Make("readonly.har", 2050);
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileSize64(hidden), 1500);
  EXPECT_EQ(FileSizeKB(system), 2);
  EXPECT_EQ(FileSizeKB(readOnly), 2);
  EXPECT_GE(GetFileSize64(dir_.string()), 0);  // a folder is an entry too
  EXPECT_TRUE(IsExistingFile(hidden));
  EXPECT_FALSE(IsExistingFile(dir_.string()));
  EXPECT_FALSE(IsExistingFile((dir_ / "none").string()));
}

TEST_F(HostFilesWin, SizesBeyond32Bits) {
  const std::string path = Make("big", 0);
  std::error_code ec;
  fs::resize_file(path, (uint64_t{5} << 30) + 1, ec);
  if (ec) GTEST_SKIP() << "cannot make a 5 GiB file here: " << ec.message();
  EXPECT_EQ(GetFileSize64(path), (int64_t{5} << 30) + 1);
  EXPECT_EQ(FileSizeKB(path), 5 * 1024 * 1024);
}

constexpr const char* kKey = "Software\\MODRASK";

// Removes the settings key before and after each test.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
  void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
  static void Store(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  static void StoreDword(const char* name, DWORD value) {
    Store(name, REG_DWORD, &value, sizeof value);
  }
  static bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
};

TEST_F(Registry, MissingKeyGivesTheDefaultAndIsCreated) {
  ASSERT_FALSE(KeyExists());
  EXPECT_TRUE(ReadRegBool("UseSparse", true));
  EXPECT_TRUE(KeyExists());
  EXPECT_FALSE(ReadRegBool("UseSparse", false));
  EXPECT_FALSE(ReadRegBool("FlashTaskBar", false));
}

TEST_F(Registry, DwordValuesAreNonZeroTrue) {
  StoreDword("UseSparse", 0);
  EXPECT_FALSE(ReadRegBool("UseSparse", true));
  StoreDword("UseSparse", 1);
  EXPECT_TRUE(ReadRegBool("UseSparse", false));
  StoreDword("FlashTaskBar", 0xFFFFFFF9);  // -7
  EXPECT_TRUE(ReadRegBool("FlashTaskBar", false));
  // Each setting is its own value; names are not case-sensitive in the registry.
  StoreDword("UseSparse", 0);
  EXPECT_FALSE(ReadRegBool("usesparse", true));
  RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
  StoreDword("FlashTaskBar", 1);
  EXPECT_TRUE(ReadRegBool("UseSparse", true));
  EXPECT_FALSE(ReadRegBool("UseSparse", false));
}

// Runs ReadRegBool with standard output moved to standard error, where the death test
// looks. The death test reads that output as text, so the CR of the line end may be gone
// (the console tests of the built programs check the line ends byte for byte).
void ReadWithOutputOnStderr(const char* name) {
  _dup2(2, 1);
  ReadRegBool(name, true);
  std::_Exit(0);
}

TEST_F(Registry, WrongTypeEndsTheProcess) {
  const std::string text = "yes";
  const uint64_t wide = 1;
  const unsigned char bytes[4] = {1, 0, 0, 0};
  const std::string expected =
      "^User setting UseSparse in HKEY_CURRENT_USER\\\\Software\\\\MODRASK has the wrong type: it "
      "must be a 32-bit integer \\(REG_DWORD, 0 is false\\)\\.\r?\n$";
  Store("UseSparse", REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  EXPECT_EXIT(ReadWithOutputOnStderr("UseSparse"), ::testing::ExitedWithCode(1), expected);
  Store("UseSparse", REG_QWORD, &wide, sizeof wide);
  EXPECT_EXIT(ReadWithOutputOnStderr("UseSparse"), ::testing::ExitedWithCode(1), expected);
  Store("UseSparse", REG_BINARY, bytes, sizeof bytes);
  EXPECT_EXIT(ReadWithOutputOnStderr("UseSparse"), ::testing::ExitedWithCode(1), expected);
}

TEST(HostWin, TickCounterCountsMilliseconds) {
  const uint32_t t0 = GetTickCount32();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const uint32_t elapsed = GetTickCount32() - t0;
  EXPECT_GE(elapsed, 80u);  // the counter moves in steps of the system timer
  EXPECT_LT(elapsed, 10000u);
}

TEST(HostWin, LocalTimeInTheLongTimeFormat) {
  const std::string t = LocalTimeText();
  static const std::regex shape("[0-9]{1,2}:[0-9]{2}:[0-9]{2}( [AP]M)?");
  EXPECT_TRUE(std::regex_match(t, shape)) << t;
}

TEST(HostWin, NoDebuggerInAPlainRun) {
  EXPECT_FALSE(DebuggerAttached());
}

}  // namespace
}  // namespace modrask
