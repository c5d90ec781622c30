#pragma once

class QCoreApplication;

// The program speaks Russian whatever the locale: Qt's own texts (standard buttons, the file
// dialog) come from Qt's Russian translations, and system reasons in messages (strerror) are
// Russian unless the user's locale asks for a language of its own.
class UiLanguage
{
public:
    // Loads Qt's Russian translations into `app`, with the few texts they lack; false when they
    // are not installed. Where the locale names no language, formats dates and numbers as
    // Russian does.
    static bool installQtTranslations(QCoreApplication& app);
    // When the messages locale names no language (C, POSIX) and LANGUAGE is not set, takes the
    // system's messages from an installed Russian locale; only the messages category changes.
    // True when system messages are Russian afterwards, as far as the locale tells.
    static bool preferRussianSystemMessages();
};
