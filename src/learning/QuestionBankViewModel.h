#pragma once

#include "CatalogueModels.h"
#include "ListModel.h"
#include "QuestionModels.h"
#include "ScreenViewModel.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <functional>
#include <optional>

// One question of the batch on screen: its stem (or "题目 #<id>") and its type label.
struct QuestionBankRow {
    Q_GADGET
    Q_PROPERTY(QString stem READ stem)
    Q_PROPERTY(QString typeLabel READ typeLabel)
    Q_PROPERTY(QString questionId READ questionIdText)

public:
    VariantQuestion question;

    qint64 id() const { return question.questionId; }
    QString stem() const;
    QString typeLabel() const;
    QString questionIdText() const { return QString::number(question.questionId); }
    friend bool operator==(const QuestionBankRow &, const QuestionBankRow &) = default;
};

// The question bank ("题库练习"): chapter, knowledge point, type and difficulty pickers, a batch of five
// questions at a time ("换一批" leaves out the ones on screen), and, when the bank has nothing that fits, a
// request for a generated set or a question to the companion.
//
// The pickers stay usable while a load runs, so every answer is checked against the filters it was asked
// with: a point list for a chapter no longer chosen and a batch (or its failure) for a point no longer chosen
// are dropped, and a request's note is kept only while its point, type and difficulty are still the chosen
// ones. Nothing the learner sees can then belong to another filter than the one on screen.
class QuestionBankViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString title READ title CONSTANT)
    // Picker options, "请选择" first; index 0 is "no chapter" / "no point".
    Q_PROPERTY(QStringList chapterOptions READ chapterOptions NOTIFY chaptersChanged)
    Q_PROPERTY(int chapterIndex READ chapterIndex WRITE setChapterIndex NOTIFY chapterChanged)
    Q_PROPERTY(bool showsPoints READ showsPoints NOTIFY pointsChanged)
    Q_PROPERTY(QStringList pointOptions READ pointOptions NOTIFY pointsChanged)
    Q_PROPERTY(int pointIndex READ pointIndex WRITE setPointIndex NOTIFY pointChanged)
    Q_PROPERTY(QStringList qtypeLabels READ qtypeLabels CONSTANT)
    Q_PROPERTY(int qtypeIndex READ qtypeIndex WRITE setQtypeIndex NOTIFY filterChanged)
    Q_PROPERTY(QStringList difficultyLabels READ difficultyLabels CONSTANT)
    Q_PROPERTY(int difficultyIndex READ difficultyIndex WRITE setDifficultyIndex NOTIFY filterChanged)
    Q_PROPERTY(bool canPick READ canPick NOTIFY stateChanged)
    Q_PROPERTY(QString pickLabel READ pickLabel NOTIFY stateChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY stateChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY stateChanged)
    Q_PROPERTY(ListModelBase *questions READ questionModel CONSTANT)
    Q_PROPERTY(bool showsQuestions READ showsQuestions NOTIFY stateChanged)
    Q_PROPERTY(QString questionsHeader READ questionsHeader NOTIFY stateChanged)
    Q_PROPERTY(bool showsEmptyState READ showsEmptyState NOTIFY stateChanged)
    Q_PROPERTY(QString emptyHint READ emptyHint CONSTANT)
    Q_PROPERTY(bool requesting READ requesting NOTIFY stateChanged)
    Q_PROPERTY(bool canRequest READ canRequest NOTIFY stateChanged)
    Q_PROPERTY(QString requestLabel READ requestLabel CONSTANT)
    Q_PROPERTY(bool hasRequestNote READ hasRequestNote NOTIFY stateChanged)
    Q_PROPERTY(QString requestNote READ requestNoteText NOTIFY stateChanged)
    Q_PROPERTY(QString askLabel READ askLabel CONSTANT)
    // The chat's opening question for the chosen point; empty without one.
    Q_PROPERTY(QString chatMessage READ chatMessage NOTIFY pointChanged)

