#pragma once

#include <QStringView>

// The preview's three fonts: body text, the bold title and the underlined headings.
enum class PreviewFont { Normal, Bold, Heading };

// Text extents for the preview's layout, one line at a time.
class ITextMeasurer
{
public:
    virtual ~ITextMeasurer() = default;

    // Width of `text` drawn on one line. Appending characters never makes it smaller: the layout
    // relies on that to search for line breaks instead of measuring every prefix.
    virtual int width(QStringView text, PreviewFont font) const = 0;
    // Height of a line in `font`, whatever the text.
    virtual int height(PreviewFont font) const = 0;
};
