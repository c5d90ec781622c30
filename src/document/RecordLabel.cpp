#include "RecordLabel.h"

#include "TreeRecord.h"

std::string RecordLabel(const TreeRecord& record, NamelessLabel nameless)
{
    if (record.synonym.empty())
        return record.name;
    if (record.name.empty() && nameless == NamelessLabel::SynonymAlone)
        return record.synonym;
    std::string label;
    label.reserve(record.name.size() + record.synonym.size() + 5);
    label.append(record.name).append(" ( ").append(record.synonym).append(" )");
    return label;
}
