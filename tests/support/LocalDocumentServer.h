#pragma once

// A small HTTP server on 127.0.0.1 that serves documents a test sets, for
// fetching playlists and directory answers from an address. Documents can be
// set and changed while it runs, from any thread; each request is answered on
// a thread of its own and closes its connection. The port is chosen by the
// system; everything stops when the server is destroyed.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kw::test {

class LocalDocumentServer {
public:
    enum class Stall {
        None,
        Silent,        // accepts and reads the request, sends nothing
        AfterHeaders,  // sends the status line and headers, then nothing
    };

    struct Answer {
        std::string status = "200 OK";
        std::string contentType = "text/plain";
        std::string body;
        bool gzip = false;                           // sent gzip-compressed, Content-Encoding: gzip
        std::string location;                        // sent as Location when set
        Stall stall = Stall::None;                   // a stalled answer waits until the client goes
        std::optional<std::uint64_t> contentLength;  // announced instead of the sent body's length
        std::vector<std::string> headers;            // further header lines, without line ends
    };

    static Answer redirect(std::string location, std::string status = "302 Found") {
        Answer answer;
        answer.status = std::move(status);
        answer.location = std::move(location);
        return answer;
    }

    // count zero bytes, gzip-compressed: about a thousandth of count on the wire.
    static Answer gzipBomb(std::uint64_t count) {
        Answer answer;
        answer.contentType = "application/octet-stream";
        answer.body = gzipped({}, count);
        answer.headers.push_back("Content-Encoding: gzip");
        return answer;
    }

    // data as a gzip stream, followed by zeros zero bytes (made piecewise,
    // so a large run of them never sits in memory whole).
    static std::string gzipped(std::string_view data, std::uint64_t zeros = 0) {
        z_stream stream{};
        if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::runtime_error("deflateInit2 failed");
        std::string out;
        const std::string zeroBlock(1 << 20, '\0');
        char buffer[1 << 16];
        auto pump = [&](std::string_view input, int flush) {
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
            stream.avail_in = static_cast<uInt>(input.size());
            do {
                stream.next_out = reinterpret_cast<Bytef*>(buffer);
                stream.avail_out = sizeof buffer;
                deflate(&stream, flush);
                out.append(buffer, sizeof buffer - stream.avail_out);
            } while (stream.avail_out == 0);
        };
        pump(data, Z_NO_FLUSH);
        while (zeros > 0) {
            const std::size_t piece =
                zeros < zeroBlock.size() ? static_cast<std::size_t>(zeros) : zeroBlock.size();
            pump(std::string_view(zeroBlock).substr(0, piece), Z_NO_FLUSH);
            zeros -= piece;
        }
        pump({}, Z_FINISH);
        deflateEnd(&stream);
        return out;
    }

    LocalDocumentServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int yes = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 64) != 0) {
            ::close(listener_);
            throw std::runtime_error("the local document server cannot listen");
        }
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }

    ~LocalDocumentServer() {
        stop_ = true;
        acceptor_.join();
        std::lock_guard lock(workersMutex_);
        for (std::thread& worker : workers_) worker.join();
        ::close(listener_);
    }

    LocalDocumentServer(const LocalDocumentServer&) = delete;
    LocalDocumentServer& operator=(const LocalDocumentServer&) = delete;

    // Serves answer at path (the request target: the path with any query),
    // in place of what was served there. A path never set answers 404.
    void serve(std::string path, Answer answer) {
        if (answer.gzip) {
            answer.body = gzipped(answer.body);
            answer.headers.push_back("Content-Encoding: gzip");
            answer.gzip = false;
        }
        std::lock_guard lock(mutex_);
        documents_[std::move(path)] = std::make_shared<const Answer>(std::move(answer));
    }

    void remove(const std::string& path) {
        std::lock_guard lock(mutex_);
        documents_.erase(path);
    }

    // Requests for path so far, whether or not something was served there.
    std::size_t requests(const std::string& path) const {
        std::lock_guard lock(mutex_);
        const auto found = requests_.find(path);
        return found == requests_.end() ? 0 : found->second.count;
    }

    // The request line and headers of the last request for path; empty before one.
    std::string lastRequest(const std::string& path) const {
        std::lock_guard lock(mutex_);
        const auto found = requests_.find(path);
        return found == requests_.end() ? std::string() : found->second.last;
    }

    std::string url(std::string_view path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
    }

    unsigned short port() const { return port_; }

