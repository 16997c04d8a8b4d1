// quorvel-devserver [--port N] [--host H] [--state FILE] [--companion-pace MS] [--log]: serves the loopback
// stand-in until SIGINT or SIGTERM. With --state, accounts, sign-ins and learning progress are kept in FILE
// and survive a restart; --companion-pace spaces the companion's streamed events MS milliseconds apart, so
// that a reply grows on screen the way a model's does. The first line on stdout is "QVL_DEVSERVER_URL=<base
// url>", which scripts/run reads to point the app at it.

#include "DevServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include <pthread.h>

namespace {

void usage(const char *program) {
    std::cerr << "usage: " << program
              << " [--port N] [--host H] [--state FILE] [--companion-pace MS] [--log]\n";
}

bool parsePort(const char *text, int &port) {
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 65535)
        return false;
    port = int(value);
    return true;
}

bool parsePace(const char *text, int &pace) {
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 10000)
        return false;
    pace = int(value);
    return true;
}

} // namespace

int main(int argc, char **argv) {
    int port = 0;
    std::string host = "127.0.0.1";
    bool log = false;
    std::string stateFile;
    int companionPace = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            if (!parsePort(argv[++i], port)) {
                std::cerr << "invalid port: " << argv[i] << "\n";
                return 2;
            }
        } else if (arg == "--host" && i + 1 < argc) {
            host = argv[++i];
        } else if (arg == "--state" && i + 1 < argc) {
            stateFile = argv[++i];
        } else if (arg == "--companion-pace" && i + 1 < argc) {
            if (!parsePace(argv[++i], companionPace)) {
                std::cerr << "invalid companion pace (0..10000 ms): " << argv[i] << "\n";
                return 2;
            }
        } else if (arg == "--log") {
            log = true;
        } else {
            usage(argv[0]);
            return 2;
        }
    }

    // Block the stop signals before any server thread exists, so that every thread inherits the mask and the
    // signals wait for sigwait() below instead of killing the process mid-request. A shell starts a
    // background job with SIGINT ignored, and POSIX leaves open whether an ignored signal still reaches
    // sigwait(): take the default disposition back (harmless now that the signals are blocked).
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);

    DevServer server;
    server.setRequestLogging(log);
    server.setCompanionPace(companionPace);
    std::string stateError;
    if (!stateFile.empty() && !server.setStateFile(stateFile, &stateError)) {
        // Starting empty would silently sign out every learner whose app kept its tokens.
        std::cerr << "cannot read the state file " << stateFile << ": " << stateError << "\n";
        return 1;
    }
    const int bound = server.start(port, host);
    if (bound < 0) {
        std::cerr << "cannot listen on " << host << ":" << port << "\n";
        return 1;
    }
    std::cout << "QVL_DEVSERVER_URL=" << server.baseUrl() << "\n"
              << "开发用短信验证码：" << DevServer::smsCode() << std::endl;

    int received = 0;
    sigwait(&stopSignals, &received);
    server.stop();
    return 0;
}
