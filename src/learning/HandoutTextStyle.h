#pragma once

#include <QObject>
#include <QQuickTextDocument>
#include <QtQml/qqmlregistration.h>

class QTextDocument;

// Line spacing for the selectable texts of a handout. A TextEdit (needed for selecting and copying) has no
// line-height setting of its own, so the spacing is put on the blocks of its document; call it again after
// the text changes, since new text brings new blocks.
class HandoutTextStyle : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    // Adds `spacing` pixels between the lines of every block of the TextEdit's document.
    Q_INVOKABLE static void setLineSpacing(QQuickTextDocument *document, qreal spacing);
    static void setLineSpacing(QTextDocument *document, qreal spacing);
};
