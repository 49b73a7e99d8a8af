#pragma once

#include "fileops/fileoperations.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// A settings file in the classic INI layout, edited the way the private-profile functions of
// other platforms do it: sections and keys are matched without regard to case, every line the
// program does not set (comments, unknown keys, other sections) stays byte for byte where it was,
// and a key that is missing is appended to the end of its section.
class IniFile
{
public:
    // Reads `path`; a file that does not exist gives an empty document. Returns false with a
    // message naming the file when it exists but cannot be read.
    bool load(const QString &path, QString *error = nullptr);
    // Takes `content` as the whole text of the file.
    void parse(QByteArray content);

    // The value of `key` in `section`, with the blanks around it removed; nothing when absent.
    std::optional<QString> value(const QString &section, const QString &key) const;

    // Replaces the value on the key's existing line, or appends "key=value" to its section
    // (creating the section at the end of the file when needed).
    void setValue(const QString &section, const QString &key, const QString &value);

    // Writes the document through a temporary file in the same folder that is renamed into place,
    // so the old file survives any failure. Returns false with a message naming the file.
    bool save(const QString &path, TFileOperations &operations, QString *error = nullptr) const;

    // The document as it would be written.
    QByteArray toBytes() const;

private:
    struct Range {
        std::size_t begin; // index of the section's header line
        std::size_t end; // one past its last line
    };
    std::optional<Range> findSection(const QByteArray &section) const;
    std::optional<std::size_t> findKey(const Range &range, const QByteArray &key) const;

    std::vector<QByteArray> m_lines;
    QByteArray m_lineEnd = "\n";
    QByteArray m_bom;
};
