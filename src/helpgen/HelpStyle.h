#pragma once

// Page style of the topic pages, as numbered by the help dialog's radio group.
enum class HelpStyle : int {
    SyntaxHelper = 0,
    HtmlTable = 1,
};
