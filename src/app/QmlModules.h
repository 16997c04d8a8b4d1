#pragma once

#include <QtQml/QQmlExtensionPlugin>

// Pulls every QML module of the app into the program that includes this header once (the executable, and
// tests that load views): each library's module is a static plugin the linker would otherwise drop. Shared
// modules need nothing: the engine loads their plugins where it finds their qmldir.
#ifndef QVL_STATIC_QML_MODULES
#define QVL_IMPORT_QML_MODULES()
#else
#define QVL_IMPORT_QML_MODULES()                                                                             \
    Q_IMPORT_QML_PLUGIN(Quorvel_PlatformPlugin)                                                              \
    Q_IMPORT_QML_PLUGIN(Quorvel_CorePlugin)                                                                  \
    Q_IMPORT_QML_PLUGIN(Quorvel_UiPlugin)                                                                    \
    Q_IMPORT_QML_PLUGIN(Quorvel_PracticePlugin)                                                              \
    Q_IMPORT_QML_PLUGIN(Quorvel_RobotsPlugin)                                                                \
    Q_IMPORT_QML_PLUGIN(Quorvel_LearningPlugin)                                                              \
    Q_IMPORT_QML_PLUGIN(Quorvel_HomePlugin)                                                                  \
    Q_IMPORT_QML_PLUGIN(Quorvel_OnboardingPlugin)                                                            \
    Q_IMPORT_QML_PLUGIN(Quorvel_CompanionPlugin)                                                             \
    Q_IMPORT_QML_PLUGIN(Quorvel_SettingsPlugin)                                                              \
    Q_IMPORT_QML_PLUGIN(Quorvel_MembershipPlugin)                                                            \
    Q_IMPORT_QML_PLUGIN(Quorvel_GuestPlugin)                                                                 \
    Q_IMPORT_QML_PLUGIN(Quorvel_AppPlugin)
#endif
