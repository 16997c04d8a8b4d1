#include "CompanionChatViewModel.h"

#include "Analytics.h"
#include "ApiError.h"
#include "AppSession.h"
#include "CompanionConfirmActions.h"
#include "CompanionLogging.h"
#include "CompanionSettingsSheetViewModel.h"
#include "ErrorText.h"
#include "RobotStore.h"
#include "SpeechPlayer.h"

#include <QScopedValueRollback>
#include <QTimer>

CompanionChatViewModel::CompanionChatViewModel(QObject *parent)
    : CompanionChatViewModel(Dependencies(), parent) {}

CompanionChatViewModel::CompanionChatViewModel(Dependencies dependencies, QObject *parent)
    : ScreenViewModel(parent), m_store(dependencies.store ? dependencies.store : &RobotStore::shared()),
      m_speech(dependencies.speech ? dependencies.speech : &SpeechPlayer::shared()),
      m_languageNoticeMs(dependencies.languageNoticeMs), m_messages(new ListModel<ChatMessage>(this)),
      m_prompts(new ListModel<PromptChip>(this)) {
    // The greeting's place: the screen shows the scene's greeting in it, and it is never sent.
    appendMessage(ChatMessage::text(ChatMessage::Role::Assistant, QString()));
    refreshPrompts();

    connect(m_store, &RobotStore::languageInEffectChanged, this, [this] {
        Q_EMIT stringsChanged();
        Q_EMIT sendButtonChanged();
        if (m_pendingConfirm)
            Q_EMIT pendingConfirmChanged(); // its message is worded in the language in effect
    });
    // Texts, greeting, robot and suggestions follow the language, the catalog in use and the scene.
    for (const auto changed : {&RobotStore::languageInEffectChanged, &RobotStore::catalogChanged,
                               &RobotStore::languageLabelChanged}) {
        connect(m_store, changed, this, &CompanionChatViewModel::headerChanged);
        connect(m_store, changed, this, &CompanionChatViewModel::refreshRows);
        connect(m_store, changed, this, &CompanionChatViewModel::refreshPrompts);
    }
    connect(this, &CompanionChatViewModel::sceneChanged, this, [this] {
        Q_EMIT headerChanged();
        refreshRows();
        refreshPrompts();
    });
    connect(this, &CompanionChatViewModel::settingsChanged, this, &CompanionChatViewModel::headerChanged);
    connect(this, &CompanionChatViewModel::robotMoodChanged, this, &CompanionChatViewModel::headerChanged);
    connect(this, &CompanionChatViewModel::inputChanged, this, &CompanionChatViewModel::sendButtonChanged);
    connect(this, &CompanionChatViewModel::streamingChanged, this, [this] {
        Q_EMIT sendButtonChanged();
        refreshRows(); // hint unlocks are offered only while nothing streams
    });
    connect(m_messages, &QAbstractItemModel::rowsInserted, this, &CompanionChatViewModel::countChanged);
    connect(m_messages, &QAbstractItemModel::rowsRemoved, this, &CompanionChatViewModel::countChanged);
    connect(this, &CompanionChatViewModel::countChanged, this, [this] { setFollowsLatest(true); });
    connect(m_speech, &SpeechPlayer::speakingIdChanged, this, &CompanionChatViewModel::refreshMood);
    connect(m_speech, &SpeechPlayer::speakingIdChanged, this, &CompanionChatViewModel::speakingIdChanged);
    connect(m_messages, &QAbstractItemModel::rowsInserted, this, &CompanionChatViewModel::refreshMood);
    connect(m_messages, &QAbstractItemModel::rowsRemoved, this, &CompanionChatViewModel::refreshMood);
    connect(m_messages, &QAbstractItemModel::dataChanged, this, &CompanionChatViewModel::refreshMood);
    connect(this, &CompanionChatViewModel::streamingChanged, this, &CompanionChatViewModel::refreshMood);
    m_mood = robotMood();
}

CompanionChatViewModel::~CompanionChatViewModel() {
    if (m_stream)
        m_stream->cancel();
}

void CompanionChatViewModel::setScene(const QString &scene) {
    if (m_scene == scene)
        return;
    m_scene = scene;
    Q_EMIT sceneChanged();
}

