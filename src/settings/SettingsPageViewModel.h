#pragma once

#include "SettingsRows.h"
#include "SettingsStore.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

// One settings page as it is drawn: the profile card and shortcut tiles on the root page, the sections that
// have rows to draw (each its own list of rows), and the footer. It follows its store: a new document
// rebuilds the lists (only the rows that changed are signalled), a preference that changes moves its
// switches. The sign-out confirmation of the page's "logout" action is held here.
class SettingsPageViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(SettingsStore *store READ store WRITE setStore NOTIFY storeChanged)
    Q_PROPERTY(ListModelBase *sections READ sectionModel CONSTANT)
    Q_PROPERTY(bool isRoot READ isRoot NOTIFY isRootChanged)
    Q_PROPERTY(QString footerVersion READ footerVersion CONSTANT)
    Q_PROPERTY(QString footerHelp READ footerHelp CONSTANT)
    Q_PROPERTY(bool confirmLogout READ confirmLogout NOTIFY confirmLogoutChanged)

public:
    explicit SettingsPageViewModel(QObject *parent = nullptr);

    static inline const QString supportEmail = QStringLiteral("help@quorvel.cn");

    SettingsStore *store() const { return m_store; }
    void setStore(SettingsStore *store);
    SettingsSectionListModel *sectionModel() { return &m_sections; }
    bool isRoot() const { return m_isRoot; }
    QString footerVersion() const;
    QString footerHelp() const;
    bool confirmLogout() const { return m_confirmLogout; }

    // An action row was tapped: "logout" asks for confirmation; any other action, or none, does nothing.
    Q_INVOKABLE void activate(const QString &action);
    // The confirmation's "退出登录": ends the session's sign-in.
    Q_INVOKABLE void signOut();
    // The confirmation closed without signing out.
    Q_INVOKABLE void dismissLogout();
    // A switch was flipped; the store saves it and the switch follows the store.
    Q_INVOKABLE void toggle(int sectionIndex, int itemIndex, bool value);

Q_SIGNALS:
    void storeChanged();
    void isRootChanged();
    void confirmLogoutChanged();

private:
    void rebuild();
    void setConfirmLogout(bool confirm);

    QPointer<SettingsStore> m_store;
    std::optional<QString> m_version;
    SettingsSectionListModel m_sections;
    // The rows of each drawn section by its id (and occurrence, should ids repeat), kept across rebuilds so
    // that a reload signals only the rows that changed.
    QHash<QString, SettingsRowListModel *> m_rowModels;
    bool m_isRoot = false;
    bool m_confirmLogout = false;
};
