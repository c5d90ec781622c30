#include "HelpProjectWriter.h"

#include "Ascii.h"
#include "CZETbrowserDoc.h"
#include "Cp1251.h"
#include "DepthTracker.h"
#include "HelpIndex.h"
#include "HelpProgress.h"
#include "IHelpMessages.h"
#include "OutputFile.h"
#include "RecordLabel.h"
#include "RecordPathTracker.h"
#include "TopicPageWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// The longest file name Linux file systems take.
constexpr std::size_t kLongestFileName = 255;

constexpr std::string_view kListHeader =
    "<html>\r\n<head>\r\n<meta name=\"GENERATOR\" "
    "content=\"ZET browser\">\r\n</head>\r\n<body>\r\n<UL>\r\n";
constexpr std::string_view kListFooter = "</UL>\r\n</body>\r\n</html>\r\n";

// Writes the keyword index file's text; a failed write shows when the file is closed.
void WriteIndex(const HelpIndex& index, OutputFile& file)
{
    file.Write(kListHeader);
    for (const IndexEntry& entry : index.entries()) {
        file.Write("\t<LI> <OBJECT type=\"text/sitemap\">\r\n\t\t<param name=\"Name\" value=\"");
        file.Write(entry.keyword);
        file.Write("\">\r\n");
        for (const IndexTopic& topic : entry.topics) {
            file.Write("\t\t<param name=\"Name\" value=\"");
            file.Write(topic.title);
            file.Write("\">\r\n\t\t<param name=\"Local\" value=\"");
            file.Write(topic.local);
            file.Write("\">\r\n");
        }
        file.Write("\t\t</OBJECT>\r\n");
    }
    file.Write(kListFooter);
}

std::string StyleSheet(TextAlignment alignment)
{
    const std::string w = alignment == TextAlignment::Justify ? "justify" : "left";
    return "div{\r\n"
           "text-align:'" +
           w +
           "';\r\n"
           "}\r\n"
           ".partition{\r\n"
           "font-family:'tahoma'; font-size:9pt;color: '#000080'; padding-left:'1cm';\r\n"
           "}\r\n"
           ".text{\r\n"
           "font-family:'tahoma'; font-size:9pt; color:'#000000';\r\n"
           "}\r\n"
           "td{\r\n"
           "border-right:'1pt solid  black';\r\n"
           "border-bottom:'1pt solid  black';\r\n"
           "vertical-align:'top';\r\n"
           "text-align:'left';\r\n"
           "padding-left:'1mm';\r\n"
           "}\r\n"
           "table{\r\n"
           "border-left:'1pt solid  black';\r\n"
           "border-top:'1pt solid  black';\r\n"
           "}\r\n"
           ".tdheader{\r\n"
           "text-align:'justify';\r\n"
           "background-color:'#CCECFF';\r\n"
           "}\r\n"
           ".tddescription{\r\n"
           "text-align:'" +
           w +
           "';\r\n"
           "background-color:'#FFFFFF';\r\n"
           "}\r\n";
}

std::string StartPage()
{
    return "<html>\r\n<head>\r\n<title></title>\r\n<meta http-equiv=\"Content-Type\" "
           "content=\"text/html; charset=windows-1251\">\r\n<body>\r\n</body>\r\n</html>\r\n";
}

// Appends the Latin spelling of one Windows-1251 character of a page name: Russian, Ukrainian
// and Belarusian letters by their usual transliteration, control characters and the other
// characters from 0x80 up as "_", the rest of ASCII as it is. Every viewer opens pages named in
// ASCII.
void AppendTransliterated(std::string& out, char c)
{
    static constexpr std::string_view kCapitals[32] = {
        "A", "B", "V", "G", "D", "E",  "Zh", "Z",  "I",  "Y",    "K", "L", "M", "N", "O",  "P",
        "R", "S", "T", "U", "F", "Kh", "Ts", "Ch", "Sh", "Shch", "",  "Y", "",  "E", "Yu", "Ya"};
    static constexpr std::string_view kSmall[32] = {
        "a", "b", "v", "g", "d", "e",  "zh", "z",  "i",  "y",    "k", "l", "m", "n", "o",  "p",
        "r", "s", "t", "u", "f", "kh", "ts", "ch", "sh", "shch", "",  "y", "",  "e", "yu", "ya"};
    // Ё and the Ukrainian and Belarusian letters, small and capital, of the code page's 0xA0 row.
    static constexpr std::pair<unsigned char, std::string_view> kOthers[] = {
        {0xA8, "Yo"}, {0xB8, "yo"}, {0xB2, "I"}, {0xB3, "i"}, {0xAF, "Yi"}, {0xBF, "yi"},
        {0xAA, "Ye"}, {0xBA, "ye"}, {0xA5, "G"}, {0xB4, "g"}, {0xA1, "U"},  {0xA2, "u"}};
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
        out += '_';
    } else if (byte < 0x80) {
        out += c;
    } else if (byte >= 0xE0) {
        out += kSmall[byte - 0xE0];
    } else if (byte >= 0xC0) {
        out += kCapitals[byte - 0xC0];
    } else {
        for (const auto& [letter, latin] : kOthers) {
            if (letter == byte) {
                out += latin;
                return;
            }
        }
        out += '_';
    }
}

} // namespace

