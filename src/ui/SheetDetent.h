#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

// The heights a BottomSheet rests at, and where a drag on its handle leaves it.
class SheetDetent : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    enum Detent { Closed, Medium, Large };
    Q_ENUM(Detent)

    using QObject::QObject;

    // How far the handle must travel to count as a gesture rather than a wobble.
    static constexpr double dragThreshold = 60;

    // After the handle was dragged by `dy` pixels (down is positive) from `detent`: up grows a medium sheet
    // to large; down shrinks a large one to medium (`allowsMedium`) or closes it, and closes a medium one.
    Q_INVOKABLE static int afterDrag(int detent, double dy, bool allowsMedium);
    // The sheet's height at a detent in a window `available` pixels tall: half of it for medium (at least
    // `mediumMinimum`, room allowing), all but a 24-pixel strip for large.
    Q_INVOKABLE static double height(int detent, double available, double mediumMinimum = 320);
};
