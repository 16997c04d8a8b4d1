#include "ListModel.h"

ListModelBase::ListModelBase(QObject *parent) : QAbstractListModel(parent) {
    connect(this, &QAbstractItemModel::rowsInserted, this, &ListModelBase::countChanged);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &ListModelBase::countChanged);
    connect(this, &QAbstractItemModel::modelReset, this, &ListModelBase::countChanged);
}

QVariantMap ListModelBase::get(int row) const {
    QVariantMap map;
    if (row < 0 || row >= rowCount())
        return map;
    const QModelIndex at = index(row);
    const QHash<int, QByteArray> names = roleNames();
    for (auto it = names.begin(); it != names.end(); ++it)
        map.insert(QString::fromUtf8(it.value()), data(at, it.key()));
    return map;
}

QList<bool> ListModelBase::stableRows(const QList<qsizetype> &targets) {
    // Patience sorting: `tails[k]` is the row ending the best increasing run of length k + 1 found so far,
    // `previous` links each row to the one before it in its run.
    QList<qsizetype> tails;
    QList<qsizetype> previous(targets.size(), -1);
    for (qsizetype i = 0; i < targets.size(); ++i) {
        const auto slot =
            std::lower_bound(tails.begin(), tails.end(), targets[i],
                             [&](qsizetype row, qsizetype target) { return targets[row] < target; });
        if (slot != tails.begin())
            previous[i] = *(slot - 1);
        if (slot == tails.end())
            tails.append(i);
        else
            *slot = i;
    }
    QList<bool> stable(targets.size(), false);
    for (qsizetype row = tails.isEmpty() ? -1 : tails.last(); row >= 0; row = previous[row])
        stable[row] = true;
    return stable;
}
