#pragma once

#include "JsonReader.h"

#include <QList>
#include <QString>

#include <optional>

// A question as the wrong book stores it with an entry. Its stem and options are also what the learning paths
// read inside lesson exercises and practice-question lists.
struct QuestionSnapshot {
    // The question text.
    struct Stem {
        std::optional<QString> text;

        static Stem fromJson(const JsonReader &json);
        friend bool operator==(const Stem &, const Stem &) = default;
    };

    // One answer option; lists of options keep the server's order.
    struct Option {
        std::optional<QString> label;
        std::optional<QString> text;

        static Option fromJson(const JsonReader &json);
        // Lists that carry options (a lesson's exercise rows) tell a changed option from an unchanged one.
        friend bool operator==(const Option &, const Option &) = default;
    };

    // The server's question-type code ("single_choice", "fill_blank", "solution", ...).
    std::optional<QString> qtype;
    std::optional<Stem> stem;
    std::optional<QList<Option>> options;

    static QuestionSnapshot fromJson(const JsonReader &json);
    friend bool operator==(const QuestionSnapshot &, const QuestionSnapshot &) = default;
};

// One practice question: a same-source variant of a wrong question, a question-bank question or a matched
// one.
struct VariantQuestion {
    qint64 questionId = 0;
    std::optional<QString> qtype;
    std::optional<QuestionSnapshot::Stem> stem;
    std::optional<QList<QuestionSnapshot::Option>> options;

    static VariantQuestion fromJson(const JsonReader &json);
    friend bool operator==(const VariantQuestion &, const VariantQuestion &) = default;
};
