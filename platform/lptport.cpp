#include "platform/lptport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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

struct FilePort::File {
    std::FILE* f = nullptr;
};

FilePort::FilePort(QString name) : file_(std::make_unique<File>()), name_(std::move(name)) {}

FilePort::~FilePort() {
    if (file_->f) std::fclose(file_->f);
}

bool FilePort::open() {
    if (file_->f) return true;
    const QByteArray path = name_.toLocal8Bit();
    // "w" empties a plain file and opens a device or a link to one for writing.
    file_->f = std::fopen(path.constData(), "wbe");
    if (!file_->f) {
        error_ = QStringLiteral("Cannot open %1: %2").arg(name_, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

bool FilePort::writeLine(const QString& line) {
    if (!file_->f) {
        error_ = QStringLiteral("%1 is not open").arg(name_);
        return false;
    }
    QByteArray bytes = toCodePage1252(line);
    bytes += "\r\n";
    if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), file_->f) != std::size_t(bytes.size())) {
        error_ = QStringLiteral("Cannot write to %1: %2").arg(name_, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

bool FilePort::close() {
    if (!file_->f) return true;
    const bool flushed = std::fflush(file_->f) == 0;
    const int err = errno;
    const bool closed = std::fclose(file_->f) == 0;
    file_->f = nullptr;
    if (!flushed || !closed) {
        error_ = QStringLiteral("Cannot write to %1: %2")
                     .arg(name_, QString::fromLocal8Bit(std::strerror(flushed ? errno : err)));
        return false;
    }
    return true;
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
