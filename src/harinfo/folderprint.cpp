#include "harinfo/folderprint.h"

#include <ostream>

#include "harinfo/diffprint.h"
#include "harinfo/infofile.h"
#include "harinfo/jsonout.h"

namespace modrask::harinfo {

namespace {

std::string Count(int64_t n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string Listed(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : " ") + n;
  return s;
}

}  // namespace

std::string FolderSummary(const TFolderDiff& d) {
  std::string s = d.Equal() ? "the folders hold the same Header Array files, "
                            : std::string();
  s += Count(d.Compared, "file", "files") + " compared";
  if (d.Differing > 0) s += ", " + Count(d.Differing, "differs", "differ");
  if (d.Unreadable > 0) s += ", " + Count(d.Unreadable, "file", "files") + " not readable";
  if (!d.OnlyOld.empty()) {
    s += ", " + Count(static_cast<int64_t>(d.OnlyOld.size()), "file", "files") + " only in OLD";
  }
  if (!d.OnlyNew.empty()) {
    s += ", " + Count(static_cast<int64_t>(d.OnlyNew.size()), "file", "files") + " only in NEW";
  }
  if (d.Ignored > 0) s += ", " + Count(d.Ignored, "other file", "other files") + " ignored";
  return s;
}

int RunFolderDiff(const std::string& oldDir, const std::string& newDir, const TFolderPrint& p,
                  std::ostream& out, std::ostream& err) {
  if (!p.Json) out << "OLD " << oldDir << '\n' << "NEW " << newDir << '\n';
  TJson files = TJson::array();
  const auto onFile = [&](const TFolderFile& f) {
    if (!f.Read) {
      Trouble(err, f.Error);
      if (p.Json) files.push_back({{"name", f.Name}, {"equal", nullptr}, {"error", f.Error}});
      if (!p.Json) out << f.Name << ": not compared: " << f.Error << '\n';
      return;
    }
    const bool equal = f.Diff.Equal();
    if (p.Json) {
      files.push_back({{"name", f.Name},
                       {"equal", equal},
                       {"diff", DiffJson(f.Diff, InFolder(oldDir, f.Name),
                                         InFolder(newDir, f.Name))}});
    } else if (p.Detail && (!equal || p.All)) {
      PrintDiff(out, f.Diff, InFolder(oldDir, f.Name), InFolder(newDir, f.Name), p.All);
    } else if (!equal || p.All) {
      out << f.Name << ": " << (equal ? "equal" : DiffSummary(f.Diff)) << '\n';
    }
  };
  TFolderDiff d;
  std::string msg;
  if (!DiffFolders(oldDir, newDir, p.Recursive, p.Options, onFile, d, msg)) {
    return Trouble(err, msg);
  }
  if (p.Json) {
    TJson j = ComparedJson(oldDir, newDir, d.Equal(), d.OnlyOld, d.OnlyNew);
    j["files"] = std::move(files);
    j["files_compared"] = d.Compared;
    j["files_differing"] = d.Differing;
    j["files_unreadable"] = d.Unreadable;
    j["other_files_ignored"] = d.Ignored;
    j["summary"] = FolderSummary(d);
    PrintJson(out, j);
  } else {
    if (!d.OnlyOld.empty()) out << "Only in OLD: " << Listed(d.OnlyOld) << '\n';
    if (!d.OnlyNew.empty()) out << "Only in NEW: " << Listed(d.OnlyNew) << '\n';
    out << "Summary: " << FolderSummary(d) << '\n';
  }
  if (d.Unreadable > 0) return ExitTrouble;
  return d.Equal() ? ExitSame : ExitDiffer;
}

}  // namespace modrask::harinfo
