#include "remote/remote_access.h"

#include <random>

namespace tvx {

bool SystemRandomBytes(unsigned char* bytes, std::size_t count) {
    try {
        std::random_device device;
        for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(device());
        return true;
    } catch (...) {
        return false;  // no random source on this system
    }
}

std::string NewAccessToken(RandomBytes random) {
    unsigned char bytes[32];
    if (!random(bytes, sizeof bytes)) return {};
    constexpr char kDigits[] = "0123456789abcdef";
    std::string token;
    for (unsigned char b : bytes) {
        token += kDigits[b >> 4];
        token += kDigits[b & 0x0F];
    }
    return token;
}

bool TokenWellFormed(std::string_view token) {
    if (token.size() < 16 || token.size() > 128) return false;
    for (char ch : token) {
        if (ch <= ' ' || ch > '~') return false;
    }
    return true;
}

bool SameSecret(std::string_view expected, std::string_view given) {
    // Every character of the longer text is looked at, whatever matched before.
    const std::size_t n = expected.size() > given.size() ? expected.size() : given.size();
    unsigned difference = expected.size() == given.size() ? 0u : 1u;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned a = i < expected.size() ? static_cast<unsigned char>(expected[i]) : 0u;
        const unsigned b = i < given.size() ? static_cast<unsigned char>(given[i]) : 0u;
        difference |= a ^ b;
    }
    return difference == 0;
}

std::string_view BearerToken(std::string_view authorization) {
    authorization = TrimBlanks(authorization);
    constexpr std::string_view kScheme = "bearer";
    if (authorization.size() <= kScheme.size()) return {};
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        char ch = authorization[i];
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        if (ch != kScheme[i]) return {};
    }
    const char after = authorization[kScheme.size()];
    if (after != ' ' && after != '\t') return {};
    return TrimBlanks(authorization.substr(kScheme.size()));
}

RemoteAccess CheckRemoteAccess(const std::vector<HostRule>& rules, std::string_view token,
                               std::string_view peer, std::string_view authorization) {
    if (!HostAllowed(rules, peer)) return RemoteAccess::NotAllowedHost;
    const std::string_view given = BearerToken(authorization);
    if (token.empty()) {
        return IsLoopbackPeer(peer) ? RemoteAccess::Granted : RemoteAccess::TokenNotSet;
    }
    if (given.empty()) return RemoteAccess::TokenMissing;
    return SameSecret(token, given) ? RemoteAccess::Granted : RemoteAccess::TokenWrong;
}

}  // namespace tvx
