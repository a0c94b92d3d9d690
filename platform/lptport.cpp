#include "platform/lptport.h"

#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::platform {

QByteArray toCodePage1252(const QString& text) {
    // Latin-1 agrees with Windows-1252 except for 0x80-0x9F, where 1252 holds
    // these characters instead of control codes.
    static const char16_t high[32] = {
        0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
    // One byte a character, written in place: a label run sends millions of lines.
    QByteArray out(text.size(), Qt::Uninitialized);
    char* o = out.data();
    qsizetype n = 0;
    const QChar* p = text.constData();
    const QChar* const end = p + text.size();
    for (; p < end; ++p) {
        const char16_t u = p->unicode();
        // A control character would move the print head (a CR or LF in a
        // damaged address shifts every later label): it prints as a blank.
        if (u < 0x20 || u == 0x7F) {
            o[n++] = ' ';
            continue;
        }
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            o[n++] = char(u);
            continue;
        }
        char32_t c = u;
        if (QChar::isHighSurrogate(u) && p + 1 < end && QChar::isLowSurrogate(p[1].unicode())) {
            c = QChar::surrogateToUcs4(u, p[1].unicode());
            ++p;
        }
        char b = '?';
        for (int i = 0; i < 32; ++i)
            if (high[i] != 0 && char32_t(high[i]) == c) b = char(0x80 + i);
        o[n++] = b;
    }
    out.truncate(n);
    return out;
}

// A plain file LPT1 is replaced whole when the run's lines are complete, as
// every output file is; a printer's device (LPT1 itself, or a link to it) is
// written directly, line by line.
struct FilePort::File {
    std::FILE* device = nullptr;
    std::optional<ReplacingFile> plain;
    bool failed = false;  // a write failed: the plain file is not put in place

    std::FILE* stream() const { return plain ? plain->stream() : device; }
    bool isOpen() const { return device || plain; }
};

namespace {
QString causeText(int error) { return QString::fromStdString(qv::errorText(error)); }
QString causeText(const std::system_error& e) { return QString::fromStdString(e.code().message()); }
QString cannotOpen(const QString& name, const QString& cause) {
    return QStringLiteral("Cannot open %1: %2").arg(name, cause);
}
QString cannotWrite(const QString& name, const QString& cause) {
    return QStringLiteral("Cannot write to %1: %2").arg(name, cause);
}
}  // namespace

FilePort::FilePort(QString name) : file_(std::make_unique<File>()), name_(std::move(name)) {}

FilePort::~FilePort() {
    if (file_->device) std::fclose(file_->device);
    // A plain file never closed keeps the earlier LPT1 (the ReplacingFile
    // removes its temporary file).
}

bool FilePort::open() {
    if (file_->isOpen()) return true;
    file_->failed = false;
    const QByteArray path = name_.toLocal8Bit();
    struct stat link {};
    const bool present = ::lstat(path.constData(), &link) == 0;
    if (!present && errno != ENOENT) {
        error_ = cannotOpen(name_, causeText(errno));
        return false;
    }
    if (present && S_ISDIR(link.st_mode)) {
        error_ = cannotOpen(name_, causeText(EISDIR));
        return false;
    }
    // What the name leads to: a link's target, else the entry itself.
    struct stat target = link;
    if (present && S_ISLNK(link.st_mode) && ::stat(path.constData(), &target) != 0) {
        // The printer's device is not there (switched off, unplugged):
        // writing a file there instead would print nothing, and the user's
        // link must stay.
        error_ = cannotOpen(name_, causeText(errno));
        return false;
    }
    // A plain file, or a link to one, is replaced like any output file: what
    // a link points to is never written.
    const bool direct = present && !S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode);
    direct_ = direct;
    if (direct) {
        // No O_CREAT: a device that went away between the look and the open
        // never becomes a file. A pipe nobody reads is refused at once
        // rather than waited on for ever.
        const bool fifo = S_ISFIFO(target.st_mode);
        const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (fifo ? O_NONBLOCK : 0));
        if (fd >= 0 && fifo) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (fd >= 0) file_->device = ::fdopen(fd, "wb");
        if (!file_->device) {
            const int e = errno;
            if (fd >= 0) ::close(fd);
            error_ = cannotOpen(name_, causeText(e));
            return false;
        }
        return true;
    }
    try {
        file_->plain.emplace(qv::pathFromUtf8(name_.toStdString()));
    } catch (const std::system_error& e) {
        error_ = cannotOpen(name_, causeText(e));
        return false;
    }
    return true;
}

bool FilePort::writeLine(const QString& line) {
    if (!file_->isOpen()) {
        error_ = QStringLiteral("%1 is not open").arg(name_);
        return false;
    }
    if (file_->failed) return false;
    QByteArray bytes = toCodePage1252(line);
    bytes += "\r\n";
    if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), file_->stream()) != std::size_t(bytes.size())) {
        file_->failed = true;
        error_ = cannotWrite(name_, causeText(errno));
        return false;
    }
    return true;
}

bool FilePort::close() {
    if (!file_->isOpen()) return true;
    if (file_->plain) {
        // After a failed write the earlier file stays: a cut LPT1 is never
        // put in its place.
        const bool failed = file_->failed;
        bool ok = !failed;
        if (failed) {
            file_->plain->discard();
        } else {
            try {
                file_->plain->commit();
            } catch (const std::system_error& e) {
                error_ = cannotWrite(name_, causeText(e));
                ok = false;
            }
        }
        file_->plain.reset();
        file_->failed = false;
        return ok;
    }
    const bool flushed = std::fflush(file_->device) == 0;
    const int err = errno;
    const bool closed = std::fclose(file_->device) == 0;
    file_->device = nullptr;
    const bool failed = file_->failed;
    file_->failed = false;
    if (failed) return false;
    if (!flushed || !closed) {
        error_ = cannotWrite(name_, causeText(flushed ? errno : err));
        return false;
    }
    return true;
}

void FilePort::abandon() {
    if (file_->plain) file_->plain->discard();
    file_->plain.reset();
    if (file_->device) std::fclose(file_->device);
    file_->device = nullptr;
    file_->failed = false;
}

namespace {
std::shared_ptr<LinePort>& portSlot() {
    static std::shared_ptr<LinePort> port;
    return port;
}
}  // namespace

LinePort& lptPort() {
    auto& p = portSlot();
    if (!p) p = std::make_shared<FilePort>();
    return *p;
}

void setLptPort(std::shared_ptr<LinePort> port) { portSlot() = std::move(port); }

}  // namespace qv::platform
