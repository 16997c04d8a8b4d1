#pragma once

#include "ChatMessage.h"

#include <QCoro/QCoroTask>
#include <QPointer>

#include <optional>

class AppSession;
class RobotStore;
struct ChatStrings;

// What a confirm card does once the learner confirmed it, always against the learning service and never
// through the chat stream: "path.create" makes a learning path of a chapter, "path.topic" one of a free-text
// topic, "practice.request" asks for practice questions on the topic's first knowledge point; a purchase
// ("order.preview") and anything else only point the learner to the right page.
namespace CompanionConfirmActions {

// The longest topic text sent to the topic preview, in user-perceived characters.
constexpr int kMaxTopicCharacters = 100;
constexpr int kPracticeDifficulty = 3;

// The confirmation dialog's message. An unknown skill lists its arguments, one "key: value" line each, in
// ascending key order.
QString summary(const ConfirmCard &card, const ChatStrings &strings);

// Runs the card's action and returns the message for the learner, or nothing ("path.create" without a
// chapter). A created path becomes the session's current one and the analytics of the action are
// recorded as soon as the service answered, whoever still waits for the message; failures give their own
// Chinese text. Texts are those of the store's language in effect when the action ends.
QCoro::Task<std::optional<QString>> perform(ConfirmCard card, QPointer<AppSession> session,
                                            QPointer<RobotStore> store);

} // namespace CompanionConfirmActions
