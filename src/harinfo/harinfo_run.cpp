#include "harinfo/harinfo_run.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "harinfo/cmdline.h"
#include "harinfo/csvout.h"
#include "harinfo/diffprint.h"
#include "harinfo/folderprint.h"
#include "harinfo/hardiff.h"
#include "harinfo/historyinfo.h"
#include "harinfo/infofile.h"
#include "harinfo/listing.h"
#include "harinfo/setsinfo.h"
#include "harinfo/showheader.h"
#include "harinfo/viewserver.h"

namespace modrask::harinfo {

namespace {

int Unreadable(std::ostream& err, const std::string& fileName, const std::string& msg) {
  return Trouble(err, fileName + ": " + msg);
}

int NotOpened(std::ostream& err, const std::string& fileName, const std::string& msg) {
  return Unreadable(err, fileName, PlainReadError(fileName, msg));
}

// Two folders, or two files (a folder against a file is "is a folder").
int RunDiff(const TInfoArgs& a, std::ostream& out, std::ostream& err) {
  const std::string& oldName = a.Operands[0];
  const std::string& newName = a.Operands[1];
  std::error_code ec;
  const bool oldDir = std::filesystem::is_directory(oldName, ec);
  const bool newDir = std::filesystem::is_directory(newName, ec);
  if (oldDir && newDir) {
    return RunFolderDiff(oldName, newName, {a.Recursive, a.Detail, a.All, a.Json, a.Diff}, out,
                         err);
  }
  const std::string& other = oldDir ? newName : oldName;
  if ((oldDir || newDir) && !std::filesystem::exists(other, ec)) {
    return Trouble(err, other + ": no such file or folder");
  }
  if (a.Recursive || a.Detail) return Trouble(err, "--recursive and --detail apply to folders");
  std::string msg;
  PHarData oldData;
  if (!OpenInfoFile(oldName, oldData, msg)) return NotOpened(err, oldName, msg);
  PHarData newData;
  if (!OpenInfoFile(newName, newData, msg)) return NotOpened(err, newName, msg);
  TDiffOptions options = a.Diff;
  // Every differing cell goes out as it is found, before the headers'
  // lines: memory stays that of one header's values.
  bool first = true;
  if (options.Cells == AllCells) {
    if (a.Json) {
      out << "{\"cells\":[";
      options.Sink = [&out, &first](const std::string& head, const TCellDiff& c) {
        out << (first ? "" : ",") << CellJson(head, c).dump(-1, ' ', false,
                                                             TJson::error_handler_t::replace);
        first = false;
      };
    } else {
      PrintDiffHeading(out, oldName, newName);
      options.Sink = [&out](const std::string& head, const TCellDiff& c) {
        out << CellLine(head, c) << '\n';
      };
    }
  }
  TFileDiff diff;
  if (!DiffHarFiles(*oldData, *newData, options, diff, msg)) return Trouble(err, msg);
  if (a.Json && options.Sink) {
    out << "]," << DiffJson(diff, oldName, newName).dump(-1, ' ', false,
                                                          TJson::error_handler_t::replace)
                       .substr(1)
        << '\n';
  } else if (a.Json) {
    PrintDiffJson(out, diff, oldName, newName);
  } else if (options.Sink) {
    PrintDiffBody(out, diff, a.All);
  } else {
    PrintDiff(out, diff, oldName, newName, a.All);
  }
  return diff.Equal() ? ExitSame : ExitDiffer;
}

// show and csv: one header's values.
int RunHeader(const TInfoArgs& a, THarData& harData, std::ostream& out, std::ostream& err) {
  const std::string& fileName = a.Operands[0];
  THeaderRec* head = FindInfoHeader(harData, a.Operands[1]);
  if (head == nullptr) return Trouble(err, fileName + ": no header " + a.Operands[1]);
  std::string msg;
  const bool ok = a.Command == TCommand::Show ? PrintHeader(out, head, a.Json, msg)
                                              : WriteHeaderCsv(out, head, a.NonZero, false, msg);
  return ok ? ExitSame : Unreadable(err, fileName, msg);
}

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TInfoArgs a;
  if (const int code = ParseInfoArgs(args, a, out, err); code >= 0) return code;
  if (a.Command == TCommand::Diff) return RunDiff(a, out, err);
  if (a.Command == TCommand::View) {
    return RunView({a.Operands, a.Port < 0 ? 0 : a.Port, !a.NoBrowser}, out, err);
  }
  const std::string& fileName = a.Operands[0];
  std::string msg;
  PHarData harData;
  if (!OpenInfoFile(fileName, harData, msg)) return NotOpened(err, fileName, msg);
  if (a.Command == TCommand::Show || a.Command == TCommand::Csv) {
    return RunHeader(a, *harData, out, err);
  }
  if (a.Command == TCommand::Sets) {
    if (!PrintSets(out, *harData, a.Json, msg)) return Unreadable(err, fileName, msg);
  } else if (a.Command == TCommand::History) {
    PrintHistory(out, *harData, a.Json);
  } else {
    PrintListing(out, *harData, fileName, a.Json);
  }
  return ExitSame;
}

}  // namespace

int RunHarinfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  errno = 0;
  const int code = RunCommand(args, out, err);
  out.flush();
  if (out) return code;
  const int reason = errno;
  // A reader that went away (harinfo csv ... | head) wanted no more: end
  // quietly, as tools killed by SIGPIPE do.
  if (reason == EPIPE) return ExitTrouble;
  return Trouble(err, std::string("write error: ") +
                          (reason != 0 ? std::strerror(reason) : "output stream failed"));
}

}  // namespace modrask::harinfo
