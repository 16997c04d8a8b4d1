#pragma once

#include "ChatMessage.h"
#include "ChatStrings.h"
#include "CompanionChatClient.h"
#include "CompanionSettings.h"
#include "ListModel.h"
#include "RobotCatalog.h"
#include "RobotMotion.h"
#include "ScreenViewModel.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <memory>
#include <optional>

class AppSession;
class RobotStore;
class SpeechPlayer;

// One suggested question of the scene, under the greeting of a fresh conversation.
class PromptChip {
    Q_GADGET
    Q_PROPERTY(QString prompt MEMBER text)
    Q_PROPERTY(QString symbol MEMBER symbol)

public:
    int position = 0;
    QString text;
    QString symbol;

    int id() const { return position; }
    bool operator==(const PromptChip &) const = default;

    // The chip's icon, by position: "sparkles", "lightbulb", "book.closed", "questionmark.bubble", again.
    static QString symbolAt(int position);
};

// The companion conversation behind the chat screen: its entries, the turn that streams, the hint ladder,
// confirm cards, the language the replies follow, and every notice the screen shows.
//
// A send appends the learner's entry and an empty reply and streams the reply into it, event by event,
// one turn at a time. When the reply is complete the chat follows the language the server answered in
// (announced for 3 s), reads the reply aloud when the learner asked for that, and drops a reply that stayed
// empty. Stream failures become error entries, never alerts. Main thread only.
class CompanionChatViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString scene READ scene WRITE setScene NOTIFY sceneChanged)
    // Empty for none; a blank one is never sent.
    Q_PROPERTY(QString initialMessage READ initialMessageText WRITE setInitialMessageText NOTIFY
                   initialMessageChanged)
    // Empty for none.
    Q_PROPERTY(QString subject READ subjectText WRITE setSubjectText NOTIFY subjectChanged)
    Q_PROPERTY(ListModelBase *messages READ messageList CONSTANT)
    Q_PROPERTY(QString input READ input WRITE setInput NOTIFY inputChanged)
    Q_PROPERTY(bool canSend READ canSend NOTIFY inputChanged)
    Q_PROPERTY(bool streaming READ isStreaming NOTIFY streamingChanged)
    Q_PROPERTY(bool confirmPending READ confirmPending NOTIFY pendingConfirmChanged)
    Q_PROPERTY(QString confirmMessage READ confirmMessage NOTIFY pendingConfirmChanged)
    Q_PROPERTY(QString toast READ toastText NOTIFY toastChanged)
    Q_PROPERTY(QString languageNotice READ languageNoticeText NOTIFY languageNoticeChanged)
    Q_PROPERTY(bool showSettings READ showSettings WRITE setShowSettings NOTIFY showSettingsChanged)
    Q_PROPERTY(bool showRobotSettings READ showRobotSettings WRITE setShowRobotSettings NOTIFY
                   showRobotSettingsChanged)
    Q_PROPERTY(ChatStrings strings READ strings NOTIFY stringsChanged)
    Q_PROPERTY(RobotMoodType::RobotMood robotMood READ robotMood NOTIFY robotMoodChanged)

    // The chat screen's header and composer, worked out anew whenever what they depend on changes.
    Q_PROPERTY(RobotCharacter robot READ robot NOTIFY headerChanged)
    Q_PROPERTY(QColor robotColor READ robotColor NOTIFY headerChanged)
    Q_PROPERTY(QString displayName READ displayName NOTIFY headerChanged)
    Q_PROPERTY(QString statusLine READ statusLine NOTIFY headerChanged)
    Q_PROPERTY(QString languageTag READ languageTag NOTIFY headerChanged)
    Q_PROPERTY(QString languageFull READ languageFull NOTIFY headerChanged)
    Q_PROPERTY(QString placeholderText READ placeholderText NOTIFY headerChanged)
    Q_PROPERTY(bool compact READ compact NOTIFY countChanged)
    Q_PROPERTY(bool showsPrompts READ showsPrompts NOTIFY countChanged)
    Q_PROPERTY(ListModelBase *prompts READ promptList CONSTANT)
    Q_PROPERTY(SendButton sendButton READ sendButton NOTIFY sendButtonChanged)
    Q_PROPERTY(QString sendButtonLabel READ sendButtonLabel NOTIFY sendButtonChanged)
    Q_PROPERTY(QString confirmTitle READ confirmTitle NOTIFY pendingConfirmChanged)
    // The settings as the settings sheet takes them ({"persona", "name", "reminder"}, a missing key absent).
    Q_PROPERTY(QVariantMap settingsMap READ settingsMap NOTIFY settingsChanged)
    // The entry being read aloud (without braces), empty when silent.
    Q_PROPERTY(QString speakingId READ speakingId NOTIFY speakingIdChanged)
    // Whether the list keeps its end in view while what it shows grows (a reply streaming in, a card or a
    // hint button appearing under it).
    Q_PROPERTY(bool followsLatest READ followsLatest NOTIFY followsLatestChanged)

