#include "modalanswerer.h"
#include "tests/support/faultyfileoperations.h"
#include "ui/checkupdatesunit.h"
#include "ui/mainunit.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <cerrno>

namespace
{
QString IniPath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/Quorvane.ini"); }

}

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(IniPath());
        m_form = std::make_unique<TMainForm>();
    }

    void cleanup()
    {
        m_form->close();
        m_form.reset();
        QFile::remove(IniPath());
        MainUnit.Reset();
    }

    void opensWithTheSamplePairAndIdle()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Quorvane 重复图片搜索器"));
        QCOMPARE(m_form->ImageLabel1->text(), QStringLiteral("JPG  220 x 290  17 KB"));
        QCOMPARE(m_form->ImageLabel2->text(), QStringLiteral("JPG  220 x 290  12 KB"));
        QCOMPARE(m_form->PercentLabel->text(), QStringLiteral("56%"));
        QCOMPARE(m_form->LeftImage->pixmap().size(), QSize(220, 290));
        QCOMPARE(m_form->RightImage->pixmap().size(), QSize(220, 290));
        QVERIFY(MainUnit.Catalogue.SearchStopped);
        QCOMPARE(m_form->StartButton->text(), QStringLiteral("开始搜索"));
        QCOMPARE(m_form->SearchPanel->height(), 0);
        QVERIFY(m_form->DiskUsageLabel->isHidden());
        QVERIFY(m_form->acceptDrops());
        QCOMPARE(MainUnit.ProgramDir, QCoreApplication::applicationDirPath() + QLatin1Char('/'));
        QStringList fileMenu;
        for (const QAction *action : m_form->File1->actions())
            fileMenu << (action->isSeparator() ? QStringLiteral("-") : action->text().section(u'（', 0, 0));
        QCOMPARE(fileMenu, (QStringList { "开始搜索", "将重复项列表保存到CSV", "清空签名缓存", "-", "退出" }));
    }

    void resizeKeepsTheLeftPanelAtHalfTheRest()
    {
        // The margins and gap the left panel leaves of the width, and the middle strip.
        constexpr int kSideSpace = 60;
        constexpr int kBetween = 79;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QCOMPARE(m_form->CentralPanel->width(), TMainForm::kClientWidth);
        QCOMPARE(m_form->ImagePanel1->width(), 487);
        QCOMPARE(m_form->BetweenImagesPanel->width(), kBetween);
        QCOMPARE(m_form->ImagePanel2->width(), 469);
        QCOMPARE(m_form->ImagePanel2->x(), 487 + kBetween);

        m_form->resize(m_form->minimumSize());
        QApplication::processEvents();
        const int central = m_form->CentralPanel->width();
        QCOMPARE(m_form->ImagePanel1->width(), (central - kSideSpace) / 2);
        QCOMPARE(m_form->ImagePanel2->width(), central - (central - kSideSpace) / 2 - kBetween);
        QVERIFY(m_form->frameGeometry().width() >= 785);
        QVERIFY(m_form->frameGeometry().height() >= 615);
    }

    void buttonGroupStaysCentredUnderThePicture()
    {
        // The details line starts this far above the panel's bottom; the buttons sit under it.
        constexpr int kDetailsFromBottom = 97;
        constexpr int kDetailsHeight = 29;
        constexpr QSize kGroup(179, 68);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const QWidget *group = m_form->MoveImageButton1->parentWidget();
        const int detailsTop = m_form->ImagePanel1->height() - kDetailsFromBottom;
        QCOMPARE(group->size(), kGroup);
        QCOMPARE(
            group->pos(), QPoint((m_form->ImagePanel1->width() - kGroup.width()) / 2, detailsTop + kDetailsHeight));
        QCOMPARE(m_form->ImageLabel1->geometry(), QRect(0, detailsTop, m_form->ImagePanel1->width(), kDetailsHeight));
    }

    void captionsLightUpWhileTheMouseIsOverTheirButton()
    {
        const QColor grey(128, 128, 128);
        QCOMPARE(m_form->DeleteImageLabel2->palette().color(QPalette::WindowText), grey);
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(m_form->DeleteImageButton2, &enter);
        QCOMPARE(m_form->DeleteImageLabel2->palette().color(QPalette::WindowText), QColor(Qt::white));
        QCOMPARE(m_form->DeleteImageLabel1->palette().color(QPalette::WindowText), grey);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_form->DeleteImageButton2, &leave);
        QCOMPARE(m_form->DeleteImageLabel2->palette().color(QPalette::WindowText), grey);
        m_form->DeleteImageButton2->setEnabled(false);
        QApplication::sendEvent(m_form->DeleteImageButton2, &enter);
        QCOMPARE(m_form->DeleteImageLabel2->palette().color(QPalette::WindowText), grey);
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("addFolder");
        QTest::addColumn<bool>("typesOff");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty list") << false << false << QStringLiteral("请添加一个或多个要搜索的目录。");
        QTest::newRow("hint only") << false << true << QStringLiteral("请添加一个或多个要搜索的目录。");
        QTest::newRow("all types off") << true << true << QStringLiteral("请在“设置”菜单中选择一种或多种文件类型。");
    }

    void refusals()
    {
        QFETCH(bool, addFolder);
        QFETCH(bool, typesOff);
        QFETCH(QString, message);
        QTemporaryDir folder;
        if (QString(QTest::currentDataTag()) == QLatin1String("empty list")) {
            m_form->DirectoriesListBox->clear();
            MainUnit.FolderHintShown = false;
        }
        if (addFolder)
            m_form->DropUrls({ QUrl::fromLocalFile(folder.path()) });
        if (typesOff) {
            MainUnit.Settings.SearchJPG = MainUnit.Settings.SearchBMP = MainUnit.Settings.SearchGIF = false;
            MainUnit.Settings.SearchPNG = MainUnit.Settings.SearchTIFF = MainUnit.Settings.SearchCR2 = false;
            MainUnit.Settings.SearchWEBP = MainUnit.Settings.SearchHEIF = MainUnit.Settings.SearchJXL
                = MainUnit.Settings.SearchRAW = false;
        }
        const QStringList linesBefore = ListLines();

        ModalAnswerer answerer;
        m_form->StartSearch1->trigger();
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes.first().text, message);
        QCOMPARE(answerer.boxes.first().icon, QMessageBox::Critical);
        QVERIFY(MainUnit.Catalogue.SearchStopped);
        QCOMPARE(ListLines(), linesBefore);
        QCOMPARE(m_form->PercentLabel->text(), QStringLiteral("56%"));
        QCOMPARE(m_form->ImageLabel1->text(), QStringLiteral("JPG  220 x 290  17 KB"));
        QCOMPARE(m_form->StartButton->text(), QStringLiteral("开始搜索"));
        QCOMPARE(m_form->SearchPanel->height(), 0);
        QVERIFY(m_form->AddFolderButton->isEnabled());
    }

    void exitSavesTheSettingsOnce()
    {
        m_form->show();
        MainUnit.Settings.MinPicWidth = 321;
        m_form->Exit1->trigger();
        QVERIFY(!m_form->isVisible());
        QFile ini(IniPath());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("MinPicWidth=321"));
        ini.close();

        QVERIFY(QFile::remove(IniPath()));
        m_form->close();
        QVERIFY(!QFile::exists(IniPath()));
    }

    void failedSaveIsReportedOnceAndTheWindowStillCloses()
    {
        QDir beside(QCoreApplication::applicationDirPath());
        QVERIFY(beside.mkdir(QStringLiteral("Quorvane.ini")));
        m_form->show();
        ModalAnswerer answerer;
        QVERIFY(m_form->close());
        QVERIFY(!m_form->isVisible());
        QCOMPARE(answerer.boxes.size(), 1);
        QVERIFY(answerer.boxes.first().text.contains(QLatin1String("Quorvane.ini")));
        m_form.reset();
        QCOMPARE(answerer.boxes.size(), 1);
        QVERIFY(beside.rmdir(QStringLiteral("Quorvane.ini")));
        m_form = std::make_unique<TMainForm>();
    }

    void settingsWriteFailingPartWayKeepsTheOldFile()
    {
        {
            QFile ini(IniPath());
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Main]\nMinPicWidth=5\n");
        }
        TFaultyFileOperations faults;
        faults.Fail(TFileOperation::ReplaceFile, ENOSPC);
        m_form->FileOperations = &faults;
        m_form->show();
        MainUnit.Settings.MinPicWidth = 321;
        ModalAnswerer answerer;
        const bool closed = m_form->close();
        m_form->FileOperations = &SystemFileOperations();
        QVERIFY(closed);
        QCOMPARE(answerer.boxes.size(), 1);
        QVERIFY(answerer.boxes.first().text.contains(QLatin1String("Quorvane.ini")));
        QFile ini(IniPath());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), QByteArray("[Main]\nMinPicWidth=5\n"));
        m_form = std::make_unique<TMainForm>();
        QVERIFY(QFile::remove(IniPath()));
    }

    void automaticUpdateCheckRunsOnceOnTheFirstShowing_data()
    {
        QTest::addColumn<bool>("autoCheck");
        QTest::addColumn<int>("windowsShown");
        QTest::newRow("on") << true << 1;
        QTest::newRow("off") << false << 0;
    }

    void automaticUpdateCheckRunsOnceOnTheFirstShowing()
    {
        QFETCH(bool, autoCheck);
        QFETCH(int, windowsShown);
        MainUnit.Settings.AutoCheckUpdates = autoCheck;
        MainUnit.AutoCheckPending = autoCheck;
        auto *updateForm = new TUpdateForm(MainUnit.AutoCheckPending, m_form.get());
        updateForm->setSiteHost(QStringLiteral("127.0.0.1:9"));
        MainUnit.UpdateForm = updateForm;
        ModalAnswerer answerer([](QWidget *modal) { QMetaObject::invokeMethod(modal, "reject"); });

        m_form->show();
        QCOMPARE(answerer.otherDialogs, windowsShown);
        QVERIFY(!MainUnit.AutoCheckPending);
        m_form->hide();
        m_form->show();
        QCOMPARE(answerer.otherDialogs, windowsShown);
    }

    void settingsAreReadAtStartUp()
    {
        m_form.reset();
        QFile ini(IniPath());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Main]\r\nScanSubfolders=0\r\nAutoCheckUpdates=0\r\nMinPicHeight=77\r\n");
        ini.close();
        m_form = std::make_unique<TMainForm>();
        QVERIFY(!m_form->ScanSubfoldersCheckBox->isChecked());
        QCOMPARE(MainUnit.Settings.MinPicHeight, 77);
        QVERIFY(!MainUnit.AutoCheckPending);
    }

private:
    QStringList ListLines() const
    {
        QStringList lines;
        for (int row = 0; row < m_form->DirectoriesListBox->count(); ++row)
            lines << m_form->DirectoriesListBox->item(row)->text();
        return lines;
    }

    std::unique_ptr<TMainForm> m_form;
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"
