// tests/win/support/HttpTestServer.cpp
#include "HttpTestServer.h"

#include <winsock.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace {

// Every wait is cut into steps this long, so that Stop is noticed soon.
constexpr int StepMs = 50;
// How long one connection may stay silent before it is dropped.
constexpr DWORD IdleLimitMs = 10000;
constexpr size_t HeaderLimit = 64 * 1024;

std::string Lower(std::string s)
{
    for (char& ch : s)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return s;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::string Base64(const std::string& in)
{
    static const char A[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(in[i]) << 16 | static_cast<unsigned char>(in[i + 1]) << 8 |
                     static_cast<unsigned char>(in[i + 2]);
        out += {A[v >> 18 & 63], A[v >> 12 & 63], A[v >> 6 & 63], A[v & 63]};
    }
    if (i + 1 == in.size()) {
        unsigned v = static_cast<unsigned char>(in[i]) << 16;
        out += {A[v >> 18 & 63], A[v >> 12 & 63], '=', '='};
    } else if (i + 2 == in.size()) {
        unsigned v = static_cast<unsigned char>(in[i]) << 16 | static_cast<unsigned char>(in[i + 1]) << 8;
        out += {A[v >> 18 & 63], A[v >> 12 & 63], A[v >> 6 & 63], '='};
    }
    return out;
}

long ToLong(const std::string& s, long fallback)
{
    if (s.empty()) return fallback;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    return end && *end == 0 ? v : fallback;
}

const char* Reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

struct TConnection {
    THttpTestServer* Server;
    unsigned Socket;
};

} // namespace

std::string THttpTestServer::TRequest::Header(const std::string& name) const
{
    const std::string key = Lower(name);
    for (const auto& h : Headers)
        if (Lower(h.first) == key) return h.second;
    return {};
}

bool THttpTestServer::TRequest::HasHeader(const std::string& name) const
{
    const std::string key = Lower(name);
    return std::any_of(Headers.begin(), Headers.end(), [&](const auto& h) { return Lower(h.first) == key; });
}

std::string THttpTestServer::TRequest::Query(const std::string& name) const
{
    size_t q = Target.find('?');
    if (q == std::string::npos) return {};
    std::string rest = Target.substr(q + 1);
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t amp = rest.find('&', pos);
        std::string pair = rest.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
        size_t eq = pair.find('=');
        if (Decode(pair.substr(0, eq)) == name) return eq == std::string::npos ? std::string() : Decode(pair.substr(eq + 1));
        if (amp == std::string::npos) break;
        pos = amp + 1;
    }
    return {};
}

std::string THttpTestServer::Decode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+')
            out += ' ';
        else if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                 std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else
            out += text[i];
    }
    return out;
}

THttpTestServer::THttpTestServer()
{
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0) throw std::runtime_error("WSAStartup failed");
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = inet_addr("127.0.0.1");
    addr.sin_port = 0; // a free port, chosen by the system
    int len = sizeof addr;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        closesocket(s);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    FListener = static_cast<unsigned>(s);
    FPort = ntohs(addr.sin_port);
    DWORD id = 0;
    FAcceptThread = CreateThread(nullptr, 0, &AcceptProc, this, 0, &id);
    if (!FAcceptThread) {
        closesocket(s);
        throw std::runtime_error("cannot start the server thread");
    }
}

THttpTestServer::~THttpTestServer()
{
    Stop();
    WSACleanup();
}

void THttpTestServer::Stop()
{
    if (FStopping.exchange(true)) return;
    if (FAcceptThread) {
        WaitForSingleObject(FAcceptThread, 5000);
        CloseHandle(FAcceptThread);
        FAcceptThread = nullptr;
    }
    closesocket(FListener);
    std::vector<HANDLE> threads;
    {
        TCriticalSectionGuard guard(FLock);
        threads.swap(FConnectionThreads);
    }
    for (HANDLE h : threads) {
        WaitForSingleObject(h, 15000);
        CloseHandle(h);
    }
}

