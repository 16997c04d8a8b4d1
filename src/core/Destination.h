#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

// The screens one feature may ask the shell to open on another's behalf. Every feature names them (QML:
// `Destination.Inbox`) without linking the feature that owns the screen; the router in the app decides which
// page a destination is and pushes it (`openRequested(destination, properties)` from a view).
class Destination : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Destination holds only the names of the screens")

public:
    enum Page {
        None,         // nothing to open (an inbox kind without an action)
        Unavailable,  // the "升级后可用" page of a native route this build does not know
        Membership,   // {}
        Orders,       // {}
        WrongBook,    // {}
        Inbox,        // {}
        ProfileBirth, // {}
        Memories,     // {}
        StudyLimits,  // {}
        StudyReport,  // {}
        SettingsPage, // {"pageId"}
        NativeRoute,  // {"route"}: the screen a server page names by a route under "native/"
        Chat,         // {"scene", and optionally "initialMessage", "subject", "navigationTitle"}
        Learning,     // the learning home {}
        PhotoMatch,   // {}
        QuestionBank, // {}
        Practice,     // {"questionId", "stemText", "options", "source"}: one question to answer
        ComingSoon,   // {"title", "note"}
    };
    Q_ENUM(Page)

    using QObject::QObject;
};
