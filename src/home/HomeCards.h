#pragma once

#include "HomeLayoutModels.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariantList>

// How the home page draws a card of the layout document: its column span in the grid, which face it shows,
// and the fixed artwork and subtitle of the tiles. Card types and sizes are compared exactly as sent.
namespace HomeCards {

// "L" and "S" take two columns, "M" and any other size one.
int cardSpan(const QString &size);

// The grid's column count for a page `width` pixels wide: four from `wideWidth` on, two below.
inline constexpr double wideWidth = 640;
int columnCount(double width);

// Where each card goes in a grid of `columns`: cards in order, each taking min(span, columns) cells; a card
// that does not fit in what is left of a row starts the next one.
struct GridCell {
    qsizetype card;
    int column;
    int cells;
    friend bool operator==(const GridCell &, const GridCell &) = default;
};
QList<QList<GridCell>> placeRows(const QList<int> &spans, int columns);

enum class Face { Tile, Today, ToolDock, Unknown };
Face face(const QString &type);

struct Tile {
    QString icon;     // an artwork name, "IconClock"
    QString subtitle; // empty for the today and tool dock faces
};
// The tile of a standard card, and of an unknown type (shown dimmed, opening nothing).
Tile tile(const QString &type);
// A standard tile is at least this tall inside its padding.
double tileMinHeight(const QString &size);

// The companion header's greeting: the props' "greeting" as text; a missing or null greeting gives the
// default "今天想学点什么？".
QString greeting(const std::optional<FlexibleProps> &props);

} // namespace HomeCards

// One card as the home grid and the layout editor show it.
struct HomeCardRow {
    Q_GADGET
    Q_PROPERTY(QString cardId MEMBER cardId)
    Q_PROPERTY(QString type MEMBER type)
    Q_PROPERTY(QString title MEMBER title)
    Q_PROPERTY(QString size MEMBER size)
    Q_PROPERTY(int span MEMBER span)
    Q_PROPERTY(QString face MEMBER face) // "tile", "today", "dock" or "unknown"
    Q_PROPERTY(QString icon MEMBER icon)
    Q_PROPERTY(QUrl iconSource MEMBER iconSource)
    Q_PROPERTY(QString subtitle MEMBER subtitle)
    Q_PROPERTY(double minHeight MEMBER minHeight)

public:
    QString cardId;
    QString type;
    QString title;
    QString size;
    int span = 1;
    QString face;
    QString icon;
    QUrl iconSource;
    QString subtitle;
    double minHeight = 0;

    static HomeCardRow from(const HomeGridCard &card);
    const QString &id() const { return cardId; }
    friend bool operator==(const HomeCardRow &, const HomeCardRow &) = default;
};

// One row of the home grid: its cards with their column and width in cells, as QML reads them.
struct HomeGridRow {
    Q_GADGET
    Q_PROPERTY(QString rowId MEMBER rowId)
    Q_PROPERTY(QVariantList cells MEMBER cells)

public:
    QString rowId; // the ids of its cards
    QVariantList cells;

    const QString &id() const { return rowId; }
    friend bool operator==(const HomeGridRow &, const HomeGridRow &) = default;
};
