#include "ui/mainunit.h"

#include "engine/collect/trashfolders.h"
#include "settings/settingsstore.h"
#include "ui/aboutunit.h"
#include "ui/checkupdatesunit.h"
#include "ui/folderdialog.h"
#include "ui/messageboxes.h"
#include "ui/searchpart.h"
#include "ui/settingsunit.h"
#include "ui/site.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

TMainUnit MainUnit;

QString ShownFileName(int32_t picture)
{
    return QFile::decodeName(MainUnit.Catalogue.Pictures[size_t(picture)].FileName);
}

namespace
{
constexpr int kMinimumOuterWidth = 785;
constexpr int kMinimumOuterHeight = 615;
constexpr int kTopPanelHeight = 157;
constexpr int kBottomPanelHeight = 204;
constexpr int kSampleWidth = 220;
constexpr int kSampleHeight = 290;
constexpr int kSampleJpegQuality = 90;
// Together, the margins and the gap that the left picture panel leaves of the preview width.
constexpr int kPreviewSideSpace = 60;

QUrl SitePage(const QString &path) { return QUrl(QStringLiteral("https://") + SiteHost() + path); }

// One of the two sample pictures shown before the first search: a small landscape of our own,
// passed through JPEG like every preview.
QPixmap SamplePicture(const QColor &sky, const QColor &hill, int sunX)
{
    QImage picture(kSampleWidth, kSampleHeight, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient skyGradient(0, 0, 0, kSampleHeight);
    skyGradient.setColorAt(0, sky.lighter(140));
    skyGradient.setColorAt(1, sky);
    painter.fillRect(picture.rect(), skyGradient);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 214, 90));
    painter.drawEllipse(QPoint(sunX, 70), 28, 28);
    painter.setBrush(hill);
    painter.drawEllipse(QRect(-80, 170, 260, 220));
    painter.setBrush(hill.darker(125));
    painter.drawEllipse(QRect(60, 200, 260, 220));
    painter.end();

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", kSampleJpegQuality);
    QImage decoded;
    decoded.loadFromData(jpeg, "JPG");
    return QPixmap::fromImage(decoded);
}
}

TMainForm::TMainForm(QWidget *parent)
    : QMainWindow(parent)
{
    // The glyphs live in this static library; their resource must be registered explicitly.
    Q_INIT_RESOURCE(icons);
    setObjectName(QStringLiteral("MainForm"));
    CreateLayout();
    ConnectHandlers();
    CreateParts();
    FormCreate();

    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    Splitter1->setSizes({ kTopPanelHeight, kClientHeight });
    Splitter2->setSizes({ kClientHeight, kBottomPanelHeight });
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TMainForm::~TMainForm() = default;

void TMainForm::ShowSamplePair()
{
    LeftImage->setPixmap(SamplePicture(QColor(70, 130, 200), QColor(70, 150, 70), 160));
    RightImage->setPixmap(SamplePicture(QColor(90, 140, 190), QColor(80, 140, 60), 150));
    ImageLabel1->setText(QStringLiteral("JPG  220 x 290  17 KB"));
    ImageLabel2->setText(QStringLiteral("JPG  220 x 290  12 KB"));
    PercentLabel->setText(QStringLiteral("56%"));
}

void TMainForm::FormCreate()
{
    MainUnit.Catalogue.RecycleFolderName = ChooseRecycleFolderName();
    setAcceptDrops(true);
    UpdateEmptySignatureStoreCaption();
    MainUnit.Catalogue.SearchStopped = true;
    MainUnit.SortColumn = 0;
    MainUnit.SortDescending = false;
    MainUnit.FolderHintShown = true;
    MainUnit.ProgramDir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    MainUnit.Settings = LoadSettings(SettingsFilePath());
    ScanSubfoldersCheckBox->setChecked(MainUnit.Settings.ScanSubfolders);
    EnterHintState(tr("您可以从文件管理器将目录拖动到此处"));
    SetIdleState();
    DirectoriesListBox->setEnabled(false);
    MainUnit.AutoCheckPending = MainUnit.Settings.AutoCheckUpdates;
}

void TMainForm::FormShow()
{
    if (MainUnit.AutoCheckPending && MainUnit.Settings.AutoCheckUpdates)
        CheckforUpdates1Click();
}

void TMainForm::FormResize()
{
    ImagePanel1->resize((CentralPanel->width() - kPreviewSideSpace) / 2, ImagePanel1->height());
}

bool TMainForm::FormCloseQuery()
{
    if (m_search->WindowClosed())
        return true;
    m_search->WindowClosing();
    SetListRowCount(0);
    MainUnit.Catalogue.SearchStopped = true;
    QString error;
    if (!SaveSettings(SettingsFilePath(), MainUnit.Settings, &error, *FileOperations))
        WarningBox(this, error);
    ClearCatalogue(MainUnit.Catalogue);
    return true;
}

void TMainForm::Exit1Click()
{
    if (FormCloseQuery()) {
        close();
        QApplication::quit();
    }
}

void TMainForm::Settings1Click()
{
    if (MainUnit.SettingsForm)
        MainUnit.SettingsForm->exec();
}

void TMainForm::About1Click()
{
    if (MainUnit.AboutForm)
        MainUnit.AboutForm->exec();
}

void TMainForm::CheckforUpdates1Click()
{
    if (MainUnit.UpdateForm)
        MainUnit.UpdateForm->exec();
}

void TMainForm::Howtouse1Click() { QDesktopServices::openUrl(SitePage(QStringLiteral("/photo-how-to-use.html"))); }

void TMainForm::Visitprogramswebsite1Click() { QDesktopServices::openUrl(SitePage(QStringLiteral("/photo.html"))); }

void TMainForm::Donate1Click() { QDesktopServices::openUrl(SitePage(QStringLiteral("/donate.html"))); }

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The limit is on the outer size; the frame is known only once the window is shown.
    const QSize frame = frameGeometry().size() - size();
    setMinimumSize(kMinimumOuterWidth - frame.width(), kMinimumOuterHeight - frame.height());
    FormShow();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    FormCloseQuery();
    event->accept();
}

