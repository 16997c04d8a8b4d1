#include "StudyLimitsViewModel.h"

#include "AccountAPIClient.h"
#include "ApiError.h"
#include "ErrorText.h"
#include "JsonReader.h"
#include "SettingsLogging.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace {

QString minutesText(qint64 minutes) {
    return QString::number(minutes) + QStringLiteral(" 分钟"); // plain digits, whatever the locale
}

bool succeeded(const HttpResponse &response) {
    return response.isHttp() && response.status >= 200 && response.status <= 299;
}

} // namespace

StudyLimitsViewModel::StudyLimitsViewModel(QObject *parent)
    : ScreenViewModel(parent), m_periods(new ListModel<StudyLimitsPeriodRow>(this)) {
    connect(m_periods, &ListModelBase::countChanged, this, [this] {
        if (canAddPeriod() == m_canAddPeriod)
            return;
        m_canAddPeriod = canAddPeriod();
        Q_EMIT canAddPeriodChanged();
    });
}

StudyLimitsViewModel::~StudyLimitsViewModel() = default;

QString StudyLimitsViewModel::usedText() const {
    return m_limits ? minutesText(m_limits->usedMinutes) : QString();
}

QString StudyLimitsViewModel::remainingText() const {
    return m_limits ? minutesText(m_limits->remainingMinutes) : QString();
}

QString StudyLimitsViewModel::dailyFooter() const {
    const qint64 most = m_limits ? m_limits->maxDailyMinutes.value_or(defaultUpper) : defaultUpper;
    return QStringLiteral("最多 ") + QString::number(most) +
           QStringLiteral(" 分钟（按年龄的默认上限），可以调低，不能调高。");
}

QString StudyLimitsViewModel::minutesLabel() const {
    return QStringLiteral("每天 ") + minutesText(m_minutes);
}

qint64 StudyLimitsViewModel::lowerBound() const {
    return m_limits ? m_limits->minDailyMinutes.value_or(defaultLower) : defaultLower;
}

qint64 StudyLimitsViewModel::upperBound() const {
    const qint64 upper = m_limits ? m_limits->maxDailyMinutes.value_or(defaultUpper) : defaultUpper;
    // A maximum below the minimum leaves nothing to choose but the minimum.
    return std::max(upper, lowerBound());
}

QList<StudyLimits::Period> StudyLimitsViewModel::periods() const {
    QList<StudyLimits::Period> list;
    list.reserve(m_periods->count());
    for (const StudyLimitsPeriodRow &row : m_periods->rows())
        list.append({row.start, row.end});
    return list;
}

// --- editing

void StudyLimitsViewModel::increment() {
    if (!canIncrement())
        return;
    // Wide enough that no value the server can send overflows a step.
    const auto next = static_cast<__int128>(m_minutes) + step;
    setMinutes(qint64(std::min<__int128>(next, upperBound())));
}

void StudyLimitsViewModel::decrement() {
    if (!canDecrement())
        return;
    const auto next = static_cast<__int128>(m_minutes) - step;
    setMinutes(qint64(std::max<__int128>(next, lowerBound())));
}

void StudyLimitsViewModel::setMinutes(qint64 minutes) {
    const Stepper before = stepper();
    m_minutes = minutes;
    setStepper(before);
}

void StudyLimitsViewModel::setStepper(const Stepper &before) {
    if (stepper() != before)
        Q_EMIT stepperChanged();
}

void StudyLimitsViewModel::addPeriod() {
    if (!canAddPeriod())
        return;
    m_periods->append({m_nextKey++, QStringLiteral("12:00"), QStringLiteral("13:00")});
}

void StudyLimitsViewModel::removePeriod(int row) {
    if (row < 0 || row >= m_periods->count())
        return;
    m_periods->remove(m_periods->at(row).key);
}

void StudyLimitsViewModel::setPeriodStart(int row, const QString &start) {
    editPeriod(row, &start, nullptr);
}

void StudyLimitsViewModel::setPeriodEnd(int row, const QString &end) {
    editPeriod(row, nullptr, &end);
}

void StudyLimitsViewModel::editPeriod(int row, const QString *start, const QString *end) {
    if (row < 0 || row >= m_periods->count())
        return;
    StudyLimitsPeriodRow edited = m_periods->at(row);
    if (start)
        edited.start = *start;
    if (end)
        edited.end = *end;
    m_periods->update(std::move(edited)); // signals the one role that changed, or nothing
}

