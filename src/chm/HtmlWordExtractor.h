#pragma once

#include "CodePageCharacters.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chm {

// The words a reader sees on an HTML page, in the order they stand, lower-cased, in the page's
// code page.
//
// A word is a run of letters and digits. An apostrophe between two of them belongs to the word
// ("don't", the typographic one is stored as '), so does a dot between two digits ("3.14");
// every other character ends it, the underscore too: page titles join their words with
// underscores ("Версия_языка_19") and each of them must be found. A soft hyphen is dropped.
// Words longer than kMaxWordLength bytes are not words anyone searches for and are left out.
//
// Text is everything outside markup whatever attributes the tags carry; comments, <script> and
// <style> are skipped; character references (named, decimal, hexadecimal) are decoded into the
// code page, and a character the code page cannot hold ends the word. Tags that format text
// within a line (<b>, <span>, <a>, ...) do not split a word, all others do (<br>, <td>, ...).
// The text of <title> gives title words.
class HtmlWordExtractor
{
public:
    static constexpr std::size_t kMaxWordLength = 99;

    struct Word
    {
        std::uint32_t offset; // into text()
        std::uint8_t length;
        bool inTitle;
    };

    explicit HtmlWordExtractor(const CodePageCharacters& characters);

    // Reads one page; the words of the previous one are dropped.
    void extract(std::string_view html);

    const std::vector<Word>& words() const { return m_words; }
    std::string_view word(const Word& w) const
    {
        return std::string_view(m_text).substr(w.offset, w.length);
    }

private:
    using Iterator = const char*;

    Iterator letters(Iterator p, Iterator end);
    Iterator markup(Iterator p, Iterator end);
    Iterator titleMarkup(Iterator p, Iterator end);
    Iterator reference(Iterator p, Iterator end);
    void character(char32_t codePoint);
    void byte(unsigned char b);

    void letter(unsigned char lowerByte, bool digit);
    void append(char c);
    void apostrophe();
    void dot();
    void endWord();
    void setInTitle(bool inTitle);

    const CodePageCharacters& m_characters;
    std::vector<Word> m_words;
    std::string m_text;
    std::size_t m_wordStart = 0;
    std::size_t m_wordLength = 0; // all its bytes, also those past the longest kept
    char m_pending = 0;           // an apostrophe or dot that joins if a letter or digit follows
    bool m_lastWasDigit = false;
    bool m_inTitle = false;
};

} // namespace chm
