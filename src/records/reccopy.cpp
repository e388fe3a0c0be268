#include "modrask/records/reccopy.h"

#include <cassert>

#include "modrask/records/bytefile.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/coding.h"
#include "modrask/support/message.h"

namespace modrask {
namespace {

constexpr char kNoSpace[] = "cannot write to disk (probably no space)";

bool Changed(const std::string& name, std::string& msg) {
  return Fail(msg, "Input file changed while it was copied: " + name) || Tagged(msg, "CopyRecords");
}

bool Changed(const TRecFile& src, std::string& msg) {
  return Changed(src.Name(), msg);
}

bool NoSpace(std::string& msg) {
  return Fail(msg, kNoSpace) || Tagged(msg, "CopyRecords");
}

// Appends n bytes of src from `pos`; false with the message on failure.
bool CopyBytes(TRecFile& dst, TRecFile& src, int64_t pos, int64_t n, std::string& msg) {
  bool srcShort = false;
  if (dst.File->CopyFrom(*src.File, pos, n, srcShort)) return true;
  return srcShort ? Changed(src, msg) : NoSpace(msg);
}

}  // namespace

const uint8_t* ReadRecordRun(TRecFile& src, int64_t begin, int64_t end, TFileFlavour flavour,
                             const std::function<bool(const uint8_t* data, int32_t len)>& visit) {
  assert(src.IsOpen() && !src.File->IsWriting() && begin <= end);
  const int64_t size = end - begin;
  int64_t walked = 0;  // records before this are visited
  const auto arrived = [&](const uint8_t* run, int64_t got) {
    // Visit the records that have arrived whole; a record cut by the end of
    // what has arrived waits for the next piece.
    for (;;) {
      int64_t pos = walked;
      const uint8_t* data = nullptr;
      int32_t len = 0;
      if (pos >= got || !NextRecordIn(run, got, pos, flavour, data, len)) break;
      if (!visit(data, len)) return false;
      walked = pos;
    }
    return got < size || walked == size;
  };
  return src.File->ReadRun(begin, size, arrived);
}

bool NextRecordIn(const uint8_t* run, int64_t size, int64_t& pos, TFileFlavour flavour,
                  const uint8_t*& data, int32_t& len) {
  if (pos < 0 || pos >= size) return false;
  const uint8_t* p = run + pos;
  const int64_t avail = size - pos;
  if (flavour == TFileFlavour::NewFujitsu) {
    if (avail < 8) return false;
    len = DecodeInt32(p);
    if (len < 0 || len > avail - 8 || DecodeInt32(p + 4 + len) != len) return false;
    data = p + 4;
    pos += 8 + int64_t{len};
    return true;
  }
  uint8_t lead[4] = {p[0], 0, 0, 0};
  const int leadSize = 1 + (p[0] & 3);
  if (avail < leadSize) return false;
  for (int i = 1; i < leadSize; ++i) lead[i] = p[i];
  int32_t check = 0;
  len = DecodeLaheyLen(lead, check);
  const int trailSize = LaheyLenBytes(check);
  if (len > avail - leadSize - trailSize) return false;
  if (CheckLaheyTrail(p + leadSize + len, check) != 1) return false;
  data = p + leadSize;
  pos += leadSize + int64_t{len} + trailSize;
  return true;
}

bool WriteRecordRun(TRecFile& dst, TFileFlavour dstFlavour, const uint8_t* run, int64_t size,
                    TFileFlavour srcFlavour, const std::string& srcName, std::string& msg) {
  assert(dst.IsOpen() && dst.File->IsWriting());
  if (dstFlavour == srcFlavour) return dst.File->Write(run, size) || NoSpace(msg);
  // Re-framed, not rebuilt: the new markers and the unchanged data go out
  // together in gathered writes of a batch of records at a time.
  constexpr int kBatch = 256;
  uint8_t marks[kBatch][8];
  HostPiece pieces[3 * kBatch];
  int64_t pos = 0;
  while (pos < size) {
    int nPieces = 0;
    int64_t batchBytes = 0;
    for (int r = 0; r < kBatch && pos < size && batchBytes < ByteFileBufSize; ++r) {
      const uint8_t* data = nullptr;
      int32_t len = 0;
      if (!NextRecordIn(run, size, pos, srcFlavour, data, len)) return Changed(srcName, msg);
      int trailSize = 0;
      const int leadSize = BuildMarkers(len, dstFlavour, marks[r], marks[r] + 4, trailSize);
      pieces[nPieces++] = {marks[r], leadSize};
      pieces[nPieces++] = {data, len};
      pieces[nPieces++] = {marks[r] + 4, trailSize};
      batchBytes += leadSize + int64_t{len} + trailSize;
    }
    if (!dst.File->WriteGather(pieces, nPieces)) return NoSpace(msg);
  }
  return true;
}

bool CopyRecords(TRecFile& dst, TFileFlavour dstFlavour, TRecFile& src, TFileFlavour srcFlavour,
                 int64_t begin, int64_t end, std::string& msg) {
  assert(dst.IsOpen() && dst.File->IsWriting() && src.IsOpen() && !src.File->IsWriting());
  assert(begin <= end);
  if (dstFlavour == srcFlavour) return CopyBytes(dst, src, begin, end - begin, msg);
  // Under other markers: the run is read whole and written record by record.
  const uint8_t* run =
      ReadRecordRun(src, begin, end, srcFlavour, [](const uint8_t*, int32_t) { return true; });
  if (run == nullptr) return Changed(src, msg);
  return WriteRecordRun(dst, dstFlavour, run, end - begin, srcFlavour, src.Name(), msg);
}

}  // namespace modrask
