// Set and element labels of real arrays: the set-information record, the
// element lists that follow it, their checks and their writing.
#include "modrask/har/relabels.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "modrask/har/chars1c.h"
#include "modrask/records/recbuf.h"
#include "modrask/support/blanks.h"
#include "modrask/support/coding.h"
#include "modrask/support/names.h"

namespace modrask {

namespace {

// Fixed parts of the set-information stream.
constexpr int32_t NameField = 12;
constexpr int32_t InfoHeadLen = 4 + 4 + 4 + NameField + 4;  // SetsToRead .. stknow
constexpr int32_t PerDimLen = NameField + 1 + 4;            // StName, RDelst, elno
static_assert(InfoHeadLen + 4 == 32, "stream length is 32 + 17 acdim + 12 NEltrd");
static_assert(PerDimLen == 17);

// The element-list record: RecsLeft, NTot, NHere, then the names.
constexpr int32_t ListStrucSiz = 12;
// Names per element-list record so that every record stays readable.
constexpr int32_t MaxNamesPerRec = (MaxHarBuf - LenHead - ListStrucSiz) / NameField;

// Assigns text and appends the tag.
bool FailTag(std::string& msg, std::string_view text, std::string_view tag) {
  Fail(msg, text);
  return Tagged(msg, tag);
}

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(' ') == std::string_view::npos;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// Reads the fields of a byte stream of known length; every take is checked
// by the caller through Need before it happens.
class InfoCursor {
 public:
  InfoCursor(const uint8_t* p, int32_t len) : p_(p), len_(len) {}
  bool Need(int64_t total, std::string& msg) const {
    if (total <= len_) return true;
    return Fail(msg, "Bad set information record: " + std::to_string(len_) + " bytes, " +
                         std::to_string(total) + " needed");
  }
  int32_t Int() {
    const int32_t v = DecodeInt32(p_ + pos_);
    pos_ += 4;
    return v;
  }
  char Char() { return static_cast<char>(p_[pos_++]); }
  std::string Name() {
    const std::string_view raw(reinterpret_cast<const char*>(p_ + pos_), NameField);
    pos_ += NameField;
    return CleanName(raw);
  }

