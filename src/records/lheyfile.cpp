#include "modrask/records/lheyfile.h"

#include <cassert>
#include <cstdlib>

#include "modrask/records/bytefile.h"
#include "modrask/support/coding.h"
#include "modrask/support/message.h"
#include "modrask/support/mhUtil.h"
#include "modrask/support/mystrucs.h"

namespace modrask {

static_assert(static_cast<int>(TFileFlavour::OldLahey) == 0 &&
              static_cast<int>(TFileFlavour::NewFujitsu) == 1);
static_assert(MaxLaheyLen == (1 << 30) - 1, "four marker bytes carry 6 + 8 + 8 + 8 bits");
static_assert(sizeof(BlankHead) == 5);

namespace {

// Up to five Old Lahey records after the lead byte. Giving up is quiet: when
// this probe fails, the New Fujitsu probe's message is the one that explains.
bool ProbeOldLahey(TRecFile& f) {
  std::string msg;
  for (int i = 1; i <= 5; ++i) {
    int32_t recLen = 0, recLenCheck = 0;
    bool atEof = false;
    if (!GetRecLenA(f, recLen, recLenCheck, atEof, msg)) return false;
    if (atEof) return i > 1;
    if (recLen > MaxHarBuf) return false;
    if (i == 1 && recLen != 4) return false;
    if (!FileRead(f, f.Buf(), recLen, msg)) return false;
    if (!ChkRecLen(f, recLenCheck, msg)) return false;
  }
  return true;
}

// Up to five New Fujitsu records from byte 0; a failure assigns the message.
bool ProbeNewFujitsu(TRecFile& f, const std::string& name, std::string& msg) {
  for (int i = 1; i <= 5; ++i) {
    int32_t recLen = 0;
    bool atEof = false;
    if (!FujiGetRecLen(f, recLen, atEof, msg)) return false;
    if (atEof) return i > 1 || Fail(msg, "Strange? Empty file:" + name);
    if (recLen > MaxHarBuf) return Fail(msg, "File record too long");
    if (i == 1 && recLen != 4) return Fail(msg, "First record not length 4");
    if (!FileRead(f, f.Buf(), recLen, msg)) return false;
    if (!FujiChkRecLen(f, recLen, msg)) return false;
  }
  return true;
}

}  // namespace

const char* FlavourName(TFileFlavour flavour) {
  return flavour == TFileFlavour::OldLahey ? "Old Lahey" : "New Fujitsu";
}

void TRecBufFree::operator()(uint8_t* p) const noexcept {
  std::free(p);
}

uint8_t* TRecFile::Buf() {
  // Zero-filled by calloc, which leaves the pages of a block this large
  // untouched until records land in them.
  if (!buf_) buf_.reset(static_cast<uint8_t*>(std::calloc(size_t{MaxHarBuf} + 1, 1)));
  if (!buf_) FatalError("Out of Memory [SafeGetMem]");
  return buf_.get();
}

TRecFile::TRecFile() = default;
TRecFile::~TRecFile() = default;  // ByteFile's destructor abandons an unfinished output
TRecFile::TRecFile(TRecFile&&) noexcept = default;
TRecFile& TRecFile::operator=(TRecFile&&) noexcept = default;

int64_t TRecFile::Position() const {
  return File->Position();
}

void TRecFile::Seek(int64_t pos) {
  File->Seek(pos);
}

const std::string& TRecFile::Name() const {
  return File->Name();
}

bool FileRead(TRecFile& f, void* buf, int32_t count, std::string& msg) {
  assert(f.IsOpen() && count >= 0);
  if (f.File->Read(buf, count) != count) return Fail(msg, "Unexpected end-of-file [FileRead]");
  return true;
}

bool FileRead(TRecFile& f, void* buf, int32_t count, bool& atEof, std::string& msg) {
  assert(f.IsOpen() && count >= 0);
  const int64_t got = f.File->Read(buf, count);
  atEof = got < count;
  if (got == 0 || got == count) return true;
  return Fail(msg, "Unexpected end-of-file [FileRead]");
}

void EncodeLaheyLen(int32_t v, uint8_t out[4], int& nExtra) {
  assert(v >= 0 && v <= MaxLaheyLen);
  nExtra = 0;
  out[0] = static_cast<uint8_t>((v % 64) << 2);
  int32_t w = v / 64;
  for (int i = 1; i <= 3; ++i) {
    if (w > 0) {
      ++nExtra;
      out[i] = static_cast<uint8_t>(w % 256);
      w /= 256;
    } else {
      out[i] = 0;
    }
  }
  out[0] = static_cast<uint8_t>(out[0] | nExtra);
}

int LaheyLenBytes(int32_t v) {
  if (v < 64) return 1;
  if (v < 16384) return 2;
  if (v < 4194304) return 3;
  return 4;
}

bool GetRecLenA(TRecFile& f, int32_t& recLen, int32_t& recLenCheck, bool& atEof, std::string& msg) {
  uint8_t b[4] = {0, 0, 0, 0};
  if (!FileRead(f, b, 1, atEof, msg)) return Tagged(msg, "GetRecLenA");
  if (atEof) return true;
  const int nExtra = b[0] & 3;
  if (nExtra > 0 && !FileRead(f, b + 1, nExtra, msg)) return Tagged(msg, "GetRecLenA");
  recLen = DecodeLaheyLen(b, recLenCheck);
  return true;
}

int32_t DecodeLaheyLen(const uint8_t b[4], int32_t& recLenCheck) {
  const int nExtra = b[0] & 3;
  int32_t v = b[0] >> 2;
  if (nExtra >= 1) v += b[1] * 64;
  if (nExtra >= 2) v += b[2] * 16384;
  if (nExtra >= 3) v += b[3] * 4194304;
  recLenCheck = v + nExtra + 1;
  return v;
}

int CheckLaheyTrail(const uint8_t* b, int32_t recLenCheck) {
  const int n = LaheyLenBytes(recLenCheck);
  const uint8_t last = b[n - 1];
  if ((last & 3) != n - 1) return -1;
  int64_t value = last >> 2;
  if (n >= 2) value += int64_t{b[n - 2]} * 64;
  if (n >= 3) value += int64_t{b[n - 3]} * 16384;
  if (n == 4) value += int64_t{b[0]} * 4194304;
  return value == recLenCheck ? 1 : 0;
}

bool ChkRecLen(TRecFile& f, int32_t recLenCheck, std::string& msg) {
  const int n = LaheyLenBytes(recLenCheck);
  uint8_t b[4];
  if (!FileRead(f, b, n, msg)) return Tagged(msg, "ChkRecLen");
  const int check = CheckLaheyTrail(b, recLenCheck);
  if (check < 0) return Fail(msg, "Bad NExtraCheck value") || Tagged(msg, "ChkRecLen");
  if (check == 0) return Fail(msg, "Bad RecLenCheck value") || Tagged(msg, "ChkRecLen");
  return true;
}

bool FujiGetRecLen(TRecFile& f, int32_t& recLen, bool& atEof, std::string& msg) {
  uint8_t b[4];
  if (!FileRead(f, b, 4, atEof, msg)) return Tagged(msg, "FujiGetRecLen");
  if (atEof) return true;
  recLen = DecodeInt32(b);
  if (recLen < 0) return Fail(msg, "RecLen<0") || Tagged(msg, "FujiGetRecLen");
  return true;
}

bool FujiChkRecLen(TRecFile& f, int32_t recLen, std::string& msg) {
  uint8_t b[4];
  if (!FileRead(f, b, 4, msg)) return Tagged(msg, "FujiChkRecLen");
  if (DecodeInt32(b) != recLen)
    return Fail(msg, "Bad RecLenCheck value") || Tagged(msg, "FujiChkRecLen");
  return true;
}

bool IsWhichLaheyFile(const std::string& name, TFileFlavour& flavour, std::string& msg) {
  msg.clear();
  flavour = TFileFlavour::NewFujitsu;
  TRecFile f;
  f.File = ByteFile::OpenRead(name);
  if (!f.IsOpen()) return Fail(msg, "No such file:" + name) || Tagged(msg, "IsWhichLaheyFile");
  uint8_t lead = 0;
  if (!FileRead(f, &lead, 1, msg))
    return Fail(msg, "Empty file:" + name) || Tagged(msg, "IsWhichLaheyFile");
  if (lead == LaheyLeadByte && ProbeOldLahey(f)) {
    flavour = TFileFlavour::OldLahey;
    CloseLaheyFile(f);
    return true;
  }
  msg.clear();
  CloseLaheyFile(f);
  f.File = ByteFile::OpenRead(name);
  if (!f.IsOpen())
    return Fail(msg, "Strange? No such file:" + name) || Tagged(msg, "IsWhichLaheyFile");
  const bool ok = ProbeNewFujitsu(f, name, msg);
  CloseLaheyFile(f);
  return ok || Tagged(msg, "IsWhichLaheyFile");
}

bool IsLaheyFile(const std::string& name, std::string& msg) {
  TFileFlavour flavour;
  return IsWhichLaheyFile(name, flavour, msg);
}

bool OpenLaheyFile(TRecFile& f, const std::string& name, TFileFlavour& flavour, std::string& msg) {
  const int32_t sizeKB = FileSizeKB(name);
  if (!IsWhichLaheyFile(name, flavour, msg)) return Tagged(msg, "OpenLaheyFile");
  TRecFile opened;
  opened.File = ByteFile::OpenRead(name);
  if (!opened.IsOpen()) return Fail(msg, "No such file:" + name) || Tagged(msg, "OpenLaheyFile");
  opened.Large = sizeKB >= LargeFileKB;
  if (flavour == TFileFlavour::OldLahey) {
    uint8_t lead = 0;
    bool ok = FileRead(opened, &lead, 1, msg) || Fail(msg, "Empty file");
    ok = ok && (lead == LaheyLeadByte || Fail(msg, "Not a Lahey file"));
    if (!ok) {
      CloseLaheyFile(opened);
      return Tagged(msg, "OpenLaheyFile");
    }
  }
  f = std::move(opened);
  return true;
}

bool CreateLaheyFile(TRecFile& f, const std::string& name, TFileFlavour flavour, std::string& msg) {
  return CreateLaheyFile(f, name, flavour, TWriteOptions(), msg);
}

bool CreateLaheyFile(TRecFile& f, const std::string& name, TFileFlavour flavour,
                     const TWriteOptions& options, std::string& msg) {
  TRecFile created;
  created.Writing = options;
  created.File = ByteFile::CreateTemp(name, options.Faults);
  if (!created.IsOpen())
    return Fail(msg, "Can't create file: " + name) || Tagged(msg, "CreateLaheyFile");
  if (flavour == TFileFlavour::OldLahey && !created.File->Write(&LaheyLeadByte, 1)) {
    AbandonLaheyFile(created);
    return Fail(msg, "cannot write to disk (probably no space)") || Tagged(msg, "CreateLaheyFile");
  }
  f = std::move(created);
  return true;
}

bool FinishLaheyFile(TRecFile& f, std::string& msg) {
  assert(f.IsOpen() && f.File->IsWriting());
  const bool ok = f.File->Finish();
  f.File.reset();
  if (!ok)
    return Fail(msg, "cannot write to disk (probably no space)") || Tagged(msg, "FinishLaheyFile");
  return true;
}

void AbandonLaheyFile(TRecFile& f) {
  if (f.IsOpen() && f.File->IsWriting()) f.File->Abandon();
  f.File.reset();
}

void CloseLaheyFile(TRecFile& f) {
  if (f.IsOpen() && !f.File->IsWriting()) f.File->Close();
  f.File.reset();
}

}  // namespace modrask
