#include "HomeSearchViewModel.h"

#include "Analytics.h"
#include "Graphemes.h"

#include <algorithm>

const QList<HomeKeyword> &HomeKeyword::all() {
    static const QList<HomeKeyword> keywords{
        {QStringLiteral("kw_move"), QStringLiteral("移项为什么要变号")},
        {QStringLiteral("kw_linear"), QStringLiteral("一元一次方程怎么解")},
        {QStringLiteral("kw_denominator"), QStringLiteral("去分母要注意什么")},
        {QStringLiteral("kw_travel"), QStringLiteral("行程问题怎么列式")},
        {QStringLiteral("kw_force"), QStringLiteral("受力分析怎么画")},
        {QStringLiteral("kw_density"), QStringLiteral("密度公式怎么用")},
        {QStringLiteral("kw_chem"), QStringLiteral("化学方程式怎么配平")},
        {QStringLiteral("kw_tense"), QStringLiteral("英语时态怎么区分")},
    };
    return keywords;
}

HomeSearchViewModel::HomeSearchViewModel(QObject *parent)
    : HomeSearchViewModel(Analytics::shared(), parent) {}

HomeSearchViewModel::HomeSearchViewModel(Analytics &analytics, QObject *parent)
    : QObject(parent), m_analytics(analytics), m_hotKeywords(new ListModel<HomeKeywordRow>(this)) {
    QList<HomeKeywordRow> rows;
    for (const HomeKeyword &keyword : HomeKeyword::all())
        rows.append({keyword.id, keyword.text});
    m_hotKeywords->replaceAll(std::move(rows));
}

void HomeSearchViewModel::setQuery(const QString &query) {
    if (query == m_query)
        return;
    const bool wasVisible = askButtonVisible();
    m_query = query;
    Q_EMIT queryChanged();
    if (askButtonVisible() != wasVisible)
        Q_EMIT askButtonVisibleChanged();
}

void HomeSearchViewModel::setFocused(bool focused) {
    if (focused == m_focused)
        return;
    m_focused = focused;
    Q_EMIT focusedChanged();
}

void HomeSearchViewModel::setPending(const QString &pending) {
    if (pending == m_pending)
        return;
    m_pending = pending;
    Q_EMIT pendingChanged();
}

void HomeSearchViewModel::submit(const QString &text, const QString &source) {
    // Unicode white space, the ideographic space of a Chinese keyboard included, and line breaks.
    const QString question = text.trimmed();
    if (question.isEmpty())
        return;
    m_analytics.track(QStringLiteral("home_search"),
                      {{QStringLiteral("source"), source},
                       {QStringLiteral("length"), QString::number(Graphemes::count(question))}});
    setFocused(false);
    setQuery(QString());
    setPending(question);
    Q_EMIT chatRequested(question);
}

void HomeSearchViewModel::tapKeyword(int index) {
    if (index < 0 || index >= m_hotKeywords->count())
        return;
    const HomeKeywordRow keyword = m_hotKeywords->at(index);
    m_analytics.track(QStringLiteral("home_keyword_tap"),
                      {{QStringLiteral("keyword_id"), keyword.keywordId}});
    submit(keyword.keywordText, sourceKeyword);
}

void HomeSearchViewModel::chatClosed() {
    setPending(QString());
}

qreal HomeSearchViewModel::chipRowOffset(qreal offset, qreal first, qreal last, QPointF angleDelta,
                                         QPointF pixelDelta) {
    const bool sideways = !qFuzzyIsNull(pixelDelta.x()) || !qFuzzyIsNull(angleDelta.x());
    const bool pixels = !pixelDelta.isNull();
    const QPointF delta = pixels ? pixelDelta : angleDelta / 2;
    const qreal step = sideways ? delta.x() : delta.y();
    // Turning down or right moves on to the later chips.
    return std::clamp(offset - step, first, std::max(first, last));
}
