#include "console/tariffboxes.h"

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

}  // namespace qv::console
