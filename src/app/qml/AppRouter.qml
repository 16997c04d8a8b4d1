import QtQuick
import QtQuick.Controls.Basic
import Quorvel.Core
// Every module whose pages the table names, so that their files are there when a page is pushed by its URL.
import Quorvel.Learning
import Quorvel.Practice
import Quorvel.Companion
import Quorvel.Home
import Quorvel.Membership
import Quorvel.Settings
import Quorvel.App

// One tab's navigation stack and the only place that pushes one feature's page from another. A page asks
// with `openRequested(destination, properties)` (or `chatRequested(...)` for the companion's chat); the
// router looks the destination up in DestinationTable and pushes the page with the router's session. A page
// that holds a navigation stack of its own (the inbox's message sheet) names it as `openTarget`, and what it
// asks for is pushed there instead.
//
// The root page hears of the stack through optional functions: `pageOpened(page)` right after a page it
// asked for is pushed, `pageShown(page)` whenever a page becomes the current one and `pageClosed(destination)`
// when a page it or a page above it asked for leaves the stack.
StackView {
    id: router

    required property AppSession session

    // A page that leaves the stack is destroyed with its models and pictures; what it held goes back once
    // the stack is still.
    property int lastDepth: 0
    onDepthChanged: {
        if (depth < lastDepth)
            MemoryRelief.screenClosed()
        lastDepth = depth
    }

    onCurrentItemChanged: {
        if (currentItem && initialItem && typeof initialItem.pageShown === "function")
            initialItem.pageShown(currentItem)
    }
    Component.onCompleted: if (initialItem) adopt(initialItem, router)

    // Escape goes back from a pushed page, as the back control does. Only on the tab on screen and never on
    // its root page; a sheet, alert or menu open above takes Escape first (Qt blocks a window's shortcuts
    // outside the popup on top that closes on Escape), and so does the rest notice, which holds the keyboard.
    Shortcut {
        sequence: "Escape"
        enabled: router.depth > 1 && router.visible && !router.busy
        onActivated: router.pop()
    }

    Component {
        id: nativeRoute

        NativeRouteView {}
    }

    // Pushes `destination` onto `stack` (the router itself unless given); returns the page, or null when
    // there is nothing to open.
    function open(destination, properties, stack) {
        const target = stack || router
        let opening = DestinationTable.resolve(destination, properties || {}, router.session)
        if (destination === Destination.NativeRoute) {
            const view = nativeRoute.createObject(router, { "route": (properties || {}).route || "",
                                                            "session": router.session })
            opening = { "destination": view.destination, "page": view.page, "properties": view.properties }
            view.destroy()
        }
        if (opening.page.toString().length === 0)
            return null
        const page = target.push(opening.page, opening.properties)
        if (!page)
            return null
        adopt(page, target)
        if (target === router) {
            const closed = opening.destination
            page.StackView.removed.connect(() => {
                // The router itself may be going (the tab's shell torn down), taking its pages with it.
                if (router && router.initialItem && typeof router.initialItem.pageClosed === "function")
                    router.initialItem.pageClosed(closed)
            })
        }
        return page
    }

    // Routes what `page`, a page of `stack`, asks to open.
    function adopt(page, stack) {
        if (page.openRequested) {
            page.openRequested.connect((destination, properties) => {
                const opened = router.open(destination, properties, page.openTarget || stack)
                if (opened && typeof page.pageOpened === "function")
                    page.pageOpened(opened)
            })
        }
        if (page.chatRequested) {
            page.chatRequested.connect((scene, initialMessage, subject, title) => {
                const properties = { "scene": scene }
                if (initialMessage !== undefined)
                    properties.initialMessage = initialMessage
                if (subject !== undefined)
                    properties.subject = subject
                if (title !== undefined)
                    properties.navigationTitle = title
                router.open(Destination.Chat, properties, stack)
            })
        }
    }
}
