// Reading PDF files back with the poppler tools, for the printer tests.
#pragma once

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <vector>

namespace qv::platform::testing {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline ToolRun runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

inline QString run(const QString& program, const QStringList& args) { return runTool(program, args).out; }

inline QString pdfText(const QString& file) { return run("pdftotext", {"-layout", file, "-"}); }

// The document information pdfinfo shows ("Title", "Creator", "Producer",
// ...), by its name.
inline QMap<QString, QString> pdfInfo(const QString& file) {
    QMap<QString, QString> info;
    const ToolRun r = runTool("pdfinfo", {"-enc", "UTF-8", file});
    for (const QString& line : r.out.split(u'\n')) {
        const qsizetype colon = line.indexOf(u':');
        if (colon > 0) info.insert(line.left(colon), line.mid(colon + 1).trimmed());
    }
    return info;
}

struct Word {
    QString text;
    int page;
    double xMin, yMin;
};

// Words with their page and top left corner (points), from pdftotext -bbox.
inline std::vector<Word> pdfWords(const QString& file) {
    std::vector<Word> out;
    const QString xml = run("pdftotext", {"-bbox", file, "-"});
    static const QRegularExpression rx(R"rx(<page |<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>([^<]*)</word>)rx");
    int page = 0;
    for (auto it = rx.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith("<page")) {
            ++page;
            continue;
        }
        out.push_back({m.captured(3), page, m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    return out;
}

}  // namespace qv::platform::testing
