// Runs the cleanup in this process, where the folder operations can be made to fail and
// the debugger wait and the current folder can be watched.
#include <gtest/gtest.h>
#include <unistd.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "posixfolders.h"
#include "productnames.h"
#include "tidex.h"
#include "tidex/tidex_fixture.h"

namespace modrask::test {
namespace {

using Lines = std::vector<std::string>;

Lines SplitLines(const std::string& Raw) {
  Lines L;
  std::istringstream In(Raw);
  for (std::string Line; std::getline(In, Line);) L.push_back(Line);
  return L;
}

std::string Cwd() {
  std::string P;
  TPosixFolders W;
  EXPECT_TRUE(W.GetCurrentFolder(P));
  return P;
}

// The POSIX folders with faults on demand: deleting the names in RefuseDelete fails, and
// so does the first return to the folder ReturnFails; ShowRootAs reports the folder Root
// under another path.
class TFaultyFolders final : public TFolderWalk {
 public:
  bool ListEntries(std::vector<TFolderEntry>& Entries) override {
    return Real.ListEntries(Entries);
  }
  bool DeleteFile(const std::string& Name) override {
    return RefuseDelete.count(Name) == 0 && Real.DeleteFile(Name);
  }
  bool GetCurrentFolder(std::string& Path) override {
    if (!Real.GetCurrentFolder(Path)) return false;
    if (!ShowRootAs.empty() && Path == Root) Path = ShowRootAs;
    return true;
  }
  bool SetCurrentFolder(const std::string& Path) override {
    if (!ReturnFails.empty() && Path == ReturnFails) {
      ReturnFails.clear();
      return false;
    }
    return Real.SetCurrentFolder(!ShowRootAs.empty() && Path == ShowRootAs ? Root : Path);
  }

  TPosixFolders Real;
  std::set<std::string> RefuseDelete;
  std::string ReturnFails;
  std::string Root;
  std::string ShowRootAs;
};

// Runs in Dir and comes back to the folder the test started in.
int RunIn(const std::string& Dir, const Lines& Args, TFolderWalk& Walk, std::string& Out,
          std::istream& In, const bool Traced = false) {
  const std::string Here = Cwd();
  EXPECT_EQ(chdir(Dir.c_str()), 0);
  std::ostringstream Sink;
  const int Code = RunTidex(Args, Sink, In, Traced, Walk);
  EXPECT_EQ(Cwd(), Dir) << "the run must end in the folder it started in";
  EXPECT_EQ(chdir(Here.c_str()), 0);
  Out = Sink.str();
  return Code;
}

TEST(TidexRun, EndsInTheStartFolderAndWaitsOnlyUnderADebugger) {
  TTempTree T;
  T.Folder("a/b");
  T.File("a/b/z.zmd");
  T.File("a/b/z.vux");
  for (const bool Traced : {false, true}) {
    TPosixFolders Walk;
    std::istringstream In("first\nsecond\n");
    std::string Out;
    EXPECT_EQ(RunIn(T.Root(), {"/S"}, Walk, Out, In, Traced), 0);
    std::string Next;
    std::getline(In, Next);
    EXPECT_EQ(Next, Traced ? "second" : "first");
  }
  for (const bool Traced : {false, true}) {
    TPosixFolders Walk;
    std::istringstream In("first\nsecond\n");
    std::string Out;
    EXPECT_EQ(RunIn(T.Root(), {"/X"}, Walk, Out, In, Traced), 1);
    EXPECT_EQ(SplitLines(Out), UsageLines("expected /D or /S parameter"));
    std::string Next;
    std::getline(In, Next);
    EXPECT_EQ(Next, Traced ? "second" : "first");
  }
}

TEST(TidexRun, RefusedDeletionIsReportedAndTheRunGoesOn) {
  TTempTree T;
  T.File("a.zmd");
  T.File("a.WUP");
  T.File("a.jeb");
  T.Folder("s");
  T.File("s/a.zmd");
  T.File("s/a.WUP");
  TFaultyFolders Walk;
  Walk.RefuseDelete = {"a.WUP"};
  std::istringstream In;
  std::string Out;
  EXPECT_EQ(RunIn(T.Root(), {"/S"}, Walk, Out, In), 0);
  EXPECT_EQ(SplitLines(Out),
            (Lines{"Could not delete: " + T.Path("a.WUP"), "Deleting: " + T.Path("a.jeb"),
                   "Could not delete: " + T.Path("s/a.WUP"), "1 files deleted."}));
  EXPECT_TRUE(T.Exists("a.WUP"));
  EXPECT_TRUE(T.Exists("s/a.WUP"));
}

// Once the way back to a folder is lost, every further name would be taken in the wrong
// folder, so the walk stops there and the run fails.
TEST(TidexRun, LostWayBackStopsTheWalkAndFails) {
  TTempTree T;
  for (const std::string F : {"a", "a/c", "b"}) {
    T.Folder(F);
    T.File(F + "/z.zmd");
    T.File(F + "/z.dav");
  }
  TFaultyFolders Walk;
  Walk.ReturnFails = T.Path("a");  // from a/c back to a
  std::istringstream In;
  std::string Out;
  EXPECT_EQ(RunIn(T.Root(), {"/S"}, Walk, Out, In), 1);
  EXPECT_EQ(SplitLines(Out),
            (Lines{"Deleting: " + T.Path("a/z.dav"), "Deleting: " + T.Path("a/c/z.dav"),
                   "Could not return to folder: " + T.Path("a"), "2 files deleted."}));
  EXPECT_TRUE(T.Exists("b/z.dav"));
}

TEST(TidexRun, RootFolderPathGetsNoDoubledSeparator) {
  TTempTree T;
  T.File("a.zmd");
  T.File("a.guv");
  TFaultyFolders Walk;
  Walk.Root = T.Root();
  Walk.ShowRootAs = "/";
  std::istringstream In;
  std::string Out;
  EXPECT_EQ(RunIn(T.Root(), {"/D"}, Walk, Out, In), 0);
  EXPECT_EQ(SplitLines(Out), (Lines{"Deleting: /a.guv", "1 files deleted."}));
}

TEST(TidexRun, FolderThatCannotBeEnteredIsPassedOverSilently) {
  TTempTree T;
  T.Folder("a");
  T.File("a/z.zmd");
  T.File("a/z.dav");
  T.Folder("b");
  T.File("b/z.zmd");
  T.File("b/z.dav");
  TFaultyFolders Walk;
  Walk.ReturnFails = "a";  // entering a (by its name) fails once
  std::istringstream In;
  std::string Out;
  EXPECT_EQ(RunIn(T.Root(), {"/S"}, Walk, Out, In), 0);
  EXPECT_EQ(SplitLines(Out), (Lines{"Deleting: " + T.Path("b/z.dav"), "1 files deleted."}));
  EXPECT_TRUE(T.Exists("a/z.dav"));
}

}  // namespace
}  // namespace modrask::test
