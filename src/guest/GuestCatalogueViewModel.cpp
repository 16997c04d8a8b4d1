#include "GuestCatalogueViewModel.h"

#include "ErrorText.h"
#include "GuestLogging.h"
#include "JsonReader.h"
#include "LearningAPIClient.h"

#include <QVariantMap>

namespace {

// The points of a chapter as the catalogue reads them: their names only.
struct PointNames {
    QStringList items;

    static PointNames fromJson(const JsonReader &json) {
        return {json.list(QStringLiteral("items"),
                          [](const JsonReader &item) { return item.string(QStringLiteral("name")); })};
    }
};

// The catalogue's requests carry no credentials, and a 401 is never answered by a renewal.
LearningAPIClient guestClient() {
    return LearningAPIClient::unauthenticated();
}

} // namespace

GuestCatalogueViewModel::GuestCatalogueViewModel(QObject *parent) : ScreenViewModel(parent) {
    setLoading(true);
}

GuestCatalogueViewModel::~GuestCatalogueViewModel() = default;

QString GuestCatalogueViewModel::gradeLine(const ChapterItem &chapter) {
    return QStringLiteral("数学 · ") + QString::number(chapter.grade) + QStringLiteral(" 年级");
}

QString GuestCatalogueViewModel::titleLine(const ChapterItem &chapter) {
    return u'《' + chapter.name + u'》';
}

QString GuestCatalogueViewModel::lessonsLine(qsizetype points) {
    return QStringLiteral("共 ") + QString::number(points) + QStringLiteral(" 课 · 每课约 15 分钟");
}

QVariantList GuestCatalogueViewModel::chapterCards() const {
    QVariantList cards;
    for (const Entry &entry : m_entries) {
        QVariantList points;
        for (qsizetype i = 0; i < entry.points.size(); ++i) {
            points.append(QVariantMap{{QStringLiteral("number"), QString::number(i + 1)},
                                      {QStringLiteral("name"), entry.points[i]}});
        }
        cards.append(QVariantMap{{QStringLiteral("code"), entry.chapter.code},
                                 {QStringLiteral("gradeLine"), gradeLine(entry.chapter)},
                                 {QStringLiteral("title"), titleLine(entry.chapter)},
                                 {QStringLiteral("lessonsLine"), lessonsLine(entry.points.size())},
                                 {QStringLiteral("points"), points}});
    }
    return cards;
}

AppSession *GuestCatalogueViewModel::sessionInUse() const {
    return AppSession::orCurrent(session());
}

void GuestCatalogueViewModel::load() {
    auto task = run(); // runs on by itself; its outcome lands in the properties
}

QCoro::Task<> GuestCatalogueViewModel::run() {
    const Appearance load = renewAppearance();
    setLoading(true);
    setError(std::nullopt);
    return loadAll(load);
}

void GuestCatalogueViewModel::cancel() {
    dropAppearance();
}

QCoro::Task<> GuestCatalogueViewModel::loadAll(Appearance load) {
    // False once the model is gone or this load was cancelled: nothing of it may reach the screen then.
    const auto live = [&load] { return load.current(); };
    const LearningAPIClient client = guestClient();
    // The session only lends its base URL, read anew for every request.
    QPointer<AppSession> session = sessionInUse();
    const auto noSession = [&] {
        qCWarning(lcGuest) << "no session to load the course catalogue with";
        if (live())
            fail();
    };
    if (!session) {
        noSession();
        co_return;
    }

    try {
        const ChapterList list = co_await client.fetchChapters(*session);
        if (!live())
            co_return;

        // One chapter after another: the next request leaves only once the previous answer is decoded.
        QList<Entry> result;
        result.reserve(list.items.size());
        for (const ChapterItem &chapter : list.items) {
            if (!session) {
                noSession();
                co_return;
            }
            const PointNames points = co_await client.fetchChapterPoints<PointNames>(chapter.code, *session);
            if (!live())
                co_return;
            result.append({chapter, points.items});
        }
        finish(std::move(result));
    } catch (...) {
        // Transport failures, failed statuses and wrong shapes alike end the load with one fixed text; the
        // partial result is dropped. The cause is logged, as is a failure of a load nobody waits for any
        // more.
        const std::exception_ptr failure = std::current_exception();
        const bool cancelled = !::errorText(failure);
        if (!cancelled)
            qCInfo(lcGuest) << "course catalogue load failed:" << failureSummary(failure);
        if (live()) {
            if (cancelled)
                setLoading(false); // never an alert
            else
                fail();
        }
    }
}

void GuestCatalogueViewModel::finish(QList<Entry> entries) {
    if (m_entries != entries) {
        m_entries = std::move(entries);
        Q_EMIT chaptersChanged();
    }
    setError(std::nullopt);
    setLoading(false);
}

void GuestCatalogueViewModel::fail() {
    setError(failureMessage);
    setLoading(false);
}

void GuestCatalogueViewModel::setError(const std::optional<QString> &error) {
    if (m_error == error)
        return;
    m_error = error;
    Q_EMIT errorChanged();
}
