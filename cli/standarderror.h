#pragma once

#include <QByteArray>
#include <QString>

// Standard error of quorvane-cli. The program's own messages and its progress line go through
// here; so does what the decoding libraries print on their own (libpng's errors, libtiff's
// warnings, Qt's image readers), which would otherwise land in the middle of the progress line.
class StandardErrorCapture
{
public:
    // Takes descriptor 2 over until destruction. Under `quiet` what the libraries print is
    // dropped; when standard error is a terminal, each of their lines is shown on a line of its
    // own with the progress line drawn again below it. Otherwise descriptor 2 is left alone.
    explicit StandardErrorCapture(bool quiet);
    // Passes on what the libraries printed last and gives descriptor 2 back.
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture &) = delete;
    StandardErrorCapture &operator=(const StandardErrorCapture &) = delete;
};

// Writes "quorvane-cli: MESSAGE" as one line, also under --quiet.
void ReportError(const QString &message);

// Whether the program's own lines reach a terminal (descriptor 2 before it was taken over).
bool StandardErrorIsTerminal();

// Replaces the progress line with `text` (no line end).
void ShowProgressLine(const QString &text);

// Ends a shown progress line, so that what follows starts on a line of its own.
void EndProgressLine();