public:
    // The server calls, replaceable by tests; by default the learning client's.
    struct Calls {
        std::function<QCoro::Task<ChapterList>(AppSession &)> chapters;
        std::function<QCoro::Task<KnowledgePointList>(QString chapterCode, AppSession &)> points;
        std::function<QCoro::Task<QList<VariantQuestion>>(QString kp, std::optional<QString> qtype,
                                                          int difficulty, int count, QList<qint64> exclude,
                                                          AppSession &)>
            questions;
        std::function<QCoro::Task<QuestionRequestResult>(QJsonObject body, AppSession &)> request;

        static Calls learningClient();
    };

    // (value, label) of the type picker; no value stands for every type.
    static const QList<std::pair<std::optional<QString>, QString>> &qtypeOptions();
    // (value, label) of the difficulty picker.
    static const QList<std::pair<int, QString>> &difficultyOptions();
    static constexpr int batchSize = 5;
    static constexpr int defaultDifficulty = 3;

    explicit QuestionBankViewModel(QObject *parent = nullptr);
    explicit QuestionBankViewModel(Calls calls, QObject *parent = nullptr);
    ~QuestionBankViewModel() override;

    Calls calls;

    QString title() const { return QStringLiteral("题库练习"); }

    const QList<ChapterItem> &chapters() const { return m_chapters; }
    const std::optional<ChapterItem> &chapter() const { return m_chapter; }
    void setChapter(std::optional<ChapterItem> chapter);
    QStringList chapterOptions() const;
    int chapterIndex() const;
    void setChapterIndex(int index);

    const QList<KnowledgePointItem> &points() const { return m_points; }
    const std::optional<KnowledgePointItem> &point() const { return m_point; }
    void setPoint(std::optional<KnowledgePointItem> point);
    bool showsPoints() const { return !m_points.isEmpty(); }
    QStringList pointOptions() const;
    int pointIndex() const;
    void setPointIndex(int index);

    const std::optional<QString> &qtype() const { return m_qtype; }
    void setQtype(std::optional<QString> qtype);
    int difficulty() const { return m_difficulty; }
    void setDifficulty(int difficulty);
    QStringList qtypeLabels() const;
    int qtypeIndex() const;
    void setQtypeIndex(int index);
    QStringList difficultyLabels() const;
    int difficultyIndex() const;
    void setDifficultyIndex(int index);
    // The type table's label for a question's type: "全部" for none, "题目" for a type the table lacks.
    static QString typeLabelOf(const std::optional<QString> &qtype);

    const QList<VariantQuestion> &questions() const { return m_questions; }
    ListModelBase *questionModel() const { return m_rows; }
    bool canPick() const { return m_point.has_value() && !loading(); }
    QString pickLabel() const;
    const std::optional<QString> &error() const { return m_error; }
    bool hasError() const { return m_error.has_value(); }
    QString errorText() const { return m_error.value_or(QString()); }
    bool showsQuestions() const { return !m_questions.isEmpty(); }
    QString questionsHeader() const;
    bool showsEmptyState() const;
    QString emptyHint() const;

    bool requesting() const { return m_requesting; }
    bool canRequest() const { return !m_requesting && !m_requestNote; }
    QString requestLabel() const { return QStringLiteral("让伙伴出题"); }
    const std::optional<QString> &requestNote() const { return m_requestNote; }
    bool hasRequestNote() const { return m_requestNote.has_value(); }
    QString requestNoteText() const { return m_requestNote.value_or(QString()); }
    QString askLabel() const { return QStringLiteral("问问伙伴"); }
    QString chatMessage() const;
    QString chatScene() const { return QStringLiteral("practice"); }

    // The screen came on screen: records the visit and loads the chapters unless they are there.
    Q_INVOKABLE void appear();
    // The screen left: a chapter load under way is dropped (the next visit tries again).
    Q_INVOKABLE void disappear();
    // The pick button: the first batch for the point, or "换一批" leaving out the questions on screen.
    Q_INVOKABLE void pick();
    // "让伙伴出题": asks the server to generate a set for the chosen filters.
    Q_INVOKABLE void requestSet();
    // The practice screen's properties for one row of the batch; ids as decimal text.
    Q_INVOKABLE QVariantMap practiceProperties(int row) const;

    QCoro::Task<> loadChapters();
    QCoro::Task<> loadQuestions();
    QCoro::Task<> requestQuestionSet();

Q_SIGNALS:
    void chaptersChanged();
    void chapterChanged();
    void pointsChanged();
    void pointChanged();
    void filterChanged();
    void stateChanged();

private:
    AppSession *activeSession() const;
    QCoro::Task<> loadPoints(ChapterItem chapter);
    void setChapters(QList<ChapterItem> chapters);
    void setPoints(QList<KnowledgePointItem> points);
    void setQuestions(QList<VariantQuestion> questions);
    void setError(std::optional<QString> error);
    void setRequestNote(std::optional<QString> note);
    void setRequesting(bool requesting);

    QList<ChapterItem> m_chapters;
    std::optional<ChapterItem> m_chapter;
    QList<KnowledgePointItem> m_points;
    std::optional<KnowledgePointItem> m_point;
    std::optional<QString> m_qtype;
    int m_difficulty = defaultDifficulty;
    QList<VariantQuestion> m_questions;
    ListModel<QuestionBankRow> *m_rows;
    bool m_requesting = false;
    std::optional<QString> m_requestNote;
    std::optional<QString> m_error;
};
