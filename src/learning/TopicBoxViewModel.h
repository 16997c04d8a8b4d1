#pragma once

#include "AppSession.h"
#include "CatalogueModels.h"
#include "ListModel.h"
#include "Theme.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

Q_DECLARE_METATYPE(TopicCandidate)

// The topic card of the chapter picker: the learner says in one sentence what to learn, the server's topic
// preview answers with a message and proposed paths (a chapter and some of its points each), and confirming
// a proposal hands it to the picker's host, which builds the path.
//
// The typed text is held to 100 user-perceived characters; every edit drops the result on show. A preview
// is one request at a time and is not tied to the screen: it runs to its end (its result is dropped only when
// the box itself is gone). A failed preview is reported through `failed` (the picker shows it in place of
// its empty-list text); an "out_of_scope" answer is not a failure, only its message turns orange.
// A candidate path's card: its chapter line, point names and lesson summary.
struct TopicCandidateCard {
    Q_GADGET
    Q_PROPERTY(QString chapterLine MEMBER chapterLine)
    Q_PROPERTY(QString pointsLine MEMBER pointsLine)
    Q_PROPERTY(QString summaryLine MEMBER summaryLine)

public:
    QString candidateId;
    QString chapterLine;
    QString pointsLine;
    QString summaryLine;

    QString id() const { return candidateId; }
    friend bool operator==(const TopicCandidateCard &, const TopicCandidateCard &) = default;
};

class TopicBoxViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Part of the chapter picker")
    Q_PROPERTY(QString topicText READ topicText WRITE setTopicText NOTIFY topicTextChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(bool hasResult READ hasResult NOTIFY resultChanged)
    Q_PROPERTY(QString message READ message NOTIFY resultChanged)
    Q_PROPERTY(int messageTone READ messageTone NOTIFY resultChanged)
    Q_PROPERTY(ListModelBase *candidates READ candidateModel CONSTANT)
    Q_PROPERTY(QString buttonLabel READ buttonLabel NOTIFY busyChanged)
    Q_PROPERTY(bool buttonFilled READ buttonFilled NOTIFY topicTextChanged)
    Q_PROPERTY(bool buttonEnabled READ buttonEnabled NOTIFY buttonEnabledChanged)
    Q_PROPERTY(bool confirmEnabled READ confirmEnabled NOTIFY busyChanged)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString example READ example CONSTANT)
    Q_PROPERTY(QString placeholder READ placeholder CONSTANT)
    Q_PROPERTY(QString confirmLabel READ confirmLabel CONSTANT)

public:
    static constexpr int maxCharacters = 100;

    explicit TopicBoxViewModel(QObject *parent = nullptr);
    ~TopicBoxViewModel() override;

    void setSession(AppSession *session) { m_session = session; }

    QString topicText() const { return m_topicText; }
    // An edit: keeps the first 100 characters and drops the result on show. Setting the same text is no edit.
    void setTopicText(const QString &text);
    bool busy() const { return m_busy; }
    const std::optional<TopicResolution> &result() const { return m_result; }
    bool hasResult() const { return m_result.has_value(); }
    QString message() const { return m_result ? m_result->message : QString(); }
    bool outOfScope() const { return m_result && m_result->status == TopicResolution::outOfScope; }
    int messageTone() const;
    // One card per candidate of the result on show, in the answer's order.
    const QList<TopicCandidateCard> &candidateCards() const { return m_candidates->rows(); }
    ListModelBase *candidateModel() const { return m_candidates; }
    QString buttonLabel() const { return m_busy ? QStringLiteral("解析中") : QStringLiteral("解析"); }
    // The button is painted as usable while the text has more than white space (line breaks count as text).
    bool buttonFilled() const { return !trimWhitespace(m_topicText).isEmpty(); }
    bool buttonEnabled() const { return buttonFilled() && !m_busy; }
    bool confirmEnabled() const { return !m_busy; }
    QString title() const { return QStringLiteral("想学什么？一句话告诉我"); }
    QString example() const { return QStringLiteral("例如：我想学相遇和追及问题、去分母总出错"); }
    QString placeholder() const { return QStringLiteral("说说你想学的主题…"); }
    QString confirmLabel() const { return QStringLiteral("确认开始"); }

    // The texts of a candidate card.
    static QString chapterLine(const TopicCandidate &candidate); // "《name》"
    static QString pointsLine(const TopicCandidate &candidate);  // names joined with "、"
    static QString summaryLine(const TopicCandidate &candidate); // "共 3 节课 · 预计约 45 分钟"

    // The first `maxCharacters` user-perceived characters of `text`.
    static QString capped(const QString &text);
    // Trims the platform's white space (space separators and tab) from both ends.
    static QString trimWhitespace(const QString &text);
    // Trims white space and line breaks from both ends.
    static QString trimWhitespaceAndNewlines(const QString &text);

    // The "解析" button and the return key. Sends nothing for a text of white space and line breaks only, or
    // while a preview is under way.
    Q_INVOKABLE void resolve();
    QCoro::Task<> resolveTopic();
    // "确认开始" on the card at `index` of the result on show: hands that candidate on, nothing else.
    Q_INVOKABLE void confirm(int index);

Q_SIGNALS:
    void topicTextChanged();
    void busyChanged();
    void buttonEnabledChanged();
    void resultChanged();
    // A candidate was confirmed; `candidate` holds a TopicCandidate.
    void confirmed(const QVariant &candidate);
    void failed(const QString &message);

private:
    void setBusy(bool busy);
    void setResult(std::optional<TopicResolution> result);

    QPointer<AppSession> m_session;
    QString m_topicText;
    std::optional<TopicResolution> m_result;
    ListModel<TopicCandidateCard> *m_candidates;
    bool m_busy = false;
};
