#include "DocumentFileUi.h"

#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "IUiServices.h"
#include "RoundTripCheck.h"

#include <cerrno>
#include <cstring>
#include <iterator>

namespace {

std::string captionForStatus(std::string caption)
{
    if (caption.ends_with('*'))
        caption.pop_back();
    return caption;
}

// "1,5 МБ": a size for a person to read.
std::string readableSize(std::uint64_t bytes)
{
    static const char* const units[] = {"байт", "КБ", "МБ", "ГБ", "ТБ"};
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    if (unit == 0)
        return std::to_string(bytes) + " " + units[0];
    std::string text = std::to_string(static_cast<std::uint64_t>(value * 10 + 0.5));
    text.insert(text.size() - 1, ",");
    return text + " " + units[unit];
}

const char* recordsWord(std::size_t n)
{
    if (n % 10 == 1 && n % 100 != 11)
        return "запись";
    if (n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14))
        return "записи";
    return "записей";
}

std::string systemReason(int error)
{
    return std::strerror(error != 0 ? error : EIO);
}

// Why a save failed, in the user's words.
std::string saveFailureReason(const SaveResult& result)
{
    switch (result.problem) {
    case AtomicFile::Problem::LinkLoop:
        return "Символические ссылки, ведущие к файлу, замкнуты в кольцо.";
    case AtomicFile::Problem::FolderNotWritable:
        return "Папка \"" + result.folder +
               "\" закрыта для записи, хотя сам файл для записи открыт: сохранение создаёт "
               "новый файл в этой папке.";
    case AtomicFile::Problem::NoRoom:
        return "Книге нужно " + readableSize(result.neededBytes) + ", а свободно только " +
               readableSize(result.freeBytes) + ".";
    case AtomicFile::Problem::NotRegular:
        return "Это не обычный файл, а канал, устройство или сокет: сохранить документ можно "
               "только в файл.";
    case AtomicFile::Problem::TargetChanged:
        return "Пока документ сохранялся, на месте файла появился другой файл или символическая "
               "ссылка. Ничего не перезаписано.";
    case AtomicFile::Problem::CopyBackFailed:
        return systemReason(result.error) +
               "\nФайл мог остаться записанным не до конца. Документ целиком сохранён в файле \"" +
               result.keptPath + "\".";
    case AtomicFile::Problem::None:
    case AtomicFile::Problem::System:
        break;
    }
    return systemReason(result.error);
}

} // namespace

DocumentFileUi::DocumentFileUi(IUiServices& ui) : m_ui(ui) {}

void DocumentFileUi::beginWork(const std::string& status)
{
    m_ui.SetStatusText(status);
    m_ui.BeginWaitCursor();
}

void DocumentFileUi::endWork()
{
    m_ui.EndWaitCursor();
    // The caption as the work left it: a save names the book's new file in it.
    m_ui.SetStatusText(captionForStatus(m_ui.MainWindowCaption()));
}

bool DocumentFileUi::open(CZETbrowserDoc& doc, const std::string& path)
{
    beginWork("Чтение файла...");
    const OpenResult result = doc.OnOpenDocument(path);
    if (!result)
        m_ui.ShowError(openFailureMessage(path, result));
    else if (result.readError)
        m_ui.ShowError(readErrorMessage(*result.readError));
    endWork();
    return result.opened();
}

bool DocumentFileUi::save(CZETbrowserDoc& doc, const std::string& path,
                          const ChangesConfirmation& confirmChanges,
                          const std::optional<FileTarget>& expectedTarget)
{
    SaveOptions options;
    if (doc.wouldLoseUnreadPart(path)) {
        if (m_ui.AskYesNo(unreadPartQuestion(path), true) != IUiServices::Answer::Yes)
            return false;
        options.loseUnreadPart = true;
    }
    if (confirmChanges) {
        // The question is the user's to answer at leisure: no wait cursor over it.
        options.confirmChanges = [this, &confirmChanges](const RoundTripReport& report) {
            m_ui.EndWaitCursor();
            const bool agreed = confirmChanges(report);
            m_ui.BeginWaitCursor();
            return agreed;
        };
    }
    options.expectedTarget = expectedTarget;

    beginWork("Запись файла...");
    const SaveResult result = doc.OnSaveDocument(path, options);
    if (result.outcome == SaveResult::Outcome::Failed)
        m_ui.ShowError(saveFailureMessage(path, result));
    endWork();
    return result.saved();
}

std::string DocumentFileUi::openFailureMessage(const std::string& path, const OpenResult& result)
{
    return "Не удалось прочитать файл \"" + path + "\".\n" +
           (result.failure == WholeFile::Failure::NotRegular
                ? "Это не обычный файл, а канал, устройство или сокет: открыть можно только файл."
                : std::strerror(result.error));
}

std::string DocumentFileUi::readErrorMessage(const ReadError& error)
{
    if (error.kind != ReadError::Kind::Structure)
        return "Ошибка при чтении файла синтаксис - помощника!";
    return "Нарушена структура файла синтаксис - помощника!\nстрока " + std::to_string(error.line) +
           ", столбец " + std::to_string(error.column);
}

std::string DocumentFileUi::unreadPartQuestion(const std::string& path)
{
    return "Файл \"" + path +
           "\" был прочитан не полностью: в нём нарушена структура.\n"
           "Если сохранить документ в этот файл, непрочитанная часть файла будет потеряна.\n"
           "Сохранить?";
}

std::string DocumentFileUi::saveFailureMessage(const std::string& path, const SaveResult& result)
{
    return "Не удалось сохранить файл \"" + path + "\".\n" + saveFailureReason(result);
}

std::string DocumentFileUi::describeRoundTripChanges(const CZETbrowserDoc& doc,
                                                     const RoundTripReport& report,
                                                     std::size_t maxRecords)
{
    constexpr std::size_t kLongestPath = 120; // bytes; a deep record keeps the end of its path
    std::string text;
    std::size_t shown = 0;
    for (const RoundTripChange& change : report.changes) {
        if (shown == maxRecords)
            break;
        ++shown;
        std::string path = doc.RecordPath(change.recordId, false);
        if (path.empty())
            path = doc.RecordPath(change.recordId, true);
        if (path.size() > kLongestPath)
            path = "\x85" + path.substr(path.size() - kLongestPath); // "…" in Windows-1251
        text += path.empty() ? std::string("(без наименования)") : "«" + Cp1251::ToUtf8(path) + "»";
        text += ": ";
        for (std::size_t i = 0; i < change.fields.size(); ++i) {
            if (i > 0)
                text += ", ";
            text += FieldLabel(change.fields[i]);
        }
        text += '\n';
    }
    const std::size_t more = report.changes.size() - shown;
    if (more > 0)
        text += "…и ещё " + std::to_string(more) + " " + recordsWord(more) + "\n";
    if (report.extraRecords > 0)
        text += "При чтении появятся лишние записи: " + std::to_string(report.extraRecords) + "\n";
    return text;
}
