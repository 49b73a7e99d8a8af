#include "settings/settingsstore.h"

#include "fileops/outputfile.h"
#include "settings/inifile.h"
#include "settings/picturetypes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <array>
#include <variant>
#include <vector>

namespace
{

const QString kSection = QStringLiteral("Main");
const QString kFileName = QStringLiteral("Quorvane.ini");
const QString kHexPrefix = QStringLiteral("0x");

struct Key {
    const char *name;
    std::variant<bool TSettings::*, int32_t TSettings::*> field;
};

// A file written from scratch lists the first picture types' keys, these, the other types' keys,
// then kKeysAfterTypes.
const std::array<Key, 8> kKeysAfterFirstTypes { {
    { "SearchSimilar", &TSettings::SearchSimilar },
    { "MoveToRecycle", &TSettings::MoveToRecycle },
    { "DeleteWithoutAsking", &TSettings::DeleteWithoutAsking },
    { "SearchOnlyIdentical", &TSettings::SearchOnlyIdentical },
    { "AutoCheckUpdates", &TSettings::AutoCheckUpdates },
    { "ScanSubfolders", &TSettings::ScanSubfolders },
    { "MinPicWidth", &TSettings::MinPicWidth },
    { "MinPicHeight", &TSettings::MinPicHeight },
} };
const std::array<Key, 1> kKeysAfterTypes { {
    { "SearchRotated", &TSettings::SearchRotated },
} };

// Every key, in file order.
const std::vector<Key> &keys()
{
    static const std::vector<Key> keys = [] {
        std::vector<const TPictureType *> types;
        for (const TPictureType &type : PictureTypes())
            types.push_back(&type);
        std::sort(types.begin(), types.end(),
            [](const TPictureType *a, const TPictureType *b) { return a->FileOrder < b->FileOrder; });
        std::vector<Key> all;
        const auto addTypes = [&](bool first) {
            for (const TPictureType *type : types) {
                if (IsFirstPictureType(*type) == first)
                    all.push_back({ type->SettingsKey, type->Searched });
            }
        };
        addTypes(true);
        all.insert(all.end(), kKeysAfterFirstTypes.begin(), kKeysAfterFirstTypes.end());
        addTypes(false);
        all.insert(all.end(), kKeysAfterTypes.begin(), kKeysAfterTypes.end());
        return all;
    }();
    return keys;
}

std::optional<int32_t> toInt32(const QString &text)
{
    bool ok = false;
    if (text.startsWith(kHexPrefix, Qt::CaseInsensitive) && text.size() > kHexPrefix.size()) {
        const QString digits = text.mid(kHexPrefix.size());
        // Qt would also take a sign or blanks here; a hexadecimal value is digits only.
        if (!digits.front().isLetterOrNumber())
            return std::nullopt;
        const uint32_t value = digits.toUInt(&ok, 16);
        return ok ? std::optional<int32_t>(int32_t(value)) : std::nullopt;
    }
    const int32_t value = text.toInt(&ok, 10);
    return ok ? std::optional<int32_t>(value) : std::nullopt;
}

TSettings settingsFrom(const IniFile &file)
{
    TSettings settings;
    for (const Key &key : keys()) {
        const auto text = file.value(kSection, QLatin1String(key.name));
        const auto number = text ? toInt32(*text) : std::nullopt;
        if (!number)
            continue;
        if (const auto flag = std::get_if<bool TSettings::*>(&key.field))
            settings.*(*flag) = *number != 0;
        else
            settings.*std::get<int32_t TSettings::*>(key.field) = *number;
    }
    settings.MinPicWidth = std::max(settings.MinPicWidth, 0);
    settings.MinPicHeight = std::max(settings.MinPicHeight, 0);
    return settings;
}

}

TSettings LoadSettings(const QString &iniPath)
{
    IniFile file;
    if (!file.load(iniPath))
        return TSettings();
    return settingsFrom(file);
}

TSettings ParseSettings(const QByteArray &content)
{
    IniFile file;
    file.parse(content);
    return settingsFrom(file);
}

bool SaveSettings(const QString &iniPath, const TSettings &settings, QString *error)
{
    return SaveSettings(iniPath, settings, error, SystemFileOperations());
}

bool SaveSettings(const QString &iniPath, const TSettings &settings, QString *error, TFileOperations &operations)
{
    // Its owner protected the file: the settings of this run stay in memory only.
    if (IsReadOnlyFile(QFile::encodeName(iniPath)))
        return true;
    IniFile file;
    if (!file.load(iniPath, error))
        return false;
    for (const Key &key : keys()) {
        QString text;
        if (const auto flag = std::get_if<bool TSettings::*>(&key.field))
            text = settings.*(*flag) ? QStringLiteral("1") : QStringLiteral("0");
        else
            text = QString::number(settings.*std::get<int32_t TSettings::*>(key.field));
        file.setValue(kSection, QLatin1String(key.name), text);
    }
    const QString folder = QFileInfo(iniPath).absolutePath();
    QDir().mkpath(folder);
    return file.save(iniPath, operations, error);
}

QString SettingsFilePath()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString besideProgram = programDir + QLatin1Char('/') + kFileName;
    if (QFileInfo::exists(besideProgram) || QFileInfo(programDir).isWritable())
        return besideProgram;
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QLatin1Char('/') + kFileName;
}
