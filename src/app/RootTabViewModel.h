#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

// The five-tab shell: the tabs in display order, each with its title, system symbol and the fixed tag that
// the selection holds (the tags are not in display order). A new shell opens on "首页" (tag 0).
class RootTabViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(int tab READ tab WRITE setTab NOTIFY tabChanged)
    Q_PROPERTY(int currentPosition READ currentPosition NOTIFY tabChanged)
    Q_PROPERTY(QVariantList tabs READ tabs CONSTANT)
    // Per display position, whether that tab has been shown yet: a tab's page is made on its first visit and
    // then kept, so the shell does not build five tabs to show one.
    Q_PROPERTY(QVariantList visited READ visited NOTIFY visitedChanged)

public:
    struct Tab {
        QString title;
        QString symbol;
        int tag;
    };
    static const QList<Tab> &allTabs();

    explicit RootTabViewModel(QObject *parent = nullptr);

    int tab() const { return m_tab; }
    void setTab(int tag);
    // The display position of the selected tab.
    int currentPosition() const;
    QVariantList tabs() const;
    QVariantList visited() const;
    bool wasVisited(int position) const { return m_visited.value(position, false); }

    // Selects the tab shown at that display position.
    Q_INVOKABLE void selectPosition(int position);
    Q_INVOKABLE int tagAt(int position) const;

Q_SIGNALS:
    void tabChanged();
    void visitedChanged();

private:
    void markVisited();

    int m_tab = 0;
    QList<bool> m_visited;
};
