#pragma once

#include <QByteArray>
#include <QImage>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <initializer_list>
#include <utility>

// Service answers that several suites share, kept as files under tests/data so that one wire shape is
// written down once. A suite that depends on one field patches it in plain sight instead of writing the
// whole answer again.
namespace Fixtures {

// The file's bytes, as the service would send them ("learning/path-rational-numbers.json"). A missing or
// unreadable file ends the test run: a suite must never quietly run against an empty answer.
QByteArray json(const QString &name);

// The file's top-level JSON object; a file that is not one ends the test run.
QJsonObject object(const QString &name);

// `json` with the value at the dotted location ("items.0.progress") replaced, or removed when `value` is
// undefined. An array index one past the end appends.
QJsonObject with(const QJsonObject &json, const QString &location, const QJsonValue &value);

// The fixture with each change applied in turn, as compact bytes.
using Change = std::pair<QString, QJsonValue>;
QByteArray patched(const QString &name, std::initializer_list<Change> changes);

QByteArray bytes(const QJsonObject &json);

// A question's stem as a page would print it, for the text reader: black on white, wrapped to the page's
// width.
QImage printed(const QString &stem);

} // namespace Fixtures
