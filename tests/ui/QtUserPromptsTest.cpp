#include "QtUserPrompts.h"
#include "TestEnvironment.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class QtUserPromptsTest : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxShowsTextAndDefault()
    {
        QtUserPrompts prompts;
        QString shownText;
        QAbstractButton* shownDefault = nullptr;
        QAbstractButton* noButton = nullptr;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shownText = box->text();
            shownDefault = box->defaultButton();
            noButton = box->button(QMessageBox::No);
            box->button(QMessageBox::Yes)->click();
        });
        const QMessageBox::StandardButton answer =
            prompts.message(nullptr, QMessageBox::Question, QStringLiteral("Удалить запись?"),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        QCOMPARE(answer, QMessageBox::Yes);
        QCOMPARE(shownText, QStringLiteral("Удалить запись?"));
        QVERIFY(shownDefault);
        QCOMPARE(shownDefault, noButton);
    }

    void popupMenuReturnsTheChoiceOrNull()
    {
        QtUserPrompts prompts;
        QMenu menu;
        menu.addAction(QStringLiteral("Первое"));
        QAction* second = menu.addAction(QStringLiteral("Второе"));
        QTimer::singleShot(50, [&] {
            QTest::keyClick(&menu, Qt::Key_Down);
            QTest::keyClick(&menu, Qt::Key_Down);
            QTest::keyClick(&menu, Qt::Key_Return);
        });
        QCOMPARE(prompts.popupMenu(menu, QPoint(20, 20)), second);
        QTimer::singleShot(50, [&] { menu.close(); });
        QCOMPARE(prompts.popupMenu(menu, QPoint(20, 20)), static_cast<QAction*>(nullptr));
    }

    void execRunsTheDialogModally()
    {
        QtUserPrompts prompts;
        QDialog dialog;
        bool wasModal = false;
        QTimer::singleShot(0, [&] {
            wasModal = QApplication::activeModalWidget() == &dialog;
            dialog.done(7);
        });
        QCOMPARE(prompts.exec(dialog), 7);
        QVERIFY(wasModal);
        QVERIFY(!dialog.isVisible());
    }
};

int main(int argc, char** argv)
{
    return runUiTest<QtUserPromptsTest>(argc, argv);
}

#include "QtUserPromptsTest.moc"
