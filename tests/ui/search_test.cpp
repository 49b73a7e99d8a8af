#include "engine/results/textformat.h"
#include "engine/sign/signpicture.h"
#include "engine/store/signaturestore.h"
#include "modalanswerer.h"
#include "ui/mainunit.h"
#include "ui/quorvaneapplication.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <stdexcept>

namespace
{
constexpr int kPictureSize = 160;
const QString kLineEnd = QStringLiteral("\n\r");

QString IniPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/Quorvane.ini"); }

QString Header(const QString &title) { return title + QString(36, QLatin1Char(' ')) + QStringLiteral("\n\r\n\r"); }

// A picture of coloured blocks that no other seed reproduces closely.
QImage BlockPicture(quint32 seed)
{
    QRandomGenerator random(seed);
    QImage picture(kPictureSize, kPictureSize, QImage::Format_RGB32);
    QPainter painter(&picture);
    constexpr int kBlock = 20;
    for (int y = 0; y < kPictureSize; y += kBlock) {
        for (int x = 0; x < kPictureSize; x += kBlock)
            painter.fillRect(x, y, kBlock, kBlock, QColor::fromRgb(random.generate() | 0xFF000000));
    }
    return picture;
}

void WritePicture(const QString &path, quint32 seed)
{
    QVERIFY2(BlockPicture(seed).save(path, nullptr, 90), qPrintable(path));
}
}

class SearchTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(IniPath());
        MainUnit.Settings = TSettings();
        m_dir = std::make_unique<QTemporaryDir>();
        m_form = std::make_unique<TMainForm>();
        m_form->show();
    }

    void cleanup()
    {
        m_form.reset();
        m_dir.reset();
        QFile::remove(IniPath());
        MainUnit.Reset();
    }

    void findsTheCopyAndReportsTheSummary()
    {
        QDir dir(m_dir->path());
        QVERIFY(dir.mkdir(QStringLiteral("sub")));
        WritePicture(dir.filePath(QStringLiteral("a.jpg")), 1);
        QVERIFY(QFile::copy(dir.filePath(QStringLiteral("a.jpg")), dir.filePath(QStringLiteral("sub/copy.jpg"))));
        WritePicture(dir.filePath(QStringLiteral("b.png")), 2);
        WritePicture(dir.filePath(QStringLiteral("c.bmp")), 3);
        m_form->DropUrls({ QUrl::fromLocalFile(dir.path()) });

        ModalAnswerer answerer;
        m_form->StartButton->click();

        QCOMPARE(answerer.boxes.size(), 1);
        const ModalAnswerer::Box box = answerer.boxes.first();
        QCOMPARE(box.icon, QMessageBox::Information);
        const QString expectedStart = Header(QStringLiteral("搜索已完成")) + QStringLiteral("扫描图片总数： 4 / 4")
            + kLineEnd + QStringLiteral("发现相似图片：1") + kLineEnd + QStringLiteral("运行时间： 00:00:0");
        QVERIFY2(box.text.startsWith(expectedStart), qPrintable(box.text));
        QVERIFY(box.text.endsWith(kLineEnd));
        QCOMPARE(box.text.size(), expectedStart.size() + 1 + kLineEnd.size());

        QCOMPARE(m_form->ScannedCountLabel->text(), QStringLiteral("扫描文件：4"));
        QCOMPARE(m_form->DuplicatesFoundLabel->text(), QStringLiteral("发现重复项： 1"));
        QCOMPARE(m_form->DiskUsageLabel->text(), QStringLiteral("磁盘空间使用情况：0 B"));
        QCOMPARE(MainUnit.Catalogue.PairsLast, 0);
        QCOMPARE(MainUnit.Catalogue.Pairs.size(), 1u);
        QCOMPARE(m_form->ListView1->model()->rowCount(), 1);
        QCOMPARE(m_form->ListView1->selectionModel()->selectedRows().value(0).row(), 0);
        QVERIFY(m_form->ImageLabel1->text().startsWith(QLatin1String("JPG  160 x 160")));
        QVERIFY(m_form->PercentLabel->text() != QLatin1String("0%"));
        ExpectIdle();
    }

    void theStoreServesTheNextSearchAndTheMenuEmptiesIt()
    {
        QDir dir(m_dir->path());
        for (quint32 seed = 1; seed <= 3; ++seed)
            WritePicture(dir.filePath(QStringLiteral("p%1.jpg").arg(seed)), seed);
        m_form->DropUrls({ QUrl::fromLocalFile(dir.path()) });
        QString message;
        const auto searchOnce = [&] {
            ModalAnswerer answerer;
            m_form->StartButton->click();
            QCOMPARE(answerer.boxes.size(), 1);
            message = answerer.boxes.first().text;
        };
        m_form->EmptySignatureStore1->trigger();
        searchOnce();
        QCOMPARE(m_form->SignaturesCountLabel->text(), QStringLiteral("来自签名缓存：0 张，已解码：3 张"));
        searchOnce();
        QCOMPARE(m_form->SignaturesCountLabel->text(), QStringLiteral("来自签名缓存：3 张，已解码：0 张"));
        m_form->UpdateEmptySignatureStoreCaption();
        const QString caption = m_form->EmptySignatureStore1->text();
        QVERIFY2(caption.startsWith(QStringLiteral("清空签名缓存（")) && caption.contains(QStringLiteral("KB")),
            qPrintable(caption));
        m_form->EmptySignatureStore1->trigger();
        searchOnce();
        QCOMPARE(m_form->SignaturesCountLabel->text(), QStringLiteral("来自签名缓存：0 张，已解码：3 张"));
        QVERIFY(message.endsWith(kLineEnd));

        // A damaged store is named in one line after the search: its header, which marks it as a
        // store, stands, the pages after it do not.
        QFile store(QFile::decodeName(TSignatureStore::DefaultFile()));
        QVERIFY(store.open(QIODevice::ReadWrite));
        QVERIFY(store.seek(100));
        store.write(QByteArray(4096, 'x'));
        store.close();
        searchOnce();
        QVERIFY2(message.endsWith(kLineEnd + QStringLiteral("签名缓存已损坏：已移到一旁并新建了一个。")),
            qPrintable(message));
    }

    void emptyFoldersFindNothing()
    {
        m_form->DropUrls({ QUrl::fromLocalFile(m_dir->path()) });
        ModalAnswerer answerer;
        m_form->StartSearch1->trigger();
        QCOMPARE(answerer.boxes.size(), 1);
        QVERIFY(answerer.boxes.first().text.startsWith(Header(QStringLiteral("搜索已完成"))
            + QStringLiteral("扫描图片总数： 0 / 0") + kLineEnd + QStringLiteral("相似图像： 0") + kLineEnd));
        QCOMPARE(m_form->ScannedCountLabel->text(), QStringLiteral("扫描文件：0"));
        QCOMPARE(m_form->DuplicatesFoundLabel->text(), QStringLiteral("发现重复项： 0"));
        QCOMPARE(MainUnit.Catalogue.PairsLast, -1);
        QCOMPARE(m_form->ListView1->model()->rowCount(), 0);
        QCOMPARE(m_form->ImageLabel1->text(), QStringLiteral("无图像"));
        ExpectIdle();
    }

    void searchingStateDisablesTheFolderControls()
    {
        WriteManyPictures(30);
        // Read from inside the pump, checked after the search.
        QStringList seen;
        StopWhen([&](const QString &) {
            const auto flag
                = [&](const char *name, bool value) { seen << QStringLiteral("%1=%2").arg(name).arg(value); };
            flag("stopped", MainUnit.Catalogue.SearchStopped);
            flag("add", m_form->AddFolderButton->isEnabled());
            flag("list", m_form->DirectoriesListBox->isEnabled());
            flag("subfolders", m_form->ScanSubfoldersCheckBox->isEnabled());
            flag("settings", m_form->Settings1->isEnabled());
            flag("about", m_form->About1->isEnabled());
            flag("exit", m_form->Exit1->isEnabled());
            flag("left", m_form->LeftImage->isEnabled());
            flag("panelCovers", m_form->SearchPanel->height() == m_form->CentralPanel->height());
            flag("filesTop", m_form->FilesCountLabel->y() == m_form->CentralPanel->height() / 2 - 64);
            flag("timeTop", m_form->TimeLabel->y() == m_form->FilesCountLabel->y() + 64);
            seen << m_form->StartButton->text() << m_form->StartSearch1->text() << m_form->ImageLabel1->text()
                 << m_form->PercentLabel->text() << m_form->ScannedCountLabel->text();
            return true;
        });
        ModalAnswerer answerer;
        m_form->StartButton->click();
        QCOMPARE(seen,
            QStringList({ "stopped=0", "add=0", "list=0", "subfolders=0", "settings=0", "about=0", "exit=1", "left=0",
                "panelCovers=1", "filesTop=1", "timeTop=1", "停止搜索", "停止搜索", "无图像", "0%",
                "扫描的文件： 0" }));
        ExpectIdle();
    }

    void stopDuringCollection()
    {
        WriteManyPictures(30);
        StopWhen([](const QString &caption) { return caption.startsWith(QLatin1String("Total pictures scanned")); });
        ModalAnswerer answerer;
        m_form->StartButton->click();

        QCOMPARE(answerer.boxes.size(), 1);
        const QString text = answerer.boxes.first().text;
        QVERIFY2(text.startsWith(Header(QStringLiteral("搜索中断")) + QStringLiteral("Total pictures scanned: 0 / ")),
            qPrintable(text));
        QVERIFY(MainUnit.Catalogue.PicturesLast + 1 > 0);
        QVERIFY(MainUnit.Catalogue.PicturesLast + 1 < 30);
        QCOMPARE(MainUnit.Catalogue.PairsLast, -1);
        QCOMPARE(m_form->ScannedCountLabel->text(),
            QStringLiteral("扫描文件：") + FormatCount(MainUnit.Catalogue.PicturesLast + 1));
        QCOMPARE(m_form->DuplicatesFoundLabel->text(), QStringLiteral("发现重复项： 0"));
        ExpectIdle();
    }

    void stopDuringProcessingKeepsThePairsSoFar()
    {
        WriteManyPictures(30);
        QDir dir(m_dir->path());
        QVERIFY(QFile::copy(dir.filePath(QStringLiteral("p00.jpg")), dir.filePath(QStringLiteral("p00copy.jpg"))));
        StopWhen([](const QString &caption) { return caption.startsWith(QStringLiteral("扫描图片总数： 3 / ")); });
        ModalAnswerer answerer;
        m_form->StartButton->click();

        QCOMPARE(answerer.boxes.size(), 1);
        const QString text = answerer.boxes.first().text;
        QVERIFY2(text.startsWith(Header(QStringLiteral("搜索中断")) + QStringLiteral("扫描图片总数： 3 / 31") + kLineEnd
                     + QStringLiteral("发现相似图片：1") + kLineEnd),
            qPrintable(text));
        QCOMPARE(MainUnit.Catalogue.PicturesLast + 1, 3);
        QCOMPARE(MainUnit.Catalogue.PairsLast, 0);
        QCOMPARE(m_form->ScannedCountLabel->text(), QStringLiteral("扫描文件：3"));
        QCOMPARE(m_form->DuplicatesFoundLabel->text(), QStringLiteral("发现重复项： 1"));
        QCOMPARE(m_form->ListView1->model()->rowCount(), 1);
        ExpectIdle();
    }

    void closingTheWindowDuringASearchEndsIt()
    {
        WriteManyPictures(30);
        MainUnit.Settings.MinPicWidth = 123;
        bool closed = false;
        StopWhen([&](const QString &caption) {
            if (!caption.startsWith(QStringLiteral("扫描图片总数")))
                return false;
            closed = m_form->close();
            return false;
        });
        ModalAnswerer answerer;
        m_form->StartButton->click();

        QVERIFY(closed);
        QVERIFY(!m_form->isVisible());
        QVERIFY(answerer.boxes.isEmpty());
        QVERIFY(MainUnit.Catalogue.SearchStopped);
        QCOMPARE(MainUnit.Catalogue.PairsLast, -1);
        QCOMPARE(MainUnit.Catalogue.PicturesLast, -1);
        QVERIFY(MainUnit.Catalogue.Pictures.empty());
        QVERIFY(MainUnit.Catalogue.Pairs.empty());
        QVERIFY(MainUnit.Catalogue.Paths.empty());
        QCOMPARE(m_form->ListView1->model()->rowCount(), 0);

        QFile ini(IniPath());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("MinPicWidth=123"));
        ini.close();
        QVERIFY(QFile::remove(IniPath()));
        m_form.reset();
        QVERIFY(!QFile::exists(IniPath()));
    }

    void signingErrorEndsTheSearchThroughTheErrorBox()
    {
        WriteManyPictures(3);
        m_form->SearchProcessing.Signer = [](const QByteArray &path, const TSettings &settings) {
            if (path.endsWith("/p01.jpg"))
                throw std::runtime_error("decoder broke");
            return SignPicture(path, settings);
        };
        ModalAnswerer answerer;
        QTest::mouseClick(m_form->StartButton, Qt::LeftButton);

        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes.first().icon, QMessageBox::Critical);
        QCOMPARE(answerer.boxes.first().text, QStringLiteral("decoder broke"));
        ExpectIdle();
    }

