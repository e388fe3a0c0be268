// The built program: exit codes, standard output and standard error of a
// table of runs on the README's sample file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include "harinfo/harinfo_fixture.h"
#include "modrask/support/version.h"

extern char** environ;

namespace modrask::test {
namespace {

class InfoBinary : public InfoFiles {
 protected:
  // Runs HARINFO_BIN with `args`, its two outputs sent to files, standard
  // output to `outFile` when one is given.
  TInfoResult RunBinary(const std::vector<std::string>& args, std::string outFile = {}) const {
    std::vector<std::string> store{HARINFO_BIN};
    store.insert(store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : store) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out = outFile.empty() ? dir_.File("stdout") : outFile;
    const std::string err = dir_.File("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    TInfoResult r;
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
        waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
      r.Code = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    r.Out = outFile.empty() ? ReadFileBytes(out) : "";
    r.Err = ReadFileBytes(err);
    return r;
  }
};

TEST_F(InfoBinary, Runs) {
  const std::string sample = MODRASK_SAMPLE;
  const std::string renamed = Renamed(sample, "zone.har", "REG", "ZONE");
  const std::string gone = dir_.File("gone.har");
  const std::vector<std::pair<std::vector<std::string>, TInfoResult>> cases{
      {{"--version"}, {0, std::string("harinfo ") + ModraskVersion + "\n", ""}},
      {{"csv", sample, "pop"},
       {0, "REG,Value\nNORTH,10\nSOUTH,20\nEAST,30\nWEST,40\nCENTRE,50\n", ""}},
      {{"history", sample},
       {0, "no previous history\nSample file made by make_sample for the README\n", ""}},
      {{"show", sample, "nope"}, {2, "", "harinfo: " + sample + ": no header nope\n"}},
      {{gone}, {2, "", "harinfo: " + gone + ": no such file\n"}},
      {{"--bad"}, {2, "", "harinfo: The following argument was not expected: --bad\n"}},
  };
  for (const auto& [args, expected] : cases) EXPECT_EQ(RunBinary(args), expected) << args[0];
  // The listing and the diff of a rename; their text is checked in-process.
  EXPECT_EQ(RunBinary({sample}).Code, 0);
  const TInfoResult diff = RunBinary({"diff", sample, renamed});
  EXPECT_EQ(diff.Code, 1);
  EXPECT_EQ(diff.Out.substr(diff.Out.rfind("Summary")),
            "Summary: set REG renamed to ZONE, labels changed in 5 headers, all values equal, 1 "
            "history line added\n");
}

// Every command checks its output: a write that fails (here on a full disk)
// is reported with the system's reason, never a silent exit 0.
TEST_F(InfoBinary, WriteErrorsAreReported) {
  const std::string sample = MODRASK_SAMPLE;
  const std::string renamed = Renamed(sample, "zone.har", "REG", "ZONE");
  const std::vector<std::vector<std::string>> commands{
      {sample},
      {sample, "--json"},
      {"sets", sample},
      {"sets", sample, "--json"},
      {"show", sample, "pop"},
      {"show", sample, "pop", "--json"},
      {"csv", sample, "pop"},
      {"history", sample},
      {"history", sample, "--json"},
      {"diff", sample, renamed},
      {"diff", sample, renamed, "--json"},
      {"--help"},
  };
  for (const std::vector<std::string>& args : commands) {
    EXPECT_EQ(RunBinary(args, "/dev/full"),
              (TInfoResult{2, "", "harinfo: write error: No space left on device\n"}))
        << args[0] << " " << args.back();
  }
}

// A reader that stops early (harinfo csv ... | head) ends the run quietly.
TEST_F(InfoBinary, ClosedPipeEndsQuietly) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  const std::string pipeEnd = "/dev/fd/" + std::to_string(fds[1]);
  const TInfoResult r = RunBinary({"csv", MODRASK_SAMPLE, "pop"}, pipeEnd);
  ::close(fds[1]);
  EXPECT_EQ(r.Err, "");
  EXPECT_NE(r.Code, 0);
}

}  // namespace
}  // namespace modrask::test
