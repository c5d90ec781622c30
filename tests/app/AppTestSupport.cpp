#include "AppTestSupport.h"

#include "FileBytes.h"
#include "TestSupport.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

QByteArray cp1251(const char* utf8)
{
    return QByteArray::fromStdString(W(utf8));
}

QByteArray sampleBook()
{
    return cp1251("{\"Shell\",\r\n"
                  " {\"Folder\",\"AST\",\"Функции\",\"Fn\",\r\n"
                  "  {\"Item\",\"AST\",\"Длина\",\"Len\",\"Длина\",\"Len\",\r\n"
                  "\"@Синтаксис:\r\nДлина(Стр)\r\n\"\r\n"
                  "  }\r\n"
                  " },\r\n"
                  " {\"Item\",\"AST\",\"Сообщить\",\"Message\",\"\",\"\",\r\n"
                  "\"\"\r\n"
                  " }\r\n"
                  "}\r\n");
}

QByteArray readAll(const QString& path)
{
    return QByteArray::fromStdString(ReadBytes(path.toStdString()));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    WriteBytes(path.toStdString(), bytes.toStdString());
    return QFileInfo(path).size() == bytes.size();
}

QStringList menuTitles(QMenuBar* bar)
{
    QStringList titles;
    const auto actions = bar->actions();
    for (QAction* action : actions)
        titles << action->text();
    return titles;
}

QMenu* fileMenu(CMainFrame* frame)
{
    return frame->menuBar()->actions().value(0)->menu();
}

QStringList entries(QMenu* menu)
{
    QStringList result;
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (action->isSeparator())
            result << QStringLiteral("-");
        else if (action->isVisible())
            result << action->text();
    }
    return result;
}

QAction* entry(QMenu* menu, const QString& text)
{
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (action->isVisible() && action->text() == text)
            return action;
    }
    return nullptr;
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void AppTestCase::initApp()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_prompts = ScriptedPrompts();
    QSettings(CZETbrowserApp::kProfileName).clear();
}

void AppTestCase::cleanupApp()
{
    settle();
    m_dir.reset();
}

std::unique_ptr<CZETbrowserApp> AppTestCase::startApp(const QStringList& args,
                                                      std::optional<int>* status)
{
    auto app = std::make_unique<CZETbrowserApp>(m_prompts);
    QStringList argv = {QStringLiteral("zetbrowser")};
    argv += args;
    const auto result = app->InitInstance(argv);
    if (status != nullptr)
        *status = result;
    return app;
}

QString AppTestCase::bookPath(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir->filePath(name);
    if (!bytes.isNull())
        writeFile(path, bytes);
    return path;
}
