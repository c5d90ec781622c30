#pragma once

class QKeyEvent;

// Whether `event` is on the key of the Latin letter `latin` ('C', 'V', 'Y' or 'Z'), however the
// layout names it: the Latin letter, or the Cyrillic one on the same key of a Russian layout (С,
// М, Н, Я). Qt reports such a key as the Latin letter only while a Latin layout is also
// installed, as the Cyrillic letter otherwise, and the system's own key symbol is looked at as
// well. Under a layout whose letters are not Latin (and not the Russian letter) the physical key
// decides.
// Modifiers are not looked at.
bool isLetterKey(const QKeyEvent& event, char latin);
