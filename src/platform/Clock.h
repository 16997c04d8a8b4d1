#pragma once

#include <QDateTime>

// The wall clock, injectable so that expiry and scheduling rules can be tested at chosen instants.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
};
