#include "harinfo/cellvalues.h"

#include <algorithm>

#include "modrask/har/headvalues.h"
#include "modrask/har/realread.h"
#include "harinfo/dimlabels.h"

namespace modrask::harinfo {

TCellValues::~TCellValues() {
  if (head_ != nullptr) ReleaseHeaderValues(head_);
}

bool TCellValues::Load(THeaderRec* head, std::string& msg) {
  if (head->HeadType == "1C") return true;
  TReadOptions stored;
  stored.KeepNonFinite = true;  // NaN and the infinities as stored
  if (!ReadHeaderValues(head, stored, msg)) return false;
  head_ = head;
  if (head->HeadType == "2I") {
    if (head->IntData == nullptr) return true;
    ints_ = head->IntData.get();
    rows_ = std::max(head->NRows, 0);
    count_ = int64_t{rows_} * std::max(head->NCols, 0);
    return true;
  }
  if (head->HeadMat.Root == nullptr) return true;
  reals_ = head->HeadMat.Root->data();
  count_ = static_cast<int64_t>(head->HeadMat.Root->size());
  return true;
}

int32_t TCellValues::IntAt(int64_t p) const {
  const auto r = static_cast<int32_t>(p % rows_) + 1;
  const auto c = static_cast<int32_t>(p / rows_) + 1;
  return ints_->At(r, c);
}

double TCellValues::At(int64_t p) const {
  return ints_ != nullptr ? static_cast<double>(IntAt(p)) : static_cast<double>(reals_[p]);
}

}  // namespace modrask::harinfo
