// Descriptor records: the data type, storage method, long name and the
// integers that size the header.
#include "modrask/har/descriptor.h"

#include <cstring>

#include "modrask/records/recbuf.h"
#include "modrask/support/blanks.h"
#include "modrask/support/coding.h"
#include "modrask/support/message.h"

namespace modrask {
namespace {

constexpr size_t TypeLen = 2;
constexpr size_t StorageLen = 4;
constexpr size_t LongNameOffset = TypeLen + StorageLen;
constexpr size_t DescLongNameLen = 70;
static_assert(LongNameOffset + DescLongNameLen == DescStrucSiz);

// Blank-fills `width` bytes at dst and copies in at most `width` characters of s.
void PutField(uint8_t* dst, std::string_view s, size_t width) {
  std::memset(dst, ' ', width);
  std::memcpy(dst, s.data(), s.size() < width ? s.size() : width);
}

}  // namespace

bool GetIntsExpected(std::string_view dataType, std::string_view storage, int32_t& nInts,
                     std::string& msg) {
  const std::string_view t = dataType.substr(0, TypeLen);
  bool storageOk = false;
  if (t == "RL" || t == "RE") {
    nInts = 8;
    storageOk = storage == "FULL" || storage == "SPSE";
  } else if (t == "1C" || t == "2I" || t == "2R") {
    nInts = 3;
    storageOk = storage == "FULL";
  } else {
    msg = "Unrecognized Data Type ";
    msg.append(t);
    return Tagged(msg, "GetIntsExpected");
  }
  if (!storageOk) {
    msg = "Unrecognized Storage Method: ";
    msg.append(storage);
    return Tagged(msg, "GetIntsExpected");
  }
  return true;
}

bool GetDesc(TRecFile& f, std::string& dataType, std::string& storage, std::string& longName,
             TDescInts& ints, TFileFlavour flavour, std::string& msg) {
  msg.clear();
  const uint8_t* struc = nullptr;
  const uint8_t* elms = nullptr;
  int32_t nElms = 0;
  if (!GetRecBuf(f, struc, DescStrucSiz, elms, nElms, 4, flavour, msg))
    return Tagged(msg, "GetDesc");
  const char* chars = reinterpret_cast<const char*>(struc);
  dataType.assign(chars, TypeLen);
  storage.assign(chars + TypeLen, StorageLen);
  int32_t expected = 0;
  if (!GetIntsExpected(dataType, storage, expected, msg)) return Tagged(msg, "GetDesc");
  if (nElms != expected) return Tagged(msg = "Description Record wrong length", "GetDesc");
  longName.assign(TrimTrailingBlanks(std::string_view(chars + LongNameOffset, DescLongNameLen)));
  ints.fill(0);
  DecodeRun32(&ints[1], elms, nElms);
  return true;
}

bool WriteDesc(TRecFile& f, std::string_view dataType, std::string_view storage,
               std::string_view longName, const TDescInts& ints, int32_t nInts,
               TFileFlavour flavour, std::string& msg) {
  int32_t expected = 0;
  if (!GetIntsExpected(dataType, storage, expected, msg)) return Tagged(msg, "WriteDesc");
  if (nInts != expected) return Tagged(msg = "Bad NInts", "WriteDesc");
  uint8_t struc[DescStrucSiz];
  PutField(struc, dataType, TypeLen);
  PutField(struc + TypeLen, storage, StorageLen);
  PutField(struc + LongNameOffset, longName, DescLongNameLen);
  uint8_t elms[4 * 8];
  EncodeRun32(elms, &ints[1], nInts);
  if (!WriteRecBuf(f, struc, DescStrucSiz, elms, nInts, 4, flavour, msg))
    return Tagged(msg, "WriteDesc");
  return true;
}

}  // namespace modrask
