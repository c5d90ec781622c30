// A few hundred random steps of every kind on a generated book, taken back and done again: at
// every step the records (ids, places, texts) are those the step left, undoing everything gives
// back the very bytes of the book, and redoing everything the bytes of the edited one.

#include "BookGenerator.h"
#include "CZETbrowserDoc.h"
#include "DocumentHistory.h"
#include "RecordFields.h"
#include "SyntaxHelperReader.h"
#include "SyntaxHelperWriter.h"
#include "TextExchange.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <unordered_map>

namespace {

std::string Written(const CZETbrowserDoc& doc)
{
    std::ostringstream out;
    WriteRecords(doc, out);
    return out.str();
}

// What a step must give back exactly: every record's id, parent, kind and texts, in order.
struct State
{
    std::vector<std::uint32_t> ids;
    std::size_t contents = 0;
    bool operator==(const State&) const = default;
};

State StateOf(const CZETbrowserDoc& doc)
{
    State state;
    std::string all;
    for (const TreeRecord& r : doc.records()) {
        state.ids.push_back(r.recordId);
        all += std::to_string(r.recordId) + '/' + std::to_string(r.parentId) + '/' +
               std::to_string(int(r.kind));
        for (const std::string* text :
             {&r.membership, &r.name, &r.synonym, &r.spelling, &r.englishSpelling, &r.purpose,
              &r.syntax, &r.parameters, &r.notes})
            all += '\x1f' + *text;
        all += '\x1e';
    }
    state.contents = std::hash<std::string>{}(all);
    return state;
}

// The tree as the notices alone build it, as the structure tree's items are: it must always be
// the book's tree.
class NoticeMirror : public IRecordObserver
{
public:
    explicit NoticeMirror(const CZETbrowserDoc& doc) : m_doc(doc) { OnRecordsReset(); }

    void OnRecordsInserted(std::uint32_t parentId, std::uint32_t nextSiblingId,
                           const std::vector<std::uint32_t>& ids) override
    {
        std::vector<std::uint32_t>& siblings = m_children[parentId];
        auto at = std::find(siblings.begin(), siblings.end(), nextSiblingId);
        ASSERT_TRUE(nextSiblingId == 0 || at != siblings.end());
        siblings.insert(at, ids.front());
        m_parent[ids.front()] = parentId;
        for (std::size_t i = 1; i < ids.size(); ++i) {
            const std::uint32_t parent = m_doc.FindRecord(ids[i])->parentId;
            ASSERT_TRUE(m_parent.contains(parent));
            m_children[parent].push_back(ids[i]);
            m_parent[ids[i]] = parent;
        }
    }
    void OnSubtreeRemoving(std::uint32_t id) override
    {
        ASSERT_NE(m_doc.FindRecord(id), nullptr);
        std::erase(m_children[m_parent.at(id)], id);
        for (std::vector<std::uint32_t> pending{id}; !pending.empty();) {
            const std::uint32_t gone = pending.back();
            pending.pop_back();
            m_parent.erase(gone);
            const auto children = m_children.find(gone);
            if (children == m_children.end())
                continue;
            pending.insert(pending.end(), children->second.begin(), children->second.end());
            m_children.erase(children);
        }
    }
    void OnRecordTextsChanged(std::uint32_t id) override
    {
        ASSERT_NE(m_doc.FindRecord(id), nullptr);
    }
    void OnRecordsReset() override
    {
        m_children.clear();
        m_parent.clear();
        for (const TreeRecord& r : m_doc.records()) {
            m_children[r.parentId].push_back(r.recordId);
            m_parent[r.recordId] = r.parentId;
        }
    }

    // The mirror's pre-order.
    std::vector<std::uint32_t> order() const
    {
        std::vector<std::uint32_t> result;
        std::vector<std::uint32_t> pending;
        const auto pushChildren = [&](std::uint32_t parent) {
            const auto children = m_children.find(parent);
            if (children != m_children.end())
                pending.insert(pending.end(), children->second.rbegin(), children->second.rend());
        };
        pushChildren(0);
        while (!pending.empty()) {
            const std::uint32_t id = pending.back();
            pending.pop_back();
            result.push_back(id);
            pushChildren(id);
        }
        return result;
    }

private:
    const CZETbrowserDoc& m_doc;
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> m_children;
    std::unordered_map<std::uint32_t, std::uint32_t> m_parent;
};

class RandomSteps
{
public:
    RandomSteps(CZETbrowserDoc& doc, DocumentHistory& history, const CZETbrowserDoc& other,
                unsigned seed)
        : m_doc(doc), m_history(history), m_other(other), m_random(seed)
    {}

