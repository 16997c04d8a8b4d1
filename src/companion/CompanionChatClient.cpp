#include "CompanionChatClient.h"

#include "ApiError.h"
#include "AppSession.h"
#include "Completion.h"
#include "Graphemes.h"

#include <QJsonArray>

namespace {

// How much of a failed stream's body is read for its error message.
constexpr qsizetype kErrorBodyLimit = 64 * 1024;

// Sent through the current session, which renews a refused token; the given session only lends its address
// and token (usually they are the same session).
ApiClient chatClient(AppSession &session) {
    ApiClient::Rules rules;
    rules.base = ApiClient::Base::Ai;
    rules.auth = ApiClient::Auth::RenewingThroughCurrent;
    rules.contentTypeAlways = true;
    return ApiClient(session, rules);
}

} // namespace

struct CompanionChatStream::State {
    State(ApiClient c, HttpRequest r) : client(std::move(c)), request(std::move(r)) {}
    ApiClient client;
    HttpRequest request;
    std::shared_ptr<Completion> abort = std::make_shared<Completion>();
    std::unique_ptr<ByteStream> body;
    CompanionChatClient::LineReader lines;
    bool opened = false;
    bool ended = false;
    bool cancelled = false;
};

CompanionChatStream::CompanionChatStream(ApiClient client, HttpRequest request)
    : m_state(std::make_shared<State>(std::move(client), std::move(request))) {
    m_state->request.abort = m_state->abort;
}

CompanionChatStream::~CompanionChatStream() {
    cancel();
}

bool CompanionChatStream::isCancelled() const {
    return m_state->cancelled;
}

void CompanionChatStream::cancel() {
    if (m_state->cancelled || m_state->ended)
        return;
    m_state->cancelled = true;
    m_state->abort->finish();
    if (m_state->body)
        m_state->body->cancel();
}

QCoro::Task<std::optional<CompanionEvent>> CompanionChatStream::next() {
    return read(m_state);
}

QCoro::Task<std::optional<CompanionEvent>> CompanionChatStream::read(std::shared_ptr<State> state) {
    try {
        if (!state->opened) {
            state->opened = true;
            std::unique_ptr<ByteStream> body = co_await state->client.bytes(state->request);
            if (state->cancelled)
                co_return std::nullopt; // the late answer is dropped unread
            const int status = body->response().status;
            if (!body->response().isHttp())
                throw ApiError::http(-1, QStringLiteral("无响应"));
            if (status < 200 || status > 299) {
                // The error body is read for its message only, so no further than an error body goes.
                HttpResponse failed = body->response();
                QByteArrayList lines;
                qsizetype read = 0;
                while (read < kErrorBodyLimit) {
                    const std::optional<QByteArray> line = co_await body->nextLine();
                    if (!line)
                        break;
                    lines.append(*line);
                    read += line->size() + 1;
                }
                body->cancel();
                failed.body = lines.join('\n');
                throw ApiError::http(status, Api::failureMessage(failed, JsonKeys::AsIs,
                                                                 QStringLiteral("伙伴暂时不可用（%1）")));
            }
            state->body = std::move(body);
        }
        while (!state->cancelled && !state->ended) {
            const std::optional<QByteArray> line = co_await state->body->nextLine();
            if (state->cancelled)
                break;
            if (!line) {
                state->ended = true;
                break;
            }
            if (std::optional<CompanionEvent> event = state->lines.read(*line))
                co_return event;
        }
    } catch (const TransportError &failure) {
        state->ended = true;
        if (!state->cancelled)
            throw ApiError::transport(failure);
    } catch (const ApiError &) {
        state->ended = true;
        if (!state->cancelled)
            throw;
    }
    co_return std::nullopt;
}

std::optional<CompanionEvent> CompanionChatClient::LineReader::read(const QByteArray &line) {
    if (line.startsWith("event: ")) {
        eventName = QString::fromUtf8(line.mid(7));
        return std::nullopt;
    }
    if (line.startsWith("data: "))
        return CompanionEvent::decode(eventName, line.mid(6));
    return std::nullopt;
}

QJsonObject CompanionChatClient::body(const CompanionTurn &turn) {
    QJsonArray history;
    const qsizetype first = std::max<qsizetype>(0, turn.history.size() - kHistoryWindow);
    for (qsizetype i = first; i < turn.history.size(); ++i) {
        const ChatHistoryEntry &entry = turn.history[i];
        history.append(QJsonObject{
            {QStringLiteral("role"), entry.role},
            {QStringLiteral("text"), Graphemes::leading(entry.text, kHistoryTextLimit)},
        });
    }
    QJsonObject body{
        {QStringLiteral("message"), turn.message},
        {QStringLiteral("hint_level"), turn.hintLevel},
        {QStringLiteral("history"), history},
        {QStringLiteral("model_pref"), turn.modelPref},
    };
    if (turn.scene)
        body.insert(QStringLiteral("scene"), *turn.scene);
    if (turn.language)
        body.insert(QStringLiteral("language"), *turn.language);
    if (turn.subject)
        body.insert(QStringLiteral("subject"), *turn.subject);
    return body;
}

HttpRequest CompanionChatClient::request(AppSession &session, const CompanionTurn &turn) {
    HttpRequest request =
        chatClient(session).request("POST", QStringLiteral("/v1/companion/chat:stream"), body(turn));
    request.setHeader("Accept", "text/event-stream");
    return request;
}

std::unique_ptr<CompanionChatStream> CompanionChatClient::stream(AppSession &session,
                                                                 CompanionTurn turn) const {
    return std::make_unique<CompanionChatStream>(chatClient(session), request(session, turn));
}
