// The part of the program set-up that needs no widgets: the title, the start
// argument and the font substitutions, which the printer uses too.
#include "platform/app.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QStringList>

namespace qv::platform {

namespace {
QString& titleStore() {
    static QString title;
    return title;
}

struct FaceAlias {
    const char* requested;
    QStringList compatible;  // metric-compatible faces, best first
    bool fixedPitch;
};
}  // namespace

// Kept apart from the application display name: Qt would add that to every
// window title the window system shows, and each caption must stand alone.
void setProgramTitle(const QString& title) { titleStore() = title; }

QString programTitle() {
    if (!titleStore().isEmpty()) return titleStore();
    return QCoreApplication::applicationName();
}

QString startArgument() {
    const QStringList args = QCoreApplication::arguments();
    return args.size() > 1 ? args.at(1) : QString();
}

void installFontSubstitutions() {
    if (!qGuiApp) return;
    static bool done = false;
    if (done) return;
    done = true;
    // fontconfig normally maps these names to the Liberation faces (same
    // advance widths, so fixed-width reports keep their columns); where it
    // does not, name the substitute ourselves.
    const FaceAlias aliases[] = {
        {"Courier New", {"Liberation Mono", "Cousine"}, true},
        {"Arial", {"Liberation Sans", "Arimo"}, false},
        {"Times New Roman", {"Liberation Serif", "Tinos"}, false},
    };
    const QStringList families = QFontDatabase::families();
    for (const FaceAlias& a : aliases) {
        const QString requested = QString::fromLatin1(a.requested);
        QFontInfo info{QFont(requested)};
        const bool resolved = info.family() == requested || a.compatible.contains(info.family());
        if (resolved && (!a.fixedPitch || info.fixedPitch())) continue;
        for (const QString& face : a.compatible) {
            if (families.contains(face)) {
                QFont::insertSubstitution(requested, face);
                break;
            }
        }
    }
}

}  // namespace qv::platform
