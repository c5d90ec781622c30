#include "CZETbrowserDoc.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

// Notes every stop with a snapshot of the records as they were when it came, so a test can tell
// the stop came before the change.
class StopLog : public IRecordReader
{
public:
    std::vector<std::vector<std::string>> snapshots; // the names, in list order, at each stop
    int closings = 0;

    void StopReading(const CZETbrowserDoc& doc) override
    {
        std::vector<std::string> names;
        for (const TreeRecord& r : doc.records())
            names.push_back(r.name);
        snapshots.push_back(std::move(names));
    }
    void OnDocumentClosing(const CZETbrowserDoc&) override { ++closings; }
};

std::vector<std::string> Names(const CZETbrowserDoc& doc)
{
    std::vector<std::string> names;
    for (const TreeRecord& r : doc.records())
        names.push_back(r.name);
    return names;
}

// F1 { I2, F3 { I4 } }, I5
void BuildBook(CZETbrowserDoc& doc)
{
    const auto f1 = AddChild(doc, 0, MakeFolder("F1"));
    AddChild(doc, f1, MakeItem("I2"));
    const auto f3 = AddChild(doc, f1, MakeFolder("F3"));
    AddChild(doc, f3, MakeItem("I4"));
    AddChild(doc, 0, MakeItem("I5"));
}

} // namespace

// Every operation that changes the records has the readers stop while the records are still
// as they were.
TEST(RecordReader, StopsComeBeforeEveryChange)
{
    CZETbrowserDoc doc;
    BuildBook(doc);
    StopLog log;
    doc.AddReader(&log);
    doc.AddReader(&log); // once only

    const auto expectStopBefore = [&](const char* what, auto change) {
        const std::vector<std::string> before = Names(doc);
        const std::size_t stops = log.snapshots.size();
        change();
        ASSERT_GT(log.snapshots.size(), stops) << what;
        EXPECT_EQ(log.snapshots[stops], before) << what;
    };
    expectStopBefore("insert", [&] { AddChild(doc, 0, MakeItem("I6")); });
    expectStopBefore("copy", [&] { doc.CopySubtree(3, 0); });
    expectStopBefore("move", [&] { doc.MoveSubtree(2, 5); });
    expectStopBefore("create", [&] { doc.CreateRecord(RecordKind::Item, 1); });
    expectStopBefore("paste", [&] { doc.CopyForeignSubtree(doc, 1, 0); });
    expectStopBefore("delete", [&] { doc.DeleteRecord(1); });
    TreeRecord texts = *doc.FindRecord(5);
    texts.notes = "@Примечания: новые";
    expectStopBefore("texts", [&] { doc.SetRecordTexts(5, texts); });
    std::optional<DetachedSubtree> detached;
    expectStopBefore("detach", [&] { detached = doc.DetachSubtree(5); });
    ASSERT_TRUE(detached.has_value());
    expectStopBefore("attach", [&] { EXPECT_TRUE(doc.AttachSubtree(*detached)); });
    std::vector<TextExchange> exchanges{{5, RecordField::Notes, "@Примечания: другие"}};
    expectStopBefore("exchange", [&] { EXPECT_TRUE(doc.ExchangeTexts(exchanges)); });
    expectStopBefore("reset", [&] { doc.SetRecords({}); });

    // What changes nothing stops nothing.
    AddChild(doc, 0, MakeItem("I7"));
    const std::size_t stops = log.snapshots.size();
    const std::uint32_t id = doc.records().front().recordId;
    EXPECT_TRUE(doc.SetRecordTexts(id, *doc.FindRecord(id)));
    EXPECT_FALSE(doc.DeleteRecord(999));
    EXPECT_TRUE(doc.CopySubtree(999, 0).empty());
    std::vector<NameGroup> index;
    doc.BuildNameIndex(index);
    EXPECT_EQ(log.snapshots.size(), stops);

    // Removed: told nothing more, not even the closing.
    doc.RemoveReader(&log);
    doc.DeleteRecord(id);
    EXPECT_EQ(log.snapshots.size(), stops);
}

// A save that gives the records the form the file holds (names trimmed) stops the readers
// first; a save that fails changes nothing.
TEST(RecordReader, SaveStopsBeforeTrimming)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zet-reader-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    StopLog log; // outlives the document, which tells it when it goes
    CZETbrowserDoc doc;
    AddChild(doc, 0, MakeItem("  Длина  "));
    doc.AddReader(&log);
    const SaveResult saved = doc.OnSaveDocument((dir / "book.zet").string());
    ASSERT_EQ(saved.outcome, SaveResult::Outcome::Saved);
    ASSERT_FALSE(log.snapshots.empty());
    EXPECT_EQ(log.snapshots.back(), std::vector<std::string>{"  Длина  "});
    EXPECT_EQ(Names(doc), std::vector<std::string>{"Длина"});
    std::filesystem::remove_all(dir);
}

// The document tells its readers when it goes; a reader may go with it.
TEST(RecordReader, ReadersHearTheDocumentGo)
{
    StopLog first;
    StopLog second;
    {
        CZETbrowserDoc doc;
        doc.AddReader(&first);
        doc.AddReader(&second);
    }
    EXPECT_EQ(first.closings, 1);
    EXPECT_EQ(second.closings, 1);

    // A reader that removes itself (or another) while it hears of the closing upsets nothing.
    struct Leaving : IRecordReader
    {
        CZETbrowserDoc* doc = nullptr;
        IRecordReader* other = nullptr;
        int closings = 0;
        void StopReading(const CZETbrowserDoc&) override {}
        void OnDocumentClosing(const CZETbrowserDoc&) override
        {
            ++closings;
            doc->RemoveReader(this);
            doc->RemoveReader(other);
        }
    } leaving;
    StopLog after;
    {
        auto doc = std::make_unique<CZETbrowserDoc>();
        leaving.doc = doc.get();
        leaving.other = &after;
        doc->AddReader(&leaving);
        doc->AddReader(&after);
    }
    EXPECT_EQ(leaving.closings, 1);
    EXPECT_EQ(after.closings, 1);
}
