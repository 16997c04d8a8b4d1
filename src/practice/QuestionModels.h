#pragma once

#include "JsonReader.h"

#include <QList>
#include <QString>

#include <optional>

// The question records that the learning paths read inside lesson exercises and practice-question lists.
// The wrong book's own fields of a snapshot (type and the rest) join these when the wrong book arrives.
struct QuestionSnapshot {
    // The question text.
    struct Stem {
        std::optional<QString> text;

        static Stem fromJson(const JsonReader &json);
    };

    // One answer option; lists of options keep the server's order.
    struct Option {
        std::optional<QString> label;
        std::optional<QString> text;

        static Option fromJson(const JsonReader &json);
        // Lists that carry options (a lesson's exercise rows) tell a changed option from an unchanged one.
        friend bool operator==(const Option &, const Option &) = default;
    };
};

// One practice question as the question lists carry it.
struct VariantQuestion {
    qint64 questionId = 0;
    std::optional<QString> qtype;
    std::optional<QuestionSnapshot::Stem> stem;
    std::optional<QList<QuestionSnapshot::Option>> options;

    static VariantQuestion fromJson(const JsonReader &json);
};
