#pragma once

#include "CZETbrowserDoc.h"
#include "DocumentText.h"
#include "TestSupport.h"

#include <memory>

// Windows-1251 bytes of a UTF-8 literal.
inline std::string cp(const char* utf8)
{
    return W(utf8);
}

inline TreeRecord bookRecord(std::uint32_t id, std::uint32_t parent, RecordKind kind,
                             const char* name, const char* synonym = "",
                             const char* membership = "AST")
{
    TreeRecord record = MakeRecord(kind, id, parent, name, synonym);
    record.membership = W(membership);
    if (kind == RecordKind::Item)
        record.syntax = W("Вызов()\r\n");
    return record;
}

// A small made-up book:
//   1 Функции (FN)            folder
//     2 Длина ( Len )         item
//     3 Строки (FN)           folder
//       4 Лев                 item
//     5 Прав                  item
//   6 Сообщить                item
//   7 Пустой                  folder, empty
inline std::unique_ptr<CZETbrowserDoc> makeBook(const std::string& path = "/nonexistent/book.zet")
{
    auto doc = std::make_unique<CZETbrowserDoc>();
    CZETbrowserDoc::RecordList records;
    records.push_back(bookRecord(1, 0, RecordKind::Folder, "Функции", "", "FN"));
    records.push_back(bookRecord(2, 1, RecordKind::Item, "Длина", "Len", "FN"));
    records.push_back(bookRecord(3, 1, RecordKind::Folder, "Строки", "", "FN"));
    records.push_back(bookRecord(4, 3, RecordKind::Item, "Лев", "", "FN"));
    records.push_back(bookRecord(5, 1, RecordKind::Item, "Прав", "", "FN"));
    records.push_back(bookRecord(6, 0, RecordKind::Item, "Сообщить"));
    records.push_back(bookRecord(7, 0, RecordKind::Folder, "Пустой"));
    doc->SetRecords(std::move(records));
    doc->SetPathName(path);
    return doc;
}
