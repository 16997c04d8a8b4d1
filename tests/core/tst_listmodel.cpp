#include "ListModel.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <random>

namespace {

struct Card {
    Q_GADGET
    Q_PROPERTY(QString key MEMBER key)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(int score MEMBER score)
    Q_PROPERTY(bool passed READ passed)

public:
    QString key;
    QString name;
    int score = 0;
    QString note; // not a role: a change of it alone shows nothing

    QString id() const { return key; }
    bool passed() const { return score >= 60; }
    friend bool operator==(const Card &, const Card &) = default;
};

// "a" is the row a with name "a" and score 0; "a=x" has name "x"; "a=x:70" score 70 too.
Card card(const QString &spec) {
    const QStringList parts = spec.split(u'=');
    Card c{parts[0], parts[0], 0, {}};
    if (parts.size() > 1) {
        const QStringList value = parts[1].split(u':');
        c.name = value[0];
        if (value.size() > 1)
            c.score = value[1].toInt();
    }
    return c;
}

QList<Card> cards(const QStringList &specs) {
    QList<Card> list;
    for (const QString &spec : specs)
        list.append(card(spec));
    return list;
}

// What a view sees: the rows as it rebuilt them from the signals alone, and the signals in order.
struct Mirror {
    QAbstractItemModel *model;
    QStringList rows; // "key=name:score" per row
    QStringList log;

    QString read(int row) const {
        const auto value = [&](const char *name) {
            return model->data(model->index(row, 0), ListModel<Card>::role(name));
        };
        return value("key").toString() + u'=' + value("name").toString() + u':' +
               QString::number(value("score").toInt());
    }

    explicit Mirror(QAbstractItemModel *m) : model(m) {
        for (int i = 0; i < model->rowCount(); ++i)
            rows.append(read(i));
        QObject::connect(model, &QAbstractItemModel::rowsInserted, [this](const QModelIndex &, int a, int b) {
            for (int i = a; i <= b; ++i)
                rows.insert(i, read(i));
            log << QStringLiteral("insert %1-%2").arg(a).arg(b);
        });
        QObject::connect(model, &QAbstractItemModel::rowsRemoved, [this](const QModelIndex &, int a, int b) {
            rows.remove(a, b - a + 1);
            log << QStringLiteral("remove %1-%2").arg(a).arg(b);
        });
        QObject::connect(model, &QAbstractItemModel::rowsMoved,
                         [this](const QModelIndex &, int a, int b, const QModelIndex &, int to) {
                             QCOMPARE(a, b);
                             rows.move(a, to > a ? to - 1 : to);
                             log << QStringLiteral("move %1>%2").arg(a).arg(to);
                         });
        QObject::connect(model, &QAbstractItemModel::dataChanged,
                         [this](const QModelIndex &from, const QModelIndex &to, const QList<int> &roles) {
                             QStringList names;
                             for (int role : roles)
                                 names << QString::fromLatin1(model->roleNames().value(role));
                             for (int i = from.row(); i <= to.row(); ++i)
                                 rows[i] = read(i);
                             log << QStringLiteral("change %1 %2").arg(from.row()).arg(names.join(u','));
                             QCOMPARE(from.row(), to.row());
                         });
        QObject::connect(model, &QAbstractItemModel::modelReset, [this] { log << QStringLiteral("reset"); });
    }
};

QStringList full(const QList<Card> &list) {
    QStringList rows;
    for (const Card &c : list)
        rows << c.key + u'=' + c.name + u':' + QString::number(c.score);
    return rows;
}

} // namespace

class TestListModel : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rolesAreTheRowsProperties() {
        ListModel<Card> model;
        model.append(card("a=甲:75"));
        const QHash<int, QByteArray> names = model.roleNames();
        QCOMPARE(names.size(), 4);
        QCOMPARE(names.value(ListModel<Card>::role("name")), QByteArray("name"));
        QCOMPARE(ListModel<Card>::role("note"), -1);
        const QModelIndex first = model.index(0);
        QCOMPARE(model.data(first, ListModel<Card>::role("name")).toString(), QStringLiteral("甲"));
        QCOMPARE(model.data(first, ListModel<Card>::role("score")).toInt(), 75);
        QCOMPARE(model.data(first, ListModel<Card>::role("passed")).toBool(), true); // a computed role
        QVERIFY(!model.data(first, Qt::DisplayRole).isValid());
        QVERIFY(!model.data(model.index(1), ListModel<Card>::role("name")).isValid());

