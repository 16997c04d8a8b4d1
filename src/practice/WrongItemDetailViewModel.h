#pragma once

#include "ListModel.h"
#include "WrongBookModels.h"

#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <QCoro/QCoroTask>

#include "ScreenViewModel.h"

// A same-source variant as its row shows it.
class VariantRow {
    Q_GADGET
    Q_PROPERTY(QString label READ label)

public:
    VariantQuestion question;

    qint64 id() const { return question.questionId; }
    QString label() const;
    bool operator==(const VariantRow &) const = default;
};

// One entry of the wrong book in full: the question as stored, the causes, the review state with a redo, and
// the same-source variants the server picks, loaded each time the page shows. Only the newest load writes:
// one dropped because the page went away (the learner opened a variant) changes nothing.
class WrongItemDetailViewModel : public ScreenViewModel {
    Q_OBJECT
    QML_ELEMENT
    // The entry, as WrongBookViewModel.entry(row) hands it over.
    Q_PROPERTY(QVariant item READ itemValue WRITE setItemValue NOTIFY itemChanged)
    Q_PROPERTY(QString title READ title NOTIFY itemChanged)
    Q_PROPERTY(QString stemText READ stemText NOTIFY itemChanged)
    Q_PROPERTY(QStringList optionLines READ optionLines NOTIFY itemChanged)
    Q_PROPERTY(QString kpName READ title NOTIFY itemChanged)
    Q_PROPERTY(QString method READ method NOTIFY itemChanged)
    Q_PROPERTY(QString misconception READ misconception NOTIFY itemChanged)
    // Empty: no row.
    Q_PROPERTY(QString tags READ tags NOTIFY itemChanged)
    Q_PROPERTY(QString state READ state NOTIFY itemChanged)
    Q_PROPERTY(QString streak READ streak NOTIFY itemChanged)
    Q_PROPERTY(QString nextReview READ nextReview NOTIFY itemChanged)
    Q_PROPERTY(bool canRedo READ canRedo NOTIFY itemChanged)
    Q_PROPERTY(bool variantsLoaded READ variantsLoaded NOTIFY variantsChanged)
    Q_PROPERTY(bool noVariants READ noVariants NOTIFY variantsChanged)
    Q_PROPERTY(ListModelBase *variants READ variantList CONSTANT)

public:
    using Fetch = std::function<QCoro::Task<VariantsResponse>(qint64 wrongItemId, AppSession &session)>;

    explicit WrongItemDetailViewModel(QObject *parent = nullptr);
    WrongItemDetailViewModel(Fetch fetch, QObject *parent = nullptr);

    const WrongItem &item() const { return m_item; }
    void setItem(const WrongItem &item);
    QVariant itemValue() const { return QVariant::fromValue(m_item); }
    void setItemValue(const QVariant &item);

    QString title() const { return m_item.kpName; }
    QString stemText() const;
    QStringList optionLines() const;
    QString method() const;
    QString misconception() const;
    QString tags() const;
    QString state() const { return m_item.state; }
    QString streak() const { return QString::number(m_item.correctStreak); }
    QString nextReview() const { return m_item.nextReviewAt.value_or(QStringLiteral("—")); }
    bool canRedo() const { return m_item.questionId.has_value(); }
    bool variantsLoaded() const { return m_variants.has_value(); }
    bool noVariants() const { return m_variants && m_variants->items.isEmpty(); }
    const std::optional<VariantsResponse> &variantsResponse() const { return m_variants; }
    ListModelBase *variantList() const { return m_rows; }

    // The practice screen's properties for a redo ("review") and for a variant ("practice"); ids as text.
    Q_INVOKABLE QVariantMap redoProperties() const;
    Q_INVOKABLE QVariantMap variantProperties(int row) const;

    Q_INVOKABLE void appear();
    Q_INVOKABLE void disappear();

Q_SIGNALS:
    void itemChanged();
    void variantsChanged();

private:
    static QCoro::Task<void> runLoad(QPointer<WrongItemDetailViewModel> self, quint64 ticket,
                                     qint64 wrongItemId, QPointer<AppSession> session, Fetch fetch);
    void setVariants(VariantsResponse variants);

    Fetch m_fetch;
    WrongItem m_item;
    std::optional<VariantsResponse> m_variants;
    ListModel<VariantRow> *m_rows;
    quint64 m_ticket = 0;
};
