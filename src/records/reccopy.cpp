#include "records/reccopy.h"

#include <cassert>

#include "records/bytefile.h"
#include "records/recbuf.h"
#include "support/message.h"

namespace modrask {
namespace {

constexpr char kNoSpace[] = "cannot write to disk (probably no space)";

bool Changed(const TRecFile& src, std::string& msg) {
  return Fail(msg, "Input file changed while it was copied: " + src.Name()) ||
         Tagged(msg, "CopyRecords");
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

// One record at a time: read its leading marker, write the output's, copy
// the data, check the trailing marker and write the output's.
bool CopyReframed(TRecFile& dst, TFileFlavour dstFlavour, TRecFile& src, TFileFlavour srcFlavour,
                  int64_t begin, int64_t end, std::string& msg) {
  ByteFile& in = *src.File;
  int64_t pos = begin;
  std::string ignored;
  while (pos < end) {
    in.Seek(pos);
    int32_t recLen = 0, recLenCheck = 0;
    bool atEof = false;
    const bool ok = srcFlavour == TFileFlavour::NewFujitsu
                        ? FujiGetRecLen(src, recLen, atEof, ignored)
                        : GetRecLenA(src, recLen, recLenCheck, atEof, ignored);
    if (!ok || atEof) return Changed(src, msg);
    const int64_t dataPos = in.Position();
    uint8_t lead[4], trail[4];
    int trailSize = 0;
    const int leadSize = BuildMarkers(recLen, dstFlavour, lead, trail, trailSize);
    if (!dst.File->Write(lead, leadSize)) return NoSpace(msg);
    if (!CopyBytes(dst, src, dataPos, recLen, msg)) return false;
    in.Seek(dataPos + recLen);
    const bool checked = srcFlavour == TFileFlavour::NewFujitsu
                             ? FujiChkRecLen(src, recLen, ignored)
                             : ChkRecLen(src, recLenCheck, ignored);
    if (!checked) return Changed(src, msg);
    if (!dst.File->Write(trail, trailSize)) return NoSpace(msg);
    pos = in.Position();
  }
  return pos == end || Changed(src, msg);
}

}  // namespace

bool CopyRecords(TRecFile& dst, TFileFlavour dstFlavour, TRecFile& src, TFileFlavour srcFlavour,
                 int64_t begin, int64_t end, std::string& msg) {
  assert(dst.IsOpen() && dst.File->IsWriting() && src.IsOpen() && !src.File->IsWriting());
  assert(begin <= end);
  if (dstFlavour == srcFlavour) return CopyBytes(dst, src, begin, end - begin, msg);
  return CopyReframed(dst, dstFlavour, src, srcFlavour, begin, end, msg);
}

}  // namespace modrask
