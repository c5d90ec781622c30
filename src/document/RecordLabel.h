#pragma once

#include <string>

struct TreeRecord;

// How a record that has a synonym but no name is labelled.
enum class NamelessLabel {
    // "S": the display name of the document, used in record paths (help index titles, the search
    // dialog), where the synonym is all there is to name the record by.
    SynonymAlone,
    // " ( S )": the contents of a help file and the structure tree, which always show the name
    // column and its parenthesised synonym, so that the missing name stays visible.
    SynonymInParentheses,
};

// The record's name, followed by " ( " + synonym + " )" when it has a synonym; a record without
// a name is labelled as `nameless` says.
std::string RecordLabel(const TreeRecord& record, NamelessLabel nameless);
