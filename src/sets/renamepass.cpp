#include "modrask/sets/renamepass.h"

#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "modrask/har/harread.h"
#include "modrask/har/harwrite.h"
#include "modrask/har/history.h"
#include "modrask/sets/SetStore.h"
#include "modrask/sets/harsets.h"
#include "modrask/sets/renameset.h"
#include "modrask/sets/settext.h"
#include "modrask/support/memstat.h"
#include "modrask/support/mhUtil.h"
#include "modrask/support/mystrucs.h"
#include "modrask/support/names.h"

namespace modrask {

namespace {

// The names a rename or the writer change in a header, as they were read:
// the set store is built from the file as read, after its headers have gone
// out renamed. Only a character header's long name is renamed or looked at.
class TNamesAsRead {
 public:
  explicit TNamesAsRead(const THeaderRec& h) : name_(h.Name), setNames_(h.SetNames) {
    if (h.HeadType == "1C") longName_ = h.LongName;
  }
  void Restore(THeaderRec& h) {
    h.Name = std::move(name_);
    h.SetNames = std::move(setNames_);
    if (h.HeadType == "1C") h.LongName = std::move(longName_);
  }

 private:
  std::string name_;
  std::array<std::string, 8> setNames_;
  std::string longName_;
};

class TOnePass {
 public:
  TOnePass(const std::string& oldName, const std::string& newName, const std::string& progName,
           const std::string& dateText, const TWriteOptions& options, TOnePassRename& result)
      : oldName_(oldName),
        oldUp_(UpperAscii(oldName)),
        newName_(newName),
        progName_(progName),
        dateText_(dateText),
        options_(options),
        result_(result) {}

  bool Run(const std::string& input, const std::string& output);

 private:
  bool ReadAndWrite();
  bool WriteLead();
  bool WriteRenamed(THeaderRec& h);
  bool Refused();

