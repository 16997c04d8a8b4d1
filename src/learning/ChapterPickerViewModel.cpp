#include "ChapterPickerViewModel.h"

#include "AppSession.h"
#include "ErrorText.h"
#include "LearningAPIClient.h"

#include <algorithm>

ChapterPickerViewModel::ChapterPickerViewModel(QObject *parent)
    : ScreenViewModel(parent), m_topicBox(new TopicBoxViewModel(this)),
      m_rows(new ListModel<ChapterPickerRow>(this)) {
    setLoading(true); // the first render shows the spinner, never the empty text
    // What the page shows follows the loading flag.
    connect(this, &ScreenViewModel::loadingChanged, this, &ChapterPickerViewModel::stateChanged);
    // The box's failures share the page's message; its confirmed proposal goes to the host.
    connect(m_topicBox, &TopicBoxViewModel::failed, this,
            [this](const QString &message) { setErrorMessage(message); });
    connect(m_topicBox, &TopicBoxViewModel::confirmed, this, &ChapterPickerViewModel::topicPicked);
}

ChapterPickerViewModel::~ChapterPickerViewModel() = default;

void ChapterPickerViewModel::sessionReplaced() {
    m_topicBox->setSession(this->session());
}

QString ChapterPickerViewModel::subjectLabel(const QString &subject) {
    static const QList<QPair<QString, QString>> labels{
        {QStringLiteral("math"), QStringLiteral("数学")},
        {QStringLiteral("chinese"), QStringLiteral("语文")},
        {QStringLiteral("english"), QStringLiteral("英语")},
        {QStringLiteral("physics"), QStringLiteral("物理")},
        {QStringLiteral("chemistry"), QStringLiteral("化学")},
    };
    for (const auto &[code, label] : labels) {
        if (code == subject)
            return label;
    }
    return subject;
}

QString ChapterPickerViewModel::groupTitle(const ChapterItem &chapter) {
    return subjectLabel(chapter.subject) + QStringLiteral(" · ") + QString::number(chapter.grade) +
           QStringLiteral(" 年级");
}

bool ChapterPickerViewModel::codePointLess(const QString &a, const QString &b) {
    // UTF-16 order puts characters beyond the Basic Multilingual Plane (surrogate pairs) before
    // U+E000..U+FFFF; code point order puts them after.
    const QList<uint> left = a.toUcs4();
    const QList<uint> right = b.toUcs4();
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end());
}

QStringList ChapterPickerViewModel::groupTitles(const QList<ChapterItem> &chapters) {
    QStringList titles;
    for (const ChapterItem &chapter : chapters) {
        const QString title = groupTitle(chapter);
        if (!titles.contains(title))
            titles.append(title);
    }
    std::sort(titles.begin(), titles.end(), codePointLess);
    return titles;
}

QList<ChapterItem> ChapterPickerViewModel::chaptersTitled(const QList<ChapterItem> &chapters,
                                                          const QString &title) {
    QList<ChapterItem> group;
    for (const ChapterItem &chapter : chapters) {
        if (groupTitle(chapter) == title)
            group.append(chapter);
    }
    return group;
}

QList<ChapterPickerRow> ChapterPickerViewModel::rowsOf(const QList<ChapterItem> &chapters) {
    QList<ChapterPickerRow> rows;
    rows.reserve(chapters.size());
    for (const QString &title : groupTitles(chapters)) {
        bool first = true;
        for (const ChapterItem &chapter : chaptersTitled(chapters, title)) {
            rows.append({chapter.code, chapter.name, title, first});
            first = false;
        }
    }
    return rows;
}

void ChapterPickerViewModel::setErrorMessage(std::optional<QString> message) {
    if (m_errorMessage == message)
        return;
    m_errorMessage = std::move(message);
    Q_EMIT errorMessageChanged();
    Q_EMIT stateChanged();
}

void ChapterPickerViewModel::setChapters(QList<ChapterItem> chapters) {
    if (m_chapters == chapters)
        return;
    m_chapters = std::move(chapters);
    m_rows->replaceAll(rowsOf(m_chapters));
    Q_EMIT chaptersChanged();
    Q_EMIT stateChanged();
}

void ChapterPickerViewModel::appear() {
    auto task = loadChapters(); // runs on by itself; its outcome lands in the properties
}

void ChapterPickerViewModel::disappear() {
    dropAppearance();
    setLoading(false);
    if (m_refreshes > 0) {
        m_refreshes = 0;
        Q_EMIT refreshingChanged();
    }
}

void ChapterPickerViewModel::refresh() {
    auto task = runRefresh();
}

void ChapterPickerViewModel::pick(const QString &code) {
    Q_EMIT picked(code);
}

QCoro::Task<> ChapterPickerViewModel::runRefresh() {
    const Appearance appearance = this->appearance();
    if (m_refreshes++ == 0)
        Q_EMIT refreshingChanged();
    co_await loadChapters();
    if (!appearance.current())
        co_return;
    if (--m_refreshes == 0)
        Q_EMIT refreshingChanged();
}

QCoro::Task<> ChapterPickerViewModel::loadChapters() {
    QPointer<AppSession> session = AppSession::orCurrent(this->session());
    const Appearance appearance = this->appearance();
    setLoading(true);
    if (!session) {
        setLoading(false);
        co_return;
    }

    std::optional<ChapterList> answer;
    std::exception_ptr failure;
    try {
        // Each load has a client of its own, dropped when the load ends.
        const LearningAPIClient client;
        answer = co_await client.fetchChapters(*session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!appearance.current())
        co_return;

    if (answer) {
        setChapters(std::move(answer->items));
        setErrorMessage(std::nullopt);
    } else if (const std::optional<QString> message = errorText(failure)) {
        setErrorMessage(message);
    }
    setLoading(false);
}
