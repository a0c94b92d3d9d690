// The parallel port LPT1 that dot-matrix labels are written to.
//
// LPT1 is the file of that bare name in the current folder; a user makes it
// a link to the printer's device. Lines are written whole with CRLF after
// each, trailing blanks kept; characters outside ASCII go in the printer's
// single-byte code page (Windows-1252), and one that has no place there
// becomes "?"; a control character (below 32, and 127) goes as a blank.
// A port that cannot be opened or written is an error the caller sees (the
// functions return false and lastError() says why).
//
// A device (LPT1 itself, or a link to one) is written directly. Otherwise
// LPT1 is a plain file, written beside under a hidden name and put in place
// by close(): an earlier LPT1 stays until the new one is complete, a failed,
// abandoned or unclosed run leaves it, and a link to a plain file is
// replaced, never written through. A link to nothing (the printer's device
// is not there) is refused.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>

namespace qv::platform {

class LinePort {
public:
    virtual ~LinePort() = default;
    virtual bool open() = 0;                        // opens for output
    virtual bool writeLine(const QString& line) = 0;  // the line and CRLF
    virtual bool close() = 0;                       // flushes (puts a plain file in place); false when that or a write failed
    virtual void abandon() = 0;                     // closes, putting nothing in place: an earlier plain file stays
    virtual QString lastError() const = 0;
    // True when the lines went straight to a device as written, so that an
    // abandoned run has printed what it wrote; a plain file keeps none of it.
    virtual bool writesThrough() const { return false; }
};

// LPT1 (or another bare name) in the current folder.
class FilePort : public LinePort {
public:
    explicit FilePort(QString name = QStringLiteral("LPT1"));
    ~FilePort() override;
    bool open() override;
    bool writeLine(const QString& line) override;
    bool close() override;
    void abandon() override;
    QString lastError() const override { return error_; }
    bool writesThrough() const override { return direct_; }

private:
    struct File;
    std::unique_ptr<File> file_;
    QString name_;
    QString error_;
    bool direct_ = false;  // the last open found a device
};

// Windows-1252 bytes of a text, "?" for a character it cannot hold.
QByteArray toCodePage1252(const QString& text);

// "The" port of the program: a FilePort on LPT1 unless a test installed another.
LinePort& lptPort();
void setLptPort(std::shared_ptr<LinePort> port);

}  // namespace qv::platform
