#include "CZETbrowserApp.h"
#include "QtUserPrompts.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QtUserPrompts prompts;
    CZETbrowserApp app(prompts);
    if (const auto status = app.InitInstance(QCoreApplication::arguments()))
        return *status;
    return QApplication::exec();
}