private:
    using Ms = std::chrono::milliseconds;
    static constexpr Ms kMaxLife{15000};  // no connection outlives this

    struct Seen {
        std::size_t count = 0;
        std::string last;
    };

    void acceptLoop() {
        while (!stop_) {
            pollfd waiting{listener_, POLLIN, 0};
            if (::poll(&waiting, 1, 20) <= 0) continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            std::lock_guard lock(workersMutex_);
            workers_.emplace_back([this, client] {
                answer(client);
                ::close(client);
            });
        }
    }

    // Sends all of data unless the client goes, stops reading for the
    // connection's life, or the server stops.
    bool send(int client, std::string_view data, std::chrono::steady_clock::time_point end) const {
        while (!data.empty()) {
            if (stop_ || std::chrono::steady_clock::now() >= end) return false;
            pollfd writable{client, POLLOUT, 0};
            if (::poll(&writable, 1, 20) <= 0) continue;
            const ssize_t sent = ::send(client, data.data(), data.size(), MSG_NOSIGNAL);
            if (sent <= 0) return false;
            data.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // Holds the connection open, sending nothing, until the client goes.
    void waitForClose(int client, std::chrono::steady_clock::time_point end) const {
        char buffer[512];
        while (!stop_ && std::chrono::steady_clock::now() < end) {
            pollfd readable{client, POLLIN, 0};
            if (::poll(&readable, 1, 20) <= 0) continue;
            if (::recv(client, buffer, sizeof buffer, 0) <= 0) return;
        }
    }

    // The request line and headers; empty when none arrives.
    std::string readRequest(int client, std::chrono::steady_clock::time_point end) const {
        std::string request;
        char buffer[2048];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            if (stop_ || std::chrono::steady_clock::now() >= end) return {};
            pollfd readable{client, POLLIN, 0};
            if (::poll(&readable, 1, 20) <= 0) continue;
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) return {};
            request.append(buffer, static_cast<std::size_t>(got));
        }
        return request.substr(0, request.find("\r\n\r\n"));
    }

    void answer(int client) {
        const auto end = std::chrono::steady_clock::now() + kMaxLife;
        const std::string request = readRequest(client, end);
        const auto first = request.find(' ');
        const auto second = request.find(' ', first + 1);
        if (first == std::string::npos || second == std::string::npos) return;
        const std::string path = request.substr(first + 1, second - first - 1);
        std::shared_ptr<const Answer> document;
        {
            std::lock_guard lock(mutex_);
            Seen& seen = requests_[path];
            ++seen.count;
            seen.last = request;
            const auto found = documents_.find(path);
            if (found != documents_.end()) document = found->second;
        }
        if (!document) {
            send(client, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n", end);
            return;
        }
        if (document->stall == Stall::Silent) return waitForClose(client, end);
        std::string head = "HTTP/1.1 " + document->status + "\r\n";
        if (!document->contentType.empty()) head += "Content-Type: " + document->contentType + "\r\n";
        if (!document->location.empty()) head += "Location: " + document->location + "\r\n";
        head += "Content-Length: " + std::to_string(document->contentLength.value_or(document->body.size())) +
                "\r\n";
        for (const std::string& line : document->headers) head += line + "\r\n";
        head += "Connection: close\r\n\r\n";
        if (!send(client, head, end)) return;
        if (document->stall == Stall::AfterHeaders) return waitForClose(client, end);
        send(client, document->body, end);
    }

    int listener_ = -1;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<const Answer>> documents_;
    std::map<std::string, Seen> requests_;
    std::mutex workersMutex_;
    std::vector<std::thread> workers_;
};

}  // namespace kw::test
