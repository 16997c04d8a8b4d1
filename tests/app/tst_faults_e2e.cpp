// Every screen against a local service that fails and slows down on command: a failed load shows the
// screen's failure (an alert, an inline text, a fallback page, or the silent default where the screen is
// decoration), a retry brings the loaded state, a slow answer shows the loading state first. Then the
// learner's writes: a write that fails keeps what the learner entered, and sending it again saves it once.
#include "AccountAPIClient.h"
#include "CompanionChatViewModel.h"
#include "FakeSpeech.h"
#include "HomeInboxViewModel.h"
#include "HomeLayoutStore.h"
#include "InboxAPIClient.h"
#include "LearningContent.h"
#include "LearningHomeViewModel.h"
#include "LearningItemDetailViewModel.h"
#include "LearningProfileSheetViewModel.h"
#include "LearningStore.h"
#include "LocalService.h"
#include "MembershipViewModel.h"
#include "OnboardingAPIClient.h"
#include "PhotoMatchViewModel.h"
#include "PracticeViewModel.h"
#include "ProfileBirthViewModel.h"
#include "ProfileHeaderCardViewModel.h"
#include "QuestionBankViewModel.h"
#include "RobotStore.h"
#include "SettingsAPIClient.h"
#include "SettingsHostViewModel.h"
#include "SettingsStore.h"
#include "SpeechPlayer.h"
#include "StudyLimitsViewModel.h"
#include "StudyReportClient.h"
#include "StudyReportViewModel.h"
#include "WrongBookAPIClient.h"
#include "WrongBookViewModel.h"
#include "YouthModeGuard.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int answerTimeout = 30000;
const QString phone = QStringLiteral("13800138077");

// Coroutine entry points a screen has no property to watch for: counts the ones under way.
struct Running {
    int count = 0;
};

QCoro::Task<> track(std::shared_ptr<Running> running, QCoro::Task<> task) {
    ++running->count;
    co_await task;
    --running->count;
}

// What a row keeps alive, let go newest first: a view-model goes before the stores it was given.
struct Kept {
    std::vector<std::shared_ptr<void>> objects;
    Kept() = default;
    Kept(Kept &&) = default;
    Kept &operator=(Kept &&) = default;
    ~Kept() {
        while (!objects.empty())
            objects.pop_back();
    }
};

// One screen as the table drives it: its view-model (with whatever it needs kept alive beside it), the
// request path its load goes to, how it is started and retried, and its three faces.
struct Screen {
    Kept keep;
    std::shared_ptr<Running> running = std::make_shared<Running>();
    QString path;
    std::function<void()> start;
    std::function<void()> retry; // `start` when empty
    std::function<bool()> isLoading;
    std::function<bool()> isFailed;
    std::function<bool()> isLoaded;
};

// Hands `object` to the row (a Screen or a Form) to keep alive.
template <typename Row, typename T>
T *kept(Row &row, std::shared_ptr<T> object) {
    row.keep.objects.push_back(object);
    return object.get();
}

// A learning path built from the first chapter; the session remembers it as the last one.
LearningPathView makePath(LocalService &service) {
    LearningStore store;
    store.setSession(service.session.get());
    Await::result(store.createFromChapter(devserver::learning::chapters().at(0).code));
    if (!store.path())
        qFatal("no learning path: %s", qPrintable(store.errorMessageText()));
    return *store.path();
}

const devserver::learning::SampleQuestion &firstQuestion() {
    return devserver::learning::chapters().at(0).points.at(0).questions.at(0);
}

// The learner answers the first sample question wrong: one entry in the wrong book.
void answerWrong(LocalService &service) {
    Await::result(WrongBookAPIClient().submitAnswer(qint64(firstQuestion().id), QStringLiteral("不会"),
                                                    QStringLiteral("practice"), *service.session));
}

QJsonObject profileBody(const QString &nickname) {
    LearningProfileAnswers answers;
    answers.setNickname(nickname);
    return answers.requestBody();
}

using Factory = std::function<Screen(LocalService &)>;

