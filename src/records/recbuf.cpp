#include "modrask/records/recbuf.h"

#include <algorithm>
#include <cassert>
#include <climits>

#include "modrask/records/bytefile.h"
#include "modrask/support/coding.h"
#include "modrask/support/message.h"

namespace modrask {
namespace {

constexpr char kNoSpace[] = "cannot write to disk (probably no space)";

// The longest data length a record of `flavour` can carry: an Old Lahey
// trailing marker holds the length plus the leading marker's size.
constexpr int64_t MaxRecLen(TFileFlavour flavour) {
  return flavour == TFileFlavour::OldLahey ? int64_t{MaxLaheyLen} - 4 : int64_t{INT32_MAX};
}
static_assert(MaxRecLen(TFileFlavour::OldLahey) + 3 + 1 == MaxLaheyLen);

bool CheckRecLen(int64_t len, TFileFlavour flavour, std::string& msg) {
  if (len < 0) return Fail(msg, "Negative record length: " + std::to_string(len));
  if (len > MaxRecLen(flavour)) {
    return Fail(msg, std::string("Record too long for ") + FlavourName(flavour) +
                         " framing: " + std::to_string(len));
  }
  return true;
}

}  // namespace

int BuildMarkers(int32_t len, TFileFlavour flavour, uint8_t lead[4], uint8_t trail[4],
                 int& trailSize) {
  if (flavour == TFileFlavour::NewFujitsu) {
    EncodeInt32(lead, len);
    EncodeInt32(trail, len);
    trailSize = 4;
    return 4;
  }
  int nExtra = 0;
  EncodeLaheyLen(len, lead, nExtra);
  uint8_t enc[4];
  int nExtraTrail = 0;
  EncodeLaheyLen(len + nExtra + 1, enc, nExtraTrail);
  trailSize = nExtraTrail + 1;
  for (int i = 0; i < trailSize; ++i) trail[i] = enc[trailSize - 1 - i];
  return nExtra + 1;
}

namespace {

// Moves the file forward past `n` bytes; false when that passes the end of
// the file.
bool SkipWithin(TRecFile& f, int64_t n) {
  SkipBytes(f, n);
  return f.File->Position() <= f.File->SizeAtOpen();
}

}  // namespace

namespace {

// Where a record's tail goes when the record has exactly the length that
// tail makes: its first `At` data bytes are read as usual, the `Len` after
// them straight into Dst. Used tells whether they went there.
struct TTailInto {
  uint8_t* Dst = nullptr;
  int32_t At = 0;
  int64_t Len = 0;
  bool Used = false;
};

// Reads the next record: its leading marker, the first `keep` data bytes
// into buf (all of them when keep is at least the length), the rest passed
// over, and its trailing marker. With `view`, a whole record that the file's
// buffer holds is left there instead, and `data` points at it (else at buf).
// With `tail`, a record of the length it names has its tail read into the
// caller's memory instead. The faults, and their order, are those of reading
// the record whole.
bool ReadRecord(TRecFile& f, uint8_t* buf, int32_t keep, bool view, const uint8_t*& data,
                int32_t& recLen, int64_t& dataPos, TFileFlavour flavour, bool& atEof,
                std::string& msg, TTailInto* tail = nullptr) {
  int32_t recLenCheck = 0;
  const bool ok = flavour == TFileFlavour::NewFujitsu
                      ? FujiGetRecLen(f, recLen, atEof, msg)
                      : GetRecLenA(f, recLen, recLenCheck, atEof, msg);
  if (!ok) return Tagged(msg, "GetLaheyRecA");
  if (atEof) return true;
  if (recLen > MaxHarBuf) return Fail(msg, "File record too long") || Tagged(msg, "GetLaheyRecA");
  const int32_t head = std::min(recLen, keep);
  dataPos = f.File->Position();
  // The trailing marker stays in the buffer with the data, so that checking
  // it leaves the data where it is.
  const int trailSize = flavour == TFileFlavour::NewFujitsu ? 4 : LaheyLenBytes(recLenCheck);
  if (tail != nullptr && head == recLen && recLen - tail->At == tail->Len) {
    if (!FileRead(f, buf, tail->At, msg) || !FileRead(f, tail->Dst, recLen - tail->At, msg))
      return Tagged(msg, "GetLaheyRecA");
    tail->Used = true;
    data = buf;
  } else {
    data = view && head == recLen ? f.File->View(recLen, trailSize) : nullptr;
  }
  if (data == nullptr) {
    if (!FileRead(f, buf, head, msg)) return Tagged(msg, "GetLaheyRecA");
    data = buf;
  }
  if (head < recLen) {
    ByteFile& file = *f.File;
    const int64_t rest = recLen - head;
    if (file.Position() + rest > file.SizeAtOpen())
      return Fail(msg, "Unexpected end-of-file [FileRead]") || Tagged(msg, "GetLaheyRecA");
    file.Skip(rest);
  }
  const bool checked = flavour == TFileFlavour::NewFujitsu ? FujiChkRecLen(f, recLen, msg)
                                                           : ChkRecLen(f, recLenCheck, msg);
  if (!checked) return Tagged(msg, "GetLaheyRecA");
  return true;
}

// How a record-buffer record is read: into the file's record buffer, left in the file's
// buffer where it can be, or with its elements passed over.
enum class TRecRead { IntoRecBuf, InPlace, StrucOnly };

// GetRecBuf as `how` says; elmsPos is the offset of the elements in the file.
// With `tail`, elements of the length it names go to its memory.
bool ReadRecBuf(TRecFile& f, const uint8_t*& strucPtr, int32_t strucSiz, TRecRead how,
                const uint8_t*& elmsPtr, int64_t& elmsPos, int32_t& nElms, int32_t sizElms,
                TFileFlavour flavour, std::string& msg, TTailInto* tail = nullptr) {
  const bool keepElms = how != TRecRead::StrucOnly;
  assert(strucSiz >= 0 && sizElms >= 0);
  if (sizElms == 0) return Fail(msg, "sizelms=0") || Tagged(msg, "GetRecBuf");
  int32_t recLen = 0;
  bool atEof = false;
  const int64_t fixedLen = int64_t{LenHead} + strucSiz;
  const int32_t keep =
      keepElms ? INT32_MAX : static_cast<int32_t>(std::min<int64_t>(fixedLen, INT32_MAX));
  int64_t dataPos = 0;
  const uint8_t* data = nullptr;
  if (tail != nullptr) tail->At = static_cast<int32_t>(std::min<int64_t>(fixedLen, INT32_MAX));
  if (!ReadRecord(f, f.Buf(), keep, how == TRecRead::InPlace, data, recLen, dataPos, flavour, atEof,
                  msg, tail))
    return Tagged(msg, "GetRecBuf");
  // The end of the file assigns no text of its own: the tag alone.
  if (atEof) return Tagged(msg, "GetRecBuf");
  if (recLen < fixedLen) {
    return Fail(msg,
                "Record too Short " + std::to_string(recLen) + "/" + std::to_string(fixedLen)) ||
           Tagged(msg, "GetRecBuf");
  }
  strucPtr = data + LenHead;
  elmsPtr = keepElms && (tail == nullptr || !tail->Used) ? strucPtr + strucSiz : nullptr;
  elmsPos = dataPos + fixedLen;
  const int64_t rest = recLen - fixedLen;
  if (rest % sizElms != 0) return Fail(msg, "Non-Unit Record Length") || Tagged(msg, "GetRecBuf");
  nElms = static_cast<int32_t>(rest / sizElms);
  return true;
}

}  // namespace

bool GetLaheyRecA(TRecFile& f, uint8_t* buf, int32_t& recLen, TFileFlavour flavour, bool& atEof,
                  std::string& msg) {
  int64_t dataPos = 0;
  const uint8_t* data = nullptr;
  return ReadRecord(f, buf, INT32_MAX, false, data, recLen, dataPos, flavour, atEof, msg);
}

bool GetNextRec(TRecFile& f, uint8_t* buf, int32_t& recLen, TFileFlavour flavour,
                std::string& msg) {
  bool atEof = false;
  return GetLaheyRecA(f, buf, recLen, flavour, atEof, msg) && !atEof;
}

bool WriteLaheyRec(TRecFile& f, const void* buf, int64_t len, TFileFlavour flavour,
                   std::string& msg) {
  assert(f.IsOpen() && f.File->IsWriting());
  if (!CheckRecLen(len, flavour, msg)) return Tagged(msg, "WriteLaheyRec");
  uint8_t lead[4], trail[4];
  int trailSize = 0;
  const int leadSize = BuildMarkers(static_cast<int32_t>(len), flavour, lead, trail, trailSize);
  ByteFile& file = *f.File;
  if (!file.Write(lead, leadSize) || !file.Write(buf, len) || !file.Write(trail, trailSize)) {
    return Fail(msg, kNoSpace) || Tagged(msg, "WriteLaheyRec");
  }
  return true;
}

void SkipBytes(TRecFile& f, int64_t n) {
  assert(f.IsOpen() && n >= 0);
  if (!f.Large) {
    f.File->Skip(n);
    return;
  }
  // Read and drop, one buffer at a time; a short read leaves the position
  // past the end, as repositioning would.
  while (n > 0) {
    const int64_t piece = std::min<int64_t>(n, MaxHarBuf + 1);
    const int64_t got = f.File->Read(f.Buf(), piece);
    n -= got;
    if (got < piece) {
      f.File->Skip(n);
      return;
    }
  }
}

bool SkipHead(TRecFile& f, char name[4], bool& found, TFileFlavour flavour, std::string& msg) {
  found = false;
  for (;;) {
    int32_t recLen = 0, recLenCheck = 0;
    bool atEof = false;
    const bool ok = flavour == TFileFlavour::NewFujitsu
                        ? FujiGetRecLen(f, recLen, atEof, msg)
                        : GetRecLenA(f, recLen, recLenCheck, atEof, msg);
    if (!ok) return Tagged(msg, "SkipHead");
    if (atEof) return true;
    if (recLen == 4) {
      if (!FileRead(f, name, 4, msg)) return Tagged(msg, "SkipHead");
      const bool checked = flavour == TFileFlavour::NewFujitsu ? FujiChkRecLen(f, 4, msg)
                                                               : ChkRecLen(f, recLenCheck, msg);
      if (!checked) return Tagged(msg, "SkipHead");
      found = true;
      return true;
    }
    if (flavour == TFileFlavour::NewFujitsu) {
      SkipBytes(f, recLen);
      if (!FujiChkRecLen(f, recLen, msg)) return Tagged(msg, "SkipHead");
    } else if (!SkipWithin(f, int64_t{recLen} + LaheyLenBytes(recLenCheck))) {
      // The trailing marker is passed over unread, so a cut-off record would
      // otherwise look like a clean end of the file.
      return Fail(msg, "Unexpected end-of-file [SkipBytes]") || Tagged(msg, "SkipHead");
    }
  }
}

bool GetHead(TRecFile& f, std::string& name, bool& found, TFileFlavour flavour, std::string& msg) {
  char chars[4] = {' ', ' ', ' ', ' '};
  name = BlankHead;
  if (!SkipHead(f, chars, found, flavour, msg)) return Tagged(msg, "GetHead");
  if (!found) return true;
  for (char& c : chars) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  name.assign(chars, 4);
  return true;
}

bool WriteRecBuf(TRecFile& f, const void* struc, int32_t strucSiz, const void* elms, int64_t nElms,
                 int32_t sizElms, TFileFlavour flavour, std::string& msg) {
  assert(f.IsOpen() && f.File->IsWriting());
  msg.clear();
  if (strucSiz < 0 || nElms < 0 || sizElms < 0) {
    return Fail(msg, "Negative record part") || Tagged(msg, "WriteRecBuf");
  }
  int64_t lenElms = 0;
  if (__builtin_mul_overflow(nElms, int64_t{sizElms}, &lenElms) || lenElms > MaxRecLen(flavour)) {
    return Fail(msg, std::string("Record too long for ") + FlavourName(flavour) +
                         " framing: " + std::to_string(nElms) + " elements of " +
                         std::to_string(sizElms) + " bytes") ||
           Tagged(msg, "WriteRecBuf");
  }
  const int64_t recLen = int64_t{LenHead} + strucSiz + lenElms;
  if (!CheckRecLen(recLen, flavour, msg)) return Tagged(msg, "WriteRecBuf");
  uint8_t lead[4], trail[4];
  int trailSize = 0;
  const int leadSize = BuildMarkers(static_cast<int32_t>(recLen), flavour, lead, trail, trailSize);
  ByteFile& file = *f.File;
  bool ok = file.Write(lead, leadSize) && file.Write(BlankHead, LenHead);
  ok = ok && (strucSiz == 0 || file.Write(struc, strucSiz));
  ok = ok && (lenElms == 0 || file.Write(elms, lenElms));
  ok = ok && file.Write(trail, trailSize);
  if (!ok) return Fail(msg, kNoSpace) || Tagged(msg, "WriteRecBuf");
  return true;
}

bool GetRecBuf(TRecFile& f, const uint8_t*& strucPtr, int32_t strucSiz, const uint8_t*& elmsPtr,
               int32_t& nElms, int32_t sizElms, TFileFlavour flavour, std::string& msg) {
  int64_t elmsPos = 0;
  return ReadRecBuf(f, strucPtr, strucSiz, TRecRead::IntoRecBuf, elmsPtr, elmsPos, nElms, sizElms,
                    flavour, msg);
}

bool GetRecBufInPlace(TRecFile& f, const uint8_t*& strucPtr, int32_t strucSiz,
                      const uint8_t*& elmsPtr, int32_t& nElms, int32_t sizElms,
                      TFileFlavour flavour, std::string& msg) {
  int64_t elmsPos = 0;
  return ReadRecBuf(f, strucPtr, strucSiz, TRecRead::InPlace, elmsPtr, elmsPos, nElms, sizElms,
                    flavour, msg);
}

bool GetRecBufInto(TRecFile& f, const uint8_t*& strucPtr, int32_t strucSiz, void* dst,
                   int32_t nWanted, bool& into, const uint8_t*& elmsPtr, int32_t& nElms,
                   int32_t sizElms, TFileFlavour flavour, std::string& msg) {
  TTailInto tail;
  tail.Dst = static_cast<uint8_t*>(dst);
  tail.Len = int64_t{nWanted} * sizElms;
  int64_t elmsPos = 0;
  const bool ok = ReadRecBuf(f, strucPtr, strucSiz, TRecRead::InPlace, elmsPtr, elmsPos, nElms,
                             sizElms, flavour, msg, &tail);
  into = ok && tail.Used;
  return ok;
}

bool GetRecBufStruc(TRecFile& f, const uint8_t*& strucPtr, int32_t strucSiz, int64_t& elmsPos,
                    int32_t& nElms, int32_t sizElms, TFileFlavour flavour, std::string& msg) {
  const uint8_t* elmsPtr = nullptr;
  return ReadRecBuf(f, strucPtr, strucSiz, TRecRead::StrucOnly, elmsPtr, elmsPos, nElms, sizElms,
                    flavour, msg);
}

}  // namespace modrask