std::string THttpTestServer::URL(const std::string& pathAndQuery) const
{
    return "http://127.0.0.1:" + std::to_string(FPort) + pathAndQuery;
}

std::vector<THttpTestServer::TRequest> THttpTestServer::Requests() const
{
    TCriticalSectionGuard guard(FLock);
    return FRequests;
}

size_t THttpTestServer::RequestCount() const
{
    TCriticalSectionGuard guard(FLock);
    return FRequests.size();
}

DWORD WINAPI THttpTestServer::AcceptProc(LPVOID self)
{
    auto* server = static_cast<THttpTestServer*>(self);
    while (!server->FStopping) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(server->FListener, &set);
        timeval tv{0, StepMs * 1000};
        if (select(0, &set, nullptr, nullptr, &tv) <= 0) continue;
        SOCKET c = accept(server->FListener, nullptr, nullptr);
        if (c == INVALID_SOCKET) continue;
        auto* conn = new TConnection{server, static_cast<unsigned>(c)};
        DWORD id = 0;
        HANDLE h = CreateThread(nullptr, 0, &ConnectionProc, conn, 0, &id);
        if (!h) {
            closesocket(c);
            delete conn;
            continue;
        }
        TCriticalSectionGuard guard(server->FLock);
        server->FConnectionThreads.push_back(h);
    }
    return 0;
}

DWORD WINAPI THttpTestServer::ConnectionProc(LPVOID param)
{
    auto* conn = static_cast<TConnection*>(param);
    THttpTestServer* server = conn->Server;
    unsigned s = conn->Socket;
    delete conn;
    try {
        server->Serve(s);
    } catch (...) {
        // A test server answers what it can; the test sees the rest as a failed transfer.
    }
    shutdown(s, 1);
    closesocket(s);
    return 0;
}

void THttpTestServer::Pause(DWORD ms)
{
    DWORD start = GetTickCount();
    while (!FStopping && GetTickCount() - start < ms) Sleep(std::min<DWORD>(StepMs, ms));
}

bool THttpTestServer::Receive(unsigned s, std::string& into)
{
    DWORD idleSince = GetTickCount();
    while (!FStopping) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval tv{0, StepMs * 1000};
        int ready = select(0, &set, nullptr, nullptr, &tv);
        if (ready < 0) return false;
        if (ready == 0) {
            if (GetTickCount() - idleSince > IdleLimitMs) return false;
            continue;
        }
        char buf[16384];
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) return false;
        into.append(buf, static_cast<size_t>(n));
        return true;
    }
    return false;
}

bool THttpTestServer::SendAll(unsigned s, const char* data, size_t size)
{
    DWORD idleSince = GetTickCount();
    while (size > 0) {
        if (FStopping) return false;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval tv{0, StepMs * 1000};
        int ready = select(0, nullptr, &set, nullptr, &tv);
        if (ready < 0) return false;
        if (ready == 0) {
            // A reader that no longer reads (a client ended by force) must not hold us.
            if (GetTickCount() - idleSince > IdleLimitMs) return false;
            continue;
        }
        int n = send(s, data, static_cast<int>(std::min<size_t>(size, 65536)), 0);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
        idleSince = GetTickCount();
    }
    return true;
}

std::string THttpTestServer::Pattern(size_t size)
{
    std::string s(size, 0);
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + i % 26);
    return s;
}

unsigned short THttpTestServer::ClosedPort()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(1, 1), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = inet_addr("127.0.0.1");
    int len = sizeof addr;
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    closesocket(s);
    WSACleanup();
    return ntohs(addr.sin_port);
}

void THttpTestServer::Route(const std::string& path, const std::string& query, const std::optional<std::string>& body)
{
    TCriticalSectionGuard guard(FLock);
    FRoutes[path] = {query, body};
}

