#pragma once

#include "OpenResult.h"
#include "SaveResult.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

class CZETbrowserDoc;
class IUiServices;
struct FileTarget;
struct ReadError;
struct RoundTripReport;

// Opening and saving a book as the user sees it: the status bar's "Чтение файла..." or
// "Запись файла..." behind the wait cursor, then the main window's caption again (less a final
// "*"), and the messages and questions around the document's own open and save. Texts are UTF-8;
// paths appear as given.
class DocumentFileUi
{
public:
    using ChangesConfirmation = std::function<bool(const RoundTripReport&)>;

    explicit DocumentFileUi(IUiServices& ui);

    // Reads `path` into `doc`. A file that cannot be read is told, and the result is false; a
    // structure error is told too, and the book opens with the records before it.
    bool open(CZETbrowserDoc& doc, const std::string& path);
    // Writes `doc` to `path`. A file read only in part is asked about first (default No). With
    // `confirmChanges`, records that would read back otherwise are put to it with the wait
    // cursor off; declined, the save ends without a word. With `expectedTarget` nothing is
    // written unless the path still leads to that file. A failure is told. True once saved.
    bool save(CZETbrowserDoc& doc, const std::string& path,
              const ChangesConfirmation& confirmChanges = {},
              const std::optional<FileTarget>& expectedTarget = std::nullopt);

    // "Не удалось прочитать файл "PATH".\n" and why.
    static std::string openFailureMessage(const std::string& path, const OpenResult& result);
    // The fixed message and, for a structure error, where: "\nстрока L, столбец C".
    static std::string readErrorMessage(const ReadError& error);
    // The question before a save overwrites the file read only in part.
    static std::string unreadPartQuestion(const std::string& path);
    // "Не удалось сохранить файл "PATH".\n" and why.
    static std::string saveFailureMessage(const std::string& path, const SaveResult& result);
    // The first few changed records and their fields as lines for a question, each
    // "«path»: label, label", and "…и ещё N записей" when more records changed than
    // `maxRecords`.
    static std::string describeRoundTripChanges(const CZETbrowserDoc& doc,
                                                const RoundTripReport& report,
                                                std::size_t maxRecords = 5);

private:
    void beginWork(const std::string& status);
    void endWork();

    IUiServices& m_ui;
};
