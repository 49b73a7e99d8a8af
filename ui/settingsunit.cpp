#include "ui/settingsunit.h"

#include "ui/centreonscreen.h"
#include "ui/designscale.h"
#include "ui/digitsvalidator.h"
#include "ui/sizefield.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>

#include <algorithm>

namespace
{

constexpr int kDesignDpi = 120;
constexpr int kClientWidth = 548;
constexpr int kTypeRowStep = 36;
constexpr int kClientHeight = 425;
constexpr int kFontPixels = 14;
constexpr int kCheckBoxHeight = 25;
constexpr int kFirstRowTop = 30;
constexpr int kRowLeft = 24;
constexpr int kSizeEditLeft = 150;
constexpr int kSizeEditWidth = 65;
constexpr int kSizeUnitLeft = 225;
constexpr int kButtonWidth = 148;
constexpr int kButtonHeight = 43;
constexpr int kButtonTop = 364;
constexpr int kTypeBoxWidth = 150;

// The types beyond the first six make the type group, and with it the dialog, a row taller each.
int AddedHeight() { return int(PictureTypes().size() - kFirstPictureTypes) * kTypeRowStep; }

void Place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(ScaleDesignRect(left, top, width, height, kDesignDpi));
}

QGroupBox *AddGroup(QWidget *parent, const char *name, const QString &caption, int left, int top, int width, int height)
{
    auto *group = new QGroupBox(caption, parent);
    group->setObjectName(QString::fromLatin1(name));
    Place(group, left, top, width, height);
    return group;
}

QPushButton *AddButton(QWidget *parent, const char *name, const QString &caption, int left)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    // Neither button answers Enter.
    button->setAutoDefault(false);
    button->setDefault(false);
    Place(button, left, kButtonTop + AddedHeight(), kButtonWidth, kButtonHeight);
    return button;
}

}

TSettingsForm::TSettingsForm(TSettings &settings, QWidget *parent)
    : QDialog(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(tr("设置"));
    QFont formFont = font();
    formFont.setPixelSize(ScaleDesignPixels(kFontPixels, kDesignDpi));
    setFont(formFont);

    GroupBox1 = AddGroup(this, "GroupBox1", FirstGroupCaption(), 10, 10, 190, 258 + AddedHeight());
    int typeTop = kFirstRowTop;
    for (const TPictureType &type : PictureTypes()) {
        const QString caption = QCoreApplication::translate("TSettingsForm", type.Caption);
        m_typeBoxes.push_back(
            { &type, AddCheckBox(GroupBox1, type.CheckBoxName, caption, kRowLeft, typeTop, kTypeBoxWidth) });
        typeTop += kTypeRowStep;
    }

    QGroupBox *deleteGroup = AddGroup(this, "GroupBox2", tr("删除选项"), 208, 10, 328, 106);
    RecycleCheckBox = AddCheckBox(deleteGroup, "RecycleCheckBox", tr("将文件移至回收站"), kRowLeft, kFirstRowTop, 290);
    SilentDeleteCheckBox = AddCheckBox(
        deleteGroup, "SilentDeleteCheckBox", tr("不显示删除文件提示框"), kRowLeft, kFirstRowTop + kTypeRowStep, 290);

    // The taller type group leaves room below the search options for one more row.
    QGroupBox *searchGroup = AddGroup(this, "GroupBox3", tr("搜索选项"), 208, 118, 328, 150 + kTypeRowStep);
    OnlyIdenticalCheckBox
        = AddCheckBox(searchGroup, "OnlyIdenticalCheckBox", tr("仅搜索100%相似的图片"), kRowLeft, kFirstRowTop, 290);
    MinWidthEdit = AddSizeRow(searchGroup, "MinWidthEdit", tr("最小图片宽度"), 72);
    MinHeightEdit = AddSizeRow(searchGroup, "MinHeightEdit", tr("最小图片高度"), 110);
    RotatedCheckBox
        = AddCheckBox(searchGroup, "RotatedCheckBox", tr("查找旋转或镜像的图片"), kRowLeft, 110 + kTypeRowStep, 290);

    QGroupBox *applicationGroup = AddGroup(this, "GroupBox4", tr("应用"), 9, 271 + AddedHeight(), 527, 74);
    CheckUpdatesCheckBox
        = AddCheckBox(applicationGroup, "CheckUpdatesCheckBox", tr("自动检查更新"), kRowLeft, kFirstRowTop, 290);

    OKButton = AddButton(this, "OKButton", tr("确定"), 120);
    CancelButton = AddButton(this, "CancelButton", tr("取消"), 276);
    connect(OKButton, &QPushButton::clicked, this, &TSettingsForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TSettingsForm::CancelButtonClick);

    setFixedSize(
        ScaleDesignPixels(kClientWidth, kDesignDpi), ScaleDesignPixels(kClientHeight + AddedHeight(), kDesignDpi));
}

