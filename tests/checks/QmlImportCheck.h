#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Which QML modules the app needs at run time and which Debian package brings each: the modules its QML files
// import, and what those need in turn (their qmldir's `depends` and non-optional `import` lines, the imports
// of their own QML files, the modules their plugins load unannounced). A module that resolves nowhere, or
// whose package is not on the list that scripts/install-deps installs, is a problem: on a clean machine the
// app would fail there.
class QmlImportCheck {
public:
    struct Module {
        QString uri;
        QString path;     // the module's folder; empty when no import path has it
        QString package;  // the Debian package of its qmldir; empty for ours or when none owns it
        QString neededBy; // the file or module that asked for it first
        bool ours = false;
    };

    // `scanner` is Qt's qmlimportscanner, used to read a file's imports. Import paths are searched in order;
    // a module found under one of `ownImportPaths` is one of ours, built here.
    QmlImportCheck(QString scanner, QStringList importPaths, QStringList ownImportPaths);

    // Walks every module that the QML files below `root` (or the files themselves) need. False when a file
    // could not be read; error() says why.

    bool walk(const QString &root);
    bool walk(const QStringList &files);

    // The names of our modules (a singleton such as LinkOpener, a type, an enum's holder) that `file` uses
    // but does not import, one line each. qmllint cannot see them in an arrow function's body, where most
    // handlers are written, and there they fail only when they run ("ReferenceError: LinkOpener is not
    // defined").
    QStringList unimportedNames(const QString &file) const;

    // The modules found, in the order they were found.
    const QList<Module> &modules() const { return m_modules; }
    // One line per module that would fail on a machine with just `packages` installed.
    QStringList problems(const QStringList &packages) const;
    QString error() const { return m_error; }

private:
    bool scanFiles(const QStringList &files, const QString &neededBy, const QString &root);
    bool expandAll();
    void need(const QString &uri, const QString &neededBy);
    bool expand(Module module);
    bool assignPackages();

    QString m_scanner;
    QStringList m_importPaths;
    QStringList m_ownImportPaths;
    QList<Module> m_modules;
    QHash<QString, qsizetype> m_index;
    // Each name our modules export, with the modules that export it; and each of their QML files' module.
    QHash<QString, QStringList> m_exports;
    QHash<QString, QStringList> m_fileModules;
    QString m_error;
};
