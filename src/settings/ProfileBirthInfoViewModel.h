#pragma once

#include "AuthAPIClient.h"
#include "ScreenViewModel.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

// The account information page ("出生年月"): the birth month and the account status as the server holds
// them, read-only. Loads GET "/api/v1/me" each time the page comes on screen, straight over the transport
// through the account client: a 401 here is shown, never answered by a renewal.
//
// A failure goes to `message` for the "提示" alert and leaves the rows as they were; a load begun before the
// page left the screen (or a page gone meanwhile) writes nothing.
class ProfileBirthInfoViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString birthText READ birthText NOTIFY meChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY meChanged)

public:
    explicit ProfileBirthInfoViewModel(QObject *parent = nullptr);
    ~ProfileBirthInfoViewModel() override;

    static inline const QString placeholder = QStringLiteral("—");

    // The text of an account status: "Active", "PendingProfile" and "Closing" by their exact spelling, any
    // other status as it stands, "—" without one.
    static QString statusText(const std::optional<QString> &status);

    const std::optional<MeResponse> &me() const { return m_me; }
    // The birth month as the server wrote it, or "—".
    QString birthText() const;
    QString statusText() const;

    // The page came on screen: loads the account (again each time).
    Q_INVOKABLE void load();
    // The page left the screen: a load under way is dropped.
    Q_INVOKABLE void disappear();

    // The load, for callers that wait for it (tests).
    QCoro::Task<> runLoad();

Q_SIGNALS:
    void meChanged();

private:
    std::optional<MeResponse> m_me;
};
