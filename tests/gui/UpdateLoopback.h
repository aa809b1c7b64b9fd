#pragma once
// A tiny HTTP server on 127.0.0.1 for the update and upload tests: one connection at a time, on a
// thread of its own, bounded in connections and in time. The handler writes the raw reply.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    struct Request {
        std::string method, path, head, body;
    };
    using Handler = std::function<void(const Request&, int fd)>;

    explicit LoopbackServer(Handler handler, int maxConnections = 8, int lifetimeMs = 20000)
        : m_handler(std::move(handler))
        , m_max(maxConnections)
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_listen, 4);
        socklen_t len = sizeof addr;
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(lifetimeMs);
        m_thread = std::thread([this, deadline] { Serve(deadline); });
    }

    ~LoopbackServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listen);
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    bool stopping() const { return m_stop; }

    std::vector<Request> requests()
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    std::vector<std::string> paths()
    {
        std::vector<std::string> out;
        for (const Request& r : requests())
            out.push_back(r.path);
        return out;
    }

    static void Send(int fd, const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            done += std::size_t(n);
        }
    }
    static std::string Reply(const std::string& status, const std::string& body, bool withLength = true)
    {
        std::string head = "HTTP/1.1 " + status + "\r\nConnection: close\r\n";
        if (withLength)
            head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        return head + "\r\n" + body;
    }
    static std::string Ok(const std::string& body) { return Reply("200 OK", body); }

private:
    void Serve(std::chrono::steady_clock::time_point deadline)
    {
        int served = 0;
        while (!m_stop && served < m_max && std::chrono::steady_clock::now() < deadline) {
            pollfd p { m_listen, POLLIN, 0 };
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            ++served;
            Request r;
            if (ReadRequest(fd, r)) {
                {
                    std::lock_guard lock(m_mutex);
                    m_requests.push_back(r);
                }
                m_handler(r, fd);
            }
            ::close(fd);
        }
    }

    // Reads until the head and the announced body are in; false on timeout or a closed peer.
    bool ReadRequest(int fd, Request& r)
    {
        std::string data;
        std::size_t headEnd = std::string::npos;
        std::size_t length = 0;
        bool continued = false;
        for (int rounds = 0; rounds < 200; ++rounds) {
            if (headEnd == std::string::npos && (headEnd = data.find("\r\n\r\n")) != std::string::npos) {
                r.head = data.substr(0, headEnd);
                const std::size_t sp = r.head.find(' ');
                r.method = r.head.substr(0, sp);
                r.path = r.head.substr(sp + 1, r.head.find(' ', sp + 1) - sp - 1);
                const std::string lower = Lower(r.head);
                if (const std::size_t at = lower.find("content-length:"); at != std::string::npos)
                    length = std::stoul(lower.substr(at + 15));
                if (lower.find("expect: 100-continue") != std::string::npos && !continued) {
                    Send(fd, "HTTP/1.1 100 Continue\r\n\r\n");
                    continued = true;
                }
            }
            if (headEnd != std::string::npos && data.size() >= headEnd + 4 + length) {
                r.body = data.substr(headEnd + 4, length);
                return true;
            }
            pollfd p { fd, POLLIN, 0 };
            if (::poll(&p, 1, 50) <= 0) {
                if (m_stop)
                    return false;
                continue;
            }
            char buffer[65536];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return false;
            data.append(buffer, std::size_t(n));
        }
        return false;
    }

    static std::string Lower(std::string s)
    {
        for (char& c : s)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }

    Handler m_handler;
    int m_max;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop { false };
    std::mutex m_mutex;
    std::vector<Request> m_requests;
    std::thread m_thread;
};
