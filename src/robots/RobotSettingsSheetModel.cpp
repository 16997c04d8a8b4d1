#include "RobotSettingsSheetModel.h"

#include "AppSession.h"
#include "ChatStrings.h"
#include "RobotStore.h"
#include "SpeechPlayer.h"

namespace {

const QStringList kModelTags{QStringLiteral("auto"), QStringLiteral("local"), QStringLiteral("cloud")};

} // namespace

RobotSettingsSheetModel::RobotSettingsSheetModel(QObject *parent)
    : RobotSettingsSheetModel(RobotStore::shared(), SpeechPlayer::shared(), parent) {}

RobotSettingsSheetModel::RobotSettingsSheetModel(RobotStore &store, SpeechPlayer &player, QObject *parent)
    : ScreenViewModel(parent), m_store(store), m_player(player) {
    // Every shown value derives from the store; any of its changes may change them.
    for (const auto signal :
         {&RobotStore::languageChanged, &RobotStore::activeLanguageChanged, &RobotStore::catalogChanged,
          &RobotStore::voiceChanged, &RobotStore::modelPrefChanged, &RobotStore::autoSpeakChanged,
          &RobotStore::languageLabelChanged})
        connect(&m_store, signal, this, &RobotSettingsSheetModel::contentChanged);
    connect(&m_store, &RobotStore::languageChanged, this, &RobotSettingsSheetModel::onLanguageChanged);
    connect(&m_player, &SpeechPlayer::speakingIdChanged, this, &RobotSettingsSheetModel::onSpeakingIdChanged);
}

RobotSettingsSheetModel::~RobotSettingsSheetModel() {
    disappear();
}

void RobotSettingsSheetModel::setScene(const QString &scene) {
    if (scene == m_scene)
        return;
    m_scene = scene;
    Q_EMIT sceneChanged();
    Q_EMIT contentChanged();
}

namespace {
const ChatStrings &textsOf(const RobotStore &store) {
    return ChatStrings::forLanguage(store.languageInEffect());
}
} // namespace

QString RobotSettingsSheetModel::title() const {
    return textsOf(m_store).robotSettingsTitle;
}

QString RobotSettingsSheetModel::previewText() const {
    return textsOf(m_store).preview;
}

QString RobotSettingsSheetModel::robotFooter() const {
    return textsOf(m_store).robotFooter;
}

QString RobotSettingsSheetModel::languageSection() const {
    return textsOf(m_store).languageSection;
}

QString RobotSettingsSheetModel::languagePicker() const {
    return textsOf(m_store).languagePicker;
}

QString RobotSettingsSheetModel::languageFooter() const {
    return ChatStrings::format(textsOf(m_store).languageFooterFormat, {m_store.languageLabel()});
}

QString RobotSettingsSheetModel::voiceSection() const {
    return textsOf(m_store).voiceSection;
}

QString RobotSettingsSheetModel::voicePicker() const {
    return textsOf(m_store).voicePicker;
}

QString RobotSettingsSheetModel::autoSpeakText() const {
    return textsOf(m_store).autoSpeak;
}

QString RobotSettingsSheetModel::modelSection() const {
    return textsOf(m_store).modelSection;
}

QString RobotSettingsSheetModel::modelNote() const {
    const ChatStrings &texts = textsOf(m_store);
    const std::optional<RobotCatalog::Models> models = m_store.catalog().models;
    if (!models)
        return texts.modelFooter;
    return ChatStrings::format(texts.modelFooterFormat,
                               {models->local ? texts.available : texts.notConfigured,
                                models->cloud ? texts.available : texts.notConfigured});
}

QString RobotSettingsSheetModel::doneText() const {
    return textsOf(m_store).done;
}

RobotCharacter RobotSettingsSheetModel::robot() const {
    return m_store.robotFor(m_scene);
}

QString RobotSettingsSheetModel::titleLine() const {
    return robot().name + QStringLiteral(" · ") + m_store.sceneFor(m_scene).label;
}

bool RobotSettingsSheetModel::previewing() const {
    return m_player.speakingId() == m_previewId;
}

QStringList RobotSettingsSheetModel::languageOptions() const {
    QStringList labels;
    for (const RobotCatalog::Language &language : m_store.catalog().languages)
        labels << language.label;
    return labels;
}

int RobotSettingsSheetModel::languageIndex() const {
    // The picker shows the learner's own choice, also while the chat has switched to another language.
    const QList<RobotCatalog::Language> languages = m_store.catalog().languages;
    for (qsizetype i = 0; i < languages.size(); ++i) {
        if (languages[i].code == m_store.language())
            return int(i);
    }
    return -1;
}

QStringList RobotSettingsSheetModel::voiceOptions() const {
    QStringList labels{textsOf(m_store).followDefault};
    for (const RobotCatalog::Voice &voice : m_store.catalog().voices)
        labels << voice.label;
    return labels;
}

int RobotSettingsSheetModel::voiceIndex() const {
    const std::optional<QString> chosen = m_store.voice();
    if (!chosen)
        return 0;
    const QList<RobotCatalog::Voice> voices = m_store.catalog().voices;
    for (qsizetype i = 0; i < voices.size(); ++i) {
        if (voices[i].id == *chosen)
            return int(i) + 1;
    }
    return -1; // a stored voice this catalog does not list: no row, and the choice stays
}

bool RobotSettingsSheetModel::autoSpeak() const {
    return m_store.autoSpeak();
}

void RobotSettingsSheetModel::setAutoSpeak(bool on) {
    m_store.setAutoSpeak(on);
}

QStringList RobotSettingsSheetModel::modelOptions() const {
    const ChatStrings &texts = textsOf(m_store);
    return {texts.modelAuto, texts.modelLocal, texts.modelCloud};
}

int RobotSettingsSheetModel::modelIndex() const {
    return int(kModelTags.indexOf(m_store.modelPref()));
}

void RobotSettingsSheetModel::chooseLanguage(int index) {
    const QList<RobotCatalog::Language> languages = m_store.catalog().languages;
    if (index < 0 || index >= languages.size())
        return;
    m_store.setLanguage(languages[index].code);
}

void RobotSettingsSheetModel::chooseVoice(int index) {
    if (index == 0) {
        m_store.setVoice(std::nullopt);
        return;
    }
    const QList<RobotCatalog::Voice> voices = m_store.catalog().voices;
    if (index < 1 || index > voices.size())
        return;
    m_store.setVoice(voices[index - 1].id);
}

void RobotSettingsSheetModel::chooseModel(int index) {
    if (index < 0 || index >= kModelTags.size())
        return;
    m_store.setModelPref(kModelTags[index]);
}

void RobotSettingsSheetModel::preview() {
    m_player.toggleSpeech(m_store.sceneFor(m_scene).greeting, m_previewId, session(), m_scene);
}

void RobotSettingsSheetModel::appear() {
    m_shown = true;
}

void RobotSettingsSheetModel::disappear() {
    if (!m_shown)
        return;
    m_shown = false;
    if (previewing())
        m_player.stop();
}

void RobotSettingsSheetModel::onLanguageChanged() {
    if (!m_shown)
        return;
    // A new language ends any speech, a chat reply included, and fetches that language's catalog even when
    // one is kept: the reload is not tied to the sheet and lands in the store after it has closed.
    m_player.stop();
    m_store.loadCatalog(session(), true);
}

void RobotSettingsSheetModel::onSpeakingIdChanged() {
    const bool now = previewing();
    if (now == m_previewing)
        return;
    m_previewing = now;
    Q_EMIT previewingChanged();
}
