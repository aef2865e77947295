// Who may use the remote interface: the allowed hosts (model/allowed_hosts.h), the access token
// (compared in constant time, made from a real random source) and the listening address. This PC (127.0.0.0/8) is always an allowed host; once a token is set every request
// must carry it, this PC's included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/allowed_hosts.h"
#include "model/config.h"

namespace tvx {

// The access token: 32 random bytes as 64 lowercase hexadecimal digits. random fills the bytes
// and says false when it cannot; the token is then empty.
using RandomBytes = bool (*)(unsigned char* bytes, std::size_t count);
// std::random_device, which reads the system's own random source.
bool SystemRandomBytes(unsigned char* bytes, std::size_t count);
std::string NewAccessToken(RandomBytes random = SystemRandomBytes);
// A token as the configuration may hold it: 16 to 128 visible ASCII characters.
bool TokenWellFormed(std::string_view token);

// Compares in time that depends only on the lengths, so that a peer cannot find the token a
// character at a time.
bool SameSecret(std::string_view expected, std::string_view given);
// The token of an "Authorization: Bearer TOKEN" header (the scheme in any case, one or more
// blanks); empty when the header is absent or of another scheme.
std::string_view BearerToken(std::string_view authorization);

// What a request may do by its peer and the token it carries.
enum class RemoteAccess { Granted, NotAllowedHost, TokenMissing, TokenWrong, TokenNotSet };
// token: the configured one, empty when none is set. From this PC without a configured token a
// request is served; from any other host it needs the token (TokenNotSet when none is set).
RemoteAccess CheckRemoteAccess(const std::vector<HostRule>& rules, std::string_view token,
                               std::string_view peer, std::string_view authorization);

}  // namespace tvx
