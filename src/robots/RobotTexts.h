#pragma once

#include <QString>
#include <QStringList>

// The interface texts of the robot views (avatar, scene banner, stage, robot settings) in the four languages
// the companion speaks. They are the robot views' share of the companion chat's texts and carry the same
// field names; the table is chosen by the language in effect of the robot store, not by the system language.
struct RobotTexts {
    // Avatar and banner.
    QString robotTag;
    QString greetHint;
    QString a11yThinking;
    QString a11ySpeaking;
    // Robot stage.
    QString tagline;
    QString autoLanguage;
    // Robot settings.
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
    QString modelFooterFormat; // two "%@"
    QString modelFooter;
    QString done;

    // "en-US" English, "yue-HK" Cantonese (Traditional characters), "ja-JP" Japanese; every other code
    // (exact, case-sensitive comparison), "zh-CN" and the empty code included, Simplified Chinese. The tables
    // are made once and never change.
    static const RobotTexts &forLanguage(const QString &code);

    // Fills the "%@" placeholders of `format` with `arguments`, in order; a placeholder without an argument
    // stays as it is.
    static QString format(const QString &format, const QStringList &arguments);
};