private:
    void WriteManyPictures(int count)
    {
        QDir dir(m_dir->path());
        for (int i = 0; i < count; ++i)
            WritePicture(dir.filePath(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0'))), 100 + i);
        m_form->DropUrls({ QUrl::fromLocalFile(dir.path()) });
    }

    // Presses Stop from inside the search's message pump once `condition` holds for the
    // files-count caption.
    void StopWhen(std::function<bool(const QString &)> condition)
    {
        auto *poll = new QTimer(m_form.get());
        poll->setInterval(0);
        connect(poll, &QTimer::timeout, poll, [this, poll, condition] {
            if (MainUnit.Catalogue.SearchStopped || !condition(m_form->FilesCountLabel->text()))
                return;
            poll->stop();
            m_form->StartButton->click();
        });
        poll->start();
    }

    void ExpectIdle()
    {
        QVERIFY(MainUnit.Catalogue.SearchStopped);
        QCOMPARE(m_form->StartButton->text(), QStringLiteral("开始搜索"));
        QCOMPARE(m_form->StartSearch1->text(), QStringLiteral("开始搜索"));
        QCOMPARE(m_form->SearchPanel->height(), 0);
        QVERIFY(m_form->AddFolderButton->isEnabled());
        QVERIFY(m_form->ListView1->isEnabled());
        QVERIFY(m_form->Settings1->isEnabled());
        QVERIFY(m_form->LeftImage->isEnabled());
        QVERIFY(!m_form->Timer1->isActive());
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TMainForm> m_form;
};

// The application's error box catches what escapes an event handler, as in the program.
int main(int argc, char *argv[])
{
    TQuorvaneApplication application(argc, argv);
    SearchTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "search_test.moc"
