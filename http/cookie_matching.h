// The host and path rules that decide which cookies a target may set and
// which it receives.
#pragma once

#include <string>
#include <string_view>

#include "http/uri.h"

namespace zorapi {

// Equal ignoring case, or host ends with "." and domain and is a name.
bool DomainMatches(std::u16string_view AHost, std::u16string_view ADomain);
// False for a host that starts with "." or is an IPv4 or IPv6 address.
bool HostIsName(std::u16string_view AHost);
// Equal ignoring case, or the cookie path is a prefix that ends at a "/".
bool PathMatches(std::u16string_view AURIPath, std::u16string_view ACookiePath);
// The target's directory without its final "/", or "/".
std::u16string DefaultCookiePath(const TIdURI& ATarget);

}  // namespace zorapi
