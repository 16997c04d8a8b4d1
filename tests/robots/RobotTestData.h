#pragma once

#include "RobotCatalog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// Catalog answers for the robot suites: a small catalog of one language, in the wire shape.
namespace RobotTestData {

inline QJsonObject catalogJson(const QString &tag, const QString &languageCode = QStringLiteral("en-US"),
                               const QString &ttsLocale = QStringLiteral("en-US")) {
    const QJsonObject voice{
        {"id", tag + QStringLiteral("_voice")}, {"label", tag}, {"pitch", 1.3}, {"rate", 0.8}};
    const QJsonObject robot{{"id", tag + QStringLiteral("_robot")},
                            {"name", tag + QStringLiteral(" bot")},
                            {"color", "#102030"},
                            {"accent", "#405060"},
                            {"shape", "square"},
                            {"accessory", "lens"},
                            {"default_voice", tag + QStringLiteral("_voice")}};
    const QJsonObject scene{{"id", "companion"},
                            {"label", tag + QStringLiteral(" chat")},
                            {"robot", tag + QStringLiteral("_robot")},
                            {"greeting", QStringLiteral("Hello from ") + tag},
                            {"prompts", QJsonArray{"one"}}};
    const QJsonObject language{
        {"code", languageCode}, {"label", tag + QStringLiteral(" language")}, {"tts_locale", ttsLocale}};
    return {{"default_scene", "companion"},
            {"languages", QJsonArray{language}},
            {"voices", QJsonArray{voice}},
            {"robots", QJsonArray{robot}},
            {"scenes", QJsonArray{scene}}};
}

inline QByteArray catalogBody(const QString &tag, const QString &languageCode = QStringLiteral("en-US"),
                              const QString &ttsLocale = QStringLiteral("en-US")) {
    return QJsonDocument(catalogJson(tag, languageCode, ttsLocale)).toJson(QJsonDocument::Compact);
}

inline RobotCatalog catalog(const QString &tag, const QString &languageCode = QStringLiteral("en-US"),
                            const QString &ttsLocale = QStringLiteral("en-US")) {
    return RobotCatalog::decode(catalogBody(tag, languageCode, ttsLocale));
}

} // namespace RobotTestData