const std::vector<std::pair<const char *, Factory>> &screens() {
    static const std::vector<std::pair<const char *, Factory>> table{
        {"home layout",
         [](LocalService &service) {
             Screen s;
             auto *store = kept(s, std::make_shared<HomeLayoutStore>());
             store->setSession(service.session.get());
             s.path = HomeLayoutAPIClient::layoutPath;
             s.start = [store] { store->requestLoad(); };
             s.isLoading = [store] { return store->loading(); };
             s.isFailed = [store] {
                 return !store->loading() && store->usedFallback() &&
                        store->errorMessageText() == HomeLayoutStore::fallbackMessage;
             };
             s.isLoaded = [store] {
                 return !store->loading() && store->hasLayout() && !store->usedFallback();
             };
             return s;
         }},
        {"inbox",
         [](LocalService &service) {
             Screen s;
             auto *inbox = kept(s, std::make_shared<HomeInboxViewModel>());
             inbox->setSession(service.session.get());
             s.path = InboxAPIClient::listPath;
             s.start = [inbox] { inbox->load(); };
             s.isLoading = [inbox] { return inbox->showsLoading(); };
             s.isFailed = [inbox] {
                 return !inbox->loading() && inbox->alertVisible() && inbox->total() == 0;
             };
             s.isLoaded = [inbox] {
                 return !inbox->loading() && !inbox->alertVisible() && inbox->total() > 0;
             };
             return s;
         }},
        {"study report",
         [](LocalService &service) {
             Screen s;
             auto *report = kept(s, std::make_shared<StudyReportViewModel>());
             report->setSession(service.session.get());
             s.path = StudyReportClient::path;
             s.start = [report] { report->load(); };
             s.isLoading = [report] { return report->state() == StudyReportViewModel::Loading; };
             s.isFailed = [report] {
                 return report->state() == StudyReportViewModel::Failed && !report->errorText().isEmpty();
             };
             s.isLoaded = [report] { return report->state() == StudyReportViewModel::Shown; };
             return s;
         }},
        // The tab loads the remembered path each time it comes on screen; a failure leaves the chapter
        // picker, from which the learner carries on (and the next appearance tries the path again).
        {"learning tab",
         [](LocalService &service) {
             Screen s;
             const LearningPathView path = makePath(service);
             auto *tab = kept(s, std::make_shared<LearningHomeViewModel>());
             tab->setSession(service.session.get());
             s.path = LearningAPIClient::learningPathsPath + u'/' + QString::number(path.pathId);
             s.start = [tab] { tab->appear(); };
             s.isLoading = [tab] { return tab->face() == LearningHomeViewModel::Loading; };
             s.isFailed = [tab] {
                 return tab->face() == LearningHomeViewModel::Picker && !tab->store()->hasPath();
             };
             s.isLoaded = [tab] { return tab->face() == LearningHomeViewModel::PathList; };
             return s;
         }},
        // Fetching the path on show again: a failure is the tab's alert, the path stays; the learner closes
        // the alert and pulls again.
        {"learning path refresh",
         [](LocalService &service) {
             Screen s;
             makePath(service);
             auto *tab = kept(s, std::make_shared<LearningHomeViewModel>());
             tab->setSession(service.session.get());
             Await::result(tab->runAppear());
             const qint64 pathId = tab->store()->path()->pathId;
             s.path = LearningAPIClient::learningPathsPath + u'/' + QString::number(pathId);
             s.start = [tab, running = s.running] { track(running, tab->runRefresh()); };
             s.retry = [tab, start = s.start] {
                 tab->dismissAlert();
                 start();
             };
             s.isLoading = [running = s.running] { return running->count > 0; };
             s.isFailed = [tab, running = s.running] {
                 return running->count == 0 && tab->alertVisible() &&
                        tab->face() == LearningHomeViewModel::PathList;
             };
             s.isLoaded = [tab, running = s.running] {
                 return running->count == 0 && !tab->alertVisible() &&
                        tab->face() == LearningHomeViewModel::PathList;
             };
             return s;
         }},
        {"lesson",
         [](LocalService &service) {
             Screen s;
             const LearningPathView path = makePath(service);
             auto *store = kept(s, std::make_shared<LearningStore>());
             store->setSession(service.session.get());
             auto *lesson = kept(s, std::make_shared<LearningItemDetailViewModel>());
             lesson->setSession(service.session.get());
             lesson->setStore(store);
             lesson->setPathId(path.pathId);
             lesson->setItemId(path.items.at(0).itemId);
             s.path = LearningAPIClient::learningPathsPath + u'/' + QString::number(path.pathId) +
                      QStringLiteral("/items/") + QString::number(path.items.at(0).itemId);
             s.start = [lesson] { lesson->reload(); };
             s.isLoading = [lesson] {
                 return lesson->loading() && lesson->face() == LearningItemDetailViewModel::LoadingFace;
             };
             s.isFailed = [lesson] {
                 return !lesson->loading() && lesson->face() == LearningItemDetailViewModel::NotReadyFace &&
                        !lesson->errorTextValue().isEmpty();
             };
             s.isLoaded = [lesson] {
                 return !lesson->loading() && lesson->face() == LearningItemDetailViewModel::ContentFace;
             };
             return s;
         }},
        // The batch of questions for a knowledge point (the chapter list itself loads silently).
        {"question bank",
         [](LocalService &service) {
             Screen s;
             auto *bank = kept(s, std::make_shared<QuestionBankViewModel>());
             bank->setSession(service.session.get());
             const auto &point = devserver::learning::chapters().at(0).points.at(0);
             KnowledgePointItem item;
             item.code = point.code;
             item.name = point.name;
             bank->setPoint(item);
             s.path = LearningAPIClient::practiceQuestionsPath;
             s.start = [bank] { bank->pick(); };
             s.isLoading = [bank] { return bank->loading(); };
             s.isFailed = [bank] { return !bank->loading() && bank->hasError() && !bank->showsQuestions(); };
             s.isLoaded = [bank] {
                 return !bank->loading() && !bank->hasError() && bank->showsQuestions() &&
                        !bank->questions().isEmpty();
             };
             return s;
         }},
        // A failure is an alert; the learner closes it and pulls again.
        {"wrong book",
         [](LocalService &service) {
             Screen s;
             answerWrong(service);
             auto *book = kept(s, std::make_shared<WrongBookViewModel>());
             book->setSession(service.session.get());
             s.path = WrongBookAPIClient::wrongBookPath;
             s.start = [book] { book->refresh(); };
             s.retry = [book] {
                 book->dismissMessage();
                 book->refresh();
             };
             s.isLoading = [book] { return book->showsSpinner(); };
             s.isFailed = [book] { return !book->loading() && !book->message().isEmpty(); };
             s.isLoaded = [book] {
                 return !book->loading() && book->message().isEmpty() && book->items().count() == 1;
             };
             return s;
         }},
        {"photo match",
         [](LocalService &service) {
             Screen s;
             auto *photo = kept(s, std::make_shared<PhotoMatchViewModel>(
                                       &PhotoMatchViewModel::matchOnServer,
                                       [](QImage) -> QCoro::Task<QString> { co_return QString(); }));
             photo->setSession(service.session.get());
             photo->setStem(firstQuestion().stem);
             s.path = QStringLiteral("/api/v1/practice/questions/match");
             s.start = [photo] { photo->match(); };
             s.retry = [photo] {
                 photo->dismissMessage();
                 photo->match();
             };
             s.isLoading = [photo] { return photo->matching(); };
             s.isFailed = [photo] {
                 return !photo->matching() && !photo->message().isEmpty() && !photo->hasResult();
             };
             s.isLoaded = [photo] { return !photo->matching() && photo->hasResult() && photo->found(); };
             return s;
         }},
        {"membership",
         [](LocalService &service) {
             Screen s;
             auto *page = kept(s, std::make_shared<MembershipViewModel>());
             page->setSession(service.session.get());
             s.path = MembershipAPIClient::entitlementsPath;
             s.start = [page] { page->appear(); };
             s.retry = [page] {
                 page->dismissMessage();
                 page->load();
             };
             s.isLoading = [page] { return page->loading(); };
             s.isFailed = [page] { return !page->loading() && page->alertVisible() && !page->hasStatus(); };
             s.isLoaded = [page] { return !page->loading() && !page->alertVisible() && page->hasStatus(); };
             return s;
         }},
        {"settings",
         [](LocalService &service) {
             Screen s;
             auto *host = kept(s, std::make_shared<SettingsHostViewModel>());
             host->setPageId(SettingsStore::rootPageId);
             host->setSession(service.session.get());
             s.path = SettingsAPIClient::pagePathPrefix + SettingsStore::rootPageId;
             s.start = [host] { host->appear(); };
             s.isLoading = [host] { return host->content() == SettingsHostViewModel::Loading; };
             s.isFailed = [host] {
                 return host->store() && !host->store()->loading() && host->store()->usedFallback() &&
                        host->store()->hasErrorMessage();
             };
             s.isLoaded = [host] {
                 return host->content() == SettingsHostViewModel::Page && !host->store()->loading() &&
                        !host->store()->usedFallback();
             };
             return s;
         }},
        // The robots stay the built-in ones when the catalog cannot be had (silently: background work).
        {"robots",
         [](LocalService &service) {
             Screen s;
             auto *robots = kept(s, std::make_shared<RobotStore>());
             robots->setLanguage(QStringLiteral("zh-CN"));
             AppSession *session = service.session.get();
             s.path = QStringLiteral("/v1/robots");
             s.start = [robots, session, running = s.running] {
                 track(running, robots->loadCatalog(session, true));
             };
             s.isLoading = [running = s.running] { return running->count > 0; };
             s.isFailed = [robots, running = s.running] {
                 return running->count == 0 && robots->catalogs().isEmpty();
             };
             s.isLoaded = [robots, running = s.running] {
                 return running->count == 0 && robots->catalogs().contains(QStringLiteral("zh-CN"));
             };
             return s;
         }},
        // The profile card greets the learner generically when the profile cannot be had (decoration).
        {"profile card",
         [](LocalService &service) {
             Screen s;
             Await::result(OnboardingAPIClient().sendLearningProfile(
                 "PUT", profileBody(QStringLiteral("小岚")), *service.session));
             auto *card = kept(s, std::make_shared<ProfileHeaderCardViewModel>());
             card->setSession(service.session.get());
             s.path = OnboardingAPIClient::learningProfilePath;
             s.start = [card, running = s.running] { track(running, card->runLoad()); };
             s.isLoading = [running = s.running] { return running->count > 0; };
             s.isFailed = [card, running = s.running] { return running->count == 0 && !card->hasProfile(); };
             s.isLoaded = [card, running = s.running] {
                 return running->count == 0 && card->displayName() == QStringLiteral("小岚");
             };
             return s;
         }},
        {"study limits",
         [](LocalService &service) {
             Screen s;
             auto *limits = kept(s, std::make_shared<StudyLimitsViewModel>());
             limits->setSession(service.session.get());
             s.path = AccountAPIClient::limitsPath;
             s.start = [limits] { limits->load(); };
             s.retry = [limits] {
                 limits->dismissMessage();
                 limits->load();
             };
             s.isLoading = [limits] { return !limits->loaded() && !limits->alertVisible(); };
             s.isFailed = [limits] { return !limits->loaded() && limits->alertVisible(); };
             s.isLoaded = [limits] { return limits->loaded() && !limits->alertVisible(); };
             return s;
         }},
        // The usage guard keeps what the server last said when a query fails (silently), and takes the rest
        // period the server now calls for at the next query.
        {"youth usage",
         [](LocalService &service) {
             Screen s;
             auto *guard = kept(s, std::make_shared<YouthModeGuard>());
             guard->setInterval(std::chrono::hours(1));
             guard->start(service.session.get());
             Await::result(guard->refresh());
             if (!guard->hasSnapshot())
                 qFatal("no usage state");
             DevServer::UsageOverride rest;
             rest.enforced = true;
             rest.blockedNow = true;
             service.server.forceUsage(phone.toStdString(), rest);
             s.path = OnboardingAPIClient::usagePath;
             s.start = [guard, running = s.running] { track(running, guard->refresh()); };
             s.isLoading = [running = s.running] { return running->count > 0; };
             s.isFailed = [guard, running = s.running] {
                 return running->count == 0 && guard->hasSnapshot() && !guard->overlayShown();
             };
             s.isLoaded = [guard, running = s.running] {
                 return running->count == 0 && guard->overlayShown();
             };
             return s;
         }},
        // A reply that fails is an error entry in the conversation; the learner asks again.
        {"chat send",
         [](LocalService &service) {
             Screen s;
             auto *robots = kept(s, std::make_shared<RobotStore>());
             robots->setLanguage(QStringLiteral("zh-CN"));
             robots->setAutoSpeak(false);
             SpeechPlayer::Dependencies speech;
             speech.store = robots;
             speech.synthesizer = std::make_shared<FakeSpeechSynthesizer>();
             speech.makeAudioPlayer = [] { return std::shared_ptr<AudioPlayer>(); };
             speech.track = [](const QString &, const QHash<QString, QString> &) {};
             auto *player = kept(s, std::make_shared<SpeechPlayer>(std::move(speech)));
             auto *chat = kept(s, std::make_shared<CompanionChatViewModel>(
                                      CompanionChatViewModel::Dependencies{robots, player, 300}));
             chat->setSession(service.session.get());
             s.path = QStringLiteral("/v1/companion/chat:stream");
             s.start = [chat] { chat->send(QStringLiteral("一元一次方程怎么解？")); };
             const auto lastReply = [chat]() -> const ChatMessage * {
                 const auto &rows = chat->messages().rows();
                 return rows.isEmpty() || rows.last().role() != ChatMessage::Role::Assistant ? nullptr
                                                                                             : &rows.last();
             };
             s.isLoading = [chat] { return chat->isStreaming(); };
             // The learner's question stays above the failed reply.
             s.isFailed = [chat, lastReply] {
                 const auto &rows = chat->messages().rows();
                 return !chat->isStreaming() && lastReply() &&
                        lastReply()->kind() == ChatMessage::Kind::Error && rows.size() >= 2 &&
                        rows.at(rows.size() - 2).role() == ChatMessage::Role::User &&
                        rows.at(rows.size() - 2).text() == QStringLiteral("一元一次方程怎么解？");
             };
             s.isLoaded = [chat, lastReply] {
                 return !chat->isStreaming() && lastReply() &&
                        lastReply()->kind() == ChatMessage::Kind::Text && !lastReply()->text().isEmpty();
             };
             return s;
         }},
    };
    return table;
}

