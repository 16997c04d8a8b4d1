#include "GuestCatalogueViewModel.h"

#include "ApiError.h"
#include "JsonReader.h"

#include <QVariantMap>

namespace {

// A load that cannot go on: a transport failure, a status outside 2xx, a body of the wrong shape.
struct LoadFailed {};

template <typename Decode>
auto decodeAnswer(const HttpResponse &response, Decode decode) {
    // An error body that happens to have the expected shape is still an error: only a 2xx answer counts.
    if (!response.isHttp() || response.status < 200 || response.status > 299)
        throw LoadFailed{};
    try {
        // One decoding rule for both answers: snake_case keys (the keys read here are single words).
        return decode(JsonReader::parse(response.body, JsonKeys::FromSnakeCase));
    } catch (const JsonDecodeError &) {
        throw LoadFailed{};
    }
}

HttpRequest plainGet(const QUrl &url) {
    HttpRequest request;
    request.method = "GET";
    request.url = url;
    request.timeoutMs = 60000;
    return request;
}

} // namespace

GuestCatalogueViewModel::GuestCatalogueViewModel(QObject *parent) : QObject(parent) {}

GuestCatalogueViewModel::~GuestCatalogueViewModel() = default;

void GuestCatalogueViewModel::setSession(AppSession *session) {
    if (m_session == session)
        return;
    m_session = session;
    Q_EMIT sessionChanged();
}

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

HttpRequest GuestCatalogueViewModel::chaptersRequest(const QUrl &base) {
    return plainGet(Api::appendPath(base, chaptersPath));
}

std::optional<HttpRequest> GuestCatalogueViewModel::pointsRequest(const QUrl &base, const QString &code) {
    if (code.isEmpty() || code == QLatin1String(".") || code == QLatin1String(".."))
        return std::nullopt;
    // The code is data: every character that could end or split the segment ("/", "?", "#", "%", ...) is
    // escaped, so the whole code stays one segment.
    const QString segment = QString::fromLatin1(QUrl::toPercentEncoding(code));
    return plainGet(Api::appendPath(base, chaptersPath + u'/' + segment + QStringLiteral("/points")));
}

QUrl GuestCatalogueViewModel::baseURL() const {
    if (m_session)
        return m_session->baseURL();
    if (const AppSession *current = AppSession::current())
        return current->baseURL();
    return {};
}

void GuestCatalogueViewModel::load() {
    auto task = run(); // runs on by itself; its outcome lands in the properties
}

QCoro::Task<> GuestCatalogueViewModel::run() {
    const quint64 generation = ++m_generation;
    setLoading(true);
    setError(std::nullopt);
    return loadAll(generation);
}

void GuestCatalogueViewModel::cancel() {
    ++m_generation;
}

QCoro::Task<> GuestCatalogueViewModel::loadAll(quint64 generation) {
    QPointer<GuestCatalogueViewModel> self(this);
    // False once the model is gone or this load was cancelled: nothing of it may reach the screen then.
    const auto live = [&self, generation] { return self && self->m_generation == generation; };

    try {
        const HttpResponse answer = co_await AppSession::send(chaptersRequest(baseURL()));
        if (!live())
            co_return;
        const ChapterList list =
            decodeAnswer(answer, [](const JsonReader &json) { return ChapterList::fromJson(json); });

        // One chapter after another: the next request leaves only once the previous answer is decoded.
        QList<Entry> result;
        result.reserve(list.items.size());
        for (const ChapterItem &chapter : list.items) {
            const std::optional<HttpRequest> request = pointsRequest(baseURL(), chapter.code);
            if (!request)
                throw LoadFailed{};
            const HttpResponse points = co_await AppSession::send(*request);
            if (!live())
                co_return;
            result.append({chapter, decodeAnswer(points, [](const JsonReader &json) {
                               return QStringList(
                                   json.list(QStringLiteral("items"), [](const JsonReader &item) {
                                       return item.string(QStringLiteral("name"));
                                   }));
                           })});
        }
        finish(std::move(result));
    } catch (...) {
        // Transport failures, failed statuses and wrong shapes alike; the partial result is dropped.
        if (live())
            fail();
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

void GuestCatalogueViewModel::setLoading(bool loading) {
    if (m_loading == loading)
        return;
    m_loading = loading;
    Q_EMIT loadingChanged();
}

void GuestCatalogueViewModel::setError(const std::optional<QString> &error) {
    if (m_error == error)
        return;
    m_error = error;
    Q_EMIT errorChanged();
}