 private:
  const uint8_t* p_;
  int32_t len_;
  int32_t pos_ = 0;
};

bool InRange07(int32_t v, const char* field, std::string& msg) {
  if (v >= 0 && v <= 7) return true;
  return Fail(msg, std::string("Bad set information record: ") + field + "=" + std::to_string(v) +
                       " outside 0..7");
}

void PutPlaceholders(TREDetails& d) {
  for (int i = 1; i <= 7; ++i) {
    d.StName[i] = "?";
    d.RDelst[i] = '!';
    d.eltnam[i] = "#";
  }
}

// Takes the set-information stream of one record into details.
bool ParseSetInfo(const uint8_t* p, int32_t len, TREDetails& d, int32_t& setsToRead,
                  std::string& msg) {
  InfoCursor c(p, len);
  if (!c.Need(12, msg)) return false;
  setsToRead = c.Int();
  d.acdmkn = c.Int() != 0;
  const int32_t acdim = c.Int();
  if (!InRange07(acdim, "acdim", msg)) return false;
  if (!c.Need(InfoHeadLen + int64_t{PerDimLen} * acdim + 4, msg)) return false;
  d.acdim = acdim;
  d.ArrayName = c.Name();
  d.stknow = c.Int() != 0;
  for (int i = 1; i <= acdim; ++i) d.StName[i] = c.Name();
  for (int i = 1; i <= acdim; ++i) d.RDelst[i] = c.Char();
  for (int i = 1; i <= acdim; ++i) d.elno[i] = c.Int();
  const int32_t nEltrd = c.Int();
  if (!InRange07(nEltrd, "NEltrd", msg)) return false;
  if (!c.Need(InfoHeadLen + int64_t{PerDimLen} * acdim + 4 + int64_t{NameField} * nEltrd, msg))
    return false;
  d.NEltrd = nEltrd;
  for (int j = 1; j <= nEltrd; ++j) d.eltnam[j] = c.Name();
  return true;
}

// Blank-padded or cut to exactly 12 characters.
void PutName(std::vector<uint8_t>& out, std::string_view s) {
  const size_t at = out.size();
  out.resize(at + NameField, ' ');
  std::memcpy(out.data() + at, s.data(), std::min<size_t>(s.size(), NameField));
}

void PutInt(std::vector<uint8_t>& out, int32_t v) {
  const size_t at = out.size();
  out.resize(at + 4);
  EncodeInt32(out.data() + at, v);
}

// Writes names 1..n of one element list, split so that every record can be
// read back within MaxHarBuf.
bool WriteElementList(TRecFile& f, const std::vector<std::string>& names, int32_t n,
                      TFileFlavour flavour, std::string& msg) {
  const int32_t nRecs = n == 0 ? 1 : (n - 1) / MaxNamesPerRec + 1;
  std::vector<uint8_t> buf;
  if (!CheckedAlloc(
          [&] { buf.reserve(static_cast<size_t>(std::min(n, MaxNamesPerRec)) * NameField); }, msg))
    return false;
  int32_t done = 0;
  for (int32_t recsLeft = nRecs; recsLeft >= 1; --recsLeft) {
    const int32_t here = std::min(n - done, MaxNamesPerRec);
    buf.clear();
    for (int32_t j = 1; j <= here; ++j) PutName(buf, names[static_cast<size_t>(done + j)]);
    uint8_t struc[ListStrucSiz];
    EncodeInt32(struc, recsLeft);
    EncodeInt32(struc + 4, n);
    EncodeInt32(struc + 8, here);
    if (!WriteRecBuf(f, struc, ListStrucSiz, buf.data(), here, NameField, flavour, msg))
      return false;
    done += here;
  }
  return true;
}

}  // namespace

std::string CleanName(std::string_view name) {
  name = TrimTrailingBlanks(name);
  std::string out;
  out.reserve(name.size());
  for (const char c : name)
    if (IsNameChar(c)) out.push_back(c);
  return out;
}

bool GetOrgREData(TRecFile& f, const TDims7& dims, TREDetails& details, TSetElements& setElements,
                  TFileFlavour flavour, std::string& msg) {
  for (PStrVec& v : setElements) v.reset();
  details = TREDetails{};
  PutPlaceholders(details);

  const uint8_t* struc = nullptr;
  const uint8_t* elms = nullptr;
  int32_t nElms = 0;
  if (!GetRecBuf(f, struc, 0, elms, nElms, 1, flavour, msg)) return Tagged(msg, "GetOrgREData");
  int32_t setsToRead = 0;
  // Every field is taken before the element lists overwrite HarBuf.
  if (!ParseSetInfo(elms, nElms, details, setsToRead, msg)) return Tagged(msg, "GetOrgREData");

  int32_t e = 0;
  int32_t r = 0;
  for (int i = 1; i <= details.acdim; ++i) {
    switch (details.RDelst[i]) {
      case 'k': {
        int m = 1;
        while (m < i && !(details.RDelst[m] == 'k' && details.StName[m] == details.StName[i])) ++m;
        if (m < i) {
          if (dims[8 - m] != dims[8 - i])
            return FailTag(msg,
                           "Set " + details.StName[i] + " has 2 different sizes in same header. ",
                           "GetOrgREData");
          int32_t maxLen = 0;
          if (!DupePStrVec(setElements[8 - m], setElements[8 - i], maxLen, dims[8 - m], msg))
            return Tagged(msg, "GetOrgREData");
        } else {
          ++r;
          if (!GetHarStrings(f, setElements[8 - i], dims[8 - i], NameField, flavour, msg))
            return Tagged(msg, "GetOrgREData");
        }
        break;
      }
      case 'u':
        break;
      case 'n':
        details.RDelst[i] = 'u';
        break;
      case 'e':
        ++e;
        if (!AllocPStrVec(setElements[8 - i], 1, msg)) return Tagged(msg, "GetOrgREData");
        (*setElements[8 - i])[1] = details.eltnam[e];
        break;
      default:
        return FailTag(msg, "RDelst not k, e, u or n", "GetOrgREData");
    }
  }
  if (details.NEltrd != e) {
    return FailTag(
        msg,
        "neltrd mismatch: J=" + std::to_string(e) + ",NEltrd=" + std::to_string(details.NEltrd),
        "GetOrgREData");
  }
  if (r != setsToRead) {
    return FailTag(msg, "SetsToRead mismatch", "GetOrgREData");
  }
  return true;
}

bool TransferREData(TREDetails& details, int32_t& origNDim, const TSetElements& setElements,
                    TSetNames& setNames, const TDims7& dims, std::string& /*msg*/) {
  const int32_t acdim = std::clamp(details.acdim, 0, 7);
  for (int i = 1; i <= acdim; ++i)
    if (details.RDelst[i] == 'u' &&
        Lower(details.StName[i]) == Lower("unk" + std::to_string(dims[8 - i])))
      details.StName[i].clear();
  origNDim = details.acdim;
  for (int i = 1; i <= acdim; ++i) setNames[8 - i] = details.StName[i].substr(0, SetNameLen);
  for (int i = 1; i <= acdim; ++i) {
    const PStrVec& v = setElements[8 - i];
    if (details.RDelst[i] == 'e' && v != nullptr && v->size() > 1)
      setNames[8 - i] = (*v)[1].substr(0, SetNameLen);
  }
  return true;
}

bool GetREData(TRecFile& f, TREDetails& details, int32_t& origNDim, const TDims7& dims,
               TSetElements& setElements, TSetNames& setNames, TFileFlavour flavour,
               std::string& msg) {
  if (!GetOrgREData(f, dims, details, setElements, flavour, msg)) return Tagged(msg, "GetREData");
  if (!TransferREData(details, origNDim, setElements, setNames, dims, msg))
    return Tagged(msg, "GetREData");
  return true;
}

bool TurnRLtoRE(THeaderRec* head, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "TurnRLtoRE");
  TREDetails& d = head->REDetails;
  d = TREDetails{};
  d.acdim = head->OrigNDim;
  d.acdmkn = true;
  d.stknow = false;
  for (int i = 1; i <= 7; ++i) d.RDelst[i] = 'u';
  head->HeadType = "RE";
  return true;
}

