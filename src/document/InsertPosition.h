#pragma once

#include "TreeRecord.h"

// Where InsertRecord places a new record among the children of its parent.
struct InsertPosition
{
    enum class Kind {
        FirstChild, // directly after the parent record
        LastChild,  // after the last record of the parent's subtree
        AfterItem,  // directly after the record whose treeItem is `item`
        End,        // at the end of the list
    };

    Kind kind = Kind::End;
    TreeItemHandle item = 0;

    static InsertPosition FirstChild() { return {Kind::FirstChild, 0}; }
    static InsertPosition LastChild() { return {Kind::LastChild, 0}; }
    static InsertPosition AfterItem(TreeItemHandle h) { return {Kind::AfterItem, h}; }
    static InsertPosition End() { return {Kind::End, 0}; }
};
