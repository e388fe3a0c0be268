// Character headers: reading strings from any number of 1C data records and
// writing them in as few records as the record limit allows.
#include "modrask/har/chars1c.h"

#include <algorithm>
#include <cstring>

#include "modrask/har/descriptor.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/blanks.h"
#include "modrask/support/coding.h"
#include "modrask/support/message.h"

namespace modrask {
namespace {

// Structure of a 1C data record: RecsLeft, NTot, NHere.
constexpr int32_t StrucSiz1C = 12;
// Record data bytes ahead of the strings: the blank head and the structure.
constexpr int32_t Overhead1C = LenHead + StrucSiz1C;

// Reads the records of one header into v, which holds slots 0..total so far.
bool ReadStringRecords(TRecFile& f, std::vector<std::string>& v, int32_t n, int32_t l,
                       TFileFlavour flavour, std::string& msg) {
  int64_t total = 0;
  for (;;) {
    const uint8_t* struc = nullptr;
    const uint8_t* elms = nullptr;
    int32_t nElms = 0;
    if (!GetRecBuf(f, struc, StrucSiz1C, elms, nElms, l, flavour, msg)) return false;
    const int32_t recsLeft = DecodeInt32(struc);
    const int32_t nTot = DecodeInt32(struc + 4);
    const int32_t nHere = DecodeInt32(struc + 8);
    if (nTot != n) return Fail(msg, "Unexpected number of strings in record");
    if (nElms != nHere) return Fail(msg, "1C record wrong length");
    if (total + nHere > n) return Fail(msg, "Too many strings in 1C record");
    const char* chars = reinterpret_cast<const char*>(elms);
    if (!CheckedAlloc(
            [&] {
              // Room for the record's strings at once (nHere is bounded by
              // the record's length), growing at least twice as fast.
              if (v.capacity() - v.size() < static_cast<size_t>(nHere))
                v.reserve(std::max(v.size() + static_cast<size_t>(nHere), 2 * v.capacity()));
              for (int32_t j = 0; j < nHere; ++j) {
                v.emplace_back(TrimTrailingBlanks(std::string_view(chars + int64_t{j} * l, l)));
              }
            },
            msg)) {
      return false;
    }
    total += nHere;
    if (recsLeft == 1) {
      if (total != n) return Fail(msg, "Too few strings in 1C record");
      return true;
    }
  }
}

}  // namespace

bool GetHarStrings(TRecFile& f, PStrVec& v, int32_t n, int32_t l, TFileFlavour flavour,
                   std::string& msg) {
  msg.clear();  // an end of file assigns no text of its own
  if (NonNilPtrError(v, msg)) return Tagged(msg, "GetHarStrings");
  const std::string counts =
      "Cannot read " + std::to_string(n) + " strings length " + std::to_string(l);
  if (n < 0 || l < 0) return Tagged(msg = counts + " (negative size)", "GetHarStrings");
  const int64_t size = int64_t{n} * l;
  if (size > MaxHarBuf) {
    msg = counts + " (total size " + std::to_string(size) +
          ") since buffer size MaxHarBuf is set to just " + std::to_string(MaxHarBuf);
    return Tagged(msg, "GetHarStrings");
  }
  // Slots grow as strings arrive, so memory follows what the file really holds.
  if (!AllocPStrVec(v, 0, msg)) return Tagged(msg, "GetHarStrings");
  if (!ReadStringRecords(f, *v, n, l, flavour, msg)) {
    FreePStrVec(v, static_cast<int32_t>(v->size()) - 1, TUnwantedMsg());
    return Tagged(msg, "GetHarStrings");
  }
  return true;
}

bool Get1CData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "Get1CData");
  if (head->HeadType != "1C") return Tagged(msg = "Not a String Header", "Get1CData");
  if (!GetHarStrings(f, head->StringRec, head->NStrings, head->LenString, flavour, msg)) {
    return Tagged(msg, "Get1CData");
  }
  return true;
}

