#include "syncedfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextCodec>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What Windows-1252 makes of the bytes 0x80 to 0x9F; the five it leaves undefined
// stand for themselves, as in Latin-1.
const char16_t windows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QChar windows1252Char(uchar byte)
{
    return byte >= 0x80 && byte < 0xA0 ? QChar(windows1252[byte - 0x80]) : QChar(byte);
}

// The code point of the well-formed UTF-8 sequence at the start of bytes, and its
// length; a length of 0 when the sequence is not well formed.
uint utf8CodePoint(const uchar *bytes, qsizetype available, int *length)
{
    const uchar lead = bytes[0];
    uint codePoint = 0;
    *length = 0;
    int size = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        size = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        size = 3;
        codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        size = 4;
        codePoint = lead & 0x07;
    }
    if (size == 0 || available < size)
        return 0;
    for (int i = 1; i < size; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (bytes[i] & 0x3F);
    }
    const uint smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[size] || codePoint > 0x10FFFF
            || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        return 0;
    }
    *length = size;
    return codePoint;
}

// Files written by older Windows tools hold Latin-1 or Windows-1252 bytes among the
// UTF-8: each byte that is not part of a valid sequence is read as Windows-1252,
// so that no character turns into U+FFFD and is lost at the next save.
QString decodeMixedUtf8(const QByteArray &data)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const qsizetype size = data.size();
    QString text;
    text.reserve(size);
    for (qsizetype i = data.startsWith("\xEF\xBB\xBF") ? 3 : 0; i < size;) {
        int length = 1;
        if (bytes[i] < 0x80) {
            text += QChar(bytes[i]);
        } else if (const uint codePoint = utf8CodePoint(bytes + i, size - i, &length)) {
            text += QString::fromUcs4(&codePoint, 1);
        } else {
            length = 1;
            text += windows1252Char(bytes[i]);
        }
        i += length;
    }
    return text;
}

QString decode(const QByteArray &bytes)
{
    QTextCodec *codec = QTextCodec::codecForLocale();
    QTextCodec::ConverterState state;
    const QString text = codec->toUnicode(bytes.constData(), bytes.size(), &state);
    const bool utf8 = codec->mibEnum() == 106;
    return state.invalidChars > 0 && utf8 ? decodeMixedUtf8(bytes) : text;
}

// A file device takes a write cut short (say by a full disk) for success, so write
// unbuffered and keep writing until the rest goes through or the device says why not.
bool writeAll(QIODevice &device, const QByteArray &data)
{
    qint64 written = 0;
    while (written < data.size()) {
        const qint64 chunk = device.write(data.constData() + written, data.size() - written);
        if (chunk <= 0)
            return false;
        written += chunk;
    }
    return true;
}

// The folder that holds path, or its nearest ancestor that exists, so that the file
// is noticed when it appears together with its folders.
QString nearestExistingFolder(const QString &path)
{
    QDir folder = QFileInfo(path).dir();
    while (!folder.exists() && folder.cdUp()) {
    }
    return folder.path();
}

} // namespace

SyncedFile::SyncedFile(QObject *parent)
    : QObject(parent)
{
    // One change on disk often comes as several events; they are handled as one.
    settleTimer.setSingleShot(true);
    settleTimer.setInterval(0);
    connect(&watcher, &QFileSystemWatcher::fileChanged, &settleTimer, qOverload<>(&QTimer::start));
    connect(&watcher, &QFileSystemWatcher::directoryChanged, &settleTimer,
            qOverload<>(&QTimer::start));
    connect(&settleTimer, &QTimer::timeout, this, [this] {
        watch();
        emit changedOnDisk();
    });
}

// Until the file is read, it counts as missing.
void SyncedFile::setPath(const QString &path, const QStringList &alsoWatched)
{
    filePath = path;
    alsoWatchedPaths = alsoWatched;
    remember(Content());
    watch();
}

// Reads the file again; true when it no longer holds what this window last saw.
bool SyncedFile::refresh()
{
    const Content onDisk = readContent(filePath);
    if (onDisk == seen)
        return false;
    remember(onDisk);
    return true;
}

QString SyncedFile::read()
{
    refresh();
    return seenText;
}

// Writes through a temporary file that is renamed into place only when the file on
// disk still holds what this window last saw; otherwise writes nothing, and the
// caller decides, after refresh(), what to write instead. The check comes after the
// slow part, so that little time is left for another writer to slip in.
SyncedFile::WriteResult SyncedFile::write(const QString &text)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    const QByteArray bytes = QTextCodec::codecForLocale()->fromUnicode(text);
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Unbuffered)
            || !writeAll(file, bytes)) {
        error = file.errorString();
        return Failed;
    }
    const Content onDisk = readContent(filePath);
    if (onDisk.state == Content::Unreadable) {
        error = onDisk.error;
        return Failed;
    }
    if (!(onDisk == seen))
        return ChangedOnDisk;
    if (!file.commit()) {
        error = file.errorString();
        return Failed;
    }
    seen = {Content::Read, bytes, QString()};
    seenText = text;
    watch();
    return Written;
}

QString SyncedFile::readText(const QString &path)
{
    return decode(readContent(path).bytes);
}

// Opened without blocking and read only when it is a regular file, so that a named
// pipe or a device in its place can neither hold the window up nor flood it.
SyncedFile::Content SyncedFile::readContent(const QString &path)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(),
                                  O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        if (errno == ENOENT)
            return Content();
        return {Content::Unreadable, QByteArray(), qt_error_string(errno)};
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return {Content::Unreadable, QByteArray(), QStringLiteral("Not a regular file")};
    }
    QFile file;
    file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {Content::Unreadable, QByteArray(), file.errorString()};
    return {Content::Read, bytes, QString()};
}

void SyncedFile::remember(const Content &content)
{
    seen = content;
    seenText = decode(content.bytes);
}

// A file replaced by rename is a new file to the watcher, so the files are watched
// afresh each time; the folder shows a file that appears or goes away.
void SyncedFile::watch()
{
    const QStringList watchedFiles = watcher.files();
    if (!watchedFiles.isEmpty())
        watcher.removePaths(watchedFiles);
    QStringList files;
    for (const QString &path : alsoWatchedPaths + QStringList(filePath)) {
        if (QFileInfo::exists(path) && !files.contains(path))
            files << path;
    }
    if (!files.isEmpty())
        watcher.addPaths(files);

    const QString folder = nearestExistingFolder(filePath);
    const QStringList watchedFolders = watcher.directories();
    if (watchedFolders == QStringList(folder))
        return;
    if (!watchedFolders.isEmpty())
        watcher.removePaths(watchedFolders);
    watcher.addPath(folder);
}
