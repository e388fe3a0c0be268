// The Tidex test helpers of Windows: the temporary tree, file attributes and a run of the
// binary through CreateProcess in a chosen folder.
#include <windows.h>

#include <filesystem>
#include <random>
#include <stdexcept>

#include "tidex/tidex_fixture.h"

namespace modrask::test {

namespace fs = std::filesystem;

TTempTree::TTempTree() {
  static std::random_device Random;
  for (int Attempt = 0; Root_.empty(); ++Attempt) {
    if (Attempt == 100) throw std::runtime_error("no temporary folder");
    const fs::path P = fs::temp_directory_path() / ("tidex_test_" + std::to_string(Random()));
    std::error_code Ec;
    if (fs::create_directory(P, Ec)) Root_ = fs::canonical(P).string();
  }
}

TTempTree::~TTempTree() {
  for (const std::string& P : Immutable_) SetFileAttributesA(P.c_str(), FILE_ATTRIBUTE_NORMAL);
  std::error_code Ec;
  fs::remove_all(Root_, Ec);
}

std::string TTempTree::Path(const std::string& Rel) const {
  std::string P = Root_ + "\\" + Rel;
  for (char& C : P) {
    if (C == '/') C = '\\';
  }
  return P;
}

void TTempTree::Link(const std::string&, const std::string&) const {
  throw std::runtime_error("no symbolic links in the Windows tests");
}

bool TTempTree::MakeImmutable(const std::string& Rel) {
  Mark(Rel, FILE_ATTRIBUTE_READONLY);
  return true;
}

void TTempTree::Mark(const std::string& Rel, const unsigned long Attributes) {
  const std::string P = Path(Rel);
  const DWORD Old = GetFileAttributesA(P.c_str());
  if (Old == INVALID_FILE_ATTRIBUTES || !SetFileAttributesA(P.c_str(), Old | Attributes)) {
    throw std::runtime_error("cannot set the attributes of " + Rel);
  }
  Immutable_.push_back(P);
}

TRunResult RunTidexBin(const std::string& Dir, const std::vector<std::string>& Args) {
  TRunResult R;
  std::string CommandLine = "\"" + std::string(TIDEX_BIN) + "\"";
  for (const std::string& A : Args) CommandLine += " \"" + A + "\"";  // no quotes in the cases
  SECURITY_ATTRIBUTES Inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE OutRead = nullptr;
  HANDLE OutWrite = nullptr;
  HANDLE InRead = nullptr;
  HANDLE InWrite = nullptr;
  if (!CreatePipe(&OutRead, &OutWrite, &Inherit, 0)) return R;
  if (!CreatePipe(&InRead, &InWrite, &Inherit, 0)) return R;
  SetHandleInformation(OutRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(InWrite, HANDLE_FLAG_INHERIT, 0);
  CloseHandle(InWrite);  // standard input: at its end at once
  STARTUPINFOA Start{};
  Start.cb = sizeof Start;
  Start.dwFlags = STARTF_USESTDHANDLES;
  Start.hStdInput = InRead;
  Start.hStdOutput = OutWrite;
  Start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION Proc{};
  const bool Started = CreateProcessA(nullptr, CommandLine.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, Dir.c_str(), &Start, &Proc) != 0;
  CloseHandle(OutWrite);
  CloseHandle(InRead);
  if (Started) {
    char Buf[4096];
    DWORD N = 0;
    while (ReadFile(OutRead, Buf, sizeof Buf, &N, nullptr) && N > 0) R.Raw.append(Buf, N);
    WaitForSingleObject(Proc.hProcess, INFINITE);
    DWORD Code = 0;
    if (GetExitCodeProcess(Proc.hProcess, &Code)) R.Code = static_cast<int>(Code);
    CloseHandle(Proc.hProcess);
    CloseHandle(Proc.hThread);
  }
  CloseHandle(OutRead);
  std::size_t Start0 = 0;
  for (std::size_t End; (End = R.Raw.find("\r\n", Start0)) != std::string::npos; Start0 = End + 2) {
    R.Lines.push_back(R.Raw.substr(Start0, End - Start0));
  }
  if (Start0 < R.Raw.size()) R.Lines.push_back(R.Raw.substr(Start0));  // unterminated tail
  return R;
}

}  // namespace modrask::test
