#include "HandoutTextStyle.h"

#include <QQuickTextDocument>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

void HandoutTextStyle::setLineSpacing(QQuickTextDocument *document, qreal spacing) {
    if (document)
        setLineSpacing(document->textDocument(), spacing);
}

void HandoutTextStyle::setLineSpacing(QTextDocument *document, qreal spacing) {
    if (!document)
        return;
    QTextBlockFormat format;
    format.setLineHeight(spacing, QTextBlockFormat::LineDistanceHeight);
    // Block by block: selecting the whole document moves by layout lines, which may not exist yet.
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().lineHeight() == spacing &&
            block.blockFormat().lineHeightType() == QTextBlockFormat::LineDistanceHeight)
            continue;
        QTextCursor(block).mergeBlockFormat(format);
    }
}
