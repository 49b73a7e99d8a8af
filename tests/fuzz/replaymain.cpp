#include "fuzztarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

// Runs the target once for every file named on the command line or found in a named folder.
int main(int argc, char **argv)
{
    int inputs = 0;
    for (int a = 1; a < argc; ++a) {
        const QString argument = QFile::decodeName(argv[a]);
        QStringList files;
        if (QFileInfo(argument).isDir()) {
            const QDir folder(argument);
            for (const QString &name : folder.entryList(QDir::Files, QDir::Name))
                files << folder.filePath(name);
        } else {
            files << argument;
        }
        for (const QString &path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
                return 1;
            }
            const QByteArray input = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    return inputs > 0 ? 0 : 1;
}
