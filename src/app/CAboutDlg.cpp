#include "CAboutDlg.h"

#include "CColorLabel.h"
#include "CLinkLabel.h"
#include "ProgramInfo.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <initializer_list>

const QString CAboutDlg::kContactLink = QStringLiteral("mailto:zetbrowser@example.org");

namespace {

// One line of the dialog: its text, the dialog units above it, and whether it wraps.
struct Line
{
    const char* text;
    int gapBefore;
    bool wraps = false;
    int heading = -1; // index of the coloured heading, or -1 for plain text
};

} // namespace

CAboutDlg::CAboutDlg(UserPrompts& prompts, QWidget* parent) : QDialog(parent), m_prompts(prompts)
{
    setWindowTitle(QStringLiteral("О программе " ZET_PROGRAM_NAME));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const QFontMetrics metrics = fontMetrics();
    const double duX = (metrics.horizontalAdvance(QStringLiteral(
                            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                            26.0 +
                        1) /
                       2.0 / 4.0;
    const double duY = metrics.height() / 8.0;
    const auto dx = [duX](int units) { return qRound(units * duX); };
    const auto dy = [duY](int units) { return qRound(units * duY); };

    const Line lines[] = {
        {"Программа \"" ZET_PROGRAM_NAME "\" (версия " ZET_PROGRAM_VERSION ") ", 0, false, 0},
        {"предназначена для просмотра, создания и редактирования файлов синтаксис-помощника "
         "встроенного языка прикладной системы.",
         0, true},
        {"В качестве сервисных возможностей программа позволяет генерировать файлы справки в "
         "формате \"chm\" (при наличии Html Help Compiler'а).",
         1, true},
        {"Дерево структуры поддерживает операции \"Drag and Drop\" и вызов контекстного меню "
         "(правой кнопкой мыши).",
         2, true},
        {"\"Горячие\" клавиши дерева структуры:", 6, false, 1},
        {"Del - удаление записи или раздела, ", 0},
        {"Меню (клавиша слева от правого Ctrl) - вызов контекстного меню.", 0},
        {"Ctrl+S - сохранение изменений в файле", 0},
        {"\"Горячие\" клавиши окна редактирования:", 11, false, 2},
        {"Tab - переход к следующему редактируемому полю,", 0},
        {"Shift+Tab - переход к предыдущему редактируемому полю,", 0},
        {"Enter - вод символа переноса строки в редактируемое поле,", 0},
        {"Ctrl+T - ввод символа табуляции в редактируемое поле.", 0},
        {"Shift+Enter (Ctrl+S) - сохранение текущей записи,", 1},
    };

    // The text column is as wide as the widest line that must not wrap, and no narrower than
    // its design width.
    int columnWidth = dx(228);
    for (const Line& line : lines) {
        if (!line.wraps) {
            QFont font = this->font();
            font.setBold(line.heading >= 0);
            columnWidth =
                std::max(columnWidth,
                         QFontMetrics(font).horizontalAdvance(QString::fromUtf8(line.text)) + 8);
        }
    }

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(dx(3), dy(1), dx(3), dy(2));
    top->setSizeConstraint(QLayout::SetFixedSize);
    // The frame around everything.
    auto* frame = new QGroupBox(this);
    top->addWidget(frame);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(dx(4), dy(4), dx(8), dy(3));
    grid->setHorizontalSpacing(dx(11));

    auto* icon = new QLabel(frame);
    icon->setPixmap(QPixmap(QStringLiteral(":/icons/32x32/zetbrowser.png")));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    icon->setFixedSize(std::max(dx(21), 32), std::max(dy(20), 32));
    grid->addWidget(icon, 0, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->setContentsMargins(0, dy(2), 0, 0);
    for (const Line& line : lines) {
        if (line.gapBefore > 0)
            texts->addSpacing(dy(line.gapBefore));
        const QString text = QString::fromUtf8(line.text);
        QLabel* label = nullptr;
        if (line.heading >= 0) {
            auto* heading = new CColorLabel(text, frame);
            m_headings[std::size_t(line.heading)] = heading;
            label = heading;
        } else {
            label = new QLabel(text, frame);
        }
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(line.wraps);
        label->setFixedWidth(columnWidth);
        texts->addWidget(label);
    }
    texts->addSpacing(dy(9));
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(dx(12));
    auto* author =
        new QLabel(QStringLiteral("Декабрь 2026 г., разработчики " ZET_PROGRAM_NAME), frame);
    author->setMinimumWidth(dx(116));
    m_link = new CLinkLabel(QStringLiteral("zetbrowser@example.org"), frame);
    m_link->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    bottom->addWidget(author);
    bottom->addWidget(m_link);
    bottom->addStretch();
    texts->addLayout(bottom);
    texts->addSpacing(dy(5));
    grid->addLayout(texts, 0, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), frame);
    ok->setDefault(true);
    ok->setMinimumSize(dx(50), dy(14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, 1, 0, 1, 2, Qt::AlignHCenter);
    ok->setFocus();

    connect(m_link, &CLinkLabel::openFailed, this, [this](const QString& message) {
        m_prompts.message(this, QMessageBox::Warning, message, QMessageBox::Ok, QMessageBox::Ok);
    });
    OnInitDialog();
}

void CAboutDlg::OnInitDialog()
{
    m_link->SetLink(kContactLink);
    m_link->SetMailSubject(QApplication::applicationName().isEmpty()
                               ? QStringLiteral(ZET_PROGRAM_NAME)
                               : QApplication::applicationName());
    m_link->SetUnderlined(true);
    m_link->SetFitToText(true);

    // Bold window-coloured text on a grey band; the grey is kept dark enough to read on.
    const QPalette pal = palette();
    QColor band = pal.color(QPalette::Disabled, QPalette::Text);
    if (band.lightness() > 128)
        band = band.darker(180);
    for (CColorLabel* heading : m_headings) {
        heading->SetTextColour(pal.color(QPalette::Base));
        heading->SetBackColour(band);
        heading->SetBold(true);
    }
}