bool ValidREDetails(const THeaderRec* head, std::string& msg) {
  if (NilPtrError(head, msg)) return Tagged(msg, "ValidREDetails");
  const TREDetails& d = head->REDetails;
  if (!d.stknow) return FailTag(msg, "stknow false", "ValidREDetails");
  if (!d.acdmkn) return FailTag(msg, "acdmkn false", "ValidREDetails");
  if (head->OrigNDim != d.acdim) return FailTag(msg, "acdim<>OrigNDim", "ValidREDetails");
  // Seven dimensions at most; a larger acdim cannot be written either.
  if (d.acdim < 0 || d.acdim > 7) return FailTag(msg, "acdim outside 0..7", "ValidREDetails");
  for (int i = 1; i <= d.acdim; ++i) {
    if (IsBlank(d.StName[i])) return FailTag(msg, "StName blank", "ValidREDetails");
    switch (d.RDelst[i]) {
      case 'e':
        if (d.elno[i] <= 0) return FailTag(msg, "elno<=0", "ValidREDetails");
        if (IsBlank(d.eltnam[i])) return FailTag(msg, "eltnam blank", "ValidREDetails");
        break;
      case 'k':
      case 'u':
        break;
      default:
        return FailTag(msg, "RDelst not e,u, or k", "ValidREDetails");
    }
  }
  return true;
}

