// The Tidex test helpers of POSIX hosts: the temporary tree, links, immutable files
// and a run of the binary through fork and exec.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tidex/tidex_fixture.h"

namespace modrask::test {

namespace fs = std::filesystem;

namespace {

bool SetImmutable(const std::string& Path, const bool On) {
  const int Fd = open(Path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (Fd < 0) return false;
  int Flags = 0;
  bool Ok = ioctl(Fd, FS_IOC_GETFLAGS, &Flags) == 0;
  if (Ok) {
    Flags = On ? (Flags | FS_IMMUTABLE_FL) : (Flags & ~FS_IMMUTABLE_FL);
    Ok = ioctl(Fd, FS_IOC_SETFLAGS, &Flags) == 0;
  }
  close(Fd);
  return Ok;
}

}  // namespace

TTempTree::TTempTree() {
  std::string Pattern = (fs::temp_directory_path() / "tidex_test_XXXXXX").string();
  if (mkdtemp(Pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  Root_ = fs::canonical(Pattern).string();
}

TTempTree::~TTempTree() {
  for (const std::string& P : Immutable_) SetImmutable(P, false);
  std::error_code Ec;
  fs::remove_all(Root_, Ec);
}

std::string TTempTree::Path(const std::string& Rel) const {
  return Root_ + "/" + Rel;
}

void TTempTree::Link(const std::string& Target, const std::string& Rel) const {
  fs::create_symlink(Target, Path(Rel));
}

bool TTempTree::MakeImmutable(const std::string& Rel) {
  if (!SetImmutable(Path(Rel), true)) return false;
  Immutable_.push_back(Path(Rel));
  return true;
}

TRunResult RunTidexBin(const std::string& Dir, const std::vector<std::string>& Args) {
  TRunResult R;
  int Pipe[2];
  if (pipe(Pipe) != 0) return R;
  const pid_t Pid = fork();
  if (Pid == 0) {
    close(Pipe[0]);
    dup2(Pipe[1], STDOUT_FILENO);
    const int Null = open("/dev/null", O_RDONLY);
    dup2(Null, STDIN_FILENO);
    if (chdir(Dir.c_str()) != 0) _exit(127);
    std::vector<char*> Argv;
    std::string Bin = TIDEX_BIN;
    Argv.push_back(Bin.data());
    std::vector<std::string> Copy = Args;
    for (std::string& A : Copy) Argv.push_back(A.data());
    Argv.push_back(nullptr);
    execv(Bin.c_str(), Argv.data());
    _exit(127);
  }
  close(Pipe[1]);
  char Buf[4096];
  ssize_t N;
  while ((N = read(Pipe[0], Buf, sizeof Buf)) > 0) R.Raw.append(Buf, static_cast<size_t>(N));
  close(Pipe[0]);
  int Status = 0;
  if (waitpid(Pid, &Status, 0) == Pid && WIFEXITED(Status)) R.Code = WEXITSTATUS(Status);
  std::size_t Start = 0;
  for (std::size_t Nl; (Nl = R.Raw.find('\n', Start)) != std::string::npos; Start = Nl + 1) {
    R.Lines.push_back(R.Raw.substr(Start, Nl - Start));
  }
  if (Start < R.Raw.size()) R.Lines.push_back(R.Raw.substr(Start));  // unterminated tail
  return R;
}

}  // namespace modrask::test
