#pragma once

#include <QColor>
#include <QList>
#include <QString>

class QQuickItem;
class QQuickWindow;

// Whether the texts of a window can be read: every visible, enabled text item is measured against what is
// actually drawn beneath its letters. The window is rendered twice, once with the texts hidden and once as
// it is; the pixels that differ are the letters, and the first picture holds the background under each of
// them, whatever draws it (a page, a card, a gradient, a picture, a translucent panel over the page).
//
// A text passing the edge of a list that has been scrolled (under a bar's shadow) is left for when it has
// come in. While a modal or dimming popup (a sheet, an alert, a menu, the questionnaire) is open only its own
// texts are measured: what lies under it is not meant to be read then.
namespace ContrastCheck {

struct Finding {
    QString text;        // the first characters of the text
    QString where;       // the object names (or types) of the text's ancestors, outermost first
    QColor color;        // the text's colour, with the opacity of the item and its ancestors
    QColor background;   // the background under its letters
    double ratio = 0;    // what it reaches there
    double required = 0; // 4.5 for body text, 3 for large text (24 px, or 18.66 px bold)
};

// The texts below `root` (the window's content when null) that do not reach the contrast they need.
QList<Finding> lowContrastTexts(QQuickWindow &window, QQuickItem *root = nullptr);

// One line per finding, for a test's failure message.
QString describe(const QList<Finding> &findings);

} // namespace ContrastCheck
