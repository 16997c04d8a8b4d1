#include "BundleInfo.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QtDebug>

#include <optional>

namespace {

// The JSON object in the file, or nothing (with the reason) when it cannot be read as one.
std::optional<QJsonObject> readObject(const QString &path, QString *reason) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return std::nullopt;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError) {
        *reason = error.errorString();
        return std::nullopt;
    }
    if (!document.isObject()) {
        *reason = QStringLiteral("not a JSON object");
        return std::nullopt;
    }
    return document.object();
}

} // namespace

BundleInfo BundleInfo::load() {
    QString reason;
    const QString compiledIn = QStringLiteral(":/config/BundleInfo.json");
    QJsonObject values = readObject(compiledIn, &reason).value_or(QJsonObject());
    if (values.isEmpty())
        qWarning() << "BundleInfo: the compiled-in dictionary" << compiledIn << "is missing:" << reason;

    const QString overridePath = qEnvironmentVariable("QVL_BUNDLE_INFO");
    if (overridePath.isEmpty())
        return BundleInfo(values);
    const auto overrides = readObject(overridePath, &reason);
    if (!overrides) {
        qWarning() << "BundleInfo: ignoring QVL_BUNDLE_INFO" << overridePath << "-" << reason;
        return BundleInfo(values);
    }
    for (auto it = overrides->begin(); it != overrides->end(); ++it)
        values.insert(it.key(), it.value());
    return BundleInfo(values);
}
