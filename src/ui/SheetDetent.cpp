#include "SheetDetent.h"

#include <algorithm>

int SheetDetent::afterDrag(int detent, double dy, bool allowsMedium) {
    if (detent == Closed)
        return Closed;
    if (dy <= -dragThreshold)
        return Large;
    if (dy < dragThreshold)
        return detent;
    return detent == Large && allowsMedium ? Medium : Closed;
}

double SheetDetent::height(int detent, double available, double mediumMinimum) {
    available = std::max(0.0, available);
    const double large = std::max(0.0, available - 24);
    if (detent == Medium)
        return std::min(large, std::max(mediumMinimum, available / 2));
    return detent == Large ? large : 0;
}
