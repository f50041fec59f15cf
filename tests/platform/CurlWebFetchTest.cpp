#include "platform/CurlWebFetch.h"
#include "support/LocalDocumentServer.h"
#include "support/LocalStreamServer.h"

#include <gtest/gtest.h>

#include <thread>

namespace kw {
namespace {

using Clock = std::chrono::steady_clock;
using Server = test::LocalDocumentServer;
using std::chrono::milliseconds;

}  // namespace

std::ostream& operator<<(std::ostream& out, FetchOutcome outcome) {
    constexpr const char* kNames[] = {"Fetched", "Failed", "TooLarge", "Stalled", "Cancelled"};
    return out << kNames[static_cast<int>(outcome)];
}

namespace {

Server& server() {
    static Server instance;
    return instance;
}

FetchLimits quickLimits() {
    FetchLimits limits;
    limits.connectTimeout = milliseconds(1000);
    limits.stallTimeout = milliseconds(1000);
    limits.maxBytes = 1 << 20;
    return limits;
}

// A document of n bytes that compresses well but not to nothing.
std::string text(std::size_t n) {
    std::string out;
    while (out.size() < n) out += "#EXTINF:-1," + std::to_string(out.size()) + "\nhttp://127.0.0.1/s\n";
    out.resize(n);
    return out;
}

Server::Answer document(std::string body, std::string type = "text/plain") {
    Server::Answer answer;
    answer.body = std::move(body);
    answer.contentType = std::move(type);
    return answer;
}

struct FetchCase {
    const char* label;
    std::function<std::string()> setup;  // serves what the case needs; gives the address
    FetchOutcome outcome;
    ProbeReason reason = ProbeReason::Unchecked;
    long httpStatus = 0;
    std::string body{};         // when Fetched
    std::string contentType{};  // checked when set
    std::string finalPath{};    // checked when set
    std::uint64_t maxBytes = 1 << 20;
    int stallMs = 1000;

