#include "ChildProcesses.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>

QMap<int, QByteArray> childProcesses() {
    QMap<int, QByteArray> found;
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const int pid = entry.toInt(&number);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray fields = stat.readAll();
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const qsizetype open = fields.indexOf('('), close = fields.lastIndexOf(')');
        const QList<QByteArray> rest = fields.mid(close + 2).split(' ');
        if (rest.size() > 1 && rest[1] == self)
            found.insert(pid, fields.mid(open + 1, close - open - 1));
    }
    return found;
}
