// Durable files on Windows. The data log is opened so that a rotation tool may rename or delete
// it under its writer (FILE_SHARE_DELETE), as on Linux, and the file's identity (volume and
// file index) tells whether its path still names it. Rows go through a C library descriptor on
// the file's handle; syncing is FlushFileBuffers. A whole file is replaced by a written-through
// temporary file put over it with ReplaceFileW (which keeps the old file's attributes) or, for
// a new file, MoveFileExW.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

#include "durablefile.h"
#include "winerrno.h"

namespace platform {
namespace {

std::wstring nativePath(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

HANDLE handleOf(int fd) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

int failWithLastError() {
    errno = errnoOfWindowsError(::GetLastError());
    return -1;
}

bool sameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION ia{}, ib{};
    if (!::GetFileInformationByHandle(a, &ia) || !::GetFileInformationByHandle(b, &ib))
        return true;  // cannot tell: taken as unchanged
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace

int openForAppend(const QString& path) {
    const HANDLE h = ::CreateFileW(nativePath(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return failWithLastError();
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_APPEND | _O_BINARY);
    if (fd < 0) ::CloseHandle(h);
    return fd;
}

bool stateOfOpenFile(int fd, OpenFileState* state) {
    const HANDLE h = handleOf(fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    state->plain = ::GetFileType(h) == FILE_TYPE_DISK;
    LARGE_INTEGER size{};
    state->size = state->plain && ::GetFileSizeEx(h, &size) ? size.QuadPart : 0;
    return true;
}

qint64 writeSome(int fd, const char* data, qint64 size) {
    return ::_write(fd, data, unsigned(qMin<qint64>(size, 1 << 20)));
}

bool syncToDisk(int fd, bool plain) {
    const HANDLE h = handleOf(fd);
    if (h != INVALID_HANDLE_VALUE && ::FlushFileBuffers(h)) return true;
    // A console or a pipe has no disk to flush to.
    if (!plain) return true;
    failWithLastError();
    return false;
}

int closeFile(int fd) {
    return ::_close(fd);
}

bool pathLeftFile(const QString& path, int fd) {
    const HANDLE opened = handleOf(fd);
    if (opened == INVALID_HANDLE_VALUE) return false;
    FILE_STANDARD_INFO standard{};
    if (::GetFileInformationByHandleEx(opened, FileStandardInfo, &standard, sizeof standard) &&
        (standard.DeletePending || standard.NumberOfLinks == 0))
        return true;  // deleted; its name may stay until the last handle closes
    const HANDLE named = ::CreateFileW(nativePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    const bool same = sameFile(opened, named);
    ::CloseHandle(named);
    return !same;
}

int replaceFile(const QString& target, const QByteArray& bytes) {
    const QFileInfo info(target);
    const std::wstring targetPath = nativePath(info.absoluteFilePath());
    // A name of our own beside the target, so the move stays on one volume.
    std::wstring temporary;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = nativePath(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                               QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate(),
                                                             8, 16, QLatin1Char('0')));
        h = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
        if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS)
            return errnoOfWindowsError(::GetLastError());
    }
    if (h == INVALID_HANDLE_VALUE) return EEXIST;

    DWORD error = 0;
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0 && error == 0) {
        DWORD written = 0;
        if (!::WriteFile(h, data, DWORD(qMin<qint64>(left, 1 << 20)), &written, nullptr))
            error = ::GetLastError();
        data += written;
        left -= written;
    }
    // A disk that accepted the bytes into its cache may still refuse them here.
    if (error == 0 && !::FlushFileBuffers(h)) error = ::GetLastError();
    if (!::CloseHandle(h) && error == 0) error = ::GetLastError();
    if (error == 0) {
        const bool exists = ::GetFileAttributesW(targetPath.c_str()) != INVALID_FILE_ATTRIBUTES;
        const bool replaced =
            (exists && ::ReplaceFileW(targetPath.c_str(), temporary.c_str(), nullptr,
                                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) ||
            ::MoveFileExW(temporary.c_str(), targetPath.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!replaced) error = ::GetLastError();
    }
    if (error != 0) {
        ::DeleteFileW(temporary.c_str());
        return errnoOfWindowsError(error);
    }
    return 0;
}

}  // namespace platform
