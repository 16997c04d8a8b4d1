#include "Http.h"
#include "Routes.h"
#include "ServerState.h"

#include <chrono>
#include <optional>

namespace devserver {

Router::Handler Router::guarded(Handler handler) const {
    ServerState &state = m_state;
    return [&state, handler = std::move(handler)](const httplib::Request &req, httplib::Response &res) {
        std::optional<int> delay;
        std::optional<int> failure;
        {
            std::lock_guard lock(state.mutex);
            delay = ServerState::takeInjection(state.delays, req.path);
            failure = ServerState::takeInjection(state.failures, req.path);
        }
        if (delay && *delay > 0) {
            std::unique_lock lock(state.mutex);
            state.stopSignal.wait_for(lock, std::chrono::milliseconds(*delay),
                                      [&state] { return state.stopping; });
        }
        if (!failure)
            return handler(req, res);
        if (*failure == 204 || *failure == 304)
            res.status = *failure; // these statuses carry no body
        else
            sendStatusError(res, *failure);
    };
}

void Router::get(const std::string &pattern, Handler handler) {
    m_http.Get(pattern, guarded(std::move(handler)));
}

void Router::post(const std::string &pattern, Handler handler) {
    m_http.Post(pattern, guarded(std::move(handler)));
}

void Router::put(const std::string &pattern, Handler handler) {
    m_http.Put(pattern, guarded(std::move(handler)));
}

void Router::patch(const std::string &pattern, Handler handler) {
    m_http.Patch(pattern, guarded(std::move(handler)));
}

void Router::del(const std::string &pattern, Handler handler) {
    m_http.Delete(pattern, guarded(std::move(handler)));
}

} // namespace devserver
