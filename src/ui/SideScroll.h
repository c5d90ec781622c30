#pragma once

// How far the structure tree scrolls sideways to show an item. Labels wider than the pane are
// common (at its default 250 pixels most are), and the expand boxes and lines at the left are
// what the user finds the way by: the view scrolls only as far as the item's own box, picture
// and the start of its label need, and never so far that its box leaves the view while that
// start can be shown beside it.
class SideScroll
{
public:
    // An item in the content's coordinates (no scroll offset applied), left to right.
    struct Item
    {
        int box = 0;        // the item's expand box (where its branch column starts)
        int picture = 0;    // its picture, where its label's cell starts
        int labelStart = 0; // the end of the label's first characters
        int labelEnd = 0;   // the end of the whole label
    };

    // The scroll offset that shows `item` in a view `width` wide that is scrolled to `current`:
    // `current` itself while it shows the box, picture and label start; 0 when that shows them;
    // otherwise the least that shows them, or, for a label that fits after the box, the whole
    // label.
    static int offsetFor(const Item& item, int width, int current);
};
