#include "HelpFileCompiler.h"

#include "ArchiveSink.h"
#include "AtomicOutput.h"
#include "CompileLog.h"
#include "ContainerWriter.h"
#include "FullTextIndexBuilder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace chm {

namespace {

std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

class ContainerArchive : public ArchiveSink
{
public:
    explicit ContainerArchive(ContainerWriter& container) : m_container(container) {}
    void addCompressed(std::string_view name, std::string_view bytes) override
    {
        m_container.addCompressedFile(name, bytesOf(bytes));
    }
    void addUncompressed(std::string_view name, std::string_view bytes) override
    {
        m_container.addUncompressedFile(name, bytesOf(bytes));
    }

private:
    ContainerWriter& m_container;
};

class SearchIndexer : public TopicIndexer
{
public:
    SearchIndexer(unsigned codePage, std::uint32_t lcid) : m_builder(codePage, lcid) {}
    void addTopic(std::uint32_t topic, std::string_view html) override
    {
        m_builder.addTopic(topic, html);
    }
    std::string finish() override
    {
        const std::vector<std::uint8_t> bytes = m_builder.finish();
        return std::string(bytes.begin(), bytes.end());
    }

private:
    FullTextIndexBuilder m_builder;
};

// The log as the project names it; the reason when it cannot be written.
std::string writeLog(const std::string& path, const std::string& text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return path + ": " + std::strerror(errno);
    std::size_t done = 0;
    int failure = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            failure = errno;
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    if (::close(fd) != 0 && failure == 0)
        failure = errno;
    return failure == 0 ? std::string() : path + ": " + std::strerror(failure);
}

} // namespace

HelpFileCompiler::Outcome HelpFileCompiler::run(const Request& request, CompileLog& log)
{
    Outcome outcome;
    ProjectCompiler::Settings settings;
    settings.compilerVersion = request.compilerVersion;
    settings.unixTime = request.unixTime;
    settings.largestFile = request.largestFile;
    ProjectCompiler compiler(log, settings);
    if (!compiler.load(request.projectPath))
        return outcome;
    outcome.helpFilePath = compiler.helpFilePath();
    outcome.logFilePath = compiler.logFilePath();

    const auto finish = [&](bool ok) {
        outcome.ok = ok && !log.hasErrors();
        if (!outcome.logFilePath.empty()) {
            const std::string summary = outcome.ok
                                            ? "Compiled " + outcome.helpFilePath + ": " +
                                                  std::to_string(outcome.files) + " files, " +
                                                  std::to_string(outcome.topics) + " topics, " +
                                                  std::to_string(outcome.helpFileBytes) + " bytes\n"
                                            : "No help file was written.\n";
            outcome.logError = writeLog(outcome.logFilePath, log.text() + summary);
        }
        return outcome;
    };

    AtomicOutput output(outcome.helpFilePath);
    std::string error;
    if (!output.open(error)) {
        log.error(error);
        return finish(false);
    }
    ContainerOptions options;
    options.lcid = compiler.language().lcid;
    options.threads = request.threads;
    ContainerWriter container(options);
    ContainerArchive archive(container);
    std::unique_ptr<SearchIndexer> indexer;
    if (compiler.project().fullTextSearch)
        indexer =
            std::make_unique<SearchIndexer>(compiler.language().codePage, compiler.language().lcid);
    if (!compiler.compile(archive, indexer.get(), request.progress))
        return finish(false);
    outcome.files = compiler.fileCount();
    outcome.topics = compiler.topicCount();

    if (request.writing)
        request.writing(outcome.helpFilePath);
    if (!container.writeTo(output.fd(), error)) {
        log.error(outcome.helpFilePath + ": " + error);
        return finish(false);
    }
    struct stat info;
    if (::fstat(output.fd(), &info) == 0)
        outcome.helpFileBytes = static_cast<std::uint64_t>(info.st_size);
    if (!output.commit(error)) {
        log.error(error);
        return finish(false);
    }
    return finish(true);
}

} // namespace chm
