// The address label of one mmwork record: an optional first line with the
// selection code, the bag number and the customer's reference, then the name
// and address lines without gaps, and the postcode.
#pragma once

#include "labels/labelkeys.h"
#include "labels/rowbuffer.h"

#include <QString>

namespace qv::labels {

// The fields of an mmwork record a label run reads; Nulls read as "" and 0.
struct AddressRecord {
    QString name, address1, address2, address3, town, county, postcode, ref, mscode;
    double rgcode = 0;
};

// The first line of the label (before it is set in its field).
QString firstLine(const AddressRecord& r, const LabelKeys& keys, double bagNumber, double& refCounter);

// Writes the label into lines 1 to 8 of the row at `column`, each line cut
// to `width` characters. `refCounter` numbers the labels without a
// reference; it runs on from run to run.
void printLabel(RowBuffer& row, const AddressRecord& r, const LabelKeys& keys, int width, int column,
                double bagNumber, double& refCounter);

// Fixed-width texts: right-aligned or left-aligned in n characters, a
// longer text keeping its first n.
QString rset(const QString& s, int n);
QString lset(const QString& s, int n);
// Blanks removed at both ends (blanks only, as the old Trim$).
QString trimBlanks(const QString& s);

}  // namespace qv::labels
