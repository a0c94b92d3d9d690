#include "console/tariffs/tariffboxes.h"

#include "common/text/numtext.h"
#include "platform/forms.h"
#include "platform/messages.h"

#include <QLineEdit>

namespace qv::console {

void limitTyping(QLineEdit* box, int max, std::function<bool(QChar)> allowed) {
    platform::setKeyPressHandler(box, [box, max, allowed = std::move(allowed)](QChar c) {
        if (allowed && !allowed(c)) return QChar();
        // Control keys (Backspace, Enter) never add a character.
        if (c.unicode() < 32) return c;
        if (max > 0 && box->text().size() - box->selectedText().size() >= max) return QChar();
        return c;
    });
}

QString figureText(const db::Value& v) { return QString::fromStdString(v.toString()); }

bool refuseNonNumbers(const std::vector<TariffBox>& boxes) {
    for (const TariffBox& b : boxes) {
        if (b.box->isHidden()) continue;
        double d;
        if (parseNumber(b.box->text().toStdString(), d)) continue;
        platform::messages().msgBox(QString::fromLatin1(NotANumber), platform::Buttons::OkOnly,
                                    platform::Icon::None);
        b.box->setFocus();
        b.box->selectAll();
        return true;
    }
    return false;
}

bool saveRow(db::Database& db, db::Recordset& row, const std::vector<TariffBox>& boxes,
             const std::function<db::Value(std::size_t)>& valueOf) {
    auto refuse = [](const db::DbError& e, QLineEdit* box) {
        platform::messages().msgBox(QString::fromStdString(e.description()), platform::Buttons::OkOnly,
                                    platform::Icon::Exclamation);
        if (box) {
            box->setFocus();
            box->selectAll();
        }
        return false;
    };
    try {
        row.edit();
    } catch (const db::DbError& e) {
        return refuse(e, nullptr);
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        try {
            row.set(boxes[i].field, valueOf(i));
        } catch (const db::DbError& e) {
            row.cancelUpdate();
            return refuse(e, boxes[i].box);
        }
    }
    try {
        row.update();
        db.commit();
    } catch (const db::DbError& e) {
        if (row.editing()) row.cancelUpdate();
        return refuse(e, nullptr);
    }
    return true;
}

}  // namespace qv::console
