#include "Fixtures.h"

#include <QPainter>
#include <QTextOption>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace Fixtures {

namespace {

[[noreturn]] void stop(const QString &message) {
    // qFatal would leave a core dump behind for what is only a broken checkout or a typo in a name.
    std::fprintf(stderr, "FATAL: %s\n", qPrintable(message));
    std::exit(EXIT_FAILURE);
}

QJsonValue changed(const QJsonValue &node, QStringList location, const QJsonValue &value) {
    const QString key = location.takeFirst();
    if (node.isArray()) {
        QJsonArray array = node.toArray();
        bool isIndex = false;
        const qsizetype index = key.toLongLong(&isIndex);
        if (!isIndex || index < 0 || index > array.size())
            stop(QStringLiteral("fixture location has no element %1").arg(key));
        if (index == array.size()) {
            if (!location.isEmpty())
                stop(QStringLiteral("fixture location reaches through a new element %1").arg(key));
            if (!value.isUndefined())
                array.append(value);
            return array;
        }
        if (location.isEmpty()) {
            if (value.isUndefined())
                array.removeAt(index);
            else
                array[index] = value;
        } else {
            array[index] = changed(array.at(index), location, value);
        }
        return array;
    }
    if (!node.isObject() && !node.isUndefined())
        stop(QStringLiteral("fixture location goes into a plain value at %1").arg(key));
    QJsonObject object = node.toObject();
    if (location.isEmpty()) {
        if (value.isUndefined())
            object.remove(key);
        else
            object.insert(key, value);
    } else {
        object.insert(key, changed(object.value(key), location, value));
    }
    return object;
}

} // namespace

QByteArray json(const QString &name) {
    QFile file(QDir(QStringLiteral(QVL_TEST_DATA_DIR)).filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        stop(QStringLiteral("cannot read fixture %1: %2").arg(file.fileName(), file.errorString()));
    return file.readAll();
}

QJsonObject object(const QString &name) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json(name), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        stop(QStringLiteral("fixture %1 is not a JSON object: %2").arg(name, error.errorString()));
    return document.object();
}

QJsonObject with(const QJsonObject &json, const QString &location, const QJsonValue &value) {
    return changed(json, location.split(u'.'), value).toObject();
}

QByteArray patched(const QString &name, std::initializer_list<Change> changes) {
    QJsonObject result = object(name);
    for (const auto &[location, value] : changes)
        result = with(result, location, value);
    return bytes(result);
}

QByteArray bytes(const QJsonObject &json) {
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

QImage printed(const QString &stem) {
    QImage image(1400, 700, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font = painter.font();
    font.setPixelSize(36);
    painter.setFont(font);
    painter.setPen(Qt::black);
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    painter.drawText(QRectF(60, 60, 1280, 580), stem, wrap);
    return image;
}

} // namespace Fixtures
