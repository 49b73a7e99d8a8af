#include "ui/folderdialog.h"
#include "ui/mainunit.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{
const QColor kPanelColor(96, 106, 133);
const QColor kCaptionGrey(128, 128, 128);
constexpr int kWindowFontPixels = 14;
constexpr int kFolderListFontPixels = 15;
constexpr int kFoldersCaptionFontPixels = 28;
constexpr int kProgressFontPixels = 20;
constexpr int kPercentFontPixels = 28;
constexpr int kTopPanelMinHeight = 78;
constexpr int kFolderBarHeight = 63;
constexpr int kSplitterHeight = 12;
constexpr int kCentralPanelMinHeight = 131;
constexpr int kBottomPanelMinHeight = 78;
constexpr int kSummaryPanelHeight = 52;
constexpr int kGlyphButtonSize = 47;
constexpr int kRemoveButtonWidth = 48;
constexpr int kImageStripHeight = 97;
constexpr int kDetailsLabelHeight = 29;
constexpr int kButtonGroupWidth = 179;
constexpr int kButtonGroupHeight = 68;
constexpr int kListItemHeight = 18;
constexpr int kMarkLabelMargin = 10;

QFont PixelFont(int pixels)
{
    QFont font(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    return font;
}

QWidget *NewPanel(QWidget *parent, const QString &name)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(name);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, kPanelColor);
    palette.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(palette);
    return panel;
}

QLabel *NewLabel(QWidget *parent, const QString &name, const QString &text, int fontPixels = kWindowFontPixels)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setFont(PixelFont(fontPixels));
    return label;
}

QToolButton *NewGlyphButton(QWidget *parent, const QString &name, const QString &iconName, const QString &hint)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    // Flat glyph buttons never take the keyboard focus, like the speed buttons users know.
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(iconName)));
    button->setIconSize(QSize(32, 32));
    button->setToolTip(hint);
    button->resize(kGlyphButtonSize, kGlyphButtonSize);
    return button;
}

void SetTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}
}

void TMainForm::CreateLayout()
{
    setWindowTitle(tr("Quorvane 重复图片搜索器"));
    setFont(PixelFont(kWindowFontPixels));

    Splitter2 = new QSplitter(Qt::Vertical, this);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(kSplitterHeight);
    Splitter2->setChildrenCollapsible(false);
    Splitter1 = new QSplitter(Qt::Vertical, Splitter2);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kSplitterHeight);
    Splitter1->setChildrenCollapsible(false);
    for (QSplitter *splitter : { Splitter1, Splitter2 }) {
        QPalette palette = splitter->palette();
        palette.setColor(QPalette::Window, kPanelColor);
        splitter->setPalette(palette);
        splitter->setAutoFillBackground(true);
    }
    setCentralWidget(Splitter2);

    CreateFolderArea();
    CreatePreviewArea();
    CreateResultArea();

    Splitter1->addWidget(TopPanel);
    Splitter1->addWidget(CentralPanel);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter2->addWidget(Splitter1);
    Splitter2->addWidget(BottomPanel);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);

    CreateMenu();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    AddFolderDialog = new TFolderDialog(this);
    AddFolderDialog->setObjectName(QStringLiteral("AddFolderDialog"));
    AddFolderDialog->SetOptions(fdoReturnOnlyFSDirs | fdoNewDialogStyle);

    ShowSamplePair();
}

