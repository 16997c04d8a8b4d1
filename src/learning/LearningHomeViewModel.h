#pragma once

#include "CatalogueModels.h"
#include "LearningStore.h"
#include "ScreenViewModel.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

// The root of the learning tab ("学习"). It owns the tab's learning store, made with the session the first
// time the tab comes on screen and kept for the life of the view, and decides what the tab shows: a loading
// face while the last path loads and nothing is on show, the chapter picker while there is no path or the
// learner has asked to choose another chapter, and otherwise the path list. Each time the tab comes on
// screen the last path is loaded again (silently: a failure just leaves the picker).
//
// Failures of creating, refreshing and completing reach the learner through one alert ("提示", "好"); closing
// it clears the store's message.
class LearningHomeViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LearningStore *store READ store NOTIFY storeChanged)
    Q_PROPERTY(bool choosing READ choosing NOTIFY choosingChanged)
    Q_PROPERTY(Face face READ face NOTIFY faceChanged)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString loadingLabel READ loadingLabel CONSTANT)
    Q_PROPERTY(bool menuVisible READ menuVisible NOTIFY menuChanged)
    Q_PROPERTY(QString menuSymbol READ menuSymbol CONSTANT)
    Q_PROPERTY(QString switchLabel READ switchLabel NOTIFY choosingChanged)
    Q_PROPERTY(QString refreshLabel READ refreshLabel CONSTANT)
    Q_PROPERTY(bool alertVisible READ alertVisible NOTIFY alertChanged)
    Q_PROPERTY(QString alertTitle READ alertTitle CONSTANT)
    Q_PROPERTY(QString alertMessage READ alertMessage NOTIFY alertChanged)
    Q_PROPERTY(QString alertButton READ alertButton CONSTANT)

public:
    // `None` only until the tab first comes on screen.
    enum Face { None, Loading, PathList, Picker };
    Q_ENUM(Face)

    explicit LearningHomeViewModel(QObject *parent = nullptr);
    ~LearningHomeViewModel() override;

    LearningStore *store() const { return m_store; }
    bool choosing() const { return m_choosing; }
    Face face() const;

    QString title() const { return QStringLiteral("学习"); }
    QString loadingLabel() const { return QStringLiteral("加载学习路径…"); }
    // The toolbar menu exists only while a path is loaded.
    bool menuVisible() const;
    QString menuSymbol() const { return QStringLiteral("ellipsis.circle"); }
    QString switchLabel() const {
        return m_choosing ? QStringLiteral("返回当前路径") : QStringLiteral("换一章学");
    }
    QString refreshLabel() const { return QStringLiteral("刷新"); }
    bool alertVisible() const;
    QString alertTitle() const { return QStringLiteral("提示"); }
    QString alertMessage() const;
    QString alertButton() const { return QStringLiteral("好"); }

    // The tab came on screen: makes the store on the first time, then loads the last path.
    Q_INVOKABLE void appear();
    // A chapter was picked: back to the path view and the path built from the chapter.
    Q_INVOKABLE void pickChapter(const QString &code);
    // A topic proposal was confirmed (`candidate` holds a TopicCandidate).
    Q_INVOKABLE void pickTopic(const QVariant &candidate);
    // "换一章学" / "返回当前路径": between the picker and the current path, with no request.
    Q_INVOKABLE void toggleChoosing();
    Q_INVOKABLE void refresh();
    // The alert was closed, however.
    Q_INVOKABLE void dismissAlert();

    // The same, for callers that wait for the work to end (tests).
    QCoro::Task<> runAppear();
    QCoro::Task<> runPickChapter(QString code);
    QCoro::Task<> runPickTopic(TopicCandidate candidate);
    QCoro::Task<> runRefresh();

Q_SIGNALS:
    void storeChanged();
    void choosingChanged();
    void faceChanged();
    void menuChanged();
    void alertChanged();

private:
    void sessionReplaced() override;
    void ensureStore();
    void setChoosing(bool choosing);
    void recompute();

    LearningStore *m_store = nullptr;
    bool m_choosing = false;
    Face m_face = None;
    bool m_menuVisible = false;
};
