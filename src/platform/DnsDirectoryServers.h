#pragma once

#include "core/base/Environment.h"
#include "core/ports/DirectoryServers.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kw {

// The SRV records that name the directory's mirrors, and the name whose
// addresses are all the mirrors (their names come back by reverse lookup).
inline constexpr std::string_view kDirectorySrvName = "_api._tcp.radio-browser.info";
inline constexpr std::string_view kDirectoryAllName = "all.api.radio-browser.info";

struct ServerName {
    std::string host;
    unsigned port = 0;  // 0 or 443: the https default
};

// The targets of the SRV records in a DNS answer message, in message order;
// other records are skipped, and a message that cannot be read gives none.
std::vector<ServerName> srvTargetsOf(std::span<const unsigned char> message);

// "https://HOST" (with ":PORT" for another port) for each usable name, each
// once, in an order drawn from random. Names are lower-cased and lose their
// final dot; one with other characters than letters, digits, "-" and "."
// is no host and is dropped.
std::vector<std::string> directoryAddresses(const std::vector<ServerName>& names, const RandomSource& random);

// The directory's mirrors from the system's name servers: the SRV records
// of kDirectorySrvName, else the reverse names of kDirectoryAllName's
// addresses. The SRV query gives up after a few seconds; getaddrinfo and
// getnameinfo have no time-out of their own and wait as long as the
// system's resolver is set to (resolv.conf: timeout and attempts).
class DnsDirectoryServers final : public DirectoryServers {
public:
    explicit DnsDirectoryServers(RandomSource random);

    std::vector<std::string> candidates() override;

private:
    RandomSource random_;
};

}  // namespace kw
