#include "clirun.h"

#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{

std::vector<QByteArray> encoded(const QStringList &arguments)
{
    std::vector<QByteArray> bytes;
    for (const QString &argument : arguments)
        bytes.push_back(QFile::encodeName(argument));
    return bytes;
}

std::vector<char *> argv(std::vector<QByteArray> &arguments, QByteArray &program)
{
    std::vector<char *> pointers { program.data() };
    for (QByteArray &argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    return pointers;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int exitCodeOf(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}

CliRun RunCliWithBytes(const std::vector<QByteArray> &arguments, const QByteArray &workingDirectory)
{
    QTemporaryDir streams;
    const QByteArray out = QFile::encodeName(streams.filePath(QStringLiteral("out")));
    const QByteArray err = QFile::encodeName(streams.filePath(QStringLiteral("err")));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.constData(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.constData(), O_WRONLY | O_CREAT, 0600);
    if (!workingDirectory.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.constData());
    QByteArray program(QUORVANE_CLI_PATH);
    std::vector<QByteArray> copies = arguments;
    std::vector<char *> pointers = argv(copies, program);
    pid_t child = 0;
    const int failed = posix_spawn(&child, program.constData(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    CliRun run;
    if (failed)
        return run;
    run.exitCode = exitCodeOf(child);
    run.out = readFile(QFile::decodeName(out));
    run.err = readFile(QFile::decodeName(err));
    return run;
}

CliRun RunCli(const QStringList &arguments, const QString &workingDirectory)
{
    return RunCliWithBytes(encoded(arguments), QFile::encodeName(workingDirectory));
}

CliRun RunCliOnTerminal(const QStringList &arguments, const std::function<bool(const QByteArray &err)> &interruptWhen)
{
    QTemporaryDir streams;
    const QByteArray out = QFile::encodeName(streams.filePath(QStringLiteral("out")));
    QByteArray program(QUORVANE_CLI_PATH);
    std::vector<QByteArray> copies = encoded(arguments);
    std::vector<char *> pointers = argv(copies, program);
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        const int outFd = open(out.constData(), O_WRONLY | O_CREAT, 0600);
        dup2(outFd, STDOUT_FILENO);
        execv(program.constData(), pointers.data());
        _exit(127);
    }
    CliRun run;
    if (child < 0)
        return run;
    char buffer[4096];
    bool interrupted = false;
    // Reading ends with EIO once the program has exited and the terminal has no other user.
    for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) != 0;) {
        if (got > 0) {
            run.err.append(buffer, got);
            if (!interrupted && interruptWhen && interruptWhen(run.err))
                interrupted = kill(child, SIGINT) == 0;
        } else if (errno != EINTR) {
            break;
        }
    }
    close(terminal);
    run.exitCode = exitCodeOf(child);
    run.out = readFile(QFile::decodeName(out));
    return run;
}
