#include "DocumentRegistry.h"
#include "CZETbrowserDoc.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

namespace {

constexpr std::int64_t kPid = 4242;

TEST(DocumentRegistryTest, ReferenceNamesItsDocumentWhileListed)
{
    DocumentRegistry registry(kPid);
    CZETbrowserDoc first;
    CZETbrowserDoc second;
    DocumentRegistry::Entry a = registry.add(first);
    DocumentRegistry::Entry b = registry.add(second);
    ASSERT_EQ(a.reference().size(), DocumentRegistry::kReferenceSize);
    EXPECT_NE(a.reference(), b.reference());
    EXPECT_EQ(registry.resolve(a.reference()), &first);
    EXPECT_EQ(registry.resolve(b.reference()), &second);

    // A closed document's reference leads nowhere, also once a new document is listed (serial
    // numbers are never given twice, even to a document at the same address).
    const std::string closed = a.reference();
    a = {};
    EXPECT_EQ(registry.resolve(closed), nullptr);
    DocumentRegistry::Entry again = registry.add(first);
    EXPECT_NE(again.reference(), closed);
    EXPECT_EQ(registry.resolve(closed), nullptr);
    EXPECT_EQ(registry.resolve(again.reference()), &first);
    EXPECT_EQ(registry.size(), 2u);

    // Moving the entry keeps the document listed once; the moved-from entry names nothing.
    DocumentRegistry::Entry moved = std::move(b);
    EXPECT_TRUE(b.reference().empty());
    EXPECT_EQ(registry.resolve(moved.reference()), &second);
    b = {};
    EXPECT_EQ(registry.resolve(moved.reference()), &second);
}

TEST(DocumentRegistryTest, EntryMayOutliveTheRegistry)
{
    CZETbrowserDoc doc;
    DocumentRegistry::Entry entry;
    {
        DocumentRegistry registry(kPid);
        entry = registry.add(doc);
    }
    entry = {}; // unlists from a registry that is gone: nothing happens
    EXPECT_TRUE(entry.reference().empty());
}

TEST(DocumentRegistryTest, ReferencesOfOtherInstancesAreIgnored)
{
    CZETbrowserDoc doc;
    DocumentRegistry here(kPid);
    DocumentRegistry samePid(kPid); // another instance whose process has the same id
    DocumentRegistry otherPid(kPid + 1);
    DocumentRegistry::Entry mine = here.add(doc);
    DocumentRegistry::Entry twin = samePid.add(doc);
    DocumentRegistry::Entry foreign = otherPid.add(doc);
    EXPECT_EQ(here.resolve(twin.reference()), nullptr);
    EXPECT_EQ(here.resolve(foreign.reference()), nullptr);
    EXPECT_EQ(samePid.resolve(mine.reference()), nullptr);

    // The same serial under another process id.
    std::string forged = mine.reference();
    forged[0] = static_cast<char>(forged[0] ^ 1);
    EXPECT_EQ(here.resolve(forged), nullptr);
}

TEST(DocumentRegistryTest, GarbageOfAnyLengthIsIgnored)
{
    DocumentRegistry registry(kPid);
    CZETbrowserDoc doc;
    DocumentRegistry::Entry entry = registry.add(doc);
    const std::string& good = entry.reference();
    EXPECT_EQ(registry.resolve({}), nullptr);
    EXPECT_EQ(registry.resolve(std::string(DocumentRegistry::kReferenceSize, '\0')), nullptr);
    EXPECT_EQ(registry.resolve(good + '\0'), nullptr);
    EXPECT_EQ(registry.resolve(good.substr(0, good.size() - 1)), nullptr);
    // The old program's four-byte address.
    EXPECT_EQ(registry.resolve(std::string("\x10\x20\x30\x40", 4)), nullptr);
    std::mt19937 random(7);
    for (std::size_t length = 0; length < 64; ++length) {
        std::string bytes(length, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        EXPECT_EQ(registry.resolve(bytes), nullptr) << length;
    }
    EXPECT_EQ(registry.resolve(std::string(1 << 20, '\xFF')), nullptr);
    EXPECT_EQ(registry.resolve(good), &doc);
}

} // namespace
