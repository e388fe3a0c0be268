// The seed files of the fuzz targets, made with the project's own writer:
// every header type it writes, both framings, FULL and SPSE storage, labels
// with known and unknown elements, history, and headers of several records.
#pragma once

#include <string>
#include <vector>

namespace modrask::fuzz {

// Writes the seed files into the existing folder `dir`; their paths come
// back in `files`. False with the writer's message when one fails.
bool MakeSeedFiles(const std::string& dir, std::vector<std::string>& files, std::string& msg);

}  // namespace modrask::fuzz
