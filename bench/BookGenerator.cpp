#include "BookGenerator.h"

#include "Cp1251.h"

#include <array>
#include <random>
#include <string_view>
#include <vector>

namespace {

constexpr std::array kWordsUtf8 = {
    "строка",    "число",      "значение", "массив",    "элемент",   "список",  "таблица",
    "колонка",   "индекс",     "ключ",     "результат", "параметр",  "вызов",   "функция",
    "процедура", "объект",     "свойство", "метод",     "дата",      "время",   "период",
    "условие",   "выражение",  "цикл",     "ошибка",    "сообщение", "файл",    "каталог",
    "запрос",    "выборка",    "поле",     "запись",    "набор",     "отбор",   "порядок",
    "длина",     "позиция",    "символ",   "подстрока", "формат",    "шаблон",  "режим",
    "признак",   "истина",     "ложь",     "пустое",    "новый",     "текущий", "первый",
    "последний", "возвращает", "содержит", "задает",    "проверяет", "удаляет", "добавляет",
    "находит",   "получает",   "если",     "иначе",     "для",       "каждого", "из",
    "по",        "не",         "и",        "или",       "при",       "без",     "над"};

constexpr std::array kIdentifiers = {
    "Len",    "Find",  "Insert", "Delete", "Count", "Value", "Table",  "Query",  "Format",
    "Date",   "Time",  "Period", "Upper",  "Lower", "Trim",  "Left",   "Right",  "Mid",
    "Number", "Round", "Array",  "List",   "Map",   "Key",   "Select", "Filter", "Order"};

struct Vocabulary
{
    std::vector<std::string> words;       // Windows-1251
    std::vector<std::string> capitalised; // first letter upper case
    std::string global = Cp1251::FromUtf8("Глоб");
    std::string syntax = Cp1251::FromUtf8("@Синтаксис:\r\n");
    std::string purpose = Cp1251::FromUtf8("@Назначение:\r\n");
    std::string parameters = Cp1251::FromUtf8("@Параметры:\r\n");
    std::string example = Cp1251::FromUtf8("@Пример:\r\n");
};

const Vocabulary& vocabulary()
{
    static const Vocabulary vocab = [] {
        Vocabulary v;
        for (const char* word : kWordsUtf8) {
            std::string cp = Cp1251::FromUtf8(word);
            std::string cap = cp;
            cap[0] = Cp1251::ToUpper(cap[0]);
            v.words.push_back(std::move(cp));
            v.capitalised.push_back(std::move(cap));
        }
        return v;
    }();
    return vocab;
}

// Emits one book in the writer's exact layout: depth blanks before every record line, CR LF.
class BookWriter
{
public:
    BookWriter(std::size_t records, unsigned seed) : m_records(records), m_random(seed) {}

    std::string run()
    {
        if (m_records == 0)
            return {};
        m_out.reserve(m_records * 560);
        m_out += "{\"Shell\",\r\n";
        for (std::size_t i = 0; i < m_records; ++i) {
            const std::size_t depth = m_open.size();
            if (depth == 0)
                m_targetDepth = 3 + pick(3); // sections in this branch nest 3 to 5 deep
            if (depth < m_targetDepth || (depth < 5 && chance(4))) {
                writeFolder(depth + 1);
                m_open.push_back(depth + 1);
                continue;
            }
            writeItem(depth + 1);
            // Close a few sections now and then, so siblings and subtrees of all sizes appear.
            while (!m_open.empty() && chance(m_open.size() == 1 ? 2 : 7))
                closeFolder();
        }
        while (!m_open.empty())
            closeFolder();
        m_out += '}';
        return std::move(m_out);
    }

private:
    std::size_t pick(std::size_t n)
    {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_random);
    }
    bool chance(unsigned percent) { return pick(100) < percent; }

    void indent(std::size_t depth) { m_out.append(depth, ' '); }

    void closeFolder()
    {
        indent(m_open.back());
        m_out += "},\r\n";
        m_open.pop_back();
    }

    void words(std::size_t count, bool capitalise)
    {
        const Vocabulary& vocab = m_vocab;
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0)
                m_out += ' ';
            const std::size_t w = pick(vocab.words.size());
            m_out += (capitalise && i == 0) ? vocab.capitalised[w] : vocab.words[w];
        }
    }

    void identifier()
    {
        m_out += kIdentifiers[pick(kIdentifiers.size())];
        m_out += kIdentifiers[pick(kIdentifiers.size())];
    }

    void value(void (BookWriter::*fill)())
    {
        m_out += '"';
        (this->*fill)();
        m_out += "\",";
    }

    void shortName() { words(1 + pick(2), true); }
    void latinName() { identifier(); }
    void membership() { m_out += chance(85) ? "AST" : m_vocab.global; }
    void nothing() {}

    void writeFolder(std::size_t depth)
    {
        indent(depth);
        m_out += "{\"Folder\",";
        value(&BookWriter::membership);
        value(&BookWriter::shortName);
        value(chance(80) ? &BookWriter::latinName : &BookWriter::nothing);
        m_out += "\r\n";
    }

    // One sentence of several words, ended by a full stop and CR LF.
    void sentence(std::size_t minWords, std::size_t extraWords)
    {
        words(minWords + pick(extraWords), true);
        m_out += ".\r\n";
    }

    void writeItem(std::size_t depth)
    {
        indent(depth);
        m_out += "{\"Item\",";
        value(&BookWriter::membership);
        const std::size_t nameStart = m_out.size() + 1;
        value(&BookWriter::shortName);
        const std::string name = m_out.substr(nameStart, m_out.size() - 2 - nameStart);
        value(&BookWriter::latinName);
        m_out += '"';
        m_out += name;
        m_out += "(<";
        words(1, false);
        m_out += ">)\",";
        value(&BookWriter::latinName);
        m_out += "\r\n\"";

        if (chance(3)) { // an entry with every long field empty
            m_out += "\"\r\n";
        } else {
            m_out += m_vocab.syntax;
            m_out += name;
            m_out += '(';
            for (std::size_t i = 0, n = 1 + pick(4); i < n; ++i) {
                if (i > 0)
                    m_out += ", ";
                m_out += '<';
                words(1 + pick(2), true);
                m_out += '>';
            }
            m_out += ")\r\n";

            m_out += m_vocab.purpose;
            for (std::size_t i = 0, n = 2 + pick(3); i < n; ++i)
                sentence(5, 8);

            if (chance(80)) {
                m_out += m_vocab.parameters;
                for (std::size_t i = 0, n = 1 + pick(4); i < n; ++i) {
                    m_out += '<';
                    words(1 + pick(2), true);
                    m_out += "> - ";
                    sentence(4, 8);
                }
            }
            if (chance(40)) {
                m_out += m_vocab.example;
                for (std::size_t i = 0, n = 1 + pick(3); i < n; ++i) {
                    m_out += '\t';
                    identifier();
                    m_out += " = ";
                    m_out += name;
                    m_out += "(";
                    words(1, false);
                    m_out += ");\r\n";
                }
            }
            m_out += "\"\r\n";
        }
        indent(depth);
        m_out += "}\r\n";
    }

    const Vocabulary& m_vocab = vocabulary();
    std::size_t m_records;
    std::mt19937 m_random;
    std::string m_out;
    std::vector<std::size_t> m_open; // depth of every open section, innermost last
    std::size_t m_targetDepth = 3;
};

} // namespace

std::string GenerateBook(std::size_t records, unsigned seed)
{
    return BookWriter(records, seed).run();
}