std::optional<std::string> HelpProjectWriter::HelpFileNameProblem(std::string_view name)
{
    const std::string_view trimmed = Ascii::Trimmed(name);
    if (trimmed.empty())
        return "Не указано имя файла справки.";
    const std::string quoted = "«" + std::string(trimmed) + "»";
    if (trimmed.find('/') != std::string_view::npos)
        return "Имя файла справки " + quoted +
               " содержит «/». Укажите только имя файла: каталог справки задаётся отдельно.";
    if (trimmed == "." || trimmed == "..")
        return "Имя файла справки " + quoted + " указывает на каталог, а не на файл.";
    if (trimmed.find('\0') != std::string_view::npos)
        return "Имя файла справки содержит нулевой символ.";
    // The project's files would all be hidden ones (".hhp", "..chm"), or named after nothing.
    const auto onlyDots = [](std::string_view text) {
        return text.find_first_not_of('.') == std::string_view::npos;
    };
    if (onlyDots(trimmed))
        return "Имя файла справки " + quoted + " состоит только из точек.";
    const std::string normalised = NormaliseHelpFileName(trimmed);
    if (onlyDots(BaseName(normalised)))
        return "Имя файла справки " + quoted + " состоит только из точек и расширения.";
    // The project's own files are named after the base: base + ".hhc", ".hhk", ".hhp", ".log".
    if (std::max(normalised.size(), BaseName(normalised).size() + 4) > kLongestFileName)
        return "Имя файла справки " + quoted + " слишком длинное.";
    return std::nullopt;
}

std::string HelpProjectWriter::NormaliseHelpFileName(std::string_view name)
{
    std::string result(Ascii::Trimmed(name));
    if (Ascii::ToUpper(result).find(".CHM") == std::string::npos)
        result += ".chm";
    return result;
}

std::string HelpProjectWriter::BaseName(std::string_view helpFileName)
{
    return std::string(helpFileName.substr(0, helpFileName.rfind('.')));
}

std::string HelpProjectWriter::TopicTitle(const TreeRecord& record)
{
    std::string stem(Ascii::Trimmed(record.synonym.empty() ? record.name : record.synonym));
    for (char& c : stem) {
        switch (c) {
        case ' ':
        case '.':
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '|':
        case '"':
        case '<':
        case '>':
        case '\0': // a path ends at a NUL, which would name another file
            c = '_';
            break;
        default:
            break;
        }
    }
    return stem + "_" + std::to_string(record.recordId);
}

std::string HelpProjectWriter::TopicFileStem(const TreeRecord& record)
{
    std::string stem(Ascii::Trimmed(record.synonym.empty() ? record.name : record.synonym));
    std::string result;
    result.reserve(stem.size() + 12);
    for (char c : stem) {
        switch (c) {
        case ' ':
        case '.':
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '|':
        case '"':
        case '<':
        case '>':
        // Viewers take these for an anchor, an escape or an entity in a link.
        case '#':
        case '%':
        case '&':
            result += '_';
            break;
        default:
            AppendTransliterated(result, c);
            break;
        }
    }
    return result + "_" + std::to_string(record.recordId);
}

void HelpProjectWriter::AddIndexTopic(HelpIndex& index, std::string_view keyword, std::string title,
                                      std::string local)
{
    index.AddTopic(keyword, std::move(title), std::move(local));
}

