#include "modalanswerer.h"
#include "ui/folderdialog.h"

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

class FolderDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void startsWithTheComponentsDefaultsAtTheCurrentFolder()
    {
        TFolderDialog dialog;
        QCOMPARE(dialog.Directory(), QDir::currentPath());
        QCOMPARE(dialog.Options(), TFolderOptions(fdoNewDialogStyle));
        QCOMPARE(dialog.DialogPosition(), fdpDefault);
        QVERIFY(dialog.Caption.isEmpty() && dialog.Title().isEmpty());
        dialog.SetVersion(QStringLiteral("9.9"));
        QCOMPARE(dialog.Version(), QStringLiteral("1.1.0.2"));
    }

    void placementRule()
    {
        TFolderDialog dialog;
        const QSize size(400, 300);
        const QRect owner(100, 50, 800, 600);
        const QRect desktop(0, 0, 1920, 1080);
        QCOMPARE(dialog.DialogTopLeft(size, owner, desktop), QPoint(120, 70));

        dialog.SetDialogPosition(fdpScreenCenter);
        QCOMPARE(dialog.DialogTopLeft(QSize(401, 301), owner, desktop), QPoint(960 - 200, 540 - 150));

        dialog.SetDialogPosition(fdpXY);
        dialog.SetDialogX(-5);
        dialog.SetDialogY(40);
        QCOMPARE(dialog.DialogTopLeft(size, owner, desktop), QPoint(0, 40));
        dialog.SetDialogY(-1);
        QCOMPARE(dialog.DialogTopLeft(size, owner, desktop), QPoint(0, 0));
    }

    void opensBesideItsOwnerWithCaptionAndStartFolder()
    {
        QTemporaryDir start;
        QWidget owner;
        owner.setGeometry(200, 150, 600, 400);
        owner.show();
        TFolderDialog dialog(&owner);
        dialog.Caption = QStringLiteral("添加要搜索的文件夹");
        dialog.SetDirectory(start.path());

        QString caption;
        QString directory;
        QPoint position;
        ModalAnswerer answerer([&](QWidget *modal) {
            auto *picker = qobject_cast<QFileDialog *>(modal);
            QVERIFY(picker);
            caption = picker->windowTitle();
            directory = picker->directory().absolutePath();
            position = picker->frameGeometry().topLeft();
            picker->reject();
        });
        QVERIFY(!dialog.Execute());
        QCOMPARE(caption, dialog.Caption);
        QCOMPARE(directory, QDir(start.path()).absolutePath());
        QCOMPARE(position, owner.frameGeometry().topLeft() + QPoint(20, 20));
        QCOMPARE(dialog.Directory(), start.path());
    }

    void chosenFolderComesBackWithoutTrailingDelimiter()
    {
        QTemporaryDir start;
        QVERIFY(QDir(start.path()).mkdir(QStringLiteral("chosen")));
        TFolderDialog dialog;
        dialog.SetDirectory(start.path());
        ModalAnswerer answerer([&](QWidget *modal) {
            auto *picker = qobject_cast<QFileDialog *>(modal);
            // selectFile leaves the name field alone while it has the keyboard focus.
            if (QWidget *focused = picker->focusWidget())
                focused->clearFocus();
            picker->selectFile(start.filePath(QStringLiteral("chosen")));
            QMetaObject::invokeMethod(picker, "accept");
        });
        QVERIFY(dialog.Execute());
        QCOMPARE(dialog.Directory(), start.filePath(QStringLiteral("chosen")));
    }

    void missingDirectoryFallsBackToTheCurrentOne()
    {
        TFolderDialog dialog;
        dialog.SetDirectory(QStringLiteral("/no/such/folder/anywhere"));
        ModalAnswerer answerer([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
        QVERIFY(!dialog.Execute());
        QCOMPARE(dialog.Directory(), QDir::currentPath());
    }
};

QTEST_MAIN(FolderDialogTest)
#include "folderdialog_test.moc"
