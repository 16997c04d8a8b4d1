#pragma once

#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "DevServer.h"
#include "Platform.h"
#include "RealNetwork.h"
#include "TestPlatform.h"

#include <QJsonObject>

#include <memory>

// The local stand-in of the service for end-to-end suites (which link quorvel_devserver): the devserver on a
// free loopback port, fresh platform services pointed at it, the real network stack, and a learner signed in
// with the development code (a new account gets `newUserStatus` when given). Members are torn down in
// reverse: the session first, the server last.
class LocalService {
public:
    explicit LocalService(const QString &phone, const std::string &newUserStatus = {}) {
        if (!newUserStatus.empty())
            server.setNewUserStatus(newUserStatus);
        server.start(0);
        const QString base = QString::fromStdString(server.baseUrl());
        platform = std::make_unique<TestPlatform>(
            QJsonObject{{QStringLiteral("QVLApiBaseURL"), base},
                        {QStringLiteral("QVLAiBaseURL"), base},
                        {QStringLiteral("QVLTradeBaseURL"), base},
                        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral(QVL_VERSION)}});
        network = std::make_unique<NetworkTransport>();
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(network.get(), [](Transport *) {});
        realNetwork = std::make_unique<Platform::Override>(services);
        session = std::make_unique<AppSession>();
        session->storeGrant(Await::result(
            AuthAPIClient().login(phone, QString::fromStdString(DevServer::smsCode()), *session)));
    }

    // What is still under way ends before the session, the network and the server go.
    ~LocalService() { endRequests(*network); }

    DevServer server;
    std::unique_ptr<TestPlatform> platform;
    std::unique_ptr<NetworkTransport> network;
    std::unique_ptr<Platform::Override> realNetwork;
    std::unique_ptr<AppSession> session;
};
