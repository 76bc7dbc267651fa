// tests/win/support/HttpTestServer.h
// A small HTTP/1.1 server on 127.0.0.1 and a free port, on threads of the test process,
// for driving the real HTTP client against real sockets. One request per connection, each
// answered on its own thread and closed after the answer.
//
// The answer is chosen by the request's query:
//   status=N      status code (200)
//   size=N        a body of N bytes, byte i = 'a' + i % 26
//   echo=1        the body is the request itself: "METHOD target", its header lines, an
//                 empty line, its body (CR LF line ends)
//   type=T        Content-Type (percent-decoded)
//   nolength=1    no Content-Length: the body ends when the connection closes
//   length=T      this Content-Length text instead of the true one
//   cut=K         close the connection after K body bytes, whatever was announced
//   wait=MS       wait before answering; delay=MS between body chunks of chunk=N (4096) bytes
//   auth=U:P      demand Basic authentication with that user and password: without it a
//                 401 with WWW-Authenticate (realm=R, "tg" by default) and no Content-Length
// A path given a route (Route) is answered by the route's query instead, and with its body
// in place of the pattern when it has one: addresses without a query, as file names need.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Threads.h"

class THttpTestServer {
public:
    struct TRequest {
        std::string Method, Target, Path;
        std::vector<std::pair<std::string, std::string>> Headers;
        std::string Body;
        // The first header of that name (case-insensitive); empty when none.
        std::string Header(const std::string& name) const;
        bool HasHeader(const std::string& name) const;
        // A query parameter, percent-decoded; empty when none.
        std::string Query(const std::string& name) const;
    };

    // Starts listening; throws std::runtime_error when it cannot.
    THttpTestServer();
    ~THttpTestServer();
    THttpTestServer(const THttpTestServer&) = delete;
    THttpTestServer& operator=(const THttpTestServer&) = delete;

    unsigned short Port() const noexcept { return FPort; }
    // "http://127.0.0.1:<port>" + pathAndQuery.
    std::string URL(const std::string& pathAndQuery) const;

    // The requests read so far, in arrival order.
    std::vector<TRequest> Requests() const;
    size_t RequestCount() const;
    // Connections whose answer has been sent completely, or cut as asked.
    int AnswersFinished() const noexcept { return FAnswersFinished; }

    // Answers requests for path as if they had this query, with body (when given) as the
    // body. A later route for the same path replaces the earlier.
    void Route(const std::string& path, const std::string& query, const std::optional<std::string>& body = {});

    // Stops accepting, ends the answers under way and waits for their threads.
    void Stop();

    // The body of size=N: byte i is 'a' + i % 26.
    static std::string Pattern(size_t size);
    // A port on 127.0.0.1 where nobody listens.
    static unsigned short ClosedPort();

    // Percent-decoding of a query value ("+" is a blank).
    static std::string Decode(const std::string& text);

private:
    static DWORD WINAPI AcceptProc(LPVOID self);
    static DWORD WINAPI ConnectionProc(LPVOID param);
    void Serve(unsigned socket);
    bool SendAll(unsigned socket, const char* data, size_t size);
    bool Receive(unsigned socket, std::string& into);
    void Pause(DWORD ms);

    unsigned FListener = ~0u;
    unsigned short FPort = 0;
    HANDLE FAcceptThread = nullptr;
    std::atomic<bool> FStopping{false};
    std::atomic<int> FAnswersFinished{0};
    mutable TCriticalSection FLock;
    std::vector<TRequest> FRequests;
    struct TRoute {
        std::string Query;
        std::optional<std::string> Body;
    };
    std::map<std::string, TRoute> FRoutes;
    std::vector<HANDLE> FConnectionThreads;
};
