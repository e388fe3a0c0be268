// Trouble ends with exit code 2 and one line on standard error: bad
// arguments, files that cannot be read, a header that is not there, values
// damaged where only the command that reads them can see it.
#include <gtest/gtest.h>

#include <filesystem>

#include "harinfo/harinfo_fixture.h"
#include "modrask/support/version.h"

namespace modrask::test {
namespace {

TEST_F(InfoFiles, BadArguments) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"sets", "--all", std_}, "--all applies to harinfo diff only"},
      {{"diff", std_, std_, std_}, "usage: harinfo diff OLD NEW"},
      {{"show", std_, "A1", "--all"}, "--all applies to harinfo diff only"},
      {{std_, std_}, "usage: harinfo FILE"},
      {{"csv", "--json", std_, "A1"}, "--json does not apply to harinfo csv"},
      {{"--nonzero", "show", std_, "A1"}, "--nonzero applies to harinfo csv only"},
      {{"-x", std_}, "The following argument was not expected: -x"},
      {{"show", std_, "NOPE"}, std_ + ": no header NOPE"},
      // A name longer than four characters is not cut to a header's.
      {{"show", std_, "A1XYZ"}, std_ + ": no header A1XYZ"},
      {{"csv", std_, "ints5"}, std_ + ": no header ints5"},
  };
  for (const auto& [args, err] : cases) {
    EXPECT_EQ(RunInfo(args), (TInfoResult{2, "", "harinfo: " + err + "\n"}));
  }
  // Case is still ignored for names of four characters or fewer.
  EXPECT_EQ(RunInfo({"csv", std_, "ints"}).Code, 0);
}

// A mistyped command word or a missing operand is named, then the commands.
TEST_F(InfoFiles, GuidanceOnMistakes) {
  const TInfoResult help = RunInfo({"--help"});
  const std::string commands = help.Out.substr(help.Out.find("Commands:\n"));
  const std::string list = commands.substr(0, commands.find("\n\n") + 1);
  EXPECT_EQ(list.substr(list.rfind("  harinfo diff")),
            "  harinfo diff OLD NEW         how two files differ\n"
            "  harinfo view FILE [OTHER]    serve a viewer of FILE (and a comparison with OTHER)\n"
            "                               on this machine\n");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{}, "missing FILE"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"frobnicate", std_}, "unknown command 'frobnicate'"},
      {{"sets"}, "missing FILE (usage: harinfo sets FILE)"},
      {{"show", std_}, "missing HEADER (usage: harinfo show FILE HEADER)"},
      {{"diff", std_}, "missing NEW (usage: harinfo diff OLD NEW)"},
      {{"view"}, "missing FILE (usage: harinfo view FILE [OTHER])"},
  };
  for (const auto& [args, err] : cases) {
    EXPECT_EQ(RunInfo(args), (TInfoResult{2, "", "harinfo: " + err + "\n" + list}));
  }
  // A file whose name is a bare word is still a file.
  const std::string here = std::filesystem::current_path().string();
  std::filesystem::current_path(dir_.Path());
  WriteFileBytes("sample", ReadFileBytes(std_));
  EXPECT_EQ(RunInfo({"sample"}).Code, 0);
  std::filesystem::current_path(here);
}

TEST_F(InfoFiles, HelpAndVersion) {
  EXPECT_EQ(RunInfo({std_, "--version"}),
            (TInfoResult{0, std::string("harinfo ") + ModraskVersion + "\n", ""}));
  const TInfoResult help = RunInfo({"-h"});
  EXPECT_EQ(help.Code, 0);
  EXPECT_NE(help.Out.find("  harinfo diff OLD NEW         how two files differ\n"),
            std::string::npos);
}

// What is not a Header Array file at all is named in plain words, the
// reader's fault after it; damage inside one keeps the reader's chain.
TEST_F(InfoFiles, UnreadableFiles) {
  const std::string bytes = StandardFile(TFileFlavour::NewFujitsu).Bytes();
  const std::string cut = dir_.File("cut.har");
  WriteFileBytes(cut, bytes.substr(0, bytes.size() - 6));
  const std::string gone = dir_.File("gone.har");
  const std::string text = dir_.File("passwd");
  WriteFileBytes(text, "root:x:0:0:root:/root:/bin/bash\n");
  const std::string empty = dir_.File("empty.har");
  WriteFileBytes(empty, "");
  const std::string shortFile = dir_.File("short.har");
  WriteFileBytes(shortFile, "abc");
  const std::string folder = dir_.Path().string();
  const std::string cutMsg =
      "Unexpected end-of-file [FileRead] [GetLaheyRecA] [GetRecBuf] [Get2IData] "
      "[ReadHeaderData:INTS] [ReadMoreIntoHarFile] [ReadHarFile]";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{cut}, cut + ": " + cutMsg},
      {{"sets", cut}, cut + ": " + cutMsg},
      {{"csv", cut, "A1"}, cut + ": " + cutMsg},
      {{"diff", std_, cut}, cut + ": " + cutMsg},
      {{"diff", gone, std_}, gone + ": no such file"},
      {{"history", gone}, gone + ": no such file"},
      {{folder}, folder + ": is a folder, not a file"},
      {{"diff", std_, folder}, folder + ": is a folder, not a file"},
      {{text}, text + ": not a Header Array file (File record too long)"},
      {{"show", empty, "A1"}, empty + ": the file is empty"},
      {{"sets", shortFile}, shortFile + ": not a Header Array file (Unexpected end-of-file)"},
  };
  for (const auto& [args, err] : cases) {
    EXPECT_EQ(RunInfo(args), (TInfoResult{2, "", "harinfo: " + err + "\n"})) << args[0];
  }
}

TEST_F(InfoFiles, DamagedValuesSeenByTheCommandsThatReadThem) {
  // A3's second non-zero entry moved to position 99 of 15.
  std::string bytes = StandardFile(TFileFlavour::NewFujitsu).Bytes();
  const std::string positions = THarBytes::Int(2) + THarBytes::Int(1) + THarBytes::Int(15);
  const size_t at = bytes.find(positions);
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at + 8, 4, THarBytes::Int(99));
  const std::string bad = dir_.File("bad.har");
  WriteFileBytes(bad, bytes);
  EXPECT_EQ(RunInfo({bad}).Code, 0);  // the listing passes over values
  const std::string msg = "harinfo: " + bad +
                          ": SPSE position 99 outside 1..15 at KREC=1 [GetRLSparseData] "
                          "[ReadHeaderValues]\n";
  EXPECT_EQ(RunInfo({"show", bad, "A3"}), (TInfoResult{2, "", msg}));
  EXPECT_EQ(RunInfo({"csv", bad, "A3"}), (TInfoResult{2, "REG,COM,Value\n", msg}));
  EXPECT_EQ(RunInfo({"diff", std_, bad}), (TInfoResult{2, "", msg}));
}

}  // namespace
}  // namespace modrask::test