  const std::string& oldName_;
  const std::string oldUp_;
  const std::string& newName_;
  const std::string& progName_;
  const std::string& dateText_;
  const TWriteOptions& options_;
  TOnePassRename& result_;
  std::shared_ptr<TRecFile> in_ = std::make_shared<TRecFile>();
  TRecFile out_;
  THarData harData_;
  std::string msg_;  // never shown: the whole-file run tells what failed
};

bool TOnePass::Run(const std::string& input, const std::string& output) {
  result_.Stop = TOnePassStop::Failure;
  // The whole-file run's checks before it reads, in its order.
  if (!CheckSetName(newName_, msg_) || !IsLaheyFile(input, msg_)) return false;
  const TAvailMemScope memScope;
  const int32_t sizeKB = FileSizeKB(input);
  if (sizeKB < 0 || sizeKB > AvailMemKB()) return false;
  TFileFlavour flavour = TFileFlavour::OldLahey;
  if (!OpenLaheyFile(*in_, input, flavour, msg_)) return false;
  harData_.Flavour = flavour;
  result_.ReadFlavour = flavour;
  result_.WrittenFlavour = WrittenFlavour(options_, flavour);
  bool ok = CreateLaheyFile(out_, output, result_.WrittenFlavour, options_, msg_) &&
            ReadAndWrite() && !Refused();
  // The input is closed first, so that the output may take its name on a
  // host where an open file cannot be replaced.
  CloseLaheyFile(*in_);
  ok = ok && FinishLaheyFile(out_, msg_);
  if (!ok) {
    if (out_.IsOpen()) AbandonLaheyFile(out_);
    return false;
  }
  result_.NHeads = harData_.NHeads();
  result_.Stop = TOnePassStop::None;
  return true;
}

// Header after header: those whose names begin with XX are kept until the
// first other one, since they go out first; every other is written as soon
// as it is read.
bool TOnePass::ReadAndWrite() {
  bool leadWritten = false;
  for (;;) {
    PHeaderRec head;
    bool found = false;
    bool skipped = false;
    if (!ReadNextHeader(in_, result_.ReadFlavour, false, TValueReading::Check, head, found, skipped,
                        msg_))
      return false;
    if (!found) break;
    const bool xx = IsXXHead(head.get());
    if (xx && leadWritten) {
      result_.Stop = TOnePassStop::LateXXHeader;
      return false;
    }
    // A set of the new name is almost always a refusal: found early, it
    // costs no pass over the rest. The special headers hold no sets.
    if (!IsSpecialHeaderName(head->Name) && HeaderNamesSet(*head, newName_)) {
      result_.Stop = TOnePassStop::NewNameInUse;
      return false;
    }
    if (!FileHeader(harData_, std::move(head), msg_)) return false;
    if (xx) continue;
    if (!leadWritten && !WriteLead()) return false;
    leadWritten = true;
    // The writer may read the header's values again, from where it likes.
    const int64_t next = in_->Position();
    if (!WriteRenamed(*harData_.Heads.back())) return false;
    in_->Seek(next);
  }
  return leadWritten || WriteLead();
}

// What the whole-file run does once the file is read and the headers are
// renamed, up to the ordinary headers that do not begin with XX: the file
// completed after reading, the history line, the file completed again by the
// writer, the stamps and the leading headers.
bool TOnePass::WriteLead() {
  if (!CompleteHarFile(&harData_, false, msg_)) return false;
  // The ordinary XX headers lead Heads; the header that ends them, if any,
  // is renamed as it is written.
  std::vector<TNamesAsRead> asRead;
  size_t nXX = 0;
  while (nXX < harData_.Heads.size() && IsXXHead(harData_.Heads[nXX].get())) ++nXX;
  asRead.reserve(nXX);
  for (size_t i = 0; i < nXX; ++i) {
    asRead.emplace_back(*harData_.Heads[i]);
    if (!RenameSetInHeader(*harData_.Heads[i], oldUp_, newName_, result_.NChanges, msg_))
      return false;
  }
  if (!AddHistoryLines(&harData_, {RenameHistoryLine(oldName_, newName_)}, msg_)) return false;
  if (!CompleteHarFile(&harData_, false, msg_)) return false;
  harData_.Flavour = result_.WrittenFlavour;
  const int64_t next = in_->Position();
  if (!WriteLeadingHeaders(out_, progName_, dateText_, harData_, result_.WrittenFlavour, msg_))
    return false;
  in_->Seek(next);
  for (size_t i = 0; i < asRead.size(); ++i) asRead[i].Restore(*harData_.Heads[i]);
  return true;
}

bool TOnePass::WriteRenamed(THeaderRec& h) {
  TNamesAsRead asRead(h);
  std::string badName;
  if (!RenameSetInHeader(h, oldUp_, newName_, result_.NChanges, msg_) ||
      !NormaliseHeaderName(h, badName, msg_) ||
      !WriteOrdinaryHeader(out_, &h, result_.WrittenFlavour, msg_))
    return false;
  asRead.Restore(h);
  return true;
}

// The checks of the whole file that the output already written must pass:
// distinct header names, then the set store and the rename's refusals.
bool TOnePass::Refused() {
  std::string dupName;
  int32_t pos1 = 0;
  int32_t pos2 = 0;
  if (FindDuplicateHeader(harData_, dupName, pos1, pos2)) return true;
  PSetStore store;
  if (!StoreHARFileSets(store, &harData_, true, msg_)) return true;
  if (FindSetByName(store.get(), newName_) > 0) return true;
  const int32_t nFound = CountSetsByName(store.get(), oldName_);
  result_.SetFound = nFound == 1;
  return nFound > 1;
}

}  // namespace

bool RenameInOnePass(const std::string& input, const std::string& output,
                     const std::string& oldName, const std::string& newName,
                     const std::string& progName, const std::string& dateText,
                     const TWriteOptions& options, TOnePassRename& result) {
  result = TOnePassRename{};
  TOnePass pass(oldName, newName, progName, dateText, options, result);
  return pass.Run(input, output);
}

}  // namespace modrask
