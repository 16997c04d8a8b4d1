#include "HomeCards.h"

#include "HomeTools.h"

#include <algorithm>

namespace HomeCards {

int cardSpan(const QString &size) {
    return size == QLatin1String("L") || size == QLatin1String("S") ? 2 : 1;
}

int columnCount(double width) {
    return width >= wideWidth ? 4 : 2;
}

QList<QList<GridCell>> placeRows(const QList<int> &spans, int columns) {
    QList<QList<GridCell>> rows;
    int used = columns;
    for (qsizetype i = 0; i < spans.size(); ++i) {
        const int cells = std::clamp(spans[i], 1, columns);
        if (used + cells > columns) {
            rows.append(QList<GridCell>());
            used = 0;
        }
        rows.last().append({i, used, cells});
        used += cells;
    }
    return rows;
}

Face face(const QString &type) {
    if (type == QLatin1String("Inbox") || type == QLatin1String("QuickQA") ||
        type == QLatin1String("WrongBook"))
        return Face::Tile;
    if (type == QLatin1String("TodayTasks"))
        return Face::Today;
    if (type == QLatin1String("ToolDock"))
        return Face::ToolDock;
    return Face::Unknown;
}

Tile tile(const QString &type) {
    if (type == QLatin1String("Inbox"))
        return {QStringLiteral("IconClock"), QStringLiteral("内容就绪、学习提醒都在这里")};
    if (type == QLatin1String("QuickQA"))
        return {QStringLiteral("IconHint"), QStringLiteral("先给思路，再一步步提示")};
    if (type == QLatin1String("WrongBook"))
        return {QStringLiteral("IconWrong"), QStringLiteral("复习错题，练同类变式题")};
    if (face(type) == Face::Unknown)
        return {QStringLiteral("IconShield"), QStringLiteral("升级到新版本后可用")};
    return {};
}

double tileMinHeight(const QString &size) {
    return size == QLatin1String("L") ? 120 : 110;
}

QString greeting(const std::optional<FlexibleProps> &props) {
    const QString fallback = QStringLiteral("今天想学点什么？");
    if (!props)
        return fallback;
    const auto found = props->constFind(QStringLiteral("greeting"));
    return found == props->constEnd() ? fallback : found->displayText().value_or(fallback);
}

} // namespace HomeCards

HomeCardRow HomeCardRow::from(const HomeGridCard &card) {
    static const char *const faces[] = {"tile", "today", "dock", "unknown"};
    const HomeCards::Tile tile = HomeCards::tile(card.type);
    return {card.id,
            card.type,
            card.title(),
            card.size,
            HomeCards::cardSpan(card.size),
            QString::fromLatin1(faces[int(HomeCards::face(card.type))]),
            tile.icon,
            tile.icon.isEmpty() ? QUrl() : HomeTools::artworkUrl(tile.icon),
            tile.subtitle,
            HomeCards::tileMinHeight(card.size)};
}
