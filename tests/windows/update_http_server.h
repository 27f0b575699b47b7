// A tiny HTTP server on 127.0.0.1 for the update check's Windows tests, run
// on a thread of the test's own process: it listens on a free port the
// system picks, answers GET requests from a table of paths (anything else is
// a 404 with an HTML error page, as web servers send), one request per
// connection, and records the paths asked for.
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace purgeon::testing {

class LocalHttpServer {
  public:
    LocalHttpServer() {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
        wsa_started_ = true;
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (listener_ == INVALID_SOCKET) return;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;  // a free port
        int length = sizeof(address);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            listen(listener_, 8) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    ~LocalHttpServer() {
        stopping_ = true;
        if (listener_ != INVALID_SOCKET) closesocket(listener_);  // ends the accept
        if (thread_.joinable()) thread_.join();
        if (wsa_started_) WSACleanup();
    }

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // 0 when the server could not start.
    std::uint16_t port() const { return port_; }
    std::wstring Origin() const { return L"http://127.0.0.1:" + std::to_wstring(port_); }

    // Serves `body` with 200 at `path`; Remove makes it a 404 again.
    void Put(const std::string& path, const std::string& body) {
        std::lock_guard<std::mutex> lock(mutex_);
        files_[path] = body;
    }
    void Remove(const std::string& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        files_.erase(path);
    }
    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    void ClearRequests() {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.clear();
    }

  private:
    void Serve() {
        while (!stopping_) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            Answer(client);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    void Answer(SOCKET client) {
        std::string request;
        char buffer[2048];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            const int got = recv(client, buffer, sizeof(buffer), 0);
            if (got <= 0) return;
            request.append(buffer, std::size_t(got));
        }
        // "GET /path HTTP/1.1"
        const std::size_t path_start = request.find(' ') + 1;
        const std::size_t path_end = request.find(' ', path_start);
        const std::string path = request.substr(path_start, path_end - path_start);
        std::string status = "404 Not Found", body;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(path);
            const auto file = files_.find(path);
            if (file != files_.end()) {
                status = "200 OK";
                body = file->second;
            } else {
                body =
                    "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1>"
                    "</body></html>";
            }
        }
        const std::string response =
            "HTTP/1.1 " + status +
            "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n" + body;
        for (std::size_t sent = 0; sent < response.size();) {
            const int wrote = send(client, response.data() + sent, int(response.size() - sent), 0);
            if (wrote <= 0) return;
            sent += std::size_t(wrote);
        }
    }

    bool wsa_started_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string> files_;
    std::vector<std::string> requests_;
};

}  // namespace purgeon::testing
