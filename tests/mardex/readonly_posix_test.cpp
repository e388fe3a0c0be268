// An existing output the user may not write is refused, as cp refuses it,
// although the folder would allow the rename over it; the input is kept.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "mardex/mardex_fixture.h"

namespace modrask::test {
namespace {

TEST(ReadOnlyOutput, IsRefusedAndTheInputKept) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write a file of mode 444, as cp does";
  TTempDir dir;
  const std::string input = dir.File("ro.har");
  const std::string other = dir.File("other.har");
  StandardFile(TFileFlavour::NewFujitsu).Save(input);
  WriteFileBytes(other, "an output of mode 444");
  const std::string inputBytes = ReadFileBytes(input);
  for (const std::string& output : {input, other}) {
    ASSERT_EQ(::chmod(output.c_str(), 0444), 0);
    const TRunResult r = RunMardexBinary({input, output, "REG", "ZONE"});
    const std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 2u) << r.Out;
    EXPECT_EQ(lines[0], "Opened HAR file " + input + "     flavour: New Fujitsu");
    EXPECT_EQ(lines[1],
              "Error: Can't create file: " + output + " [CreateLaheyFile] [WriteHarFile]");
    EXPECT_EQ(r.ExitCode, 1);
  }
  EXPECT_EQ(ReadFileBytes(input), inputBytes);
  EXPECT_EQ(ReadFileBytes(other), "an output of mode 444");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"other.har", "ro.har"}));
  struct stat st {};
  ASSERT_EQ(::stat(input.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

}  // namespace
}  // namespace modrask::test
