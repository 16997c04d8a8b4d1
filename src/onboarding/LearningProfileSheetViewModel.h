#pragma once

#include "LearningProfileAnswers.h"
#include "ScreenViewModel.h"

#include <QCoro/QCoroTask>
#include <QObject>
#include <QtQml/qqmlregistration.h>

#include <optional>

// The learning-profile sheet: the form's answers, "保存" and "以后再说". Saving sends the answers' body with
// a PUT of the learning profile; on success the sheet says `done` (its presenter marks the profile asked and
// closes it), on failure the message stays in `errorMessage` for the "提示" alert and the answers stay as
// they are. "以后再说" says `done` at once without a request. While a save runs, neither can start again and
// the sheet cannot be dismissed.
//
// `done` comes before `busy` returns to false, and the presenter may destroy the sheet in its handler, so
// nothing is written once the object is gone.
class LearningProfileSheetViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(LearningProfileAnswers *answers READ answers CONSTANT)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)

public:
    explicit LearningProfileSheetViewModel(QObject *parent = nullptr);

    static inline const QString title = QStringLiteral("完善学习资料");

    LearningProfileAnswers *answers() { return &m_answers; }
    bool busy() const { return m_busy; }

    // "保存": ignored while a save runs.
    Q_INVOKABLE void save();
    // "以后再说": ignored while a save runs.
    Q_INVOKABLE void later();

    QCoro::Task<> runSave();

Q_SIGNALS:
    void busyChanged();
    void done();

private:
    void setBusy(bool busy);

    LearningProfileAnswers m_answers;
    bool m_busy = false;
};
