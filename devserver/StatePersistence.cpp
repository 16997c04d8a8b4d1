// The state file of the stand-in: what a learner built up (accounts, sign-ins, paths and progress, question
// requests, wrong-question books and answers, companion settings, onboarding answers and learning profiles,
// inboxes, study limits and today's study time, the companion's memories, orders and memberships, settings
// preferences, events) as one JSON document, so that a restarted server still knows the tokens an app kept.
// Test controls (injected failures and delays, request counts, a replaced home layout) are not part of it.
//
// Times are kept on the monotonic clock in memory; the file holds them as wall-clock milliseconds since
// the epoch, which is what still means something after a restart.
#include "ServerState.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace devserver {

namespace {

using namespace std::chrono;

qint64 toWallMs(Clock::time_point at) {
    const auto wall = system_clock::now() + duration_cast<system_clock::duration>(at - Clock::now());
    return duration_cast<milliseconds>(wall.time_since_epoch()).count();
}

Clock::time_point fromWallMs(qint64 ms) {
    const auto wall = system_clock::time_point(milliseconds(ms));
    return Clock::now() + duration_cast<Clock::duration>(wall - system_clock::now());
}

QString text(const std::string &value) {
    return QString::fromStdString(value);
}

std::string stdText(const QJsonValue &value) {
    return value.toString().toStdString();
}

qint64 number(const QJsonObject &object, const char *key) {
    return object.value(QLatin1String(key)).toInteger();
}

} // namespace

