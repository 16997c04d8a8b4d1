#pragma once

#include "LearningModels.h"
#include "LearningStore.h"
#include "LessonSections.h"
#include "ListModel.h"
#include "ScreenViewModel.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QQmlParserStatus>
#include <QSet>
#include <QString>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

// The page of one lesson: loads it, chooses what the page shows (opening, not ready, the content), builds
// the content's cards, and completes a ready lesson through the learning store. LearningItemDetailView.qml
// only lays this out.
//
// The page takes four required properties: the AppSession, the learning home's LearningStore (not owned by
// the page), and the path's and the lesson's ids (QML numbers, exact up to 2^53); which page to push is
// QML's business. The page loads the lesson every time it comes on screen, pushes PracticeView for an
// exercise onto the same StackView, and pops itself with its back control or with "返回路径" after a
// completion. Outside a StackView it emits closeRequested() and practiceRequested(properties) instead. A
// completion goes through `store.completeItem`, which fetches the path again, so the list shows the next
// lesson unlocked once the page is popped.
//
// Loads started by the page's appearance are dropped when it goes off screen (coming back loads again); a
// cancelled load is never shown as a failure, but it ends the waiting: without a lesson the page shows the
// not-ready face, whose "重新加载" tries again. A completion finishes even when the page is closed
// meanwhile. Main thread only; properties notify only when their value changes.
class LearningItemDetailViewModel : public ScreenViewModel, public QQmlParserStatus {
    Q_OBJECT
    QML_ELEMENT
    Q_INTERFACES(QQmlParserStatus)
    Q_PROPERTY(LearningStore *store READ store WRITE setStore NOTIFY storeChanged)
    Q_PROPERTY(qint64 pathId READ pathId WRITE setPathId NOTIFY pathIdChanged)
    Q_PROPERTY(qint64 itemId READ itemId WRITE setItemId NOTIFY itemIdChanged)
    // Whether the page is on screen; becoming so loads the lesson.
    Q_PROPERTY(bool onScreen READ onScreen WRITE setOnScreen NOTIFY onScreenChanged)

    Q_PROPERTY(Face face READ face NOTIFY faceChanged)
    Q_PROPERTY(QString title READ title NOTIFY detailChanged)
    Q_PROPERTY(bool hasDetail READ hasDetail NOTIFY detailChanged)

    Q_PROPERTY(QString errorText READ errorTextValue NOTIFY errorTextChanged)
    Q_PROPERTY(bool preparing READ preparing NOTIFY errorTextChanged)
    Q_PROPERTY(QString notReadySymbol READ notReadySymbol NOTIFY errorTextChanged)
    Q_PROPERTY(QColor notReadyTint READ notReadyTint NOTIFY errorTextChanged)
    Q_PROPERTY(bool notReadySymbolOnDisc READ notReadySymbolOnDisc NOTIFY errorTextChanged)
    Q_PROPERTY(QString notReadyTitle READ notReadyTitle NOTIFY errorTextChanged)
    Q_PROPERTY(QString notReadyMessage READ notReadyMessage NOTIFY errorTextChanged)

    // The content's lists are models that a reload updates row by row; the cards around them are maps.
    Q_PROPERTY(QVariantMap header READ header NOTIFY detailChanged)
    Q_PROPERTY(ListModelBase *headerCounts READ headerCountModel CONSTANT)
    Q_PROPERTY(bool hasHandout READ hasHandout NOTIFY detailChanged)
    Q_PROPERTY(ListModelBase *handoutCards READ handoutCardModel CONSTANT)
    Q_PROPERTY(ListModelBase *handoutSections READ handoutSectionModel CONSTANT)
    Q_PROPERTY(ListModelBase *handoutExamples READ handoutExampleModel CONSTANT)
    Q_PROPERTY(bool hasExercises READ hasExercises NOTIFY detailChanged)
    Q_PROPERTY(QVariantMap exercises READ exercises NOTIFY detailChanged)
    Q_PROPERTY(ListModelBase *exerciseRows READ exerciseRowModel CONSTANT)
    Q_PROPERTY(bool hasAssets READ hasAssets NOTIFY detailChanged)
    Q_PROPERTY(QVariantMap assets READ assets NOTIFY detailChanged)
    Q_PROPERTY(CompletionControl completionControl READ completionControl NOTIFY detailChanged)