public:
    // The composer's one button: stop while a reply streams, else send (greyed without text).
    enum class SendButton { SendDisabled, Send, Stop };
    Q_ENUM(SendButton)

    struct Dependencies {
        RobotStore *store = nullptr;    // the shared store when none
        SpeechPlayer *speech = nullptr; // the shared player when none
        int languageNoticeMs = 3000;
    };

    explicit CompanionChatViewModel(QObject *parent = nullptr);
    CompanionChatViewModel(Dependencies dependencies, QObject *parent = nullptr);
    // Cancels the turn that streams; its late ending then changes nothing.
    ~CompanionChatViewModel() override;

    QString scene() const { return m_scene; }
    void setScene(const QString &scene);
    const std::optional<QString> &initialMessage() const { return m_initialMessage; }
    QString initialMessageText() const { return m_initialMessage.value_or(QString()); }
    void setInitialMessage(std::optional<QString> message);
    void setInitialMessageText(const QString &message);
    const std::optional<QString> &subject() const { return m_subject; }
    QString subjectText() const { return m_subject.value_or(QString()); }
    void setSubject(std::optional<QString> subject);
    void setSubjectText(const QString &subject);

    const ListModel<ChatMessage> &messages() const { return *m_messages; }
    ListModelBase *messageList() const { return m_messages; }
    QString input() const { return m_input; }
    void setInput(const QString &input);
    bool canSend() const { return !m_input.trimmed().isEmpty(); }
    bool isStreaming() const { return m_stream != nullptr; }
    bool initialSent() const { return m_initialSent; }
    const std::optional<ConfirmCard> &pendingConfirm() const { return m_pendingConfirm; }
    bool confirmPending() const { return m_pendingConfirm.has_value(); }
    QString confirmMessage() const;
    const std::optional<QString> &toast() const { return m_toast; }
    QString toastText() const { return m_toast.value_or(QString()); }
    const std::optional<QString> &languageNotice() const { return m_languageNotice; }
    QString languageNoticeText() const { return m_languageNotice.value_or(QString()); }
    bool showSettings() const { return m_showSettings; }
    void setShowSettings(bool shown);
    bool showRobotSettings() const { return m_showRobotSettings; }
    void setShowRobotSettings(bool shown);
    const CompanionSettings &settings() const { return m_settings; }
    // What the settings sheet stored.
    void setSettings(const CompanionSettings &settings);

    // The texts of the robot store's language in effect, read anew on every use.
    ChatStrings strings() const;
    RobotMood robotMood() const;

    // The scene's robot in the catalog in use (the default scene's for a scene the catalog lacks).
    RobotCharacter robot() const;
    QColor robotColor() const;
    // The name the learner gave the buddy when there is one (an empty one too), else the robot's.
    QString displayName() const;
    QString statusLine() const;
    // "EN", "粵", "日本語", else "中文", for the language in effect.
    QString languageTag() const;
    static QString languageTag(const QString &code);
    QString languageFull() const;
    QString placeholderText() const;
    // The stage turns compact, and the suggestions go, once the conversation has started.
    bool compact() const { return m_messages->rowCount() >= 2; }
    bool showsPrompts() const { return m_messages->rowCount() <= 1; }
    ListModelBase *promptList() const { return m_prompts; }
    const ListModel<PromptChip> &prompts() const { return *m_prompts; }
    SendButton sendButton() const;
    QString sendButtonLabel() const;
    // The confirmation dialog's title: the card's title in the language in effect.
    QString confirmTitle() const;
    // The composer's button: stops the reply, or sends the input.
    Q_INVOKABLE void sendOrStop();
    // The settings sheet stored `settings`: the chat takes them, closes the sheet and says so.
    void acceptSavedSettings(const CompanionSettings &settings);
    Q_INVOKABLE void applySavedSettings(const QVariantMap &settings);
    QVariantMap settingsMap() const;
    QString speakingId() const;
    // A new entry brings the list back to its end and keeps it there; the learner scrolling away lets it
    // go until they scroll back to the end.
    bool followsLatest() const { return m_followsLatest; }
    // The learner moved the list (`moving`), or it came to rest, at its end or not.
    Q_INVOKABLE void listMoved(bool moving, bool atEnd);

    // Starts a turn: the trimmed text as the learner's entry and `question` (else that text) to the server,
    // at `hintLevel`. Ignored for a blank text and while a reply streams.
    void send(const QString &text, int hintLevel = 1, std::optional<QString> question = std::nullopt);
    // The composer's send button: the input, at level 1.
    Q_INVOKABLE void sendInput();
    // A suggested question, at level 1.
    Q_INVOKABLE void sendPrompt(const QString &text);
    // The learner's stop: the reply so far stays, and a new send is accepted at once.
    Q_INVOKABLE void stop();
    // Asks the reply's question again one level deeper.
    Q_INVOKABLE void unlockHint(const QString &messageId);
    // Whether the reply offers a deeper hint: a graded reply at level 1 or 2 with text, while no reply
    // streams, unless the same question was already answered deeper.
    Q_INVOKABLE bool hintUnlockOffered(const QString &messageId) const;
    Q_INVOKABLE void clear();
    // The speak button of a bubble: reads `text` (the entry as shown) in `scene`, or stops it when
    // `messageId` is the entry being read.
    Q_INVOKABLE void toggleSpeech(const QString &text, const QString &messageId, const QString &scene);
    Q_INVOKABLE void askConfirm(const QString &messageId);
    Q_INVOKABLE void cancelConfirm();
    // Closes the dialog at once and runs the card's action; its outcome arrives as the toast.
    Q_INVOKABLE void performConfirm();
    Q_INVOKABLE void dismissToast();
    Q_INVOKABLE void clearLanguageNotice();
    // Each time the screen shows: loads the robot catalog and the persona settings, then sends the initial
    // message once.
    Q_INVOKABLE void appear();
    // The screen went away: no reply or preview goes on speaking.
    Q_INVOKABLE void disappear();

    // The history a turn sends: the text entries after the greeting's place, empty ones left out.
    QList<ChatHistoryEntry> history() const;
    // One event of the reply of turn `turnId`, asked as `question`: text, hint and references go to the
    // reply's entry (nothing once it is gone), cards and errors become entries of their own at the end.
    void apply(const CompanionEvent &event, const QUuid &turnId, const QString &question);
    // How the chat screen shows `message` at `row` now.
    ChatMessagePresentation presentation(const ChatMessage &message, qsizetype row) const;

