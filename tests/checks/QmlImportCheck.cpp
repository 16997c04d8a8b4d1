#include "QmlImportCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <utility>

namespace {

// Modules a plugin loads at run time without naming them in its qmldir. QtQuick.Dialogs builds its non-native
// dialogs, the file dialog among them, from QtQuick.Dialogs.quickimpl (whose file dialog lists a folder with
// Qt.labs.folderlistmodel).
const QHash<QString, QStringList> &loadedAtRunTime() {
    static const QHash<QString, QStringList> links{
        {QStringLiteral("QtQuick.Dialogs"), {QStringLiteral("QtQuick.Dialogs.quickimpl")}},
    };
    return links;
}

// The QML files in `dir` and its plain subfolders: not those of a file selector ("+Material/"), which stand
// in for the plain ones only under that style, nor Qt Design Studio's property panes ("designer/"), nor those
// of another module nested in it.
void collectQml(const QString &dir, QStringList &files, bool top) {
    const QDir folder(dir);
    if (!top && folder.exists(QStringLiteral("qmldir")))
        return;
    for (const QFileInfo &file : folder.entryInfoList({QStringLiteral("*.qml")}, QDir::Files, QDir::Name))
        files << file.filePath();
    for (const QFileInfo &sub : folder.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!sub.fileName().startsWith(u'+') && sub.fileName() != QStringLiteral("designer"))
            collectQml(sub.filePath(), files, false);
    }
}

QString readText(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

} // namespace

