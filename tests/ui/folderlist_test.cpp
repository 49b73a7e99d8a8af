#include "modalanswerer.h"
#include "ui/mainunit.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <sys/stat.h>

namespace
{
const QString kInitialHint = QStringLiteral("       您可以从文件管理器将目录拖动到此处");
const QString kClearedHint = QStringLiteral("       您可以从文件管理器中拖动目录");
const QString kRemovedHint = QStringLiteral("       You can drag directories from the file manager");

QStringList Lines(const QListWidget *list)
{
    QStringList lines;
    for (int row = 0; row < list->count(); ++row)
        lines << list->item(row)->text();
    return lines;
}
}

class FolderListTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/Quorvane.ini"));
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("a")));
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("b")));
        QFile picture(m_dir.filePath(QStringLiteral("a/photo.jpg")));
        QVERIFY(picture.open(QIODevice::WriteOnly));
        picture.write("not really a picture");
        m_form = std::make_unique<TMainForm>();
    }

    void cleanup()
    {
        m_form->close();
        m_form.reset();
        QFile::remove(QCoreApplication::applicationDirPath() + QStringLiteral("/Quorvane.ini"));
        MainUnit.Reset();
    }

    void startsWithTheInitialHint()
    {
        QVERIFY(MainUnit.FolderHintShown);
        QCOMPARE(Lines(m_form->DirectoriesListBox), QStringList({ QString(), QString(), kInitialHint }));
        QVERIFY(!m_form->DirectoriesListBox->isEnabled());
        QVERIFY(m_form->ListedFolders().empty());
    }

    void droppedFolderReplacesTheHint()
    {
        Drop({ m_dir.filePath(QStringLiteral("a")) });
        QVERIFY(!MainUnit.FolderHintShown);
        QCOMPARE(Lines(m_form->DirectoriesListBox), QStringList({ Folder("a") }));
        QVERIFY(m_form->DirectoriesListBox->isEnabled());
        QCOMPARE(m_form->DirectoriesListBox->palette().color(QPalette::Text), m_form->palette().color(QPalette::Text));
    }

    void droppedFileAddsItsFolder()
    {
        Drop({ m_dir.filePath(QStringLiteral("a/photo.jpg")) });
        QCOMPARE(Lines(m_form->DirectoriesListBox), QStringList({ Folder("a") }));
    }

    void folderAndAFileInsideAreListedTwice()
    {
        Drop({ m_dir.filePath(QStringLiteral("a")), m_dir.filePath(QStringLiteral("a/photo.jpg")) });
        QCOMPARE(Lines(m_form->DirectoriesListBox), QStringList({ Folder("a"), Folder("a") }));
        QCOMPARE(m_form->ListedFolders().size(), 2u);
        QCOMPARE(m_form->ListedFolders().front(), QFile::encodeName(Folder("a")));
    }

    void dropWithNothingUsableLeavesAnEmptyEnabledList()
    {
        Drop({ m_dir.filePath(QStringLiteral("missing/photo.jpg")) });
        QVERIFY(!MainUnit.FolderHintShown);
        QCOMPARE(m_form->DirectoriesListBox->count(), 0);
        QVERIFY(m_form->DirectoriesListBox->isEnabled());
    }

    // A name that is no valid UTF-8, with a newline and a leading dash, reaches the search as it
    // is on disk, also when a file inside it is dropped.
    void droppedFoldersKeepTheirBytes()
    {
        const QByteArray folder = QFile::encodeName(m_dir.path()) + "/-odd\xff\n\xe9/";
        QVERIFY(::mkdir(folder.constData(), 0700) == 0);
        m_form->DropUrls({ QUrl::fromEncoded("file://" + folder.toPercentEncoding("/")),
            QUrl::fromEncoded("file://" + (folder + "photo.jpg").toPercentEncoding("/")) });
        QCOMPARE(m_form->ListedFolders(), (std::vector<QByteArray> { folder, folder }));
    }

    void dropOfNonFileUrlsIsIgnored()
    {
        m_form->DropUrls({ QUrl(QStringLiteral("https://example.org/photo.jpg")) });
        QCOMPARE(m_form->DirectoriesListBox->count(), 0);
    }

    void buttonsDoNothingWhileTheHintShows()
    {
        m_form->RemoveFolderButton->click();
        m_form->MoveFolderUpButton->click();
        m_form->MoveFolderDownButton->click();
        m_form->ClearDirectoriesButton->click();
        QCOMPARE(Lines(m_form->DirectoriesListBox), QStringList({ QString(), QString(), kInitialHint }));
    }

    void removingTheLastFolderShowsTheEnglishHint()
    {
        Drop({ m_dir.filePath(QStringLiteral("a")) });
        m_form->RemoveFolderButton->click();
        QCOMPARE(m_form->DirectoriesListBox->count(), 1);
        m_form->DirectoriesListBox->setCurrentRow(0);
        m_form->RemoveFolderButton->click();
        QVERIFY(MainUnit.FolderHintShown);
        QCOMPARE(Lines(m_form->DirectoriesListBox), QStringList({ QString(), QString(), kRemovedHint }));
        QVERIFY(!m_form->DirectoriesListBox->isEnabled());
    }

    void clearingShowsTheSecondHint()
    {
        Drop({ m_dir.filePath(QStringLiteral("a")), m_dir.filePath(QStringLiteral("b")) });
        m_form->ClearDirectoriesButton->click();
        QCOMPARE(Lines(m_form->DirectoriesListBox), QStringList({ QString(), QString(), kClearedHint }));
    }

    void movesStopAtTheEndsAndKeepTheSelection()
    {
        Drop({ m_dir.filePath(QStringLiteral("a")), m_dir.filePath(QStringLiteral("b")) });
        QListWidget *list = m_form->DirectoriesListBox;
        m_form->MoveFolderDownButton->click();
        QCOMPARE(Lines(list), QStringList({ Folder("a"), Folder("b") }));

        list->setCurrentRow(0);
        m_form->MoveFolderUpButton->click();
        QCOMPARE(Lines(list), QStringList({ Folder("a"), Folder("b") }));
        m_form->MoveFolderDownButton->click();
        QCOMPARE(Lines(list), QStringList({ Folder("b"), Folder("a") }));
        QCOMPARE(list->currentRow(), 1);
        m_form->MoveFolderDownButton->click();
        QCOMPARE(Lines(list), QStringList({ Folder("b"), Folder("a") }));
        m_form->MoveFolderUpButton->click();
        QCOMPARE(Lines(list), QStringList({ Folder("a"), Folder("b") }));
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(list->item(0)->isSelected());
    }

    void deleteKeyEmptiesTheListWithoutAHint()
    {
        Drop({ m_dir.filePath(QStringLiteral("a")) });
        QListWidget *list = m_form->DirectoriesListBox;
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(list->count(), 1);
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(list->count(), 0);
        QVERIFY(!MainUnit.FolderHintShown);
        QVERIFY(list->isEnabled());

        ModalAnswerer answerer;
        m_form->StartButton->click();
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes.first().text, QStringLiteral("请添加一个或多个要搜索的目录。"));
    }

    void labelTogglesTheSubfolderOption()
    {
        const bool before = m_form->ScanSubfoldersCheckBox->isChecked();
        QTest::mouseClick(m_form->Label1, Qt::LeftButton);
        QCOMPARE(m_form->ScanSubfoldersCheckBox->isChecked(), !before);
        QCOMPARE(MainUnit.Settings.ScanSubfolders, !before);
    }

private:
    QString Folder(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)) + QLatin1Char('/'); }

    void Drop(const QStringList &paths)
    {
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        m_form->DropUrls(urls);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TMainForm> m_form;
};

QTEST_MAIN(FolderListTest)
#include "folderlist_test.moc"