bool CheckSetSizes(const THeaderRec* head, std::string& msg) {
  if (head == nullptr || head->HeadType != "RE") return true;
  const int32_t nDim = std::clamp(head->OrigNDim, 0, 7);
  for (int i = 2; i <= nDim; ++i) {
    const std::string& name = head->SetNames[8 - i];
    if (IsBlank(name)) continue;
    for (int m = 1; m < i; ++m) {
      if (head->SetNames[8 - m] != name) continue;
      if (head->Dims[8 - i] != head->Dims[8 - m])
        return Fail(
            msg, "Header " + head->Name + " has two sets named " + name + " with different sizes.");
    }
  }
  return true;
}

bool WriteOrgREData(TRecFile& f, const TREDetails& details, const TDims7& d,
                    const TSetElements& setElements, TFileFlavour flavour, std::string& msg) {
  const int32_t acdim = details.acdim;
  if (acdim < 0 || acdim > 7) return FailTag(msg, "acdim outside 0..7", "WriteOrgREData");
  if (details.NEltrd < 0 || details.NEltrd > 7)
    return FailTag(msg, "NEltrd outside 0..7", "WriteOrgREData");
  // The reader takes one single-element name per 'e' dimension; labels that
  // disagree would make a file it refuses.
  const auto singles = static_cast<int32_t>(
      std::count(details.RDelst.begin() + 1, details.RDelst.begin() + 1 + acdim, 'e'));
  if (singles != details.NEltrd) {
    return FailTag(msg,
                   "neltrd mismatch: J=" + std::to_string(singles) +
                       ",NEltrd=" + std::to_string(details.NEltrd),
                   "WriteOrgREData");
  }
  for (int i = 1; i <= acdim; ++i) {
    if (details.RDelst[i] != 'k') continue;
    const PStrVec& v = setElements[8 - i];
    if (v == nullptr)
      return FailTag(msg, "nil SetElements for i=" + std::to_string(i), "WriteOrgREData");
    // The list must hold names 1..D[i]; a shorter one would be read past its end.
    if (d[i] < 0 || v->size() < static_cast<size_t>(d[i]) + 1)
      return FailTag(msg, "SetElements too short for i=" + std::to_string(i), "WriteOrgREData");
  }
  std::array<bool, 8> marked{};
  int32_t setsToRead = 0;
  for (int i = 1; i <= acdim; ++i) {
    if (details.RDelst[i] != 'k') continue;
    bool first = true;
    for (int m = 1; m < i && first; ++m)
      if (details.RDelst[m] == 'k' && details.StName[m] == details.StName[i]) first = false;
    marked[i] = first;
    if (first) ++setsToRead;
  }

  std::vector<uint8_t> info;
  if (!CheckedAlloc([&] { info.reserve(InfoHeadLen + 4 + 7 * PerDimLen + 7 * NameField); }, msg))
    return Tagged(msg, "WriteOrgREData");
  PutInt(info, setsToRead);
  PutInt(info, details.acdmkn ? -1 : 0);
  PutInt(info, acdim);
  PutName(info, details.ArrayName);
  PutInt(info, details.stknow ? -1 : 0);
  for (int i = 1; i <= acdim; ++i) PutName(info, details.StName[i]);
  for (int i = 1; i <= acdim; ++i) info.push_back(static_cast<uint8_t>(details.RDelst[i]));
  for (int i = 1; i <= acdim; ++i) PutInt(info, details.elno[i]);
  PutInt(info, details.NEltrd);
  for (int j = 1; j <= details.NEltrd; ++j) PutName(info, details.eltnam[j]);
  if (!WriteRecBuf(f, nullptr, 0, info.data(), static_cast<int64_t>(info.size()), 1, flavour, msg))
    return Tagged(msg, "WriteOrgREData");

  for (int i = 1; i <= acdim; ++i) {
    if (!marked[i]) continue;
    if (!WriteElementList(f, *setElements[8 - i], d[i], flavour, msg))
      return Tagged(msg, "WriteOrgREData");
  }
  return true;
}

}  // namespace modrask