QmlImportCheck::QmlImportCheck(QString scanner, QStringList importPaths, QStringList ownImportPaths)
    : m_scanner(std::move(scanner)), m_importPaths(std::move(importPaths)),
      m_ownImportPaths(std::move(ownImportPaths)) {
    for (QString &path : m_importPaths)
        path = QDir(path).absolutePath();
    for (QString &path : m_ownImportPaths)
        path = QDir(path).absolutePath();
    // What our modules export: the QML types their qmldir lists and the C++ types of their type description.
    const QRegularExpression exports(QStringLiteral("exports:\\s*\\[([^\\]]*)\\]"));
    const QRegularExpression exported(QStringLiteral("\"[^\"/]+/(\\w+) [^\"]*\""));
    for (const QString &own : std::as_const(m_ownImportPaths)) {
        QStringList qmldirs;
        QList<QDir> pending{QDir(own)};
        while (!pending.isEmpty()) {
            const QDir dir = pending.takeFirst();
            if (dir.exists(QStringLiteral("qmldir")))
                qmldirs << dir.filePath(QStringLiteral("qmldir"));
            for (const QFileInfo &sub : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
                pending << QDir(sub.filePath());
        }
        for (const QString &qmldir : std::as_const(qmldirs)) {
            // "module Quorvel.Ui" comes first; then "typeinfo quorvel_ui.qmltypes", "Card 1.0 Card.qml", ...
            QString uri;
            const auto exportName = [&](const QString &name) {
                if (!m_exports[name].contains(uri))
                    m_exports[name] << uri;
            };
            for (const QString &line : readText(qmldir).split(u'\n')) {
                const QStringList words = line.simplified().split(u' ', Qt::SkipEmptyParts);
                if (words.size() == 2 && words[0] == QStringLiteral("module")) {
                    uri = words[1];
                } else if (words.size() == 2 && words[0] == QStringLiteral("typeinfo")) {
                    const QString types = readText(QFileInfo(qmldir).dir().filePath(words[1]));
                    for (auto list = exports.globalMatch(types); list.hasNext();) {
                        for (auto name = exported.globalMatch(list.next().captured(1)); name.hasNext();)
                            exportName(name.next().captured(1));
                    }
                } else if (words.size() >= 3 && words.last().endsWith(QStringLiteral(".qml"))) {
                    exportName(words[words.size() - 3]);
                    m_fileModules[words.last()] << uri;
                }
            }
        }
    }
}

bool QmlImportCheck::walk(const QString &root) {
    QStringList files;
    collectQml(root, files, true);
    if (files.isEmpty()) {
        m_error = QStringLiteral("no QML file below %1").arg(root);
        return false;
    }
    return scanFiles(files, QString(), QFileInfo(root).absoluteDir().absolutePath()) && expandAll();
}

bool QmlImportCheck::walk(const QStringList &files) {
    return scanFiles(files, QString(), QString()) && expandAll();
}

bool QmlImportCheck::expandAll() {
    // The list grows while it is walked: each module adds what it needs.
    for (qsizetype i = 0; i < m_modules.size(); ++i) {
        if (!m_modules[i].path.isEmpty() && !expand(m_modules[i]))
            return false;
    }
    return assignPackages();
}

// Reads the imports of `files` (qmlimportscanner with no import path reports only what the files name) and
// asks for each module: on behalf of `neededBy`, or else of the first of the files that imports it.
bool QmlImportCheck::scanFiles(const QStringList &files, const QString &neededBy, const QString &root) {
    QProcess scanner;
    scanner.start(m_scanner, QStringList{QStringLiteral("-qmlFiles")} + files);
    if (!scanner.waitForFinished(60000) || scanner.exitStatus() != QProcess::NormalExit ||
        scanner.exitCode() != 0) {
        m_error = QStringLiteral("%1 failed: %2")
                      .arg(m_scanner, QString::fromLocal8Bit(scanner.readAllStandardError()));
        return false;
    }
    const QJsonArray imports = QJsonDocument::fromJson(scanner.readAllStandardOutput()).array();
    for (const QJsonValue &entry : imports) {
        const QJsonObject import = entry.toObject();
        if (import.value(QStringLiteral("type")).toString() != QStringLiteral("module"))
            continue; // a folder of QML files, part of the file's own code
        const QString uri = import.value(QStringLiteral("name")).toString();
        QString by = neededBy;
        if (by.isEmpty()) {
            const QRegularExpression line(
                QStringLiteral("^\\s*import\\s+%1(\\s|;|$)").arg(QRegularExpression::escape(uri)),
                QRegularExpression::MultilineOption);
            for (const QString &file : files) {
                if (line.match(readText(file)).hasMatch()) {
                    by = root.isEmpty() ? file : QDir(root).relativeFilePath(file);
                    break;
                }
            }
        }
        need(uri, by);
    }
    return true;
}

void QmlImportCheck::need(const QString &uri, const QString &neededBy) {
    if (m_index.contains(uri))
        return;
    Module module{uri, {}, {}, neededBy};
    const QString relative = QString(uri).replace(u'.', u'/');
    for (const QString &importPath : std::as_const(m_importPaths)) {
        const QString dir = importPath + u'/' + relative;
        if (QFileInfo::exists(dir + QStringLiteral("/qmldir"))) {
            module.path = dir;
            break;
        }
    }
    for (const QString &own : std::as_const(m_ownImportPaths)) {
        if (!module.path.isEmpty() && module.path.startsWith(own + u'/'))
            module.ours = true;
    }
    m_index.insert(uri, m_modules.size());
    m_modules.append(module);
}

// What `module` needs: the modules its qmldir depends on or imports (not the optional ones: other styles),
// the ones its plugin loads, and the imports of its QML files. Ours are the app's own files, already read.
// (A copy: the list grows meanwhile.)
bool QmlImportCheck::expand(Module module) {
    const QString &uri = module.uri;
    const QString &path = module.path;
    const QStringList lines = readText(path + QStringLiteral("/qmldir")).split(u'\n');
    for (const QString &line : lines) {
        const QStringList words = line.simplified().split(u' ', Qt::SkipEmptyParts);
        if (words.size() >= 2 &&
            (words[0] == QStringLiteral("depends") || words[0] == QStringLiteral("import")))
            need(words[1], uri);
        else if (words.size() >= 3 && words[0] == QStringLiteral("default") &&
                 words[1] == QStringLiteral("import"))
            need(words[2], uri);
    }
    for (const QString &loaded : loadedAtRunTime().value(uri))
        need(loaded, uri);
    if (module.ours)
        return true;
    QStringList files;
    collectQml(path, files, true);
    return files.isEmpty() || scanFiles(files, uri, path);
}

// The package of each module found outside our import paths, as dpkg knows its qmldir.
bool QmlImportCheck::assignPackages() {
    QStringList qmldirs;
    for (const Module &module : std::as_const(m_modules)) {
        if (!module.path.isEmpty() && !module.ours)
            qmldirs << module.path + QStringLiteral("/qmldir");
    }
    if (qmldirs.isEmpty())
        return true;
    QProcess dpkg;
    dpkg.start(QStringLiteral("dpkg-query"), QStringList{QStringLiteral("-S")} + qmldirs);
    if (!dpkg.waitForFinished(60000)) {
        m_error = QStringLiteral("dpkg-query did not answer");
        return false;
    }
    // "qml6-module-qtquick:amd64: /usr/lib/.../QtQuick/qmldir"; a path no package owns is only on stderr.
    QHash<QString, QString> owners;
    const QRegularExpression owned(QStringLiteral("^([^:,\\s]+)[^ ]*(?:, [^ ]+)*: (/.*)$"));
    for (const QString &line : QString::fromLocal8Bit(dpkg.readAllStandardOutput()).split(u'\n')) {
        const QRegularExpressionMatch match = owned.match(line);
        if (match.hasMatch() && !line.startsWith(QStringLiteral("diversion")))
            owners.insert(match.captured(2), match.captured(1));
    }
    for (Module &module : m_modules) {
        if (!module.path.isEmpty() && !module.ours)
            module.package = owners.value(module.path + QStringLiteral("/qmldir"));
    }
    return true;
}

QStringList QmlImportCheck::problems(const QStringList &packages) const {
    QStringList found;
    for (const Module &module : m_modules) {
        const QString who =
            module.neededBy.isEmpty() ? QString() : QStringLiteral(", needed by %1").arg(module.neededBy);
        if (module.path.isEmpty())
            found << QStringLiteral("%1%2: no such module is installed").arg(module.uri, who);
        else if (module.ours)
            continue;
        else if (module.package.isEmpty())
            found
                << QStringLiteral("%1%2: %3 belongs to no Debian package").arg(module.uri, who, module.path);
        else if (!packages.contains(module.package))
            found << QStringLiteral("%1%2: comes with %3, which scripts/install-deps does not install")
                         .arg(module.uri, who, module.package);
    }
    return found;
}

namespace {

// `text` with its comments and string literals blanked out, so that only code is left to look for names in.
QString codeOnly(const QString &text) {
    QString code = text;
    enum { Code, Line, Block, Quoted } state = Code;
    QChar quote;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        const QChar next = i + 1 < code.size() ? code[i + 1] : QChar();
        switch (state) {
        case Code:
            if (c == u'/' && next == u'/')
                state = Line;
            else if (c == u'/' && next == u'*')
                state = Block;
            else if (c == u'"' || c == u'\'' || c == u'`')
                state = Quoted, quote = c;
            else
                continue;
            break;
        case Line:
            if (c == u'\n')
                state = Code;
            break;
        case Block:
            if (c == u'*' && next == u'/')
                state = Code, code[i + 1] = u' ';
            break;
        case Quoted:
            if (c == u'\\')
                code[++i] = u' ';
            else if (c == quote)
                state = Code;
            break;
        }
        if (c != u'\n')
            code[i] = u' ';
    }
    return code;
}

} // namespace

