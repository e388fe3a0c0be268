#include "tidex.h"

#include <algorithm>
#include <utility>

#include "productnames.h"

namespace modrask {

namespace {

void WaitUnderDebugger(std::istream& In, const bool Traced) {
  if (!Traced) return;
  std::string Discarded;
  std::getline(In, Discarded);
}

// Prints Message (if any) and the usage text; returns the exit code of a usage error.
int UsageError(const std::string& Message, std::ostream& Out, std::istream& In, const bool Traced) {
  if (!Message.empty()) Out << "Error: " << Message << '\n';
  Out << "Tidex:  deletes rebuildable products of ZMD files (to save space)\n"
      << "Usage:  TIDEX /D\n"
      << "Action: for each ZMD file in current folder,\n"
      << "   deletes files of same name with the following extensions (suffixes):\n"
      << "     ";
  for (const std::string_view Ext : ProductExts) Out << Ext << ' ';
  Out << '\n'
      << "Option: TIDEX  /S\n"
      << "   Works as above in current folder AND ALL SUBFOLDERS.\n";
  Out.flush();
  WaitUnderDebugger(In, Traced);
  return 1;
}

class TCleanup {
 public:
  TCleanup(TFolderWalk& Walk, std::ostream& Out, const bool Recurse)
      : Walk_(Walk), Out_(Out), Recurse_(Recurse) {}

  // Enters Folder (relative to Came, the current folder), deletes the products of its ZMD
  // files, with Recurse cleans its subfolders, and returns to Came. A folder that cannot
  // be entered or read is passed over silently. False when the way back to Came failed:
  // the walk must then stop, since every further name would be taken in a wrong folder.
  bool CleanFolder(const std::string& Folder, const std::string& Came);

  int NDeleted() const { return NDeleted_; }

 private:
  void DeleteProducts(const std::string& Cur, std::vector<TFolderEntry>& Entries);
  bool CleanSubfolders(const std::string& Cur, const std::vector<TFolderEntry>& Entries);
  bool ReturnTo(const std::string& Came);

  TFolderWalk& Walk_;
  std::ostream& Out_;
  const bool Recurse_;
  int NDeleted_ = 0;
  int Depth_ = 0;
};

bool TCleanup::CleanFolder(const std::string& Folder, const std::string& Came) {
  ++Depth_;
  if (!Walk_.SetCurrentFolder(Folder)) {
    --Depth_;
    return true;
  }
  std::string Cur;
  std::vector<TFolderEntry> Entries;
  bool Ok = true;
  if (Walk_.GetCurrentFolder(Cur)) {
    Walk_.ListEntries(Entries);  // an unreadable folder lists nothing, which is no error
    // Sorted by name so that the order of deletions and of the walk does not depend on
    // the host's listing order.
    std::sort(Entries.begin(), Entries.end(),
              [](const TFolderEntry& A, const TFolderEntry& B) { return A.Name < B.Name; });
    DeleteProducts(Cur, Entries);
    if (Recurse_) Ok = CleanSubfolders(Cur, Entries);
  }
  if (Ok && Depth_ > 1) Ok = ReturnTo(Came);
  --Depth_;
  return Ok;
}

// Products are found in the one listing of the folder, by upper-case name, so that every
// case variant of a product name is found and the work stays n log n in the folder size.
void TCleanup::DeleteProducts(const std::string& Cur, std::vector<TFolderEntry>& Entries) {
  std::vector<std::pair<std::string, std::size_t>> Files;  // upper-case name, index
  for (std::size_t I = 0; I < Entries.size(); ++I) {
    if (Entries[I].Kind == TEntryKind::File) Files.emplace_back(UpperAscii(Entries[I].Name), I);
  }
  std::sort(Files.begin(), Files.end());
  std::vector<bool> Gone(Entries.size(), false);
  for (std::size_t Z = 0; Z < Entries.size(); ++Z) {
    if (Entries[Z].Kind != TEntryKind::File || !IsZmdName(Entries[Z].Name)) continue;
    for (const std::string_view Ext : ProductExts) {
      const std::string Key = ProductKey(Entries[Z].Name, Ext);
      auto It = std::lower_bound(Files.begin(), Files.end(), std::make_pair(Key, std::size_t{0}));
      for (; It != Files.end() && It->first == Key; ++It) {
        const std::size_t P = It->second;
        if (Gone[P]) continue;
        const std::string Target = JoinFolderPath(Cur, Entries[P].Name);
        if (Walk_.DeleteFile(Entries[P].Name)) {
          Gone[P] = true;
          Out_ << "Deleting: " << Target << '\n';
          ++NDeleted_;
        } else {
          Out_ << "Could not delete: " << Target << '\n';
        }
      }
    }
  }
}

bool TCleanup::CleanSubfolders(const std::string& Cur, const std::vector<TFolderEntry>& Entries) {
  for (const TFolderEntry& E : Entries) {
    if (Depth_ >= MaxDepth) break;
    if (E.Kind != TEntryKind::Folder || E.Name.empty() || E.Name[0] == '.') continue;
    if (!CleanFolder(E.Name, Cur)) return false;
  }
  return true;
}

bool TCleanup::ReturnTo(const std::string& Came) {
  if (Walk_.SetCurrentFolder(Came)) return true;
  Out_ << "Could not return to folder: " << Came << '\n';
  return false;
}

}  // namespace

int RunTidex(const std::vector<std::string>& Args, std::ostream& Out, std::istream& In,
             const bool Traced, TFolderWalk& Walk) {
  if (Args.size() != 1) return UsageError("expected /D or /S parameter", Out, In, Traced);
  const std::string Opt = UpperAscii(Args[0]);
  if (Opt != "/D" && Opt != "/S") return UsageError("expected /D or /S parameter", Out, In, Traced);
  const bool Recurse = Opt == "/S";

  std::string StartDir;
  const bool HaveStart = Walk.GetCurrentFolder(StartDir);
  TCleanup Cleanup(Walk, Out, Recurse);
  const bool Ok = Cleanup.CleanFolder(".", StartDir);
  Out << Cleanup.NDeleted() << " files deleted.\n";
  if (HaveStart) Walk.SetCurrentFolder(StartDir);
  Out.flush();
  WaitUnderDebugger(In, Traced);
  return Ok ? 0 : 1;
}

}  // namespace modrask
