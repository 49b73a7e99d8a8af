// Takes the README's screenshots: fills a temporary folder with generated pictures (a few of them
// resized or re-encoded copies), runs a real search in the main window and saves the window.
// quorvane-screenshot [--language zh|en] [OUTPUT]
#include "ui/language.h"
#include "ui/mainunit.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCursor>
#include <QDir>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace
{
QImage Landscape(quint32 seed, QSize size)
{
    QRandomGenerator random(seed);
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor sky = QColor::fromHsv(int(random.bounded(180, 240)), 120 + int(random.bounded(80)), 220);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0, sky.lighter(130));
    gradient.setColorAt(1, sky.darker(110));
    painter.fillRect(picture.rect(), gradient);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 210, 90));
    const int sun = size.width() / 9;
    painter.drawEllipse(QPoint(int(random.bounded(size.width())), size.height() / 5), sun, sun);
    for (int hill = 0; hill < 3; ++hill) {
        painter.setBrush(QColor::fromHsv(int(random.bounded(80, 140)), 150, 160 - hill * 35));
        const int width = size.width() * (6 + int(random.bounded(6))) / 10;
        const int x = int(random.bounded(size.width())) - width / 2;
        painter.drawEllipse(QRect(x, size.height() * (5 + hill) / 10, width, size.height()));
    }
    return picture;
}

void Save(const QImage &picture, const QString &path, int quality = 90)
{
    if (!picture.save(path, nullptr, quality))
        qFatal("cannot write %s", qPrintable(path));
}
}

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QCommandLineParser arguments;
    const QCommandLineOption language(QStringLiteral("language"), QStringLiteral("zh (default) or en"),
        QStringLiteral("LANGUAGE"), QStringLiteral("zh"));
    arguments.addOption(language);
    arguments.addPositionalArgument(QStringLiteral("OUTPUT"), QStringLiteral("PNG file to write"));
    arguments.process(application);
    InstallTranslations(
        arguments.value(language) == QLatin1String("en") ? ShownLanguage::English : ShownLanguage::Chinese);
    const QString output = arguments.positionalArguments().value(0, QStringLiteral("screenshot.png"));

    QTemporaryDir folder;
    QDir dir(folder.path());
    dir.mkpath(QStringLiteral("Holiday 2023"));
    dir.mkpath(QStringLiteral("Phone backup"));
    const QSize full(1200, 900);
    for (quint32 i = 0; i < 12; ++i) {
        const QImage picture = Landscape(i + 7, full);
        Save(picture, dir.filePath(QStringLiteral("Holiday 2023/IMG_%1.jpg").arg(2040 + i)));
        if (i % 3 == 0)
            Save(picture.scaled(full / 2, Qt::KeepAspectRatio, Qt::SmoothTransformation),
                dir.filePath(QStringLiteral("Phone backup/IMG_%1_small.jpg").arg(2040 + i)), 70);
        if (i % 4 == 1)
            Save(picture, dir.filePath(QStringLiteral("Phone backup/IMG_%1.png").arg(2040 + i)));
    }

    QCursor::setPos(0, 0); // away from the window, so that no button shows its hover highlight
    TMainForm form;
    form.show();
    form.DropUrls({ QUrl::fromLocalFile(dir.filePath(QStringLiteral("Holiday 2023"))),
        QUrl::fromLocalFile(dir.filePath(QStringLiteral("Phone backup"))) });

    QTimer answer;
    answer.setInterval(50);
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Ok);
    });
    answer.start();
    QTimer::singleShot(500, &form, [&] {
        form.StartButton->click(); // returns when the search has ended
        QTimer::singleShot(1000, &form, [&] {
            form.grab().save(output);
            application.quit();
        });
    });
    return application.exec();
}
