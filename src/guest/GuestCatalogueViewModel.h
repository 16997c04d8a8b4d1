#pragma once

#include "CatalogueModels.h"
#include "ScreenViewModel.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

// The course catalogue a signed-out learner can browse: the curriculum chapters, then the knowledge points of
// each chapter, one request after another, shown as one card per chapter. Nothing is cached: each opening of
// the sheet makes a fresh model that loads everything again. GuestCatalogView.qml lays it out.
//
// The requests carry no credentials, not even when a learner's token happens to exist, so a 401 is never
// answered by a token renewal. An answer counts only with a 2xx status and a body of the expected shape;
// anything else, and every transport failure, ends the load as failed with nothing of it shown. A load that
// is cancelled (the sheet closed, or a new load begun) ends silently: its results and failures are dropped.
class GuestCatalogueViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(bool failed READ failed NOTIFY errorChanged)
    Q_PROPERTY(QVariantList chapters READ chapterCards NOTIFY chaptersChanged)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString closeLabel READ closeLabel CONSTANT)
    Q_PROPERTY(QString introduction READ introduction CONSTANT)
    Q_PROPERTY(QString loadingLabel READ loadingLabel CONSTANT)
    Q_PROPERTY(QString failureTitle READ failureTitle CONSTANT)
    Q_PROPERTY(QString loginLabel READ loginLabel CONSTANT)

public:
    // One chapter as shown: the chapter and the names of its points, in the server's order.
    struct Entry {
        ChapterItem chapter;
        QStringList points;
        friend bool operator==(const Entry &, const Entry &) = default;
    };

    static inline const QString failureMessage = QStringLiteral("请检查网络后重试");

    explicit GuestCatalogueViewModel(QObject *parent = nullptr);
    ~GuestCatalogueViewModel() override;

    std::optional<QString> error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    bool failed() const { return m_error.has_value(); }
    const QList<Entry> &entries() const { return m_entries; }
    QVariantList chapterCards() const;

    QString title() const { return QStringLiteral("课程目录"); }
    QString closeLabel() const { return QStringLiteral("关闭"); }
    QString introduction() const {
        return QStringLiteral("已上线的课程，按知识点顺序排成学习路径。每一课都有讲义、例题和练习。");
    }
    QString loadingLabel() const { return QStringLiteral("加载课程…"); }
    QString failureTitle() const { return QStringLiteral("课程暂时打不开"); }
    QString loginLabel() const { return QStringLiteral("登录后学这一章"); }

    // The texts of a chapter card.
    static QString gradeLine(const ChapterItem &chapter); // "数学 · 7 年级": the subject shown is always 数学
    static QString titleLine(const ChapterItem &chapter); // "《name》"
    static QString lessonsLine(qsizetype points);         // "共 N 课 · 每课约 15 分钟"

    // Starts a load (the sheet's appearance), dropping any load under way. Back in Loading, the error
    // cleared; the cards shown stay until a load completes.
    Q_INVOKABLE void load();
    // Drops the load under way, if any, without touching what is shown (the sheet closes).
    Q_INVOKABLE void cancel();
    // The same load, for callers that wait for it to end (tests).
    QCoro::Task<> run();

Q_SIGNALS:
    void errorChanged();
    void chaptersChanged();

private:
    QCoro::Task<> loadAll(Appearance load);
    // The given session, else the current one: it only lends its base URL.
    AppSession *sessionInUse() const;
    void finish(QList<Entry> entries);
    void fail();
    void setError(const std::optional<QString> &error);

    std::optional<QString> m_error;
    QList<Entry> m_entries;
};
