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

// Analytics: batches of usage events ("/api/v1/events"), kept in the state by event id.
void registerEventRoutes(Router &router);

// Knowledge catalogue (no credentials), learning paths and lessons, practice questions and question requests.
void registerLearningRoutes(Router &router);

// Practice answers, graded against the content's answer keys, and the learner's wrong-question book with its
// review schedule and same-source variants.
void registerPracticeRoutes(Router &router);

// The robot catalog per language ("/v1/robots"), public; sample data in two languages.
void registerRobotRoutes(Router &router);

// Speech media: the capabilities ("/v1/media/capabilities") and short generated audio ("/v1/media/tts").
void registerMediaRoutes(Router &router);

// The companion: its chat stream ("/v1/companion/chat:stream", server-sent events from a scripted companion)
// and the learner's companion settings ("/api/v1/me/companion").
void registerCompanionRoutes(Router &router);

// The learner's home layout ("/api/v1/layouts/home") and its overrides, with a revision check on writes.
void registerHomeRoutes(Router &router);

// The learner's weekly study report ("/api/v1/me/study-report"), computed from their answers, completed
// lessons and wrong-question book.
void registerStudyReportRoutes(Router &router);

// The first-run questionnaire ("/api/v1/me/onboarding" and its steps) and the learning profile
// ("/api/v1/me/learning-profile") of the signed-in learner.
void registerOnboardingRoutes(Router &router);

// The learner's inbox ("/api/v1/me/inbox", newest first, filled on the first read) and the marking of its
// notices as read ("/api/v1/me/inbox:read").
void registerInboxRoutes(Router &router);

// Youth protection: the learner's usage ("/api/v1/me/usage"), its heartbeat ("/api/v1/me/usage/heartbeat")
// and the study limits ("/api/v1/me/limits").
void registerUsageRoutes(Router &router);

// The companion's memories of the learner on the AI base ("/v1/companion/memories"), seeded on the first
// read; single and whole deletes.
void registerMemoryRoutes(Router &router);

// Membership and orders on the trade base: the learner's entitlements ("/api/v1/me/entitlements"), the SKUs
// on sale ("/api/v1/commerce/skus"), orders with their pay start, store transaction post and cancel
// ("/api/v1/commerce/orders").
void registerCommerceRoutes(Router &router);

// The server-driven settings pages ("/api/v1/layouts/settings/{pageId}": the "我的" tab's root page and the
// pages behind it, each with the learner's saved preferences) and the saving of boolean preferences
// ("/api/v1/me/settings/prefs").
void registerSettingsRoutes(Router &router);

// The test controls under "/__dev/" (token expiry, injected failures and delays, request counts, the home
// layout document, forced usage answers) and a stream that pauses after its headers.
void registerDevControlRoutes(Router &router);

} // namespace devserver
