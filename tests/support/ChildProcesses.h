#pragma once

#include <QByteArray>
#include <QMap>

// The processes whose parent is this one, by pid with their names (zombies too: an ended child nobody waited
// for is still left). The kernel keeps 15 characters of a name.
QMap<int, QByteArray> childProcesses();
