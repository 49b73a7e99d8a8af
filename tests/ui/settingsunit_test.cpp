#include "ui/settingsunit.h"
#include "ui/sizefield.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class SettingsFormTest : public QObject
{
    Q_OBJECT

    TSettings settings;
    TSettingsForm *form = nullptr;

    template <typename T = QCheckBox> T *Child(const char *name)
    {
        return form->findChild<T *>(QString::fromLatin1(name));
    }
    void Click(const char *button) { QTest::mouseClick(Child<QPushButton>(button), Qt::LeftButton); }

private slots:
    void init()
    {
        settings = TSettings();
        form = new TSettingsForm(settings);
        form->show();
    }
    void cleanup() { delete form; }

    void showCopiesInAndCancelStoresNothing()
    {
        form->close();
        settings.SearchCR2 = true;
        settings.MinPicWidth = 640;
        settings.MinPicHeight = -5;
        Child<QGroupBox>("GroupBox1")->setTitle(QStringLiteral("x"));
        form->show();
        QCOMPARE(form->windowTitle(), QStringLiteral("设置"));
        QCOMPARE(Child<QGroupBox>("GroupBox1")->title(), QStringLiteral("扫描以下类型"));
        QVERIFY(Child("CR2CheckBox")->isChecked() && Child("JPGCheckBox")->isChecked());
        QVERIFY(!Child("TIFFCheckBox")->isChecked() && !Child("CheckUpdatesCheckBox")->isChecked());
        QCOMPARE(Child<QLineEdit>("MinWidthEdit")->text(), QStringLiteral("640"));
        QCOMPARE(Child<QLineEdit>("MinHeightEdit")->text(), QStringLiteral("0"));

        Child("JPGCheckBox")->setChecked(false);
        Child<QLineEdit>("MinWidthEdit")->setText(QStringLiteral("7"));
        Click("CancelButton");
        QVERIFY(!form->isVisible());
        QVERIFY(settings.SearchJPG);
        QCOMPARE(settings.MinPicWidth, 640);
        form->show();
        QVERIFY(Child("JPGCheckBox")->isChecked());
        QCOMPARE(Child<QLineEdit>("MinWidthEdit")->text(), QStringLiteral("640"));

        Child("PNGCheckBox")->setChecked(false);
        QTest::keyClick(form, Qt::Key_Escape);
        QVERIFY(!form->isVisible() && settings.SearchPNG);
    }

    void sizeFieldsTakeOnlyDigits()
    {
        auto *edit = Child<QLineEdit>("MinWidthEdit");
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("12a-+ "));
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QStringLiteral("５"), Qt::NoModifier);
        QCOMPARE(edit->text(), QStringLiteral("12"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QStringLiteral("1"));

        QApplication::clipboard()->setText(QStringLiteral("3x4"));
        edit->setCursorPosition(0);
        edit->paste();
        QCOMPARE(edit->text(), QStringLiteral("341"));
        QCOMPARE(edit->cursorPosition(), 2);
    }

    void okStoresButEnterDoesNothing()
    {
        Child("GIFCheckBox")->setChecked(false);
        Child("OnlyIdenticalCheckBox")->setChecked(true);
        Child<QLineEdit>("MinWidthEdit")->setText(QStringLiteral("2147483647"));
        Child<QLineEdit>("MinHeightEdit")->setText(QStringLiteral("0"));
        QTest::keyClick(Child<QLineEdit>("MinHeightEdit"), Qt::Key_Return);
        QVERIFY(form->isVisible() && settings.SearchGIF);

        Click("OKButton");
        QVERIFY(!form->isVisible());
        QVERIFY(!settings.SearchGIF && settings.SearchOnlyIdentical);
        QCOMPARE(settings.MinPicWidth, 2147483647);
        QCOMPARE(settings.MinPicHeight, 0);
    }

    void newTypeBoxesMapToTheirKeys()
    {
        const struct {
            const char *box;
            const char *caption;
            bool TSettings::*key;
            bool byDefault;
        } types[] = {
            { "WEBPCheckBox", "WebP", &TSettings::SearchWEBP, true },
            { "HEIFCheckBox", "HEIC / AVIF", &TSettings::SearchHEIF, true },
            { "JXLCheckBox", "JPEG XL", &TSettings::SearchJXL, false },
            { "RAWCheckBox", "其他相机 RAW", &TSettings::SearchRAW, false },
        };
        for (const auto &type : types) {
            QCOMPARE(Child(type.box)->text(), QString::fromUtf8(type.caption));
            QCOMPARE(Child(type.box)->isChecked(), type.byDefault);
            // Below the six specified boxes, inside the group.
            QVERIFY(Child(type.box)->y() > Child("CR2CheckBox")->y());
            QVERIFY(Child<QGroupBox>("GroupBox1")->rect().contains(Child(type.box)->geometry()));
            Child(type.box)->setChecked(!type.byDefault);
        }
        QVERIFY(Child<QPushButton>("OKButton")->geometry().top() > Child<QGroupBox>("GroupBox1")->geometry().bottom());
        Click("OKButton");
        for (const auto &type : types)
            QCOMPARE(settings.*type.key, !type.byDefault);
        QVERIFY(settings.SearchCR2 == TSettings().SearchCR2 && settings.SearchJPG);
    }

    void rotatedBoxMapsToItsKey()
    {
        QCheckBox *rotated = Child("RotatedCheckBox");
        QCOMPARE(rotated->text(), QStringLiteral("查找旋转或镜像的图片"));
        QVERIFY(!rotated->isChecked());
        QVERIFY(rotated->y() > Child<QLineEdit>("MinHeightEdit")->y());
        QVERIFY(Child<QGroupBox>("GroupBox3")->rect().contains(rotated->geometry()));
        QVERIFY(!Child<QGroupBox>("GroupBox3")->geometry().intersects(Child<QGroupBox>("GroupBox4")->geometry()));
        rotated->setChecked(true);
        Click("OKButton");
        QVERIFY(settings.SearchRotated);
    }

    void refusedSizeKeepsDialogOpen_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::newRow("empty width") << QString() << QStringLiteral("50");
        QTest::newRow("empty height") << QStringLiteral("50") << QString();
        QTest::newRow("beyond 32 bits") << QStringLiteral("50") << QStringLiteral("2147483648");
    }
    void refusedSizeKeepsDialogOpen()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        Child("TIFFCheckBox")->setChecked(true);
        Child<QLineEdit>("MinWidthEdit")->setText(width);
        Child<QLineEdit>("MinHeightEdit")->setText(height);
        QString shown;
        QTimer::singleShot(0, [&shown] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            shown = box && box->icon() == QMessageBox::Critical ? box->text() : QString();
            if (box)
                box->accept();
        });
        Click("OKButton");
        QCOMPARE(shown, SizeFieldConversionError(width.isEmpty() ? width : height));
        QVERIFY(form->isVisible() && settings.SearchTIFF);
        QCOMPARE(settings.MinPicWidth, 100);
        QCOMPARE(settings.MinPicHeight, 100);
    }

    void sizeConversionIsStrict()
    {
        QCOMPARE(ParseSizeField(QStringLiteral("-5")), std::optional<int32_t>(0));
        QCOMPARE(ParseSizeField(QStringLiteral("007")), std::optional<int32_t>(7));
        for (const char *refused : { "", "99999999999999999999", " 5", "0x20", "1e3" })
            QVERIFY2(!ParseSizeField(QString::fromLatin1(refused)), refused);
    }
};

QTEST_MAIN(SettingsFormTest)
#include "settingsunit_test.moc"