void TMainForm::ConnectHandlers()
{
    connect(StartButton, &QPushButton::clicked, this, &TMainForm::StartButtonClick);
    connect(StartSearch1, &QAction::triggered, this, &TMainForm::StartButtonClick);
    connect(SavelistofdupliacatestoCSV1, &QAction::triggered, this, &TMainForm::SavelistofdupliacatestoCSV1Click);
    connect(Exit1, &QAction::triggered, this, &TMainForm::Exit1Click);
    connect(EmptySignatureStore1, &QAction::triggered, this, &TMainForm::EmptySignatureStore1Click);
    connect(File1, &QMenu::aboutToShow, this, &TMainForm::UpdateEmptySignatureStoreCaption);
    connect(Settings1, &QAction::triggered, this, &TMainForm::Settings1Click);
    connect(Howtouse1, &QAction::triggered, this, &TMainForm::Howtouse1Click);
    connect(CheckforUpdates1, &QAction::triggered, this, &TMainForm::CheckforUpdates1Click);
    connect(Visitprogramswebsite1, &QAction::triggered, this, &TMainForm::Visitprogramswebsite1Click);
    connect(About1, &QAction::triggered, this, &TMainForm::About1Click);
    connect(Donate1, &QAction::triggered, this, &TMainForm::Donate1Click);
    connect(ScanSubfoldersCheckBox, &QCheckBox::toggled, this,
        [](bool checked) { MainUnit.Settings.ScanSubfolders = checked; });

    connect(AddFolderButton, &QToolButton::clicked, this, &TMainForm::AddFolderButtonClick);
    connect(RemoveFolderButton, &QToolButton::clicked, this, &TMainForm::RemoveFolderButtonClick);
    connect(MoveFolderUpButton, &QToolButton::clicked, this, &TMainForm::MoveFolderUpButtonClick);
    connect(MoveFolderDownButton, &QToolButton::clicked, this, &TMainForm::MoveFolderDownButtonClick);
    connect(ClearDirectoriesButton, &QToolButton::clicked, this, &TMainForm::ClearDirectoriesButtonClick);
    DirectoriesListBox->installEventFilter(this);
    connect(DirectoriesListBox, &QListWidget::customContextMenuRequested, this, &TMainForm::ShowFolderMenu);
    connect(UseAsReferenceFolder1, &QAction::triggered, this, &TMainForm::UseAsReferenceFolder);

    connect(SwapImagesButton, &QToolButton::clicked, this, &TMainForm::SwapImagesButtonClick);
    connect(MoveImageButton1, &QToolButton::clicked, this, &TMainForm::MoveImageButton1Click);
    connect(BrowseImageButton1, &QToolButton::clicked, this, &TMainForm::BrowseImageButton1Click);
    connect(DeleteImageButton1, &QToolButton::clicked, this, &TMainForm::DeleteImageButton1Click);
    connect(MoveImageButton2, &QToolButton::clicked, this, &TMainForm::MoveImageButton2Click);
    connect(BrowseImageButton2, &QToolButton::clicked, this, &TMainForm::BrowseImageButton2Click);
    connect(DeleteImageButton2, &QToolButton::clicked, this, &TMainForm::DeleteImageButton2Click);
    connect(ListView1->horizontalHeader(), &QHeaderView::sectionClicked, this, &TMainForm::ListView1ColumnClick);

    connect(Undo1, &QAction::triggered, this, &TMainForm::Undo1Click);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == CentralPanel) {
            FormResize();
            CentralPanelResize();
            PlaceCentralPanels();
        } else if (watched == ImagePanel1)
            LayOutImagePanel(ImagePanel1, LeftImage, ImageLabel1);
        else if (watched == ImagePanel2)
            LayOutImagePanel(ImagePanel2, RightImage, ImageLabel2);
        else if (watched == BetweenImagesPanel)
            LayOutBetweenImagesPanel();
        break;
    case QEvent::Enter:
    case QEvent::Leave:
        // A disabled button does nothing; its caption must not suggest otherwise.
        SetCaptionHover(watched, event->type() == QEvent::Enter && static_cast<const QWidget *>(watched)->isEnabled());
        break;
    case QEvent::MouseButtonRelease:
        if (watched == Label1 && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            Label1Click();
        break;
    case QEvent::KeyPress:
        if (watched == DirectoriesListBox)
            DirectoriesListBoxKeyDown(static_cast<QKeyEvent *>(event));
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