    Q_PROPERTY(bool completing READ completing NOTIFY completingChanged)
    Q_PROPERTY(bool completed READ completed NOTIFY completedChanged)

    Q_PROPERTY(QString loadingLabel READ loadingLabel CONSTANT)
    Q_PROPERTY(QString reloadLabel READ reloadLabel CONSTANT)
    Q_PROPERTY(QString completeLabel READ completeLabel CONSTANT)
    Q_PROPERTY(QString completeSymbol READ completeSymbol CONSTANT)
    Q_PROPERTY(QString doneLabel READ doneLabel CONSTANT)
    Q_PROPERTY(QString doneSymbol READ doneSymbol CONSTANT)
    Q_PROPERTY(QString alertTitle READ alertTitle CONSTANT)
    Q_PROPERTY(QString alertMessage READ alertMessage CONSTANT)
    Q_PROPERTY(QString alertButton READ alertButton CONSTANT)
    Q_PROPERTY(QString backLabel READ backLabel CONSTANT)

public:
    enum Face { LoadingFace, NotReadyFace, ContentFace };
    Q_ENUM(Face)
    enum CompletionControl { NoCompletion, CompleteButton, CompletedLabel };
    Q_ENUM(CompletionControl)
    // An appearance load belongs to the page being on screen and is dropped when it leaves; a reload the
    // learner asked for is applied whenever it ends.
    enum class LoadKind { Appearance, Reload };

    static inline const QString preparingMarker = QStringLiteral("准备");
    static inline const QString defaultTitle = QStringLiteral("课程");

    explicit LearningItemDetailViewModel(QObject *parent = nullptr);
    ~LearningItemDetailViewModel() override;

    LearningStore *store() const { return m_store; }
    void setStore(LearningStore *store);
    qint64 pathId() const { return m_pathId; }
    void setPathId(qint64 pathId);
    qint64 itemId() const { return m_itemId; }
    void setItemId(qint64 itemId);
    bool onScreen() const { return m_onScreen; }
    void setOnScreen(bool onScreen);

    Face face() const;
    QString title() const;
    bool hasDetail() const { return m_detail.has_value(); }
    const std::optional<LearningItemDetail> &detail() const { return m_detail; }
    const std::optional<LessonSections> &sections() const { return m_sections; }

    const std::optional<QString> &errorText() const { return m_errorText; }
    QString errorTextValue() const { return m_errorText.value_or(QString()); }
    // The server says the lesson is still being made: its message mentions "准备".
    bool preparing() const;
    QString notReadySymbol() const;
    QColor notReadyTint() const;
    // The preparing symbol is an hourglass on a filled disc of its tint; the warning stands alone.
    bool notReadySymbolOnDisc() const { return preparing(); }
    QString notReadyTitle() const;
    QString notReadyMessage() const;

    // {badge, name} of the header card.
    QVariantMap header() const;
    const QList<LessonCountLabel> &headerCounts() const { return m_headerCounts->rows(); }
    ListModelBase *headerCountModel() const { return m_headerCounts; }
    // The handout draws at least one card (a handout without sections or examples draws nothing).
    bool hasHandout() const { return m_sections && !m_sections->handout.isEmpty(); }
    // The handout's cards, and the entries of its sections card and of its examples card.
    const QList<HandoutCard> &handoutCards() const { return m_handoutCards->rows(); }
    ListModelBase *handoutCardModel() const { return m_handoutCards; }
    const QList<HandoutSectionBlock> &handoutSections() const { return m_handoutSections->rows(); }
    ListModelBase *handoutSectionModel() const { return m_handoutSections; }
    const QList<HandoutExampleRow> &handoutExamples() const { return m_handoutExamples->rows(); }
    ListModelBase *handoutExampleModel() const { return m_handoutExamples; }
    bool hasExercises() const { return m_sections && m_sections->exercises.has_value(); }
    // {heading, answerLabel} of the exercises card.
    QVariantMap exercises() const;
    const QList<LessonQuestionRow> &exerciseRows() const { return m_exerciseRows->rows(); }
    ListModelBase *exerciseRowModel() const { return m_exerciseRows; }
    bool hasAssets() const { return m_sections && m_sections->assets.has_value(); }
    QVariantMap assets() const;
    CompletionControl completionControl() const;

