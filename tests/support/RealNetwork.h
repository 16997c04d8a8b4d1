#pragma once

#include "Platform.h"
#include "Transport.h"

#include <QDeadlineTimer>
#include <QTest>

// Aborts what is still under way on `network` and runs the event loop until every caller has seen its end
// (for at most two seconds), so that no coroutine is left waiting on a transport or a server that goes away
// after the test.
inline void endRequests(NetworkTransport &network) {
    const QDeadlineTimer deadline(2000);
    network.abortAll();
    while (network.underwayCount() > 0 && !deadline.hasExpired()) {
        QTest::qWait(5);
        network.abortAll(); // a caller may have sent again on its failure
    }
    if (network.underwayCount() > 0)
        qWarning("%d requests or streams still under way at the end of the test", network.underwayCount());
}

// The production transport in place of the test platform's scripted one, while it lives.
struct RealNetwork {
    NetworkTransport network;
    Platform::Override override{[this] {
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(&network, [](Transport *) {});
        return services;
    }()};
    ~RealNetwork() { endRequests(network); }
};
