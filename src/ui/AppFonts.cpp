#include "AppFonts.h"

#include "Symbols.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>
#include <QtEndian>

namespace {

quint16 u16(const QByteArray &data, qsizetype at) {
    return qFromBigEndian<quint16>(data.constData() + at);
}
quint32 u32(const QByteArray &data, qsizetype at) {
    return qFromBigEndian<quint32>(data.constData() + at);
}
void put16(QByteArray &data, quint16 value) {
    char bytes[2];
    qToBigEndian(value, bytes);
    data.append(bytes, 2);
}
void put32(QByteArray &data, quint32 value) {
    char bytes[4];
    qToBigEndian(value, bytes);
    data.append(bytes, 4);
}

quint32 tableChecksum(const QByteArray &table) {
    QByteArray padded = table;
    padded.append((4 - padded.size() % 4) % 4, '\0');
    quint32 sum = 0;
    for (qsizetype i = 0; i < padded.size(); i += 4)
        sum += u32(padded, i);
    return sum;
}

// Where the 'name' table's directory record is, or -1; the whole directory must lie inside the file.
qsizetype nameRecord(const QByteArray &sfnt) {
    if (sfnt.size() < 12)
        return -1;
    const quint32 version = u32(sfnt, 0);
    if (version != 0x00010000 && version != 0x4F54544F) // TrueType, 'OTTO'
        return -1;
    const int tables = u16(sfnt, 4);
    if (sfnt.size() < 12 + 16 * qsizetype(tables))
        return -1;
    for (int i = 0; i < tables; ++i) {
        const qsizetype record = 12 + 16 * qsizetype(i);
        if (sfnt.mid(record, 4) == "name")
            return record;
    }
    return -1;
}

} // namespace

bool AppFonts::install(QGuiApplication &app) {
    Symbols::loadFont();
    if (!QFontDatabase::families().contains(cjkFamily))
        return false;
    QFont font = app.font();
    font.setFamilies({cjkFamily});
    app.setFont(font);
    return true;
}

QByteArray AppFonts::withFamilyName(const QByteArray &sfnt, const QString &family) {
    const qsizetype record = nameRecord(sfnt);
    if (record < 0 || family.isEmpty())
        return {};
    // A new 'name' table (format 0) with Windows Unicode records only: family, style, full name,
    // PostScript name and typographic family.
    QString postScript = family;
    postScript.remove(u' ');
    const QList<std::pair<quint16, QString>> names{
        {1, family}, {2, QStringLiteral("Regular")}, {4, family}, {6, postScript}, {16, family}};
    QByteArray strings;
    QByteArray table;
    put16(table, 0);
    put16(table, quint16(names.size()));
    put16(table, quint16(6 + 12 * names.size()));
    for (const auto &[id, text] : names) {
        QByteArray utf16;
        for (const QChar c : text)
            put16(utf16, c.unicode());
        put16(table, 3);      // Windows
        put16(table, 1);      // Unicode BMP
        put16(table, 0x0409); // English (United States)
        put16(table, id);
        put16(table, quint16(utf16.size()));
        put16(table, quint16(strings.size()));
        strings += utf16;
    }
    table += strings;

    // The new table goes at the end of the file (4-byte aligned); the old one stays unused where it is.
    QByteArray font = sfnt;
    font.append((4 - font.size() % 4) % 4, '\0');
    const quint32 offset = quint32(font.size());
    font += table;
    QByteArray entry;
    put32(entry, tableChecksum(table));
    put32(entry, offset);
    put32(entry, quint32(table.size()));
    font.replace(record + 4, 12, entry);
    return font;
}

QStringList AppFonts::familyNames(const QByteArray &sfnt) {
    const qsizetype record = nameRecord(sfnt);
    if (record < 0)
        return {};
    const qsizetype offset = u32(sfnt, record + 8);
    const qsizetype length = u32(sfnt, record + 12);
    if (offset + length > sfnt.size() || length < 6)
        return {};
    const QByteArray table = sfnt.mid(offset, length);
    const int count = u16(table, 2);
    const qsizetype storage = u16(table, 4);
    QStringList families;
    for (int i = 0; i < count && 6 + 12 * qsizetype(i) + 12 <= table.size(); ++i) {
        const qsizetype at = 6 + 12 * qsizetype(i);
        const quint16 platform = u16(table, at), id = u16(table, at + 6);
        const qsizetype size = u16(table, at + 8), start = storage + u16(table, at + 10);
        if (platform != 3 || (id != 1 && id != 16) || start + size > table.size())
            continue;
        QString name;
        for (qsizetype c = 0; c + 1 < size; c += 2)
            name.append(QChar(u16(table, start + c)));
        if (!families.contains(name))
            families.append(name);
    }
    return families;
}
