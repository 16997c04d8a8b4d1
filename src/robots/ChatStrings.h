#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

// Every interface text of the companion chat, of its settings sheet and of the robot views, in the four
// languages the companion speaks. The table follows the learner's robot language (the robot store's language
// in effect), not the system language. Field names are the ones the views bind to (`strings.send`).
struct ChatStrings {
    Q_GADGET
    QML_VALUE_TYPE(chatStrings)
    Q_PROPERTY(QString tagline MEMBER tagline CONSTANT)
    Q_PROPERTY(QString statusReady MEMBER statusReady CONSTANT)
    Q_PROPERTY(QString statusThinking MEMBER statusThinking CONSTANT)
    Q_PROPERTY(QString statusSpeaking MEMBER statusSpeaking CONSTANT)
    Q_PROPERTY(QString autoLanguage MEMBER autoLanguage CONSTANT)
    Q_PROPERTY(QString tryAsking MEMBER tryAsking CONSTANT)
    Q_PROPERTY(QString placeholderFormat MEMBER placeholderFormat CONSTANT)
    Q_PROPERTY(QString send MEMBER send CONSTANT)
    Q_PROPERTY(QString stopReply MEMBER stopReply CONSTANT)
    Q_PROPERTY(QString stopped MEMBER stopped CONSTANT)
    Q_PROPERTY(QString speak MEMBER speak CONSTANT)
    Q_PROPERTY(QString stopSpeak MEMBER stopSpeak CONSTANT)
    Q_PROPERTY(QString speakA11y MEMBER speakA11y CONSTANT)
    Q_PROPERTY(QString hintTag MEMBER hintTag CONSTANT)
    Q_PROPERTY(QStringList hintNames MEMBER hintNames CONSTANT)
    Q_PROPERTY(QString moreHint MEMBER moreHint CONSTANT)
    Q_PROPERTY(QString fullSolution MEMBER fullSolution CONSTANT)
    Q_PROPERTY(QString needConfirm MEMBER needConfirm CONSTANT)
    Q_PROPERTY(QString viewConfirm MEMBER viewConfirm CONSTANT)
    Q_PROPERTY(QString confirm MEMBER confirm CONSTANT)
    Q_PROPERTY(QString cancel MEMBER cancel CONSTANT)
    Q_PROPERTY(QString crisisTitle MEMBER crisisTitle CONSTANT)
    Q_PROPERTY(QString call MEMBER call CONSTANT)
    Q_PROPERTY(QString settings MEMBER settings CONSTANT)
    Q_PROPERTY(QString buddySettings MEMBER buddySettings CONSTANT)
    Q_PROPERTY(QString robotSettings MEMBER robotSettings CONSTANT)
    Q_PROPERTY(QString clear MEMBER clear CONSTANT)
    Q_PROPERTY(QString notice MEMBER notice CONSTANT)
    Q_PROPERTY(QString ok MEMBER ok CONSTANT)
    Q_PROPERTY(QString savedToast MEMBER savedToast CONSTANT)
    Q_PROPERTY(QString pathCreatedFormat MEMBER pathCreatedFormat CONSTANT)
    Q_PROPERTY(QString orderHint MEMBER orderHint CONSTANT)
    Q_PROPERTY(QString otherHint MEMBER otherHint CONSTANT)
    Q_PROPERTY(QString switchedFormat MEMBER switchedFormat CONSTANT)
    Q_PROPERTY(QString robotSettingsTitle MEMBER robotSettingsTitle CONSTANT)
    Q_PROPERTY(QString preview MEMBER preview CONSTANT)
    Q_PROPERTY(QString robotFooter MEMBER robotFooter CONSTANT)
    Q_PROPERTY(QString languageSection MEMBER languageSection CONSTANT)
    Q_PROPERTY(QString languagePicker MEMBER languagePicker CONSTANT)
    Q_PROPERTY(QString languageFooterFormat MEMBER languageFooterFormat CONSTANT)
    Q_PROPERTY(QString voiceSection MEMBER voiceSection CONSTANT)
    Q_PROPERTY(QString voicePicker MEMBER voicePicker CONSTANT)
    Q_PROPERTY(QString followDefault MEMBER followDefault CONSTANT)
    Q_PROPERTY(QString autoSpeak MEMBER autoSpeak CONSTANT)
    Q_PROPERTY(QString modelSection MEMBER modelSection CONSTANT)
    Q_PROPERTY(QString modelAuto MEMBER modelAuto CONSTANT)
    Q_PROPERTY(QString modelLocal MEMBER modelLocal CONSTANT)
    Q_PROPERTY(QString modelCloud MEMBER modelCloud CONSTANT)
    Q_PROPERTY(QString available MEMBER available CONSTANT)
    Q_PROPERTY(QString notConfigured MEMBER notConfigured CONSTANT)
    Q_PROPERTY(QString modelFooterFormat MEMBER modelFooterFormat CONSTANT)
    Q_PROPERTY(QString modelFooter MEMBER modelFooter CONSTANT)
    Q_PROPERTY(QString done MEMBER done CONSTANT)
    Q_PROPERTY(QString robotTag MEMBER robotTag CONSTANT)
    Q_PROPERTY(QString greetHint MEMBER greetHint CONSTANT)
    Q_PROPERTY(QString a11yThinking MEMBER a11yThinking CONSTANT)
    Q_PROPERTY(QString a11ySpeaking MEMBER a11ySpeaking CONSTANT)
    Q_PROPERTY(QString styleHeader MEMBER styleHeader CONSTANT)
    Q_PROPERTY(QString styleFooter MEMBER styleFooter CONSTANT)
    Q_PROPERTY(QString nameHeader MEMBER nameHeader CONSTANT)
    Q_PROPERTY(QString namePlaceholder MEMBER namePlaceholder CONSTANT)
    Q_PROPERTY(QString save MEMBER save CONSTANT)
    Q_PROPERTY(QString saving MEMBER saving CONSTANT)
    Q_PROPERTY(QString pathSummaryFormat MEMBER pathSummaryFormat CONSTANT)
    Q_PROPERTY(QString orderSummaryFormat MEMBER orderSummaryFormat CONSTANT)
    Q_PROPERTY(QString topicSummaryFormat MEMBER topicSummaryFormat CONSTANT)
    Q_PROPERTY(QString practiceSummaryFormat MEMBER practiceSummaryFormat CONSTANT)
    Q_PROPERTY(QString onlineFormat MEMBER onlineFormat CONSTANT)
    Q_PROPERTY(QString referencesTitle MEMBER referencesTitle CONSTANT)

public:
    QString tagline;
    QString statusReady;
    QString statusThinking;
    QString statusSpeaking;
    QString autoLanguage;
    QString tryAsking;
    QString placeholderFormat; // one "%@": the buddy's name
    QString send;
    QString stopReply;
    QString stopped;
    QString speak;
    QString stopSpeak;
    QString speakA11y;
    QString hintTag;
    QStringList hintNames; // levels 1, 2, 3
    QString moreHint;
    QString fullSolution;
    QString needConfirm;
    QString viewConfirm;
    QString confirm;
    QString cancel;
    QString crisisTitle;
    QString call;
    QString settings;
    QString buddySettings;
    QString robotSettings;
    QString clear;
    QString notice;
    QString ok;
    QString savedToast;
    QString pathCreatedFormat; // one "%@": the path's goal
    QString orderHint;
    QString otherHint;
    QString switchedFormat; // one "%@": the language's label
    QString robotSettingsTitle;
    QString preview;
    QString robotFooter;
    QString languageSection;
    QString languagePicker;
    QString languageFooterFormat; // one "%@"
    QString voiceSection;
    QString voicePicker;
    QString followDefault;
    QString autoSpeak;
    QString modelSection;
    QString modelAuto;
    QString modelLocal;
    QString modelCloud;
    QString available;
    QString notConfigured;
    QString modelFooterFormat; // two "%@": the local and the cloud model's state
    QString modelFooter;
    QString done;
    QString robotTag;
    QString greetHint;
    QString a11yThinking;
    QString a11ySpeaking;
    QString styleHeader;
    QString styleFooter;
    QString nameHeader;
    QString namePlaceholder;
    QString save;
    QString saving;
    QMap<QString, QString> personaNames;   // by persona: "cheerful", "calm", "strict"
    QMap<QString, QString> personaDetails; // by persona
    QMap<QString, QString> confirmTitles;  // by confirm skill
    QString pathSummaryFormat;             // one "%@"
    QString orderSummaryFormat;            // one "%@"
    QString topicSummaryFormat;            // one "%@"
    QString practiceSummaryFormat;         // one "%@"
    QString onlineFormat;                  // one "%@"
    QString referencesTitle;

    // "en-US" English, "yue-HK" Cantonese (Traditional characters), "ja-JP" Japanese; every other code
    // (exact, case-sensitive comparison), "zh-CN" and the empty code included, Simplified Chinese. Each table
    // is made once, on first use, and never changes.
    static const ChatStrings &forLanguage(const QString &code);

    // The hint tag of a reply: "提示 2/3 · 关键步骤". The level is printed as given; the name is that of the
    // level clamped to 1..3, and the total stays 3 whatever the server's maximum.
    Q_INVOKABLE QString hintTagText(int level) const;

    // Fills the "%@" placeholders of `format` with `arguments`, in order; a placeholder without an argument
    // stays as it is, and an argument's own "%@" is never filled.
    static QString format(const QString &format, const QStringList &arguments);
};
