#pragma once

// A small HTTP server on 127.0.0.1 for the channel probe: each path answers
// like a kind of stream server (steady, slow, dead, hostile). The port is
// chosen by the system; everything stops when the server is destroyed.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kw::test {

class LocalStreamServer {
public:
    LocalStreamServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int yes = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 256);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }

    ~LocalStreamServer() {
        stop_ = true;
        acceptor_.join();
        std::lock_guard lock(mutex_);
        for (std::thread& worker : workers_) worker.join();
        ::close(listener_);
    }

    std::string url(std::string_view path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
    }

    // An address nobody listens on.
    static std::string refusedUrl() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(s);
        return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
    }

private:
    using Ms = std::chrono::milliseconds;
    static constexpr Ms kMaxLife{15000};  // no connection outlives this

    void acceptLoop() {
        while (!stop_) {
            pollfd waiting{listener_, POLLIN, 0};
            if (::poll(&waiting, 1, 50) <= 0) continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            std::lock_guard lock(mutex_);
            workers_.emplace_back([this, client] {
                serve(client);
                ::close(client);
            });
        }
    }

    bool send(int client, std::string_view data) {
        while (!data.empty()) {
            const ssize_t sent = ::send(client, data.data(), data.size(), MSG_NOSIGNAL);
            if (sent <= 0) return false;
            data.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // Sends chunk every interval until the client goes or the server stops.
    void stream(int client, std::string_view head, std::size_t chunk, Ms interval) {
        if (!send(client, head)) return;
        const std::string data(chunk, 'x');
        const auto end = std::chrono::steady_clock::now() + kMaxLife;
        while (!stop_ && std::chrono::steady_clock::now() < end && send(client, data)) {
            if (interval.count() > 0) std::this_thread::sleep_for(interval);
        }
    }

    static std::string requestPath(int client) {
        std::string request;
        char buffer[2048];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
            pollfd waiting{client, POLLIN, 0};
            if (::poll(&waiting, 1, 2000) <= 0) return {};
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) return {};
            request.append(buffer, static_cast<std::size_t>(got));
        }
        const auto first = request.find(' ');
        const auto second = request.find(' ', first + 1);
        return request.substr(first + 1, second - first - 1);
    }

    void serve(int client) {
        const std::string path = requestPath(client);
        const std::string audio = "HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\nConnection: close\r\n\r\n";
        auto answer = [&](std::string_view status, std::string_view type, std::string_view body) {
            send(client, "HTTP/1.1 " + std::string(status) + "\r\nContent-Type: " + std::string(type) +
                             "\r\nContent-Length: " + std::to_string(body.size()) +
                             "\r\nConnection: close\r\n\r\n" + std::string(body));
        };
        auto redirect = [&](std::string_view location) {
            send(client, "HTTP/1.1 302 Found\r\nLocation: " + std::string(location) +
                             "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        };
        if (path == "/steady128") return stream(client, audio, 2000, Ms(125));  // 128 kbit/s
        if (path == "/drip") return stream(client, audio, 100, Ms(200));        // 4 kbit/s
        if (path == "/fast") return stream(client, audio, 16384, Ms(0));
        if (path == "/icy")
            return stream(client, "ICY 200 OK\r\nicy-name: local\r\ncontent-type: audio/mpeg\r\n\r\n", 4000,
                          Ms(100));
        if (path == "/404") return answer("404 Not Found", "text/html", "<html>gone</html>");
        if (path == "/500") return answer("500 Internal Server Error", "text/plain", "broken");
        if (path == "/page")
            return answer("200 OK", "text/html; charset=utf-8", "<html><body>hi</body></html>");
        if (path == "/silent") {
            const auto end = std::chrono::steady_clock::now() + kMaxLife;
            while (!stop_ && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(Ms(20));
            return;
        }
        if (path == "/master.m3u8")
            return answer("200 OK", "application/vnd.apple.mpegurl",
                          "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=128000\nlow/index.m3u8\n");
        if (path == "/low/index.m3u8")
            return answer("200 OK", "application/vnd.apple.mpegurl",
                          "#EXTM3U\n#EXT-X-TARGETDURATION:4\n#EXTINF:4.0,\nseg0.ts\n#EXTINF:4.0,\nseg1.ts\n");
        if (path == "/low/seg0.ts") return answer("200 OK", "video/mp2t", std::string(64000, 'G'));
        if (path == "/broken.m3u8")
            return answer("200 OK", "application/vnd.apple.mpegurl", "#EXTM3U\n#EXTINF:4.0,\nmissing.ts\n");
        if (path.starts_with("/hop/")) {
            const int left = std::stoi(path.substr(5));
            return left == 0 ? stream(client, audio, 2000, Ms(125))
                             : redirect("/hop/" + std::to_string(left - 1));
        }
        if (path == "/to-file") return redirect("file:///etc/passwd");
        if (path == "/escape-type") return answer("200 OK", "text/x-\x1b[31mred", "body");
        if (path == "/self.m3u8")
            return answer(
                "200 OK", "application/vnd.apple.mpegurl",
                "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=128000\nself.m3u8\n" + std::string(60000, '#'));
        if (path == "/page-segment.m3u8")
            return answer("200 OK", "application/vnd.apple.mpegurl", "#EXTM3U\n#EXTINF:4.0,\n/page\n");
        if (path == "/not-http") {
            send(client, std::string("\x16\x03\x01garbage, no status line\r\n\r\n") + std::string(4000, 'g'));
            return;
        }
        if (path == "/slow-status") {
            for (const char c : std::string_view("ICY 200 OK\r\ncontent-type: audio/mpeg\r\n\r\n")) {
                if (stop_ || !send(client, std::string_view(&c, 1))) return;
                std::this_thread::sleep_for(Ms(300));
            }
            return;
        }
        if (path == "/endless-header-line") {
            if (!send(client, "HTTP/1.1 200 OK\r\nX-Pad: ")) return;
            const std::string pad(4096, 'a');
            const auto end = std::chrono::steady_clock::now() + kMaxLife;
            while (!stop_ && std::chrono::steady_clock::now() < end && send(client, pad)) {
            }
            return;
        }
        if (path == "/endless-headers") {
            if (!send(client, "HTTP/1.1 200 OK\r\n")) return;
            const auto end = std::chrono::steady_clock::now() + kMaxLife;
            while (!stop_ && std::chrono::steady_clock::now() < end &&
                   send(client, "X-Pad: aaaaaaaaaaaaaaaa\r\n")) {
            }
            return;
        }
        if (path == "/endless-chunked") {
            if (!send(client,
                      "HTTP/1.1 200 OK\r\nContent-Type: audio/aac\r\nTransfer-Encoding: chunked\r\n\r\n"))
                return;
            const std::string chunk = "1000\r\n" + std::string(0x1000, 'c') + "\r\n";
            const auto end = std::chrono::steady_clock::now() + kMaxLife;
            while (!stop_ && std::chrono::steady_clock::now() < end && send(client, chunk)) {
            }
            return;
        }
        answer("404 Not Found", "text/plain", "");
    }

    int listener_ = -1;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<std::thread> workers_;
};

}  // namespace kw::test