        const QVariantMap row = model.get(0);
        QCOMPARE(row, (QVariantMap{{"key", "a"}, {"name", "甲"}, {"score", 75}, {"passed", true}}));
        QCOMPARE(ListModel<Card>::toMap(model.at(0)), row);
        QVERIFY(model.get(1).isEmpty());
        QVERIFY(model.get(-1).isEmpty());
    }

    // Each single-row operation: its signals, and `count` only when the number of rows changes.
    void operations_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("countChanges");

        QTest::newRow("append") << "append d" << QStringList{"insert 3-3"}
                                << QStringList{"a=a:0", "b=b:0", "c=c:0", "d=d:0"} << true << 1;
        QTest::newRow("insert in the middle") << "insert 1 d" << QStringList{"insert 1-1"}
                                              << QStringList{"a=a:0", "d=d:0", "b=b:0", "c=c:0"} << true << 1;
        QTest::newRow("insert beyond the end clamps")
            << "insert 9 d" << QStringList{"insert 3-3"} << QStringList{"a=a:0", "b=b:0", "c=c:0", "d=d:0"}
            << true << 1;
        QTest::newRow("update one role") << "update b=x" << QStringList{"change 1 name"}
                                         << QStringList{"a=a:0", "b=x:0", "c=c:0"} << true << 0;
        QTest::newRow("update with a computed role")
            << "update c=c:80" << QStringList{"change 2 score,passed"}
            << QStringList{"a=a:0", "b=b:0", "c=c:80"} << true << 0;
        QTest::newRow("update to the same")
            << "update b" << QStringList{} << QStringList{"a=a:0", "b=b:0", "c=c:0"} << true << 0;
        QTest::newRow("update of a field no role shows")
            << "note b" << QStringList{} << QStringList{"a=a:0", "b=b:0", "c=c:0"} << true << 0;
        QTest::newRow("update unknown id")
            << "update z=x" << QStringList{} << QStringList{"a=a:0", "b=b:0", "c=c:0"} << false << 0;
        QTest::newRow("remove") << "remove b" << QStringList{"remove 1-1"} << QStringList{"a=a:0", "c=c:0"}
                                << true << 1;
        QTest::newRow("remove unknown id")
            << "remove z" << QStringList{} << QStringList{"a=a:0", "b=b:0", "c=c:0"} << false << 0;
        QTest::newRow("clear") << "clear" << QStringList{"remove 0-2"} << QStringList{} << true << 1;
    }
    void operations() {
        QFETCH(QString, operation);
        QFETCH(QStringList, log);
        QFETCH(QStringList, rows);
        QFETCH(bool, result);
        QFETCH(int, countChanges);

        ListModel<Card> model;
        model.replaceAll(cards({"a", "b", "c"}));
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Mirror mirror(&model);
        QSignalSpy count(&model, &ListModelBase::countChanged);

        const QStringList words = operation.split(u' ');
        bool done = true;
        if (words[0] == "append") {
            model.append(card(words[1]));
        } else if (words[0] == "insert") {
            model.insert(words[1].toInt(), card(words[2]));
        } else if (words[0] == "update") {
            done = model.update(card(words[1]));
        } else if (words[0] == "note") {
            Card changed = *model.find(words[1]);
            changed.note = QStringLiteral("changed");
            done = model.update(changed);
            QCOMPARE(model.find(words[1])->note, QStringLiteral("changed")); // kept, though nobody is told
        } else if (words[0] == "remove") {
            done = model.remove(words[1]);
        } else if (words[0] == "clear") {
            model.clear();
        }
        QCOMPARE(done, result);
        QCOMPARE(mirror.log, log);
        QCOMPARE(mirror.rows, rows);
        QCOMPARE(full(model.rows()), rows);
        QCOMPARE(count.count(), countChanges);
        QCOMPARE(model.count(), rows.size());
    }

    // replaceAll signals only what differs; a view that follows the signals ends with the new list.
    void replaceAll_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("log");

        const QStringList abcd{"a", "b", "c", "d"};
        QTest::newRow("same rows: nothing") << abcd << abcd << QStringList{};
        QTest::newRow("one row changed: one dataChanged")
            << abcd << QStringList{"a", "b", "c=x", "d"} << QStringList{"change 2 name"};
        QTest::newRow("two roles of one row")
            << abcd << QStringList{"a=y:90", "b", "c", "d"} << QStringList{"change 0 name,score,passed"};
        QTest::newRow("inserted in the middle")
            << abcd << QStringList{"a", "b", "x", "y", "c", "d"} << QStringList{"insert 2-3"};
        QTest::newRow("inserted at both ends")
            << abcd << QStringList{"x", "a", "b", "c", "d", "y"} << QStringList{"insert 0-0", "insert 5-5"};
        QTest::newRow("removed") << abcd << QStringList{"a", "d"} << QStringList{"remove 1-2"};
        QTest::newRow("removed apart")
            << abcd << QStringList{"b", "d"} << QStringList{"remove 2-2", "remove 0-0"};
        QTest::newRow("last moved first")
            << abcd << QStringList{"d", "a", "b", "c"} << QStringList{"move 3>0"};
        QTest::newRow("first moved last")
            << abcd << QStringList{"b", "c", "d", "a"} << QStringList{"move 0>4"};
        QTest::newRow("two swapped") << abcd << QStringList{"a", "c", "b", "d"} << QStringList{"move 1>3"};
        QTest::newRow("reversed") << abcd << QStringList{"d", "c", "b", "a"}
                                  << QStringList{"move 2>4", "move 1>4", "move 0>4"};
        QTest::newRow("moved and changed")
            << abcd << QStringList{"b", "a=x", "c", "d"} << QStringList{"move 0>2", "change 1 name"};
        QTest::newRow("everything at once")
            << abcd << QStringList{"x", "d=z", "b"}
            << QStringList{"remove 2-2", "remove 0-0", "move 0>2", "insert 0-0", "change 1 name"};
        QTest::newRow("from empty") << QStringList{} << QStringList{"a", "b"} << QStringList{"insert 0-1"};
        QTest::newRow("to empty") << abcd << QStringList{} << QStringList{"remove 0-3"};
        QTest::newRow("all new") << QStringList{"a", "b"} << QStringList{"x", "y"}
                                 << QStringList{"remove 0-1", "insert 0-1"};
        QTest::newRow("repeated ids by occurrence")
            << QStringList{"a=1", "a=2", "b"} << QStringList{"a=1", "b", "a=2"} << QStringList{"move 1>3"};
        QTest::newRow("a repeated id gone")
            << QStringList{"a=1", "a=2"} << QStringList{"a=1"} << QStringList{"remove 1-1"};
    }
    void replaceAll() {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QStringList, log);

        ListModel<Card> model;
        model.replaceAll(cards(before));
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Mirror mirror(&model);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy count(&model, &ListModelBase::countChanged);

        model.replaceAll(cards(after));
        QCOMPARE(mirror.log, log);
        QCOMPARE(full(model.rows()), full(cards(after)));
        QCOMPARE(mirror.rows, full(cards(after)));
        QCOMPARE(reset.count(), 0);
        const auto resizes = std::count_if(log.begin(), log.end(), [](const QString &entry) {
            return entry.startsWith("insert") || entry.startsWith("remove");
        });
        QCOMPARE(count.count(), resizes);
    }

    // Shuffled, thinned and grown lists, with repeated ids: a view that follows the signals always ends with
    // the new list.
    void replaceAllShuffled() {
        QRandomGenerator random(20240611);
        for (int round = 0; round < 200; ++round) {
            QStringList before;
            for (int i = 0; i < 12; ++i)
                before << QStringLiteral("r%1=%2").arg(random.bounded(16)).arg(random.bounded(3));
            QStringList after = before;
            std::shuffle(after.begin(), after.end(), std::mt19937(random.generate()));
            after = after.mid(0, random.bounded(4, 13));
            for (int i = 0; i < random.bounded(4); ++i)
                after.insert(random.bounded(after.size() + 1), QStringLiteral("n%1").arg(i));

            ListModel<Card> model;
            model.replaceAll(cards(before));
            Mirror mirror(&model);
            model.replaceAll(cards(after));
            QCOMPARE(mirror.rows, full(cards(after)));
            QVERIFY(!mirror.log.contains("reset"));
        }
    }
};

QTEST_GUILESS_MAIN(TestListModel)
#include "tst_listmodel.moc"
