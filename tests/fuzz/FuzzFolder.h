#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <cerrno>
#include <csignal>
#include <unistd.h>

// Stops the run, so that libFuzzer keeps the input, when a property does not hold.
inline void require(bool holds) {
    if (!holds)
        __builtin_trap();
}

// A folder of the fuzzing process's own for the settings files that a target writes every run: in
// memory (/dev/shm) where the system has it, so that a save's fsync costs nothing. It goes when
// the process ends normally; the folders of processes that were killed or stopped by a finding go
// when the next process starts.
inline QString fuzzFolder() {
    struct Folder {
        QString path;
        ~Folder() { QDir(path).removeRecursively(); }
    };
    static const Folder folder = [] {
        const QString prefix = QStringLiteral("pomarin-fuzz-");
        const QDir base(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                            ? QStringLiteral("/dev/shm")
                            : QDir::tempPath());
        for (const QString& name : base.entryList({prefix + u'*'}, QDir::Dirs)) {
            const pid_t owner = name.sliced(prefix.size()).toInt();
            if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH)
                QDir(base.filePath(name)).removeRecursively();
        }
        const QString path = base.filePath(prefix + QString::number(::getpid()));
        require(QDir().mkpath(path));
        return Folder{path};
    }();
    return folder.path;
}
