#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <vector>

// What a run of quorvane-cli left.
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs quorvane-cli with `arguments` passed as raw bytes, so that names that are not valid UTF-8
// arrive as they are, in `workingDirectory` (the test's own when empty).
CliRun RunCliWithBytes(const std::vector<QByteArray> &arguments, const QByteArray &workingDirectory = QByteArray());
CliRun RunCli(const QStringList &arguments, const QString &workingDirectory = QString());

// The same with standard error on a terminal (a pseudo-terminal whose output is `err`, its line
// ends turned into CR LF by the terminal). When given, `interruptWhen` sees the output so far each
// time more arrives; the first time it answers true the program gets SIGINT, as from Ctrl+C.
CliRun RunCliOnTerminal(
    const QStringList &arguments, const std::function<bool(const QByteArray &err)> &interruptWhen = {});
