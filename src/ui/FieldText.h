#pragma once

#include <QString>

#include <cstddef>
#include <string>

// One record field as an edit shows it: the bytes it was loaded from and the text the edit was
// given. Turning the edit's text back into bytes converts only the part that differs from what
// was loaded, so every byte the user did not touch stays as it was (line breaks that are not CR
// LF, bytes the code page leaves undefined) and a keystroke in a long field converts only what
// it changed.
class FieldText
{
public:
    // The text of an edit's document: line breaks (CR LF, a lone CR or a lone LF) as paragraph
    // separators, each byte as its Windows-1251 character.
    static QString EditText(const std::string& bytes);

    // Where the byte `offset` of `bytes` stands in their EditText: a line break's bytes are one
    // character there (an offset inside CR LF stands after it).
    static qsizetype TextOffset(const std::string& bytes, std::size_t offset);

    // Takes `bytes` as the field's stored value; returns its EditText.
    const QString& load(const std::string& bytes);

    const std::string& bytes() const { return m_bytes; }
    const QString& text() const { return m_text; }
    bool isChanged(const QString& editText) const { return editText != m_text; }

    struct Stored
    {
        std::string bytes;
        // The converted part of `bytes`; the rest is the loaded bytes.
        std::size_t begin = 0;
        std::size_t end = 0;
        // Every character of the converted part fits the code page (else it holds '?').
        bool lossless = true;
        // The converted part of the edit's text.
        qsizetype textBegin = 0;
        qsizetype textEnd = 0;
    };
    // The field's bytes for the edit's text: the loaded bytes around the part that differs from
    // the loaded text, that part converted (paragraph and line separators as CR LF). Linear in
    // the field's size.
    Stored store(const QString& editText) const;
    // What store() gives, as text, but with the characters the code page cannot hold as typed
    // instead of the '?' that stands for them in the bytes: the field as a label shows it.
    QString shownText(const QString& editText) const;

private:
    std::string m_bytes;
    QString m_text;
};
