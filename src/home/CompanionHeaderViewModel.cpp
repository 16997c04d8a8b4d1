#include "CompanionHeaderViewModel.h"

#include "RobotStore.h"

CompanionHeaderViewModel::CompanionHeaderViewModel(QObject *parent)
    : CompanionHeaderViewModel(RobotStore::shared(), parent) {}

CompanionHeaderViewModel::CompanionHeaderViewModel(RobotStore &store, QObject *parent)
    : QObject(parent), m_store(store) {
    connect(&m_store, &RobotStore::catalogChanged, this, &CompanionHeaderViewModel::robotChanged);
    connect(&m_store, &RobotStore::languageInEffectChanged, this, &CompanionHeaderViewModel::robotChanged);
}

RobotCharacter CompanionHeaderViewModel::robot() const {
    return m_store.robotFor(scene);
}

QString CompanionHeaderViewModel::nameLine() const {
    return QStringLiteral("%1 · 你的 AI 学习伙伴").arg(robot().name);
}