QJsonObject ServerState::saveLocked() const {
    QJsonArray userList;
    for (const auto &[id, user] : users) {
        QJsonObject entry{{"id", qint64(id)}, {"phone", text(user.phone)}, {"status", text(user.status)}};
        if (user.birthYearMonth)
            entry.insert("birth_year_month", text(*user.birthYearMonth));
        userList.append(entry);
    }
    QJsonObject access;
    for (const auto &[token, record] : accessTokens)
        access.insert(text(token), QJsonObject{{"user_id", qint64(record.userId)},
                                               {"session_id", qint64(record.sessionId)},
                                               {"expires_at_ms", toWallMs(record.expiresAt)}});
    QJsonObject refresh;
    for (const auto &[token, record] : refreshTokens)
        refresh.insert(text(token), QJsonObject{{"user_id", qint64(record.userId)},
                                                {"session_id", qint64(record.sessionId)},
                                                {"device_id", text(record.deviceId)},
                                                {"expires_at_ms", toWallMs(record.expiresAt)}});
    QJsonObject codes;
    for (const auto &[phone, at] : lastCodeSentAt)
        codes.insert(text(phone), toWallMs(at));

    QJsonArray paths;
    for (const auto &[id, path] : learning.paths) {
        QJsonArray items;
        for (const LearningItemRecord &item : path.items) {
            QJsonObject entry{{"item_id", qint64(item.itemId)},
                              {"list_order", qint64(item.listOrder)},
                              {"kp_code", item.kpCode},
                              {"completed", item.completed}};
            if (item.completedAtMs)
                entry.insert("completed_at_ms", qint64(*item.completedAtMs));
            // Only a lesson still being prepared has a moment that matters.
            if (item.readyAt > Clock::now())
                entry.insert("ready_at_ms", toWallMs(item.readyAt));
            items.append(entry);
        }
        paths.append(QJsonObject{{"path_id", qint64(path.pathId)},
                                 {"user_id", qint64(path.userId)},
                                 {"goal_type", path.goalType},
                                 {"goal", path.goal},
                                 {"chapter_code", path.chapterCode},
                                 {"unlocked_order", qint64(path.unlockedOrder)},
                                 {"prefetch", qint64(path.prefetch)},
                                 {"items", items}});
    }
    QJsonArray requests;
    for (const QuestionRequestRecord &request : learning.questionRequests) {
        QJsonObject entry{{"request_id", qint64(request.requestId)},
                          {"user_id", qint64(request.userId)},
                          {"kp", request.kp},
                          {"difficulty", qint64(request.difficulty)}};
        if (request.qtype)
            entry.insert("qtype", *request.qtype);
        requests.append(entry);
    }
    QJsonArray wrongItems;
    for (const auto &[id, item] : learning.wrongItems) {
        QJsonObject entry{{"wrong_item_id", qint64(item.wrongItemId)},    {"user_id", qint64(item.userId)},
                          {"question_id", qint64(item.questionId)},       {"state", item.state},
                          {"correct_streak", qint64(item.correctStreak)}, {"source", item.source},
                          {"created_at_ms", qint64(item.createdAtMs)}};
        if (item.nextReviewAtMs)
            entry.insert("next_review_at_ms", qint64(*item.nextReviewAtMs));
        wrongItems.append(entry);
    }
    QJsonArray answers;
    for (const PracticeAnswerRecord &answer : learning.answers)
        answers.append(QJsonObject{{"user_id", qint64(answer.userId)},
                                   {"question_id", qint64(answer.questionId)},
                                   {"correct", answer.correct},
                                   {"answered_at_ms", qint64(answer.answeredAtMs)}});
    QJsonArray companionSettings;
    for (const auto &[userId, settings] : companion.settings) {
        QJsonObject entry{{"user_id", qint64(userId)}};
        if (settings.persona)
            entry.insert("persona", *settings.persona);
        if (settings.name)
            entry.insert("name", *settings.name);
        if (settings.reminder)
            entry.insert("reminder", *settings.reminder);
        companionSettings.append(entry);
    }
    QJsonArray homeLayoutList;
    for (const auto &[userId, layout] : homeLayouts) {
        QJsonObject sizes;
        for (auto it = layout.sizes.begin(); it != layout.sizes.end(); ++it)
            sizes.insert(it.key(), it.value());
        homeLayoutList.append(QJsonObject{{"user_id", qint64(userId)},
                                          {"revision", qint64(layout.revision)},
                                          {"order", QJsonArray::fromStringList(layout.order)},
                                          {"hidden", QJsonArray::fromStringList(layout.hidden)},
                                          {"sizes", sizes}});
    }
    QJsonArray questionnaires;
    for (const auto &[userId, record] : onboarding.questionnaires) {
        QJsonObject steps;
        for (const auto &[step, status] : record.status) {
            const auto answers = record.answers.find(step);
            steps.insert(step, QJsonObject{{"status", status},
                                           {"answers", answers == record.answers.end() ? QJsonObject()
                                                                                       : answers->second}});
        }
        questionnaires.append(QJsonObject{{"user_id", qint64(userId)}, {"steps", steps}});
    }
    QJsonArray profiles;
    for (const auto &[userId, profile] : onboarding.profiles) {
        QJsonObject entry{{"user_id", qint64(userId)},
                          {"role", profile.role},
                          {"grade", qint64(profile.grade)},
                          {"edition", profile.edition},
                          {"daily_minutes", qint64(profile.dailyMinutes)}};
        const auto optional = [&entry](const char *key, const std::optional<QString> &value) {
            if (value)
                entry.insert(QLatin1String(key), *value);
        };
        optional("nickname", profile.nickname);
        optional("province", profile.province);
        optional("city", profile.city);
        optional("school", profile.school);
        profiles.append(entry);
    }
    QJsonArray inboxes;
    for (const auto &[userId, record] : inbox.byUser) {
        QJsonArray messages;
        for (const InboxMessageRecord &message : record.messages) {
            QJsonObject entry{{"id", qint64(message.id)},
                              {"kind", message.kind},
                              {"title", message.title},
                              {"body", message.body},
                              {"created_at_ms", qint64(message.createdAtMs)},
                              {"read", message.read}};
            if (message.refType)
                entry.insert("ref_type", *message.refType);
            if (message.refId)
                entry.insert("ref_id", qint64(*message.refId));
            messages.append(entry);
        }
        inboxes.append(
            QJsonObject{{"user_id", qint64(userId)}, {"seeded", record.seeded}, {"messages", messages}});
    }
    QJsonArray studyLimits;
    for (const auto &[userId, record] : usage.limits) {
        QJsonArray periods;
        for (const StudyPeriodRecord &period : record.blockedPeriods)
            periods.append(QJsonObject{{"start", period.start}, {"end", period.end}});
        studyLimits.append(QJsonObject{{"user_id", qint64(userId)},
                                       {"daily_minutes", qint64(record.dailyMinutes)},
                                       {"blocked_periods", periods}});
    }
    QJsonArray usageCounters;
    for (const auto &[userId, counter] : usage.counters)
        usageCounters.append(QJsonObject{{"user_id", qint64(userId)},
                                         {"day", counter.day.toString(Qt::ISODate)},
                                         {"seconds", qint64(counter.seconds)}});
    QJsonArray memoryBooks;
    for (const auto &[userId, book] : memories.byUser) {
        QJsonArray entries;
        for (const MemoryRecord &memory : book.entries)
            entries.append(QJsonObject{{"id", memory.id},
                                       {"kind", memory.kind},
                                       {"text", memory.text},
                                       {"created_at_ms", qint64(memory.createdAtMs)}});
        memoryBooks.append(
            QJsonObject{{"user_id", qint64(userId)}, {"seeded", book.seeded}, {"entries", entries}});
    }
    QJsonArray orders;
    for (const CommerceOrderRecord &order : commerce.orders) {
        QJsonObject entry{{"order_no", order.orderNo}, {"user_id", qint64(order.userId)},
                          {"sku_id", order.skuId},     {"idempotency_key", order.idempotencyKey},
                          {"channel", order.channel},  {"platform", order.platform},
                          {"state", order.state},      {"created_at_ms", qint64(order.createdAtMs)}};
        if (order.closeReason)
            entry.insert("close_reason", *order.closeReason);
        if (order.paidAtMs)
            entry.insert("paid_at_ms", qint64(*order.paidAtMs));
        if (order.membershipEndsAtMs)
            entry.insert("membership_ends_at_ms", qint64(*order.membershipEndsAtMs));
        if (order.appAccountToken)
            entry.insert("app_account_token", *order.appAccountToken);
        if (order.transactionId)
            entry.insert("transaction_id", *order.transactionId);
        orders.append(entry);
    }
    QJsonArray memberships;
    for (const auto &[userId, membership] : commerce.memberships)
        memberships.append(QJsonObject{{"user_id", qint64(userId)},
                                       {"tier", membership.tier},
                                       {"expires_at_ms", qint64(membership.expiresAtMs)}});
    QJsonArray settingsPrefs;
    for (const auto &[userId, prefs] : settings.prefsByUser) {
        QJsonObject values;
        for (const auto &[key, value] : prefs)
            values.insert(key, value);
        settingsPrefs.append(QJsonObject{{"user_id", qint64(userId)}, {"prefs", values}});
    }
    QJsonArray events;
    for (const QJsonObject &event : receivedEvents)
        events.append(event);
    QJsonArray eventIds;
    for (const std::string &id : receivedEventIds)
        eventIds.append(text(id));

    return QJsonObject{{"version", 1},
                       {"users", userList},
                       {"access_tokens", access},
                       {"refresh_tokens", refresh},
                       {"last_code_sent_at_ms", codes},
                       {"next_user_id", qint64(nextUserId)},
                       {"next_session_id", qint64(nextSessionId)},
                       {"paths", paths},
                       {"question_requests", requests},
                       {"next_path_id", qint64(learning.nextPathId)},
                       {"next_item_id", qint64(learning.nextItemId)},
                       {"next_request_id", qint64(learning.nextRequestId)},
                       {"wrong_items", wrongItems},
                       {"next_wrong_item_id", qint64(learning.nextWrongItemId)},
                       {"practice_answers", answers},
                       {"companion_settings", companionSettings},
                       {"home_layouts", homeLayoutList},
                       {"onboarding", questionnaires},
                       {"learning_profiles", profiles},
                       {"inboxes", inboxes},
                       {"next_inbox_message_id", qint64(inbox.nextMessageId)},
                       {"study_limits", studyLimits},
                       {"usage_counters", usageCounters},
                       {"memories", memoryBooks},
                       {"next_memory_id", qint64(memories.nextId)},
                       {"orders", orders},
                       {"memberships", memberships},
                       {"next_order_sequence", qint64(commerce.nextOrderSequence)},
                       {"settings_prefs", settingsPrefs},
                       {"events", events},
                       {"event_ids", eventIds}};
}

