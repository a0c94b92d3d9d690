// A printer for the benchmarks: lays every page out as a real one would and
// sends it nowhere.
#pragma once

#include "platform/printer.h"

namespace qv::bench {

class NullPrinter : public platform::Printer {
protected:
    QSizeF pageSizePt() const override { return {595, 842}; }
    double textWidthPt(const QString& line, const platform::PrintFont& f) const override {
        return 0.6 * f.size * line.size();
    }
    double lineHeightPt(const platform::PrintFont& f) const override { return f.size * 2320.0 / 2048.0; }
    bool beginOutput(QString*) override { return true; }
    bool outputPage(const std::vector<platform::PrintedLine>&, QString*) override { return true; }
    bool endOutput(QString*) override { return true; }
    void discardOutput() override {}
};

}  // namespace qv::bench
