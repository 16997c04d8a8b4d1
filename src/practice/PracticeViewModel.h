#pragma once

#include "ListModel.h"
#include "QuestionModels.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <functional>
#include <optional>

#include "ScreenViewModel.h"
struct AnswerResultResponse;

// One option of the question: "L. T", and whether it is the answer chosen.
class PracticeOptionRow {
    Q_GADGET
    Q_PROPERTY(QString line READ display)
    Q_PROPERTY(bool chosen MEMBER checked)

public:
    int position = 0;
    QString label;
    QString text;
    bool checked = false;

    int id() const { return position; }
    QString display() const { return label + QStringLiteral(". ") + text; }
    bool operator==(const PracticeOptionRow &) const = default;
};

// The one-question practice screen: the learner picks an option or types an answer, submits it once, and
// sees the server's grading (right or wrong, the standard answer, the wrong-book state and streak, the
// numbered solution steps). A result is final for the screen. Ids stay 64-bit: QML hands the question id over
// as decimal text, never as a number.
class PracticeViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString questionId READ questionIdText WRITE setQuestionIdText NOTIFY questionChanged)
    Q_PROPERTY(QString stemText READ stemText WRITE setStemText NOTIFY questionChanged)
    // [{label, text, hasLabel, hasText}], as the lesson page hands them over.
    Q_PROPERTY(QVariantList options WRITE setOptionList READ optionList NOTIFY questionChanged)
    Q_PROPERTY(QString source READ source WRITE setSource NOTIFY questionChanged)
    Q_PROPERTY(QString title READ title NOTIFY questionChanged)
    Q_PROPERTY(bool freeText READ freeText NOTIFY questionChanged)
    Q_PROPERTY(ListModelBase *optionRows READ optionRows CONSTANT)
    Q_PROPERTY(QString answer READ answer WRITE setAnswer NOTIFY answerChanged)
    Q_PROPERTY(bool submitting READ submitting NOTIFY stateChanged)
    Q_PROPERTY(bool canSubmit READ canSubmit NOTIFY stateChanged)
    Q_PROPERTY(bool graded READ graded NOTIFY stateChanged)
    Q_PROPERTY(bool correct READ correct NOTIFY stateChanged)
    Q_PROPERTY(QString verdict READ verdict NOTIFY stateChanged)
    Q_PROPERTY(QString verdictSymbol READ verdictSymbol NOTIFY stateChanged)
    Q_PROPERTY(QString standardAnswer READ standardAnswer NOTIFY stateChanged)
    Q_PROPERTY(bool hasStandardAnswer READ hasStandardAnswer NOTIFY stateChanged)
    Q_PROPERTY(bool hasWrongItem READ hasWrongItem NOTIFY stateChanged)
    Q_PROPERTY(QString wrongItemState READ wrongItemState NOTIFY stateChanged)
    Q_PROPERTY(QString correctStreak READ correctStreak NOTIFY stateChanged)
    // "1. …", "2. …"; empty when the result has no steps.
    Q_PROPERTY(QStringList steps READ steps NOTIFY stateChanged)

public:
    using Submit = std::function<QCoro::Task<AnswerResultResponse>(qint64 questionId, QString answer,
                                                                   QString source, AppSession &session)>;

    explicit PracticeViewModel(QObject *parent = nullptr);
    // With another way of sending the answer (tests).
    PracticeViewModel(Submit submit, QObject *parent = nullptr);
    ~PracticeViewModel() override;

    // Constructs the screen's question from a practice question: its stem text, else "题目 #<id>".
    void setQuestion(const VariantQuestion &question, const QString &source);
    static QString stemTextOf(const VariantQuestion &question);

    qint64 questionId() const { return m_questionId; }
    QString questionIdText() const { return QString::number(m_questionId); }
    void setQuestionId(qint64 id);
    void setQuestionIdText(const QString &id);
    QString stemText() const { return m_stemText; }
    void setStemText(const QString &text);
    const QList<QuestionSnapshot::Option> &options() const { return m_options; }
    void setOptions(QList<QuestionSnapshot::Option> options);
    QVariantList optionList() const;
    void setOptionList(const QVariantList &options);
    QString source() const { return m_source; }
    void setSource(const QString &source);

    // "复习原题" for a redo from the wrong book, "同源练习" otherwise.
    QString title() const;
    bool freeText() const { return m_options.isEmpty(); }
    ListModelBase *optionRows() const { return m_rows; }
    const ListModel<PracticeOptionRow> &rows() const { return *m_rows; }

    QString answer() const { return m_answer; }
    // Ignored once graded.
    void setAnswer(const QString &answer);
    // The option at `position` becomes the answer: its label (an option without one leaves the answer empty).
    Q_INVOKABLE void choose(int position);

    bool submitting() const { return m_submitting; }
    // Something other than spaces and tabs typed or chosen, nothing under way, no result yet.
    bool canSubmit() const;
    Q_INVOKABLE void submit();

    bool graded() const { return m_result != nullptr; }
    bool correct() const;
    QString verdict() const;
    QString verdictSymbol() const;
    bool hasStandardAnswer() const;
    QString standardAnswer() const;
    bool hasWrongItem() const;
    QString wrongItemState() const;
    QString correctStreak() const;
    QStringList steps() const;

Q_SIGNALS:
    void questionChanged();
    void answerChanged();
    void stateChanged();

private:
    static QCoro::Task<void> runSubmit(QPointer<PracticeViewModel> self, Submit submit, qint64 questionId,
                                       QString answer, QString source, QPointer<AppSession> session);
    void refreshRows();

    Submit m_submit;
    qint64 m_questionId = 0;
    QString m_stemText;
    QList<QuestionSnapshot::Option> m_options;
    QString m_source = QStringLiteral("practice");
    ListModel<PracticeOptionRow> *m_rows;
    QString m_answer;
    bool m_submitting = false;
    std::unique_ptr<AnswerResultResponse> m_result;
};
