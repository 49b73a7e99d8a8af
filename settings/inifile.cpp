#include "settings/inifile.h"

#include <QDir>
#include <QFile>

namespace
{

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool isComment(const QByteArray &trimmed) { return trimmed.startsWith(';') || trimmed.startsWith('#'); }

// The name inside "[name]", or nothing when the line is not a section header.
std::optional<QByteArray> sectionName(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    const qsizetype close = trimmed.indexOf(']');
    if (!trimmed.startsWith('[') || close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

bool sameName(const QByteArray &a, const QByteArray &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QString fileError(const QString &action, const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot %1 the settings file %2: %3").arg(action, QDir::toNativeSeparators(path), reason);
}

}

bool IniFile::load(const QString &path, QString *error)
{
    parse(QByteArray());
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = fileError(QStringLiteral("read"), path, file.errorString());
        return false;
    }
    parse(file.readAll());
    return true;
}

void IniFile::parse(QByteArray content)
{
    m_lines.clear();
    m_lineEnd = "\n";
    m_bom.clear();
    if (content.startsWith(kUtf8Bom)) {
        m_bom = kUtf8Bom;
        content.remove(0, kUtf8Bom.size());
    }
    // CR LF only when every line break is one: a stray CR at the end of a line is part of the
    // line, or the next save would turn every line break into CR LF.
    const bool crlf = content.contains("\r\n") && content.count("\r\n") == content.count('\n');
    if (crlf)
        m_lineEnd = "\r\n";
    if (content.endsWith('\n'))
        content.chop(1);
    if (content.isEmpty())
        return;
    for (QByteArray &line : content.split('\n')) {
        if (crlf && line.endsWith('\r'))
            line.chop(1);
        m_lines.push_back(std::move(line));
    }
}

std::optional<IniFile::Range> IniFile::findSection(const QByteArray &section) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const auto name = sectionName(m_lines[i]);
        if (!name || !sameName(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < m_lines.size() && !sectionName(m_lines[end]))
            ++end;
        return Range { i, end };
    }
    return std::nullopt;
}

std::optional<std::size_t> IniFile::findKey(const Range &range, const QByteArray &key) const
{
    for (std::size_t i = range.begin + 1; i < range.end; ++i) {
        const QByteArray &line = m_lines[i];
        const qsizetype equals = line.indexOf('=');
        if (equals < 0 || isComment(line.trimmed()))
            continue;
        if (sameName(line.left(equals).trimmed(), key))
            return i;
    }
    return std::nullopt;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    const auto range = findSection(section.toUtf8());
    if (!range)
        return std::nullopt;
    const auto index = findKey(*range, key.toUtf8());
    if (!index)
        return std::nullopt;
    const QByteArray &line = m_lines[*index];
    QByteArray text = line.mid(line.indexOf('=') + 1).trimmed();
    // Quotes around a whole value are not part of it.
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        text = text.mid(1, text.size() - 2);
    return QString::fromUtf8(text);
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    const QByteArray sectionBytes = section.toUtf8();
    const QByteArray keyBytes = key.toUtf8();
    auto range = findSection(sectionBytes);
    if (!range) {
        if (!m_lines.empty() && !m_lines.back().trimmed().isEmpty())
            m_lines.emplace_back();
        m_lines.push_back('[' + sectionBytes + ']');
        range = Range { m_lines.size() - 1, m_lines.size() };
    }
    if (const auto index = findKey(*range, keyBytes)) {
        QByteArray &line = m_lines[*index];
        // The key keeps the spelling the file gave it.
        line = line.left(line.indexOf('=')).trimmed() + '=' + value.toUtf8();
        return;
    }
    // After the section's last non-blank line, so that blank lines before the next section stay there.
    std::size_t insertAt = range->end;
    while (insertAt > range->begin + 1 && m_lines[insertAt - 1].trimmed().isEmpty())
        --insertAt;
    m_lines.insert(m_lines.begin() + std::ptrdiff_t(insertAt), keyBytes + '=' + value.toUtf8());
}

QByteArray IniFile::toBytes() const
{
    QByteArray bytes = m_bom;
    for (const QByteArray &line : m_lines)
        bytes += line + m_lineEnd;
    return bytes;
}

bool IniFile::save(const QString &path, TFileOperations &operations, QString *error) const
{
    QString reason;
    if (operations.ReplaceFile(path, toBytes(), &reason) == 0)
        return true;
    if (error)
        *error = fileError(QStringLiteral("write"), path, reason);
    return false;
}
