#include "cli/options.h"

#include "cli/settingsfile.h"
#include "settings/settingsstore.h"

#include <QStringList>

#include <algorithm>
#include <functional>
#include <limits>
#include <map>

namespace
{

const std::map<QByteArray, OutputFormat> kFormats {
    { "csv", OutputFormat::Csv },
    { "tsv", OutputFormat::Tsv },
    { "json", OutputFormat::Json },
};

constexpr int kMaxThreads = 256;
// The explanations of the usage text start in this column; those of --types are wrapped at kUsageWidth.
constexpr int kUsageIndent = 21;
constexpr int kUsageWidth = 90;

QString shown(const QByteArray &argument) { return QString::fromLocal8Bit(argument); }

// "bmp,jpg,...": every name --types takes.
QString typeNames()
{
    QStringList names;
    for (const TPictureType &type : PictureTypes())
        names << QLatin1String(type.CommandLineName);
    return names.join(QLatin1Char(','));
}

std::optional<std::vector<const TPictureType *>> parseTypes(const QByteArray &list)
{
    std::vector<const TPictureType *> types;
    for (const QByteArray &item : list.split(',')) {
        const QByteArray name = item.trimmed().toLower();
        const auto &known = PictureTypes();
        const auto type = std::find_if(
            known.begin(), known.end(), [&](const TPictureType &type) { return name == type.CommandLineName; });
        if (type == known.end())
            return std::nullopt;
        types.push_back(&*type);
    }
    return types;
}

// The --types lines of the usage text, wrapped like the others.
QString typesUsage()
{
    QStringList defaults;
    QStringList notes;
    for (const TPictureType &type : PictureTypes()) {
        if (type.SearchedByDefault)
            defaults << QLatin1String(type.CommandLineName);
        if (type.CommandLineNote)
            notes << QLatin1String(type.CommandLineName) + QLatin1Char(' ') + QLatin1String(type.CommandLineNote);
    }
    QString explanation = QStringLiteral("(default ") + defaults.join(QLatin1Char(','));
    if (!notes.isEmpty())
        explanation += QStringLiteral("; ") + notes.join(QStringLiteral(", "));
    explanation += QLatin1Char(')');

    const QString indent(kUsageIndent, QLatin1Char(' '));
    QString text = QStringLiteral("  --types LIST       comma-separated subset of ") + typeNames() + QLatin1Char('\n');
    QString line = indent;
    for (const QString &word : explanation.split(QLatin1Char(' '))) {
        if (line.size() > indent.size() && line.size() + 1 + word.size() > kUsageWidth) {
            text += line + QLatin1Char('\n');
            line = indent;
        }
        line += (line.size() > indent.size() ? QStringLiteral(" ") : QString()) + word;
    }
    return text + line + QLatin1Char('\n');
}

// "most-pixels", "largest", "oldest", "newest" or "inside:FOLDER"; the folder is made absolute.
QString parseKeep(Options &options, const QByteArray &value, const QByteArray &currentDir)
{
    options.Keep = ParseKeepRule(value);
    if (!options.Keep)
        return QStringLiteral("--keep takes most-pixels, largest, oldest, newest or inside:FOLDER, not '%1'")
            .arg(shown(value));
    if (options.Keep->Keep == TKeepRule::InsideFolder)
        options.Keep->Folder = AbsoluteFolder(options.Keep->Folder, currentDir);
    return {};
}

bool isWholeNumber(const QByteArray &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<int32_t> parseSize(const QByteArray &text)
{
    if (!isWholeNumber(text))
        return std::nullopt;
    bool ok = false;
    const int32_t value = text.toInt(&ok, 10);
    return ok ? std::optional<int32_t>(value) : std::nullopt;
}

// Parses a minimum picture size into `size`; returns an error text or an empty string.
QString parseMinimum(const char *option, const QByteArray &value, std::optional<int32_t> &size)
{
    size = parseSize(value);
    if (size)
        return QString();
    if (isWholeNumber(value))
        return QStringLiteral("%1 takes at most %2, not '%3'")
            .arg(QLatin1String(option))
            .arg(std::numeric_limits<int32_t>::max())
            .arg(shown(value));
    return QStringLiteral("%1 takes a non-negative whole number, not '%2'").arg(QLatin1String(option), shown(value));
}

// Parses a whole percentage from 1 to 100 into `percent`; returns an error text or an empty string.
QString parsePercent(const char *option, const QByteArray &value, std::optional<double> &percent)
{
    const std::optional<int32_t> parsed = parseSize(value);
    if (!parsed || *parsed < kLowestMinSimilarity || *parsed > 100)
        return QStringLiteral("%1 takes a whole number from 1 to 100, not '%2'")
            .arg(QLatin1String(option), shown(value));
    percent = *parsed;
    return QString();
}

// Handles one option that takes a value; returns an error text or an empty string.
using ValueHandler = std::function<QString(Options &, const QByteArray &)>;

const std::map<QByteArray, ValueHandler> &valueOptions()
{
    static const std::map<QByteArray, ValueHandler> handlers {
        { "--types",
            [](Options &options, const QByteArray &value) {
                options.Types = parseTypes(value);
                return options.Types ? QString()
                                     : QStringLiteral("--types takes a comma-separated list of %1, not '%2'")
                                           .arg(typeNames(), shown(value));
            } },
        { "--min-width",
            [](Options &options, const QByteArray &value) {
                return parseMinimum("--min-width", value, options.MinWidth);
            } },
        { "--min-height",
            [](Options &options, const QByteArray &value) {
                return parseMinimum("--min-height", value, options.MinHeight);
            } },
        { "--threads",
            [](Options &options, const QByteArray &value) {
                const std::optional<int32_t> threads = parseSize(value);
                if (!threads || *threads < 1 || *threads > kMaxThreads)
                    return QStringLiteral("--threads takes a whole number from 1 to %1, not '%2'")
                        .arg(kMaxThreads)
                        .arg(shown(value));
                options.Threads = *threads;
                return QString();
            } },
        { "--format",
            [](Options &options, const QByteArray &value) {
                const auto format = kFormats.find(value);
                if (format == kFormats.end())
                    return QStringLiteral("--format takes csv, tsv or json, not '%1'").arg(shown(value));
                options.Format = format->second;
                return QString();
            } },
        { "--settings",
            [](Options &options, const QByteArray &value) {
                options.SettingsFile = value;
                return QString();
            } },
        { "--signature",
            [](Options &options, const QByteArray &value) {
                options.SignatureFile = value;
                return QString();
            } },
        { "--output",
            [](Options &options, const QByteArray &value) {
                options.OutputFile = value;
                return QString();
            } },
        { "--min-similarity",
            [](Options &options, const QByteArray &value) {
                return parsePercent("--min-similarity", value, options.MinSimilarity);
            } },
        { "--store",
            [](Options &options, const QByteArray &value) {
                options.StoreFile = value;
                return QString();
            } },
        { "--min-listed",
            [](Options &options, const QByteArray &value) {
                return parsePercent("--min-listed", value, options.MinListed);
            } },
    };
    return handlers;
}

const std::map<QByteArray, bool Options::*> kFlags {
    { "--no-subfolders", &Options::NoSubfolders },
    { "--identical-only", &Options::IdenticalOnly },
    { "--rotations", &Options::Rotations },
    { "--collect-only", &Options::CollectOnly },
    { "--quiet", &Options::Quiet },
    { "--trash-marked", &Options::TrashMarked },
    { "--no-store", &Options::NoStore },
    { "--no-decisions", &Options::NoDecisions },
    { "--forget-dismissed", &Options::ForgetDismissed },
    { "--help", &Options::Help },
    { "-h", &Options::Help },
};

}

QByteArray AbsoluteFolder(const QByteArray &path, const QByteArray &currentDir)
{
    const QByteArray absolute = path.startsWith('/') ? path : currentDir + '/' + path;
    std::vector<QByteArray> parts;
    for (const QByteArray &part : absolute.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    QByteArray folder("/");
    for (const QByteArray &part : parts)
        folder += part + '/';
    return folder;
}

ParsedOptions ParseOptions(const std::vector<QByteArray> &arguments, const QByteArray &currentDir)
{
    ParsedOptions parsed;
    Options &options = parsed.Values;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const QByteArray &argument = arguments[i];
        if (optionsEnded || !argument.startsWith('-') || argument == "-") {
            options.Folders.push_back(AbsoluteFolder(argument, currentDir));
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const qsizetype equals = argument.indexOf('=');
        const QByteArray name = equals < 0 ? argument : argument.left(equals);
        if (const auto flag = kFlags.find(name); flag != kFlags.end()) {
            if (equals >= 0) {
                parsed.Error = QStringLiteral("%1 takes no value").arg(shown(name));
                return parsed;
            }
            options.*(flag->second) = true;
            continue;
        }
        if (name == "--dismiss") {
            // Two files, taken as they are, also when they begin with a dash.
            if (equals >= 0 || i + 2 >= arguments.size() || arguments[i + 1].isEmpty() || arguments[i + 2].isEmpty()) {
                parsed.Error = QStringLiteral("--dismiss takes two files: --dismiss FILE FILE");
                return parsed;
            }
            if (!options.Dismiss.empty()) {
                parsed.Error = QStringLiteral("--dismiss is given twice");
                return parsed;
            }
            options.Dismiss = { arguments[i + 1], arguments[i + 2] };
            i += 2;
            continue;
        }
        const auto handler = valueOptions().find(name);
        if (handler == valueOptions().end() && name != "--keep" && name != "--move-marked" && name != "--reference") {
            parsed.Error = QStringLiteral("unknown option %1").arg(shown(name));
            return parsed;
        }
        QByteArray value;
        if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            parsed.Error = QStringLiteral("%1 needs a value").arg(shown(name));
            return parsed;
        }
        if (value.isEmpty()) {
            parsed.Error = QStringLiteral("%1 needs a value").arg(shown(name));
            return parsed;
        }
        if (name == "--keep")
            parsed.Error = parseKeep(options, value, currentDir);
        else if (name == "--move-marked")
            options.MoveMarked = AbsoluteFolder(value, currentDir);
        else if (name == "--reference")
            options.ReferenceFolders.push_back(AbsoluteFolder(value, currentDir));
        else
            parsed.Error = handler->second(options, value);
        if (!parsed.Error.isEmpty())
            return parsed;
    }
    // A reference folder is searched too.
    for (const QByteArray &folder : options.ReferenceFolders)
        if (std::find(options.Folders.begin(), options.Folders.end(), folder) == options.Folders.end())
            options.Folders.push_back(folder);
    const bool decisionCommand = !options.Dismiss.empty() || options.ForgetDismissed;
    if (options.NoStore && !options.StoreFile.isEmpty())
        parsed.Error = QStringLiteral("--no-store and --store cannot be given together");
    else if (!options.Dismiss.empty() && options.ForgetDismissed)
        parsed.Error = QStringLiteral("--dismiss and --forget-dismissed exclude each other");
    else if (decisionCommand && !options.Folders.empty())
        parsed.Error = QStringLiteral("%1 takes no folder: it only changes the decisions")
                           .arg(QLatin1String(options.ForgetDismissed ? "--forget-dismissed" : "--dismiss"));
    else if (decisionCommand && options.NoDecisions)
        parsed.Error = QStringLiteral("--no-decisions is for a search, not with %1")
                           .arg(QLatin1String(options.ForgetDismissed ? "--forget-dismissed" : "--dismiss"));
    else if (!options.Help && !decisionCommand && options.SignatureFile.isEmpty() && options.Folders.empty())
        parsed.Error = QStringLiteral("no folder given (try --help)");
    else if (!options.Keep && (options.MinSimilarity || options.TrashMarked || !options.MoveMarked.isEmpty()))
        parsed.Error = QStringLiteral("--min-similarity, --trash-marked and --move-marked need --keep");
    else if (options.TrashMarked && !options.MoveMarked.isEmpty())
        parsed.Error = QStringLiteral("--trash-marked and --move-marked exclude each other");
    else if (options.Keep && options.MinListed)
        parsed.Error = QStringLiteral("--min-listed filters the list of pairs; with --keep use --min-similarity");
    return parsed;
}

std::optional<TSettings> EffectiveSettings(const Options &options, QString *error)
{
    TSettings settings;
    if (!options.SettingsFile.isEmpty()) {
        QString refusal;
        const std::optional<QByteArray> content = ReadSettingsFile(options.SettingsFile, &refusal);
        if (!content) {
            if (error)
                *error = refusal;
            return std::nullopt;
        }
        settings = ParseSettings(*content);
    }
    if (options.Types) {
        for (const TPictureType &type : PictureTypes()) {
            const auto &listed = *options.Types;
            settings.*type.Searched = std::find(listed.begin(), listed.end(), &type) != listed.end();
        }
    }
    if (options.NoSubfolders)
        settings.ScanSubfolders = false;
    if (options.MinWidth)
        settings.MinPicWidth = *options.MinWidth;
    if (options.MinHeight)
        settings.MinPicHeight = *options.MinHeight;
    if (options.IdenticalOnly)
        settings.SearchOnlyIdentical = true;
    if (options.Rotations)
        settings.SearchRotated = true;
    return settings;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: quorvane-cli [options] FOLDER...\n"
        "Finds duplicate and similar pictures in the folders and writes the pairs.\n"
        "\n"
        "%1"
        "  --no-subfolders    walk only the listed folders themselves\n"
        "  --min-width N      minimum picture width (default 100)\n"
        "  --min-height N     minimum picture height (default 100)\n"
        "  --identical-only   only byte-identical pairs\n"
        "  --rotations        also pair pictures that are turned by 90, 180 or 270 degrees or mirrored\n"
        "                     copies of each other\n"
        "  --settings FILE    take the options from this settings file (at most 1 MiB of text);\n"
        "                     the command line wins\n"
        "  --collect-only     print the collected files, one full path per line, and stop\n"
        "  --signature FILE   print the signature of one picture\n"
        "  --format FORMAT    csv (default), tsv or json\n"
        "  --output FILE      write there instead of standard output; a file is replaced atomically,\n"
        "                     a named pipe or character device is written into; never one of the\n"
        "                     pictures searched\n"
        "  --quiet            no progress line and no messages of the picture decoders\n"
        "  --threads N        decode pictures on N threads (default: one per core)\n"
        "  --keep RULE        list, instead of the pairs, the files RULE marks in each group of\n"
        "                     pairs, with the picture kept: most-pixels, largest, oldest, newest or\n"
        "                     inside:FOLDER (keep the pictures inside FOLDER)\n"
        "  --min-similarity N mark only files at least N percent similar to the kept picture, or\n"
        "                     byte-identical to it (default 50)\n"
        "  --trash-marked     move the marked files to the trash\n"
        "  --move-marked DIR  move the marked files into DIR, never replacing a file\n"
        "  --store FILE       keep signatures between searches in FILE: a new or empty file or a store\n"
        "                     of this program, never one of the pictures searched\n"
        "                     (default $XDG_CACHE_HOME/Quorvane/signatures.sqlite)\n"
        "  --no-store         decode every picture, neither reading nor writing the store\n"
        "  --reference DIR    search DIR too as a reference folder: no pair of two of its pictures is\n"
        "                     listed, and --keep keeps its pictures and never marks one (repeatable)\n"
        "  --min-listed N     list only the pairs at least N percent similar; the pairing is unchanged\n"
        "  --dismiss FILE FILE\n"
        "                     record that the two files are not duplicates, and stop: no later search\n"
        "                     pairs their contents (kept by content, so renames and copies keep it)\n"
        "  --forget-dismissed forget every such decision, and stop\n"
        "  --no-decisions     search without the decisions\n"
        "                     ($XDG_DATA_HOME/Quorvane/decisions.sqlite)\n"
        "\n"
        "TSV: one line per pair, path TAB path TAB similarity; inside a path a backslash, tab,\n"
        "newline and carriage return are written as \\\\, \\t, \\n and \\r.\n"
        "JSON: an array of {\"original\", \"duplicate\", \"similarity\"}; a path that is not valid\n"
        "UTF-8 also comes as its exact bytes in base64, in \"original_bytes\" or \"duplicate_bytes\".\n"
        "With --rotations each object also names how the duplicate lies against the original in\n"
        "\"orientation\": unturned, mirrored-left-right, mirrored-top-bottom, rotated-90, rotated-180,\n"
        "rotated-270 (clockwise), transposed or antitransposed (mirrored across a diagonal).\n"
        "The files --keep lists and the report of what --trash-marked or --move-marked did\n"
        "follow --format with the same quoting and escapes; see the README for their fields.\n"
        "\n"
        "Exit status: 0 done, 1 failed (the output could not be written, the picture of --signature was\n"
        "skipped, a marked file was left alone, or an error such as running out of memory), 2 usage\n"
        "error, 3 none of the folders exists, 130 interrupted.\n")
        .arg(typesUsage());
}
