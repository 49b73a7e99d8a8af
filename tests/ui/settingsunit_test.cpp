#include "settingsunit.h"
#include "sizefield.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace
{

// Answers the next modal message box and keeps its text.
class TMessageBoxAnswerer
{
public:
    TMessageBoxAnswerer()
    {
        QTimer::singleShot(0, [this] { Answer(); });
    }
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

private:
    void Answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, [this] { Answer(); });
            return;
        }
        text = box->text();
        icon = box->icon();
        box->accept();
    }
};

}

class SettingsFormTest : public QObject
{
    Q_OBJECT

private:
    template <typename T> T *Child(TSettingsForm &form, const char *name)
    {
        T *child = form.findChild<T *>(QString::fromLatin1(name));
        if (!child)
            qFatal("missing child %s", name);
        return child;
    }

private slots:
    void showCopiesEverySettingIn()
    {
        TSettings settings;
        settings.SearchJPG = false;
        settings.SearchCR2 = true;
        settings.MoveToRecycle = false;
        settings.AutoCheckUpdates = true;
        settings.MinPicWidth = 640;
        settings.MinPicHeight = 0;
        TSettingsForm form(settings);
        Child<QGroupBox>(form, "GroupBox1")->setTitle(QStringLiteral("changed"));
        form.show();

        QCOMPARE(form.windowTitle(), QStringLiteral("设置"));
        QCOMPARE(Child<QGroupBox>(form, "GroupBox1")->title(), QStringLiteral("扫描以下类型"));
        QVERIFY(!Child<QCheckBox>(form, "JPGCheckBox")->isChecked());
        QVERIFY(Child<QCheckBox>(form, "BMPCheckBox")->isChecked());
        QVERIFY(Child<QCheckBox>(form, "CR2CheckBox")->isChecked());
        QVERIFY(!Child<QCheckBox>(form, "TIFFCheckBox")->isChecked());
        QVERIFY(!Child<QCheckBox>(form, "RecycleCheckBox")->isChecked());
        QVERIFY(Child<QCheckBox>(form, "CheckUpdatesCheckBox")->isChecked());
        QCOMPARE(Child<QLineEdit>(form, "MinWidthEdit")->text(), QStringLiteral("640"));
        QCOMPARE(Child<QLineEdit>(form, "MinHeightEdit")->text(), QStringLiteral("0"));
        QCOMPARE(Child<QCheckBox>(form, "CR2CheckBox")->text(), QStringLiteral("佳能 CR2"));
    }

    void neitherButtonAnswersEnter()
    {
        TSettings settings;
        TSettingsForm form(settings);
        form.show();
        for (const char *name : { "OKButton", "CancelButton" }) {
            auto *button = Child<QPushButton>(form, name);
            QVERIFY(!button->isDefault());
            QVERIFY(!button->autoDefault());
        }
        Child<QCheckBox>(form, "TIFFCheckBox")->setChecked(true);
        QTest::keyClick(Child<QLineEdit>(form, "MinWidthEdit"), Qt::Key_Return);
        QVERIFY(form.isVisible());
        QVERIFY(!settings.SearchTIFF);
    }

    void sizeFieldsTakeOnlyDigits()
    {
        TSettings settings;
        TSettingsForm form(settings);
        form.show();
        auto *edit = Child<QLineEdit>(form, "MinWidthEdit");
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("12a"));
        QCOMPARE(edit->text(), QStringLiteral("12"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QStringLiteral("1"));
        QTest::keyClicks(edit, QStringLiteral("-+ "));
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QStringLiteral("５"), Qt::NoModifier);
        QCOMPARE(edit->text(), QStringLiteral("1"));

        edit->clear();
        QApplication::clipboard()->setText(QStringLiteral("3x4"));
        edit->paste();
        QCOMPARE(edit->text(), QStringLiteral("34"));
        QCOMPARE(edit->cursorPosition(), 2);