Q_SIGNALS:
    void sceneChanged();
    void initialMessageChanged();
    void subjectChanged();
    void inputChanged();
    void streamingChanged();
    void pendingConfirmChanged();
    void toastChanged();
    void languageNoticeChanged();
    void showSettingsChanged();
    void showRobotSettingsChanged();
    void settingsChanged();
    void stringsChanged();
    void robotMoodChanged();
    void headerChanged();
    void countChanged();
    void sendButtonChanged();
    void speakingIdChanged();
    void followsLatestChanged();

private:
    static QCoro::Task<void> runTurn(QPointer<CompanionChatViewModel> self,
                                     std::shared_ptr<CompanionChatStream> stream, QUuid turnId,
                                     QString question);
    static QCoro::Task<void> finishTurn(QPointer<CompanionChatViewModel> self, QUuid turnId,
                                        std::optional<QString> doneLanguage);
    static QCoro::Task<void> runAppearance(QPointer<CompanionChatViewModel> self);
    static QCoro::Task<void> runConfirm(QPointer<CompanionChatViewModel> self, ConfirmCard card);

    void appendMessage(ChatMessage message);
    bool unlockOffered(const ChatMessage &reply) const;
    // Works the presentation of every row out again (texts, greeting, unlock offers); signals changed rows.
    void refreshRows();
    void refreshPrompts();
    void editMessage(const QUuid &id, const std::function<void(ChatMessage &)> &edit);
    void failTurn(const QUuid &turnId, std::exception_ptr failure);
    void speakReply(const QUuid &turnId);
    void dropEmptyReply(const QUuid &turnId);
    void endTurn(const QUuid &turnId);
    void showLanguageNotice();
    void sendInitialMessage();
    void setToast(std::optional<QString> toast);
    void setLanguageNotice(std::optional<QString> notice);
    void setPendingConfirm(std::optional<ConfirmCard> card);
    void refreshMood();
    void setFollowsLatest(bool follows);

    RobotStore *m_store;
    SpeechPlayer *m_speech;
    int m_languageNoticeMs;

    QString m_scene = QStringLiteral("companion");
    std::optional<QString> m_initialMessage;
    std::optional<QString> m_subject;
    bool m_initialSent = false;
    ListModel<ChatMessage> *m_messages;
    ListModel<PromptChip> *m_prompts;
    QString m_input;
    // The turn that streams: its stream and its reply's id.
    std::shared_ptr<CompanionChatStream> m_stream;
    QUuid m_turnId;
    std::optional<ConfirmCard> m_pendingConfirm;
    std::optional<QString> m_toast;
    CompanionSettings m_settings;
    bool m_showSettings = false;
    bool m_showRobotSettings = false;
    CompanionChatClient m_client;
    std::optional<QString> m_languageNotice;
    RobotMood m_mood = RobotMood::Waving;
    bool m_moodHeld = false;
    bool m_followsLatest = true;
};
