#include "fuzzrun_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "modrask/har/harread.h"
#include "modrask/har/harwrite.h"
#include "modrask/har/realwrite.h"
#include "harinfo/harinfo_run.h"
#include "harinfo/infofile.h"
#include "modrask/records/lheyfile.h"
#include "seeds_fixture.h"
#include "modrask/sets/SetStore.h"
#include "modrask/sets/harsets.h"
#include "modrask/sets/renamepass.h"
#include "modrask/sets/renameset.h"
#include "modrask/support/memstat.h"

namespace modrask::fuzz {
namespace {

// The new name of the renamed set; one that seeds never hold.
constexpr const char* kNewSet = "FZNEW";
// A fixed creation time, so that two writes of the same data are equal.
constexpr const char* kDateText = "00:00:00 01/Jan/2000";

struct TScratch {
  std::string Dir;
  std::string Input;
  std::string First;
  std::string Second;
  std::string Third;
  std::string Reference;  // a seed file, the OLD of harinfo's diff
};

TScratch& Scratch() {
  static TScratch s;
  return s;
}

void RemoveScratch() {
  const TScratch& s = Scratch();
  std::error_code ec;
  std::filesystem::remove_all(s.Dir, ec);
}

bool WriteInput(const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(Scratch().Input.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && written;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ReadFile(const std::string& path, PHarData& harData, std::string& msg) {
  bool skippedAny = false;
  return ReadHarFile(path, harData, false, false, skippedAny, msg);
}

// How a rename that wrote its output ended, as RenameSteps tells it.
std::string Renamed(int32_t nChanges, int32_t nFound, int32_t nHeads) {
  return "renamed " + std::to_string(nChanges) + " of " + std::to_string(nFound) + ", written " +
         std::to_string(nHeads);
}

// The steps of the rename run with the values read as `how` says, writing
// `output`: how each step ended, as one text; oldSet is the set it renamed.
std::string RenameSteps(const std::string& input, const std::string& output, TValueReading how,
                        std::string& oldSet) {
  std::string msg;
  PHarData harData;
  bool skippedAny = false;
  oldSet = "REG";
  if (!ReadHarFile(input, harData, false, false, how, skippedAny, msg)) return "read: " + msg;
  PSetStore store;
  if (!StoreHARFileSets(store, harData.get(), true, msg)) return "store: " + msg;
  if (store->Count > 0) oldSet = store->Entries[0]->SetName;
  const int32_t nFound = CountSetsByName(store.get(), oldSet);
  if (FindSetByName(store.get(), kNewSet) != 0 || nFound > 1) return "refused";
  int32_t nChanges = 0;
  if (!RenameSetInHar(harData.get(), oldSet, kNewSet, msg, nChanges)) return "rename: " + msg;
  if (!WriteHarFile(output, "Mardex", kDateText, harData.get(), FuzzWriteOptions, msg))
    return "renamed " + std::to_string(nChanges) + ", write: " + msg;
  return Renamed(nChanges, nFound, harData->NHeads());
}

[[noreturn]] void SetUpFailed(const char* what);

// The rename in one pass against the whole-file run with values left in
// the file, whose outcome is `passed` and output `expected`: the same bytes
// and report where the pass takes the run; else nothing written, and a
// reason the pass may give up on.
bool CompareOnePass(const std::string& input, const std::string& folder, const std::string& oldSet,
                    const std::string& passed, const std::string& expected, std::string& fault) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::remove_all(folder, ec);
  if (!fs::create_directory(folder, ec)) SetUpFailed("cannot make the one pass's folder");
  const std::string output = folder + "/out.har";
  TOnePassRename r;
  const bool took =
      RenameInOnePass(input, output, oldSet, kNewSet, "Mardex", kDateText, FuzzWriteOptions, r);
  const bool succeeds = passed.find(", written ") != std::string::npos;
  size_t left = 0;
  for (const auto& e : fs::directory_iterator(folder)) left += e.path() != output ? 1 : 0;
  const std::string got = FileBytes(output);
  fs::remove_all(folder, ec);
  if (left > 0) fault = "the one pass left a temporary file";
  if (took) {
    const std::string report = Renamed(r.NChanges, r.SetFound ? 1 : 0, r.NHeads);
    if (report != passed) fault = "the one pass reports " + report + " where the run says " + passed;
    if (report == passed && got != expected) fault = "the one pass wrote other bytes";
    return fault.empty();
  }
  if (!got.empty()) fault = "the one pass gave up and left its output";
  if (r.Stop == TOnePassStop::None) fault = "the one pass failed without a reason";
  // It may give up on a run that succeeds only where it cannot tell: a late
  // XX header, or a set of the new name that the store then passes over.
  if (succeeds && r.Stop != TOnePassStop::LateXXHeader && r.Stop != TOnePassStop::NewNameInUse)
    fault = "the one pass gave up on a run that succeeds: " + passed;
  return fault.empty();
}

[[noreturn]] void SetUpFailed(const char* what) {
  std::fprintf(stderr, "fuzz set-up failed: %s\n", what);
  std::abort();
}

}  // namespace

void SetUpOnce() {
  static bool done = false;
  if (done) return;
  done = true;
  OverrideAvailMemKB(FuzzAvailMemKB);
  // In memory where the host has such a folder: every input is a new file.
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path base =
      fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
  std::string dir;
  for (unsigned n = 0; dir.empty() && n < 1000; ++n) {
    const fs::path p =
        base / ("modrask-fuzz-" + std::to_string(std::rand()) + "-" + std::to_string(n));
    if (fs::create_directory(p, ec)) dir = p.string();
  }
  if (dir.empty()) SetUpFailed("no scratch folder");
  TScratch& s = Scratch();
  s.Dir = dir;
  s.Input = dir + "/input.har";
  s.First = dir + "/first.har";
  s.Second = dir + "/second.har";
  s.Third = dir + "/third.har";
  std::vector<std::string> seeds;
  std::string msg;
  std::filesystem::create_directory(dir + "/seeds", ec);
  if (!MakeSeedFiles(dir + "/seeds", seeds, msg) || seeds.empty()) SetUpFailed("no seed files");
  s.Reference = seeds.front();
  std::atexit(RemoveScratch);
}

bool ReadOne(const uint8_t* data, size_t size, std::string& msg) {
  SetUpOnce();
  if (!WriteInput(data, size)) SetUpFailed("cannot write the input file");
  PHarData harData;
  const bool ok = ReadFile(Scratch().Input, harData, msg);
  FreeHarData(harData, TUnwantedMsg());
  return ok;
}

bool RenameOne(const uint8_t* data, size_t size, std::string& fault) {
  SetUpOnce();
  const TScratch& s = Scratch();
  if (!WriteInput(data, size)) SetUpFailed("cannot write the input file");
  ::unlink(s.First.c_str());
  ::unlink(s.Second.c_str());
  ::unlink(s.Third.c_str());
  std::string msg;
  PHarData harData;
  if (!ReadFile(s.Input, harData, msg)) return true;  // a refusal is a sound outcome

  // The rename run's steps; a refusal on the way is sound too.
  PSetStore store;
  bool renamed = StoreHARFileSets(store, harData.get(), true, msg);
  if (renamed) {
    const std::string oldSet = store->Count > 0 ? store->Entries[0]->SetName : "REG";
    renamed = FindSetByName(store.get(), kNewSet) == 0 && CountSetsByName(store.get(), oldSet) <= 1;
    int32_t nChanges = 0;
    renamed = renamed && RenameSetInHar(harData.get(), oldSet, kNewSet, msg, nChanges);
  }
  if (!renamed) return true;
  if (!WriteHarFile(s.First, "Mardex", kDateText, harData.get(), FuzzWriteOptions, msg))
    return true;
  FreeHarData(harData, TUnwantedMsg());

  // What was written must read back and write again to the same bytes. One
  // change is the format's own: an "RE" header whose labels the writer
  // refuses goes out as "RL", which reads back as "RE" with generated labels
  // and is then written with them. So the write after that one must be
  // equal to the one before it, whatever the first was.
  for (int pass = 1; pass <= 2; ++pass) {
    const std::string& from = pass == 1 ? s.First : s.Second;
    if (!ReadFile(from, harData, msg)) {
      fault = "the written file does not read back (pass " + std::to_string(pass) + "): " + msg;
      return false;
    }
    const std::string to = pass == 1 ? s.Second : s.Third;
    if (!WriteHarFile(to, "Mardex", kDateText, harData.get(), FuzzWriteOptions, msg)) {
      fault = "the file read back does not write again (pass " + std::to_string(pass) + "): " + msg;
      return false;
    }
    FreeHarData(harData, TUnwantedMsg());
    const std::string previous = FileBytes(from);
    const std::string next = FileBytes(to);
    if (previous == next) return true;
    if (pass == 2) {
      size_t at = 0;
      while (at < previous.size() && at < next.size() && previous[at] == next[at]) ++at;
      fault = "the third write differs from the second at byte " + std::to_string(at) + " (sizes " +
              std::to_string(previous.size()) + " and " + std::to_string(next.size()) + ")";
      return false;
    }
  }
  return true;
}

bool CompareFileWithOracle(const std::string& input, const std::string& scratch,
                           std::string& fault) {
  const std::string fromMemory = scratch + ".oracle.har";
  const std::string fromFile = scratch + ".file.har";
  ::unlink(fromMemory.c_str());
  ::unlink(fromFile.c_str());
  std::string oldSet;
  const std::string oracle = RenameSteps(input, fromMemory, TValueReading::Decode, oldSet);
  const std::string passed = RenameSteps(input, fromFile, TValueReading::Check, oldSet);
  if (oracle != passed) {
    fault = "the runs end differently:\n  values in memory: " + oracle +
            "\n  values in the file: " + passed;
    return false;
  }
  const std::string expected = FileBytes(fromMemory);
  const std::string got = FileBytes(fromFile);
  ::unlink(fromMemory.c_str());
  ::unlink(fromFile.c_str());
  if (expected == got)
    return CompareOnePass(input, scratch + ".onepass", oldSet, passed, got, fault);
  size_t at = 0;
  while (at < expected.size() && at < got.size() && expected[at] == got[at]) ++at;
  fault = "the outputs differ at byte " + std::to_string(at) + " (sizes " +
          std::to_string(expected.size()) + " and " + std::to_string(got.size()) + ")";
  return false;
}

bool CompareWithOracle(const uint8_t* data, size_t size, std::string& fault) {
  SetUpOnce();
  const TScratch& s = Scratch();
  if (!WriteInput(data, size)) SetUpFailed("cannot write the input file");
  return CompareFileWithOracle(s.Input, s.First, fault);
}

bool InfoOne(const uint8_t* data, size_t size, std::string& fault, int turn) {
  SetUpOnce();
  const TScratch& s = Scratch();
  if (!WriteInput(data, size)) SetUpFailed("cannot write the input file");
  // The listing always, the other commands by turns: each input opens the
  // file only a few times.
  std::vector<std::vector<std::string>> runs{{s.Input}};
  switch (turn >= 0 ? turn : static_cast<int>(size % InfoTurns)) {
    case 0:
      runs.push_back({"--json", s.Input});
      runs.push_back({"sets", s.Input});
      break;
    case 1:
      runs.push_back({"history", s.Input});
      runs.push_back({"diff", s.Reference, s.Input});
      break;
    default: {
      // show and csv of the first headers, when the file reads.
      std::string msg;
      PHarData harData;
      if (harinfo::OpenInfoFile(s.Input, harData, msg)) {
        for (size_t i = 0; i < harData->Heads.size() && i < 2; ++i) {
          runs.push_back({"show", "--json", s.Input, harData->Heads[i]->Name});
          runs.push_back({"csv", s.Input, harData->Heads[i]->Name});
        }
      }
      FreeHarData(harData, TUnwantedMsg());
    }
  }
  for (const auto& args : runs) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = harinfo::RunHarinfo(args, out, err);
    if (code < 0 || code > 2) {
      fault = "harinfo " + args[0] + " ended with exit code " + std::to_string(code);
      return false;
    }
  }
  std::ostringstream out;
  std::ostringstream err;
  if (harinfo::RunHarinfo({"diff", s.Input, s.Input}, out, err) == 1) {
    fault = "the file differs from itself:\n" + out.str();
    return false;
  }
  return true;
}

}  // namespace modrask::fuzz
