#include "mardex/rename_run.h"

#include <ostream>

#include "mardex/HarUtil.h"
#include "modrask/har/harread.h"
#include "modrask/har/harwrite.h"
#include "modrask/har/realwrite.h"
#include "modrask/records/lheyfile.h"
#include "modrask/sets/SetStore.h"
#include "modrask/sets/harsets.h"
#include "modrask/sets/renamepass.h"
#include "modrask/sets/renameset.h"
#include "modrask/support/mhUtil.h"
#include "modrask/support/names.h"

namespace modrask {

namespace {

constexpr char DQ = '"';
constexpr const char* FlavourGap = "     flavour: ";

// The four arguments, as typed.
struct TMardexArgs {
  std::string OldFile;
  std::string NewFile;
  std::string OldSet;
  std::string NewSet;
};

// The argument checks, in their order; 0 when the run may go on, else the
// exit code of the error already printed.
int CheckArguments(const std::vector<std::string>& args, TMardexArgs& a, std::ostream& out) {
  if (args.size() > 4) return ErrorExit(out, "Too many parameters - 4 only are needed");
  if (args.size() < 4) return ErrorExit(out, "Too few parameters - 4 are needed");
  a = TMardexArgs{args[0], args[1], args[2], args[3]};
  if (!IsExistingFile(a.OldFile)) return ErrorExit(out, "Cannot locate file: " + a.OldFile);
  std::string msg;
  if (!CheckSetName(a.NewSet, msg)) {
    return ErrorExit(out, DQ + a.NewSet + DQ + " is not a legal set name: \r\n" + msg);
  }
  return ExitSuccess;
}

}  // namespace

bool OpenHarFile(std::ostream& out, PHarData& harData, const std::string& fileName,
                 std::string& msg) {
  if (!IsExistingFile(fileName)) {
    out << "Input file " << DQ << fileName << DQ << " does not exist." << '\n';
    return false;
  }
  if (!IsLaheyFile(fileName, msg)) {
    out << "Input file " << DQ << fileName << DQ << " is not a Header Array file." << '\n';
    return false;
  }
  bool skippedAny = false;
  // The values are checked as they are read but stay in the file: the
  // writer copies those it would write again as they lie.
  if (!ReadHarFile(fileName, harData, false, false, TValueReading::Check, skippedAny, msg)) {
    out << "Error reading input file " << DQ << fileName << DQ << ". Error message is:" << '\n';
    out << msg << '\n';
    return false;
  }
  out << "Opened HAR file " << fileName << FlavourGap << FlavourName(harData->Flavour) << '\n';
  return true;
}

namespace {

void ReportTransfer(std::ostream& out, int32_t nHeads, TFileFlavour flavour,
                    const std::string& fileName) {
  out << nHeads << " headers transferred to new file " << fileName << FlavourGap
      << FlavourName(flavour) << '\n';
}

}  // namespace

void ReportTransfer(std::ostream& out, const THarData& harData, const std::string& fileName) {
  ReportTransfer(out, harData.NHeads(), harData.Flavour, fileName);
}

TMardexOptions MardexStartOptions() {
  TMardexOptions options;
  options.Write.SparseThreshold = UserSparseThreshold();
  return options;
}

namespace {

// The lines that end a run that wrote the output.
int SuccessExit(std::ostream& out, const TMardexArgs& a, int32_t nHeads, TFileFlavour flavour,
                int32_t nChanges, uint32_t startTick) {
  ReportTransfer(out, nHeads, flavour, a.NewFile);
  out << "There were " << nChanges << " set name changes from " << DQ << a.OldSet << DQ << " to "
      << DQ << a.NewSet << DQ << '\n';
  ElapsedTime(startTick, "total execution time", out);
  ClosingPrompt(out);
  return ExitSuccess;
}

void WarnNoSet(std::ostream& out, const TMardexArgs& a) {
  out << "WARNING: file contains no set called " << DQ << a.OldSet << DQ << '\n';
}

// The run that reads the whole file before it writes: the judge of every
// failure, with its messages in their order.
int RunWholeFile(const TMardexArgs& a, const TWriteOptions& options, uint32_t startTick,
                 std::ostream& out) {
  std::string errMsg;
  PHarData harData;
  if (!OpenHarFile(out, harData, a.OldFile, errMsg)) return UsageExit(out);

  PSetStore store;
  if (!StoreHARFileSets(store, harData.get(), true, errMsg)) return LateFailureExit(out, errMsg);
  if (FindSetByName(store.get(), a.NewSet) > 0) {
    return ErrorExit(out, "Sorry, file already contains a set called " + (DQ + a.NewSet + DQ));
  }
  const int32_t nFound = CountSetsByName(store.get(), a.OldSet);
  if (nFound < 1) {
    WarnNoSet(out, a);
  } else if (nFound > 1) {
    // The sets differ in size; the message says 2 however many there are.
    return ErrorExit(out, "Sorry, file contains 2 DIFFERENT sets called " + (DQ + a.OldSet + DQ));
  }

  int32_t nChanges = 0;
  if (!RenameSetInHar(harData.get(), a.OldSet, a.NewSet, errMsg, nChanges)) {
    return LateFailureExit(out, errMsg);
  }
  // The writer puts the new file in place only once it is whole, so an
  // output that names the input replaces it only on success.
  if (!WriteHarFile(a.NewFile, "Mardex", LocalTimeText(), harData.get(), options, errMsg)) {
    return LateFailureExit(out, errMsg);
  }

  return SuccessExit(out, a, harData->NHeads(), harData->Flavour, nChanges, startTick);
}

}  // namespace

int RunMardex(const std::vector<std::string>& args, std::ostream& out) {
  return RunMardex(args, TMardexOptions(), out);
}

int RunMardex(const std::vector<std::string>& args, const TMardexOptions& options,
              std::ostream& out) {
  uint32_t startTick = 0;
  ElapsedTime(startTick, "", out);

  TMardexArgs a;
  if (const int code = CheckArguments(args, a, out); code != ExitSuccess) return code;

  // A rename that reads the file once, and prints what the whole-file run
  // prints on success; any failure or refusal leaves nothing, and the
  // whole-file run then tells what it is.
  TOnePassRename r;
  if (!options.OnePass || !RenameInOnePass(a.OldFile, a.NewFile, a.OldSet, a.NewSet, "Mardex",
                                           LocalTimeText(), options.Write, r))
    return RunWholeFile(a, options.Write, startTick, out);
  out << "Opened HAR file " << a.OldFile << FlavourGap << FlavourName(r.ReadFlavour) << '\n';
  if (!r.SetFound) WarnNoSet(out, a);
  return SuccessExit(out, a, r.NHeads, r.WrittenFlavour, r.NChanges, startTick);
}

}  // namespace modrask
