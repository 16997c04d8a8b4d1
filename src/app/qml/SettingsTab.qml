import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Settings
import Quorvel.App

// One tab of the signed-in shell, in a file of its own so that the shell loads its views only on the tab's
// first visit.
AppRouter {
    id: tab

    objectName: "settingsStack"
    initialItem: SettingsHostView {
        session: tab.session
        pageId: "settings_root"
    }
}
