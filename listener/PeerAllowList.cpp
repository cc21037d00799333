#include "listener/PeerAllowList.h"

#include <arpa/inet.h>

#include <charconv>

namespace hd {

bool PeerAllowList::Add(const std::string& text) {
    const size_t slash = text.find('/');
    const std::string address = text.substr(0, slash);
    unsigned bits = 32;
    if (slash != std::string::npos) {
        const char* begin = text.data() + slash + 1;
        const char* end = text.data() + text.size();
        auto [p, ec] = std::from_chars(begin, end, bits);
        if (begin == end || ec != std::errc() || p != end || bits > 32) return false;
    }
    in_addr a{};
    if (inet_pton(AF_INET, address.c_str(), &a) != 1) return false;
    // A shift by 32 is undefined: /0 is every address.
    const uint32_t mask = bits == 0 ? 0 : ~uint32_t(0) << (32 - bits);
    m_networks.push_back({ntohl(a.s_addr) & mask, mask});
    return true;
}

bool PeerAllowList::Allows(in_addr peer) const {
    if (m_networks.empty()) return true;
    const uint32_t host = ntohl(peer.s_addr);
    for (const Network& n : m_networks)
        if ((host & n.mask) == n.address) return true;
    return false;
}

}  // namespace hd