    FetchCase typed(std::string type) const {
        return with([&](FetchCase& c) { c.contentType = type; });
    }
    FetchCase endingAt(std::string path) const {
        return with([&](FetchCase& c) { c.finalPath = path; });
    }
    FetchCase keeping(std::uint64_t bytes) const {
        return with([&](FetchCase& c) { c.maxBytes = bytes; });
    }
    FetchCase stallingAfter(int ms) const {
        return with([&](FetchCase& c) { c.stallMs = ms; });
    }
    FetchCase with(const std::function<void(FetchCase&)>& change) const {
        FetchCase copy = *this;
        change(copy);
        return copy;
    }
};

FetchCase fetched(const char* label, std::function<std::string()> setup, std::string body) {
    FetchCase c{label, std::move(setup), FetchOutcome::Fetched};
    c.body = std::move(body);
    return c;
}

FetchCase failed(const char* label, std::function<std::string()> setup, ProbeReason reason, long status = 0) {
    FetchCase c{label, std::move(setup), FetchOutcome::Failed};
    c.reason = reason;
    c.httpStatus = status;
    return c;
}

FetchCase ended(const char* label, std::function<std::string()> setup, FetchOutcome outcome) {
    return FetchCase{label, std::move(setup), outcome};
}

std::ostream& operator<<(std::ostream& out, const FetchCase& c) { return out << c.label; }

// A document behind count redirects: prefix/count leads to prefix/count-1, ..., prefix/0.
std::string chain(const std::string& prefix, int count) {
    server().serve(prefix + "/0", document("end"));
    for (int i = 1; i <= count; ++i)
        server().serve(prefix + "/" + std::to_string(i),
                       Server::redirect(prefix + "/" + std::to_string(i - 1)));
    return server().url(prefix + "/" + std::to_string(count));
}

std::string serveAt(const std::string& path, Server::Answer answer) {
    server().serve(path, std::move(answer));
    return server().url(path);
}

class Fetch : public testing::TestWithParam<FetchCase> {};

TEST_P(Fetch, EndsAsTheAnswerDeserves) {
    const FetchCase& c = GetParam();
    const std::string address = c.setup();
    FetchLimits limits = quickLimits();
    limits.maxBytes = c.maxBytes;
    limits.stallTimeout = milliseconds(c.stallMs);
    const auto start = Clock::now();
    const FetchResult result = CurlWebFetch().fetch(address, limits, {});
    EXPECT_LT(Clock::now() - start, milliseconds(1500));
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.reason, c.reason) << probeReasonEntry(result.reason).code;
    EXPECT_EQ(result.httpStatus, c.httpStatus);
    EXPECT_EQ(result.body, c.body);
    if (!c.contentType.empty()) {
        EXPECT_EQ(result.contentType, c.contentType);
    }
    if (!c.finalPath.empty()) {
        EXPECT_EQ(result.finalAddress, server().url(c.finalPath));
    }
}

Server::Answer withStatus(std::string status, Server::Answer answer) {
    answer.status = std::move(status);
    return answer;
}

Server::Answer stalled(Server::Stall stall, Server::Answer answer = {}) {
    answer.stall = stall;
    return answer;
}

Server::Answer announcing(std::uint64_t length, Server::Answer answer) {
    answer.contentLength = length;
    return answer;
}

INSTANTIATE_TEST_SUITE_P(
    CurlWebFetch, Fetch,
    testing::Values(
        fetched(
            "Document", [] { return serveAt("/list.m3u", document("#EXTM3U\n", "audio/x-mpegurl")); },
            "#EXTM3U\n")
            .typed("audio/x-mpegurl")
            .endingAt("/list.m3u"),
        fetched(
            "GzipInflated",
            [] {
                Server::Answer answer = document(text(300000));
                answer.gzip = true;
                return serveAt("/gzip", answer);
            },
            text(300000)),
        ended(
            "GzipBombStopsAtTheLimit",
            [] { return serveAt("/bomb", Server::gzipBomb(std::uint64_t{200} << 20)); },
            FetchOutcome::TooLarge),
        fetched(
            "BodyOfExactlyTheLimit", [] { return serveAt("/exact", document(text(1000))); }, text(1000))
            .keeping(1000),
        ended(
            "BodyOneByteOverTheLimit", [] { return serveAt("/over", document(text(1001))); },
            FetchOutcome::TooLarge)
            .keeping(1000),
        // The server never sends the body: only the announced length can end it early.
        ended(
            "AnnouncedLengthOverTheLimit",
            [] {
                return serveAt("/announced", stalled(Server::Stall::AfterHeaders,
                                                     announcing(std::uint64_t{100} << 20, {})));
            },
            FetchOutcome::TooLarge)
            .stallingAfter(5000),
        failed(
            "TruncatedBody", [] { return serveAt("/truncated", announcing(1000, document("#EXTM3U\n"))); },
            ProbeReason::NetworkError),
        failed(
            "NotFound",
            [] {
                return serveAt("/gone",
                               withStatus("404 Not Found", document("<html>gone</html>", "text/html")));
            },
            ProbeReason::HttpStatus, 404),
        failed(
            "RedirectWithoutTarget",
            [] { return serveAt("/choices", withStatus("300 Multiple Choices", document("choose"))); },
            ProbeReason::HttpStatus, 300),
        fetched(
            "FiveRedirects", [] { return chain("/five", 5); }, "end")
            .endingAt("/five/0"),
        failed(
            "SixRedirects", [] { return chain("/six", 6); }, ProbeReason::TooManyRedirects),
        failed(
            "RedirectLoop",
            [] {
                server().serve("/loop-b", Server::redirect("/loop-a"));
                return serveAt("/loop-a", Server::redirect(server().url("/loop-b"), "301 Moved Permanently"));
            },
            ProbeReason::TooManyRedirects),
        failed(
            "RedirectToAFile", [] { return serveAt("/to-file", Server::redirect("file:///etc/passwd")); },
            ProbeReason::RedirectRefused),
        failed(
            "RedirectToAnError", [] { return serveAt("/to-missing", Server::redirect("/never-served")); },
            ProbeReason::HttpStatus, 404)
            .endingAt("/never-served"),
        failed(
            "FileAddressNeverRead", [] { return std::string("file:///etc/passwd"); },
            ProbeReason::UnsupportedScheme),
        failed(
            "AddressWithoutScheme", [] { return server().url("/list.m3u").substr(7); },
            ProbeReason::BadAddress),
        failed(
            "RefusedPort", [] { return test::LocalStreamServer::refusedUrl() + "list.m3u"; },
            ProbeReason::ConnectionRefused),
        ended(
            "SilentServer", [] { return serveAt("/silent", stalled(Server::Stall::Silent)); },
            FetchOutcome::Stalled)
            .stallingAfter(300),
        ended(
            "StallAfterTheHeaders",
            [] {
                return serveAt("/headers-only", stalled(Server::Stall::AfterHeaders, document(text(1000))));
            },
            FetchOutcome::Stalled)
            .stallingAfter(300),
        failed(
            "EndlessHeaders",
            [] {
                Server::Answer answer = document("x");
                answer.headers.assign(400, "X-Pad: " + std::string(1000, 'a'));
                return serveAt("/headers", answer);
            },
            ProbeReason::HeadersTooLong),
        fetched(
            "ControlCharactersLeaveTheType",
            [] { return serveAt("/escape", document("x", "text/\x1b[31mplain\x7f")); }, "x")
            .typed("text/[31mplain")),
    [](const testing::TestParamInfo<FetchCase>& param) { return std::string(param.param.label); });

TEST(CurlWebFetch, RedirectLoopAsksNoMoreThanTheRedirectsAllow) {
    server().serve("/ping", Server::redirect("/pong"));
    server().serve("/pong", Server::redirect("/ping"));
    const FetchResult result = CurlWebFetch().fetch(server().url("/ping"), quickLimits(), {});
    EXPECT_EQ(result.reason, ProbeReason::TooManyRedirects);
    EXPECT_EQ(server().requests("/ping") + server().requests("/pong"), 6u);
}

TEST(CurlWebFetch, AsksForCompressionOnlyWhenAllowed) {
    server().serve("/asked", document("x"));
    for (const bool compressed : {true, false}) {
        FetchLimits limits = quickLimits();
        limits.compressed = compressed;
        ASSERT_EQ(CurlWebFetch().fetch(server().url("/asked"), limits, {}).outcome, FetchOutcome::Fetched);
        const std::string request = server().lastRequest("/asked");
        EXPECT_NE(request.find("User-Agent: KestrelWave/1.0\r\n"), std::string::npos) << request;
        EXPECT_EQ(request.find("Accept-Encoding:") != std::string::npos, compressed) << request;
        EXPECT_EQ(request.find("Cookie:"), std::string::npos) << request;
    }
}

TEST(CurlWebFetch, SendsTheUserAgentOfTheLimitsOnOneLine) {
    server().serve("/agent", document("x"));
    const std::pair<std::string, std::string> cases[] = {
        {"KestrelWave/1.0 (directory)", "KestrelWave/1.0 (directory)"},
        {"KestrelWave/1.0\r\nX-Injected: 1", "KestrelWave/1.0X-Injected: 1"},
        {"", "KestrelWave/1.0"},
    };
    for (const auto& [given, sent] : cases) {
        FetchLimits limits = quickLimits();
        limits.userAgent = given;
        ASSERT_EQ(CurlWebFetch().fetch(server().url("/agent"), limits, {}).outcome, FetchOutcome::Fetched);
        const std::string request = server().lastRequest("/agent");
        EXPECT_NE(request.find("\r\nUser-Agent: " + sent + "\r\n"), std::string::npos) << request;
        EXPECT_EQ(request.find("\r\nX-Injected"), std::string::npos) << request;
    }
}

TEST(CurlWebFetch, ProgressRunsWhileTheServerIsSilent) {
    Server::Answer answer;
    answer.contentLength = 5000;
    answer.stall = Server::Stall::AfterHeaders;
    server().serve("/waiting", answer);
    FetchLimits limits = quickLimits();
    limits.stallTimeout = milliseconds(500);
    std::vector<Clock::time_point> calls{Clock::now()};
    std::uint64_t lastExpected = 0;
    const FetchResult result = CurlWebFetch().fetch(server().url("/waiting"), limits,
                                                    [&](std::uint64_t received, std::uint64_t expected) {
                                                        calls.push_back(Clock::now());
                                                        EXPECT_EQ(received, 0u);
                                                        lastExpected = expected;
                                                        return true;
                                                    });
    calls.push_back(Clock::now());
    EXPECT_EQ(result.outcome, FetchOutcome::Stalled);
    EXPECT_EQ(lastExpected, 5000u);
    EXPECT_GE(calls.size(), 10u);
    for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_LT(calls[i] - calls[i - 1], milliseconds(60)) << i;
}

TEST(CurlWebFetch, CancelFromProgressEndsTheFetchSoon) {
    Server::Answer answer;
    answer.stall = Server::Stall::Silent;
    server().serve("/cancelled", answer);
    FetchLimits limits = quickLimits();
    limits.stallTimeout = milliseconds(5000);
    const auto start = Clock::now();
    Clock::time_point cancelled;
    const FetchResult result = CurlWebFetch().fetch(server().url("/cancelled"), limits, [&](auto, auto) {
        if (Clock::now() - start < milliseconds(100)) return true;
        cancelled = Clock::now();
        return false;
    });
    EXPECT_EQ(result.outcome, FetchOutcome::Cancelled);
    EXPECT_LT(Clock::now() - cancelled, milliseconds(50));
}

TEST(CurlWebFetch, TwoThreadsFetchAtOnce) {
    server().serve("/one", document(text(200000)));
    server().serve("/two", document(text(100000)));
    auto fetchMany = [](const std::string& path, std::size_t size, int& good) {
        CurlWebFetch fetch;
        for (int i = 0; i < 10; ++i) {
            const FetchResult result = fetch.fetch(server().url(path), quickLimits(), {});
            good += result.outcome == FetchOutcome::Fetched && result.body == text(size);
        }
    };
    int goodOne = 0;
    int goodTwo = 0;
    std::thread other(fetchMany, "/one", 200000, std::ref(goodOne));
    fetchMany("/two", 100000, goodTwo);
    other.join();
    EXPECT_EQ(goodOne, 10);
    EXPECT_EQ(goodTwo, 10);
}

}  // namespace
}  // namespace kw
