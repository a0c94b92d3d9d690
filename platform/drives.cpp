#include "platform/drives.h"

#include <QDir>
#include <QFileInfo>

#include <map>

namespace qv::platform {

namespace {
std::map<char16_t, QString>& overrides() {
    static std::map<char16_t, QString> m;
    return m;
}

bool isLetter(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
}  // namespace

QString driveLetterFolder(QChar letter) {
    const QChar up = letter.toUpper();
    if (!isLetter(up)) return {};
    auto it = overrides().find(up.unicode());
    if (it != overrides().end()) return it->second;
    if (up == u'A') return QStringLiteral("/media/floppy");
    if (up == u'B') return QStringLiteral("/media/floppy1");
    return QStringLiteral("/media/") + up.toLower();
}

void setDriveFolder(QChar letter, const QString& folder) {
    const QChar up = letter.toUpper();
    if (!isLetter(up)) return;
    if (folder.isEmpty())
        overrides().erase(up.unicode());
    else
        overrides()[up.unicode()] = folder;
}

void resetDriveFolders() { overrides().clear(); }

QString driveFolder(const QString& entry) {
    if (entry.isEmpty()) return {};
    if (entry.size() == 1) return driveLetterFolder(entry.at(0));
    QString path = entry;
    path.replace(u'\\', u'/');
    if (path.size() >= 2 && isLetter(path.at(0)) && path.at(1) == u':') {
        QString rest = path.mid(2);
        while (rest.startsWith(u'/')) rest.remove(0, 1);
        const QString root = driveLetterFolder(path.at(0));
        return rest.isEmpty() ? root : root + u'/' + rest;
    }
    return path;
}

QString driveFile(const QString& entry, const QString& fileName) {
    QString folder = driveFolder(entry);
    while (folder.endsWith(u'/') && folder.size() > 1) folder.chop(1);
    if (folder == QLatin1String("/")) return folder + fileName;
    return folder + u'/' + fileName;
}

QString Drive::label() const { return QString(letter.toLower()) + u':'; }

QList<Drive> availableDrives() {
    QList<Drive> out;
    for (char16_t c = u'A'; c <= u'Z'; ++c) {
        const QString folder = driveLetterFolder(QChar(c));
        if (QFileInfo(folder).isDir()) out.append({QChar(c), folder});
    }
    return out;
}

}  // namespace qv::platform
