#include "ui/aboutunit.h"

#include "ui/aboutpicture.h"
#include "ui/centreonscreen.h"
#include "ui/clickablelabel.h"
#include "ui/designscale.h"
#include "ui/site.h"
#include "ui/version.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QUrl>

namespace
{

constexpr int kDesignDpi = 120;
constexpr int kClientWidth = 594;
constexpr int kClientHeight = 303;
constexpr int kFontPixels = 14;
constexpr int kLinkFontPixels = 15;
constexpr int kPictureSide = 128;
constexpr int kTextLeft = 181;
const QColor kLinkColour(39, 89, 173);

QString SupportAddress() { return QStringLiteral("support@") + SiteHost(); }

void PlaceAt(QWidget *widget, int left, int top)
{
    widget->adjustSize();
    widget->move(ScaleDesignPixels(left, kDesignDpi), ScaleDesignPixels(top, kDesignDpi));
}

QLabel *AddLabel(QWidget *parent, const char *name, const QString &text, int top)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    PlaceAt(label, kTextLeft, top);
    return label;
}

TClickableLabel *AddLink(QWidget *parent, const char *name, const QString &text, int top)
{
    auto *link = new TClickableLabel(text, parent);
    link->setObjectName(QString::fromLatin1(name));
    link->setTextFormat(Qt::PlainText);
    QFont linkFont = link->font();
    linkFont.setStyleHint(QFont::SansSerif);
    linkFont.setPixelSize(ScaleDesignPixels(kLinkFontPixels, kDesignDpi));
    linkFont.setBold(true);
    linkFont.setUnderline(true);
    link->setFont(linkFont);
    QPalette linkPalette = link->palette();
    linkPalette.setColor(QPalette::WindowText, kLinkColour);
    link->setPalette(linkPalette);
    link->setCursor(Qt::PointingHandCursor);
    PlaceAt(link, kTextLeft, top);
    return link;
}

}

TAboutForm::TAboutForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(tr("关于 Quorvane 重复图片搜索器"));
    QFont formFont = font();
    formFont.setPixelSize(ScaleDesignPixels(kFontPixels, kDesignDpi));
    setFont(formFont);

    auto *image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(DrawAboutPicture(kPictureSide));
    image->setScaledContents(true);
    image->setGeometry(ScaleDesignRect(26, 31, kPictureSide, kPictureSide, kDesignDpi));

    QLabel *title = AddLabel(this, "Label1", tr("Quorvane 重复图片搜索器"), 31);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->adjustSize();
    AddLabel(this, "Version", tr("版本 %1").arg(QLatin1String(kProgramVersion)), 67);
    AddLabel(this, "Label2", QStringLiteral("© 2026 The Quorvane developers"), 102);

    TClickableLabel *siteLabel = AddLink(this, "SiteLabel", SiteHost(), 137);
    TClickableLabel *mailLabel = AddLink(this, "Label3", SupportAddress(), 173);
    connect(siteLabel, &TClickableLabel::clicked, this, &TAboutForm::SiteLabelClick);
    connect(mailLabel, &TClickableLabel::clicked, this, &TAboutForm::Label3Click);

    auto *okButton = new QPushButton(tr("确定"), this);
    okButton->setObjectName(QStringLiteral("OKButton"));
    okButton->setGeometry(ScaleDesignRect(210, 226, 179, 43, kDesignDpi));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &TAboutForm::OKButtonClick);

    setFixedSize(ScaleDesignPixels(kClientWidth, kDesignDpi), ScaleDesignPixels(kClientHeight, kDesignDpi));
}

void TAboutForm::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        CentreOnScreen(this);
    QDialog::showEvent(event);
}

void TAboutForm::SiteLabelClick()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("http://") + SiteHost() + QStringLiteral("/photo.html")));
}

void TAboutForm::Label3Click() { QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + SupportAddress())); }

void TAboutForm::OKButtonClick() { accept(); }