QCheckBox *TSettingsForm::AddCheckBox(
    QGroupBox *group, const char *name, const QString &caption, int left, int top, int width)
{
    auto *checkBox = new QCheckBox(caption, group);
    checkBox->setObjectName(QString::fromLatin1(name));
    Place(checkBox, left, top, width, kCheckBoxHeight);
    return checkBox;
}

QLineEdit *TSettingsForm::AddSizeRow(QGroupBox *group, const char *editName, const QString &caption, int top)
{
    auto *captionLabel = new QLabel(caption, group);
    Place(captionLabel, kRowLeft, top, kSizeEditLeft - kRowLeft, kCheckBoxHeight);
    auto *edit = new QLineEdit(group);
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setValidator(new TDigitsValidator(edit));
    Place(edit, kSizeEditLeft, top, kSizeEditWidth, kCheckBoxHeight);
    auto *unitLabel = new QLabel(tr("像素"), group);
    Place(unitLabel, kSizeUnitLeft, top, 60, kCheckBoxHeight);
    return edit;
}

QString TSettingsForm::FirstGroupCaption() { return tr("扫描以下类型"); }

void TSettingsForm::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        CentreOnScreen(this);
        FormShow();
    }
    QDialog::showEvent(event);
}

void TSettingsForm::FormShow()
{
    GroupBox1->setTitle(FirstGroupCaption());
    for (const TypeBox &box : m_typeBoxes)
        box.CheckBox->setChecked(m_settings.*box.Type->Searched);
    RecycleCheckBox->setChecked(m_settings.MoveToRecycle);
    SilentDeleteCheckBox->setChecked(m_settings.DeleteWithoutAsking);
    OnlyIdenticalCheckBox->setChecked(m_settings.SearchOnlyIdentical);
    RotatedCheckBox->setChecked(m_settings.SearchRotated);
    CheckUpdatesCheckBox->setChecked(m_settings.AutoCheckUpdates);
    MinWidthEdit->setText(QString::number(std::max<int32_t>(m_settings.MinPicWidth, 0)));
    MinHeightEdit->setText(QString::number(std::max<int32_t>(m_settings.MinPicHeight, 0)));
}

void TSettingsForm::OKButtonClick()
{
    for (const TypeBox &box : m_typeBoxes)
        m_settings.*box.Type->Searched = box.CheckBox->isChecked();
    m_settings.MoveToRecycle = RecycleCheckBox->isChecked();
    m_settings.DeleteWithoutAsking = SilentDeleteCheckBox->isChecked();
    m_settings.SearchOnlyIdentical = OnlyIdenticalCheckBox->isChecked();
    m_settings.SearchRotated = RotatedCheckBox->isChecked();
    m_settings.AutoCheckUpdates = CheckUpdatesCheckBox->isChecked();

    // Both sizes convert before either is stored, so a refused field never leaves one size changed.
    for (QLineEdit *edit : { MinWidthEdit, MinHeightEdit }) {
        if (!ParseSizeField(edit->text())) {
            QMessageBox error(QMessageBox::Critical, QStringLiteral("Quorvane"), SizeFieldConversionError(edit->text()),
                QMessageBox::Ok, this);
            error.setTextFormat(Qt::PlainText);
            error.exec();
            edit->setFocus();
            return;
        }
    }
    m_settings.MinPicWidth = *ParseSizeField(MinWidthEdit->text());
    m_settings.MinPicHeight = *ParseSizeField(MinHeightEdit->text());
    accept();
}

void TSettingsForm::CancelButtonClick() { reject(); }
