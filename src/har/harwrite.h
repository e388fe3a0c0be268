// Writing a whole Header Array file: the header-name rules, the checks made
// before anything is written, the fixed header order, and the settings that
// choose the output framing.
#pragma once

#include <string>

#include "modrask/har/harmodel.h"

namespace modrask {

// Completes and checks harData, stamps XXCD/XXCR with dateText and progName,
// and writes XXCD, XXCR, XXCP, XXHS (unless it holds no strings), the
// ordinary XX headers, then the rest; XXFF never. The records go to a
// temporary file beside fileName, which takes the name only when every
// header is written and the file is flushed: on false (" [WriteHarFile]")
// nothing new is left and a file already at fileName is as it was. The
// caller keeps ownership of harData, which the writing changes (stamps,
// normalised names, "Unk" + size set names, forced Flavour). Values that
// reading left in their file are copied or decoded from it (realwrite.h);
// on a host where an open file cannot be replaced, that file is closed
// before the output takes its name, and such values cannot be written or
// read again afterwards. `options` choose the framing (forced or that of
// harData) and the sparse threshold; the first form takes the defaults.
bool WriteHarFile(const std::string& fileName, const std::string& progName,
                  const std::string& dateText, THarData* harData, std::string& msg);
bool WriteHarFile(const std::string& fileName, const std::string& progName,
                  const std::string& dateText, THarData* harData, const TWriteOptions& options,
                  std::string& msg);

// The framing `options` write a file in whose data is in `flavour`.
TFileFlavour WrittenFlavour(const TWriteOptions& options, TFileFlavour flavour);

// The parts of WriteHarFile's writing, for a writer that puts out the
// headers whose names do not begin with XX one by one as it gets them:
// WriteLeadingHeaders stamps XXCD/XXCR and writes everything that comes
// before them (the special headers, the history, the ordinary XX headers of
// harData, which must be complete: CompleteHarFile); WriteOrdinaryHeader
// writes one ordinary header as WriteHarFile does ("Unk" + size set names).
// Failures are WriteHead's, untagged otherwise.
bool WriteLeadingHeaders(TRecFile& f, const std::string& progName, const std::string& dateText,
                         THarData& harData, TFileFlavour flavour, std::string& msg);
bool WriteOrdinaryHeader(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

// Writes one header through the writer of its type (RL/RE, 1C, 2I). False
// with " [WriteHead:" + the first 4 characters of its name + "]".
bool WriteHead(TRecFile& f, THeaderRec* head, TFileFlavour flavour, std::string& msg);

// Checks the ordinary header names: legal (normalising them in place), then
// distinct. False only when harData is nil; a problem found is reported in
// msg while the result is true, and msg is empty when all is well.
bool CheckHarFile(THarData* harData, std::string& msg);

// True when an ordinary header not beginning with XX has an illegal name:
// badName is that name as CheckHeaderName left it, pos its position (from
// 1), msg the rule's message. Legal names before it are stored normalised.
bool FindIllegalHeader(THarData& harData, std::string& badName, int32_t& pos, std::string& msg);

// FindIllegalHeader's test of one header: true when its name begins with XX
// or is legal (and is then stored normalised); false with badName and msg
// as FindIllegalHeader gives them.
bool NormaliseHeaderName(THeaderRec& head, std::string& badName, std::string& msg);

// True when two headers (XX names included) have the same normalised name:
// pos1 is the first header that has a later twin, pos2 its first twin, as a
// pairwise scan would find them, in one linear pass.
bool FindDuplicateHeader(const THarData& harData, std::string& dupName, int32_t& pos1,
                         int32_t& pos2);

// True when `name` is a legal header name: 1 to 4 characters besides
// blanks, each a digit, A-Z, "@" or "_", not beginning with XX. Name comes
// back normalised (or emptied when blank); msg holds the rule broken.
bool CheckHeaderName(std::string& name, std::string& msg);

}  // namespace modrask
