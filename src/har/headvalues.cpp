#include "modrask/har/headvalues.h"

#include "modrask/har/ints2i.h"
#include "modrask/har/realread.h"
#include "modrask/support/message.h"

namespace modrask {

bool ReadHeaderValues(THeaderRec* head, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "ReadHeaderValues");
  TValuePlace& place = head->Values;
  if (!place.InFile() || place.Loaded) return true;
  TRecFile& f = *place.File;
  if (!f.IsOpen()) {
    msg = "Values of header " + head->Name + " are out of reach: their file was closed";
    return Tagged(msg, "ReadHeaderValues");
  }
  f.Seek(place.Begin);
  bool ok = false;
  if (head->HeadType == "2I") {
    ok = Get2IData(f, head, place.Flavour, msg);
  } else {
    ok = place.Sparse ? GetRLSparseData(f, head, place.Flavour, msg)
                      : GetRLData(f, head, place.Flavour, msg);
  }
  if (ok && f.Position() != place.End) {
    ok = Fail(msg, "Input file changed since it was read: " + f.Name());
  }
  if (!ok) {
    ReleaseHeaderValues(head);
    return Tagged(msg, "ReadHeaderValues");
  }
  place.Loaded = true;
  return true;
}

bool ReadHeaderValues(THeaderRec* head, const TReadOptions& options, std::string& msg) {
  if (head != nullptr && head->Values.InFile()) head->Values.File->Reading = options;
  return ReadHeaderValues(head, msg);
}

void ReleaseHeaderValues(THeaderRec* head) {
  if (head == nullptr || !head->Values.InFile()) return;
  FreeMat7(head->HeadMat, TUnwantedMsg());
  FreeArr4(head->IntData, head->NRows, head->NCols, TUnwantedMsg());
  head->Values.Loaded = false;
}

}  // namespace modrask
