#include "HtmlTokenizer.h"

#include "TextUtil.h"

#include <cstring>

namespace chm {

namespace {

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == ':' || c == '_' || c == '.';
}

} // namespace

const HtmlTokenizer::Attribute* HtmlTokenizer::Tag::find(std::string_view attributeName) const
{
    for (const Attribute& attribute : attributes) {
        if (TextUtil::equalsIgnoreCase(attribute.name, attributeName))
            return &attribute;
    }
    return nullptr;
}

bool HtmlTokenizer::next(Tag& tag)
{
    const std::size_t size = m_text.size();
    while (m_position < size) {
        const void* found = std::memchr(m_text.data() + m_position, '<', size - m_position);
        if (found == nullptr) {
            m_position = size;
            return false;
        }
        std::size_t i = static_cast<const char*>(found) - m_text.data();
        const std::size_t begin = i;
        ++i;
        if (i >= size) {
            m_position = size;
            return false;
        }
        if (m_text[i] == '!') {
            if (m_text.substr(i, 3) == "!--") {
                const std::size_t close = m_text.find("-->", i + 3);
                m_position = close == std::string_view::npos ? size : close + 3;
            } else {
                const std::size_t close = m_text.find('>', i);
                m_position = close == std::string_view::npos ? size : close + 1;
            }
            continue;
        }
        if (m_text[i] == '?') {
            const std::size_t close = m_text.find('>', i);
            m_position = close == std::string_view::npos ? size : close + 1;
            continue;
        }
        const bool closing = m_text[i] == '/';
        if (closing)
            ++i;
        const std::size_t nameStart = i;
        while (i < size && isNameChar(m_text[i]))
            ++i;
        if (i == nameStart) {
            // A "<" in text, not a tag.
            m_position = nameStart;
            continue;
        }
        tag.name = m_text.substr(nameStart, i - nameStart);
        tag.closing = closing;
        tag.attributes.clear();
        tag.begin = begin;
        // Attributes up to the closing ">"; quoted values may hold ">".
        while (i < size && m_text[i] != '>') {
            if (TextUtil::isSpace(m_text[i]) || m_text[i] == '/') {
                ++i;
                continue;
            }
            const std::size_t attributeStart = i;
            while (i < size && m_text[i] != '=' && m_text[i] != '>' &&
                   !TextUtil::isSpace(m_text[i]) &&
                   !(m_text[i] == '/' && i + 1 < size && m_text[i + 1] == '>'))
                ++i;
            Attribute attribute;
            attribute.name = m_text.substr(attributeStart, i - attributeStart);
            if (attribute.name.empty()) {
                ++i; // a stray character
                continue;
            }
            std::size_t j = i;
            while (j < size && TextUtil::isSpace(m_text[j]))
                ++j;
            if (j < size && m_text[j] == '=') {
                ++j;
                while (j < size && TextUtil::isSpace(m_text[j]))
                    ++j;
                if (j < size && (m_text[j] == '"' || m_text[j] == '\'')) {
                    const char quote = m_text[j];
                    const std::size_t close = m_text.find(quote, j + 1);
                    const std::size_t valueEnd = close == std::string_view::npos ? size : close;
                    attribute.value = m_text.substr(j + 1, valueEnd - j - 1);
                    i = valueEnd == size ? size : valueEnd + 1;
                } else {
                    const std::size_t valueStart = j;
                    while (j < size && m_text[j] != '>' && !TextUtil::isSpace(m_text[j]))
                        ++j;
                    attribute.value = m_text.substr(valueStart, j - valueStart);
                    i = j;
                }
            }
            tag.attributes.push_back(attribute);
        }
        tag.end = i < size ? i + 1 : size;
        m_position = tag.end;
        // The insides of scripts and styles are not markup.
        if (!closing && (TextUtil::equalsIgnoreCase(tag.name, "script") ||
                         TextUtil::equalsIgnoreCase(tag.name, "style"))) {
            const std::size_t close = findEndTag(tag.name, m_position);
            m_position = close == std::string_view::npos ? size : close;
        }
        return true;
    }
    return false;
}

std::size_t HtmlTokenizer::findEndTag(std::string_view name, std::size_t from) const
{
    for (std::size_t i = m_text.find("</", from); i != std::string_view::npos;
         i = m_text.find("</", i + 2)) {
        if (TextUtil::startsWithIgnoreCase(m_text.substr(i + 2), name) &&
            (i + 2 + name.size() >= m_text.size() || !isNameChar(m_text[i + 2 + name.size()])))
            return i;
    }
    return std::string_view::npos;
}

std::string_view HtmlTokenizer::textUntilEndTag(std::string_view name)
{
    const std::size_t close = findEndTag(name, m_position);
    const std::size_t end = close == std::string_view::npos ? m_text.size() : close;
    const std::string_view text = m_text.substr(m_position, end - m_position);
    if (close == std::string_view::npos) {
        m_position = m_text.size();
    } else {
        const std::size_t gt = m_text.find('>', close);
        m_position = gt == std::string_view::npos ? m_text.size() : gt + 1;
    }
    return text;
}

std::string HtmlTokenizer::decodeEntities(std::string_view value)
{
    if (value.find('&') == std::string_view::npos)
        return std::string(value);
    std::string result;
    result.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '&') {
            result += value[i];
            continue;
        }
        const std::size_t semicolon = value.find(';', i);
        if (semicolon == std::string_view::npos || semicolon - i > 10) {
            result += '&';
            continue;
        }
        const std::string_view entity = value.substr(i + 1, semicolon - i - 1);
        char decoded = 0;
        if (entity == "amp")
            decoded = '&';
        else if (entity == "lt")
            decoded = '<';
        else if (entity == "gt")
            decoded = '>';
        else if (entity == "quot")
            decoded = '"';
        else if (entity == "apos")
            decoded = '\'';
        else if (entity == "nbsp")
            decoded = ' ';
        else if (entity.size() >= 2 && entity[0] == '#') {
            unsigned code = 0;
            bool valid = true;
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            for (char c : entity.substr(hex ? 2 : 1)) {
                unsigned digit;
                if (c >= '0' && c <= '9')
                    digit = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    digit = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F')
                    digit = c - 'A' + 10;
                else {
                    valid = false;
                    break;
                }
                code = code * (hex ? 16 : 10) + digit;
                if (code >= 0x80) {
                    valid = false;
                    break;
                }
            }
            if (valid && code > 0)
                decoded = static_cast<char>(code);
        }
        if (decoded == 0) {
            result += '&';
            continue;
        }
        result += decoded;
        i = semicolon;
    }
    return result;
}

} // namespace chm
