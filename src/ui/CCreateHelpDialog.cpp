#include "CCreateHelpDialog.h"

#include "CButtonST.h"
#include "CFolderDialog.h"
#include "CStylePicture.h"
#include "CZETbrowserDoc.h"
#include "UserPrompts.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

namespace {

const QString kLeftText = QStringLiteral("по левому краю");
const QString kJustifyText = QStringLiteral("по ширине");

// Dialog units of the dialog's font: a quarter of the average character width across, an eighth
// of the character height down.
class DialogUnits
{
public:
    explicit DialogUnits(const QFontMetrics& metrics)
    {
        const QString sample =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        m_x = (metrics.horizontalAdvance(sample) / 26.0 + 1) / 2.0 / 4.0;
        m_y = metrics.height() / 8.0;
    }
    int x(int units) const { return qRound(units * m_x); }
    int y(int units) const { return qRound(units * m_y); }
    QSize size(int width, int height) const { return QSize(x(width), y(height)); }

private:
    double m_x = 1.5;
    double m_y = 1.625;
};

} // namespace

CCreateHelpDialog::CCreateHelpDialog(const CZETbrowserDoc& document, UserPrompts& prompts,
                                     IUiServices& ui, IHelpPlatform& platform, QWidget* parent)
    : QDialog(parent), m_document(document), m_prompts(prompts),
      m_build(document, prompts, ui, platform, this)
{
    setWindowTitle(QStringLiteral("Создание файла справки"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    CreateControls();
    OnInitDialog();
    connect(&m_build, &HelpBuild::stateChanged, this, &CCreateHelpDialog::OnBuildStateChanged);
    connect(&m_build, &HelpBuild::progressChanged, this, &CCreateHelpDialog::OnBuildProgress);
    connect(&m_build, &HelpBuild::finished, this, &CCreateHelpDialog::OnBuildFinished);
}

QString CCreateHelpDialog::DefaultHelpFileName(const QString& title)
{
    QString name = title;
    name.remove(u'*');
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    return name + QStringLiteral(".chm");
}

QString CCreateHelpDialog::DefaultHelpDirectory(const QString& pathName)
{
    // A book never saved has no folder of its own; the home folder stands in for it.
    if (pathName.isEmpty())
        return QDir::homePath() + QStringLiteral("/Help");
    const qsizetype slash = pathName.lastIndexOf(u'/');
    return (slash >= 0 ? pathName.left(slash) : pathName) + QStringLiteral("/Help");
}

QColor CCreateHelpDialog::HotBackgroundFor(const QColor& normal)
{
    // Each channel on its own: a light face must not carry into its neighbour.
    const auto lighter = [](int channel) { return std::min(channel + 10, 255); };
    return QColor(lighter(normal.red()), lighter(normal.green()), lighter(normal.blue()));
}

void CCreateHelpDialog::CreateControls()
{
    const DialogUnits du(fontMetrics());
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(du.x(7), du.y(4), du.x(7), du.y(3));
    top->setSpacing(0);
    // A modal frame: the dialog takes the size its contents need.
    top->setSizeConstraint(QLayout::SetFixedSize);

    auto* paths = new QGridLayout;
    paths->setHorizontalSpacing(du.x(1));
    paths->setVerticalSpacing(du.y(2));
    const auto addLabel = [&](const QString& text, int row) {
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        paths->addWidget(label, row, 0, 1, 2);
        return label;
    };
    const auto makeEdit = [&] {
        auto* edit = new QLineEdit(this);
        edit->setMinimumWidth(du.x(163));
        return edit;
    };
    const auto makeBrowse = [&](const QString& tip) {
        auto* button = new CButtonST(this);
        button->setFixedSize(std::max(du.x(13), 20), std::max(du.y(12), 20));
        button->setToolTip(tip);
        button->setAccessibleName(tip);
        button->setAutoDefault(false);
        return button;
    };
    QLabel* compilerLabel = addLabel(QStringLiteral("Исполняемый файл HTML Help компилятора"), 0);
    m_compilerEdit = makeEdit();
    m_compilerBrowse = makeBrowse(QStringLiteral("Выбрать компилятор"));
    paths->addWidget(m_compilerEdit, 1, 0);
    paths->addWidget(m_compilerBrowse, 1, 1);
    paths->setRowMinimumHeight(2, du.y(2));
    QLabel* nameLabel = addLabel(QStringLiteral("Имя файла справки"), 3);
    m_helpFileNameEdit = makeEdit();
    paths->addWidget(m_helpFileNameEdit, 4, 0);
    paths->setRowMinimumHeight(5, du.y(4));
    QLabel* directoryLabel = addLabel(QStringLiteral("Каталог файлов справки"), 6);
    m_helpDirectoryEdit = makeEdit();
    m_directoryBrowse = makeBrowse(QStringLiteral("Выбрать каталог"));
    paths->addWidget(m_helpDirectoryEdit, 7, 0);
    paths->addWidget(m_directoryBrowse, 7, 1);
    compilerLabel->setBuddy(m_compilerEdit);
    nameLabel->setBuddy(m_helpFileNameEdit);
    directoryLabel->setBuddy(m_helpDirectoryEdit);
    top->addLayout(paths);
    top->addSpacing(du.y(3));

    auto* group = new QGroupBox(QStringLiteral("Стиль"), this);
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->setContentsMargins(du.x(6), du.y(4), du.x(6), du.y(4));
    auto* choices = new QVBoxLayout;
    choices->setSpacing(du.y(1));
    m_syntaxHelperRadio = new QRadioButton(QStringLiteral("Синтаксис - помощник"), group);
    m_htmlTableRadio = new QRadioButton(QStringLiteral("HTML таблица"), group);
    m_styleGroup = new QButtonGroup(this);
    m_styleGroup->addButton(m_syntaxHelperRadio, 0);
    m_styleGroup->addButton(m_htmlTableRadio, 1);
    choices->addWidget(m_syntaxHelperRadio);
    choices->addSpacing(du.y(2));
    choices->addWidget(m_htmlTableRadio);
    choices->addSpacing(du.y(3));
    auto* alignmentCaption = new QLabel(QStringLiteral("Выравнивание текста:"), group);
    m_alignmentLabel = new QLabel(QStringLiteral("text align "), group);
    m_alignmentLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Wide enough for either text, so switching never moves the buttons below.
    m_alignmentLabel->setMinimumWidth(
        std::max({du.x(58), fontMetrics().horizontalAdvance(kLeftText) + 2,
                  fontMetrics().horizontalAdvance(kJustifyText) + 2}));
    choices->addWidget(alignmentCaption);
    choices->addWidget(m_alignmentLabel);
    const auto makeAlignButton = [&](const QString& picture, const QString& name) {
        auto* button = new QPushButton(group);
        button->setCheckable(true);
        button->setIcon(QIcon(picture));
        button->setIconSize(QSize(16, 16));
        button->setFixedSize(std::max(du.x(18), 24), std::max(du.y(16), 24));
        button->setToolTip(name);
        button->setAccessibleName(name);
        button->setAutoDefault(false);
        return button;
    };
    m_leftButton =
        makeAlignButton(QStringLiteral(":/help/align-left.png"), QStringLiteral("По левому краю"));
    m_justifyButton =
        makeAlignButton(QStringLiteral(":/help/align-justify.png"), QStringLiteral("По ширине"));
    m_alignmentGroup = new QButtonGroup(this);
    m_alignmentGroup->addButton(m_leftButton, 0);
    m_alignmentGroup->addButton(m_justifyButton, 1);
    auto* alignButtons = new QHBoxLayout;
    alignButtons->setSpacing(du.x(1));
    alignButtons->addWidget(m_leftButton);
    alignButtons->addWidget(m_justifyButton);
    alignButtons->addStretch();
    choices->addSpacing(du.y(2));
    choices->addLayout(alignButtons);
    choices->addStretch();
    groupLayout->addLayout(choices);
    groupLayout->addStretch();
    m_stylePicture = new CStylePicture(group);
    m_stylePicture->setFixedSize(du.size(57, 50));
    m_stylePicture->setAccessibleName(QStringLiteral("Вид стиля"));
    groupLayout->addWidget(m_stylePicture, 0, Qt::AlignTop);
    top->addWidget(group);

    top->addSpacing(du.y(1));
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(std::max(du.y(7), 8));
    // Hidden, it keeps its place: the buttons below do not jump when it shows.
    QSizePolicy keep = m_progress->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_progress->setSizePolicy(keep);
    m_progress->hide();
    top->addWidget(m_progress);
    top->addSpacing(du.y(4));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(du.x(2));
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_cancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    for (QPushButton* button : {m_okButton, m_cancelButton})
        button->setMinimumSize(du.size(66, 14));
    // Enter anywhere in the dialog means OK.
    m_okButton->setDefault(true);
    m_cancelButton->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();
    top->addLayout(buttons);

    // Tab order of the dialog: the three fields with their browse buttons, the styles, the
    // alignments, OK, Cancel.
    QWidget::setTabOrder(m_compilerEdit, m_compilerBrowse);
    QWidget::setTabOrder(m_compilerBrowse, m_helpFileNameEdit);
    QWidget::setTabOrder(m_helpFileNameEdit, m_helpDirectoryEdit);
    QWidget::setTabOrder(m_helpDirectoryEdit, m_directoryBrowse);
    QWidget::setTabOrder(m_directoryBrowse, m_syntaxHelperRadio);
    QWidget::setTabOrder(m_syntaxHelperRadio, m_htmlTableRadio);
    QWidget::setTabOrder(m_htmlTableRadio, m_leftButton);
    QWidget::setTabOrder(m_leftButton, m_justifyButton);
    QWidget::setTabOrder(m_justifyButton, m_okButton);
    QWidget::setTabOrder(m_okButton, m_cancelButton);

    connect(m_compilerBrowse, &QPushButton::clicked, this, &CCreateHelpDialog::OnBrowseCompiler);
    connect(m_directoryBrowse, &QPushButton::clicked, this, &CCreateHelpDialog::OnBrowseDirectory);
    connect(m_styleGroup, &QButtonGroup::idClicked, this, &CCreateHelpDialog::OnStyleChanged);
    connect(m_alignmentGroup, &QButtonGroup::idClicked, this,
            &CCreateHelpDialog::OnAlignmentChanged);
    connect(m_okButton, &QPushButton::clicked, this, &CCreateHelpDialog::OnOK);
    connect(m_cancelButton, &QPushButton::clicked, this, &CCreateHelpDialog::reject);
}

void CCreateHelpDialog::OnInitDialog()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/help/create-help-16.png"));
    icon.addFile(QStringLiteral(":/help/create-help-32.png"));
    setWindowIcon(icon);

    QIcon browse;
    browse.addFile(QStringLiteral(":/help/browse-16.png"));
    browse.addFile(QStringLiteral(":/help/browse-32.png"));
    for (CButtonST* button : {m_compilerBrowse, m_directoryBrowse}) {
        // Drawn at the size the button holds.
        button->SetIcons(browse, QIcon(), 16, 16);
        button->SetHotText(QColor(0, 0, 96), false);
        button->SetHotBackground(HotBackgroundFor(button->GetNormalBackground()), false);
        button->SetHotBorder(false);
        button->SetPlainFrame(true);
        button->SetFocusInFlat(true, false);
    }

    compilerPath = m_build.findCompiler();
    helpFileName = DefaultHelpFileName(QString::fromStdString(m_document.GetTitle()));
    helpDirectory = DefaultHelpDirectory(QString::fromStdString(m_document.GetPathName()));
    UpdateData(false);
    OnAlignmentChanged();
    m_compilerEdit->setFocus();
}

void CCreateHelpDialog::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        compilerPath = m_compilerEdit->text();
        helpDirectory = m_helpDirectoryEdit->text();
        helpFileName = m_helpFileNameEdit->text();
        style = std::max(m_styleGroup->checkedId(), 0);
        alignment = std::max(m_alignmentGroup->checkedId(), 0);
        alignmentText = m_alignmentLabel->text();
        return;
    }
    m_compilerEdit->setText(compilerPath);
    m_helpDirectoryEdit->setText(helpDirectory);
    m_helpFileNameEdit->setText(helpFileName);
    m_styleGroup->button(style == 1 ? 1 : 0)->setChecked(true);
    m_alignmentGroup->button(alignment == 1 ? 1 : 0)->setChecked(true);
    m_alignmentLabel->setText(alignmentText);
}

