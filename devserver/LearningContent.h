#pragma once

#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <cstdint>

// The stand-in's fixed teaching content: junior-secondary mathematics chapters, their knowledge points, and
// for each point a handout, worked examples and practice questions. Built once and never changed, so it is
// read without the state's lock.
namespace devserver::learning {

struct HandoutSection {
    QString heading;
    QString body;
};

struct WorkedExample {
    QString stem;
    QStringList steps;
};

struct SampleQuestion {
    std::int64_t id = 0;
    QString qtype; // "single_choice", "fill_blank" or "solution"
    QString stem;
    QList<QPair<QString, QString>> options; // label, text; empty for a free answer
    int difficulty = 2;
    // The answer key: the first is the right answer as shown (an option's label for a choice), every one of
    // them is accepted; a typed answer is compared once trimmed, a label whatever its case.
    QStringList answers;
    // The worked solution, in order.
    QStringList steps;

    SampleQuestion keyed(QStringList acceptedAnswers, QStringList solutionSteps) &&;
    bool accepts(const QString &answer) const;
};

struct KnowledgePoint {
    QString code;
    QString name;
    QStringList keywords; // what a typed topic is matched against
    QList<HandoutSection> sections;
    QList<WorkedExample> examples;
    QList<SampleQuestion> questions;
};

struct Chapter {
    QString code;
    QString subject;
    QString stage;
    int grade = 0;
    QString name;
    QStringList keywords;
    QList<KnowledgePoint> points;
};

const QList<Chapter> &chapters();
// By its code, or by its name: the companion proposes a chapter to the learner under its name.
const Chapter *findChapter(const QString &code);
// The point and, through `chapter`, the chapter that holds it.
const KnowledgePoint *findPoint(const QString &code, const Chapter **chapter = nullptr);
// A question as the practice lists, the lesson exercises and the variants carry it: id, stem, options (none
// for a free answer) and, with `withType`, its type. Never its answer key.
QJsonObject toJson(const SampleQuestion &question, bool withType);
// The question with that id and, through `point` and `chapter`, where it stands.
const SampleQuestion *findQuestion(std::int64_t id, const KnowledgePoint **point = nullptr,
                                   const Chapter **chapter = nullptr);

} // namespace devserver::learning
