#include "RoundTripCheck.h"
#include "SyntaxHelperWriter.h"
#include "TempDir.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

RoundTripReport Check(const CZETbrowserDoc& doc)
{
    std::ostringstream out;
    EXPECT_TRUE(WriteRecords(doc, out));
    return CheckRoundTrip(doc.records(), out.str());
}

std::vector<RecordField> FieldsOf(const RoundTripReport& report, std::uint32_t id)
{
    for (const RoundTripChange& change : report.changes) {
        if (change.recordId == id)
            return change.fields;
    }
    return {};
}

using F = RecordField;

} // namespace

TEST(RoundTripCheck, TextsTheFormatCannotCarryAreFound)
{
    CZETbrowserDoc doc;
    TreeRecord mail = MakeItem("mail");
    mail.notes = "user@host"; // comes back as "@host"
    const auto a = AddChild(doc, 0, mail);
    TreeRecord purpose = MakeItem("purpose");
    purpose.purpose = "see mail@host"; // "@host" goes to the notes
    const auto b = AddChild(doc, 0, purpose);
    TreeRecord joined = MakeItem("joined");
    joined.syntax = "S\r\n";
    joined.notes = "tail\r\n"; // joins the syntax
    const auto c = AddChild(doc, 0, joined);
    TreeRecord quote = MakeItem("a\"b"); // written as a''b
    const auto d = AddChild(doc, 0, quote);
    const RoundTripReport report = Check(doc);
    EXPECT_EQ(report.changes.size(), 4u);
    EXPECT_EQ(FieldsOf(report, a), (std::vector<F>{F::Notes}));
    EXPECT_EQ(FieldsOf(report, b), (std::vector<F>{F::Purpose, F::Notes}));
    EXPECT_EQ(FieldsOf(report, c), (std::vector<F>{F::Syntax, F::Notes}));
    EXPECT_EQ(FieldsOf(report, d), (std::vector<F>{F::Name}));
    EXPECT_EQ(report.extraRecords, 0u);
}

TEST(RoundTripCheck, WhatTheWriterDefinesIsNoChange)
{
    CZETbrowserDoc doc;
    const auto f = AddChild(doc, 0, MakeFolder("  F \t", " S "));
    TreeRecord item = MakeItem(" I", "J\r\n");
    item.syntax = "no break";
    item.purpose = "P\r\n";
    item.notes = W("@Пример: a@b.c");
    AddChild(doc, f, item);
    TreeRecord folder = MakeFolder("G");
    folder.notes = "a Folder's other strings are not part of the book";
    AddChild(doc, 0, folder);
    AddChild(doc, 0, MakeItem("empty"));
    EXPECT_TRUE(Check(doc).empty());

    const std::string sample = FileContents(std::filesystem::path(ZET_SAMPLES_DIR) / "luch.zet");
    CZETbrowserDoc book;
    LoadInto(book, sample);
    ASSERT_GT(book.RecordCount(), 10u);
    EXPECT_TRUE(Check(book).empty());
}

TEST(RoundTripCheck, MissingMovedAndExtraRecords)
{
    CZETbrowserDoc doc;
    const auto f = AddChild(doc, 0, MakeFolder("F"));
    const auto i = AddChild(doc, f, MakeItem("I"));
    const auto j = AddChild(doc, 0, MakeItem("J"));
    std::ostringstream out;
    WriteRecords(doc, out);
    const std::string bytes = out.str();

    // Bytes that stop inside the second record: it and the third are missing.
    const RoundTripReport cut = CheckRoundTrip(doc.records(), bytes.substr(0, bytes.find("\"I\"")));
    ASSERT_EQ(cut.changes.size(), 2u);
    EXPECT_EQ(cut.changes[0].recordId, i);
    EXPECT_EQ(cut.changes[0].fields, (std::vector<F>{F::Place}));
    EXPECT_EQ(cut.changes[1].recordId, j);

    // One more record than memory holds; and a record whose parent changed.
    std::string more = bytes;
    more.insert(more.size() - 1, " {\"Item\",\"\",\"K\",\"\",\"\",\"\",\r\n\"\"\r\n }\r\n");
    EXPECT_EQ(CheckRoundTrip(doc.records(), more).extraRecords, 1u);
    CZETbrowserDoc::RecordList moved = doc.records();
    moved.back().parentId = f;
    const RoundTripReport place = CheckRoundTrip(moved, bytes);
    ASSERT_EQ(place.changes.size(), 1u);
    EXPECT_EQ(place.changes[0].fields, (std::vector<F>{F::Place}));
}

TEST(RoundTripCheck, ChangesComeInRecordOrderWithTheirFieldsNamed)
{
    CZETbrowserDoc doc;
    const auto f = AddChild(doc, 0, MakeFolder(W("Функции")));
    for (int n = 0; n < 8; ++n) {
        TreeRecord item = MakeItem(W("Запись") + std::to_string(n));
        item.notes = "user@host";
        if (n == 0)
            item.purpose = "see mail@host";
        AddChild(doc, f, item);
    }
    const RoundTripReport report = CheckRoundTrip(doc);
    ASSERT_EQ(report.changes.size(), 8u);
    EXPECT_EQ(report.changes[0].recordId, f + 1);
    EXPECT_EQ(report.changes[0].fields, (std::vector<F>{F::Purpose, F::Notes}));
    EXPECT_EQ(report.changes[1].fields, (std::vector<F>{F::Notes}));
    EXPECT_EQ(report.extraRecords, 0u);
    EXPECT_EQ(FieldName(F::EnglishSpelling), "englishSpelling");
    EXPECT_EQ(FieldLabel(F::EnglishSpelling), "Англоязычное написание");
}

TEST(SaveDocument, ChangesFoundOnReadingBackAreConfirmedFirst)
{
    TempDir dir;
    const std::string path = dir.file("book.zet");
    WriteFile(path, "before");
    CZETbrowserDoc doc;
    TreeRecord item = MakeItem("mail");
    item.notes = "user@host";
    const auto id = AddChild(doc, 0, item);
    AddChild(doc, 0, MakeItem("fine"));
    doc.SetModifiedMark(true);

    std::vector<RoundTripReport> asked;
    SaveOptions no;
    no.confirmChanges = [&](const RoundTripReport& report) {
        asked.push_back(report);
        return false;
    };
    const SaveResult declined = doc.OnSaveDocument(path, no);
    ASSERT_EQ(asked.size(), 1u);
    ASSERT_EQ(asked[0].changes.size(), 1u);
    EXPECT_EQ(asked[0].changes[0].recordId, id);
    EXPECT_EQ(declined.outcome, SaveResult::Outcome::Declined); // declining is no failure
    EXPECT_EQ(declined.problem, AtomicFile::Problem::None);
    EXPECT_EQ(FileContents(path), "before");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_TRUE(doc.IsModified());

    SaveOptions yes;
    yes.confirmChanges = [](const RoundTripReport&) { return true; };
    EXPECT_TRUE(doc.OnSaveDocument(path, yes));
    CZETbrowserDoc copy;
    LoadInto(copy, FileContents(path));
    EXPECT_EQ(copy.FindRecord(1)->notes, "@host\r\n");
    EXPECT_FALSE(doc.IsModified());

    // A book that reads back as it is asks nothing.
    doc.FindRecord(id)->notes = "@Mail: user@host";
    bool called = false;
    SaveOptions quiet;
    quiet.confirmChanges = [&](const RoundTripReport&) { return called = true; };
    EXPECT_TRUE(doc.OnSaveDocument(path, quiet));
    EXPECT_FALSE(called);
}
