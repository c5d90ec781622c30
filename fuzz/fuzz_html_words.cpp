// Fuzzes the help compiler's reading of pages for the full-text index: no crash, no hang, and
// every word it gives is a word (letters and digits of the code page, lower-cased, apostrophes
// and dots only inside); the index built from the page is laid out in whole nodes.

#include "CodePageCharacters.h"
#include "FullTextIndexBuilder.h"
#include "HtmlWordExtractor.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

void checkWords(const chm::CodePageCharacters& characters, std::string_view html)
{
    chm::HtmlWordExtractor extractor(characters);
    extractor.extract(html);
    for (const chm::HtmlWordExtractor::Word& w : extractor.words()) {
        const std::string_view word = extractor.word(w);
        if (word.empty() || word.size() > chm::HtmlWordExtractor::kMaxWordLength)
            std::abort();
        if (word.front() == '\'' || word.front() == '.' || word.back() == '\'' ||
            word.back() == '.')
            std::abort();
        for (const char c : word) {
            const auto b = static_cast<unsigned char>(c);
            const chm::CodePageCharacters::Kind kind = characters.kind(b);
            const bool partOfWord = kind == chm::CodePageCharacters::kLetter ||
                                    kind == chm::CodePageCharacters::kDigit || c == '\'' ||
                                    c == '.';
            if (!partOfWord || characters.lower(b) != b)
                std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view html(reinterpret_cast<const char*>(data), size);
    static const chm::CodePageCharacters cyrillic(1251, 0x419);
    static const chm::CodePageCharacters turkish(1254, 0x41F);
    checkWords(cyrillic, html);
    checkWords(turkish, html);

    chm::FullTextIndexBuilder builder(1251, 0x419);
    builder.addTopic(0, html);
    builder.addTopic(9, html.substr(size / 2));
    const std::vector<std::uint8_t> index = builder.finish();
    if (index.size() < 0x400 + 4096 || index[2] != 0x28)
        std::abort();
    return 0;
}
