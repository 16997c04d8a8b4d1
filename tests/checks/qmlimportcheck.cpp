// quorvel-qmlimportcheck: fails when the app's QML needs a module that a clean machine would not have after
// scripts/install-deps, or uses a name of one of our modules without importing it.
//
//   quorvel-qmlimportcheck --scanner QMLIMPORTSCANNER --import-path DIR... --own DIR --install-deps SCRIPT
//                          [--without PACKAGE...] ROOT|FILE...
//
// ROOT, a folder, stands for every QML file below it. --own names the import path of the modules built here;
// --without leaves a package out of the list, as a machine without it would be.
#include "QmlImportCheck.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QTextStream>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption scanner(QStringLiteral("scanner"), QStringLiteral("qmlimportscanner"),
                                     QStringLiteral("path"));
    const QCommandLineOption importPath(QStringLiteral("import-path"), QStringLiteral("QML import path"),
                                        QStringLiteral("dir"));
    const QCommandLineOption own(QStringLiteral("own"), QStringLiteral("import path of our modules"),
                                 QStringLiteral("dir"));
    const QCommandLineOption installDeps(QStringLiteral("install-deps"),
                                         QStringLiteral("scripts/install-deps"), QStringLiteral("path"));
    const QCommandLineOption without(QStringLiteral("without"), QStringLiteral("package to leave out"),
                                     QStringLiteral("package"));
    parser.addOptions({scanner, importPath, own, installDeps, without});
    parser.addPositionalArgument(QStringLiteral("qml"), QStringLiteral("folder or QML files"));
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.isSet(scanner) || !parser.isSet(installDeps) || parser.positionalArguments().isEmpty()) {
        err << parser.helpText();
        return 2;
    }

    QProcess list;
    list.start(parser.value(installDeps), {QStringLiteral("--list")});
    if (!list.waitForFinished(30000) || list.exitCode() != 0) {
        err << "qml imports: " << parser.value(installDeps) << " --list failed\n";
        return 2;
    }
    QStringList packages =
        QString::fromLocal8Bit(list.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &left : parser.values(without))
        packages.removeAll(left);

    QStringList importPaths = parser.values(importPath);
    importPaths << QLibraryInfo::path(QLibraryInfo::QmlImportsPath);
    QmlImportCheck check(parser.value(scanner), importPaths, parser.values(own));

    QStringList files;
    QStringList roots;
    for (const QString &argument : parser.positionalArguments())
        (QFileInfo(argument).isDir() ? roots : files) << argument;
    bool walked = files.isEmpty() || check.walk(files);
    for (const QString &root : std::as_const(roots))
        walked = walked && check.walk(root);
    if (!walked) {
        err << "qml imports: " << check.error() << '\n';
        return 2;
    }

    for (const QmlImportCheck::Module &module : check.modules()) {
        out << qSetFieldWidth(36) << Qt::left << module.uri << qSetFieldWidth(0)
            << (module.ours ? QStringLiteral("(built here)") : module.package);
        if (!module.neededBy.isEmpty())
            out << "  <- " << module.neededBy;
        out << '\n';
    }

    QStringList problems = check.problems(packages);
    for (const QString &root : std::as_const(roots)) {
        for (QDirIterator it(root, {QStringLiteral("*.qml")}, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();)
            files << it.next();
    }
    files.sort();
    for (const QString &file : std::as_const(files))
        problems << check.unimportedNames(file);
    out.flush();
    for (const QString &problem : std::as_const(problems))
        err << "qml imports: " << problem << '\n';
    return problems.isEmpty() ? 0 : 1;
}
