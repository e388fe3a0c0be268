// Whole records in either framing: reading into a file's record buffer, writing from the
// caller's memory, skipping to the next header name record, and the record
// buffer shape: four blanks, a fixed structure, then equal-sized elements.
#pragma once

#include <cstdint>
#include <string>

#include "modrask/records/lheyfile.h"

namespace modrask {

// The blank head that opens every record-buffer record.
inline constexpr int32_t LenHead = 4;

// Reads the next record's data into `buf` (at least MaxHarBuf bytes), or
// reports a clean end of file with atEof. Records longer than MaxHarBuf fail
// with "File record too long". Failures carry " [GetLaheyRecA]".
bool GetLaheyRecA(TRecFile& f, uint8_t* buf, int32_t& recLen, TFileFlavour flavour, bool& atEof,
                  std::string& msg);

// As GetLaheyRecA, but the end of the file is a failure that assigns no text.
bool GetNextRec(TRecFile& f, uint8_t* buf, int32_t& recLen, TFileFlavour flavour, std::string& msg);

// Writes one record of `len` data bytes. Failures: "cannot write to disk
// (probably no space) [WriteLaheyRec]"; a length the framing cannot carry
// (Old Lahey: above MaxLaheyLen - 4, as the trailing marker adds the leading
// marker's size; New Fujitsu: above INT32_MAX) is refused before anything is
// written, "Record too long for Old Lahey framing: " len.
bool WriteLaheyRec(TRecFile& f, const void* buf, int64_t len, TFileFlavour flavour,
                   std::string& msg);

// The marker bytes before and after `len` (0..the framing's limit) data
// bytes. Returns the leading marker's size; the trailing one's is `trailSize`.
int BuildMarkers(int32_t len, TFileFlavour flavour, uint8_t lead[4], uint8_t trail[4],
                 int& trailSize);

// Moves n bytes forward: repositions, or in a Large file reads and drops in
// pieces of at most MaxHarBuf + 1 bytes. The position may pass the end.
void SkipBytes(TRecFile& f, int64_t n);

// Advances to and reads the next 4-byte record (a header name record);
// found false at a clean end of the file. Records in between are skipped:
// New Fujitsu checks their trailing markers, Old Lahey passes over them
// unread, but a skip that passes the end of the file fails with
// "Unexpected end-of-file [SkipBytes] [SkipHead]" rather than looking like a
// clean end. Failures carry " [SkipHead]".
bool SkipHead(TRecFile& f, char name[4], bool& found, TFileFlavour flavour, std::string& msg);

// The next header name, upper-cased (a-z only), or BlankHead when none is
// left (found false). Failures carry " [SkipHead] [GetHead]".
bool GetHead(TRecFile& f, std::string& name, bool& found, TFileFlavour flavour, std::string& msg);

// Writes one record-buffer record: 4 blanks, strucSiz bytes of `struc`, then
// nElms elements of sizElms bytes from `elms`. The length is computed in 64
// bits and refused as in WriteLaheyRec when the framing cannot carry it.
// Failures carry " [WriteRecBuf]".
bool WriteRecBuf(TRecFile& f, const void* struc, int32_t strucSiz, const void* elms, int64_t nElms,
                 int32_t sizElms, TFileFlavour flavour, std::string& msg);

// Reads one record-buffer record into f.Buf(). strucPtr and elmsPtr point
// into it and stay valid until the next read of f into it. Failures: "sizelms=0",
// "Record too Short n/m", "Non-Unit Record Length", record faults; all with
// " [GetRecBuf]". The end of the file assigns no text: `msg` keeps what it
// held and gets the tag. The record's data, its blank head included, starts
// at f.Buf().
bool GetRecBuf(TRecFile& f, const uint8_t*& strucPtr, int32_t strucSiz, const uint8_t*& elmsPtr,
               int32_t& nElms, int32_t sizElms, TFileFlavour flavour, std::string& msg);

// As GetRecBuf, with the same faults in the same order, but the record is
// left in the file's own buffer where that holds it whole: the pointers are
// valid only until the next read of this file. For readers
// that look at a record once and copy what they keep.
bool GetRecBufInPlace(TRecFile& f, const uint8_t*& strucPtr, int32_t strucSiz,
                      const uint8_t*& elmsPtr, int32_t& nElms, int32_t sizElms,
                      TFileFlavour flavour, std::string& msg);

// As GetRecBufInPlace, with the same faults in the same order, but when the
// record holds exactly nWanted elements they are read straight into dst (as
// the file stores them) and `into` is set; elmsPtr is then null. Otherwise
// `into` is false and elmsPtr points at them as GetRecBufInPlace leaves them.
bool GetRecBufInto(TRecFile& f, const uint8_t*& strucPtr, int32_t strucSiz, void* dst,
                   int32_t nWanted, bool& into, const uint8_t*& elmsPtr, int32_t& nElms,
                   int32_t sizElms, TFileFlavour flavour, std::string& msg);

// As GetRecBuf, with the same faults in the same order, but only the head
// and the structure are read into f.Buf(): the elements are passed over
// (repositioning, never reading), and elmsPos is the file offset where they
// begin. For readers that need only the shape of a record.
bool GetRecBufStruc(TRecFile& f, const uint8_t*& strucPtr, int32_t strucSiz, int64_t& elmsPos,
                    int32_t& nElms, int32_t sizElms, TFileFlavour flavour, std::string& msg);

}  // namespace modrask
