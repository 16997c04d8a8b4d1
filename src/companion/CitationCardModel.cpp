#include "CitationCardModel.h"

#include "Analytics.h"

CitationRow CitationRow::from(const Citation &citation) {
    CitationRow row;
    row.index = citation.index;
    row.indexText = QStringLiteral("[%1]").arg(citation.index);
    row.heading = citation.title.isEmpty() ? citation.source : citation.title;
    row.snippet = citation.snippet;
    row.source = citation.source;
    return row;
}

CitationCardModel::CitationCardModel(QObject *parent) : CitationCardModel(Analytics::shared(), parent) {}

CitationCardModel::CitationCardModel(Analytics &analytics, QObject *parent)
    : QObject(parent), m_analytics(analytics), m_rows(new ListModel<CitationRow>(this)) {}

std::optional<Citation> CitationCardModel::citationFrom(const QVariant &value) {
    if (value.metaType() == QMetaType::fromType<Citation>())
        return value.value<Citation>();
    if (!value.canConvert<QVariantMap>())
        return std::nullopt;
    const QVariantMap map = value.toMap();
    Citation citation;
    citation.index = map.value(QStringLiteral("index")).toLongLong();
    citation.source = map.value(QStringLiteral("source")).toString();
    citation.title = map.value(QStringLiteral("title")).toString();
    citation.snippet = map.value(QStringLiteral("snippet")).toString();
    return citation;
}

void CitationCardModel::setItems(const QVariantList &items) {
    if (items == m_items)
        return;
    const int before = int(m_rows->count());
    m_items = items;
    QList<CitationRow> rows;
    for (const QVariant &item : items) {
        if (const std::optional<Citation> citation = citationFrom(item))
            rows << CitationRow::from(*citation);
    }
    m_rows->replaceAll(std::move(rows));
    Q_EMIT itemsChanged();
    if (m_rows->count() != before)
        Q_EMIT headerTextChanged();
}

void CitationCardModel::setCitations(const QList<Citation> &citations) {
    QVariantList items;
    for (const Citation &citation : citations)
        items << QVariant::fromValue(citation);
    setItems(items);
}

void CitationCardModel::setTitle(const QString &title) {
    if (title == m_title)
        return;
    m_title = title;
    Q_EMIT titleChanged();
    Q_EMIT headerTextChanged();
}

QString CitationCardModel::headerText() const {
    return m_title + QStringLiteral(" · ") + QString::number(m_rows->count());
}

void CitationCardModel::toggle() {
    m_expanded = !m_expanded;
    Q_EMIT expandedChanged();
    if (m_expanded)
        m_analytics.track(QStringLiteral("citation_open"),
                          {{QStringLiteral("count"), QString::number(m_rows->count())}});
}
