import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core
import Quorvel.Companion
import Quorvel.Home
import Quorvel.Membership
import Quorvel.Practice
import Quorvel.Settings

// The "我的" tab: its navigation stack, rooted at the server's page "settings_root". Nested settings pages
// and the screens the native routes and shortcut tiles name are pushed onto it, each with the app's own
// session and nothing of the route that led there.
StackView {
    id: stack

    required property AppSession session

    objectName: "settingsStack"
    initialItem: root

    SettingsHostView {
        id: root

        session: stack.session
        pageId: "settings_root"
        onOpenRequested: (pageId, destination) => stack.open(pageId, destination)
    }

    // A settings page when `pageId` is set, else the screen of the NativeRouteTable destination.
    function open(pageId, destination) {
        if (pageId.length > 0)
            return stack.push(settingsPage, { "session": stack.session, "pageId": pageId })
        const page = destination === NativeRouteTable.Membership ? membership
                   : destination === NativeRouteTable.Orders ? orders
                   : destination === NativeRouteTable.WrongBook ? wrongBook
                   : destination === NativeRouteTable.Inbox ? inbox
                   : destination === NativeRouteTable.ProfileBirth ? profileBirth
                   : destination === NativeRouteTable.Memories ? memories
                   : destination === NativeRouteTable.StudyLimits ? studyLimits
                   : destination === NativeRouteTable.StudyReport ? studyReport
                   : unavailable
        return stack.push(page, { "session": stack.session })
    }

    Component {
        id: settingsPage

        SettingsHostView {
            onOpenRequested: (pageId, destination) => stack.open(pageId, destination)
        }
    }
    Component {
        id: membership

        MembershipView {}
    }
    Component {
        id: orders

        OrdersView {}
    }
    Component {
        id: wrongBook

        WrongBookView {
            onChatRequested: scene => stack.push(chat, { "session": stack.session, "scene": scene })
        }
    }
    Component {
        id: chat

        CompanionChatView {}
    }
    Component {
        id: inbox

        HomeInboxView {
            studyLimitsPage: studyLimits
            membershipPage: membership
        }
    }
    Component {
        id: profileBirth

        ProfileBirthInfoView {}
    }
    Component {
        id: memories

        MemoriesView {}
    }
    Component {
        id: studyLimits

        StudyLimitsView {}
    }
    Component {
        id: studyReport

        StudyReportView {}
    }
    Component {
        id: unavailable

        NativeRouteUnavailableView {
            // Nothing of the session is needed; the push hands it to every screen alike.
            property AppSession session
        }
    }
}
