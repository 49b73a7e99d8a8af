// Runs once per kind of locale (see CMakeLists.txt): the language is chosen from the environment
// exactly as at start-up, and QUORVANE_TEST_LANGUAGE names the one expected (zh or en).
#include "modalanswerer.h"
#include "tests/support/testcatalogue.h"
#include "ui/aboutunit.h"
#include "ui/checkupdatesunit.h"
#include "ui/language.h"
#include "ui/mainunit.h"
#include "ui/settingsunit.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

namespace
{

bool HasCjk(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
            || (u >= 0xFF00 && u <= 0xFFEF);
    });
}

// Every text a person can meet in `window`: titles, captions, hints, menus, list lines, column
// headers and choices.
QStringList Texts(const QWidget *window)
{
    QStringList texts { window->windowTitle() };
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        texts << widget->toolTip();
        if (auto *label = qobject_cast<const QLabel *>(widget))
            texts << label->text();
        else if (auto *button = qobject_cast<const QAbstractButton *>(widget))
            texts << button->text();
        else if (auto *group = qobject_cast<const QGroupBox *>(widget))
            texts << group->title();
        else if (auto *menu = qobject_cast<const QMenu *>(widget))
            texts << menu->title();
        else if (auto *combo = qobject_cast<const QComboBox *>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        } else if (auto *list = qobject_cast<const QListWidget *>(widget)) {
            for (int row = 0; row < list->count(); ++row)
                texts << list->item(row)->text();
        } else if (auto *table = qobject_cast<const QTableView *>(widget)) {
            for (int column = 0; column < table->model()->columnCount(); ++column)
                texts << table->model()->headerData(column, Qt::Horizontal).toString();
        }
    }
    for (const QAction *action : window->findChildren<QAction *>())
        texts << action->text();
    texts.removeAll(QString());
    return texts;
}

QStringList ButtonTexts(const QWidget *dialog)
{
    QStringList texts;
    for (const QDialogButtonBox *box : dialog->findChildren<QDialogButtonBox *>()) {
        for (const QAbstractButton *button : box->buttons())
            texts << button->text();
    }
    return texts;
}

// What the program itself says, and what Qt's standard dialogs and buttons say around it.
struct Shown {
    QStringList own;
    QStringList standard;
    QStringList standardButtons;
};

// Goes through the main window as a person would (a refused start, the folder picker, a search
// of the empty `folder`, both kinds of emptied folder list) and opens each dialog.
Shown ShowEverything(const QString &folder)
{
    Shown shown;
    TMainForm form;
    ModalAnswerer answerer([&](QWidget *dialog) {
        shown.standard << Texts(dialog);
        shown.standardButtons << ButtonTexts(dialog);
        static_cast<QDialog *>(dialog)->reject();
    });
    shown.own << Texts(&form);
    form.StartSearch1->trigger();
    form.AddFolderButton->click();

    form.DropUrls({ QUrl::fromLocalFile(folder) });
    form.StartSearch1->trigger();
    shown.own << Texts(&form);
    form.ClearDirectoriesButtonClick();
    shown.own << Texts(&form);
    form.DropUrls({ QUrl::fromLocalFile(folder) });
    form.DirectoriesListBox->setCurrentRow(0);
    form.RemoveFolderButtonClick();
    shown.own << Texts(&form);
    for (const ModalAnswerer::Box &box : answerer.boxes) {
        shown.own << box.title << box.text;
        shown.standardButtons << box.buttons;
    }

    // The elapsed time depends on how busy the machine is.
    shown.own.replaceInStrings(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d")), QStringLiteral("hh:mm:ss"));
    // So does the signature store's size in the File menu, which the searches here change.
    shown.own.replaceInStrings(QRegularExpression(QStringLiteral("\\d+(\\.\\d+)? [KMG]?B")), QStringLiteral("size"));

    bool autoCheckPending = false;
    const TSettingsForm settingsForm(MainUnit.Settings, &form);
    const TAboutForm aboutForm(&form);
    const TUpdateForm updateForm(autoCheckPending, &form);
    shown.own << Texts(&settingsForm) << Texts(&aboutForm) << Texts(&updateForm);
    form.close();
    return shown;
}

}

class LanguageTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_emptyFolder;
    Shown m_source;
    ShownLanguage m_language = ShownLanguage::Chinese;

private slots:
    void initTestCase()
    {
        m_source = ShowEverything(m_emptyFolder.path());
        m_language = InstallTranslations(ChooseShownLanguage(QLocale::system().uiLanguages()));
        const QByteArray expected = qgetenv("QUORVANE_TEST_LANGUAGE");
        QVERIFY(expected == "zh" || expected == "en");
        QCOMPARE(m_language, expected == "en" ? ShownLanguage::English : ShownLanguage::Chinese);
    }

    void cleanup() { MainUnit.Reset(); }

    void languageIsTheFirstOneWithTexts_data()
    {
        QTest::addColumn<QStringList>("uiLanguages");
        QTest::addColumn<ShownLanguage>("language");
        QTest::newRow("C") << QStringList { "C" } << ShownLanguage::Chinese;
        QTest::newRow("nothing") << QStringList {} << ShownLanguage::Chinese;
        QTest::newRow("en-GB") << QStringList { "en-GB", "en-Latn-GB" } << ShownLanguage::English;
        QTest::newRow("zh-TW") << QStringList { "zh-TW", "zh-Hant-TW" } << ShownLanguage::Chinese;
        QTest::newRow("fr only") << QStringList { "fr-FR", "fr" } << ShownLanguage::Chinese;
        QTest::newRow("de, then en") << QStringList { "de", "de-DE", "en", "en-US" } << ShownLanguage::English;
        QTest::newRow("zh, then en") << QStringList { "zh-CN", "zh", "en", "en-US" } << ShownLanguage::Chinese;
    }

    void languageIsTheFirstOneWithTexts()
    {
        QFETCH(QStringList, uiLanguages);
        QFETCH(ShownLanguage, language);
        QCOMPARE(ChooseShownLanguage(uiLanguages), language);
    }

    void everyTextIsInTheShownLanguage()
    {
        const Shown shown = ShowEverything(m_emptyFolder.path());
        QVERIFY(!shown.standardButtons.isEmpty());
        if (m_language == ShownLanguage::Chinese) {
            // The program's own Chinese texts, byte for byte, around Chinese standard buttons.
            QCOMPARE(shown.own, m_source.own);
            QVERIFY(shown.own.contains(QStringLiteral("Quorvane 重复图片搜索器")));
            QVERIFY(shown.own.contains(QStringLiteral("       您可以从文件管理器将目录拖动到此处")));
            for (const QString &text : shown.standardButtons)
                QVERIFY2(HasCjk(text), qPrintable(text));
            return;
        }
        QVERIFY(shown.own.contains(QStringLiteral("Quorvane Duplicate Picture Finder")));
        QVERIFY(shown.own.contains(QStringLiteral("       You can drag folders here from the file manager")));
        for (const QString &text : shown.own + shown.standard + shown.standardButtons)
            QVERIFY2(!HasCjk(text), qPrintable(text));
    }

    void csvExportIsTheSameInEveryLanguage()
    {
        QTemporaryDir folder;
        const QByteArray first = QFile::encodeName(folder.filePath(QStringLiteral("a.jpg")));
        const QByteArray second = QFile::encodeName(folder.filePath(QStringLiteral("b.jpg")));
        TMainForm form;
        MainUnit.Catalogue = MakeTestCatalogue({ { first }, { second } }, { { 0, 1, 90 } });
        form.SetListRowCount(MainUnit.Catalogue.PairsCapacity);
        const QString output = folder.filePath(QStringLiteral("list.csv"));
        ModalAnswerer answerer([&](QWidget *dialog) {
            auto *files = qobject_cast<QFileDialog *>(dialog);
            QVERIFY(files);
            if (QWidget *focused = files->focusWidget())
                focused->clearFocus();
            files->selectFile(output);
            static_cast<QDialog *>(files)->accept();
        });
        form.SavelistofdupliacatestoCSV1->trigger();
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
            "\xEF\xBB\xBF" + QStringLiteral("组别编号；图片文件名；相似度；").toUtf8() + "\r\n1;" + first + ";90;\r\n1;"
                + second + ";90;\r\n");
        form.close();
    }
};

QTEST_MAIN(LanguageTest)
#include "language_test.moc"
