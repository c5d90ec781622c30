#pragma once

#include "BookSearch.h"
#include "FindQuery.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CChildFrame;
class CZETbrowserDoc;
class QWidget;
class UserPrompts;

// Replaces what a search found, book by book: the form's edits of every book concerned are
// settled first, text a book cannot hold is refused, text that would not survive a save is asked
// about, and each book changed takes one step of its undo history.
class BookReplacer
{
public:
    // The occurrences of one book, in the order they were listed.
    struct Occurrences
    {
        CZETbrowserDoc* doc = nullptr;
        std::vector<FindOccurrence> found;
    };
    struct Result
    {
        // The replace was carried out (not cancelled, refused or left with nothing to do).
        bool done = false;
        std::size_t replaced = 0;
        // Occurrences that no longer stand as they were found: left as they are.
        std::size_t stale = 0;
        // Nothing was left to replace: everything found has changed since.
        bool nothingLeft = false;
        // The characters of the replacement the book cannot hold (nothing was replaced).
        std::vector<std::string> unencodable;
    };

    // `frameOf` finds a book's window (null once it is closed); questions are asked over `parent`.
    BookReplacer(UserPrompts& prompts, QWidget* parent,
                 std::function<CChildFrame*(const CZETbrowserDoc*)> frameOf);

    // `chosenRecord` is the record shown after the replace (0: each book's current one).
    Result replace(std::vector<Occurrences> books, const FindQuery& searched,
                   const std::string& replacement, std::uint32_t chosenRecord);

private:
    UserPrompts& m_prompts;
    QWidget* m_parent;
    std::function<CChildFrame*(const CZETbrowserDoc*)> m_frameOf;
};
