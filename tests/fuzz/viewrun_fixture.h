// One input of the viewer's fuzz target: the bytes as an HTTP request's Host
// and target, answered by the viewer's request handling for two seed files.
// Shared by the fuzz target and by the test that replays its seeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace modrask::fuzz {

// The input is "HOST\nTARGET", or TARGET alone with the right Host; "TOKEN"
// in the target stands for the session's token and "PORT" in the host for
// its port. The answer must be 200, 400, 403, 404 or 405 (the seed files are
// sound, the request is all that can be wrong), and a JSON answer must parse.
// False with what went wrong in `fault`.
bool ViewOne(const uint8_t* data, size_t size, std::string& fault);

}  // namespace modrask::fuzz
