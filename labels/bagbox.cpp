#include "labels/bagbox.h"

#include "common/text/numtext.h"
#include "labels/addresslabel.h"

namespace qv::labels {

namespace {

QString digits(double n) { return QString::fromStdString(numberText(n)); }

bool hasText(QStringView s) {
    for (QChar c : s)
        if (c != u' ') return true;
    return false;
}

}  // namespace

bool isLetterPost(const QString& mscode) { return leadingNumber(mscode.toStdString()) == 1; }

QString formatName(const QString& code) {
    if (code == QLatin1String("LE")) return QStringLiteral("Letter");
    if (code == QLatin1String("LL")) return QStringLiteral("Large Letter");
    if (code == QLatin1String("A3")) return QStringLiteral("A3 Packet");
    if (code == QLatin1String("PK")) return QStringLiteral("Packet");
    return QString();
}

std::array<QString, 2> BagBox::splitDescription(const QString& mscode, const QString& description) {
    if (isLetterPost(mscode)) return {lset(QStringLiteral("Letter Post"), 25), QString(25, u' ')};
    return {lset(description.left(25), 25), lset(description.mid(25, 25), 25)};
}

std::array<QString, 8> BagBox::build(const BoxFacts& f, const LabelKeys& keys) {
    const bool bundle = f.kind == BoxKind::Bundle;
    const QString code = rset(f.mscode, 5);
    const QString bagText = rset(digits(f.bagNumber), 6);
    const QString bundleText = rset(digits(f.bundleNumber), 6);
    const QString items = rset(digits(bundle ? f.bundleItems : f.bagItems), 6);

    const QString top(36, u'*');
    const QString rule = u'*' + QString(34, u'-') + u'*';
    const QString open = QStringLiteral("*   (") + keys.service;

    QString service;
    const bool letterPost = isLetterPost(f.mscode);
    if (letterPost) {
        if (keys.itemCnt) service = open + QStringLiteral(") None        Items: ") + items + QStringLiteral(" *");
        else service = (open + QStringLiteral(") None")).leftJustified(35) + u'*';
    } else {
        const bool shown = (keys.itemCnt && !bundle) || (keys.itemCnt2 && bundle);
        if (shown) service = open + QStringLiteral(") ") + code + QStringLiteral("       Items: ") + items + QStringLiteral(" *");
        else service = open + QStringLiteral(") ") + code + QStringLiteral("                     *");
    }

    const bool deferred = keys.deferDel && !bundle;
    QString defer;
    if (deferred) defer = QStringLiteral("* Defer Until: ") + keys.deferDate + QStringLiteral("            *");

    const auto desc = splitDescription(f.mscode, f.description);
    const QString framed1 = QStringLiteral("* ") + desc[0] + QStringLiteral("        *");
    const QString framed2 = QStringLiteral("* ") + desc[1] + QStringLiteral("        *");
    const QString mailFormat =
        QStringLiteral("* Mail Format: ") + lset(formatName(keys.format), 12) + QStringLiteral("        *");
    if (!keys.extraTextNull) extra_ = QStringLiteral("* ") + lset(keys.extraText, 25) + QStringLiteral("        *");

    if (bundle) {
        residue_ = keys.bundleNum ? QStringLiteral("* Residue Bundle        No: ") + bundleText + QStringLiteral(" *")
                                  : QStringLiteral("* Residue Bundle                   *");
    } else if (keys.bagNum) {
        direct_ = QStringLiteral("* Direct Selection Bag  No: ") + bagText + QStringLiteral(" *");
        residue_ = QStringLiteral("* Residue Selection Bag No: ") + bagText + QStringLiteral(" *");
        letterPost_ = QStringLiteral("* Letter Post           No: ") + bagText + QStringLiteral(" *");
    } else {
        direct_ = QStringLiteral("* Direct Selection Bag             *");
        residue_ = QStringLiteral("* Residue Selection Bag            *");
        letterPost_ = QStringLiteral("* Letter Post                      *");
    }

    std::array<QString, 8> lines;
    lines[0] = top;
    lines[1] = letterPost ? letterPost_ : isResidue(f.rscode, f.sflag) ? residue_ : direct_;
    if (deferred) {
        lines[2] = defer;
        lines[3] = rule;
        lines[4] = service;
        lines[5] = framed1;
        lines[6] = framed2;
    } else {
        lines[2] = rule;
        lines[3] = service;
        lines[4] = framed1;
        lines[5] = framed2;
        lines[6] = mailFormat;
    }
    // The job parameters store an empty text for an empty box: like a Null
    // one, or one whose first five characters are blanks, it is no extra
    // text, and a deferred bag keeps its mail format line.
    const bool hasExtra = !keys.extraTextNull && hasText(QStringView(keys.extraText).left(5));
    if (hasExtra) lines[7] = extra_;
    else if (deferred) lines[7] = mailFormat;
    return lines;
}

}  // namespace qv::labels
