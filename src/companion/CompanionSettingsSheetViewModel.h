#pragma once

#include "ChatStrings.h"
#include "CompanionSettings.h"
#include "ListModel.h"
#include "ScreenViewModel.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <optional>

class AppSession;
class RobotStore;

// One persona the learner can choose, with its texts in the language in effect.
struct CompanionPersonaRow {
    Q_GADGET
    Q_PROPERTY(QString raw MEMBER raw)
    Q_PROPERTY(QString label MEMBER label)
    Q_PROPERTY(QString detail MEMBER detail)

public:
    QString raw;
    QString label;
    QString detail;

    QString id() const { return raw; }
    friend bool operator==(const CompanionPersonaRow &, const CompanionPersonaRow &) = default;
};

// The companion settings sheet: the learner picks one of the three personas and names the buddy, and saving
// stores both on the server. The stored settings go back to the presenter through `saved`; the sheet never
// closes itself (the presenter closes it and shows its notice).
//
// It starts from the presenter's settings (`current`) each time it appears: the persona the server holds,
// `calm` when it holds none or one this client does not know, and the stored name. The name is cut to 8
// user-perceived characters as it is typed (surrounding spaces count). A save always sends the persona and
// sends the trimmed name only when it differs from the stored one, so an empty field sends "" only when a
// name was stored. A failed save shows its text under the name field until the name is edited; the choices
// stay as they were. Every text follows the robot language in effect. Main thread only.
class CompanionSettingsSheetViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    // The presenter's settings as a map: "persona", "name" and "reminder", each a text; a missing key (or a
    // value that is no text) is an absent field. `settingsToMap` / `settingsFromMap` convert.
    Q_PROPERTY(QVariantMap current READ currentMap WRITE setCurrentMap NOTIFY currentChanged)

    Q_PROPERTY(ListModelBase *personas READ personaList CONSTANT)
    // Index of the chosen persona in `personas` (cheerful, calm, strict).
    Q_PROPERTY(int personaIndex READ personaIndex WRITE choosePersona NOTIFY personaChanged)
    Q_PROPERTY(QString persona READ persona NOTIFY personaChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QString error READ errorText NOTIFY errorChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY errorChanged)
    Q_PROPERTY(bool saving READ saving NOTIFY savingChanged)

    Q_PROPERTY(QString title READ title NOTIFY stringsChanged)
    Q_PROPERTY(QString styleHeader READ styleHeader NOTIFY stringsChanged)
    Q_PROPERTY(QString styleFooter READ styleFooter NOTIFY stringsChanged)
    Q_PROPERTY(QString nameHeader READ nameHeader NOTIFY stringsChanged)
    Q_PROPERTY(QString namePlaceholder READ namePlaceholder NOTIFY stringsChanged)
    Q_PROPERTY(QString cancelText READ cancelText NOTIFY stringsChanged)
    // "save", or "saving" while a save runs.
    Q_PROPERTY(QString saveText READ saveText NOTIFY saveTextChanged)

public:
    static constexpr int kNameLimit = 8;

    // Follows the shared robot store's language.
    explicit CompanionSettingsSheetViewModel(QObject *parent = nullptr);
    CompanionSettingsSheetViewModel(RobotStore &store, QObject *parent = nullptr);
    ~CompanionSettingsSheetViewModel() override;

    static QVariantMap settingsToMap(const CompanionSettings &settings);
    static CompanionSettings settingsFromMap(const QVariantMap &map);

    const CompanionSettings &current() const { return m_current; }
    void setCurrent(const CompanionSettings &settings);
    QVariantMap currentMap() const { return settingsToMap(m_current); }
    void setCurrentMap(const QVariantMap &map) { setCurrent(settingsFromMap(map)); }

    const ListModel<CompanionPersonaRow> &personas() const { return *m_personas; }
    ListModelBase *personaList() const { return m_personas; }
    int personaIndex() const;
    QString persona() const { return m_persona.rawValue(); }
    // A row was tapped; an index out of range changes nothing. Never touches the error text.
    void choosePersona(int index);
    QString name() const { return m_name; }
    // The learner edited the name: kept to its first 8 characters, and any error text cleared.
    void setName(const QString &name);
    const std::optional<QString> &error() const { return m_error; }
    QString errorText() const { return m_error.value_or(QString()); }
    bool hasError() const { return m_error.has_value(); }
    bool saving() const { return m_saving; }

    QString title() const { return strings().buddySettings; }
    QString styleHeader() const { return strings().styleHeader; }
    QString styleFooter() const { return strings().styleFooter; }
    QString nameHeader() const { return strings().nameHeader; }
    QString namePlaceholder() const { return strings().namePlaceholder; }
    QString cancelText() const { return strings().cancel; }
    QString saveText() const { return m_saving ? strings().saving : strings().save; }

    // The sheet came on screen: the choices start again from `current`, without an error text.
    Q_INVOKABLE void appear();
    // The save button: stores the persona and the name (see the class comment). Ignored while a save runs.
    Q_INVOKABLE void save();
    // The same, for callers that wait for it.
    QCoro::Task<void> saveAsync();

    // The name a save sends for the field's text against the stored name: nothing when the trimmed text is
    // the stored name (an absent one counting as ""), else the trimmed text.
    static std::optional<QString> nameToSend(const QString &field, const std::optional<QString> &stored);
    // The persona the sheet opens with for a stored raw value.
    static CompanionPersona initialPersona(const std::optional<QString> &stored);

Q_SIGNALS:
    void currentChanged();
    void personaChanged();
    void nameChanged();
    void errorChanged();
    void savingChanged();
    void stringsChanged();
    void saveTextChanged();
    // What the server stored (as `current` reads it: `settingsFromMap` gives the CompanionSettings); emitted
    // while `saving` is still true.
    void saved(const QVariantMap &settings);

private:
    static QCoro::Task<void> runSave(QPointer<CompanionSettingsSheetViewModel> self, QString persona,
                                     std::optional<QString> name);
    const ChatStrings &strings() const;
    void refreshPersonas();
    void setSaving(bool saving);
    void setError(std::optional<QString> error);

    RobotStore &m_store;
    CompanionSettings m_current;
    ListModel<CompanionPersonaRow> *m_personas;
    CompanionPersona m_persona = CompanionPersona::calm;
    QString m_name;
    std::optional<QString> m_error;
    bool m_saving = false;
};
