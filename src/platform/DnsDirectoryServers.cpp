#include "platform/DnsDirectoryServers.h"

#include "core/base/AsciiText.h"

#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>
#include <sys/socket.h>

#include <algorithm>
#include <set>
#include <utility>

namespace kw {
namespace {

// Seconds per name server and query, and one retry: the SRV query ends
// within a few seconds even when every name server is silent.
constexpr int kQuerySeconds = 2;
constexpr int kQueryRetries = 1;
constexpr std::size_t kMaxMessage = 65535;
constexpr unsigned kHttpsPort = 443;
// A reverse name is the address owner's word, not the directory's: only
// names inside the directory's domain are taken.
constexpr std::string_view kDirectoryDomain = ".radio-browser.info";

bool isHostName(std::string_view host) {
    return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
        return ascii::isLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    });
}

std::vector<ServerName> srvLookup() {
    struct __res_state state {};
    if (res_ninit(&state) != 0) return {};
    state.retrans = kQuerySeconds;
    state.retry = kQueryRetries;
    std::vector<unsigned char> message(kMaxMessage);
    const int length = res_nquery(&state, std::string(kDirectorySrvName).c_str(), ns_c_in, ns_t_srv,
                                  message.data(), static_cast<int>(message.size()));
    res_nclose(&state);
    if (length <= 0) return {};
    // A truncated answer reports its whole length, more than the buffer holds.
    message.resize(std::min(message.size(), static_cast<std::size_t>(length)));
    return srvTargetsOf(message);
}

std::vector<ServerName> reverseNamesOfAll() {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(std::string(kDirectoryAllName).c_str(), nullptr, &hints, &found) != 0) return {};
    std::vector<ServerName> names;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        char host[NI_MAXHOST];
        if (getnameinfo(entry->ai_addr, entry->ai_addrlen, host, sizeof host, nullptr, 0, NI_NAMEREQD) != 0)
            continue;
        std::string name = ascii::lower(host);
        if (name.ends_with('.')) name.pop_back();
        if (name.ends_with(kDirectoryDomain)) names.push_back({std::move(name), 0});
    }
    freeaddrinfo(found);
    return names;
}

}  // namespace

std::vector<ServerName> srvTargetsOf(std::span<const unsigned char> message) {
    ns_msg parsed{};
    if (ns_initparse(message.data(), static_cast<int>(message.size()), &parsed) != 0) return {};
    std::vector<ServerName> targets;
    const int answers = ns_msg_count(parsed, ns_s_an);
    for (int index = 0; index < answers; ++index) {
        ns_rr record{};
        if (ns_parserr(&parsed, ns_s_an, index, &record) != 0) break;
        // Priority, weight and port before the target's name.
        if (ns_rr_type(record) != ns_t_srv || ns_rr_rdlen(record) < 7) continue;
        const unsigned char* data = ns_rr_rdata(record);
        char name[NS_MAXDNAME];
        if (dn_expand(ns_msg_base(parsed), ns_msg_end(parsed), data + 6, name, sizeof name) < 0) continue;
        // An empty target (".") says the service is not offered there.
        if (name[0] == '\0') continue;
        targets.push_back({name, ns_get16(data + 4)});
    }
    return targets;
}

std::vector<std::string> directoryAddresses(const std::vector<ServerName>& names,
                                            const RandomSource& random) {
    std::vector<std::string> addresses;
    std::set<std::string> seen;
    for (const ServerName& name : names) {
        std::string host = ascii::lower(name.host);
        if (host.ends_with('.')) host.pop_back();
        if (!isHostName(host)) continue;
        std::string address = "https://" + host;
        if (name.port != 0 && name.port != kHttpsPort) address += ":" + std::to_string(name.port);
        if (seen.insert(address).second) addresses.push_back(std::move(address));
    }
    for (std::size_t last = addresses.size(); last > 1; --last)
        std::swap(addresses[last - 1], addresses[static_cast<std::size_t>(random(static_cast<int>(last)))]);
    return addresses;
}

DnsDirectoryServers::DnsDirectoryServers(RandomSource random) : random_(std::move(random)) {}

std::vector<std::string> DnsDirectoryServers::candidates() {
    std::vector<ServerName> names = srvLookup();
    if (names.empty()) names = reverseNamesOfAll();
    return directoryAddresses(names, random_);
}

}  // namespace kw
