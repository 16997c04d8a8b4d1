#pragma once

#include "ListModel.h"

#include <QList>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QtQml/qqmlregistration.h>

class Analytics;

// A ready-made question of the home search's "大家都在问" row: its id (recorded when tapped) and its text.
struct HomeKeyword {
    QString id;
    QString text;

    // The eight questions in display order; fixed in the app, never from the layout or the server.
    static const QList<HomeKeyword> &all();
};

// A chip of the "大家都在问" row.
struct HomeKeywordRow {
    Q_GADGET
    Q_PROPERTY(QString keywordId MEMBER keywordId)
    Q_PROPERTY(QString keywordText MEMBER keywordText)

public:
    QString keywordId;
    QString keywordText;

    QString id() const { return keywordId; }
    friend bool operator==(const HomeKeywordRow &, const HomeKeywordRow &) = default;
};

// The home page's search block. There is no search of our own: whatever the learner asks, by typing (return
// key or the "问一问" button) or by tapping a hot question, goes to the companion chat as its first message.
// `chatRequested` tells the home screen to push the chat with it; the screen calls `chatClosed` when the
// learner comes back.
class HomeSearchViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    // The field's keyboard focus as the learner set it; a successful submission takes it away.
    Q_PROPERTY(bool focused READ focused WRITE setFocused NOTIFY focusedChanged)
    // Shown for any text in the field, blanks too: the text is judged when it is sent.
    Q_PROPERTY(bool askButtonVisible READ askButtonVisible NOTIFY askButtonVisibleChanged)
    // The question handed to the chat while the chat is shown; empty otherwise.
    Q_PROPERTY(QString pending READ pending NOTIFY pendingChanged)
    Q_PROPERTY(ListModelBase *hotKeywords READ hotKeywordModel CONSTANT)

public:
    // Where a question came from, as the "home_search" event records it.
    static inline const QString sourceInput = QStringLiteral("input");
    static inline const QString sourceButton = QStringLiteral("button");
    static inline const QString sourceKeyword = QStringLiteral("keyword");

    // Records to the shared analytics queue.
    explicit HomeSearchViewModel(QObject *parent = nullptr);
    explicit HomeSearchViewModel(Analytics &analytics, QObject *parent = nullptr);

    QString query() const { return m_query; }
    void setQuery(const QString &query);
    bool focused() const { return m_focused; }
    void setFocused(bool focused);
    bool askButtonVisible() const { return !m_query.isEmpty(); }
    QString pending() const { return m_pending; }
    const ListModel<HomeKeywordRow> &hotKeywords() const { return *m_hotKeywords; }
    ListModelBase *hotKeywordModel() const { return m_hotKeywords; }

    // Sends `text`, trimmed of white space and line breaks, to the chat: records "home_search" {"source",
    // "length" in user-perceived characters}, drops the focus, empties the field and asks for the chat. Text
    // that is blank once trimmed does nothing at all (the field keeps its text and focus).
    Q_INVOKABLE void submit(const QString &text, const QString &source);
    // The hot question at `index` was tapped: "home_keyword_tap" {"keyword_id"}, then submitted as "keyword".
    // Nothing for an index outside the row.
    Q_INVOKABLE void tapKeyword(int index);
    // The learner left the chat.
    Q_INVOKABLE void chatClosed();

    // Where a wheel turn over the hot-question row scrolls it, from `offset` and within [first, last]: by the
    // turn's sideways part when it has one (a trackpad), else by its vertical part (a desktop wheel), in
    // pixels where the device reports them, else half a pixel per eighth of a degree.
    Q_INVOKABLE static qreal chipRowOffset(qreal offset, qreal first, qreal last, QPointF angleDelta,
                                           QPointF pixelDelta);

Q_SIGNALS:
    void queryChanged();
    void focusedChanged();
    void askButtonVisibleChanged();
    void pendingChanged();
    void chatRequested(const QString &text);

private:
    void setPending(const QString &pending);

    Analytics &m_analytics;
    QString m_query;
    bool m_focused = false;
    QString m_pending;
    ListModel<HomeKeywordRow> *m_hotKeywords;
};
