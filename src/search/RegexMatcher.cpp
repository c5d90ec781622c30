#include "RegexMatcher.h"

#include "Cp1251.h"
#include "FoldTable.h"

#include <array>

namespace {

constexpr char16_t kUpperYo = u'\u0401'; // Ё
constexpr char16_t kLowerYo = u'\u0451'; // ё
constexpr char16_t kUpperYe = u'\u0415'; // Е
constexpr char16_t kLowerYe = u'\u0435'; // е

using CharTable = std::array<char16_t, 256>;

// Each byte's character; the one byte the code page leaves undefined becomes U+FFFD.
const CharTable& Characters()
{
    static const CharTable table = [] {
        CharTable chars{};
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString one = QString::fromStdString(Cp1251::ToUtf8(std::string_view(&byte, 1)));
            chars[std::size_t(b)] = one.size() == 1 ? one.front().unicode() : u'\uFFFD';
        }
        return chars;
    }();
    return table;
}

const CharTable& CharactersYoAsYe()
{
    static const CharTable table = [] {
        CharTable chars = Characters();
        for (char16_t& c : chars) {
            if (c == kUpperYo)
                c = kUpperYe;
            else if (c == kLowerYo)
                c = kLowerYe;
        }
        return chars;
    }();
    return table;
}

// The word characters of the code page as a character class.
QString WordClass()
{
    QString set = QStringLiteral("[");
    for (int b = 0; b < 256; ++b) {
        if (FoldTable::IsWordByte(char(b)))
            set += QStringLiteral("\\x{%1}").arg(unsigned(Characters()[std::size_t(b)]), 0, 16);
    }
    return set + u']';
}

// Joining fields with line breaks changes what `pattern` matches only through constructs that
// look past a field's ends; any group syntax but (?: might hide one, and is taken for one.
bool Joinable(const QString& pattern)
{
    for (qsizetype i = 0; i + 1 < pattern.size(); ++i) {
        const QChar c = pattern[i];
        const QChar next = pattern[i + 1];
        if (c == u'(' && next == u'*')
            return false;
        if (c == u'(' && next == u'?' && (i + 2 >= pattern.size() || pattern[i + 2] != u':'))
            return false;
        if (c == u'\\') {
            if (QStringView(u"AzZGK").contains(next))
                return false;
            ++i; // the escaped character is no syntax
        }
    }
    return true;
}

} // namespace

RegexMatcher::Build RegexMatcher::Create(const FindQuery& query)
{
    Build build;
    if (query.pattern.empty()) {
        build.status = FindStatus::EmptyPattern;
        return build;
    }
    QString pattern = QString::fromStdString(query.pattern);
    if (query.yoMatchesYe) {
        pattern.replace(QChar(kUpperYo), QChar(kUpperYe));
        pattern.replace(QChar(kLowerYo), QChar(kLowerYe));
    }
    QRegularExpression::PatternOptions options =
        QRegularExpression::MultilineOption | QRegularExpression::UseUnicodePropertiesOption;
    if (!query.caseSensitive)
        options |= QRegularExpression::CaseInsensitiveOption;

    // The user's pattern alone first, so what is wrong is told in its own terms.
    const QRegularExpression own(pattern, options);
    if (!own.isValid()) {
        build.status = FindStatus::InvalidRegex;
        build.error = own.errorString().toStdString();
        build.errorOffset = own.patternErrorOffset();
        return build;
    }
    QString full = QStringLiteral("(*ANYCRLF)");
    if (query.wholeWord) {
        // Neither end of a match between two word characters.
        const QString word = WordClass();
        const QString edge = QStringLiteral("(?:(?<!%1)|(?!%1))").arg(word);
        full += edge + QStringLiteral("(?:") + pattern + QStringLiteral(")") + edge;
    } else {
        full += pattern;
    }
    QRegularExpression regex(full, options);
    if (!regex.isValid()) {
        build.status = FindStatus::InvalidRegex;
        build.error = regex.errorString().toStdString();
        return build;
    }
    regex.optimize();
    build.matcher.reset(new RegexMatcher(std::move(regex), query.yoMatchesYe, Joinable(pattern)));
    return build;
}

RegexMatcher::RegexMatcher(QRegularExpression regex, bool yoMatchesYe, bool joinable)
    : m_regex(std::move(regex)), m_captureCount(m_regex.captureCount()), m_yoMatchesYe(yoMatchesYe),
      m_joinable(joinable)
{}

void RegexMatcher::AppendSubject(std::string_view text) const
{
    const CharTable& table = m_yoMatchesYe ? CharactersYoAsYe() : Characters();
    const qsizetype start = m_subject.size();
    m_subject.resize(start + qsizetype(text.size()));
    char16_t* out = reinterpret_cast<char16_t*>(m_subject.data()) + start;
    for (const char c : text)
        *out++ = table[static_cast<unsigned char>(c)];
}

void RegexMatcher::FindMatches(std::string_view text, std::vector<TextSpan>& matches,
                               std::vector<TextSpan>* groups) const
{
    m_subject.resize(0);
    AppendSubject(text);
    QRegularExpressionMatchIterator it =
        m_regex.globalMatch(m_subject, 0, QRegularExpression::NormalMatch,
                            QRegularExpression::DontCheckSubjectStringMatchOption);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength(0) == 0)
            continue; // an empty match marks no text
        matches.push_back(
            {std::size_t(match.capturedStart(0)), std::size_t(match.capturedLength(0))});
        if (!groups)
            continue;
        for (int g = 0; g <= m_captureCount; ++g) {
            const qsizetype start = match.capturedStart(g);
            groups->push_back(
                start < 0 ? TextSpan{}
                          : TextSpan{std::size_t(start), std::size_t(match.capturedLength(g))});
        }
    }
}

void RegexMatcher::FindMatchesInFields(std::span<const std::string_view> texts,
                                       std::span<std::vector<TextSpan>> matches) const
{
    if (!m_joinable || texts.size() < 2) {
        IFieldMatcher::FindMatchesInFields(texts, matches);
        return;
    }
    // Field i is [starts[i], starts[i] + size) of the subject; the break after it belongs to it.
    std::vector<std::size_t> starts;
    starts.reserve(texts.size() + 1);
    m_subject.resize(0);
    for (const std::string_view text : texts) {
        if (!starts.empty())
            m_subject += u'\n';
        starts.push_back(std::size_t(m_subject.size()));
        AppendSubject(text);
    }
    starts.push_back(std::size_t(m_subject.size()) + 1);
    auto fieldAt = [&starts](std::size_t position, std::size_t from) {
        while (position >= starts[from + 1])
            ++from;
        return from;
    };
    std::vector<bool> again(texts.size(), false);
    std::size_t field = 0;
    QRegularExpressionMatchIterator it =
        m_regex.globalMatch(m_subject, 0, QRegularExpression::NormalMatch,
                            QRegularExpression::DontCheckSubjectStringMatchOption);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const std::size_t start = std::size_t(match.capturedStart(0));
        const std::size_t length = std::size_t(match.capturedLength(0));
        if (length == 0)
            continue;
        field = fieldAt(start, field);
        const std::size_t last = fieldAt(start + length - 1, field);
        if (last == field && start + length <= starts[field] + texts[field].size()) {
            matches[field].push_back({start - starts[field], length});
            continue;
        }
        for (std::size_t f = field; f <= last; ++f)
            again[f] = true;
    }
    for (std::size_t f = 0; f < texts.size(); ++f) {
        if (!again[f])
            continue;
        matches[f].clear();
        FindMatches(texts[f], matches[f]);
    }
}