void StudyLimitsViewModel::setPeriods(const QList<StudyLimits::Period> &periods) {
    // Rows keep their keys by position, so a reply that repeats what the page shows signals nothing and one
    // that changes a text signals that row only.
    QList<StudyLimitsPeriodRow> rows;
    rows.reserve(periods.size());
    for (qsizetype i = 0; i < periods.size(); ++i) {
        const int key = i < m_periods->count() ? m_periods->at(i).key : m_nextKey++;
        rows.append({key, periods[i].start, periods[i].end});
    }
    m_periods->replaceAll(std::move(rows));
}

// --- the server

void StudyLimitsViewModel::apply(const QByteArray &body) {
    StudyLimits limits =
        ApiClient::decode<StudyLimits>(body, JsonKeys::FromSnakeCase); // throws before anything changes
    const Stepper before = stepper();
    const bool changed = m_limits != limits;
    m_minutes = limits.dailyMinutes;
    setPeriods(limits.blockedPeriods);
    m_limits = std::move(limits);
    if (changed)
        Q_EMIT limitsChanged();
    setStepper(before);
}

QJsonObject StudyLimitsViewModel::saveBody() const {
    QJsonArray blocked;
    for (const StudyLimits::Period &period : periods())
        blocked.append(period.toJson());
    return {{QStringLiteral("daily_minutes"), m_minutes}, {QStringLiteral("blocked_periods"), blocked}};
}

void StudyLimitsViewModel::load() {
    auto task = runLoad(); // runs on by itself; its outcome lands in the properties
}

void StudyLimitsViewModel::disappear() {
    dropAppearance();
}

QCoro::Task<> StudyLimitsViewModel::runLoad() {
    if (!session())
        co_return;
    const Appearance appearance = this->appearance();
    std::optional<HttpResponse> response;
    std::exception_ptr failure;
    try {
        response = co_await AccountAPIClient().fetchLimits(*session());
    } catch (...) {
        failure = std::current_exception();
        qCInfo(lcSettings) << "study limits not loaded:" << failureSummary(failure);
    }
    // The page may have been closed meanwhile (then `this` is gone) or have left the screen.
    if (!appearance.current())
        co_return;
    if (response) {
        try {
            // Any answer but a success is the same failure to the learner; its body is not read.
            if (!succeeded(*response))
                throw ApiError::badServerResponse();
            apply(response->body);
        } catch (...) {
            failure = std::current_exception();
            qCInfo(lcSettings) << "study limits not loaded:" << failureSummary(failure);
        }
    }
    showFailure(failure); // a load we cancelled ourselves is no failure to show
}

void StudyLimitsViewModel::save() {
    if (m_saving)
        return;
    auto task = runSave(); // runs on by itself; its outcome lands in the properties
}

QCoro::Task<> StudyLimitsViewModel::runSave() {
    const Appearance self = appearance();
    if (!session() || m_saving)
        co_return;
    setSaving(true);
    std::optional<HttpResponse> response;
    std::optional<QString> outcome;
    try {
        response = co_await AccountAPIClient().saveLimits(saveBody(), *session());
    } catch (...) {
        qCInfo(lcSettings) << "study limits not saved:" << failureSummary(std::current_exception());
        outcome = errorText(std::current_exception());
    }
    if (!self.alive())
        co_return;
    if (response && succeeded(*response)) {
        try {
            apply(response->body);
            outcome =
                savedText; // the page now shows what the server kept, which may differ from what was sent
        } catch (...) {
            outcome = errorText(std::current_exception());
        }
    } else if (response) {
        // Refused (or not an HTTP answer at all, which cannot be a save either): the server's own words
        // when its error body has them. The edits stay on the page.
        outcome = saveFailedText;
        if (response->isHttp()) {
            try {
                const ApiErrorBody error =
                    ApiErrorBody::fromJson(JsonReader::parse(response->body, JsonKeys::AsIs));
                outcome = error.message.value_or(saveFailedText);
            } catch (const JsonDecodeError &) {
                // An error body that does not decode says nothing more than the fallback.
            }
        }
    }
    if (outcome)
        setMessage(outcome);
    setSaving(false);
}

void StudyLimitsViewModel::setSaving(bool saving) {
    if (m_saving == saving)
        return;
    m_saving = saving;
    Q_EMIT savingChanged();
}
