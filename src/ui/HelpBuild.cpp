#include "HelpBuild.h"

#include "CZETbrowserDoc.h"
#include "HeldHelpMessages.h"
#include "HelpCompiler.h"
#include "HelpCompilerProcess.h"
#include "HelpGenerationJob.h"
#include "HelpProjectWriter.h"
#include "IUiServices.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

namespace {

const std::string kGenerating = "Генерация файлов справки...";
const std::string kCompiling = "Компиляция файла справки...";
const std::string kStopping = "Прерывание компиляции файла справки...";
const std::string kStopped = "Компиляция файла справки прервана.";
const QString kStopQuestion = QStringLiteral("Прервать компиляцию?");

// How often the progress follows the worker.
constexpr int kProgressIntervalMs = 40;

// The caption as the status bar shows it between operations: without a final "*".
std::string captionForStatus(std::string caption)
{
    if (!caption.empty() && caption.back() == '*')
        caption.pop_back();
    return caption;
}

bool isInputEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

} // namespace

HelpBuild::HelpBuild(const CZETbrowserDoc& document, UserPrompts& prompts, IUiServices& ui,
                     IHelpPlatform& platform, QWidget* window, QObject* parent)
    : QObject(parent), m_document(document), m_prompts(prompts), m_ui(ui), m_platform(platform),
      m_window(window), m_messages(prompts, window),
      m_generation(std::make_unique<HelpGenerationJob>()),
      m_compilerProcess(std::make_unique<HelpCompilerProcess>())
{
    connect(m_generation.get(), &HelpGenerationJob::finished, this, &HelpBuild::onGenerated);
    connect(m_compilerProcess.get(), &HelpCompilerProcess::finished, this,
            &HelpBuild::onCompilerFinished);
    m_progressTimer.setInterval(kProgressIntervalMs);
    connect(&m_progressTimer, &QTimer::timeout, this, &HelpBuild::reportProgress);
}

HelpBuild::~HelpBuild()
{
    m_generation->disconnect(this);
    m_compilerProcess->disconnect(this);
    m_generation.reset();
    m_compilerProcess.reset();
    if (isBusy()) {
        lockInput(false);
        endWork();
    }
}

QString HelpBuild::findCompiler()
{
    return QString::fromStdString(HelpCompiler(m_platform, m_messages).FindHelpCompiler());
}

bool HelpBuild::start(const HelpOptions& options)
{
    if (isBusy())
        return false;
    // Checked first: a name that would put files outside the help folder makes nothing.
    if (const std::optional<std::string> problem =
            HelpProjectWriter::HelpFileNameProblem(options.helpFileName)) {
        m_messages.ShowMessage(*problem);
        return false;
    }
    const std::optional<std::string> directory =
        HelpCompiler(m_platform, m_messages).PrepareHelpDirectory(options.helpDirectory);
    if (!directory)
        return false;
    m_options = options;
    m_options.helpDirectory = *directory;

    lockInput(true);
    m_ui.BeginWaitCursor();
    m_waitCursor = true;
    m_caption = m_ui.MainWindowCaption();
    m_ui.SetStatusText(kGenerating);
    const std::size_t count = m_document.RecordCount();
    // An empty book shows a full bar rather than a busy indicator.
    m_progressMaximum = count == 0 ? 1 : int(std::min<std::size_t>(count, INT_MAX));
    emit progressChanged(0, m_progressMaximum);
    setState(State::Generating);
    m_generation->Start(m_document, m_options);
    m_progressTimer.start();
    return true;
}

void HelpBuild::reportProgress()
{
    const std::size_t range = m_generation->Range();
    if (range == 0)
        return;
    const std::size_t position = std::min(m_generation->Position(), range);
    emit progressChanged(int(std::min<std::size_t>(position, INT_MAX)), m_progressMaximum);
}

