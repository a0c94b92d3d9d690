// The bag and bundle labels: a box of text framed by asterisks, 36
// characters wide and 8 lines high, that takes the place of one label.
#pragma once

#include "labels/labelkeys.h"

#include <QString>

#include <array>

namespace qv::labels {

enum class BoxKind { Bag, Bundle };

// What a box shows of the run in hand.
struct BoxFacts {
    BoxKind kind = BoxKind::Bag;
    QString mscode, rscode, sflag;   // the selection the box closes
    double bagNumber = 0, bundleNumber = 0;
    double bagItems = 0, bundleItems = 0;
    QString description;             // the selection's text from table label
};

// True for a residue selection: a residue code, or moved to its residue.
inline bool isResidue(const QString& rscode, const QString& sflag) {
    return !rscode.isEmpty() || sflag == QLatin1String("Y");
}

// The box's texts. A text that a box does not rebuild keeps its last value
// (the titles a bundle box leaves, the extra-text line when ExtraText is
// Null); none of those stale texts is printed on such a box.
class BagBox {
public:
    // Lines 1 to 8 of the box; an empty text is a line not written.
    std::array<QString, 8> build(const BoxFacts& f, const LabelKeys& keys);

    // The two description lines of 25 characters: "Letter Post" for the
    // addresses without a code, else characters 1-25 and 26-50 of the text.
    static std::array<QString, 2> splitDescription(const QString& mscode, const QString& description);

private:
    QString direct_, residue_, letterPost_;
    QString extra_;
};

// The mail format in words, as the box shows it.
QString formatName(const QString& code);

// A code read as a number equal to 1: the addresses going at the standard rate.
bool isLetterPost(const QString& mscode);

}  // namespace qv::labels