void ServerState::loadLocked(const QJsonObject &saved) {
    userIdByPhone.clear();
    users.clear();
    for (const QJsonValue &value : saved.value("users").toArray()) {
        const QJsonObject entry = value.toObject();
        UserRecord user;
        user.id = number(entry, "id");
        user.phone = stdText(entry.value("phone"));
        user.status = stdText(entry.value("status"));
        if (entry.contains("birth_year_month"))
            user.birthYearMonth = stdText(entry.value("birth_year_month"));
        userIdByPhone[user.phone] = user.id;
        users[user.id] = user;
    }
    accessTokens.clear();
    const QJsonObject access = saved.value("access_tokens").toObject();
    for (auto it = access.begin(); it != access.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        accessTokens[it.key().toStdString()] = {number(entry, "user_id"), number(entry, "session_id"),
                                                fromWallMs(number(entry, "expires_at_ms"))};
    }
    refreshTokens.clear();
    const QJsonObject refresh = saved.value("refresh_tokens").toObject();
    for (auto it = refresh.begin(); it != refresh.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        refreshTokens[it.key().toStdString()] = {number(entry, "user_id"), number(entry, "session_id"),
                                                 stdText(entry.value("device_id")),
                                                 fromWallMs(number(entry, "expires_at_ms"))};
    }
    lastCodeSentAt.clear();
    const QJsonObject codes = saved.value("last_code_sent_at_ms").toObject();
    for (auto it = codes.begin(); it != codes.end(); ++it)
        lastCodeSentAt[it.key().toStdString()] = fromWallMs(it.value().toInteger());
    // Files of earlier runs may name a status for new accounts: that was a test control and is not taken up,
    // so that an account made after a restart still waits for its birth month.
    nextUserId = std::max<std::int64_t>(nextUserId, number(saved, "next_user_id"));
    nextSessionId = std::max<std::int64_t>(nextSessionId, number(saved, "next_session_id"));

    learning.paths.clear();
    for (const QJsonValue &value : saved.value("paths").toArray()) {
        const QJsonObject entry = value.toObject();
        LearningPathRecord path;
        path.pathId = number(entry, "path_id");
        path.userId = number(entry, "user_id");
        path.goalType = entry.value("goal_type").toString();
        path.goal = entry.value("goal").toString();
        path.chapterCode = entry.value("chapter_code").toString();
        path.unlockedOrder = number(entry, "unlocked_order");
        path.prefetch = number(entry, "prefetch");
        for (const QJsonValue &itemValue : entry.value("items").toArray()) {
            const QJsonObject itemEntry = itemValue.toObject();
            LearningItemRecord item;
            item.itemId = number(itemEntry, "item_id");
            item.listOrder = number(itemEntry, "list_order");
            item.kpCode = itemEntry.value("kp_code").toString();
            item.completed = itemEntry.value("completed").toBool();
            if (itemEntry.contains("completed_at_ms"))
                item.completedAtMs = number(itemEntry, "completed_at_ms");
            if (itemEntry.contains("ready_at_ms"))
                item.readyAt = fromWallMs(number(itemEntry, "ready_at_ms"));
            path.items.push_back(item);
        }
        learning.paths[path.pathId] = std::move(path);
    }
    learning.questionRequests.clear();
    for (const QJsonValue &value : saved.value("question_requests").toArray()) {
        const QJsonObject entry = value.toObject();
        QuestionRequestRecord request;
        request.requestId = number(entry, "request_id");
        request.userId = number(entry, "user_id");
        request.kp = entry.value("kp").toString();
        request.difficulty = number(entry, "difficulty");
        if (entry.contains("qtype"))
            request.qtype = entry.value("qtype").toString();
        learning.questionRequests.push_back(request);
    }
    learning.nextPathId = std::max<std::int64_t>(learning.nextPathId, number(saved, "next_path_id"));
    learning.nextItemId = std::max<std::int64_t>(learning.nextItemId, number(saved, "next_item_id"));
    learning.nextRequestId = std::max<std::int64_t>(learning.nextRequestId, number(saved, "next_request_id"));

    learning.wrongItems.clear();
    for (const QJsonValue &value : saved.value("wrong_items").toArray()) {
        const QJsonObject entry = value.toObject();
        WrongItemRecord item;
        item.wrongItemId = number(entry, "wrong_item_id");
        item.userId = number(entry, "user_id");
        item.questionId = number(entry, "question_id");
        item.state = entry.value("state").toString();
        item.correctStreak = number(entry, "correct_streak");
        if (entry.contains("next_review_at_ms"))
            item.nextReviewAtMs = number(entry, "next_review_at_ms");
        item.source = entry.value("source").toString();
        item.createdAtMs = number(entry, "created_at_ms");
        learning.wrongItems[item.wrongItemId] = item;
    }
    learning.nextWrongItemId =
        std::max<std::int64_t>(learning.nextWrongItemId, number(saved, "next_wrong_item_id"));

    learning.answers.clear();
    for (const QJsonValue &value : saved.value("practice_answers").toArray()) {
        const QJsonObject entry = value.toObject();
        learning.answers.push_back({number(entry, "user_id"), number(entry, "question_id"),
                                    entry.value("correct").toBool(), number(entry, "answered_at_ms")});
    }

    companion.settings.clear();
    for (const QJsonValue &value : saved.value("companion_settings").toArray()) {
        const QJsonObject entry = value.toObject();
        CompanionSettingsRecord settings;
        if (entry.contains("persona"))
            settings.persona = entry.value("persona").toString();
        if (entry.contains("name"))
            settings.name = entry.value("name").toString();
        if (entry.contains("reminder"))
            settings.reminder = entry.value("reminder").toString();
        companion.settings[number(entry, "user_id")] = settings;
    }

    homeLayouts.clear();
    for (const QJsonValue &value : saved.value("home_layouts").toArray()) {
        const QJsonObject entry = value.toObject();
        HomeLayoutRecord layout;
        layout.revision = number(entry, "revision");
        for (const QJsonValue &id : entry.value("order").toArray())
            layout.order.append(id.toString());
        for (const QJsonValue &id : entry.value("hidden").toArray())
            layout.hidden.append(id.toString());
        const QJsonObject sizes = entry.value("sizes").toObject();
        for (auto it = sizes.begin(); it != sizes.end(); ++it)
            layout.sizes.insert(it.key(), it.value().toString());
        homeLayouts[number(entry, "user_id")] = layout;
    }

    onboarding.questionnaires.clear();
    for (const QJsonValue &value : saved.value("onboarding").toArray()) {
        const QJsonObject entry = value.toObject();
        OnboardingRecord record;
        const QJsonObject steps = entry.value("steps").toObject();
        for (auto it = steps.begin(); it != steps.end(); ++it) {
            record.status[it.key()] = it.value().toObject().value("status").toString();
            record.answers[it.key()] = it.value().toObject().value("answers").toObject();
        }
        onboarding.questionnaires[number(entry, "user_id")] = record;
    }
    onboarding.profiles.clear();
    for (const QJsonValue &value : saved.value("learning_profiles").toArray()) {
        const QJsonObject entry = value.toObject();
        LearningProfileRecord profile;
        profile.role = entry.value("role").toString();
        profile.grade = number(entry, "grade");
        profile.edition = entry.value("edition").toString();
        profile.dailyMinutes = number(entry, "daily_minutes");
        const auto optional = [&entry](const char *key) {
            return entry.contains(QLatin1String(key))
                       ? std::optional<QString>(entry.value(QLatin1String(key)).toString())
                       : std::nullopt;
        };
        profile.nickname = optional("nickname");
        profile.province = optional("province");
        profile.city = optional("city");
        profile.school = optional("school");
        onboarding.profiles[number(entry, "user_id")] = profile;
    }
    inbox.byUser.clear();
    for (const QJsonValue &value : saved.value("inboxes").toArray()) {
        const QJsonObject entry = value.toObject();
        InboxRecord record;
        record.seeded = entry.value("seeded").toBool();
        for (const QJsonValue &messageValue : entry.value("messages").toArray()) {
            const QJsonObject stored = messageValue.toObject();
            InboxMessageRecord message;
            message.id = number(stored, "id");
            message.kind = stored.value("kind").toString();
            message.title = stored.value("title").toString();
            message.body = stored.value("body").toString();
            if (stored.contains("ref_type"))
                message.refType = stored.value("ref_type").toString();
            if (stored.contains("ref_id"))
                message.refId = number(stored, "ref_id");
            message.createdAtMs = number(stored, "created_at_ms");
            message.read = stored.value("read").toBool();
            record.messages.push_back(std::move(message));
        }
        inbox.byUser[number(entry, "user_id")] = std::move(record);
    }
    inbox.nextMessageId = std::max<std::int64_t>(inbox.nextMessageId, number(saved, "next_inbox_message_id"));

    usage.limits.clear();
    for (const QJsonValue &value : saved.value("study_limits").toArray()) {
        const QJsonObject entry = value.toObject();
        StudyLimitsRecord record;
        record.dailyMinutes = number(entry, "daily_minutes");
        for (const QJsonValue &period : entry.value("blocked_periods").toArray())
            record.blockedPeriods.push_back(
                {period.toObject().value("start").toString(), period.toObject().value("end").toString()});
        usage.limits[number(entry, "user_id")] = std::move(record);
    }
    memories.byUser.clear();
    for (const QJsonValue &value : saved.value("memories").toArray()) {
        const QJsonObject entry = value.toObject();
        MemoryBook book;
        book.seeded = entry.value("seeded").toBool();
        for (const QJsonValue &stored : entry.value("entries").toArray()) {
            const QJsonObject memory = stored.toObject();
            book.entries.push_back({memory.value("id").toString(), memory.value("kind").toString(),
                                    memory.value("text").toString(), number(memory, "created_at_ms")});
        }
        memories.byUser[number(entry, "user_id")] = std::move(book);
    }
    memories.nextId = std::max<std::int64_t>(memories.nextId, number(saved, "next_memory_id"));
    usage.counters.clear();
    for (const QJsonValue &value : saved.value("usage_counters").toArray()) {
        const QJsonObject entry = value.toObject();
        usage.counters[number(entry, "user_id")] = {
            QDate::fromString(entry.value("day").toString(), Qt::ISODate), number(entry, "seconds")};
    }

    commerce.orders.clear();
    for (const QJsonValue &value : saved.value("orders").toArray()) {
        const QJsonObject entry = value.toObject();
        CommerceOrderRecord order;
        order.orderNo = entry.value("order_no").toString();
        order.userId = number(entry, "user_id");
        order.skuId = entry.value("sku_id").toString();
        order.idempotencyKey = entry.value("idempotency_key").toString();
        order.channel = entry.value("channel").toString();
        order.platform = entry.value("platform").toString();
        order.state = entry.value("state").toString();
        order.createdAtMs = number(entry, "created_at_ms");
        if (entry.contains("close_reason"))
            order.closeReason = entry.value("close_reason").toString();
        if (entry.contains("paid_at_ms"))
            order.paidAtMs = number(entry, "paid_at_ms");
        if (entry.contains("membership_ends_at_ms"))
            order.membershipEndsAtMs = number(entry, "membership_ends_at_ms");
        if (entry.contains("app_account_token"))
            order.appAccountToken = entry.value("app_account_token").toString();
        if (entry.contains("transaction_id"))
            order.transactionId = entry.value("transaction_id").toString();
        commerce.orders.push_back(std::move(order));
    }
    commerce.memberships.clear();
    for (const QJsonValue &value : saved.value("memberships").toArray()) {
        const QJsonObject entry = value.toObject();
        commerce.memberships[number(entry, "user_id")] = {entry.value("tier").toString(),
                                                          number(entry, "expires_at_ms")};
    }
    commerce.nextOrderSequence =
        std::max<std::int64_t>(commerce.nextOrderSequence, number(saved, "next_order_sequence"));

    settings.prefsByUser.clear();
    for (const QJsonValue &value : saved.value("settings_prefs").toArray()) {
        const QJsonObject entry = value.toObject();
        std::map<QString, bool> &prefs = settings.prefsByUser[number(entry, "user_id")];
        const QJsonObject values = entry.value("prefs").toObject();
        for (auto it = values.begin(); it != values.end(); ++it)
            prefs[it.key()] = it.value().toBool();
    }

    receivedEvents.clear();
    for (const QJsonValue &value : saved.value("events").toArray())
        receivedEvents.push_back(value.toObject());
    receivedEventIds.clear();
    for (const QJsonValue &value : saved.value("event_ids").toArray())
        receivedEventIds.insert(stdText(value));
}