void CompanionChatViewModel::setInitialMessage(std::optional<QString> message) {
    if (m_initialMessage == message)
        return;
    m_initialMessage = std::move(message);
    Q_EMIT initialMessageChanged();
}

void CompanionChatViewModel::setInitialMessageText(const QString &message) {
    setInitialMessage(message.isEmpty() ? std::nullopt : std::optional(message));
}

void CompanionChatViewModel::setSubject(std::optional<QString> subject) {
    if (m_subject == subject)
        return;
    m_subject = std::move(subject);
    Q_EMIT subjectChanged();
}

void CompanionChatViewModel::setSubjectText(const QString &subject) {
    setSubject(subject.isEmpty() ? std::nullopt : std::optional(subject));
}

void CompanionChatViewModel::setInput(const QString &input) {
    if (m_input == input)
        return;
    m_input = input;
    Q_EMIT inputChanged();
}

void CompanionChatViewModel::setShowSettings(bool shown) {
    if (m_showSettings == shown)
        return;
    m_showSettings = shown;
    Q_EMIT showSettingsChanged();
}

void CompanionChatViewModel::setShowRobotSettings(bool shown) {
    if (m_showRobotSettings == shown)
        return;
    m_showRobotSettings = shown;
    Q_EMIT showRobotSettingsChanged();
}

void CompanionChatViewModel::setSettings(const CompanionSettings &settings) {
    if (m_settings == settings)
        return;
    m_settings = settings;
    Q_EMIT settingsChanged();
}

ChatStrings CompanionChatViewModel::strings() const {
    return ChatStrings::forLanguage(m_store->languageInEffect());
}

RobotMood CompanionChatViewModel::robotMood() const {
    const QList<ChatMessage> &rows = m_messages->rows();
    if (m_stream)
        return !rows.isEmpty() && rows.last().isText() && !rows.last().text().isEmpty() ? RobotMood::Speaking
                                                                                        : RobotMood::Thinking;
    if (m_speech->speakingId())
        return RobotMood::Speaking;
    return rows.size() < 2 ? RobotMood::Waving : RobotMood::Idle;
}

void CompanionChatViewModel::refreshMood() {
    if (m_moodHeld)
        return;
    const RobotMood mood = robotMood();
    if (mood == m_mood)
        return;
    m_mood = mood;
    Q_EMIT robotMoodChanged();
}

QList<ChatHistoryEntry> CompanionChatViewModel::history() const {
    QList<ChatHistoryEntry> history;
    const QList<ChatMessage> &rows = m_messages->rows();
    for (qsizetype i = 1; i < rows.size(); ++i) {
        const ChatMessage &message = rows[i];
        if (!message.isText() || message.text().isEmpty())
            continue;
        history.append(
            {message.role() == ChatMessage::Role::User ? QStringLiteral("user") : QStringLiteral("assistant"),
             message.text()});
    }
    return history;
}

void CompanionChatViewModel::send(const QString &text, int hintLevel, std::optional<QString> question) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || m_stream)
        return;
    if (!session()) {
        qCWarning(lcCompanion) << "send without a session ignored";
        return;
    }
    if (!question)
        setInput(QString());
    const QString turnQuestion = question.value_or(trimmed);
    const QList<ChatHistoryEntry> earlier = history();
    // The mood follows the turn as a whole, not the entries it appends on the way.
    const QScopedValueRollback<bool> quiet(m_moodHeld, true);

    appendMessage(ChatMessage::text(ChatMessage::Role::User, trimmed));
    const std::optional<RobotCatalog::Scene> scene = m_store->catalog().scene(m_scene);
    const bool quickPrompt = scene && scene->prompts.contains(trimmed);
    Analytics::shared().track(
        QStringLiteral("companion_send"),
        {{QStringLiteral("quick_prompt"), quickPrompt ? QStringLiteral("true") : QStringLiteral("false")}});
    const QUuid turnId = QUuid::createUuid();
    appendMessage(ChatMessage::text(ChatMessage::Role::Assistant, QString(), turnId));

    CompanionTurn turn{turnQuestion, hintLevel,           earlier,  m_store->modelPref(),
                       m_scene,      m_store->language(), m_subject};
    m_stream = m_client.stream(*session(), std::move(turn));
    m_turnId = turnId;
    m_moodHeld = false;
    Q_EMIT streamingChanged();
    runTurn(this, m_stream, turnId, turnQuestion);
}

