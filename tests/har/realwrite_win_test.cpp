// The "UseSparse" user setting on Windows, the value UseSparse under
// HKEY_CURRENT_USER\Software\MODRASK.
#include <gtest/gtest.h>
#include <windows.h>

#include "modrask/har/realwrite.h"

namespace modrask {
namespace {

constexpr const char* kKey = "Software\\MODRASK";

void StoreUseSparse(DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExA(key, "UseSparse", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof value),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST(RealWriteSetting, UseSparseRegistryValueSetsThreshold) {
  RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
  EXPECT_EQ(UserSparseThreshold(), 60);
  StoreUseSparse(0);
  EXPECT_EQ(UserSparseThreshold(), 100);
  StoreUseSparse(1);
  EXPECT_EQ(UserSparseThreshold(), 60);
  StoreUseSparse(0xFFFFFFFF);  // any value but 0 is true
  EXPECT_EQ(UserSparseThreshold(), 60);
  RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
}

}  // namespace
}  // namespace modrask
