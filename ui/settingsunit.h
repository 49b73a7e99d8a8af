#pragma once

#include "settings/picturetypes.h"
#include "settings/settings.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The modal dialog that edits the in-memory settings, all but ScanSubfolders, which the main
// window edits itself. Every showing starts from the settings as they are; nothing is written
// to the settings file here.
class TSettingsForm : public QDialog
{
    Q_OBJECT
public:
    explicit TSettingsForm(TSettings &settings, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Set again at every showing.
    static QString FirstGroupCaption();
    void FormShow();
    void OKButtonClick();
    void CancelButtonClick();

    QCheckBox *AddCheckBox(QGroupBox *group, const char *name, const QString &caption, int left, int top, int width);
    QLineEdit *AddSizeRow(QGroupBox *group, const char *editName, const QString &caption, int top);

    TSettings &m_settings;
    QGroupBox *GroupBox1 = nullptr;
    // One check box per picture type, named and ordered as PictureTypes().
    struct TypeBox {
        const TPictureType *Type;
        QCheckBox *CheckBox;
    };
    std::vector<TypeBox> m_typeBoxes;
    QCheckBox *RecycleCheckBox = nullptr;
    QCheckBox *SilentDeleteCheckBox = nullptr;
    QCheckBox *OnlyIdenticalCheckBox = nullptr;
    QCheckBox *RotatedCheckBox = nullptr;
    QCheckBox *CheckUpdatesCheckBox = nullptr;
    QLineEdit *MinWidthEdit = nullptr;
    QLineEdit *MinHeightEdit = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
};