void CompanionChatViewModel::sendInput() {
    send(m_input);
}

void CompanionChatViewModel::sendPrompt(const QString &text) {
    send(text);
}

QCoro::Task<void> CompanionChatViewModel::runTurn(QPointer<CompanionChatViewModel> self,
                                                  std::shared_ptr<CompanionChatStream> stream, QUuid turnId,
                                                  QString question) {
    std::optional<QString> doneLanguage;
    int decoded = 0;
    std::exception_ptr failure;
    try {
        // One event at a time: each is applied before the next one is read.
        while (std::optional<CompanionEvent> event = co_await stream->next()) {
            if (!self)
                co_return;
            ++decoded;
            if (const auto *done = event->as<CompanionEvents::Done>())
                doneLanguage = done->language;
            self->apply(*event, turnId, question);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    if (failure) {
        self->failTurn(turnId, failure);
    } else if (decoded == 0 && !stream->isCancelled()) {
        // A success answer without a single event the chat understands (a web page, an empty body) must
        // not end as silence.
        self->failTurn(turnId, std::make_exception_ptr(ApiError::decoding()));
    } else {
        co_await finishTurn(self, turnId, std::move(doneLanguage));
        co_return;
    }
    self->dropEmptyReply(turnId);
    self->endTurn(turnId);
}

QCoro::Task<void> CompanionChatViewModel::finishTurn(QPointer<CompanionChatViewModel> self, QUuid turnId,
                                                     std::optional<QString> doneLanguage) {
    // A reply that a clear removed no longer speaks for the conversation: its language is not followed.
    if (self->m_messages->find(turnId)) {
        const bool switched = co_await self->m_store->followLanguage(doneLanguage, self->session());
        if (!self)
            co_return;
        if (switched)
            self->showLanguageNotice();
    }
    self->speakReply(turnId);
    self->dropEmptyReply(turnId);
    self->endTurn(turnId);
}

void CompanionChatViewModel::apply(const CompanionEvent &event, const QUuid &turnId,
                                   const QString &question) {
    using namespace CompanionEvents;
    if (const auto *delta = event.as<Delta>()) {
        editMessage(turnId, [&](ChatMessage &reply) {
            if (reply.isText())
                reply.appendText(delta->text);
        });
    } else if (const auto *confirm = event.as<Confirm>()) {
        appendMessage(
            ChatMessage::confirm({QUuid::createUuid(), confirm->skill, confirm->title, confirm->args}));
    } else if (const auto *crisis = event.as<Crisis>()) {
        appendMessage(ChatMessage::crisis(crisis->text, crisis->hotlines));
    } else if (const auto *error = event.as<Error>()) {
        appendMessage(ChatMessage::error(error->message));
    } else if (const auto *hint = event.as<Hint>()) {
        editMessage(turnId, [&](ChatMessage &reply) { reply.markHint(int(hint->level), question); });
    } else if (const auto *citations = event.as<Citations>()) {
        editMessage(turnId, [&](ChatMessage &reply) { reply.setCitations(citations->items); });
    }
}

void CompanionChatViewModel::editMessage(const QUuid &id, const std::function<void(ChatMessage &)> &edit) {
    const qsizetype row = m_messages->indexOf(id);
    if (row < 0)
        return;
    ChatMessage changed = m_messages->at(row);
    edit(changed);
    changed.setPresentation(presentation(changed, row));
    m_messages->update(std::move(changed));
}

void CompanionChatViewModel::appendMessage(ChatMessage message) {
    message.setPresentation(presentation(message, m_messages->rowCount()));
    m_messages->append(std::move(message));
}

void CompanionChatViewModel::refreshRows() {
    QList<ChatMessage> rows = m_messages->rows();
    for (qsizetype row = 0; row < rows.size(); ++row)
        rows[row].setPresentation(presentation(rows[row], row));
    m_messages->replaceAll(std::move(rows));
}

ChatMessagePresentation CompanionChatViewModel::presentation(const ChatMessage &message,
                                                             qsizetype row) const {
    const ChatStrings &texts = ChatStrings::forLanguage(m_store->languageInEffect());
    const bool assistant = message.role() == ChatMessage::Role::Assistant;
    ChatMessagePresentation shown;
    if (row == 0 && message.isEmptyText()) {
        const std::optional<RobotCatalog::Scene> scene = m_store->catalog().scene(m_scene);
        shown.displayText = scene ? scene->greeting : QString();
    } else {
        shown.displayText = message.text();
    }
    if (assistant && message.hintLevel() >= 1)
        shown.hintTag = texts.hintTagText(message.hintLevel());
    shown.speakable = assistant && message.isText() && !shown.displayText.isEmpty();
    shown.canUnlock = unlockOffered(message);
    if (shown.canUnlock)
        shown.unlockLabel = message.hintLevel() == 1 ? texts.moreHint : texts.fullSolution;
    if (const std::optional<ConfirmCard> &card = message.card()) {
        shown.cardTitle = texts.confirmTitles.value(card->skill, card->title);
        shown.cardSummary = CompanionConfirmActions::summary(*card, texts);
    }
    return shown;
}

void CompanionChatViewModel::failTurn(const QUuid &turnId, std::exception_ptr failure) {
    const std::optional<QString> text = errorText(failure);
    qCInfo(lcCompanion) << "reply failed:" << failureSummary(failure);
    editMessage(turnId, [&](ChatMessage &reply) {
        if (!text) // a cancellation nobody asked for: the reply ends where it stopped
            reply.appendText(strings().stopped);
        else
            reply.turnIntoError(*text);
    });
}

void CompanionChatViewModel::speakReply(const QUuid &turnId) {
    if (!m_store->autoSpeak())
        return;
    const ChatMessage *reply = m_messages->find(turnId);
    if (!reply || !reply->isText() || reply->text().isEmpty())
        return;
    // Reading it already (the learner pressed its speak button): toggling would stop it.
    if (m_speech->speakingId() == turnId)
        return;
    m_speech->toggleSpeech(reply->text(), turnId, session(), m_scene);
}

void CompanionChatViewModel::dropEmptyReply(const QUuid &turnId) {
    const ChatMessage *reply = m_messages->find(turnId);
    if (reply && reply->isEmptyText())
        m_messages->remove(turnId);
}

void CompanionChatViewModel::endTurn(const QUuid &turnId) {
    // A stopped turn that ends late must leave a newer turn streaming.
    if (!m_stream || m_turnId != turnId)
        return;
    m_stream.reset();
    m_turnId = QUuid();
    Q_EMIT streamingChanged();
}

void CompanionChatViewModel::stop() {
    if (!m_stream)
        return;
    m_stream->cancel();
    m_stream.reset();
    m_turnId = QUuid();
    Q_EMIT streamingChanged();
}

void CompanionChatViewModel::unlockHint(const QString &messageId) {
    const ChatMessage *reply = m_messages->find(QUuid::fromString(messageId));
    if (!reply || !reply->question())
        return;
    const int next = reply->hintLevel() + 1;
    const QString question = *reply->question();
    Analytics::shared().track(QStringLiteral("hint_unlock"),
                              {{QStringLiteral("level"), QString::number(next)}});
    const ChatStrings texts = strings();
    send(next == 2 ? texts.moreHint : texts.fullSolution, next, question);
}

bool CompanionChatViewModel::hintUnlockOffered(const QString &messageId) const {
    const ChatMessage *reply = m_messages->find(QUuid::fromString(messageId));
    return reply && unlockOffered(*reply);
}

bool CompanionChatViewModel::unlockOffered(const ChatMessage &reply) const {
    if (m_stream || reply.role() != ChatMessage::Role::Assistant || !reply.isText() ||
        reply.text().isEmpty() || !reply.question() || reply.hintLevel() < 1 || reply.hintLevel() > 2)
        return false;
    for (const ChatMessage &other : m_messages->rows()) {
        if (other.question() == reply.question() && other.hintLevel() > reply.hintLevel())
            return false;
    }
    return true;
}

void CompanionChatViewModel::toggleSpeech(const QString &text, const QString &messageId,
                                          const QString &scene) {
    const QUuid id = QUuid::fromString(messageId);
    if (!id.isNull())
        m_speech->toggleSpeech(text, id, session(), scene);
}

void CompanionChatViewModel::clear() {
    stop();
    m_speech->stop();
    const QList<ChatMessage> &rows = m_messages->rows();
    m_messages->replaceAll(rows.isEmpty() ? QList<ChatMessage>() : QList<ChatMessage>{rows.first()});
    m_store->resetActiveLanguage();
    refreshRows();
    setLanguageNotice(std::nullopt);
}

void CompanionChatViewModel::showLanguageNotice() {
    const QString notice = ChatStrings::format(strings().switchedFormat, {m_store->languageLabel()});
    setLanguageNotice(notice);
    // Each notice has its own timer; an older timer never clears a newer text.
    QTimer::singleShot(m_languageNoticeMs, this, [this, notice] {
        if (m_languageNotice == notice)
            clearLanguageNotice();
    });
}

void CompanionChatViewModel::clearLanguageNotice() {
    setLanguageNotice(std::nullopt);
}

void CompanionChatViewModel::setLanguageNotice(std::optional<QString> notice) {
    if (m_languageNotice == notice)
        return;
    m_languageNotice = std::move(notice);
    Q_EMIT languageNoticeChanged();
}

void CompanionChatViewModel::askConfirm(const QString &messageId) {
    const ChatMessage *entry = m_messages->find(QUuid::fromString(messageId));
    if (entry && entry->card())
        setPendingConfirm(entry->card());
}

void CompanionChatViewModel::cancelConfirm() {
    setPendingConfirm(std::nullopt);
}

QString CompanionChatViewModel::confirmMessage() const {
    return m_pendingConfirm ? CompanionConfirmActions::summary(*m_pendingConfirm, strings()) : QString();
}

void CompanionChatViewModel::performConfirm() {
    if (!m_pendingConfirm)
        return;
    ConfirmCard card = *m_pendingConfirm;
    setPendingConfirm(std::nullopt);
    runConfirm(this, std::move(card));
}

QCoro::Task<void> CompanionChatViewModel::runConfirm(QPointer<CompanionChatViewModel> self,
                                                     ConfirmCard card) {
    std::optional<QString> toast =
        co_await CompanionConfirmActions::perform(std::move(card), self->session(), self->m_store);
    // The path and the analytics are kept whatever became of the screen; only a live screen shows the toast.
    if (self && toast)
        self->setToast(std::move(toast));
}

void CompanionChatViewModel::setPendingConfirm(std::optional<ConfirmCard> card) {
    if (m_pendingConfirm == card)
        return;
    m_pendingConfirm = std::move(card);
    Q_EMIT pendingConfirmChanged();
}

void CompanionChatViewModel::dismissToast() {
    setToast(std::nullopt);
}

void CompanionChatViewModel::setToast(std::optional<QString> toast) {
    if (m_toast == toast)
        return;
    m_toast = std::move(toast);
    Q_EMIT toastChanged();
}

void CompanionChatViewModel::appear() {
    runAppearance(this);
}

void CompanionChatViewModel::disappear() {
    m_speech->stop();
}

QCoro::Task<void> CompanionChatViewModel::runAppearance(QPointer<CompanionChatViewModel> self) {
    QPointer<AppSession> session = self->session();
    co_await self->m_store->loadCatalog(session, false);
    if (!self)
        co_return;
    if (session) {
        try {
            CompanionSettings settings = co_await loadCompanionSettings(*session);
            if (!self)
                co_return;
            self->setSettings(settings);
        } catch (...) {
            // Silent: the chat keeps the settings it has.
            qCInfo(lcCompanion) << "companion settings not loaded:"
                                << failureSummary(std::current_exception());
        }
    }
    if (self)
        self->sendInitialMessage();
}

void CompanionChatViewModel::sendInitialMessage() {
    if (m_initialSent || !m_initialMessage || m_initialMessage->trimmed().isEmpty())
        return;
    m_initialSent = true;
    send(*m_initialMessage);
}

QString PromptChip::symbolAt(int position) {
    static const QString symbols[] = {QStringLiteral("sparkles"), QStringLiteral("lightbulb"),
                                      QStringLiteral("book.closed"), QStringLiteral("questionmark.bubble")};
    return symbols[position % 4];
}

void CompanionChatViewModel::refreshPrompts() {
    QList<PromptChip> chips;
    if (const std::optional<RobotCatalog::Scene> scene = m_store->catalog().scene(m_scene)) {
        for (qsizetype i = 0; i < scene->prompts.size(); ++i)
            chips.append({int(i), scene->prompts[i], PromptChip::symbolAt(int(i))});
    }
    m_prompts->replaceAll(std::move(chips));
}

RobotCharacter CompanionChatViewModel::robot() const {
    return m_store->robotFor(m_scene);
}

QColor CompanionChatViewModel::robotColor() const {
    return hexColor(robot().color);
}

QString CompanionChatViewModel::displayName() const {
    return m_settings.name ? *m_settings.name : robot().name;
}

QString CompanionChatViewModel::statusLine() const {
    const ChatStrings &texts = ChatStrings::forLanguage(m_store->languageInEffect());
    switch (robotMood()) {
    case RobotMood::Speaking:
        return texts.statusSpeaking;
    case RobotMood::Thinking:
        return texts.statusThinking;
    case RobotMood::Idle:
    case RobotMood::Waving:
        break;
    }
    if (m_settings.persona && CompanionPersona::fromRaw(*m_settings.persona))
        return ChatStrings::format(texts.onlineFormat, {CompanionPersona::label(*m_settings.persona, texts)});
    return texts.statusReady;
}

QString CompanionChatViewModel::languageTag(const QString &code) {
    if (code == u"en-US")
        return QStringLiteral("EN");
    if (code == u"yue-HK")
        return QStringLiteral("粵");
    if (code == u"ja-JP")
        return QStringLiteral("日本語");
    return QStringLiteral("中文");
}

QString CompanionChatViewModel::languageTag() const {
    return languageTag(m_store->languageInEffect());
}

QString CompanionChatViewModel::languageFull() const {
    return m_store->languageLabel();
}

QString CompanionChatViewModel::placeholderText() const {
    return ChatStrings::format(strings().placeholderFormat, {displayName()});
}

CompanionChatViewModel::SendButton CompanionChatViewModel::sendButton() const {
    if (m_stream)
        return SendButton::Stop;
    return canSend() ? SendButton::Send : SendButton::SendDisabled;
}

QString CompanionChatViewModel::sendButtonLabel() const {
    const ChatStrings &texts = ChatStrings::forLanguage(m_store->languageInEffect());
    return m_stream ? texts.stopReply : texts.send;
}

void CompanionChatViewModel::sendOrStop() {
    if (m_stream)
        stop();
    else
        sendInput();
}

QString CompanionChatViewModel::confirmTitle() const {
    const ChatStrings &texts = ChatStrings::forLanguage(m_store->languageInEffect());
    if (!m_pendingConfirm)
        return texts.confirm;
    return texts.confirmTitles.value(m_pendingConfirm->skill, m_pendingConfirm->title);
}

void CompanionChatViewModel::acceptSavedSettings(const CompanionSettings &settings) {
    setSettings(settings);
    setShowSettings(false);
    setToast(strings().savedToast);
}

void CompanionChatViewModel::applySavedSettings(const QVariantMap &settings) {
    acceptSavedSettings(CompanionSettingsSheetViewModel::settingsFromMap(settings));
}

QVariantMap CompanionChatViewModel::settingsMap() const {
    return CompanionSettingsSheetViewModel::settingsToMap(m_settings);
}

QString CompanionChatViewModel::speakingId() const {
    return m_speech->speakingIdText();
}

void CompanionChatViewModel::listMoved(bool moving, bool atEnd) {
    setFollowsLatest(!moving && atEnd);
}

void CompanionChatViewModel::setFollowsLatest(bool follows) {
    if (m_followsLatest == follows)
        return;
    m_followsLatest = follows;
    Q_EMIT followsLatestChanged();
}