        edit->setText(QStringLiteral("100"));
        edit->setCursorPosition(1);
        QApplication::clipboard()->setText(QStringLiteral("<9>"));
        edit->paste();
        QCOMPARE(edit->text(), QStringLiteral("1900"));
        QCOMPARE(edit->cursorPosition(), 2);
    }

    void okStoresEverything()
    {
        TSettings settings;
        TSettingsForm form(settings);
        form.show();
        Child<QCheckBox>(form, "GIFCheckBox")->setChecked(false);
        Child<QCheckBox>(form, "SilentDeleteCheckBox")->setChecked(true);
        Child<QCheckBox>(form, "OnlyIdenticalCheckBox")->setChecked(true);
        Child<QLineEdit>(form, "MinWidthEdit")->setText(QStringLiteral("2147483647"));
        Child<QLineEdit>(form, "MinHeightEdit")->setText(QStringLiteral("0"));
        QTest::mouseClick(Child<QPushButton>(form, "OKButton"), Qt::LeftButton);

        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(!settings.SearchGIF);
        QVERIFY(settings.DeleteWithoutAsking);
        QVERIFY(settings.SearchOnlyIdentical);
        QVERIFY(settings.ScanSubfolders);
        QCOMPARE(settings.MinPicWidth, 2147483647);
        QCOMPARE(settings.MinPicHeight, 0);
    }

    void refusedSizeKeepsDialogOpen_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("refused");
        QTest::newRow("empty width") << QString() << QStringLiteral("50") << QString();
        QTest::newRow("empty height") << QStringLiteral("50") << QString() << QString();
        QTest::newRow("beyond 32 bits") << QStringLiteral("2147483648") << QStringLiteral("50")
                                        << QStringLiteral("2147483648");
    }

    void refusedSizeKeepsDialogOpen()
    {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, refused);
        TSettings settings;
        TSettingsForm form(settings);
        form.show();
        Child<QCheckBox>(form, "TIFFCheckBox")->setChecked(true);
        Child<QLineEdit>(form, "MinWidthEdit")->setText(width);
        Child<QLineEdit>(form, "MinHeightEdit")->setText(height);

        TMessageBoxAnswerer answerer;
        QTest::mouseClick(Child<QPushButton>(form, "OKButton"), Qt::LeftButton);

        QCOMPARE(answerer.icon, QMessageBox::Critical);
        QCOMPARE(answerer.text, SizeFieldConversionError(refused));
        QVERIFY(form.isVisible());
        QVERIFY(settings.SearchTIFF);
        QCOMPARE(settings.MinPicWidth, 100);
        QCOMPARE(settings.MinPicHeight, 100);
    }

    void cancelStoresNothing()
    {
        TSettings settings;
        TSettingsForm form(settings);
        form.show();
        Child<QCheckBox>(form, "JPGCheckBox")->setChecked(false);
        Child<QCheckBox>(form, "CheckUpdatesCheckBox")->setChecked(true);
        Child<QLineEdit>(form, "MinWidthEdit")->setText(QStringLiteral("7"));
        QTest::mouseClick(Child<QPushButton>(form, "CancelButton"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QVERIFY(settings.SearchJPG);
        QVERIFY(!settings.AutoCheckUpdates);
        QCOMPARE(settings.MinPicWidth, 100);

        form.show();
        QVERIFY(Child<QCheckBox>(form, "JPGCheckBox")->isChecked());
        QVERIFY(!Child<QCheckBox>(form, "CheckUpdatesCheckBox")->isChecked());
        QCOMPARE(Child<QLineEdit>(form, "MinWidthEdit")->text(), QStringLiteral("100"));

        Child<QCheckBox>(form, "PNGCheckBox")->setChecked(false);
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(!form.isVisible());
        QVERIFY(settings.SearchPNG);

        form.show();
        Child<QCheckBox>(form, "PNGCheckBox")->setChecked(false);
        form.close();
        QVERIFY(settings.SearchPNG);
    }

    void sizeConversionIsStrict()
    {
        QCOMPARE(ParseSizeField(QStringLiteral("0")), std::optional<int32_t>(0));
        QCOMPARE(ParseSizeField(QStringLiteral("-5")), std::optional<int32_t>(0));
        QCOMPARE(ParseSizeField(QStringLiteral("-2147483648")), std::optional<int32_t>(0));
        QCOMPARE(ParseSizeField(QStringLiteral("007")), std::optional<int32_t>(7));
        QVERIFY(!ParseSizeField(QString()));
        QVERIFY(!ParseSizeField(QStringLiteral("2147483648")));
        QVERIFY(!ParseSizeField(QStringLiteral("99999999999999999999")));
        QVERIFY(!ParseSizeField(QStringLiteral(" 5")));
        QVERIFY(!ParseSizeField(QStringLiteral("5 ")));
        QVERIFY(!ParseSizeField(QStringLiteral("0x20")));
        QVERIFY(!ParseSizeField(QStringLiteral("1e3")));
    }
};

QTEST_MAIN(SettingsFormTest)
#include "settingsunit_test.moc"