void TMainForm::CreateFolderArea()
{
    TopPanel = NewPanel(nullptr, QStringLiteral("TopPanel"));
    TopPanel->setMinimumHeight(kTopPanelMinHeight);
    auto *layout = new QVBoxLayout(TopPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    DirectoriesListBox = new QListWidget(TopPanel);
    DirectoriesListBox->setObjectName(QStringLiteral("DirectoriesListBox"));
    DirectoriesListBox->setFont(PixelFont(kFolderListFontPixels));
    DirectoriesListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    DirectoriesListBox->setUniformItemSizes(true);
    DirectoriesListBox->setStyleSheet(QStringLiteral("QListWidget::item { height: %1px; }").arg(kListItemHeight));
    DirectoriesListBox->setMinimumHeight(0);
    DirectoriesListBox->setContextMenuPolicy(Qt::CustomContextMenu);
    UseAsReferenceFolder1 = new QAction(tr("设为参考文件夹"), DirectoriesListBox);
    UseAsReferenceFolder1->setObjectName(QStringLiteral("UseAsReferenceFolder1"));
    UseAsReferenceFolder1->setCheckable(true);
    layout->addWidget(DirectoriesListBox, 1);

    Panel2 = NewPanel(TopPanel, QStringLiteral("Panel2"));
    Panel2->setFixedHeight(kFolderBarHeight);
    layout->addWidget(Panel2);

    FoldersCaptionLabel
        = NewLabel(Panel2, QStringLiteral("FoldersCaptionLabel"), tr("文件夹："), kFoldersCaptionFontPixels);
    FoldersCaptionLabel->move(20, 12);
    FoldersCaptionLabel->adjustSize();

    AddFolderButton
        = NewGlyphButton(Panel2, QStringLiteral("AddFolderButton"), QStringLiteral("add"), tr("添加文件夹"));
    AddFolderButton->move(143, 5);
    RemoveFolderButton
        = NewGlyphButton(Panel2, QStringLiteral("RemoveFolderButton"), QStringLiteral("remove"), tr("删除所选文件夹"));
    RemoveFolderButton->setGeometry(197, 5, kRemoveButtonWidth, kGlyphButtonSize);
    MoveFolderUpButton
        = NewGlyphButton(Panel2, QStringLiteral("MoveFolderUpButton"), QStringLiteral("up"), tr("向上移动"));
    MoveFolderUpButton->move(252, 5);
    MoveFolderDownButton
        = NewGlyphButton(Panel2, QStringLiteral("MoveFolderDownButton"), QStringLiteral("down"), tr("向下移动"));
    MoveFolderDownButton->move(307, 5);
    ClearDirectoriesButton
        = NewGlyphButton(Panel2, QStringLiteral("ClearDirectoriesButton"), QStringLiteral("clear"), tr("全部清除"));
    ClearDirectoriesButton->move(362, 5);

    StartButton = new QPushButton(tr("开始搜索"), Panel2);
    StartButton->setObjectName(QStringLiteral("StartButton"));
    StartButton->setGeometry(433, 8, 148, 44);

    ScanSubfoldersCheckBox = new QCheckBox(QStringLiteral(" "), Panel2);
    ScanSubfoldersCheckBox->setObjectName(QStringLiteral("ScanSubfoldersCheckBox"));
    ScanSubfoldersCheckBox->move(625, 18);
    ScanSubfoldersCheckBox->adjustSize();

    Label1 = NewLabel(Panel2, QStringLiteral("Label1"), tr("扫描子目录"), kFolderListFontPixels);
    Label1->move(647, 20);
    Label1->adjustSize();
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->installEventFilter(this);
}

void TMainForm::CreatePreviewArea()
{
    CentralPanel = NewPanel(nullptr, QStringLiteral("CentralPanel"));
    CentralPanel->setMinimumHeight(kCentralPanelMinHeight);
    CentralPanel->installEventFilter(this);

    ImagePanel1 = NewPanel(CentralPanel, QStringLiteral("ImagePanel1"));
    BetweenImagesPanel = NewPanel(CentralPanel, QStringLiteral("BetweenImagesPanel"));
    BetweenImagesPanel->setFixedWidth(kBetweenImagesWidth);
    ImagePanel2 = NewPanel(CentralPanel, QStringLiteral("ImagePanel2"));

    struct Side {
        QWidget *panel;
        QLabel **image;
        QLabel **details;
        QToolButton **buttons[3];
        QLabel **captions[3];
        QString suffix;
    };
    const Side sides[] = {
        { ImagePanel1, &LeftImage, &ImageLabel1, { &MoveImageButton1, &BrowseImageButton1, &DeleteImageButton1 },
            { &MoveImageLabel1, &BrowseImageLabel1, &DeleteImageLabel1 }, QStringLiteral("1") },
        { ImagePanel2, &RightImage, &ImageLabel2, { &MoveImageButton2, &BrowseImageButton2, &DeleteImageButton2 },
            { &MoveImageLabel2, &BrowseImageLabel2, &DeleteImageLabel2 }, QStringLiteral("2") },
    };
    const QString actions[] = { QStringLiteral("Move"), QStringLiteral("Browse"), QStringLiteral("Delete") };
    const QString icons[] = { QStringLiteral("move"), QStringLiteral("browse"), QStringLiteral("delete") };
    const QString hints[] = { tr("移动文件"), tr("浏览文件"), tr("删除文件") };
    const QString captions[] = { tr("移动"), tr("浏览"), tr("删除") };

    for (const Side &side : sides) {
        auto *image = new QLabel(side.panel);
        image->setObjectName(
            side.suffix == QLatin1String("1") ? QStringLiteral("LeftImage") : QStringLiteral("RightImage"));
        image->setAlignment(Qt::AlignCenter);
        image->setCursor(Qt::PointingHandCursor);
        *side.image = image;

        auto *details = NewLabel(side.panel, QStringLiteral("ImageLabel") + side.suffix, QString());
        details->setAlignment(Qt::AlignCenter);
        *side.details = details;

        auto *group = new QWidget(side.panel);
        group->setObjectName(QStringLiteral("ButtonGroup") + side.suffix);
        group->resize(kButtonGroupWidth, kButtonGroupHeight);
        const int step = (kButtonGroupWidth - kGlyphButtonSize) / 2;
        for (int i = 0; i < 3; ++i) {
            QToolButton *button
                = NewGlyphButton(group, actions[i] + QStringLiteral("ImageButton") + side.suffix, icons[i], hints[i]);
            button->move(i * step, 0);
            button->installEventFilter(this);
            *side.buttons[i] = button;
            QLabel *caption = NewLabel(group, actions[i] + QStringLiteral("ImageLabel") + side.suffix, captions[i]);
            caption->setAlignment(Qt::AlignCenter);
            caption->setGeometry(i * step, kGlyphButtonSize, kGlyphButtonSize, kButtonGroupHeight - kGlyphButtonSize);
            SetTextColor(caption, kCaptionGrey);
            *side.captions[i] = caption;
        }
        side.panel->installEventFilter(this);
    }

    // A picture is marked or of a reference folder, never both: the tags share their place.
    const struct {
        QLabel **label;
        QWidget *panel;
        const char *name;
        QString text;
        const char *colour;
    } tags[] = {
        { &MarkLabel1, ImagePanel1, "MarkLabel1", tr("已标记"), "#c0392b" },
        { &MarkLabel2, ImagePanel2, "MarkLabel2", tr("已标记"), "#c0392b" },
        { &ReferenceLabel1, ImagePanel1, "ReferenceLabel1", tr("参考"), "#2c6e9b" },
        { &ReferenceLabel2, ImagePanel2, "ReferenceLabel2", tr("参考"), "#2c6e9b" },
    };
    for (const auto &tag : tags) {
        *tag.label = NewLabel(tag.panel, QLatin1String(tag.name), tag.text);
        (*tag.label)
            ->setStyleSheet(
                QStringLiteral("background-color: %1; color: white; padding: 2px 6px;").arg(QLatin1String(tag.colour)));
        (*tag.label)->adjustSize();
        (*tag.label)->move(kMarkLabelMargin, kMarkLabelMargin);
        (*tag.label)->hide();
    }

    SimilarityLabel = NewLabel(BetweenImagesPanel, QStringLiteral("SimilarityLabel"), tr("相似度："));
    SimilarityLabel->setAlignment(Qt::AlignCenter);
    PercentLabel = NewLabel(BetweenImagesPanel, QStringLiteral("PercentLabel"), QString(), kPercentFontPixels);
    PercentLabel->setAlignment(Qt::AlignCenter);
    SwapImagesButton = NewGlyphButton(
        BetweenImagesPanel, QStringLiteral("SwapImagesButton"), QStringLiteral("swap"), tr("交换图像"));
    NotDuplicatesButton = NewGlyphButton(
        BetweenImagesPanel, QStringLiteral("NotDuplicatesButton"), QStringLiteral("notsame"), tr("不是重复项（N）"));
    BetweenImagesPanel->installEventFilter(this);

    // Created last so that it covers the preview while a search runs.
    SearchPanel = NewPanel(CentralPanel, QStringLiteral("SearchPanel"));
    FilesCountLabel = NewLabel(SearchPanel, QStringLiteral("FilesCountLabel"), QString(), kProgressFontPixels);
    CurrentDuplicatesFoundLabel
        = NewLabel(SearchPanel, QStringLiteral("CurrentDuplicatesFoundLabel"), QString(), kProgressFontPixels);
    TimeLabel = NewLabel(SearchPanel, QStringLiteral("TimeLabel"), QString(), kProgressFontPixels);
    SignaturesCountLabel
        = NewLabel(SearchPanel, QStringLiteral("SignaturesCountLabel"), QString(), kProgressFontPixels);
    for (QLabel *label : { FilesCountLabel, CurrentDuplicatesFoundLabel, TimeLabel, SignaturesCountLabel })
        label->setAlignment(Qt::AlignCenter);
    SearchPanel->setGeometry(0, 0, 0, 0);
}

void TMainForm::CreateResultArea()
{
    BottomPanel = NewPanel(nullptr, QStringLiteral("BottomPanel"));
    BottomPanel->setMinimumHeight(kBottomPanelMinHeight);
    auto *layout = new QVBoxLayout(BottomPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    SummaryPanel = NewPanel(BottomPanel, QStringLiteral("SummaryPanel"));
    SummaryPanel->setFixedHeight(kSummaryPanelHeight);
    layout->addWidget(SummaryPanel);
    ScannedCountLabel = NewLabel(SummaryPanel, QStringLiteral("ScannedCountLabel"), QString(), kFolderListFontPixels);
    ScannedCountLabel->setGeometry(20, 16, 260, 20);
    DuplicatesFoundLabel
        = NewLabel(SummaryPanel, QStringLiteral("DuplicatesFoundLabel"), QString(), kFolderListFontPixels);
    DuplicatesFoundLabel->setGeometry(300, 16, 260, 20);
    DiskUsageLabel = NewLabel(SummaryPanel, QStringLiteral("DiskUsageLabel"), QString(), kFolderListFontPixels);
    DiskUsageLabel->setGeometry(580, 16, 260, 20);
    DiskUsageLabel->hide();
    // 0% shows every pair, as a list without the filter does.
    ShownSimilaritySpinBox = new QSpinBox(SummaryPanel);
    ShownSimilaritySpinBox->setObjectName(QStringLiteral("ShownSimilaritySpinBox"));
    ShownSimilaritySpinBox->setRange(0, 100);
    ShownSimilaritySpinBox->setSpecialValueText(tr("显示所有配对"));
    ShownSimilaritySpinBox->setPrefix(tr("只显示相似度不低于 "));
    ShownSimilaritySpinBox->setSuffix(tr("% 的配对"));
    ShownSimilaritySpinBox->setGeometry(580, 12, 300, 28);
    ShownCountLabel = NewLabel(SummaryPanel, QStringLiteral("ShownCountLabel"), QString(), kFolderListFontPixels);
    ShownCountLabel->setGeometry(890, 16, 140, 20);

    ListView1 = new QTableView(BottomPanel);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setShowGrid(true);
    ListView1->verticalHeader()->hide();
    ListView1->horizontalHeader()->setHighlightSections(false);
    ListView1->setContextMenuPolicy(Qt::ActionsContextMenu);
    NotDuplicates1 = new QAction(tr("不是重复项"), ListView1);
    NotDuplicates1->setObjectName(QStringLiteral("NotDuplicates1"));
    NotDuplicates1->setShortcut(Qt::Key_N);
    NotDuplicates1->setShortcutContext(Qt::WidgetShortcut);
    ListView1->addAction(NotDuplicates1);
    layout->addWidget(ListView1, 1);
}

void TMainForm::CreateMenu()
{
    File1 = menuBar()->addMenu(tr("文件"));
    File1->setObjectName(QStringLiteral("File1"));
    StartSearch1 = File1->addAction(tr("开始搜索"));
    StartSearch1->setObjectName(QStringLiteral("StartSearch1"));
    SavelistofdupliacatestoCSV1 = File1->addAction(tr("将重复项列表保存到CSV"));
    SavelistofdupliacatestoCSV1->setObjectName(QStringLiteral("SavelistofdupliacatestoCSV1"));
    EmptySignatureStore1 = File1->addAction(QString());
    EmptySignatureStore1->setObjectName(QStringLiteral("EmptySignatureStore1"));
    File1->addSeparator();
    Exit1 = File1->addAction(tr("退出"));
    Exit1->setObjectName(QStringLiteral("Exit1"));

    Mark1 = menuBar()->addMenu(tr("标记"));
    Mark1->setObjectName(QStringLiteral("Mark1"));
    const auto addMarkAction = [this](QAction *&action, const char *name, const QString &caption) {
        action = Mark1->addAction(caption);
        action->setObjectName(QLatin1String(name));
    };
    addMarkAction(KeepMostPixels1, "KeepMostPixels1", tr("标记副本，保留像素最多的图片"));
    addMarkAction(KeepLargest1, "KeepLargest1", tr("标记副本，保留文件最大的图片"));
    addMarkAction(KeepOldest1, "KeepOldest1", tr("标记副本，保留最旧的图片"));
    addMarkAction(KeepNewest1, "KeepNewest1", tr("标记副本，保留最新的图片"));
    addMarkAction(KeepInsideFolder1, "KeepInsideFolder1", tr("标记副本，保留参考文件夹中的图片..."));
    Mark1->addSeparator();
    addMarkAction(ClearAllMarks1, "ClearAllMarks1", tr("清除所有标记"));
    Mark1->addSeparator();
    addMarkAction(DeleteMarked1, "DeleteMarked1", tr("删除标记的图片"));
    addMarkAction(MoveMarked1, "MoveMarked1", tr("移动标记的图片..."));
    Mark1->addSeparator();
    addMarkAction(Undo1, "Undo1", tr("撤销"));
    Mark1->addSeparator();
    addMarkAction(ForgetDismissed1, "ForgetDismissed1", QString());

    Settings1 = menuBar()->addAction(tr("设置"));
    Settings1->setObjectName(QStringLiteral("Settings1"));

    Help1 = menuBar()->addMenu(tr("帮助"));
    Help1->setObjectName(QStringLiteral("Help1"));
    Howtouse1 = Help1->addAction(tr("如何使用"));
    Howtouse1->setObjectName(QStringLiteral("Howtouse1"));
    CheckforUpdates1 = Help1->addAction(tr("检查更新"));
    CheckforUpdates1->setObjectName(QStringLiteral("CheckforUpdates1"));
    Visitprogramswebsite1 = Help1->addAction(tr("访问该计划的网站"));
    Visitprogramswebsite1->setObjectName(QStringLiteral("Visitprogramswebsite1"));
    About1 = Help1->addAction(tr("关于"));
    About1->setObjectName(QStringLiteral("About1"));

    Donate1 = menuBar()->addAction(tr("捐赠"));
    Donate1->setObjectName(QStringLiteral("Donate1"));
    Donate1->setVisible(false);
}

void TMainForm::PlaceCentralPanels()
{
    const int width = CentralPanel->width();
    const int height = CentralPanel->height();
    const int top = SearchPanel->height();
    const int previewHeight = std::max(height - top, 0);
    const int leftWidth = ImagePanel1->width();
    ImagePanel1->setGeometry(0, top, leftWidth, previewHeight);
    BetweenImagesPanel->setGeometry(leftWidth, top, kBetweenImagesWidth, previewHeight);
    ImagePanel2->setGeometry(
        leftWidth + kBetweenImagesWidth, top, std::max(width - leftWidth - kBetweenImagesWidth, 0), previewHeight);
    SearchPanel->setGeometry(0, 0, width, top);
    SearchPanel->raise();
}

void TMainForm::LayOutImagePanel(QWidget *panel, QLabel *image, QLabel *details)
{
    constexpr int kImageMargin = 7;
    const int width = panel->width();
    const int height = panel->height();
    const int stripTop = std::max(height - kImageStripHeight, 0);
    image->setGeometry(
        kImageMargin, kImageMargin, std::max(width - 2 * kImageMargin, 0), std::max(stripTop - 2 * kImageMargin, 0));
    details->setGeometry(0, stripTop, width, kDetailsLabelHeight);
    QWidget *group = panel->findChild<QWidget *>(
        QStringLiteral("ButtonGroup") + panel->objectName().right(1), Qt::FindDirectChildrenOnly);
    group->move((width - kButtonGroupWidth) / 2, stripTop + kDetailsLabelHeight);
}

void TMainForm::LayOutBetweenImagesPanel()
{
    constexpr int kLabelHeight = 24;
    constexpr int kPercentHeight = 40;
    const int width = BetweenImagesPanel->width();
    const int middle = BetweenImagesPanel->height() / 2;
    SimilarityLabel->setGeometry(0, middle - kPercentHeight - kLabelHeight, width, kLabelHeight);
    PercentLabel->setGeometry(0, middle - kPercentHeight, width, kPercentHeight);
    SwapImagesButton->move((width - kGlyphButtonSize) / 2, middle + 8);
    NotDuplicatesButton->move((width - kGlyphButtonSize) / 2, middle + 16 + kGlyphButtonSize);
}

void TMainForm::SetCaptionHover(QObject *button, bool hovered)
{
    const std::pair<QToolButton *, QLabel *> pairs[] = {
        { MoveImageButton1, MoveImageLabel1 },
        { BrowseImageButton1, BrowseImageLabel1 },
        { DeleteImageButton1, DeleteImageLabel1 },
        { MoveImageButton2, MoveImageLabel2 },
        { BrowseImageButton2, BrowseImageLabel2 },
        { DeleteImageButton2, DeleteImageLabel2 },
    };
    for (const auto &[glyph, caption] : pairs) {
        if (glyph == button)
            SetTextColor(caption, hovered ? QColor(Qt::white) : kCaptionGrey);
    }
}
