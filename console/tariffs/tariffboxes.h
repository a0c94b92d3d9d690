// What the two tariff forms do alike with their boxes.
#pragma once

#include "common/db/database.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QLineEdit;
class QWidget;

namespace qv::console {

// The message of a tariff box that does not hold a number.
inline constexpr const char* NotANumber = "This box must hold a number.";

// Stops typing at `max` characters (0: no limit) and lets only the keys
// `allowed` accepts through. A longer text put into the box by the form is
// kept whole, so a stored figure is never cut by showing it.
void limitTyping(QLineEdit* box, int max, std::function<bool(QChar)> allowed = {});

// One field of a tariff row and the box that shows it.
struct TariffBox {
    std::string field;
    QLineEdit* box;
};

// The text a stored figure shows as: its shortest decimal form; Null shows
// as the empty text.
QString figureText(const db::Value& v);

// The first box whose text is not a number: the message is shown and the
// focus goes to the box. Boxes that are hidden are not looked at.
bool refuseNonNumbers(const std::vector<TariffBox>& boxes);

// Saves the boxes into the current row in one edit and update and commits
// it; `valueOf(i)` is what goes into the field of boxes[i]. False, with
// nothing stored, after telling the user (the focus in the box the row
// would not take) when the row or the database refuses.
bool saveRow(db::Database& db, db::Recordset& row, const std::vector<TariffBox>& boxes,
             const std::function<db::Value(std::size_t)>& valueOf);

}  // namespace qv::console
