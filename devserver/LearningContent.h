#pragma once

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
    QString qtype; // "single_choice" or "fill_blank"
    QString stem;
    QList<QPair<QString, QString>> options; // label, text; empty for a free answer
    int difficulty = 2;
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
const Chapter *findChapter(const QString &code);
// The point and, through `chapter`, the chapter that holds it.
const KnowledgePoint *findPoint(const QString &code, const Chapter **chapter = nullptr);

} // namespace devserver::learning
