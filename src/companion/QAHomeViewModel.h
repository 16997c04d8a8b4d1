#pragma once

#include "LearningPlanCardViewModel.h"
#include "ListModel.h"
#include "ScreenViewModel.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

// A school subject of the question-and-answer tab; its id is the subject code the chat sends.
struct QASubject {
    QString id;
    QString name;
    QString icon;
    QColor color;
    QString tagline; // three topics joined by "·"

    // The nine subjects in display order, built once.
    static const QList<QASubject> &all();
    // The first subject whose id is exactly `id`.
    static std::optional<QASubject> find(const QString &id);
};

// A ready-made question and the subject it belongs to (a code that need not be one of the nine).
struct QAHotQuestion {
    QString subject;
    QString text;

    static const QList<QAHotQuestion> &all();
};

// How the tab opens the chat: its scene, the learner's first message (empty for none), the subject code
// (empty for none) and the title of the chat's page.
struct QAChatRoute {
    QString scene;
    QString initialMessage;
    QString subject;
    QString title;

    static QAChatRoute forSubject(const QASubject &subject);
    // A question whose subject is unknown still opens the chat, with its subject code unchanged.
    static QAChatRoute forHotQuestion(const QAHotQuestion &question);
    static QAChatRoute forPlanQuestion(const QString &question);

    friend bool operator==(const QAChatRoute &, const QAChatRoute &) = default;
};

// A cell of the subject grid.
struct QASubjectRow {
    Q_GADGET
    Q_PROPERTY(QString subjectId MEMBER subjectId)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QString symbol MEMBER symbol)
    Q_PROPERTY(QColor tint MEMBER tint)
    Q_PROPERTY(QString tagline MEMBER tagline)

public:
    QString subjectId;
    QString name;
    QString symbol;
    QColor tint;
    QString tagline;

    QString id() const { return subjectId; }
    friend bool operator==(const QASubjectRow &, const QASubjectRow &) = default;
};

// A row of the hot-question list with its subject chip: the subject's name and colour, or no name on the
// brand teal when the subject is unknown.
struct QAHotQuestionRow {
    Q_GADGET
    Q_PROPERTY(QString question MEMBER question)
    Q_PROPERTY(QString subject MEMBER subject)
    Q_PROPERTY(QString chipText MEMBER chipText)
    Q_PROPERTY(QColor chipColor MEMBER chipColor)

public:
    QString question;
    QString subject;
    QString chipText;
    QColor chipColor;

    QString id() const { return question; }
    friend bool operator==(const QAHotQuestionRow &, const QAHotQuestionRow &) = default;

    static QAHotQuestionRow of(const QAHotQuestion &question);
};

// The question-and-answer tab ("问答"): the intro card, the learning-plan card, the subject grid and the hot
// questions. Every way into the chat from here comes out of `chatRequested`; the view pushes the chat.
class QAHomeViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LearningPlanCardViewModel *planCard READ planCard CONSTANT)
    Q_PROPERTY(ListModelBase *subjects READ subjectModel CONSTANT)
    Q_PROPERTY(ListModelBase *hotQuestions READ hotQuestionModel CONSTANT)
    Q_PROPERTY(QString title READ title CONSTANT)

public:
    explicit QAHomeViewModel(QObject *parent = nullptr);
    ~QAHomeViewModel() override;

    LearningPlanCardViewModel *planCard() const { return m_planCard; }
    ListModelBase *subjectModel() const { return m_subjects; }
    ListModelBase *hotQuestionModel() const { return m_hotQuestions; }
    const QList<QASubjectRow> &subjectRows() const { return m_subjects->rows(); }
    const QList<QAHotQuestionRow> &hotQuestionRows() const { return m_hotQuestions->rows(); }
    QString title() const { return QStringLiteral("问答"); }

    // The tab came on screen / left it / was pulled down: the plan card's load.
    Q_INVOKABLE void appear() { m_planCard->appear(); }
    Q_INVOKABLE void disappear() { m_planCard->disappear(); }
    Q_INVOKABLE void refresh() { m_planCard->refresh(); }
    // The subject cell / hot question at `row` was tapped.
    Q_INVOKABLE void openSubject(int row);
    Q_INVOKABLE void openHotQuestion(int row);

Q_SIGNALS:
    void chatRequested(const QString &scene, const QString &initialMessage, const QString &subject,
                       const QString &title);

private:
    void sessionReplaced() override;
    void request(const QAChatRoute &route);

    LearningPlanCardViewModel *m_planCard;
    ListModel<QASubjectRow> *m_subjects;
    ListModel<QAHotQuestionRow> *m_hotQuestions;
};
