// The host services on POSIX systems.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "modrask/support/mhUtil.h"

namespace modrask {

int64_t GetFileSize64(const std::string& name) {
  struct stat st {};
  if (name.empty() || ::stat(name.c_str(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

int32_t FileSizeKB(const std::string& name) {
  const int64_t size = GetFileSize64(name);
  // Held at the largest figure from 2 TiB on: a wrapped, negative count
  // would read as a missing file.
  if (size > 0) return static_cast<int32_t>(std::min<int64_t>(size / 1024, INT32_MAX));
  return static_cast<int32_t>(size);
}

bool IsExistingFile(const std::string& name) {
  struct stat st {};
  return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

namespace {

// The environment variable that holds the user setting `name`.
std::string SettingVariable(std::string_view name) {
  std::string var = "MODRASK_";
  for (const char c : name) var += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return var;
}

// Parses a decimal 32-bit integer, optionally signed, with nothing else.
bool ParseInt32(const char* text, int32_t& value) {
  if (*text == '\0') return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
  for (const char* p = text; *p != '\0'; ++p) {
    if (!((*p >= '0' && *p <= '9') || (p == text && (*p == '-' || *p == '+')))) return false;
  }
  value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

bool ReadRegBool(std::string_view name, bool dflt) {
  const std::string var = SettingVariable(name);
  const char* text = std::getenv(var.c_str());
  if (text == nullptr) return dflt;
  int32_t value = 0;
  if (!ParseInt32(text, value)) {
    FatalError("User setting " + var + " has the wrong type: it must be an integer (0 is false).");
  }
  return value != 0;
}

uint32_t GetTickCount32() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms =
      static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

bool DebuggerAttached() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("TracerPid:", 0) == 0) return std::atoi(line.c_str() + 10) != 0;
  }
  return false;
}

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

void FatalError(std::string_view text) {
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  std::_Exit(1);
}

namespace {

// The names and labels of thousands of headers fill the heap page by page,
// and on some hosts (virtual machines) every fresh page costs a fault of
// several microseconds. The heap is therefore grown in large steps, and the
// system asked to back it with huge pages where it grants them on request:
// a fault then brings 2 MiB. Nothing changes where that is not granted.
void AskForHugeHeapPages() {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  // The heap grows by 64 MiB at a time (and keeps as much when it shrinks);
  // one block larger than what is free makes it grow now, so that the
  // advice covers the growth (the heap's mapping keeps it as it grows on).
  mallopt(M_TOP_PAD, 64 << 20);
  const uintptr_t before = reinterpret_cast<uintptr_t>(::sbrk(0));
  void* probe = std::malloc(96 << 10);
  if (probe == nullptr) return;
  const uintptr_t begin = (before + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t end = reinterpret_cast<uintptr_t>(::sbrk(0)) & ~(kHuge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  std::free(probe);
#endif
}

}  // namespace

void HostStartup() {
  AskForHugeHeapPages();
  // The desktop settings of the Windows start-up have no counterpart here,
  // but FlashTaskBar is read all the same, so that a setting of the wrong
  // type is refused on every host. Files are always opened read-only for
  // reading by the record layer.
  ReadRegBool("FlashTaskBar", false);
}

}  // namespace modrask
