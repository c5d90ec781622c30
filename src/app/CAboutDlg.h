#pragma once

#include <QDialog>

#include <array>

class CColorLabel;
class CLinkLabel;
class UserPrompts;

// "О программе ZET browser": the program's name and version, what it is for, the hot keys of
// the structure tree and of the input form, and the authors' contact link. A link that cannot
// be opened is reported through the program's prompts.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(UserPrompts& prompts, QWidget* parent = nullptr);

    static const QString kContactLink;

    // The headings, top to bottom.
    const std::array<CColorLabel*, 3>& headings() const { return m_headings; }
    CLinkLabel* linkLabel() const { return m_link; }

private:
    void OnInitDialog();

    UserPrompts& m_prompts;
    std::array<CColorLabel*, 3> m_headings{}; // child widgets
    CLinkLabel* m_link = nullptr;
};