// The first sample question of a kind ("fill_blank", "single_choice", ...).
const devserver::learning::SampleQuestion &sampleOf(const QString &qtype) {
    for (const auto &chapter : devserver::learning::chapters())
        for (const auto &point : chapter.points)
            for (const auto &question : point.questions)
                if (question.qtype == qtype)
                    return question;
    qFatal("no sample question of type %s", qPrintable(qtype));
}

VariantQuestion variantOf(const devserver::learning::SampleQuestion &sample) {
    VariantQuestion question;
    question.questionId = sample.id;
    question.qtype = sample.qtype;
    question.stem = QuestionSnapshot::Stem{sample.stem};
    if (!sample.options.isEmpty()) {
        QList<QuestionSnapshot::Option> options;
        for (const auto &[label, text] : sample.options)
            options.append({label, text});
        question.options = options;
    }
    return question;
}

// The row of the first message the inbox lists as unread.
int firstUnreadRow(const HomeInboxViewModel &inbox) {
    for (int row = 0; row < inbox.rows().count(); ++row)
        if (!inbox.rows().at(row).read)
            return row;
    return -1;
}

// A form as the write table drives it: the request path of its save, an edit that returns what the learner
// entered, the save, whether the failure is on show, what the form holds now, closing the alert, and what
// the service stores (read back by a new screen).
struct Form {
    Kept keep;
    QString path;
    std::function<QVariant()> edit;
    std::function<QCoro::Task<>()> save;
    std::function<bool()> showsFailure;
    std::function<QVariant()> current;
    std::function<void()> dismiss;
    std::function<QVariant()> stored;
};

