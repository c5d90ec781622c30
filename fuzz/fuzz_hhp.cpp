// Reads arbitrary bytes as a help project (its included files being the bytes' second half), as
// a contents or index file and as a page, and makes the system files from what was read. Nothing
// may crash, hang or break the layouts the viewers rely on.
#include "CompileLog.h"
#include "ContextIds.h"
#include "PageScanner.h"
#include "ProjectReader.h"
#include "SitemapReader.h"
#include "StringTable.h"
#include "SystemFiles.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    chm::CompileLog log;
    const auto include = [&](const std::string&) -> std::optional<std::string> {
        return std::string(text.substr(size / 2));
    };
    const chm::HelpProject project = chm::ProjectReader::read(text, log, include);

    chm::StringTable strings;
    const std::string windows = chm::SystemFiles::windows(
        project.windows, strings, [](const std::string& name) { return name; });
    Check(windows.size() == 8 + 196 * project.windows.size(), "#WINDOWS layout");
    const auto entries = chm::ContextIds::resolve(
        project, [](const std::string& target) -> std::optional<std::string> { return target; },
        log);
    const std::string ivb = chm::ContextIds::build(entries, strings);
    Check(ivb.size() == 4 + 8 * entries.size(), "#IVB layout");
    // No string may cross a block: viewers read #STRINGS a block at a time.
    const std::string& bytes = strings.bytes();
    for (std::size_t block = chm::StringTable::kBlockSize; block <= bytes.size();
         block += chm::StringTable::kBlockSize)
        Check(bytes[block - 1] == '\0', "a string crosses a block");

    const chm::SitemapReader::Sitemap sitemap = chm::SitemapReader::read(text);
    Check(sitemap.locals.size() <= size, "more links than bytes");
    const chm::PageScanner::Page page = chm::PageScanner::scan(text);
    Check(page.title.size() <= size, "a title longer than the page");
    return 0;
}