void CCreateHelpDialog::OnBrowseCompiler()
{
    UpdateData(true);
    const QString chosen = m_prompts.openFileName(
        this, QStringLiteral("Выберите исполняемый файл HTML Help компилятора"), compilerPath,
        QStringLiteral("HTML Help compilier (chmcmd hhc hhc.exe);;Все файлы (*)"));
    if (chosen.isEmpty())
        return;
    compilerPath = chosen;
    UpdateData(false);
}

void CCreateHelpDialog::OnBrowseDirectory()
{
    UpdateData(true);
    // One level above the help folder: choosing at once gives that parent.
    QString folder = QDir::cleanPath(helpDirectory.trimmed());
    const qsizetype slash = folder.lastIndexOf(u'/');
    if (slash > 0)
        folder.truncate(slash);
    else if (slash == 0)
        folder = QStringLiteral("/");
    CFolderDialog chooser(&folder, this);
    if (m_prompts.exec(chooser) != QDialog::Accepted)
        return;
    helpDirectory = folder;
    UpdateData(false);
}

void CCreateHelpDialog::OnStyleChanged()
{
    UpdateData(true);
    m_stylePicture->SetPicture(style);
}

void CCreateHelpDialog::OnAlignmentChanged()
{
    UpdateData(true);
    alignmentText = alignment == 1 ? kJustifyText : kLeftText;
    UpdateData(false);
}

