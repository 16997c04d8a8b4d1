#pragma once

#include "AppSession.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <exception>
#include <optional>

// What every screen's view-model holds the same way: the session it works for, whether a load is under way,
// the alert's text with its visibility, and the generation of the screen's appearance that tells an answer
// still wanted from a late one.
//
// A coroutine takes an `Appearance` before its first co_await and asks it afterwards: `alive()` while the
// view-model exists, `current()` while it also still is the same appearance (no `dropAppearance()` since).
// Work that must outlive the screen checks `alive()` only; a load tied to the screen being on it checks
// `current()`.
class ScreenViewModel : public QObject {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(AppSession *session READ session WRITE setSession NOTIFY sessionChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(bool alertVisible READ alertVisible NOTIFY messageChanged)

public:
    // A token of one appearance, safe to keep across a co_await: it never touches a view-model that is gone.
    class Appearance {
    public:
        bool alive() const { return !m_screen.isNull(); }
        bool current() const { return m_screen && m_screen->m_appearance == m_generation; }

    private:
        friend class ScreenViewModel;
        Appearance(const ScreenViewModel *screen, quint64 generation)
            : m_screen(screen), m_generation(generation) {}
        QPointer<const ScreenViewModel> m_screen;
        quint64 m_generation;
    };

    explicit ScreenViewModel(QObject *parent = nullptr);
    ~ScreenViewModel() override;

    AppSession *session() const { return m_session; }
    void setSession(AppSession *session);

    bool loading() const { return m_loading; }

    QString message() const { return m_message.value_or(QString()); }
    bool alertVisible() const { return m_message.has_value(); }

    // The alert's "好", or the alert closed any other way.
    Q_INVOKABLE void dismissMessage();

    // The appearance work begun now belongs to.
    Appearance appearance() const { return Appearance(this, m_appearance); }
    // The screen left (or a newer load replaces the one under way): answers to earlier work no longer count.
    void dropAppearance() { ++m_appearance; }
    // Drops what runs and gives the token of the work that replaces it.
    Appearance renewAppearance() {
        dropAppearance();
        return appearance();
    }

Q_SIGNALS:
    void sessionChanged();
    void loadingChanged();
    void messageChanged();

protected:
    // Called when the session changed, before sessionChanged: where a screen ties itself to its session.
    virtual void sessionReplaced() {}
    void setLoading(bool loading);
    void setMessage(std::optional<QString> message);
    // Shows a caught failure in the alert; a cancellation (no text) leaves the alert as it is. Returns
    // whether there was something to show.
    bool showFailure(std::exception_ptr failure);

private:
    QPointer<AppSession> m_session;
    bool m_loading = false;
    std::optional<QString> m_message;
    quint64 m_appearance = 0;
};