bool ServerState::readStateFile(const std::string &path, std::string &error) {
    QFile file(QString::fromStdString(path));
    if (!file.exists()) { // a first start: the first change creates it
        std::lock_guard lock(mutex);
        stateFile = path;
        lastSavedState.clear();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString().toStdString();
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject() || document.object().value("version").toInt() != 1) {
        error = document.isObject() ? "unknown version" : parseError.errorString().toStdString();
        return false;
    }
    std::lock_guard lock(mutex);
    loadLocked(document.object());
    stateFile = path;
    lastSavedState = QJsonDocument(saveLocked()).toJson(QJsonDocument::Compact);
    return true;
}

void ServerState::persistLocked() {
    if (stateFile.empty())
        return;
    const QByteArray bytes = QJsonDocument(saveLocked()).toJson(QJsonDocument::Compact);
    if (bytes == lastSavedState)
        return;
    // Written beside the old file and renamed over it: a crash mid-write leaves the previous state whole.
    QSaveFile file(QString::fromStdString(stateFile));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "devserver: cannot write the state file %s: %s\n", stateFile.c_str(),
                     qPrintable(file.errorString()));
        return;
    }
    lastSavedState = bytes;
}

void ServerState::persist() {
    std::lock_guard lock(mutex);
    persistLocked();
}

} // namespace devserver
