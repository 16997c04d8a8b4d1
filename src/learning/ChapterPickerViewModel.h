#pragma once

#include "CatalogueModels.h"
#include "ListModel.h"
#include "ScreenViewModel.h"
#include "TopicBoxViewModel.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

// One chapter row of the picker. Rows are listed section by section; the first row of a section carries its
// title above it.
struct ChapterPickerRow {
    Q_GADGET
    Q_PROPERTY(QString code MEMBER code)
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QString section MEMBER section)
    Q_PROPERTY(QString subtitle MEMBER section) // the row's second line is its section's title
    Q_PROPERTY(bool startsSection MEMBER startsSection)

public:
    QString code;
    QString name;
    QString section;
    bool startsSection = false;

    QString id() const { return code; }
    friend bool operator==(const ChapterPickerRow &, const ChapterPickerRow &) = default;
};

// The page on which the learner chooses what to learn next: a header card, the topic box, and the
// curriculum's chapters grouped by subject and grade. It creates nothing on the server; a tapped chapter or a
// confirmed topic proposal is handed to the host (`picked`, `topicPicked`), which builds the path.
//
// The chapter list loads each time the page comes on screen and on pull-to-refresh; loads may overlap and
// each applies its own result. A load still under way when the page leaves the screen is dropped without a
// trace (it is no failure). A failure is shown only while no chapters are listed, in place of the
// empty-list text; the next successful load clears it.
class ChapterPickerViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(TopicBoxViewModel *topicBox READ topicBox CONSTANT)
    Q_PROPERTY(bool refreshing READ refreshing NOTIFY refreshingChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageText NOTIFY errorMessageChanged)
    Q_PROPERTY(bool hasChapters READ hasChapters NOTIFY chaptersChanged)
    Q_PROPERTY(ListModelBase *rows READ rowModel CONSTANT)
    Q_PROPERTY(bool showsSpinner READ showsSpinner NOTIFY stateChanged)
    Q_PROPERTY(bool showsEmptyText READ showsEmptyText NOTIFY stateChanged)
    Q_PROPERTY(QString emptyText READ emptyText NOTIFY stateChanged)
    Q_PROPERTY(QString headerCaption READ headerCaption CONSTANT)
    Q_PROPERTY(QString headerTitle READ headerTitle CONSTANT)
    Q_PROPERTY(QString headerNote READ headerNote CONSTANT)
    Q_PROPERTY(QString wholeChapterLabel READ wholeChapterLabel CONSTANT)
    Q_PROPERTY(QString startLabel READ startLabel CONSTANT)

public:
    explicit ChapterPickerViewModel(QObject *parent = nullptr);
    ~ChapterPickerViewModel() override;

    TopicBoxViewModel *topicBox() const { return m_topicBox; }

    bool refreshing() const { return m_refreshes > 0; }
    const std::optional<QString> &errorMessage() const { return m_errorMessage; }
    QString errorMessageText() const { return m_errorMessage.value_or(QString()); }
    const QList<ChapterItem> &chapters() const { return m_chapters; }
    bool hasChapters() const { return !m_chapters.isEmpty(); }
    // The chapter rows, sections in the order of `groupTitles`, chapters in the server's order within each.
    const QList<ChapterPickerRow> &rows() const { return m_rows->rows(); }
    ListModelBase *rowModel() const { return m_rows; }
    static QList<ChapterPickerRow> rowsOf(const QList<ChapterItem> &chapters);
    bool showsSpinner() const { return loading() && m_chapters.isEmpty(); }
    bool showsEmptyText() const { return !loading() && m_chapters.isEmpty(); }
    QString emptyText() const { return m_errorMessage.value_or(QStringLiteral("暂时没有可学的章节")); }

    QString headerCaption() const { return QStringLiteral("选学"); }
    QString headerTitle() const { return QStringLiteral("选一章，排好你的学习路径"); }
    QString headerNote() const { return QStringLiteral("已有内容立即可学，缺的内容后台生成，好了会通知你"); }
    QString wholeChapterLabel() const { return QStringLiteral("或者选一整章"); }
    QString startLabel() const { return QStringLiteral("开始 →"); }

    // The display name of a subject code; an unknown code stands for itself.
    static QString subjectLabel(const QString &subject);
    // "数学 · 7 年级": the chapter's section title, also the second line of its row.
    static QString groupTitle(const ChapterItem &chapter);
    // The section titles of `chapters`, ascending by Unicode code point (so "数学 · 10 年级" comes before
    // "数学 · 7 年级").
    static QStringList groupTitles(const QList<ChapterItem> &chapters);
    // The chapters of one section, in the server's order.
    static QList<ChapterItem> chaptersTitled(const QList<ChapterItem> &chapters, const QString &title);
    static bool codePointLess(const QString &a, const QString &b);

    // The page came on screen: loads the chapters.
    Q_INVOKABLE void appear();
    // The page left the screen: loads under way are dropped.
    Q_INVOKABLE void disappear();
    // Pull-to-refresh: loads again; `refreshing` holds until this load ends.
    Q_INVOKABLE void refresh();
    // A chapter row was tapped: hands the code to the host; the page itself changes nothing.
    Q_INVOKABLE void pick(const QString &code);

    QCoro::Task<> loadChapters();
    QCoro::Task<> runRefresh();

Q_SIGNALS:
    void refreshingChanged();
    void errorMessageChanged();
    void chaptersChanged();
    void stateChanged();
    void picked(const QString &code);
    // A topic proposal was confirmed; `candidate` holds a TopicCandidate.
    void topicPicked(const QVariant &candidate);

private:
    void sessionReplaced() override;
    void setErrorMessage(std::optional<QString> message);
    void setChapters(QList<ChapterItem> chapters);

    TopicBoxViewModel *m_topicBox;
    QList<ChapterItem> m_chapters;
    ListModel<ChapterPickerRow> *m_rows;
    std::optional<QString> m_errorMessage;
    int m_refreshes = 0;
};
