// A printer for tests (library qv_testing).
#pragma once

#include "platform/printer.h"

#include <QStringList>

namespace qv::platform {

// For tests: keeps every line, page break, end and kill, with fixed metrics
// (a character is 0.6 of the point size wide, a line 2320/2048 of it high,
// the advance and height of "Courier New") on an A4 page with 2 mm margins.
class RecordingPrinter : public Printer {
public:
    enum class EventKind { Line, NewPage, EndDoc, KillDoc };
    struct Event {
        EventKind kind;
        PrintedLine line;  // EventKind::Line only
    };

    RecordingPrinter();

    void setCharWidthEm(double em) { charEm_ = em; }
    void setLineHeightEm(double em) { lineEm_ = em; }
    void setPageSizeMm(QSizeF size) { pageMm_ = size; }
    // A failing printer refuses every line, page and end (no printer).
    void setFailing(bool on) { failing_ = on; }

    const std::vector<Event>& events() const { return events_; }
    // Every line printed, in order, across documents (killed ones included).
    std::vector<PrintedLine> lines() const;
    QStringList texts() const;
    // The pages of each ended document.
    const std::vector<std::vector<std::vector<PrintedLine>>>& documents() const { return docs_; }
    int count(EventKind kind) const;
    void clear();

protected:
    QSizeF pageSizePt() const override;
    double textWidthPt(const QString& line, const PrintFont& font) const override;
    double lineHeightPt(const PrintFont& font) const override;
    bool beginOutput(QString* error) override;
    bool outputPage(const std::vector<PrintedLine>& lines, QString* error) override;
    bool endOutput(QString* error) override;
    void discardOutput() override;
    void lineAdded(const PrintedLine& line) override;
    void pageAdded() override;
    void documentKilled() override;
    bool available(QString* error) const override;

private:
    double charEm_ = 0.6;
    double lineEm_ = 2320.0 / 2048.0;
    QSizeF pageMm_{206, 293};
    bool failing_ = false;
    std::vector<Event> events_;
    std::vector<std::vector<std::vector<PrintedLine>>> docs_;
    std::vector<std::vector<PrintedLine>> pages_;  // of the document being printed
};

}  // namespace qv::platform
