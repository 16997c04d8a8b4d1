#pragma once

#include "WrongBookModels.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include <functional>
#include <memory>
#include <optional>

#include "ScreenViewModel.h"
class TextRecognizer;

// "拍照识题": a picked picture is read on this machine into the stem, which the learner may edit; the stem is
// matched against the question bank on the server. Pictures never leave the machine, only the stem does.
//
// Flows may overlap (a second picture picked while the first is read): only the newest reading writes the
// stem, only the newest match writes the result, the spinner of each kind stays while any flow of that kind
// runs, and nothing arrives on a screen that has closed (its "photo_match" is still recorded).
class PhotoMatchViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString stem READ stem WRITE setStem NOTIFY stemChanged)
    Q_PROPERTY(bool canMatch READ canMatch NOTIFY stateChanged)
    Q_PROPERTY(bool matching READ matching NOTIFY stateChanged)
    Q_PROPERTY(bool recognizing READ recognizing NOTIFY stateChanged)
    Q_PROPERTY(bool hasResult READ hasResult NOTIFY stateChanged)
    Q_PROPERTY(bool found READ found NOTIFY stateChanged)
    Q_PROPERTY(QString foundStem READ foundStem NOTIFY stateChanged)
    // Whether this machine has a camera to take the picture with ("拍照" shows only then).
    Q_PROPERTY(bool cameraAvailable READ cameraAvailable CONSTANT)
    Q_PROPERTY(bool showCamera READ showCamera WRITE setShowCamera NOTIFY showCameraChanged)
    // The file dialog ("从相册选") is wanted: it is made only then, and let go when it closes.
    Q_PROPERTY(bool showPicker READ showPicker WRITE setShowPicker NOTIFY showPickerChanged)

public:
    static constexpr int kMaxStemCharacters = 4000;

    using Match = std::function<QCoro::Task<StemMatchResult>(QString stem, AppSession &session)>;
    using Recognize = std::function<QCoro::Task<QString>(QImage image)>;

    explicit PhotoMatchViewModel(QObject *parent = nullptr);
    // With other ways to match and to read (tests).
    PhotoMatchViewModel(Match match, Recognize recognize, QObject *parent = nullptr);
    ~PhotoMatchViewModel() override;

    // The bank's match of the stem (`WrongBookAPIClient::matchStem`): the match a screen makes by default.
    static QCoro::Task<StemMatchResult> matchOnServer(QString stem, AppSession &session);

    QString stem() const { return m_stem; }
    void setStem(const QString &stem);
    bool canMatch() const { return m_matchingFlows == 0 && !m_stem.trimmed().isEmpty(); }
    bool matching() const { return m_matchingFlows > 0; }
    bool recognizing() const { return m_recognizingFlows > 0; }
    bool hasResult() const { return m_result.has_value(); }
    bool found() const { return m_result && m_result->matched && m_result->question; }
    QString foundStem() const;
    // A video capture device is present (V4L2 lists it under /dev); none on a build machine.
    static bool cameraAvailable();
    bool showCamera() const { return m_showCamera; }
    void setShowCamera(bool shown);
    bool showPicker() const { return m_showPicker; }
    void setShowPicker(bool shown);
    // The file dialog could not be made (a module it needs is missing): said to the learner, who can still
    // type the question.
    Q_INVOKABLE void pickerUnavailable();

    Q_INVOKABLE void match();
    // The picture at `file` (from the file dialog): read upright, then its text matched.
    Q_INVOKABLE void recognizeFile(const QUrl &file);
    void recognizePhoto(QImage image);
    // The practice screen's properties for the found question; ids as text.
    Q_INVOKABLE QVariantMap practiceProperties() const;
    // The screen opened: the reader is loaded ahead of the first picture. Closed: nothing more arrives, and
    // the reader gives its memory back.
    Q_INVOKABLE void appear();
    Q_INVOKABLE void disappear();

Q_SIGNALS:
    void stemChanged();
    void stateChanged();
    void showCameraChanged();
    void showPickerChanged();

private:
    static QCoro::Task<void> runMatch(QPointer<PhotoMatchViewModel> self, quint64 ticket, QString stem,
                                      QPointer<AppSession> session, Match match);
    static QCoro::Task<void> runRecognition(QPointer<PhotoMatchViewModel> self, quint64 ticket, QImage image,
                                            Recognize recognize);
    // The reason after "识别失败：": the recogniser's own words, or a plain one for a failure without any.
    static QString recognitionFailureText(std::exception_ptr failure);
    void startMatch();

    Match m_match;
    Recognize m_recognize;
    std::unique_ptr<TextRecognizer> m_reader;
    QString m_stem;
    std::optional<StemMatchResult> m_result;
    int m_matchingFlows = 0;
    int m_recognizingFlows = 0;
    quint64 m_matchTicket = 0;
    quint64 m_readTicket = 0;
    bool m_open = true;
    bool m_showCamera = false;
    bool m_showPicker = false;
};
