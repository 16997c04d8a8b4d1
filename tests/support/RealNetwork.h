#pragma once

#include "Platform.h"
#include "Transport.h"

// The production transport in place of the test platform's scripted one, while it lives.
struct RealNetwork {
    NetworkTransport network;
    Platform::Override override{[this] {
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(&network, [](Transport *) {});
        return services;
    }()};
};
