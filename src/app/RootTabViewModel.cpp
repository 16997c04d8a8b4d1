#include "RootTabViewModel.h"

#include <QVariantMap>

const QList<RootTabViewModel::Tab> &RootTabViewModel::allTabs() {
    static const QList<Tab> tabs{
        {QStringLiteral("首页"), QStringLiteral("house"), 0},
        {QStringLiteral("学习"), QStringLiteral("book"), 1},
        {QStringLiteral("问答"), QStringLiteral("questionmark.bubble"), 4},
        {QStringLiteral("发现"), QStringLiteral("sparkles"), 2},
        {QStringLiteral("我的"), QStringLiteral("person"), 3},
    };
    return tabs;
}

RootTabViewModel::RootTabViewModel(QObject *parent) : QObject(parent) {
    m_visited.fill(false, allTabs().size());
    markVisited();
}

void RootTabViewModel::setTab(int tag) {
    if (tag == m_tab)
        return;
    m_tab = tag;
    Q_EMIT tabChanged();
    markVisited();
}

void RootTabViewModel::markVisited() {
    const int position = currentPosition();
    if (position < 0 || m_visited[position])
        return;
    m_visited[position] = true;
    Q_EMIT visitedChanged();
}

QVariantList RootTabViewModel::visited() const {
    QVariantList result;
    for (bool seen : m_visited)
        result.append(seen);
    return result;
}

int RootTabViewModel::currentPosition() const {
    const QList<Tab> &tabs = allTabs();
    for (qsizetype i = 0; i < tabs.size(); ++i) {
        if (tabs[i].tag == m_tab)
            return int(i);
    }
    return -1;
}

QVariantList RootTabViewModel::tabs() const {
    QVariantList result;
    for (const Tab &tab : allTabs())
        result.append(QVariantMap{{QStringLiteral("title"), tab.title},
                                  {QStringLiteral("symbol"), tab.symbol},
                                  {QStringLiteral("tag"), tab.tag}});
    return result;
}

int RootTabViewModel::tagAt(int position) const {
    const QList<Tab> &tabs = allTabs();
    return position >= 0 && position < tabs.size() ? tabs[position].tag : -1;
}

void RootTabViewModel::selectPosition(int position) {
    const int tag = tagAt(position);
    if (tag >= 0)
        setTab(tag);
}
