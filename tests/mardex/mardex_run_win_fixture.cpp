// Runs the built program on Windows: CreateProcess with pipes for standard
// input and output, the user settings in the registry, and the debugging API
// for a run under a debugger.
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "mardex/mardex_fixture.h"

namespace modrask::test {

namespace {

constexpr const char* kSettingsKey = "Software\\MODRASK";

// One argument quoted as the C run-time library splits a command line.
std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string q = "\"";
  size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    q.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    q += c;
  }
  q.append(2 * backslashes, '\\');
  return q + "\"";
}

// The registry value of a setting named as an environment variable.
std::string ValueName(const std::string& var) {
  if (var == "MODRASK_USESPARSE") return "UseSparse";
  if (var == "MODRASK_FLASHTASKBAR") return "FlashTaskBar";
  return var;
}

bool IsInt32Text(const std::string& text) {
  if (text.empty()) return false;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  return *end == '\0' && v >= INT32_MIN && v <= INT32_MAX;
}

// The settings of one run, stored for its length; the previous ones are
// removed first so that each run sees only its own.
class TSettings {
 public:
  explicit TSettings(const std::vector<std::pair<std::string, std::string>>& env) {
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    if (env.empty()) return;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key_,
                          nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    for (const auto& [var, text] : env) {
      const std::string name = ValueName(var);
      if (IsInt32Text(text)) {
        const DWORD v = static_cast<DWORD>(std::strtoll(text.c_str(), nullptr, 10));
        ::RegSetValueExA(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                         sizeof v);
      } else {
        ::RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
      }
    }
  }
  ~TSettings() {
    if (key_ != nullptr) ::RegCloseKey(key_);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
  }
  TSettings(const TSettings&) = delete;
  TSettings& operator=(const TSettings&) = delete;

 private:
  HKEY key_ = nullptr;
};

// Runs MARDEX_BIN; see RunMardexBinary and RunMardexTraced.
TRunResult RunProcess(const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& env, bool traced,
                      std::string_view input, int timeLimitSeconds) {
  TRunResult result;
  const TSettings settings(env);
  std::string commandLine = Quoted(MARDEX_BIN);
  for (const auto& a : args) commandLine += " " + Quoted(a);

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outRead = nullptr;
  HANDLE outWrite = nullptr;
  HANDLE inRead = nullptr;
  HANDLE inWrite = nullptr;
  if (!::CreatePipe(&outRead, &outWrite, &inherit, 0)) return result;
  if (!::CreatePipe(&inRead, &inWrite, &inherit, 1 << 16)) return result;
  ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  // The input is small enough for the pipe; its write end stays open, so a
  // read beyond it would wait.
  DWORD written = 0;
  if (!input.empty()) {
    ::WriteFile(inWrite, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
  }

  STARTUPINFOA start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = inRead;
  start.hStdOutput = outWrite;
  start.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION proc{};
  const DWORD flags = traced ? DEBUG_ONLY_THIS_PROCESS : 0;
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                        nullptr, &start, &proc)) {
    for (HANDLE h : {outRead, outWrite, inRead, inWrite}) ::CloseHandle(h);
    return result;
  }
  ::CloseHandle(outWrite);
  ::CloseHandle(inRead);

  std::thread reader([&result, outRead] {
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(outRead, buf, sizeof buf, &n, nullptr) && n > 0) result.Out.append(buf, n);
  });

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeLimitSeconds);
  bool exited = false;
  while (!exited) {
    if (std::chrono::steady_clock::now() > deadline) {
      result.TimedOut = true;
      ::TerminateProcess(proc.hProcess, 255);
      if (traced) ::DebugActiveProcessStop(proc.dwProcessId);
      break;
    }
    if (!traced) {
      exited = ::WaitForSingleObject(proc.hProcess, 20) == WAIT_OBJECT_0;
      continue;
    }
    // As the debugger: let the program go on, passing its own exceptions on.
    DEBUG_EVENT ev{};
    if (!::WaitForDebugEvent(&ev, 20)) continue;
    DWORD status = DBG_CONTINUE;
    switch (ev.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (ev.u.CreateProcessInfo.hFile != nullptr) ::CloseHandle(ev.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (ev.u.LoadDll.hFile != nullptr) ::CloseHandle(ev.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT:
        if (ev.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          status = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        exited = true;
        break;
      default:
        break;
    }
    ::ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
  }
  ::WaitForSingleObject(proc.hProcess, INFINITE);
  reader.join();
  DWORD code = 0;
  if (!result.TimedOut && ::GetExitCodeProcess(proc.hProcess, &code)) {
    result.ExitCode = static_cast<int>(code);
  }
  for (HANDLE h : {proc.hProcess, proc.hThread, outRead, inWrite}) ::CloseHandle(h);
  return result;
}

}  // namespace

TRunResult RunMardexBinary(const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& env) {
  return RunProcess(args, env, false, "", 60);
}

TRunResult RunMardexTraced(const std::vector<std::string>& args, std::string_view input,
                           int timeLimitSeconds) {
  return RunProcess(args, {}, true, input, timeLimitSeconds);
}

std::string WrongTypeLine(const std::string& var) {
  return "User setting " + ValueName(var) +
         " in HKEY_CURRENT_USER\\Software\\MODRASK has the wrong type: it must be a 32-bit "
         "integer (REG_DWORD, 0 is false).";
}

std::string EmbeddedLineEnd() {
  return "";
}

std::vector<std::string> Lines(const std::string& out) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < out.size()) {
    const size_t end = out.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(out.substr(start));
      break;
    }
    const size_t cr = end > start && out[end - 1] == '\r' ? 1 : 0;  // also in-process output
    lines.push_back(out.substr(start, end - start - cr));
    start = end + 1;
  }
  return lines;
}

}  // namespace modrask::test