    // One random step of any kind, on the book with its history and, alike, on `twin` (the
    // same book without one, when given). Whether it made a step, the history's place tells.
    bool step(CZETbrowserDoc* twin)
    {
        const std::uint32_t a = anyRecord();
        const std::uint32_t b = pick(5) == 0 ? 0 : anyRecord();
        switch (pick(9)) {
        case 0: {
            const RecordKind kind = pick(2) ? RecordKind::Folder : RecordKind::Item;
            const std::uint32_t parent = anyFolder();
            const std::uint32_t made = m_history.createRecord(kind, parent);
            if (twin) {
                EXPECT_EQ(twin->CreateRecord(kind, parent), made);
            }
            return made != 0;
        }
        case 1: {
            // Large sections go now and then only, or the book would soon be empty.
            if (m_doc.SubtreeIds(a).size() > 50 && pick(8) != 0)
                return false;
            const bool done = m_history.deleteRecord(a);
            if (twin) {
                EXPECT_EQ(twin->DeleteRecord(a), done);
            }
            return done;
        }
        case 2: {
            const auto ids = m_history.copySubtree(a, b);
            if (twin) {
                EXPECT_EQ(twin->CopySubtree(a, b), ids);
            }
            return !ids.empty();
        }
        case 3:
        case 4: {
            const auto ids = m_history.moveSubtree(a, b);
            if (twin) {
                EXPECT_EQ(twin->MoveSubtree(a, b), ids);
            }
            return !ids.empty();
        }
        case 5: {
            // From another book, or from this one into itself.
            const bool self = pick(3) == 0;
            const CZETbrowserDoc& source = self ? m_doc : m_other;
            const std::uint32_t sourceId = self ? a : anyRecordOf(m_other);
            const std::uint32_t parent = anyFolder();
            const auto ids = m_history.copyForeignSubtree(source, sourceId, parent);
            if (twin) {
                EXPECT_EQ(twin->CopyForeignSubtree(self ? *twin : m_other, sourceId, parent), ids);
            }
            return !ids.empty();
        }
        case 6: {
            const TreeRecord* record = m_doc.FindRecord(a);
            if (!record)
                return false;
            TreeRecord texts = *record;
            for (int i = 0, n = 1 + pick(3); i < n; ++i)
                *RecordFields::Text(texts, field()) = text();
            const bool changed = TextExchangesTo(*record, texts).size() > 0;
            EXPECT_TRUE(m_history.setRecordTexts(a, texts));
            if (twin)
                twin->SetRecordTexts(a, texts);
            return changed;
        }
        case 7: {
            const std::uint32_t section = anyFolder();
            if (section == 0)
                return false;
            const std::string letters = pick(2) ? "AST" : "S";
            const int before = m_history.stack().count();
            EXPECT_TRUE(m_history.setSubtreeMembership(section, letters));
            if (twin) {
                for (const std::uint32_t id : twin->SubtreeIds(section)) {
                    TreeRecord texts = *twin->FindRecord(id);
                    texts.membership = letters;
                    twin->SetRecordTexts(id, texts);
                }
            }
            return m_history.stack().count() != before;
        }
        default: {
            // A replace across the book: several records' fields, one step.
            std::vector<TextExchange> exchanges;
            for (int i = 0, n = 1 + pick(6); i < n; ++i) {
                const std::uint32_t id = anyRecord();
                if (id != 0)
                    exchanges.push_back({id, field(), text()});
            }
            if (exchanges.empty())
                return false;
            if (twin) {
                std::vector<TextExchange> copy = exchanges;
                twin->ExchangeTexts(copy);
            }
            return m_history.exchangeTexts(exchanges, QStringLiteral("замена"), a);
        }
        }
    }

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }

private:
    std::uint32_t anyRecordOf(const CZETbrowserDoc& doc)
    {
        if (doc.RecordCount() == 0)
            return 0;
        // Ids beyond the last sometimes: operations on unknown records change nothing.
        return std::uniform_int_distribution<std::uint32_t>(1, doc.maxId() + 2)(m_random);
    }
    std::uint32_t anyRecord() { return anyRecordOf(m_doc); }
    std::uint32_t anyFolder()
    {
        for (int tries = 0; tries < 20; ++tries) {
            const TreeRecord* record = m_doc.FindRecord(anyRecord());
            if (record && record->isFolder())
                return record->recordId;
        }
        return 0;
    }
    RecordField field() { return static_cast<RecordField>(pick(int(RecordField::Notes) + 1)); }
    std::string text()
    {
        static const char* const texts[] = {"", "A", "\xC4\xEB\xE8\xED\xE0", "x\r\ny", "AST"};
        return texts[pick(5)] + std::string(std::size_t(pick(3)) * 10, 'z');
    }

