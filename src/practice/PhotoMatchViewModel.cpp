#include "PhotoMatchViewModel.h"

#include "Analytics.h"
#include "ErrorText.h"
#include "Graphemes.h"
#include "PracticeLogging.h"
#include "PracticeViewModel.h"
#include "TextRecognizer.h"
#include "UserFacingError.h"
#include "WrongBookAPIClient.h"

#include <QDir>

PhotoMatchViewModel::PhotoMatchViewModel(QObject *parent)
    : PhotoMatchViewModel(&PhotoMatchViewModel::matchOnServer, {}, parent) {}

PhotoMatchViewModel::PhotoMatchViewModel(Match match, Recognize recognize, QObject *parent)
    : ScreenViewModel(parent), m_match(std::move(match)), m_recognize(std::move(recognize)) {
    if (!m_recognize) {
        m_reader = std::make_unique<TextRecognizer>();
        m_recognize = [reader = m_reader.get()](QImage image) { return reader->recognize(std::move(image)); };
    }
}

PhotoMatchViewModel::~PhotoMatchViewModel() = default;

QCoro::Task<StemMatchResult> PhotoMatchViewModel::matchOnServer(QString stem, AppSession &session) {
    return WrongBookAPIClient().matchStem(std::move(stem), session);
}

bool PhotoMatchViewModel::cameraAvailable() {
    static const bool present =
        !QDir(QStringLiteral("/dev")).entryList({QStringLiteral("video*")}, QDir::System).isEmpty();
    return present;
}

void PhotoMatchViewModel::setShowCamera(bool shown) {
    if (m_showCamera == shown)
        return;
    m_showCamera = shown;
    Q_EMIT showCameraChanged();
}

void PhotoMatchViewModel::setShowPicker(bool shown) {
    if (m_showPicker == shown)
        return;
    m_showPicker = shown;
    Q_EMIT showPickerChanged();
}

void PhotoMatchViewModel::pickerUnavailable() {
    qCWarning(lcPractice) << "the file dialog could not be loaded";
    // Reported while the loader applies `showPicker`: let go of it once that is done, so the next tap can try
    // again.
    QMetaObject::invokeMethod(
        this, [this] { setShowPicker(false); }, Qt::QueuedConnection);
    setMessage(QStringLiteral("相册打不开：这台电脑缺少选择图片的组件。可以先手动输入题目。"));
}

void PhotoMatchViewModel::setStem(const QString &stem) {
    if (m_stem == stem)
        return;
    m_stem = stem;
    Q_EMIT stemChanged();
    Q_EMIT stateChanged();
}

QString PhotoMatchViewModel::foundStem() const {
    return found() ? PracticeViewModel::stemTextOf(*m_result->question) : QString();
}

void PhotoMatchViewModel::match() {
    if (!canMatch())
        return;
    startMatch();
}

void PhotoMatchViewModel::startMatch() {
    if (!session())
        return;
    ++m_matchingFlows;
    Q_EMIT stateChanged();
    runMatch(this, ++m_matchTicket, m_stem, session(), m_match);
}

QCoro::Task<void> PhotoMatchViewModel::runMatch(QPointer<PhotoMatchViewModel> self, quint64 ticket,
                                                QString stem, QPointer<AppSession> session, Match match) {
    std::optional<StemMatchResult> result;
    std::exception_ptr failure;
    try {
        result = co_await match(stem, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (result) {
        Analytics::shared().track(
            QStringLiteral("photo_match"),
            {{QStringLiteral("matched"), result->matched ? QStringLiteral("true") : QStringLiteral("false")},
             {QStringLiteral("matched_by"), result->matchedBy.value_or(QString())}});
    }
    if (!self)
        co_return;
    --self->m_matchingFlows;
    if (self->m_open && ticket == self->m_matchTicket) {
        if (result)
            self->m_result = std::move(result);
        else
            self->setMessage(errorText(failure));
    }
    Q_EMIT self->stateChanged();
}

QString PhotoMatchViewModel::recognitionFailureText(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const UserFacingError &error) {
        return error.message();
    } catch (const std::exception &error) {
        qCWarning(lcPractice) << "text recognition failed:" << error.what();
    } catch (...) {
        qCWarning(lcPractice) << "text recognition failed";
    }
    return QStringLiteral("读取图片中的文字时出错");
}

void PhotoMatchViewModel::recognizeFile(const QUrl &file) {
    const QImage image =
        TextRecognizer::readPicture(file.isLocalFile() ? file.toLocalFile() : file.toString());
    if (image.isNull()) {
        setMessage(QStringLiteral("图片读取失败"));
        return;
    }
    recognizePhoto(image);
}

void PhotoMatchViewModel::recognizePhoto(QImage image) {
    ++m_recognizingFlows;
    Q_EMIT stateChanged();
    runRecognition(this, ++m_readTicket, std::move(image), m_recognize);
}

QCoro::Task<void> PhotoMatchViewModel::runRecognition(QPointer<PhotoMatchViewModel> self, quint64 ticket,
                                                      QImage image, Recognize recognize) {
    QString text;
    std::exception_ptr failure;
    try {
        text = (co_await recognize(std::move(image))).trimmed();
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    const bool newest = self->m_open && ticket == self->m_readTicket;
    if (newest && failure) {
        self->setMessage(QStringLiteral("识别失败：") + recognitionFailureText(failure));
    } else if (newest && text.isEmpty()) {
        self->setMessage(QStringLiteral("没有识别到文字，换个角度再拍，或手动输入题目"));
    } else if (newest) {
        self->setStem(Graphemes::leading(text, kMaxStemCharacters));
        self->m_result.reset();
        if (self->session()) {
            // The reading spinner stays on through the match it starts.
            ++self->m_matchingFlows;
            Q_EMIT self->stateChanged();
            co_await runMatch(self, ++self->m_matchTicket, self->m_stem, self->session(), self->m_match);
            if (!self)
                co_return;
        }
    }
    --self->m_recognizingFlows;
    Q_EMIT self->stateChanged();
}

QVariantMap PhotoMatchViewModel::practiceProperties() const {
    if (!found())
        return {};
    PracticeViewModel practice;
    const VariantQuestion &question = *m_result->question;
    practice.setOptions(question.options.value_or(QList<QuestionSnapshot::Option>()));
    return {{QStringLiteral("questionId"), QString::number(question.questionId)},
            {QStringLiteral("stemText"), PracticeViewModel::stemTextOf(question)},
            {QStringLiteral("options"), practice.optionList()},
            {QStringLiteral("source"), QStringLiteral("practice")}};
}

void PhotoMatchViewModel::appear() {
    m_open = true;
    if (m_reader)
        m_reader->prewarm();
}

void PhotoMatchViewModel::disappear() {
    m_open = false;
    if (m_reader)
        m_reader->release();
}