void CCreateHelpDialog::OnOK()
{
    if (m_build.isBusy())
        return;
    UpdateData(true);
    // The fields keep what was typed; the build normalises what it takes.
    m_build.start(BuildOptions());
}

HelpOptions CCreateHelpDialog::BuildOptions() const
{
    HelpOptions options;
    options.compilerPath = compilerPath.toStdString();
    options.helpFileName = helpFileName.toStdString();
    // A relative folder is taken from the book's folder: the program's working folder means
    // nothing to the user.
    QString folder = helpDirectory.trimmed();
    if (!folder.isEmpty() && QDir::isRelativePath(folder))
        folder = QFileInfo(DefaultHelpDirectory(QString::fromStdString(m_document.GetPathName())))
                     .path() +
                 u'/' + folder;
    options.helpDirectory = folder.toStdString();
    options.style = style == 1 ? HelpStyle::HtmlTable : HelpStyle::SyntaxHelper;
    options.alignment = alignment == 1 ? TextAlignment::Justify : TextAlignment::Left;
    return options;
}

void CCreateHelpDialog::OnBuildStateChanged(HelpBuild::State state)
{
    switch (state) {
    case HelpBuild::State::Generating:
        m_progress->show();
        break;
    case HelpBuild::State::Compiling:
        m_progress->hide();
        m_stylePicture->StartAnimation();
        // The dialog takes input again, so the compiler can be stopped; its fields keep what was
        // typed. The other windows stay behind the modal dialog.
        EnableInputs(false);
        m_cancelButton->setFocus();
        break;
    case HelpBuild::State::Stopping:
        m_cancelButton->setEnabled(false);
        break;
    case HelpBuild::State::Idle:
        // A failed generation leaves the bar where it stopped.
        m_stylePicture->StopAnimation();
        EnableInputs(true);
        m_cancelButton->setEnabled(true);
        break;
    }
}