void THttpTestServer::Serve(unsigned s)
{
    std::string in;
    size_t headerEnd;
    while ((headerEnd = in.find("\r\n\r\n")) == std::string::npos) {
        if (in.size() > HeaderLimit || !Receive(s, in)) return;
    }
    TRequest req;
    std::string head = in.substr(0, headerEnd);
    std::string rest = in.substr(headerEnd + 4);
    size_t lineEnd = head.find("\r\n");
    std::string requestLine = head.substr(0, lineEnd);
    size_t sp1 = requestLine.find(' '), sp2 = requestLine.rfind(' ');
    if (sp1 == std::string::npos || sp2 == sp1) return;
    req.Method = requestLine.substr(0, sp1);
    req.Target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    req.Path = req.Target.substr(0, req.Target.find('?'));
    size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
        size_t e = head.find("\r\n", pos);
        if (e == std::string::npos) e = head.size();
        std::string line = head.substr(pos, e - pos);
        size_t colon = line.find(':');
        if (colon != std::string::npos) req.Headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
        pos = e + 2;
    }
    const long bodyLength = ToLong(req.Header("Content-Length"), 0);
    if (bodyLength < 0 || bodyLength > 64L * 1024 * 1024) return;
    while (rest.size() < static_cast<size_t>(bodyLength))
        if (!Receive(s, rest)) return;
    req.Body = rest.substr(0, static_cast<size_t>(bodyLength));
    std::optional<std::string> routedBody;
    {
        TCriticalSectionGuard guard(FLock);
        FRequests.push_back(req);
        const auto route = FRoutes.find(req.Path);
        if (route != FRoutes.end()) {
            req.Target = req.Path + "?" + route->second.Query;
            routedBody = route->second.Body;
        }
    }

    Pause(static_cast<DWORD>(ToLong(req.Query("wait"), 0)));
    int status = static_cast<int>(ToLong(req.Query("status"), 200));
    bool noLength = req.Query("nolength") == "1";
    std::string body;
    std::string extra;
    const std::string auth = req.Query("auth");
    if (!auth.empty() && req.Header("Authorization") != "Basic " + Base64(auth)) {
        status = 401;
        noLength = true;
        std::string realm = req.Query("realm");
        extra += "WWW-Authenticate: Basic realm=\"" + (realm.empty() ? std::string("tg") : realm) + "\"\r\n";
        body = "denied";
    } else if (req.Query("echo") == "1") {
        body = req.Method + " " + req.Target + "\r\n";
        for (const auto& h : req.Headers) body += h.first + ": " + h.second + "\r\n";
        body += "\r\n" + req.Body;
    } else if (routedBody) {
        body = *routedBody;
    } else {
        body = Pattern(static_cast<size_t>(std::max(0L, ToLong(req.Query("size"), 0))));
    }

    std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) + "\r\n";
    answer += "Connection: close\r\n";
    const std::string typeParam = req.Query("type");
    const bool typeGiven = req.Target.find("type=") != std::string::npos;
    if (!typeGiven)
        answer += "Content-Type: text/plain\r\n";
    else if (!typeParam.empty())
        answer += "Content-Type: " + typeParam + "\r\n";
    const std::string lengthText = req.Query("length");
    if (!lengthText.empty())
        answer += "Content-Length: " + lengthText + "\r\n";
    else if (!noLength)
        answer += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    answer += extra + "\r\n";
    if (!SendAll(s, answer.data(), answer.size())) return;

    size_t limit = body.size();
    const long cut = ToLong(req.Query("cut"), -1);
    if (cut >= 0) limit = std::min(limit, static_cast<size_t>(cut));
    const size_t chunk = static_cast<size_t>(std::max(1L, ToLong(req.Query("chunk"), 4096)));
    const DWORD delay = static_cast<DWORD>(std::max(0L, ToLong(req.Query("delay"), 0)));
    size_t sent = 0;
    while (sent < limit) {
        size_t n = std::min(chunk, limit - sent);
        if (!SendAll(s, body.data() + sent, n)) return;
        sent += n;
        if (delay && sent < limit) Pause(delay);
        if (FStopping) return;
    }
    ++FAnswersFinished;
}
