import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core
import Quorvel.Learning
import Quorvel.Practice
import Quorvel.Companion
import Quorvel.Home

// The "首页" tab: its navigation stack, rooted at the home page, onto which every card, tool, the companion
// header and the search push their screens. Pages opened from the tool dock record "home_tool_click" each
// time they come on top.
StackView {
    id: stack

    required property AppSession session
    // Handed on to the inbox, which opens them from its study-reminder and membership messages.
    property Component studyLimitsPage: null
    property Component membershipPage: null

    objectName: "homeStack"
    initialItem: home
    onCurrentItemChanged: visits.shown(currentItem)

    ToolVisits {
        id: visits
    }

    HomeLayoutView {
        id: home

        session: stack.session
        onToolRequested: key => stack.openTool(key)
        onCardRequested: type => stack.openCard(type)
        onChatRequested: (scene, initialMessage) => stack.openChat(scene, initialMessage)
    }

    function openChat(scene, initialMessage) {
        return stack.push(chat, { "session": stack.session, "scene": scene, "initialMessage": initialMessage })
    }

    function openTool(key) {
        const page = key === "photo" ? stack.push(photoMatch, { "session": stack.session })
                   : key === "plan" ? stack.push(learning, { "session": stack.session })
                   : key === "video" ? stack.push(comingSoon, { "title": HomeTools.toolTitle(key),
                                                               "note": HomeTools.comingSoonNote(key) })
                   : key === "report" ? stack.push(studyReport, { "session": stack.session })
                   : key === "wrong" ? stack.push(wrongBook, { "session": stack.session })
                   : key === "bank" ? stack.push(questionBank, { "session": stack.session })
                   : key === "ask" ? openChat("home", "")
                   : key === "inbox" ? stack.push(inbox, { "session": stack.session })
                   : null
        visits.opened(page, key)
    }

    function openCard(type) {
        if (type === "Inbox")
            stack.push(inbox, { "session": stack.session })
        else if (type === "TodayTasks")
            stack.push(learning, { "session": stack.session })
        else if (type === "QuickQA")
            openChat("companion", "")
        else if (type === "WrongBook")
            stack.push(wrongBook, { "session": stack.session })
    }

    Component {
        id: chat

        CompanionChatView {
            // Leaving the chat the search opened ends that search.
            StackView.onRemoved: home.searchChatClosed()
        }
    }
    Component {
        id: learning

        LearningHomeView {
            onChatRequested: scene => stack.openChat(scene, "")
        }
    }
    Component {
        id: wrongBook

        WrongBookView {
            onChatRequested: scene => stack.openChat(scene, "")
        }
    }
    Component {
        id: photoMatch

        PhotoMatchView {
            onChatRequested: scene => stack.openChat(scene, "")
        }
    }
    Component {
        id: questionBank

        QuestionBankView {
            onChatRequested: (scene, initialMessage) => stack.openChat(scene, initialMessage)
        }
    }
    Component {
        id: comingSoon

        ComingSoonView {}
    }
    Component {
        id: inbox

        HomeInboxView {
            studyLimitsPage: stack.studyLimitsPage
            membershipPage: stack.membershipPage
        }
    }
    Component {
        id: studyReport

        StudyReportView {}
    }
}
