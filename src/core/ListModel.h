#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QList>
#include <QMetaProperty>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <algorithm>
#include <concepts>
#include <type_traits>
#include <utility>

// What every list of the app offers QML, whatever its rows: the number of rows and one row by position.
// `count` follows inserts, removals and resets (a move keeps it).
class ListModelBase : public QAbstractListModel {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    explicit ListModelBase(QObject *parent = nullptr);

    int count() const { return rowCount(); }
    // The row at `row` as {role name: value}; empty outside the list. For code outside a delegate.
    Q_INVOKABLE QVariantMap get(int row) const;

Q_SIGNALS:
    void countChanged();

protected:
    // The positions of the rows to keep in place when the rows at `targets` (their new positions, in their
    // current order) are put in order: a longest increasing run, so that the fewest rows move.
    static QList<bool> stableRows(const QList<qsizetype> &targets);
};

// A row of a ListModel: a Q_GADGET whose Q_PROPERTYs are the roles (named as the properties), with an
// `id()` that tells the same row apart in a newer copy of the list, and `==` to tell whether it changed.
template <typename Row>
concept ListModelRow = requires(const Row &row) {
    { Row::staticMetaObject } -> std::convertible_to<const QMetaObject &>;
    row.id();
    { row == row } -> std::convertible_to<bool>;
};

// A list model over value rows. Every change signals only the rows it touches: an update of one row is one
// dataChanged with the roles whose values differ, and `replaceAll` works out which rows came, went, moved
// or changed, so that a refresh that changes one row signals one row and one that changes nothing signals
// nothing. Never a reset.
//
// Ids should be unique; should a list repeat one, its rows are matched by occurrence (the second row with
// an id in the old list is the second one in the new), and update / remove by id take the first.
template <ListModelRow Row>
class ListModel : public ListModelBase {
public:
    using Id = std::decay_t<decltype(std::declval<const Row &>().id())>;

    explicit ListModel(QObject *parent = nullptr) : ListModelBase(parent) {}

    // The role of the property `name`, or -1.
    static int role(const char *name) {
        const int index = Row::staticMetaObject.indexOfProperty(name);
        return index < 0 ? -1 : firstRole + index;
    }
    // A row's roles by name, as `get` gives them (also what a delegate's required properties take).
    static QVariantMap toMap(const Row &row) {
        QVariantMap map;
        const QMetaObject &meta = Row::staticMetaObject;
        for (int i = 0; i < meta.propertyCount(); ++i)
            map.insert(QString::fromLatin1(meta.property(i).name()), meta.property(i).readOnGadget(&row));
        return map;
    }

