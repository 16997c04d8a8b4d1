#pragma once

#include <QDirIterator>
#include <QString>
#include <QUrl>

// The resource URL of a QML type's file, whichever of the app's modules holds it
// ("qrc:/qt/qml/Quorvel/Learning/LessonPageView.qml"); an empty URL when none does.
inline QUrl qmlTypeUrl(const QString &type) {
    QDirIterator modules(QStringLiteral(":/qt/qml/Quorvel"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (modules.hasNext()) {
        const QString file = modules.next() + u'/' + type + QStringLiteral(".qml");
        if (QFile::exists(file))
            return QUrl(QStringLiteral("qrc") + file);
    }
    return {};
}
