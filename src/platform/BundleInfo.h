#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// The app's build-time configuration dictionary: compiled in from resources, and replaced key by key by the
// JSON object in the file that QVL_BUNDLE_INFO names (how a run is pointed at another service).
class BundleInfo {
public:
    explicit BundleInfo(QJsonObject values) : m_values(std::move(values)) {}

    // The compiled-in dictionary merged with the QVL_BUNDLE_INFO file, when that names a readable JSON
    // object.
    static BundleInfo load();

    QJsonValue value(const QString &key) const { return m_values.value(key); }
    QJsonObject values() const { return m_values; }

private:
    QJsonObject m_values;
};
