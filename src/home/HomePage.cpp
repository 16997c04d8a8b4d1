#include "HomePage.h"

#include "HomeCards.h"

HomeLayoutViewModel::HomeLayoutViewModel(QObject *parent) : QObject(parent) {
    connect(&m_store, &HomeLayoutStore::sessionChanged, this, &HomeLayoutViewModel::sessionChanged);
    QAbstractItemModel *grid = m_store.grid();
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(grid, signal, this, &HomeLayoutViewModel::placeRows);
    connect(grid, &QAbstractItemModel::rowsMoved, this, &HomeLayoutViewModel::placeRows);
    connect(grid, &QAbstractItemModel::dataChanged, this, &HomeLayoutViewModel::placeRows);
    connect(grid, &QAbstractItemModel::modelReset, this, &HomeLayoutViewModel::placeRows);
}

void HomeLayoutViewModel::setGridWidth(double width) {
    if (qFuzzyCompare(m_gridWidth, width))
        return;
    m_gridWidth = width;
    const int columns = HomeCards::columnCount(width);
    const bool changed = columns != m_columns;
    m_columns = columns;
    emit columnsChanged();
    if (changed)
        placeRows();
}

void HomeLayoutViewModel::placeRows() {
    const QList<HomeCardRow> &cards = m_store.grid()->rows();
    QList<int> spans;
    spans.reserve(cards.size());
    for (const HomeCardRow &card : cards)
        spans.append(card.span);
    QList<HomeGridRow> rows;
    for (const QList<HomeCards::GridCell> &placed : HomeCards::placeRows(spans, m_columns)) {
        HomeGridRow row;
        QStringList ids;
        for (const HomeCards::GridCell &cell : placed) {
            QVariantMap map = HomeCardListModel::toMap(cards[cell.card]);
            map.insert(QStringLiteral("column"), cell.column);
            map.insert(QStringLiteral("cells"), cell.cells);
            row.cells.append(map);
            ids.append(cards[cell.card].cardId);
        }
        row.rowId = ids.join(QLatin1Char('|'));
        rows.append(row);
    }
    m_rows.replaceAll(rows);
}

void HomeLayoutViewModel::setSession(AppSession *session) {
    m_store.setSession(session);
}

QVariantMap HomeLayoutViewModel::texts() {
    return {
        {QStringLiteral("brand"), QStringLiteral("岚帆伴")},
        {QStringLiteral("menu"), QStringLiteral("更多")},
        {QStringLiteral("edit"), QStringLiteral("编辑布局")},
        {QStringLiteral("restore"), QStringLiteral("恢复推荐布局")},
        {QStringLiteral("refresh"), QStringLiteral("刷新")},
        {QStringLiteral("editTitle"), QStringLiteral("编辑首页")},
        {QStringLiteral("cancel"), QStringLiteral("取消")},
        {QStringLiteral("save"), QStringLiteral("保存")},
        {QStringLiteral("loading"), QStringLiteral("加载首页…")},
        {QStringLiteral("fallbackNote"), QStringLiteral("配置暂不可用，已使用本地默认布局")},
        {QStringLiteral("editorNote"),
         QStringLiteral("拖动调整顺序；左滑隐藏；点尺寸在 M/L 间切换。保存后写入 layout-svc overrides。")},
        {QStringLiteral("shown"), QStringLiteral("显示中")},
        {QStringLiteral("hidden"), QStringLiteral("已隐藏")},
        {QStringLiteral("show"), QStringLiteral("显示")},
        {QStringLiteral("hide"), QStringLiteral("隐藏")},
        {QStringLiteral("alertTitle"), QStringLiteral("提示")},
        {QStringLiteral("alertButton"), QStringLiteral("好")}};
}

void HomeLayoutViewModel::appear() {
    m_store.requestLoad();
}

void HomeLayoutViewModel::disappear() {
    m_store.dropLoads();
}

void ToolVisits::opened(QObject *page, const QString &key) {
    if (!page)
        return;
    if (!m_keys.contains(page))
        connect(page, &QObject::destroyed, this, [this, page] { m_keys.remove(page); });
    m_keys.insert(page, key);
    shown(page);
}

void ToolVisits::shown(QObject *page) {
    const auto found = m_keys.constFind(page);
    if (found != m_keys.constEnd())
        m_tools.logToolClick(*found);
}