// The birth month that makes the learner a minor, so that study limits apply.
void giveBirthMonth(LocalService &service) {
    ProfileBirthViewModel birth;
    birth.setSession(service.session.get());
    birth.setYear(birth.nowYear() - 12);
    birth.setMonth(1);
    Await::result(birth.submit());
    if (birth.alertVisible())
        qFatal("birth month not given: %s", qPrintable(birth.message()));
}

using FormFactory = std::function<Form(LocalService &)>;

const std::vector<std::pair<const char *, FormFactory>> &forms() {
    static const std::vector<std::pair<const char *, FormFactory>> table{
        // The editor stays open with the arranged cards after a failed save.
        {"home layout",
         [](LocalService &service) {
             Form f;
             giveBirthMonth(service);
             auto *store = kept(f, std::make_shared<HomeLayoutStore>());
             store->setSession(service.session.get());
             Await::result(store->load());
             const auto arrangement = [](const HomeLayoutStore &layout) {
                 QStringList cards;
                 for (const HomeGridCard &card : layout.draftVisible())
                     cards.append(card.id + u':' + card.size);
                 return QVariant(cards);
             };
             f.path = HomeLayoutAPIClient::overridesPath;
             f.edit = [store, arrangement] {
                 store->beginEditing();
                 store->toggleSize(store->draftVisible().first().id);
                 store->moveCards({0}, int(store->draftVisible().size()));
                 return arrangement(*store);
             };
             f.save = [store] { return store->save(); };
             f.showsFailure = [store] { return store->hasErrorMessage() && store->editing(); };
             f.current = [store, arrangement] { return arrangement(*store); };
             f.dismiss = [store] { store->clearErrorMessage(); };
             f.stored = [&service, arrangement] {
                 HomeLayoutStore fresh;
                 fresh.setSession(service.session.get());
                 Await::result(fresh.load());
                 fresh.beginEditing();
                 return arrangement(fresh);
             };
             return f;
         }},
        {"learning profile",
         [](LocalService &service) {
             Form f;
             giveBirthMonth(service);
             auto *sheet = kept(f, std::make_shared<LearningProfileSheetViewModel>());
             sheet->setSession(service.session.get());
             f.path = OnboardingAPIClient::learningProfilePath;
             f.edit = [sheet] {
                 sheet->answers()->setNickname(QStringLiteral("小帆"));
                 sheet->answers()->setDailyMinutes(45);
                 return QVariant(QStringLiteral("小帆 45"));
             };
             f.save = [sheet] { return sheet->runSave(); };
             f.showsFailure = [sheet] { return sheet->alertVisible() && !sheet->busy(); };
             f.current = [sheet] {
                 return QVariant(sheet->answers()->nickname() + u' ' +
                                 QString::number(sheet->answers()->dailyMinutes()));
             };
             f.dismiss = [sheet] { sheet->dismissMessage(); };
             f.stored = [&service] {
                 const LearningProfile saved = Await::result(
                     OnboardingAPIClient().sendLearningProfile("GET", std::nullopt, *service.session));
                 return QVariant(saved.nickname.value_or(QString()) + u' ' +
                                 QString::number(saved.dailyMinutes.value_or(0)));
             };
             return f;
         }},
        // Asked once of a new account: the picked month stays, and the account moves on when it is stored.
        {"birth month",
         [](LocalService &service) {
             Form f;
             auto *birth = kept(f, std::make_shared<ProfileBirthViewModel>());
             birth->setSession(service.session.get());
             AppSession *session = service.session.get();
             f.path = QStringLiteral("/api/v1/me/profile");
             f.edit = [birth] {
                 birth->setYear(birth->nowYear() - 13);
                 birth->setMonth(2);
                 return QVariant(birth->birthYearMonth());
             };
             f.save = [birth] { return birth->submit(); };
             f.showsFailure = [birth, session] {
                 return birth->alertVisible() && session->statusText() == QStringLiteral("PendingProfile");
             };
             f.current = [birth] { return QVariant(birth->birthYearMonth()); };
             f.dismiss = [birth] { birth->dismissMessage(); };
             f.stored = [session] {
                 const MeResponse me = Await::result(ApiClient(*session).send<MeResponse>(
                     ApiClient(*session).request("GET", QStringLiteral("/api/v1/me"))));
                 return QVariant(session->statusText() == QStringLiteral("Active")
                                     ? me.birthYearMonth.value_or(QString())
                                     : QString());
             };
             return f;
         }},
        {"study limits",
         [](LocalService &service) {
             Form f;
             giveBirthMonth(service);
             auto *limits = kept(f, std::make_shared<StudyLimitsViewModel>());
             limits->setSession(service.session.get());
             Await::result(limits->runLoad());
             f.path = AccountAPIClient::limitsPath;
             f.edit = [limits] {
                 limits->increment();
                 return QVariant(limits->minutes());
             };
             f.save = [limits] { return limits->runSave(); };
             f.showsFailure = [limits] {
                 return limits->alertVisible() && limits->message() != StudyLimitsViewModel::savedText;
             };
             f.current = [limits] { return QVariant(limits->minutes()); };
             f.dismiss = [limits] { limits->dismissMessage(); };
             f.stored = [&service] {
                 StudyLimitsViewModel reopened;
                 reopened.setSession(service.session.get());
                 Await::result(reopened.runLoad());
                 return QVariant(reopened.minutes());
             };
             return f;
         }},
    };
    return table;
}

} // namespace

