#include "UiLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>
#include <cstdlib>
#include <string_view>

namespace {

bool namesNoLanguage(std::string_view locale)
{
    return locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C.");
}

// The few texts of the file dialog that Qt's Russian catalogue lacks: the type column.
class MissingQtTexts : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        if (std::string_view(context) != "QAbstractFileIconProvider")
            return {};
        static const struct
        {
            const char* source;
            const char* russian;
        } texts[] = {{"Folder", "Папка"},
                     {"Drive", "Диск"},
                     {"File", "Файл"},
                     {"%1 File", "Файл %1"},
                     {"Shortcut", "Ярлык"}};
        for (const auto& text : texts) {
            if (std::string_view(sourceText) == text.source)
                return QString::fromUtf8(text.russian);
        }
        return {};
    }
};

} // namespace

bool UiLanguage::installQtTranslations(QCoreApplication& app)
{
    const QString name = QStringLiteral("qtRussianTranslations");
    if (app.findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly) != nullptr)
        return true;
    // qtbase holds the standard buttons, message boxes and the file dialog.
    auto* translator = new QTranslator(&app);
    translator->setObjectName(name);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    QCoreApplication::installTranslator(new MissingQtTexts(&app));
    // Dates and sizes in the dialogs as Russian writes them, unless the user's locale names a
    // language of its own.
    if (QLocale::system().language() == QLocale::C)
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    return true;
}

bool UiLanguage::preferRussianSystemMessages()
{
    const char* current = std::setlocale(LC_MESSAGES, nullptr);
    const std::string_view messages = current ? current : "";
    if (messages.starts_with("ru"))
        return true;
    const char* language = std::getenv("LANGUAGE");
    if (!namesNoLanguage(messages) || (language != nullptr && *language != '\0'))
        return false;
    for (const char* russian : {"ru_RU.UTF-8", "ru_RU.utf8", "ru_UA.UTF-8", "ru_UA.utf8"}) {
        if (std::setlocale(LC_MESSAGES, russian) != nullptr)
            return true;
    }
    return false;
}
