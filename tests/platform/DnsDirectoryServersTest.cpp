#include "platform/DnsDirectoryServers.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace kw {
namespace {

using Bytes = std::vector<unsigned char>;

void put16(Bytes& out, unsigned value) {
    out.push_back(static_cast<unsigned char>(value >> 8));
    out.push_back(static_cast<unsigned char>(value & 0xFF));
}

// Labels of a dotted name; the caller ends them with a 0 or a pointer.
Bytes labels(std::string_view dotted) {
    Bytes out;
    while (!dotted.empty()) {
        const std::string_view label = dotted.substr(0, dotted.find('.'));
        out.push_back(static_cast<unsigned char>(label.size()));
        out.insert(out.end(), label.begin(), label.end());
        dotted.remove_prefix(std::min(dotted.size(), label.size() + 1));
    }
    return out;
}

Bytes srvData(unsigned port, Bytes target) {
    Bytes out;
    put16(out, 1);  // priority
    put16(out, 1);  // weight
    put16(out, port);
    out.insert(out.end(), target.begin(), target.end());
    return out;
}

struct Record {
    unsigned type;
    Bytes data;
};

// A name server's answer to the SRV question, with these answer records.
Bytes answerMessage(const std::vector<Record>& records) {
    Bytes out;
    for (const unsigned word : {0x1234u, 0x8180u, 1u, static_cast<unsigned>(records.size()), 0u, 0u})
        put16(out, word);
    Bytes question = labels(kDirectorySrvName);
    question.push_back(0);
    out.insert(out.end(), question.begin(), question.end());
    put16(out, 33);
    put16(out, 1);
    for (const Record& record : records) {
        put16(out, 0xC00C);  // the question's name
        put16(out, record.type);
        put16(out, 1);
        put16(out, 0);
        put16(out, 300);
        put16(out, static_cast<unsigned>(record.data.size()));
        out.insert(out.end(), record.data.begin(), record.data.end());
    }
    return out;
}

TEST(DnsDirectoryServers, ReadsTheTargetsOfTheSrvRecordsOnly) {
    Bytes plain = labels("de1.api.radio-browser.info");
    plain.push_back(0);
    // "fi1.api" and a pointer to "radio-browser.info" in the question (offset 22).
    Bytes compressed = labels("fi1.api");
    compressed.insert(compressed.end(), {0xC0, 22});
    const Bytes message = answerMessage({{33, srvData(443, plain)},
                                         {1, {127, 0, 0, 1}},
                                         {33, srvData(8443, compressed)},
                                         {33, srvData(443, {0})}});  // "." offers nothing
    const std::vector<ServerName> targets = srvTargetsOf(message);
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(targets[0].host, "de1.api.radio-browser.info");
    EXPECT_EQ(targets[0].port, 443u);
    EXPECT_EQ(targets[1].host, "fi1.api.radio-browser.info");
    EXPECT_EQ(targets[1].port, 8443u);
}

TEST(DnsDirectoryServers, AMessageThatCannotBeReadGivesNoTargets) {
    Bytes target = labels("de1.api.radio-browser.info");
    target.push_back(0);
    const Bytes whole = answerMessage({{33, srvData(443, target)}});
    const Bytes cut(whole.begin(), whole.end() - 5);
    // A target that points at itself.
    Bytes looping = answerMessage({{33, srvData(443, {0xC0, 0x00})}});
    looping.back() = static_cast<unsigned char>(looping.size() - 2);
    for (const Bytes& message : {cut, Bytes{}, Bytes(11, 0), looping})
        EXPECT_TRUE(srvTargetsOf(message).empty()) << message.size();
}

TEST(DnsDirectoryServers, AddressesAreHttpsOncePerHostInTheRandomSourcesOrder) {
    const std::vector<ServerName> names{{"DE1.api.radio-browser.info.", 443},
                                        {"de1.api.radio-browser.info", 0},
                                        {"fi1.api.radio-browser.info", 8443},
                                        {"bad name", 0},
                                        {"evil.example/path", 0},
                                        {"", 0}};
    const std::vector<std::string> inOrder{"https://de1.api.radio-browser.info",
                                           "https://fi1.api.radio-browser.info:8443"};
    EXPECT_EQ(directoryAddresses(names, [](int bound) { return bound - 1; }), inOrder);
    EXPECT_EQ(directoryAddresses(names, [](int) { return 0; }),
              (std::vector<std::string>{inOrder[1], inOrder[0]}));
}

}  // namespace
}  // namespace kw
