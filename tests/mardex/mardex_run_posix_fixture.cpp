// Runs the built program on POSIX systems: fork, exec, pipes, and ptrace
// for a run under a tracer.
#include <poll.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "mardex/mardex_fixture.h"

extern char** environ;

namespace modrask::test {

namespace {

std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& env, bool traced) {
  std::vector<std::string> result;
  std::string asan = "ASAN_OPTIONS=";
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "MODRASK_", 8) == 0) continue;
    if (std::strncmp(*e, "ASAN_OPTIONS=", 13) == 0) {
      asan = *e;
      continue;
    }
    result.emplace_back(*e);
  }
  // The leak checker of a sanitizer build cannot run under a tracer.
  if (traced) asan += ":detect_leaks=0";
  result.push_back(asan);
  for (const auto& [name, value] : env) result.push_back(name + "=" + value);
  return result;
}

}  // namespace

namespace {

// Runs MARDEX_BIN; see RunMardexBinary and RunMardexTraced.
TRunResult RunProcess(const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& env, bool traced,
                      std::string_view input, int timeLimitSeconds) {
  TRunResult result;
  std::vector<std::string> argStore{MARDEX_BIN};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore = ChildEnvironment(env, traced);
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  int outPipe[2];
  int inPipe[2];
  if (::pipe(outPipe) != 0 || ::pipe(inPipe) != 0) return result;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(outPipe[1], STDOUT_FILENO);
    ::dup2(inPipe[0], STDIN_FILENO);
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    ::close(inPipe[0]);
    ::close(inPipe[1]);
    if (traced && ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(NotTraceable);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(inPipe[0]);
  // The input is small enough for the pipe; its write end stays open, so a
  // read beyond it would wait.
  if (!input.empty() && ::write(inPipe[1], input.data(), input.size()) < 0) return result;

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeLimitSeconds);
  bool outputOpen = true;
  bool exited = false;
  int status = 0;
  char buf[4096];
  while (outputOpen || !exited) {
    if (std::chrono::steady_clock::now() > deadline) {
      result.TimedOut = true;
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      break;
    }
    if (outputOpen) {
      pollfd p{outPipe[0], POLLIN, 0};
      if (::poll(&p, 1, 10) > 0) {
        const ssize_t n = ::read(outPipe[0], buf, sizeof buf);
        if (n > 0) result.Out.append(buf, static_cast<size_t>(n));
        if (n <= 0) outputOpen = false;
      }
    } else {
      ::usleep(2000);
    }
    if (!exited && ::waitpid(pid, &status, WNOHANG) == pid) {
      if (WIFSTOPPED(status)) {
        // As a tracer: let the program go on, passing on its own signals.
        const int sig = WSTOPSIG(status);
        ::ptrace(PTRACE_CONT, pid, nullptr, sig == SIGTRAP ? 0 : sig);
      } else {
        exited = true;
      }
    }
  }
  ::close(outPipe[0]);
  ::close(inPipe[1]);
  if (!result.TimedOut && WIFEXITED(status)) result.ExitCode = WEXITSTATUS(status);
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
  return "User setting " + var + " has the wrong type: it must be an integer (0 is false).";
}

std::string EmbeddedLineEnd() {
  return "\r";
}

std::vector<std::string> Lines(const std::string& out) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < out.size()) {
    const size_t nl = out.find('\n', start);
    if (nl == std::string::npos) {
      lines.push_back(out.substr(start));
      break;
    }
    lines.push_back(out.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

}  // namespace modrask::test
