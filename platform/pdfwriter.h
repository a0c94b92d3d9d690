// A small PDF writer for printed text: pages of lines in TrueType faces,
// written to a device page by page as they are finished, so that a long
// document is never held. The faces are embedded at the end with the glyphs
// the document used.
//
// Text goes out in the faces' Windows-1252 encoding (WinAnsiEncoding); a
// character outside it is written through a companion font of the same face
// whose codes are assigned as such characters come (named by Unicode value,
// with a ToUnicode map), so nothing printed is lost. A character the face has
// no glyph for shows the face's missing-glyph box and still reads back as
// itself.
#pragma once

#include "platform/truetype.h"

#include <QIODevice>
#include <QSizeF>
#include <QString>
#include <QStringView>

#include <memory>
#include <string>
#include <vector>

namespace qv::platform {

class PdfWriter {
public:
    // Pages of the given size in points; out must stay open until finish().
    PdfWriter(QIODevice* out, QSizeF pageSizePt);
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    // The document information: its title, the program that made its
    // content (Creator) and the one that wrote the PDF (Producer).
    void setTitle(const QString& title) { title_ = title; }
    void setCreator(const QString& creator) { creator_ = creator; }
    void setProducer(const QString& producer) { producer_ = producer; }

    // A face to print in; a face that cannot be embedded is replaced by the
    // viewer's own Courier (fixed pitch) or Helvetica.
    int addFace(std::shared_ptr<const TrueTypeFont> face, bool fixedPitch);

    void beginPage();
    void setFont(int face, double sizePt);
    // One line of text, its baseline starting at (x, y): points from the
    // page's top left.
    void text(double x, double y, QStringView line);
    bool endPage();
    // Writes the fonts and the document's catalogue; nothing may follow.
    bool finish();

    bool failed() const { return failed_; }
    QString errorString() const { return error_; }

private:
    struct Face;
    struct Deflater;
    int newObject();
    void beginObject(int number);
    // A deflated stream (stored as it is should zlib fail).
    void writeStream(int number, const std::string& data, const std::string& extraKeys);
    void writeFace(int index, std::string& resources);
    void flush(bool force);
    void openString();
    void closeString();

    QIODevice* out_;
    QSizeF pageSize_;
    QString title_, creator_, producer_;
    std::string buffer_;  // written but not yet on the device
    std::string page_;    // the page's content stream
    unsigned long long written_ = 0;
    std::vector<unsigned long long> offsets_;  // by object number; 0: not written
    std::vector<int> pages_;
    std::vector<std::unique_ptr<Face>> faces_;
    std::unique_ptr<Deflater> deflater_;
    bool inPage_ = false, inText_ = false, inString_ = false;
    int wantFace_ = -1, face_ = -1, slot_ = -1;
    double wantSize_ = 0, size_ = 0;
    long long x_ = 0, y_ = 0;  // start of the last line, 1/1000 pt
    bool failed_ = false;
    QString error_;
};

}  // namespace qv::platform
