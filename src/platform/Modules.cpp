#include "platform/Modules.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <dlfcn.h>

#ifndef NOTELLA_MODULE_DIR
#define NOTELLA_MODULE_DIR "/usr/local/lib/notella"
#endif
#ifndef NOTELLA_MODULE_DIR_FROM_BIN
#define NOTELLA_MODULE_DIR_FROM_BIN "../lib/notella"
#endif

QStringList ModuleDirectories() {
    // The executable itself, not argv[0] nor the program directory a test may fake.
    const QString exeDir =
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    QStringList dirs{exeDir,
                     QDir::cleanPath(exeDir + '/' + QStringLiteral(NOTELLA_MODULE_DIR_FROM_BIN)),
                     QStringLiteral(NOTELLA_MODULE_DIR)};
    dirs.removeDuplicates();
    return dirs;
}

void* ModuleSymbol(const char* name, const char* symbol, QString* error) {
    static QMutex lock;
    static QHash<QByteArray, void*> handles; // kept open for the run: their code may be in use
    const QMutexLocker locker(&lock);
    const QByteArray key(name);
    void* handle = handles.value(key);
    QString why;
    if (!handle) {
        const QString file = QString::fromLatin1(name) + QStringLiteral(".so");
        for (const QString& dir : ModuleDirectories()) {
            const QString path = dir + '/' + file;
            if (!QFileInfo(path).isFile())
                continue;
            handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
            if (handle)
                break;
            // Found but not loadable (a library it needs is missing): said as it is.
            why = QString::fromLocal8Bit(::dlerror());
        }
        if (!handle) {
            if (why.isEmpty())
                why = QStringLiteral("nie znaleziono pliku %1 (szukano w: %2)")
                          .arg(file, ModuleDirectories().join(QStringLiteral(", ")));
            if (error)
                *error = why;
            return nullptr;
        }
        handles.insert(key, handle);
    }
    void* address = ::dlsym(handle, symbol);
    if (!address && error)
        *error = QStringLiteral("moduł %1 nie zawiera %2")
                     .arg(QString::fromLatin1(name), QString::fromLatin1(symbol));
    return address;
}

QString MissingModuleText(const QString& what, const QString& error) {
    return QString::fromUtf8(
               "Funkcja „%1” jest niedostępna: nie można wczytać modułu programu.\n\n%2")
        .arg(what, error);
}