    int rowCount(const QModelIndex &parent = {}) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    QVariant data(const QModelIndex &index, int role) const override {
        const int property = role - firstRole;
        if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
            property < 0 || property >= Row::staticMetaObject.propertyCount())
            return {};
        return Row::staticMetaObject.property(property).readOnGadget(&m_rows[index.row()]);
    }
    QHash<int, QByteArray> roleNames() const override {
        QHash<int, QByteArray> names;
        const QMetaObject &meta = Row::staticMetaObject;
        for (int i = 0; i < meta.propertyCount(); ++i)
            names.insert(firstRole + i, meta.property(i).name());
        return names;
    }

    const QList<Row> &rows() const { return m_rows; }
    const Row &at(qsizetype position) const { return m_rows.at(position); }
    qsizetype indexOf(const Id &id) const {
        for (qsizetype i = 0; i < m_rows.size(); ++i) {
            if (m_rows[i].id() == id)
                return i;
        }
        return -1;
    }
    const Row *find(const Id &id) const {
        const qsizetype position = indexOf(id);
        return position < 0 ? nullptr : &m_rows[position];
    }

    // Inserts `row` before `position` (clamped to the list).
    void insert(qsizetype position, Row row) {
        position = std::clamp<qsizetype>(position, 0, m_rows.size());
        beginInsertRows({}, int(position), int(position));
        m_rows.insert(position, std::move(row));
        endInsertRows();
    }
    void append(Row row) { insert(m_rows.size(), std::move(row)); }

    // Puts `row` in place of the row with its id; signals the roles that changed. False without such a row.
    bool update(Row row) {
        const qsizetype position = indexOf(row.id());
        if (position < 0)
            return false;
        assign(position, std::move(row));
        return true;
    }
    // Removes the row with `id`. False without such a row.
    bool remove(const Id &id) {
        const qsizetype position = indexOf(id);
        if (position < 0)
            return false;
        beginRemoveRows({}, int(position), int(position));
        m_rows.remove(position);
        endRemoveRows();
        return true;
    }
    void clear() { replaceAll({}); }

    // Makes the list `rows`: removes the rows whose ids are gone, moves the fewest rows needed into the new
    // order, inserts the new ones, and signals dataChanged for kept rows whose roles differ.
    void replaceAll(QList<Row> rows) {
        const QList<Key> newKeys = keysOf(rows);
        QHash<Key, qsizetype> newPositions;
        for (qsizetype i = 0; i < newKeys.size(); ++i)
            newPositions.insert(newKeys[i], i);
        QList<Key> keys = keysOf(m_rows);

        // Gone rows, back to front, a run of neighbours at a time.
        for (qsizetype last = keys.size() - 1; last >= 0; --last) {
            if (newPositions.contains(keys[last]))
                continue;
            qsizetype first = last;
            while (first > 0 && !newPositions.contains(keys[first - 1]))
                --first;
            beginRemoveRows({}, int(first), int(last));
            m_rows.remove(first, last - first + 1);
            keys.remove(first, last - first + 1);
            endRemoveRows();
            last = first;
        }

        // Kept rows into their new order. The rows of a longest run already in order stay; each other row
        // goes right behind the row that precedes it in the new order, taken in that order.
        QList<qsizetype> targets;
        targets.reserve(keys.size());
        for (const Key &key : std::as_const(keys))
            targets.append(newPositions.value(key));
        const QList<bool> stable = stableRows(targets);
        QHash<Key, bool> stays;
        for (qsizetype i = 0; i < keys.size(); ++i)
            stays.insert(keys[i], stable[i]);
        QList<Key> order = keys;
        std::sort(order.begin(), order.end(),
                  [&](const Key &a, const Key &b) { return newPositions.value(a) < newPositions.value(b); });
        for (qsizetype k = 0; k < order.size(); ++k) {
            if (stays.value(order[k]))
                continue;
            const qsizetype from = keys.indexOf(order[k]);
            const qsizetype before = k == 0 ? 0 : keys.indexOf(order[k - 1]) + 1;
            if (before == from || before == from + 1)
                continue;
            beginMoveRows({}, int(from), int(from), {}, int(before));
            const qsizetype to = before > from ? before - 1 : before;
            m_rows.move(from, to);
            keys.move(from, to);
            endMoveRows();
        }

        // New rows, a run of neighbours at a time; the kept rows are in order around them by now.
        for (qsizetype first = 0; first < newKeys.size(); ++first) {
            if (stays.contains(newKeys[first]))
                continue;
            qsizetype last = first;
            while (last + 1 < newKeys.size() && !stays.contains(newKeys[last + 1]))
                ++last;
            beginInsertRows({}, int(first), int(last));
            for (qsizetype i = first; i <= last; ++i)
                m_rows.insert(i, rows[i]);
            endInsertRows();
            first = last;
        }

        for (qsizetype i = 0; i < rows.size(); ++i)
            assign(i, std::move(rows[i]));
    }

private:
    static constexpr int firstRole = Qt::UserRole + 1;
    using Key = std::pair<Id, int>; // id and occurrence

    static QList<Key> keysOf(const QList<Row> &rows) {
        QList<Key> keys;
        keys.reserve(rows.size());
        QHash<Id, int> seen;
        for (const Row &row : rows) {
            const Id id = row.id();
            keys.append({id, seen[id]++});
        }
        return keys;
    }

    // Replaces the row at `position`, signalling the roles whose values differ (none when none do).
    void assign(qsizetype position, Row row) {
        if (m_rows[position] == row)
            return;
        QList<int> roles;
        const QMetaObject &meta = Row::staticMetaObject;
        for (int i = 0; i < meta.propertyCount(); ++i) {
            const QMetaProperty property = meta.property(i);
            if (property.readOnGadget(&m_rows[position]) != property.readOnGadget(&row))
                roles.append(firstRole + i);
        }
        m_rows[position] = std::move(row);
        if (!roles.isEmpty()) {
            const QModelIndex changed = index(int(position));
            Q_EMIT dataChanged(changed, changed, roles);
        }
    }

    QList<Row> m_rows;
};