class TestFaultsE2E : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void failedLoadShowsFailureAndRetryRecovers_data() {
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("status");
        for (int i = 0; i < int(screens().size()); ++i)
            for (const int status : {500, 503})
                QTest::addRow("%s %d", screens().at(i).first, status) << i << status;
    }

    void failedLoadShowsFailureAndRetryRecovers() {
        QFETCH(int, screen);
        QFETCH(int, status);
        LocalService service(phone);
        Screen s = screens().at(screen).second(service);
        const std::string path = s.path.toStdString();
        const int before = service.server.requestCount(path);

        service.server.failNext(path, status);
        s.start();
        QTRY_VERIFY_WITH_TIMEOUT(s.isFailed(), answerTimeout);
        QVERIFY(!s.isLoaded());
        QCOMPARE(service.server.requestCount(path), before + 1);

        (s.retry ? s.retry : s.start)();
        QTRY_VERIFY_WITH_TIMEOUT(s.isLoaded(), answerTimeout);
        QVERIFY(!s.isFailed());
        QCOMPARE(service.server.requestCount(path), before + 2);
    }

    void slowAnswerShowsLoadingFirst_data() {
        QTest::addColumn<int>("screen");
        for (int i = 0; i < int(screens().size()); ++i)
            QTest::addRow("%s", screens().at(i).first) << i;
    }

    void slowAnswerShowsLoadingFirst() {
        QFETCH(int, screen);
        LocalService service(phone);
        Screen s = screens().at(screen).second(service);

        service.server.delayNext(s.path.toStdString(), 250);
        s.start();
        QVERIFY(s.isLoading());
        QVERIFY(!s.isLoaded());
        QVERIFY(!s.isFailed());
        QTRY_VERIFY_WITH_TIMEOUT(s.isLoaded(), answerTimeout);
        QVERIFY(!s.isLoading());
    }

    // An answer the service did not take stays on the screen, can be sent again, and counts once.
    void answerKeptWhenItsPostFails_data() {
        QTest::addColumn<QString>("qtype");
        QTest::addColumn<int>("status");
        QTest::newRow("typed 500") << QStringLiteral("fill_blank") << 500;
        QTest::newRow("chosen 503") << QStringLiteral("single_choice") << 503;
    }

    void answerKeptWhenItsPostFails() {
        QFETCH(QString, qtype);
        QFETCH(int, status);
        LocalService service(phone);
        const auto &sample = sampleOf(qtype);
        PracticeViewModel practice;
        practice.setSession(service.session.get());
        practice.setQuestion(variantOf(sample), QStringLiteral("practice"));
        // A wrong answer: a typed one, or the first option that is not the key.
        QString wrong = QStringLiteral("不会");
        if (!sample.options.isEmpty()) {
            const int position =
                sample.options.at(0).first.compare(sample.answers.first(), Qt::CaseInsensitive) ? 0 : 1;
            practice.choose(position);
            wrong = sample.options.at(position).first;
        } else {
            practice.setAnswer(wrong);
        }
        QCOMPARE(practice.answer(), wrong);

        service.server.failNext(WrongBookAPIClient::answersPath.toStdString(), status);
        practice.submit();
        QTRY_VERIFY_WITH_TIMEOUT(!practice.message().isEmpty(), answerTimeout);
        QVERIFY(!practice.submitting());
        QVERIFY(!practice.graded());
        QCOMPARE(practice.answer(), wrong);
        QVERIFY(practice.canSubmit());

        practice.dismissMessage();
        practice.submit();
        QTRY_VERIFY_WITH_TIMEOUT(practice.graded(), answerTimeout);
        QVERIFY(!practice.correct());
        QVERIFY(practice.message().isEmpty());
        // Graded once: one attempt in the week, one entry in the wrong book.
        const StudyReport report = Await::result(StudyReportClient().fetch(*service.session));
        QCOMPARE(report.week.attempts, 1);
        QCOMPARE(Await::result(
                     WrongBookAPIClient().listWrongItems(QStringLiteral("active"), false, *service.session))
                     .items.size(),
                 1);
    }

    // A form whose save fails keeps what the learner entered, shows the failure, and the next save stores it.
    void formKeptWhenItsSaveFails_data() {
        QTest::addColumn<int>("form");
        for (int i = 0; i < int(forms().size()); ++i)
            QTest::addRow("%s", forms().at(i).first) << i;
    }

    void formKeptWhenItsSaveFails() {
        QFETCH(int, form);
        LocalService service(phone, "PendingProfile");
        Form f = forms().at(form).second(service);
        const QVariant entered = f.edit();

        service.server.failNext(f.path.toStdString(), 500);
        Await::result(f.save());
        QVERIFY(f.showsFailure());
        QCOMPARE(f.current(), entered);

        f.dismiss();
        Await::result(f.save());
        QVERIFY(!f.showsFailure());
        QCOMPARE(f.stored(), entered);
    }

    // A message whose read mark the service refused shows read until the next load, which shows it unread
    // again, as the service has it; opening it again marks it for good.
    void inboxReadMarkFollowsTheService() {
        LocalService service(phone);
        HomeInboxViewModel inbox;
        inbox.setSession(service.session.get());
        Await::result(inbox.runLoad());
        const int unread = service.server.inboxCounts(phone.toStdString()).unread;
        QVERIFY(unread > 1);
        QCOMPARE(inbox.unreadCount(), unread);
        const std::string readPath = InboxAPIClient::readPath.toStdString();

        service.server.failNext(readPath, 500);
        int row = firstUnreadRow(inbox);
        const qint64 id = inbox.rows().at(row).messageId;
        inbox.open(row);
        QVERIFY(inbox.rows().at(row).read);
        QTRY_COMPARE_WITH_TIMEOUT(service.server.requestCount(readPath), 1, answerTimeout);
        QCOMPARE(service.server.inboxCounts(phone.toStdString()).unread, unread);

        Await::result(inbox.runLoad());
        QCOMPARE(inbox.unreadCount(), unread);
        row = firstUnreadRow(inbox);
        QCOMPARE(inbox.rows().at(row).messageId, id);
        inbox.open(row);
        QTRY_COMPARE_WITH_TIMEOUT(service.server.inboxCounts(phone.toStdString()).unread, unread - 1,
                                  answerTimeout);
        QCOMPARE(inbox.unreadCount(), unread - 1);
    }

    // "全部已读" that the service refused leaves exactly what the service has unread, with the failure shown;
    // the learner tries again and everything is read on both sides.
    void inboxMarkAllFollowsTheService() {
        LocalService service(phone);
        HomeInboxViewModel inbox;
        inbox.setSession(service.session.get());
        Await::result(inbox.runLoad());
        QVERIFY(inbox.unreadCount() > 1);

        service.server.failNext(InboxAPIClient::readPath.toStdString(), 503);
        Await::result(inbox.runMarkAllRead());
        QVERIFY(inbox.alertVisible());
        QCOMPARE(inbox.unreadCount(), service.server.inboxCounts(phone.toStdString()).unread);
        QVERIFY(inbox.unreadCount() > 0);

        inbox.dismissMessage();
        Await::result(inbox.runMarkAllRead());
        QVERIFY(!inbox.alertVisible());
        QCOMPARE(inbox.unreadCount(), 0);
        QCOMPARE(service.server.inboxCounts(phone.toStdString()).unread, 0);
    }
};

QTEST_MAIN(TestFaultsE2E)
#include "tst_faults_e2e.moc"
