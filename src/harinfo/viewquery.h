// The parts of a viewer request before it is routed: the query's keys and
// values, numbers in them, the token and the Host header.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace modrask::harinfo {

using TQuery = std::map<std::string, std::string>;

// Splits the query into percent-decoded keys and values ('+' is a blank).
// False on a broken escape or a key given twice.
bool ParseQuery(std::string_view query, TQuery& q);

// True when `query` holds token=`token` exactly once, as the page writes it
// (no escapes), whatever else it holds.
bool HasToken(std::string_view query, std::string_view token);

// The whole of `s` as a decimal number in [min, max].
bool Number(std::string_view s, int64_t min, int64_t max, int64_t& v);

// Equal in constant time for strings of the same length; never for empty.
bool SameToken(std::string_view a, std::string_view b);

// Host names 127.0.0.1 or localhost with `port`.
bool HostAllowed(std::string_view host, uint16_t port);

}  // namespace modrask::harinfo