    bool completing() const { return m_completing; }
    bool completed() const { return m_completed; }

    QString loadingLabel() const { return QStringLiteral("正在打开课程…"); }
    QString reloadLabel() const { return QStringLiteral("重新加载"); }
    QString completeLabel() const { return QStringLiteral("完成本课，解锁下一课"); }
    QString completeSymbol() const { return QStringLiteral("checkmark.seal.fill"); }
    QString doneLabel() const { return QStringLiteral("本课已完成"); }
    QString doneSymbol() const { return QStringLiteral("checkmark.circle.fill"); }
    QString alertTitle() const { return QStringLiteral("太棒了！"); }
    QString alertMessage() const { return QStringLiteral("已完成本课，下一课已解锁。"); }
    QString alertButton() const { return QStringLiteral("返回路径"); }
    QString backLabel() const { return QStringLiteral("返回"); }

    // "重新加载": loads the lesson again, whether or not the page stays on screen.
    Q_INVOKABLE void reload();
    // The completion button: completes a ready lesson unless a completion is under way.
    Q_INVOKABLE void complete();
    // "返回路径" in the completion alert: closes the alert and asks to leave the page.
    Q_INVOKABLE void returnToPath();
    // The practice screen's properties for the exercise in `row` (0-based), session aside:
    // {questionId, stemText, options, source}; empty for a row that does not open it.
    Q_INVOKABLE QVariantMap practiceProperties(int row) const;

    // The work itself, for callers that wait for it.
    QCoro::Task<> load(LoadKind kind);
    QCoro::Task<> completeLesson();

    void classBegin() override;
    void componentComplete() override;

Q_SIGNALS:
    void storeChanged();
    void pathIdChanged();
    void itemIdChanged();
    void onScreenChanged();
    void faceChanged();
    void detailChanged();
    void errorTextChanged();
    void completingChanged();
    void completedChanged();
    // The page should be popped back to the path.
    void dismissRequested();

private:
    void appear();
    void setDetail(std::optional<LearningItemDetail> detail);
    // Builds the content from the lesson and brings the lists' models up to date.
    void updateSections();
    void setErrorText(std::optional<QString> text);
    void setCompleting(bool completing);
    void setCompleted(bool completed);
    void updateFace();

    QPointer<LearningStore> m_store;
    qint64 m_pathId = 0;
    qint64 m_itemId = 0;
    bool m_onScreen = false;
    // False between the QML engine's classBegin and componentComplete: the page's properties are not all
    // set yet, so nothing loads before then.
    bool m_componentComplete = true;

    // The page opens on the loading face, before any load has started.
    std::optional<LearningItemDetail> m_detail;
    std::optional<LessonSections> m_sections;
    ListModel<LessonCountLabel> *m_headerCounts;
    ListModel<HandoutCard> *m_handoutCards;
    ListModel<HandoutSectionBlock> *m_handoutSections;
    ListModel<HandoutExampleRow> *m_handoutExamples;
    ListModel<LessonQuestionRow> *m_exerciseRows;
    std::optional<QString> m_errorText;
    bool m_completing = false;
    bool m_completed = false;
    Face m_face = LoadingFace;

    // Loads whose answers the page still takes, and which of them belong to the current appearance.
    quint64 m_nextLoad = 0;
    QSet<quint64> m_liveLoads;
    QSet<quint64> m_appearanceLoads;
};
