#pragma once

#include "CompanionEvent.h"
#include "ListModel.h"

#include <QObject>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

class Analytics;

// One reference of a reply as the card lists it.
struct CitationRow {
    Q_GADGET
    Q_PROPERTY(qint64 index MEMBER index)
    Q_PROPERTY(QString indexText MEMBER indexText)
    Q_PROPERTY(QString heading MEMBER heading)
    Q_PROPERTY(QString snippet MEMBER snippet)
    Q_PROPERTY(QString source MEMBER source)

public:
    qint64 index = 0;
    QString indexText; // "[2]"
    QString heading;   // the title, or the source when the title is empty
    QString snippet;
    QString source;

    // The reference's number is its identity. Two references that share one are both listed: the list
    // model matches repeated ids by occurrence.
    qint64 id() const { return index; }
    friend bool operator==(const CitationRow &, const CitationRow &) = default;

    static CitationRow from(const Citation &citation);
};

// The card under a reply that lists the references the server cited: a header "<title> · <count>" that
// folds the card open and shut, and one row per reference in the order received (number and heading; the
// snippet and source only while open). It starts folded; opening it is recorded as "citation_open" with the
// number of references, folding it is not.
class CitationCardModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    // The message's `citations`: Citation values, or maps with the same keys.
    Q_PROPERTY(QVariantList items READ items WRITE setItems NOTIFY itemsChanged)
    Q_PROPERTY(QString title READ title WRITE setTitle NOTIFY titleChanged)
    Q_PROPERTY(bool expanded READ expanded NOTIFY expandedChanged)
    Q_PROPERTY(QString headerText READ headerText NOTIFY headerTextChanged)
    Q_PROPERTY(ListModelBase *rows READ rowModel CONSTANT)

public:
    // Records to the shared analytics queue.
    explicit CitationCardModel(QObject *parent = nullptr);
    CitationCardModel(Analytics &analytics, QObject *parent = nullptr);

    QVariantList items() const { return m_items; }
    void setItems(const QVariantList &items);
    void setCitations(const QList<Citation> &citations);
    QString title() const { return m_title; }
    void setTitle(const QString &title);
    bool expanded() const { return m_expanded; }
    QString headerText() const;
    const ListModel<CitationRow> &rows() const { return *m_rows; }
    ListModelBase *rowModel() const { return m_rows; }

    // The header was tapped.
    Q_INVOKABLE void toggle();

    // A Citation, or a map with its keys ("index", "source", "title", "snippet"); nothing for anything else.
    static std::optional<Citation> citationFrom(const QVariant &value);

Q_SIGNALS:
    void itemsChanged();
    void titleChanged();
    void expandedChanged();
    void headerTextChanged();

private:
    Analytics &m_analytics;
    QVariantList m_items;
    QString m_title;
    bool m_expanded = false;
    ListModel<CitationRow> *m_rows;
};
