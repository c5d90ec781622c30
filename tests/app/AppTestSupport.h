#pragma once

#include "CChildFrame.h"
#include "CMainFrame.h"
#include "CZETbrowserApp.h"
#include "CZETbrowserDoc.h"
#include "DocumentManager.h"
#include "ScriptedPrompts.h"
#include "TestEnvironment.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;

// Windows-1251 bytes of a UTF-8 literal.
QByteArray cp1251(const char* utf8);
// A two-section book of a made-up language.
QByteArray sampleBook();
QByteArray readAll(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);

QStringList menuTitles(QMenuBar* bar);
QMenu* fileMenu(CMainFrame* frame);
// The visible entries of `menu`, separators as "-".
QStringList entries(QMenu* menu);
QAction* entry(QMenu* menu, const QString& text);
// Lets closed windows go and queued updates run.
void settle();

// The common ground of the application tests: a folder for books, the scripted prompts, an
// empty profile, and the program started with given arguments. Each test class calls
// initApp() and cleanupApp() from its init() and cleanup().
class AppTestCase : public QObject
{
protected:
    void initApp();
    void cleanupApp();
    std::unique_ptr<CZETbrowserApp> startApp(const QStringList& args,
                                             std::optional<int>* status = nullptr);
    // A book file in the test's folder; null bytes name a file that is not written.
    QString bookPath(const QString& name, const QByteArray& bytes = sampleBook());

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts m_prompts;
};
