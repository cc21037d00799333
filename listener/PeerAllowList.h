// The peers hdlisten serves (--allow ADDR[/BITS], repeatable): IPv4 networks
// a connection's address is matched against before a byte is read from it.
// An empty list lets everyone in. Filled from the command line on the main
// thread, then only read.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

namespace hd {

class PeerAllowList {
public:
    // "10.0.0.7" (one host) or "10.0.0.0/8"; false when the text is not one.
    bool Add(const std::string& text);
    bool Empty() const { return m_networks.empty(); }
    bool Allows(in_addr peer) const;

private:
    struct Network {
        uint32_t address;  // host order, masked
        uint32_t mask;
    };
    std::vector<Network> m_networks;
};

}  // namespace hd
