#include "labels/addresslabel.h"

#include "common/text/numtext.h"

#include <algorithm>

namespace qv::labels {

QString rset(const QString& s, int n) {
    if (s.size() >= n) return s.left(n);
    return QString(n - s.size(), u' ') + s;
}

QString lset(const QString& s, int n) {
    if (s.size() >= n) return s.left(n);
    return s + QString(n - s.size(), u' ');
}

QString trimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ') ++b;
    while (e > b && s[e - 1] == u' ') --e;
    return (b == 0 && e == s.size()) ? s : s.mid(b, e - b);
}

QString firstLine(const AddressRecord& r, const LabelKeys& keys, double bagNumber, double& refCounter) {
    QString first;
    if (keys.mailsort) first = r.rgcode != 99 ? rset(r.mscode, 5) : QStringLiteral("None");
    if (keys.bagNum2) first += u' ' + rset(QString::fromStdString(numberStr(bagNumber)), 6);
    if (keys.ref) {
        if (!r.ref.isEmpty()) {
            first += u' ' + r.ref;
        } else {
            refCounter += 1;
            first += u' ' + QString::fromStdString(numberStr(refCounter));
        }
    }
    return first;
}

void printLabel(RowBuffer& row, const AddressRecord& r, const LabelKeys& keys, int width, int column,
                double bagNumber, double& refCounter) {
    QString first = firstLine(r, keys, bagNumber, refCounter);
    if (width <= 0) {
        row.place(1, column, QString());
        return;
    }
    // The first line ends one character before the label's right edge; one
    // as long as the label or longer keeps its start.
    if (first.size() >= width) first.truncate(width - 1);
    QString field(std::min(width, 200), u' ');
    const qsizetype start = width - first.size() - 1;  // 0-based
    for (qsizetype i = 0; i < first.size() && start + i < field.size(); ++i) field[start + i] = first[i];
    row.place(1, column, QStringView(field).left(width));

    int line = 2;
    for (const QString* f : {&r.name, &r.address1, &r.address2, &r.address3, &r.town, &r.county}) {
        const QString t = trimBlanks(*f);
        if (t.isEmpty()) continue;
        row.place(line, column, QStringView(t).left(width));
        ++line;
    }
    const QString pc = trimBlanks(r.postcode);
    if (!pc.isEmpty()) row.place(line, column, QStringView(pc).left(width));
}

}  // namespace qv::labels
