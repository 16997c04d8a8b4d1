#pragma once

#include "Destination.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <optional>

// The inbox's category chips, in the order they are shown. `All` is the chip that shows every message; no
// kind is ever filed under it.
enum class InboxCategory { All, Study, Practice, Activity, System };

namespace InboxCategories {
QList<InboxCategory> allCases();
// "全部", "学习", "题库", "活动", "系统".
QString rawValue(InboxCategory category);
// Exact text equality: "学习 " or "study" is no category.
std::optional<InboxCategory> fromRawValue(const QString &text);
} // namespace InboxCategories

// The screen that a kind's action opens; `None` for kinds that offer no action.
enum class InboxDestination {
    None,
    LearningHome,
    WrongBook,
    StudyReport,
    QuestionBank,
    Membership,
    CompanionChat, // in the scene "home", without a first message
    StudyLimits,
    PhotoMatch,
};

// How the inbox shows a kind: its symbol, its colour (a Theme role), a short label, the chip it is filed
// under and the title of its action in the detail sheet (none: no action). Decided from the kind alone, by
// exact, case-sensitive equality; any other text, the empty one included, gets the general system notice.
struct InboxKindStyle {
    QString symbol;
    int color = 0; // a Theme::Role
    QString label;
    InboxCategory category = InboxCategory::System;
    std::optional<QString> actionTitle;

    static InboxKindStyle forKind(const QString &kind);
    // Where the kind's action leads. Every kind with an action title has a destination and no other has.
    static InboxDestination destination(const QString &kind);
    // The screen the inbox asks the router for, and what it is opened with (`None` and {} for none).
    static Destination::Page screen(InboxDestination destination);
    static QVariantMap openProperties(InboxDestination destination);
    // The kinds the table names, in its order (the default row is not among them).
    static QStringList knownKinds();
};
