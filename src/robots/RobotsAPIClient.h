#pragma once

#include "ApiClient.h"
#include "AppSession.h"
#include "RobotCatalog.h"

#include <QCoro/QCoroTask>

#include <optional>

// The AI service's side of the robots: the robot catalogue, and the media endpoints behind speech (whether
// the service reads aloud, and the audio of one text). A stateless value.
//
// Requests: the session's AI base with the path appended, 60 s, the session's token through its signed-in
// sender (a 401 renews it once), no "Authorization" at all for an empty token, "Content-Type" only with a
// body. Only status 200 counts: any other answer is `ApiError::http` with the server's message, or
// "请求失败（<status>）" ("无响应" without an HTTP answer).
class RobotsAPIClient {
public:
    static inline const QString catalogPath = QStringLiteral("/v1/robots");
    static inline const QString capabilitiesPath = QStringLiteral("/v1/media/capabilities");
    static inline const QString speechPath = QStringLiteral("/v1/media/tts");

    // The catalogue in `language`, asked as "?language=<code>" with every character outside the unreserved
    // set escaped ("+" included: a server reads a bare "+" as a space). Nothing, and nothing sent, when no
    // valid address results. A body that does not decode throws JsonDecodeError.
    QCoro::Task<std::optional<RobotCatalog>> fetchCatalog(QString language, AppSession &session) const;
    // Whether the service reads texts aloud itself: the "tts" item of its capability list. A list that does
    // not decode is `ApiError::decoding()`.
    QCoro::Task<bool> fetchSpeechEnabled(AppSession &session) const;
    // The audio of `text` read in `language`, in the robot's voice when one is given.
    QCoro::Task<QByteArray> fetchSpeech(QString text, QString language, std::optional<QString> voice,
                                        AppSession &session) const;

private:
    static ApiClient client(AppSession &session);
    // Everything by value: the caller may be gone by the time the answer arrives.
    static QCoro::Task<std::optional<RobotCatalog>> catalogAnswered(QCoro::Task<HttpResponse> answer);
    static QCoro::Task<std::optional<RobotCatalog>> noCatalog();
    static QCoro::Task<QByteArray> bodyOf(QCoro::Task<HttpResponse> answer);
};