void HelpBuild::onGenerated(bool succeeded)
{
    m_progressTimer.stop();
    reportProgress();
    if (!succeeded) {
        // The progress stays where the generation stopped.
        endWork();
        lockInput(false);
        setState(State::Idle);
        m_generation->ShowMessages(m_messages);
        emit finished(Outcome::Failed);
        return;
    }
    if (m_document.RecordCount() == 0)
        emit progressChanged(m_progressMaximum, m_progressMaximum);
    m_options = m_generation->Options();
    const std::string base =
        m_options.helpDirectory + "/" + HelpProjectWriter::BaseName(m_options.helpFileName);
    HeldHelpMessages held;
    std::optional<HelpCompiler::CompileRun> run =
        HelpCompiler(m_platform, held)
            .BeginCompile(m_options.compilerPath, base + ".hhp",
                          m_options.helpDirectory + "/" + m_options.helpFileName);
    if (!run) {
        endWork();
        lockInput(false);
        setState(State::Idle);
        held.ReplayTo(m_messages);
        emit finished(Outcome::Failed);
        return;
    }
    m_ui.SetStatusText(kCompiling);
    // The book is no longer read: input is let through again, so the compiler can be stopped.
    if (m_waitCursor) {
        m_ui.EndWaitCursor();
        m_waitCursor = false;
    }
    lockInput(false);
    setState(State::Compiling);
    m_compilerProcess->Start(std::move(*run));
}

void HelpBuild::onCompilerFinished()
{
    // The question is still up: the answer comes first.
    if (m_askingToStop) {
        m_compileEndPending = true;
        return;
    }
    onCompiled();
}

void HelpBuild::requestStop()
{
    if (m_state != State::Compiling || m_askingToStop)
        return;
    m_askingToStop = true;
    const QMessageBox::StandardButton answer =
        m_prompts.message(m_window, QMessageBox::Question, kStopQuestion,
                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    m_askingToStop = false;
    // Ended meanwhile: nothing is left to stop, and its result stands.
    if (m_compileEndPending) {
        m_compileEndPending = false;
        onCompiled();
        return;
    }
    if (answer != QMessageBox::Yes)
        return;
    m_ui.SetStatusText(kStopping);
    setState(State::Stopping);
    m_compilerProcess->Stop();
}

void HelpBuild::onCompiled()
{
    if (m_compilerProcess->WasStopped()) {
        HelpCompiler::AbandonCompile(m_compilerProcess->Run());
        endWork(kStopped);
        setState(State::Idle);
        emit finished(Outcome::Stopped);
        return;
    }
    endWork();
    setState(State::Idle);
    HelpCompiler compiler(m_platform, m_messages);
    if (!compiler.FinishCompile(m_compilerProcess->Run(), m_compilerProcess->Result())) {
        emit finished(Outcome::Failed);
        return;
    }
    compiler.StoreHelpCompilerPath(m_options.compilerPath);
    compiler.OpenHelpFile(m_compilerProcess->Run().helpFilePath);
    emit finished(Outcome::Built);
}

void HelpBuild::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void HelpBuild::endWork(const std::string& status)
{
    if (m_waitCursor) {
        m_ui.EndWaitCursor();
        m_waitCursor = false;
    }
    m_ui.SetStatusText(status.empty() ? captionForStatus(m_caption) : status);
}

void HelpBuild::lockInput(bool locked)
{
    if (locked == m_inputLocked)
        return;
    m_inputLocked = locked;
    if (locked)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool HelpBuild::eventFilter(QObject* watched, QEvent* event)
{
    // While the project is written no window takes input and none closes; painting goes on.
    if (m_inputLocked && watched->isWidgetType()) {
        // Tooltips and popups close as they always do; windows and document windows stay.
        const Qt::WindowType type = static_cast<QWidget*>(watched)->windowType();
        if (event->type() == QEvent::Close && type != Qt::ToolTip && type != Qt::Popup) {
            event->ignore();
            return true;
        }
        if (isInputEvent(event->type())) {
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
