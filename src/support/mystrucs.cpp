// Checked allocation, the string vector and the integer matrix.
#include "modrask/support/mystrucs.h"

#include <algorithm>
#include <string>

namespace modrask {

bool SafeGetMem(TBlock& p, int64_t size, std::string& msg) {
  if (p != nullptr) {
    p.reset();
    msg = "pointer should be nil";
    return Tagged(msg, "SafeGetMem");
  }
  if (size < 0) {
    msg = "Size<0";
    return Tagged(msg, "SafeGetMem");
  }
  if (size == 0) return true;
  // make_unique of an array value-initialises: the block is zero-filled.
  return CheckedAlloc([&] { p = std::make_unique<uint8_t[]>(static_cast<size_t>(size)); }, msg);
}

bool SafeFreeMem(TBlock& p, int64_t /*size*/, std::string& /*msg*/) {
  p.reset();
  return true;
}

bool ChkNElm(int64_t count, int64_t max, std::string_view name, std::string& msg) {
  if (count <= max) return false;
  msg = "NElm(" + std::to_string(count) + ")>";
  msg.append(name).append("(").append(std::to_string(max)).append(")");
  return true;
}

bool SetPStr(std::string& s, std::string_view src, std::string& /*msg*/) {
  s.assign(src);
  return true;
}

bool AllocPStrVec(PStrVec& v, int32_t n, std::string& msg) {
  if (ChkNElm(n, MaxPtr, "MaxPtr", msg)) return false;
  if (v != nullptr) {
    v.reset();
    msg = "pointer should be nil";
    Tagged(msg, "SafeGetMem");
    return Tagged(msg, "AllocPStrVec");
  }
  if (n < -1) {
    msg = "Size<0";
    Tagged(msg, "SafeGetMem");
    return Tagged(msg, "AllocPStrVec");
  }
  if (n == -1) return true;
  if (!CheckedAlloc(
          [&] { v = std::make_unique<std::vector<std::string>>(static_cast<size_t>(n) + 1); },
          msg)) {
    v.reset();
    return Tagged(msg, "AllocPStrVec");
  }
  return true;
}

bool FreePStrVec(PStrVec& v, int32_t /*n*/, std::string& /*msg*/) {
  v.reset();
  return true;
}

bool AddToPStrVec(PStrVec& v, std::string_view s, int32_t n, std::string& msg) {
  // The new last index n+1 must pass the same checks as a fresh vector.
  if (ChkNElm(static_cast<int64_t>(n) + 1, MaxPtr, "MaxPtr", msg))
    return Tagged(msg, "AddToPStrVec");
  if (n < -1) {
    msg = "Size<0";
    Tagged(msg, "SafeGetMem");
    Tagged(msg, "AllocPStrVec");
    return Tagged(msg, "AddToPStrVec");
  }
  if (v == nullptr && n >= 0) {
    NilPtrError(v, msg);
    return Tagged(msg, "AddToPStrVec");
  }
  const size_t slots = static_cast<size_t>(n) + 1;
  const bool ok = CheckedAlloc(
      [&] {
        if (v == nullptr) {
          auto fresh = std::make_unique<std::vector<std::string>>();
          fresh->emplace_back(s);
          v = std::move(fresh);
        } else if (v->size() == slots) {
          v->emplace_back(s);  // amortised growth; unchanged if it throws
        } else {
          // The vector does not hold n+1 slots: rebuild it with exactly n+2.
          auto fresh = std::make_unique<std::vector<std::string>>(slots + 1);
          const size_t keep = std::min(slots, v->size());
          std::copy_n(v->begin(), keep, fresh->begin());
          (*fresh)[slots].assign(s);
          v = std::move(fresh);
        }
      },
      msg);
  if (!ok) return Tagged(msg, "AddToPStrVec");
  return true;
}

bool DupePStrVec(const PStrVec& src, PStrVec& dest, int32_t& maxLen, int32_t n, std::string& msg) {
  maxLen = 1;
  if (NilPtrError(src, msg)) {
    maxLen = 0;
    return Tagged(msg, "DupePStrVec");
  }
  if (NonNilPtrError(dest, msg)) return Tagged(msg, "DupePStrVec");
  if (!AllocPStrVec(dest, n, msg)) return Tagged(msg, "DupePStrVec");
  if (n < 0) return true;
  // Slots the source does not have stay empty rather than being read past its end.
  const size_t count = std::min(static_cast<size_t>(n) + 1, src->size());
  const bool ok = CheckedAlloc(
      [&] {
        for (size_t i = 0; i < count; ++i) {
          (*dest)[i] = (*src)[i];
          maxLen =
              std::max(maxLen, static_cast<int32_t>(std::min<size_t>((*src)[i].size(), INT32_MAX)));
        }
      },
      msg);
  if (!ok) {
    dest.reset();
    return Tagged(msg, "DupePStrVec");
  }
  return true;
}

bool CheckArr4(int32_t maxRow, int32_t maxCol, std::string& msg) {
  if (ChkNElm(maxRow, MaxPtr, "MaxPtr", msg)) return false;
  if (ChkNElm(maxCol, MaxCol, "MaxCol", msg)) return false;
  if (maxRow < -1 || (maxRow >= 0 && maxCol < -1)) {
    msg = "Size<0";
    return Tagged(msg, "SafeGetMem");
  }
  return true;
}

bool AllocArr4(TArr4& a, int32_t maxRow, int32_t maxCol, std::string& msg) {
  if (ChkNElm(maxRow, MaxPtr, "MaxPtr", msg)) return false;
  if (ChkNElm(maxCol, MaxCol, "MaxCol", msg)) return false;
  if (a != nullptr) {
    a.reset();
    msg = "pointer should be nil";
    return Tagged(msg, "SafeGetMem");
  }
  if (!CheckArr4(maxRow, maxCol, msg)) return false;
  if (maxRow == -1) return true;
  const size_t cells = (static_cast<size_t>(maxRow) + 1) * static_cast<size_t>(maxCol + 1);
  if (!CheckedAlloc(
          [&] {
            auto block = std::make_unique<TArr4Block>();
            block->MaxRow = maxRow;
            block->MaxCol = maxCol;
            block->Cells.assign(cells, 0);
            a = std::move(block);
          },
          msg)) {
    a.reset();
    return false;
  }
  return true;
}

bool FreeArr4(TArr4& a, int32_t /*maxRow*/, int32_t /*maxCol*/, std::string& /*msg*/) {
  a.reset();
  return true;
}

}  // namespace modrask
