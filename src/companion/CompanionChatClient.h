#pragma once

#include "CompanionEvent.h"

#include "ApiClient.h"

#include <QCoro/QCoroTask>

#include <memory>
#include <optional>

class AppSession;
class Completion;

// One earlier message of the conversation as the server reads it.
struct ChatHistoryEntry {
    QString role; // "user" or "assistant"
    QString text;
    bool operator==(const ChatHistoryEntry &) const = default;
};

// Everything one learner turn sends.
struct CompanionTurn {
    QString message;
    int hintLevel = 1;
    QList<ChatHistoryEntry> history; // oldest first
    QString modelPref;
    std::optional<QString> scene;
    std::optional<QString> language;
    std::optional<QString> subject;
};

// The reply of one turn, read as it arrives. `next()` hands out the events in the order of the server's data
// lines and then nothing, or throws the reply's one failure (an ApiError) after the events before it.
// `cancel()` aborts the request at once, wherever it is; from then on `next()` ends quietly, and nothing
// read after the cancellation is handed out. One call to `next()` at a time; main thread only.
//
// The network reply's own buffer holds what the server sent ahead of the reader, so nothing is dropped and
// the server is never made to wait; the reader decodes one line at a time as it arrives.
class CompanionChatStream {
public:
    CompanionChatStream(ApiClient client, HttpRequest request);
    ~CompanionChatStream();
    CompanionChatStream(const CompanionChatStream &) = delete;
    CompanionChatStream &operator=(const CompanionChatStream &) = delete;

    QCoro::Task<std::optional<CompanionEvent>> next();
    void cancel();
    bool isCancelled() const;

private:
    struct State;
    static QCoro::Task<std::optional<CompanionEvent>> read(std::shared_ptr<State> state);
    std::shared_ptr<State> m_state;
};

// The chat's connection to the companion service: one streamed request per turn, no state between turns.
class CompanionChatClient {
public:
    static constexpr int kHistoryWindow = 12;
    static constexpr int kHistoryTextLimit = 2000; // user-perceived characters

    // Starts the turn's request through the current session's signed-in sender (a 401 renews the token
    // once), with the given session's AI base URL and token.
    std::unique_ptr<CompanionChatStream> stream(AppSession &session, CompanionTurn turn) const;

    // The request of a turn: POST "/v1/companion/chat:stream" on the AI base.
    static HttpRequest request(AppSession &session, const CompanionTurn &turn);
    static QJsonObject body(const CompanionTurn &turn);
    // Reads one line of the event stream: an "event: " line names the events that follow (until the next
    // one), a "data: " line is decoded under that name; every other line is ignored.
    struct LineReader {
        QString eventName;
        std::optional<CompanionEvent> read(const QByteArray &line);
    };
};