bool HelpProjectWriter::GenerateHelpProject(const CZETbrowserDoc& document, HelpOptions& options,
                                            HelpProgress& progress, IHelpMessages& messages)
{
    // Nothing may be written outside the help folder.
    if (const std::optional<std::string> problem = HelpFileNameProblem(options.helpFileName)) {
        messages.ShowMessage(*problem);
        return false;
    }
    options.helpFileName = NormaliseHelpFileName(options.helpFileName);
    const std::string& d = options.helpDirectory;
    const std::string base = BaseName(options.helpFileName);

    // A page name the file system cannot take stops the generation before any file is made.
    for (const TreeRecord& record : document.records()) {
        if (record.kind == RecordKind::Folder)
            continue;
        // A character takes at most four letters in the name ("shch"), so most need no look.
        const std::string_view source = record.synonym.empty() ? record.name : record.synonym;
        if (source.size() * 4 + 16 <= kLongestFileName)
            continue;
        const std::string fileName = TopicFileStem(record) + ".html";
        if (fileName.size() > kLongestFileName) {
            messages.ShowFileError(d + "/" + fileName, std::strerror(ENAMETOOLONG));
            return false;
        }
    }

    OutputFile contentsFile;
    OutputFile indexFile;
    OutputFile projectFile;
    if (!contentsFile.Open(d + "/" + base + ".hhc", messages) ||
        !indexFile.Open(d + "/" + base + ".hhk", messages) ||
        !projectFile.Open(d + "/" + base + ".hhp", messages))
        return false;

    std::string contents(kListHeader);
    // The compiler resolves file names against the project's directory, so the project names
    // them bare; they are UTF-8 like the names on disk.
    std::string project = "[OPTIONS]\r\n"
                          "Binary TOC=Yes\r\n"
                          "Binary Index=No\r\n"
                          "Error log file=" +
                          base +
                          ".log\r\n"
                          "Full-text search=Yes\r\n"
                          "Full text search stop list file=0\r\n"
                          "Display compile progress=No\r\n"
                          "Compatibility=1.1 Or later\r\n"
                          "Compiled file=" +
                          options.helpFileName + "\r\nContents file=" + base +
                          ".hhc\r\n"
                          "Index file=" +
                          base + ".hhk\r\n" + Cp1251::FromUtf8("Language=0x419 Русский\r\n") +
                          "Default Window=Default\r\n"
                          "Default topic=Index.html\r\n"
                          "\r\n"
                          "[WINDOWS]\r\n" +
                          Cp1251::FromUtf8("Default=\"Справка\",\"") + base + ".hhc\",\"" + base +
                          ".hhk\",\"index.html\",\"index.html\",,,,,0x60520,,0x300e,[0,0,450,350],"
                          "0x11830000,0x200,,,,,0\r\n";
    // The compiler takes in only the files listed or linked; the start page is linked by none.
    std::string files = "\r\n[FILES]\r\nIndex.html\r\n";
    std::string aliases = "\r\n[ALIAS]\r\n";
    std::string map = "\r\n[MAP]\r\n";
    files.reserve(document.RecordCount() * 32);
    aliases.reserve(document.RecordCount() * 48);
    map.reserve(document.RecordCount() * 32);
    HelpIndex index;
    index.Reserve(document.RecordCount() * 2);
    std::vector<int> openFolders;
    DepthTracker depths(document);
    RecordPathTracker paths(document);
    std::string page;
    std::string pagePath;

    progress.SetRange(document.RecordCount());
    for (const TreeRecord& record : document.records()) {
        progress.Step();
        const int depth = depths.Depth(record);
        paths.Visit(record);
        while (openFolders.size() >= static_cast<std::size_t>(depth)) {
            contents.append(openFolders.back(), '\t');
            contents += "</UL>\r\n";
            openFolders.pop_back();
        }
        const std::string label = RecordLabel(record, NamelessLabel::SynonymInParentheses);
        if (record.kind == RecordKind::Folder) {
            const std::string tabs(openFolders.empty() ? 1 : openFolders.back() + 1, '\t');
            contents.append(tabs).append("<LI> <OBJECT type=\"text/sitemap\">\r\n");
            contents.append(tabs).append("\t<param name=\"Name\" value=\"").append(label);
            contents.append("\">\r\n").append(tabs).append("\t</OBJECT>\r\n");
            contents.append(tabs).append("<UL>\r\n");
            openFolders.push_back(depth);
        } else {
            const std::string tabs(depth, '\t');
            // The page is named in ASCII; its title keeps the name's own letters.
            const std::string local = TopicFileStem(record) + ".html";
            const std::string& fileName = local;
            // What WriteTopicPage does, with its buffers kept from page to page.
            page.clear();
            TopicPageWriter::AppendPage(page, record, TopicTitle(record), options.style);
            pagePath.assign(d).append("/").append(fileName);
            if (!OutputFile::WriteWhole(pagePath, page, messages))
                return false;
            const std::string id = std::to_string(record.recordId);
            files.append(fileName).append("\r\n");
            aliases.append("IDH_ID").append(id).append("=").append(fileName).append("\r\n");
            map.append("#define IDH_ID").append(id).append(" ").append(id).append("\r\n");
            contents.append(tabs).append("<LI> <OBJECT type=\"text/sitemap\">\r\n");
            contents.append(tabs).append("\t<param name=\"Name\" value=\"").append(label);
            contents.append("\">\r\n").append(tabs).append("\t<param name=\"Local\" value=\"");
            contents.append(local).append("\">\r\n").append(tabs).append("\t</OBJECT>\r\n");
            if (!record.name.empty())
                AddIndexTopic(index, record.name, paths.Path(false), local);
            if (!record.synonym.empty())
                AddIndexTopic(index, record.synonym, paths.Path(true), local);
        }
        // A failed write has been reported; generation stops there.
        if (!contentsFile.Write(contents))
            return false;
        contents.clear();
    }
    while (!openFolders.empty()) {
        contents.append(openFolders.back(), '\t');
        contents += "</UL>\r\n";
        openFolders.pop_back();
    }
    contents += kListFooter;
    contentsFile.Write(contents);
    if (!contentsFile.Close())
        return false;

    WriteIndex(index, indexFile);
    if (!indexFile.Close())
        return false;

    projectFile.Write(project);
    projectFile.Write(files);
    projectFile.Write(aliases);
    projectFile.Write(map);
    if (!projectFile.Close())
        return false;

    return OutputFile::WriteWhole(d + "/default.css", StyleSheet(options.alignment), messages) &&
           OutputFile::WriteWhole(d + "/Index.html", StartPage(), messages);
}