    CZETbrowserDoc& m_doc;
    DocumentHistory& m_history;
    const CZETbrowserDoc& m_other;
    std::mt19937 m_random;
};

class HistoryFuzz : public testing::TestWithParam<unsigned>
{
protected:
    void SetUp() override
    {
        const std::string bytes = GenerateBook(600, GetParam());
        doc.SetRecords(ReadSyntaxHelper(bytes).records);
        twin.SetRecords(ReadSyntaxHelper(bytes).records);
        other.SetRecords(ReadSyntaxHelper(GenerateBook(150, GetParam() + 100)).records);
        original = Written(doc);
        ASSERT_EQ(original, bytes);
        doc.AddObserver(&mirror);
        mirror.OnRecordsReset();
    }
    void TearDown() override { doc.RemoveObserver(&mirror); }

    // The book is in the state the history's place says, and its notices built the same tree.
    void expectState(const std::vector<State>& states, DocumentHistory& history)
    {
        ASSERT_LT(std::size_t(history.stack().index()), states.size());
        EXPECT_EQ(StateOf(doc), states[std::size_t(history.stack().index())]);
        EXPECT_EQ(mirror.order(), StateOf(doc).ids);
    }

    CZETbrowserDoc doc;
    CZETbrowserDoc twin;
    CZETbrowserDoc other;
    NoticeMirror mirror{doc};
    std::string original;
};

} // namespace

TEST_P(HistoryFuzz, EveryStepUndoneAndRedoneExactly)
{
    DocumentHistory history(doc);
    RandomSteps steps(doc, history, other, GetParam());
    std::vector<State> states{StateOf(doc)};

    // Steps alone, beside the same operations on a book without history: the same ids.
    for (int i = 0; i < 300; ++i) {
        steps.step(&twin);
        if (std::size_t(history.stack().index()) == states.size())
            states.push_back(StateOf(doc));
        ASSERT_EQ(std::size_t(history.stack().index()), states.size() - 1);
        ASSERT_EQ(StateOf(doc), states.back()) << "after step " << i;
        ASSERT_EQ(StateOf(twin), states.back()) << "after step " << i;
        EXPECT_EQ(mirror.order(), states.back().ids);
    }
    ASSERT_GT(history.stack().count(), 200);
    const std::string edited = Written(doc);

    while (history.stack().canUndo()) {
        history.undo();
        expectState(states, history);
    }
    EXPECT_EQ(Written(doc), original);
    EXPECT_FALSE(doc.IsModified());
    while (history.stack().canRedo()) {
        history.redo();
        expectState(states, history);
    }
    EXPECT_EQ(Written(doc), edited);
    EXPECT_TRUE(doc.IsModified());

    // Undo, redo and new steps mixed: a new step drops what was undone.
    for (int i = 0; i < 400; ++i) {
        const int what = steps.pick(10);
        if (what < 3) {
            history.undo();
        } else if (what < 5) {
            history.redo();
        } else {
            const int before = history.stack().index();
            steps.step(nullptr);
            if (history.stack().index() != before) {
                states.resize(std::size_t(before) + 1);
                states.push_back(StateOf(doc));
            }
        }
        expectState(states, history);
    }
    while (history.stack().canUndo())
        history.undo();
    EXPECT_EQ(Written(doc), original);
    EXPECT_EQ(doc.IsModified(), !history.stack().isClean());
}

INSTANTIATE_TEST_SUITE_P(Seeds, HistoryFuzz, testing::Values(1u, 2u, 3u));
