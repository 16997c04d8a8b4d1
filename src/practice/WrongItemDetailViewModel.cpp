#include "WrongItemDetailViewModel.h"

#include "ErrorText.h"
#include "PracticeLogging.h"
#include "PracticeViewModel.h"
#include "WrongBookAPIClient.h"

namespace {

std::optional<QString> stemOf(const std::optional<QuestionSnapshot> &question) {
    if (question && question->stem && question->stem->text)
        return question->stem->text;
    return std::nullopt;
}

QVariantList optionsOf(const std::optional<QList<QuestionSnapshot::Option>> &options) {
    PracticeViewModel practice;
    practice.setOptions(options.value_or(QList<QuestionSnapshot::Option>()));
    return practice.optionList();
}

} // namespace

QString VariantRow::label() const {
    return PracticeViewModel::stemTextOf(question);
}

WrongItemDetailViewModel::WrongItemDetailViewModel(QObject *parent)
    : WrongItemDetailViewModel(
          [](qint64 id, AppSession &session) { return WrongBookAPIClient().fetchVariants(id, session); },
          parent) {}

WrongItemDetailViewModel::WrongItemDetailViewModel(Fetch fetch, QObject *parent)
    : ScreenViewModel(parent), m_fetch(std::move(fetch)), m_rows(new ListModel<VariantRow>(this)) {}

void WrongItemDetailViewModel::setItem(const WrongItem &item) {
    if (m_item == item)
        return;
    m_item = item;
    Q_EMIT itemChanged();
}

void WrongItemDetailViewModel::setItemValue(const QVariant &item) {
    if (item.canConvert<WrongItem>())
        setItem(item.value<WrongItem>());
}

QString WrongItemDetailViewModel::stemText() const {
    return stemOf(m_item.question).value_or(QStringLiteral("（题干不可用）"));
}

QStringList WrongItemDetailViewModel::optionLines() const {
    QStringList lines;
    if (m_item.question && m_item.question->options) {
        for (const QuestionSnapshot::Option &option : *m_item.question->options)
            lines.append(option.label.value_or(QString()) + u' ' + option.text.value_or(QString()));
    }
    return lines;
}

QString WrongItemDetailViewModel::method() const {
    return m_item.errorLayers && m_item.errorLayers->method ? *m_item.errorLayers->method
                                                            : QStringLiteral("—");
}

QString WrongItemDetailViewModel::misconception() const {
    return m_item.errorLayers && m_item.errorLayers->misconception ? *m_item.errorLayers->misconception
                                                                   : QStringLiteral("—");
}

QString WrongItemDetailViewModel::tags() const {
    return m_item.errorLayers && m_item.errorLayers->tags ? m_item.errorLayers->tags->join(u"、") : QString();
}

QVariantMap WrongItemDetailViewModel::redoProperties() const {
    if (!m_item.questionId)
        return {};
    const QString stem =
        stemOf(m_item.question).value_or(QStringLiteral("题目 #") + QString::number(*m_item.questionId));
    return {{QStringLiteral("questionId"), QString::number(*m_item.questionId)},
            {QStringLiteral("stemText"), stem},
            {QStringLiteral("options"), optionsOf(m_item.question ? m_item.question->options : std::nullopt)},
            {QStringLiteral("source"), QStringLiteral("review")}};
}

QVariantMap WrongItemDetailViewModel::variantProperties(int row) const {
    if (row < 0 || row >= m_rows->rowCount())
        return {};
    const VariantQuestion &question = m_rows->at(row).question;
    return {{QStringLiteral("questionId"), QString::number(question.questionId)},
            {QStringLiteral("stemText"), PracticeViewModel::stemTextOf(question)},
            {QStringLiteral("options"), optionsOf(question.options)},
            {QStringLiteral("source"), QStringLiteral("practice")}};
}

void WrongItemDetailViewModel::appear() {
    if (!session())
        return;
    runLoad(this, ++m_ticket, m_item.wrongItemId, session(), m_fetch);
}

void WrongItemDetailViewModel::disappear() {
    ++m_ticket; // a load on its way is dropped: it writes nothing
}

QCoro::Task<void> WrongItemDetailViewModel::runLoad(QPointer<WrongItemDetailViewModel> self, quint64 ticket,
                                                    qint64 wrongItemId, QPointer<AppSession> session,
                                                    Fetch fetch) {
    std::optional<VariantsResponse> answer;
    std::exception_ptr failure;
    try {
        answer = co_await fetch(wrongItemId, *session);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self || ticket != self->m_ticket)
        co_return;
    if (answer) {
        self->setVariants(std::move(*answer));
        co_return;
    }
    qCInfo(lcPractice) << "variants not loaded:" << failureSummary(failure);
    self->setMessage(errorText(failure));
    self->setVariants({wrongItemId, {}, true});
}

void WrongItemDetailViewModel::setVariants(VariantsResponse variants) {
    QList<VariantRow> rows;
    for (const VariantQuestion &question : variants.items)
        rows.append({question});
    m_variants = std::move(variants);
    m_rows->replaceAll(std::move(rows));
    Q_EMIT variantsChanged();
}