QStringList QmlImportCheck::unimportedNames(const QString &file) const {
    const QString code = codeOnly(readText(file));
    // What the file sees unqualified: the modules it imports without "as", and its own.
    QStringList visible = m_fileModules.value(QFileInfo(file).fileName());
    const QRegularExpression import(QStringLiteral("^\\s*import\\s+([\\w.]+)(\\s+[\\d.]+)?\\s*(as\\s+\\w+)?"),
                                    QRegularExpression::MultilineOption);
    for (auto match = import.globalMatch(code); match.hasNext();) {
        const QRegularExpressionMatch imported = match.next();
        if (imported.captured(3).isEmpty())
            visible << imported.captured(1);
    }
    QStringList inline_;
    const QRegularExpression component(QStringLiteral("\\bcomponent\\s+(\\w+)"));
    for (auto match = component.globalMatch(code); match.hasNext();)
        inline_ << match.next().captured(1);

    QStringList found;
    // A name that starts an expression or a declaration, not one reached through another (`Theme`, not the
    // `Theme` of `Foo.Theme`).
    const QRegularExpression name(QStringLiteral("(?<![\\w.$])[A-Z]\\w*"));
    for (auto match = name.globalMatch(code); match.hasNext();) {
        const QRegularExpressionMatch used = match.next();
        const QStringList modules = m_exports.value(used.captured(0));
        if (modules.isEmpty() || inline_.contains(used.captured(0)))
            continue;
        bool seen = false;
        for (const QString &module : modules)
            seen = seen || visible.contains(module);
        if (seen)
            continue;
        const int line = int(code.left(used.capturedStart()).count(u'\n')) + 1;
        found << QStringLiteral("%1:%2: %3 is in %4, which the file does not import")
                     .arg(file)
                     .arg(line)
                     .arg(used.captured(0), modules.join(QStringLiteral(" or ")));
    }
    return found;
}
