#pragma once

#include "AppSession.h"
#include "AuthAPIClient.h"
#include "Await.h"
#include "DevServer.h"
#include "Platform.h"
#include "RealNetwork.h"
#include "TestPlatform.h"

#include <QDateTime>
#include <QJsonObject>
#include <QTimeZone>

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
        platform = platformOn(server);
        network = std::make_unique<NetworkTransport>();
        Platform::Services services;
        services.transport = std::shared_ptr<Transport>(network.get(), [](Transport *) {});
        realNetwork = std::make_unique<Platform::Override>(services);
        session = std::make_unique<AppSession>();
        session->storeGrant(Await::result(
            AuthAPIClient().login(phone, QString::fromStdString(DevServer::smsCode()), *session)));
    }

    // Platform services whose service addresses are all the started stand-in's.
    static std::unique_ptr<TestPlatform> platformOn(const DevServer &server) {
        const QString base = QString::fromStdString(server.baseUrl());
        return std::make_unique<TestPlatform>(
            QJsonObject{{QStringLiteral("QVLApiBaseURL"), base},
                        {QStringLiteral("QVLAiBaseURL"), base},
                        {QStringLiteral("QVLTradeBaseURL"), base},
                        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral(QVL_VERSION)}});
    }

    // Today's noon in Beijing, for a stand-in whose minor learners must be outside the night rest whenever
    // the suite runs.
    static qint64 noonInBeijing() {
        const QTimeZone shanghai("Asia/Shanghai");
        return QDateTime(QDateTime::currentDateTimeUtc().toTimeZone(shanghai).date(), QTime(12, 0), shanghai)
            .toMSecsSinceEpoch();
    }

    // What is still under way ends before the session, the network and the server go.
    ~LocalService() { endRequests(*network); }

    DevServer server;
    std::unique_ptr<TestPlatform> platform;
    std::unique_ptr<NetworkTransport> network;
    std::unique_ptr<Platform::Override> realNetwork;
    std::unique_ptr<AppSession> session;
};