void CCreateHelpDialog::OnBuildProgress(int position, int maximum)
{
    m_progress->setRange(0, maximum);
    m_progress->setValue(position);
}

void CCreateHelpDialog::OnBuildFinished(HelpBuild::Outcome outcome)
{
    if (outcome == HelpBuild::Outcome::Stopped)
        m_okButton->setFocus();
    emit workFinished(outcome == HelpBuild::Outcome::Built);
    if (outcome == HelpBuild::Outcome::Built)
        done(QDialog::Accepted);
}

void CCreateHelpDialog::EnableInputs(bool enabled)
{
    for (QWidget* input : std::initializer_list<QWidget*>{
             m_compilerEdit, m_compilerBrowse, m_helpFileNameEdit, m_helpDirectoryEdit,
             m_directoryBrowse, m_syntaxHelperRadio, m_htmlTableRadio, m_leftButton,
             m_justifyButton, m_okButton})
        input->setEnabled(enabled);
}

void CCreateHelpDialog::done(int result)
{
    if (m_build.isBusy()) {
        // "Отмена" or Escape: the user wants out of a compiler that may never end.
        m_build.requestStop();
        return;
    }
    QDialog::done(result);
}

void CCreateHelpDialog::closeEvent(QCloseEvent* event)
{
    if (m_build.isBusy()) {
        event->ignore();
        m_build.requestStop();
        return;
    }
    QDialog::closeEvent(event);
}