namespace {

// Writes strings 1..n of v, l characters each, as 1C data records: one
// record when they fit in MaxHarBuf data bytes, else as many as needed.
bool WriteStringRecords(TRecFile& f, const std::vector<std::string>& v, int32_t n, int32_t l,
                        TFileFlavour flavour, std::string& msg) {
  const int32_t perRec = static_cast<int32_t>(std::min<int64_t>(n, (MaxHarBuf - Overhead1C) / l));
  if (n > 0 && perRec == 0) {
    msg = "LenString " + std::to_string(l) + " too long for one record";
    return false;
  }
  const int32_t nRec = n == 0 ? 1 : (n + perRec - 1) / perRec;
  TBlock buf;
  if (!SafeGetMem(buf, int64_t{perRec} * l, msg)) return false;
  int32_t done = 0;
  for (int32_t recsLeft = nRec; recsLeft >= 1; --recsLeft) {
    const int32_t nHere = std::min(perRec, n - done);
    uint8_t* p = buf.get();
    for (int32_t j = 1; j <= nHere; ++j, p += l) {
      const std::string& s = v[static_cast<size_t>(done + j)];
      std::memset(p, ' ', static_cast<size_t>(l));
      std::memcpy(p, s.data(), std::min(s.size(), static_cast<size_t>(l)));
    }
    uint8_t struc[StrucSiz1C];
    EncodeInt32(struc, recsLeft);
    EncodeInt32(struc + 4, n);
    EncodeInt32(struc + 8, nHere);
    if (!WriteRecBuf(f, struc, StrucSiz1C, buf.get(), nHere, l, flavour, msg)) return false;
    done += nHere;
  }
  return true;
}

}  // namespace

bool Write1CData(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "Write1CData");
  const THeaderRec& h = *head;
  if (h.HeadType != "1C") return Tagged(msg = "Not a String Header", "Write1CData");
  if (h.LenString < 1) return Tagged(msg = "LenString<=0", "Write1CData");
  if (h.NStrings < 0) return Tagged(msg = "NStrings<0", "Write1CData");
  if (h.NStrings > 0 &&
      (h.StringRec == nullptr || h.StringRec->size() < static_cast<size_t>(h.NStrings) + 1)) {
    return Tagged(msg = "StringRec holds fewer than NStrings strings", "Write1CData");
  }
  std::string name = h.Name.substr(0, HeadNameLen);
  name.resize(HeadNameLen, ' ');
  if (!WriteLaheyRec(f, name.data(), HeadNameLen, flavour, msg)) return Tagged(msg, "Write1CData");
  const TDescInts ints{0, 2, h.NStrings, h.LenString};
  if (!WriteDesc(f, "1C", h.StorageMethod, h.LongName, ints, 3, flavour, msg)) {
    return Tagged(msg, "Write1CData");
  }
  const std::vector<std::string> none;
  const std::vector<std::string>& v = h.StringRec != nullptr ? *h.StringRec : none;
  if (!WriteStringRecords(f, v, h.NStrings, h.LenString, flavour, msg)) {
    return Tagged(msg, "Write1CData");
  }
  return true;
}

bool Create1C(PHeaderRec& slot, std::string_view name, std::string_view longName, PStrVec& v,
              int32_t n, int32_t l, std::string& msg) {
  if (!FreeHead(slot, msg)) return Tagged(msg, "Create1C");
  if (!SafeGetMem(slot, msg)) return Tagged(msg, "Create1C");
  THeaderRec& h = *slot;
  h.Name.assign(name.substr(0, HeadNameLen));
  h.LongName.assign(longName.substr(0, LongNameLen));
  h.HeadType = "1C";
  h.StorageMethod = "FULL";
  h.NStrings = n;
  h.LenString = l;
  h.StringRec = std::move(v);
  return true;
}

}  // namespace modrask
