#pragma once

#include <httplib.h>

#include <string>

namespace devserver {

class ServerState;

// What an endpoint group registers its routes on. Every handler registered here is subject to the test
// controls: injected delays and failures apply once the request (body included) has been read, and before
// the handler runs, so a failed request has no effect on the state.
class Router {
public:
    using Handler = httplib::Server::Handler;

    Router(httplib::Server &http, ServerState &state) : m_http(http), m_state(state) {}

    ServerState &state() const { return m_state; }

    void get(const std::string &pattern, Handler handler);
    void post(const std::string &pattern, Handler handler);
    void put(const std::string &pattern, Handler handler);
    void patch(const std::string &pattern, Handler handler);
    void del(const std::string &pattern, Handler handler);

    // The server itself, for routes that must stay outside the test controls (the controls themselves).
    httplib::Server &unguarded() const { return m_http; }

private:
    Handler guarded(Handler handler) const;

    httplib::Server &m_http;
    ServerState &m_state;
};

// One function per endpoint group; each registers its routes and keeps its data in the router's state. The
// server is rebuilt on every start, and the state outlives it.

// SMS code, login, refresh, logout and the signed-in account ("/api/v1/me").
void registerAuthRoutes(Router &router);

// The test controls under "/__dev/" (token expiry, injected failures and delays, request counts).
void registerDevControlRoutes(Router &router);

} // namespace devserver
