#include "Http.h"
#include "Routes.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextBoundaryFinder>

#include <cmath>
#include <numbers>

namespace devserver {

namespace {

// The longest text the speech service reads, in user-perceived characters.
constexpr int kMaxTtsCharacters = 600;

constexpr int kSampleRate = 16000;
constexpr int kToneMs = 400;

void appendLe16(QByteArray &out, quint16 value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

void appendLe32(QByteArray &out, quint32 value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char((value >> shift) & 0xFF));
}

int graphemeCount(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

// Stands in for synthesized speech: a RIFF/WAVE file of 16-bit mono PCM at 16 kHz holding a soft tone with
// short fades, pitched by the voice so that voices can be told apart by ear.
QByteArray makeSpeechWave(double frequency) {
    const int samples = kSampleRate * kToneMs / 1000;
    const int fadeSamples = kSampleRate * 30 / 1000;
    QByteArray pcm;
    pcm.reserve(samples * 2);
    for (int i = 0; i < samples; ++i) {
        double envelope = 1.0;
        if (i < fadeSamples)
            envelope = double(i) / fadeSamples;
        else if (i > samples - fadeSamples)
            envelope = double(samples - i) / fadeSamples;
        const double value = 0.2 * envelope * std::sin(2.0 * std::numbers::pi * frequency * i / kSampleRate);
        appendLe16(pcm, quint16(qint16(std::lround(value * 32767.0))));
    }

    QByteArray wave;
    wave.reserve(44 + pcm.size());
    wave.append("RIFF");
    appendLe32(wave, quint32(36 + pcm.size()));
    wave.append("WAVE");
    wave.append("fmt ");
    appendLe32(wave, 16);              // size of the format chunk
    appendLe16(wave, 1);               // PCM
    appendLe16(wave, 1);               // mono
    appendLe32(wave, kSampleRate);     // sample rate
    appendLe32(wave, kSampleRate * 2); // bytes per second
    appendLe16(wave, 2);               // bytes per frame
    appendLe16(wave, 16);              // bits per sample
    wave.append("data");
    appendLe32(wave, quint32(pcm.size()));
    wave.append(pcm);
    return wave;
}

double toneFor(const QString &voice) {
    if (voice == u"bright_boy")
        return 587.33;
    if (voice == u"calm_teacher")
        return 392.0;
    if (voice == u"robot")
        return 659.25;
    return 523.25;
}

// Media routes are public; a request that does carry a token must carry a live one.
bool acceptCaller(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    return !req.has_header("Authorization") || requireSignedIn(state, req, res).has_value();
}

void capabilities(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    if (!acceptCaller(state, req, res))
        return;
    const QJsonArray items{
        QJsonObject{{QStringLiteral("capability"), QStringLiteral("tts")}, {QStringLiteral("enabled"), true}},
        QJsonObject{{QStringLiteral("capability"), QStringLiteral("asr")},
                    {QStringLiteral("enabled"), false}},
    };
    sendJson(res, 200, QJsonObject{{QStringLiteral("items"), items}});
}

void tts(ServerState &state, const httplib::Request &req, httplib::Response &res) {
    if (!acceptCaller(state, req, res))
        return;
    const auto body = readJsonObject(req, res);
    if (!body)
        return;
    const auto text = requireString(*body, "text", res);
    if (!text)
        return;
    if (!requireString(*body, "language", res))
        return;
    const QJsonValue voice = body->value(QStringLiteral("robot_voice"));
    if (!voice.isUndefined() && !voice.isString())
        return sendInvalidRequest(res, QStringLiteral("robot_voice 格式不正确"));
    if (text->trimmed().isEmpty())
        return sendInvalidRequest(res, QStringLiteral("朗读内容不能为空"));
    if (graphemeCount(*text) > kMaxTtsCharacters)
        return sendInvalidRequest(res, QStringLiteral("朗读内容过长"));
    const QByteArray wave = makeSpeechWave(toneFor(voice.toString()));
    res.status = 200;
    res.set_content(wave.constData(), size_t(wave.size()), "audio/wav");
}

} // namespace

void registerMediaRoutes(Router &router) {
    ServerState &state = router.state();
    router.get("/v1/media/capabilities", [&state](const httplib::Request &req, httplib::Response &res) {
        capabilities(state, req, res);
    });
    router.post("/v1/media/tts",
                [&state](const httplib::Request &req, httplib::Response &res) { tts(state, req, res); });
}

} // namespace devserver
